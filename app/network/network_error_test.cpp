#include "network/network_error.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "base/bridge_error.h"

namespace {

template <class Thrown>
std::exception_ptr failureOf(Thrown thrown) {
  try {
    throw thrown;
  } catch (...) {
    return std::current_exception();
  }
}

TEST(FailureTextTest, TheUserSeesTheSentenceAndTheConsoleAlsoTheDetail) {
  struct Case {
    const char* name;
    std::exception_ptr failure;
    QString user;
    QString diagnostic;
  };
  const Case cases[] = {
      {"bridge", failureOf(BridgeError(QStringLiteral("Belge işlenemedi."))), QStringLiteral("Belge işlenemedi."),
       QStringLiteral("Belge işlenemedi.")},
      {"network with detail",
       failureOf(NetworkError(NetworkError::Kind::cannotConnect, "Failed to connect to 127.0.0.1 port 9")),
       QStringLiteral("Sunucuya bağlanılamadı."),
       QStringLiteral("Sunucuya bağlanılamadı. (Failed to connect to 127.0.0.1 port 9)")},
      {"other error", failureOf(std::runtime_error("disk full")), QStringLiteral("disk full"),
       QStringLiteral("disk full")},
      {"not an error", failureOf(42), QStringLiteral("Bilinmeyen hata."), QStringLiteral("Bilinmeyen hata.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(userMessage(c.failure), c.user);
    EXPECT_EQ(diagnosticMessage(c.failure), c.diagnostic);
  }
}

}  // namespace
