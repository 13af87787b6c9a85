#include "profile/update_checker.h"


#include <gtest/gtest.h>

#include <QCoreApplication>

#include "base/bridge_error.h"
#include "base/decoding_error.h"
#include "network/network_transport.h"
#include "network/test_http_server.h"
#include "profile/profile_test_support.h"
#include "support/kivo_version.h"

namespace {

const QString kDigest = QString(64, QLatin1Char('a'));

ReleasePackage package(const QString& version, const QString& file, qint64 bytes, const QString& sha256) {
  return ReleasePackage{version, file, bytes, sha256};
}

TEST(UpdateCheckerTest, IsNewerComparesNumericPieces) {
  struct Case {
    const char* candidate;
    const char* current;
    bool newer;
  };
  const std::vector<Case> cases = {
      {"0.10.0", "0.9.9", true},   {"0.3.0", "0.4.0", false},  {"1.2.3", "1.2.3", false},
      {"1.2.0", "1.2", true},      {"1.2", "1.2.0", false},    {"1.3", "1.x.5", false},
      {"1.2.3", "1.2.3-beta", true}, {"1..3", "1.2", true},    {"+2.0", "1.9", true},
      {"-1.0", "0.0", false},      {"1.99999999999999999999", "1.5", false},
      {"0.0.1", "0.0.0", true},    {"", "", false},            {"١.٠.٠", "0.0.0", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UpdateChecker::isNewer(QString::fromUtf8(c.candidate), QString::fromUtf8(c.current)), c.newer)
        << c.candidate << " vs " << c.current;
  }
}

TEST(UpdateCheckerTest, ValidChecksEveryField) {
  struct Case {
    const char* name;
    ReleasePackage package;
    bool valid;
  };
  const QString file = QStringLiteral("Kivo-0.5.0.zip");
  const std::vector<Case> cases = {
      {"well formed", package("0.5.0", file, 100, kDigest), true},
      {"path traversal", package("0.5.0", "../evil.zip", 100, kDigest), false},
      {"slash in name", package("0.5.0", "Kivo-a/b.zip", 100, kDigest), false},
      {"empty middle", package("0.5.0", "Kivo-.zip", 100, kDigest), false},
      {"not a zip", package("0.5.0", "Kivo-0.5.0.tar", 100, kDigest), false},
      {"four groups", package("0.5.0.1", file, 100, kDigest), false},
      {"seven digits", package("1234567.0.0", file, 100, kDigest), false},
      {"six digits", package("123456.0.0", file, 100, kDigest), true},
      {"trailing line feed", package("0.5.0\n", file, 100, kDigest), false},
      {"line feed after name", package("0.5.0", file + "\n", 100, kDigest), false},
      {"Arabic-Indic digits", package("٠.٥.٠", file, 100, kDigest), false},
      {"63 digits", package("0.5.0", file, 100, QString(63, QLatin1Char('a'))), false},
      {"65 digits", package("0.5.0", file, 100, QString(65, QLatin1Char('a'))), false},
      {"upper-case digest", package("0.5.0", file, 100, QString(64, QLatin1Char('A'))), false},
      {"digest with line feed", package("0.5.0", file, 100, QString(63, QLatin1Char('a')) + "\n"), false},
      {"zero bytes", package("0.5.0", file, 0, kDigest), false},
      {"exactly 4 GiB", package("0.5.0", file, 4'294'967'296, kDigest), true},
      {"one byte over 4 GiB", package("0.5.0", file, 4'294'967'297, kDigest), false},
  };
  for (const Case& c : cases) EXPECT_EQ(UpdateChecker::valid(c.package), c.valid) << c.name;
}

TEST(UpdateCheckerTest, ManifestDecodingRefusesIncompletePackages) {
  const std::string linux = R"("linux":{"version":"9.0.0","file":"Kivo-9.0.0.zip","bytes":5,"sha256":")" +
                            std::string(64, 'b') + "\"}";
  const QByteArray good = QByteArray::fromStdString(R"({"packages":{)" + linux + "}}");
  EXPECT_EQ(UpdateChecker::decodeManifest(good).version, QStringLiteral("9.0.0"));

  const std::vector<std::pair<std::string, bool>> decodingErrors = {
      {R"({"packages":{)" + linux + R"(,"mac":{"version":"9.0.0","file":"Kivo-9.zip","bytes":5}}})", true},
      {R"({"packages":{)" + linux + R"(,"mac":{"version":"9.0.0","file":"Kivo-9.zip","bytes":"5","sha256":""}}})", true},
      {R"({"releases":{}})", true},
      {R"({"packages":[]})", true},
      {"not json", true},
      {R"({"packages":{"mac":{"version":"9.0.0","file":"Kivo-9.0.0.zip","bytes":5,"sha256":")" + std::string(64, 'b') + "\"}}}", false},
      {R"({"packages":{"linux":{"version":"9.0","file":"Kivo-9.0.0.zip","bytes":5,"sha256":")" + std::string(64, 'b') + "\"}}}", false},
  };
  for (const auto& [text, decoding] : decodingErrors) {
    try {
      UpdateChecker::decodeManifest(QByteArray::fromStdString(text));
      ADD_FAILURE() << "accepted: " << text;
    } catch (const DecodingError&) {
      EXPECT_TRUE(decoding) << text;
    } catch (const BridgeError& error) {
      EXPECT_FALSE(decoding) << text;
      EXPECT_EQ(error.message(), QStringLiteral("Sürüm paketi doğrulanamadı."));
    }
  }
}

TEST(UpdateCheckerTest, PackageAddressIsInTheDownloadsFolder) {
  EXPECT_EQ(UpdateChecker::downloadBase().scheme(), QStringLiteral("https"));
  EXPECT_EQ(UpdateChecker::downloadBase().path(), QStringLiteral("/downloads/"));
  const ReleasePackage offered = package("1.0.0", "Kivo-1.0.0.zip", 1, kDigest);
  EXPECT_EQ(offered.url().path(), QStringLiteral("/downloads/Kivo-1.0.0.zip"));
  EXPECT_EQ(offered.url(QUrl(QStringLiteral("http://127.0.0.1:9/"))).toString(),
            QStringLiteral("http://127.0.0.1:9/Kivo-1.0.0.zip"));
}

class UpdateCheckTest : public testing::Test {
protected:
  TestHttpServer m_server;

  UpdateChecker::Settings settings(const std::string& folder = "") const {
    UpdateChecker::Settings made;
    made.base = m_server.url(QString::fromStdString(folder));
    made.currentVersion = QStringLiteral("0.8.0");
    return made;
  }
  static std::string manifest(const std::string& version) {
    return R"({"packages":{"linux":{"version":")" + version + R"(","file":"Kivo-)" + version +
           R"(.zip","bytes":1234,"sha256":")" + std::string(64, 'c') + "\"}}}";
  }
  void serveManifest(const std::string& body) { serve("/releases.json", 200, "application/json", body); }
  void serve(const QByteArray& path, int status, const QByteArray& type, const std::string& body,
             const QList<QByteArray>& extraHeaders = {}) {
    m_server.route(path, TestHttpServer::answer(status, type, QByteArray::fromStdString(body), extraHeaders));
  }
  static bool finish(UpdateChecker& checker) {
    return ProfileTestSupport::runEventsUntil([&] { return !checker.checking(); });
  }
};

TEST_F(UpdateCheckTest, NewerReleaseIsOfferedAndOlderIsNot) {
  UpdateChecker checker(settings());
  EXPECT_EQ(checker.message(),
            QStringLiteral("Yeni sürümleri kontrol etmek için düğmeye bas. Kontrol otomatik yapılmaz."));
  serveManifest(manifest("0.10.0"));
  checker.check();
  EXPECT_TRUE(checker.checking());
  checker.check();  // a second press while checking does nothing
  ASSERT_TRUE(finish(checker));
  EXPECT_EQ(m_server.requestCount("/releases.json"), 1);
  ASSERT_TRUE(checker.available());
  EXPECT_EQ(checker.available()->version, QStringLiteral("0.10.0"));
  EXPECT_EQ(checker.available()->bytes, 1234);
  EXPECT_EQ(checker.message(), QStringLiteral("Kivo 0.10.0 hazır. İndirilen ZIP dosyasının SHA-256 değeri doğrulanır; "
                                              "kurulumu sen yaparsın."));

  serveManifest(manifest("0.8.0"));
  checker.check();
  EXPECT_FALSE(checker.available()) << "the offer disappears while checking";
  ASSERT_TRUE(finish(checker));
  EXPECT_FALSE(checker.available());
  EXPECT_EQ(checker.message(), QStringLiteral("Kivo 0.8.0 güncel. Otomatik kurulum yapılmaz."));

  serveManifest("{}");
  checker.check();
  ASSERT_TRUE(finish(checker));
  EXPECT_FALSE(checker.available());
  EXPECT_TRUE(checker.message().startsWith(QStringLiteral("Güncellemeler kontrol edilemedi: ")));
}

TEST_F(UpdateCheckTest, RefusedAnswersNameTheirReason) {
  const std::string body = manifest("9.0.0");
  serve("/moved/releases.json", 302, "text/html", "", {"Location: /releases.json"});
  serve("/exact/releases.json", 200, "application/json", body + std::string(65536 - body.size(), ' '));
  serve("/over/releases.json", 200, "application/json", body + std::string(65537 - body.size(), ' '));
  serve("/zip/releases.json", 200, "application/zip", body);
  serve("/missing/releases.json", 404, "text/html", "");
  serveManifest(body);
  const QString prefix = QStringLiteral("Güncellemeler kontrol edilemedi: ");
  const std::vector<std::pair<std::string, QString>> cases = {
      {"moved/", prefix + QStringLiteral("Geçersiz sürüm yanıtı.")},
      {"exact/", QStringLiteral("Kivo 9.0.0 hazır. İndirilen ZIP dosyasının SHA-256 değeri doğrulanır; kurulumu sen yaparsın.")},
      {"over/", prefix + QStringLiteral("Geçersiz sürüm yanıtı.")},
      {"zip/", prefix + QStringLiteral("Geçersiz sürüm yanıtı.")},
      {"missing/", prefix + QStringLiteral("Sunucu HTTP 404 yanıtı verdi. Yönlendirme veya sayfa yüklenemedi.")},
  };
  for (const auto& [folder, message] : cases) {
    UpdateChecker checker(settings(folder));
    checker.check();
    ASSERT_TRUE(finish(checker)) << folder;
    EXPECT_EQ(checker.message(), message) << folder;
  }
}

TEST_F(UpdateCheckTest, TheRunningVersionIsTheBuildsOwn) {
  EXPECT_EQ(UpdateChecker::currentVersion(), QStringLiteral(KIVO_VERSION));
}

TEST_F(UpdateCheckTest, MissingVersionComparesAgainstZero) {
  UpdateChecker::Settings made = settings();
  const QString declared = QCoreApplication::applicationVersion();
  QCoreApplication::setApplicationVersion(QString());
  made.currentVersion = UpdateChecker::currentVersion();
  QCoreApplication::setApplicationVersion(declared);
  EXPECT_EQ(made.currentVersion, QStringLiteral("0.0.0"));
  serveManifest(manifest("0.0.1"));
  UpdateChecker checker(made);
  checker.check();
  ASSERT_TRUE(finish(checker));
  EXPECT_TRUE(checker.available());
}

}  // namespace
