#include "profile/browsing_profile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include "loading/network_error.h"
#include "platform/temporary_folder.h"
#include "profile/http_test_server.h"
#include "profile/quarantine.h"

namespace {

using State = DownloadEntry::State;

bool waitUntil(const std::function<bool()>& condition) {
  QDeadlineTimer deadline(10'000);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

std::string referenceBody() {
  std::string body;
  body.reserve(1'048'576);
  for (int i = 0; i < 4096; ++i) {
    for (int b = 0; b < 256; ++b) body.push_back(static_cast<char>(b));
  }
  return body;
}

// Serves the reference body at /download, the same after a redirect at
// /redirect, and a body that trickles until the server stops at /slow.
class ProfileNetworkTest : public testing::Test {
protected:
  ProfileNetworkTest() {
    m_server.serve("/download", 200, "application/octet-stream", m_body,
                   "Content-Disposition: attachment; filename=\"kivo-test.bin\"\r\n");
    m_server.serve("/redirect", 302, "text/html", "", "Location: /download\r\n");
    HttpTestServer* server = &m_server;
    m_server.route("/slow", [server](int socket) {
      HttpTestServer::sendAll(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                      "Content-Length: 10000000\r\nConnection: close\r\n\r\n");
      const std::string block(65'536, 'x');
      if (!HttpTestServer::sendAll(socket, block)) return;
      while (!server->stopping()) {
        if (!HttpTestServer::sendAll(socket, "x")) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
  }

  QUrl address(const char* path) const { return QUrl(QString::fromStdString(m_server.base() + path)); }
  QUrl destination(const QString& name) const { return QUrl::fromLocalFile(m_folder.filePath(name)); }
  static const DownloadEntry* find(DownloadStore& store, const QUuid& id) {
    for (const DownloadEntry& entry : store.entries()) {
      if (entry.id == id) return &entry;
    }
    return nullptr;
  }
  static bool finished(DownloadStore& store, const QUuid& id) {
    const DownloadEntry* entry = find(store, id);
    return entry && entry->isFinished();
  }
  QStringList stagingFiles() const {
    return QDir(m_folder.path()).entryList({QStringLiteral("*.download")}, QDir::Files | QDir::Hidden);
  }

  const std::string m_body = referenceBody();
  TemporaryFolder m_folder{QStringLiteral("kivo-profile-test-")};
  HttpTestServer m_server;
};

TEST_F(ProfileNetworkTest, NormalProfileCreatesItsFolderOnlyOnTheFirstSave) {
  const QString directory = m_folder.filePath(QStringLiteral("normal/Profile"));
  BrowsingProfile profile(false, directory);
  EXPECT_FALSE(profile.isPrivate());
  EXPECT_FALSE(QFile::exists(directory));
  profile.history().record(QStringLiteral("https://a.com/"), QStringLiteral("A"), profile.history().revision());
  EXPECT_TRUE(QFile::exists(directory + QStringLiteral("/history.json")));
  EXPECT_FALSE(QFile::exists(directory + QStringLiteral("/downloads.json")));
  profile.downloads().start(QUrl(QStringLiteral("ftp://a.com/x")), destination(QStringLiteral("x")));
  EXPECT_TRUE(QFile::exists(directory + QStringLiteral("/downloads.json")));

  BrowsingProfile reopened(false, directory);
  EXPECT_EQ(reopened.history().entries().size(), 1);
  EXPECT_EQ(reopened.downloads().entries().size(), 1);
  reopened.endPrivateSession();
  EXPECT_EQ(reopened.history().entries().size(), 1);
  EXPECT_FALSE(reopened.privateSessionClosed());
}

TEST_F(ProfileNetworkTest, ProfilesWithoutFilesStoreNothing) {
  const QString directory = m_folder.filePath(QStringLiteral("private"));
  BrowsingProfile privateProfile(true, directory);
  BrowsingProfile memoryProfile(false);
  for (BrowsingProfile* profile : {&privateProfile, &memoryProfile}) {
    profile->history().record(QStringLiteral("https://a.com/"), QStringLiteral("A"), 0);
    profile->downloads().start(QUrl(QStringLiteral("ftp://a.com/x")), destination(QStringLiteral("x")));
    EXPECT_EQ(profile->history().entries().size(), 1);
    EXPECT_FALSE(profile->history().persistenceError());
    EXPECT_FALSE(profile->downloads().persistenceError());
  }
  EXPECT_FALSE(QFile::exists(directory));
  EXPECT_TRUE(privateProfile.history().file().isEmpty());
  EXPECT_TRUE(privateProfile.downloads().file().isEmpty());
  EXPECT_NE(privateProfile.network(), memoryProfile.network());
  EXPECT_NE(privateProfile.cache(), memoryProfile.cache());
}

TEST_F(ProfileNetworkTest, SharedCacheIsKept) {
  auto cache = std::make_shared<DocumentCache>();
  BrowsingProfile first(false, {}, cache);
  BrowsingProfile second(false, {}, cache);
  EXPECT_EQ(first.cache(), cache);
  EXPECT_EQ(second.cache(), cache);
  EXPECT_NE(first.network(), second.network());
}

TEST_F(ProfileNetworkTest, DirectoryIsUnderTheDataFolder) {
  EXPECT_TRUE(BrowsingProfile::directory().endsWith(QStringLiteral("/Kivo/Profile")));
  EXPECT_TRUE(BrowsingProfile::directory().startsWith(
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)));
}

TEST_F(ProfileNetworkTest, RealDownloadsAreVerifiedMarkedAndPublished) {
  BrowsingProfile profile(false, m_folder.filePath(QStringLiteral("normal")));
  DownloadStore& store = profile.downloads();
  const QString digest =
      QString::fromLatin1(QCryptographicHash::hash(QByteArray::fromStdString(m_body), QCryptographicHash::Sha256).toHex());

  struct Case {
    const char* path;
    const char* name;
    std::optional<QString> digest;
    std::optional<qint64> bytes;
    State state;
  };
  const std::vector<Case> cases = {
      {"redirect", "plain.bin", std::nullopt, std::nullopt, State::Complete},
      {"download", "verified.bin", digest, 1'048'576, State::Complete},
      {"download", "wrong-digest.bin", QString(64, QLatin1Char('0')), std::nullopt, State::Failed},
      {"download", "upper-digest.bin", digest.toUpper(), std::nullopt, State::Failed},
      {"download", "wrong-length.bin", std::nullopt, 1'048'575, State::Failed},
      {"missing", "missing.bin", std::nullopt, std::nullopt, State::Failed},
  };
  for (const Case& c : cases) {
    const QUrl target = destination(QString::fromLatin1(c.name));
    const QUuid id = store.start(address(c.path), target, c.digest, c.bytes);
    ASSERT_TRUE(waitUntil([&] { return finished(store, id); })) << c.name;
    const DownloadEntry* entry = find(store, id);
    EXPECT_EQ(entry->state, c.state) << c.name << ": " << entry->detail.toStdString();
    EXPECT_EQ(entry->address, address(c.path).toString()) << c.name;
    if (c.state == State::Complete) {
      QFile file(target.toLocalFile());
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      EXPECT_TRUE(file.readAll() == QByteArray::fromStdString(m_body)) << c.name;
      EXPECT_EQ(entry->received, 1'048'576) << c.name;
      EXPECT_EQ(Quarantine::read(target.toLocalFile(), Quarantine::kOriginAttribute),
                address("download").toString().toUtf8())
          << c.name;
    } else {
      EXPECT_FALSE(QFile::exists(target.toLocalFile())) << c.name;
      EXPECT_FALSE(entry->detail.isEmpty()) << c.name;
    }
  }
  EXPECT_EQ(find(store, store.entries()[3].id)->detail,
            QStringLiteral("İndirilen güncellemenin boyutu veya SHA-256 özeti beklenen değerle eşleşmedi. "
                           "Dosya kaydedilmedi."));
  EXPECT_EQ(store.entries()[0].detail,
            QStringLiteral("Sunucu HTTP 404 yanıtı verdi. Yönlendirme veya sayfa yüklenemedi."));
  EXPECT_TRUE(stagingFiles().isEmpty());
}

TEST_F(ProfileNetworkTest, EndingAPrivateSessionCancelsDownloadsAndClosesTheTransport) {
  BrowsingProfile profile(true, m_folder.filePath(QStringLiteral("private")));
  profile.history().record(QStringLiteral("https://a.com/"), QStringLiteral("A"), 0);
  const QUrl target = destination(QStringLiteral("private-cancel.bin"));
  const QUuid id = profile.downloads().start(address("slow"), target);
  ASSERT_TRUE(waitUntil([&] { return find(profile.downloads(), id)->received > 0; }));
  profile.endPrivateSession();
  EXPECT_TRUE(profile.history().entries().isEmpty());
  ASSERT_TRUE(waitUntil([&] { return finished(profile.downloads(), id); }));
  EXPECT_EQ(find(profile.downloads(), id)->state, State::Cancelled);
  EXPECT_EQ(find(profile.downloads(), id)->detail, QString());
  EXPECT_FALSE(QFile::exists(target.toLocalFile()));
  EXPECT_TRUE(stagingFiles().isEmpty());
  ASSERT_TRUE(waitUntil([&] { return profile.privateSessionClosed(); }));
  EXPECT_EQ(profile.cache()->statistics().count, 0);
  EXPECT_THROW(profile.network()->page(address("download")), NetworkError);
  profile.endPrivateSession();  // a second end finds nothing to do
  EXPECT_TRUE(waitUntil([&] { return profile.privateSessionClosed(); }));
}

}  // namespace
