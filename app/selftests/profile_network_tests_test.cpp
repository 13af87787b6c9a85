#include "selftests/profile_network_tests.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "network/test_http_server.h"
#include "platform/temporary_folder.h"
#include "profile/browsing_profile.h"
#include "selftests/smoke_failure.h"

namespace {

std::string referenceBody() {
  std::string body;
  for (int i = 0; i < 4096; ++i) {
    for (int b = 0; b < 256; ++b) body.push_back(static_cast<char>(b));
  }
  return body;
}

// A wait that only a fault makes run out: a minute of 10-ms polls.
constexpr Patience kAmple{std::chrono::seconds(60)};

// The checks against a stand-in of the fixture server's download answers.
class ProfileNetworkChecksTest : public testing::Test {
protected:
  ProfileNetworkChecksTest() {
    m_server.route("/download",
                   TestHttpServer::answer(200, "application/octet-stream", QByteArray::fromStdString(referenceBody()),
                                          {"Content-Disposition: attachment; filename=\"kivo-test.bin\""}));
    m_server.route("/slow-download", [](TestHttpServer& server, int socket, const TestHttpServer::Request&) {
      TestHttpServer::send(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                   "Content-Length: 4000000\r\nConnection: close\r\n\r\n");
      if (!TestHttpServer::send(socket, std::string(70'000, 'x'))) return;
      // The rest never comes: the download stays running until cancelled,
      // and the connection stays open until the server stops.
      while (!server.stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    // KIVO_FIXTURE_BASE points the checks at the real fixture server instead.
    QString base = qEnvironmentVariableIsSet("KIVO_FIXTURE_BASE") ? qEnvironmentVariable("KIVO_FIXTURE_BASE")
                                                                   : m_server.url(QString()).toString();
    if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
    m_frame.fixture = [base](const QString& path) { return QUrl(base + path); };
    m_frame.check = [this](bool condition, const QString& name) {
      if (!condition) throw SmokeFailure(name);
      m_passes.append(name);
    };
    m_frame.folder = m_folder.path();
    m_frame.patience = kAmple;
  }

  TestHttpServer m_server;
  TemporaryFolder m_folder{QStringLiteral("kivo-network-tests-")};
  ProfileSuiteFrame m_frame;
  QStringList m_passes;
};

TEST_F(ProfileNetworkChecksTest, DownloadChecksPassInOrder) {
  BrowsingProfile normal(false, m_folder.filePath(QStringLiteral("normal")));
  BrowsingProfile privateProfile(true, m_folder.filePath(QStringLiteral("private")));
  runDownloadChecks(m_frame, normal, privateProfile);
  EXPECT_EQ(m_passes, (QStringList{
                          QStringLiteral("download completes: "),
                          QStringLiteral("download bytes match source exactly"),
                          QStringLiteral("replacing an existing file preserves new macOS quarantine"),
                          QStringLiteral("download list survives restart"),
                          QStringLiteral("update download verifies SHA-256 and length"),
                          QStringLiteral("wrong update digest prevents publishing file"),
                          QStringLiteral("removing download list item keeps file"),
                          QStringLiteral("cancelled download does not publish partial file"),
                          QStringLiteral("cancelled download removes staging file"),
                          QStringLiteral("closing private session cancels incomplete downloads"),
                      }));
  EXPECT_TRUE(QFile::exists(m_folder.filePath(QStringLiteral("verified.bin"))));
  EXPECT_FALSE(QFile::exists(m_folder.filePath(QStringLiteral("private"))));
}

TEST_F(ProfileNetworkChecksTest, UnreachableDownloadFailsWithItsDetail) {
  m_frame.fixture = [](const QString& path) { return QUrl(QStringLiteral("http://127.0.0.1:1/") + path); };
  BrowsingProfile normal(false);
  BrowsingProfile privateProfile(true);
  try {
    runDownloadChecks(m_frame, normal, privateProfile);
    FAIL() << "the first check must fail";
  } catch (const SmokeFailure& failure) {
    EXPECT_TRUE(failure.check().startsWith(QStringLiteral("download completes: "))) << failure.what();
    EXPECT_GT(failure.check().size(), QStringLiteral("download completes: ").size());
  }
}

TEST_F(ProfileNetworkChecksTest, PrivateChecksCatchAVisitThatLeaks) {
  BrowsingProfile normal(false, m_folder.filePath(QStringLiteral("normal")));
  BrowsingProfile privateProfile(true, m_folder.filePath(QStringLiteral("private")));
  QList<QUrl> shown;
  runPrivateProfileChecks(m_frame, normal, privateProfile,
                          [&](BrowsingProfile& profile, const QUrl& address) {
                            EXPECT_EQ(&profile, &privateProfile);
                            shown.append(address);
                          });
  EXPECT_EQ(shown, QList<QUrl>{m_frame.fixture(QStringLiteral("page"))});
  EXPECT_EQ(m_passes, (QStringList{QStringLiteral("private visit writes no history"),
                                   QStringLiteral("private profile creates no persistent profile directory")}));
  const auto leaking = [&](BrowsingProfile&, const QUrl& address) {
    normal.history().record(address.toString(), QStringLiteral("Network fixture"), normal.history().revision());
  };
  try {
    runPrivateProfileChecks(m_frame, normal, privateProfile, leaking);
    FAIL() << "a leaked visit must fail the check";
  } catch (const SmokeFailure& failure) {
    EXPECT_EQ(failure.check(), QStringLiteral("private visit writes no history"));
  }
}

// The profile's own page road needs the renderer and a page titled
// "Network fixture": only against the real fixture server.
TEST_F(ProfileNetworkChecksTest, PrivateChecksWithTheProfilesOwnLoad) {
  if (!qEnvironmentVariableIsSet("KIVO_FIXTURE_BASE")) GTEST_SKIP() << "KIVO_FIXTURE_BASE is not set";
  BrowsingProfile normal(false, m_folder.filePath(QStringLiteral("normal")));
  BrowsingProfile privateProfile(true, m_folder.filePath(QStringLiteral("private")));
  runPrivateProfileChecks(m_frame, normal, privateProfile);
  EXPECT_EQ(m_passes.size(), 2);
}

TEST_F(ProfileNetworkChecksTest, UpdateRulesPass) {
  runUpdateRuleChecks(m_frame);
  EXPECT_EQ(m_passes, (QStringList{QStringLiteral("updates compare numeric versions"),
                                   QStringLiteral("update manifest rejects path traversal")}));
}

TEST_F(ProfileNetworkChecksTest, UntilGivesUpWithItsName) {
  int evaluations = 0;
  untilHolds(QStringLiteral("at once"), [&] { return ++evaluations > 0; });
  EXPECT_EQ(evaluations, 1);
  evaluations = 0;
  untilHolds(QStringLiteral("third time"), [&] { return ++evaluations == 3; }, kAmple);
  EXPECT_EQ(evaluations, 3);
  try {
    untilHolds(QStringLiteral("never"), [] { return false; }, Patience{std::chrono::milliseconds(1)});
    FAIL() << "a condition that never holds must fail";
  } catch (const SmokeFailure& failure) {
    EXPECT_EQ(failure.check(), QStringLiteral("never"));
  }
}

}  // namespace
