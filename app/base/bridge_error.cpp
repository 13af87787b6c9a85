#include "base/bridge_error.h"

QString userMessage(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& error) {
    return QString::fromUtf8(error.what());
  } catch (...) {
    return QStringLiteral("Bilinmeyen hata.");
  }
}
