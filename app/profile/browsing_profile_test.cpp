#include "profile/browsing_profile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <functional>

#include "network/network_error.h"
#include "network/test_http_server.h"
#include "platform/regular_file.h"
#include "platform/temporary_folder.h"
#include "platform/umask_scope.h"
#include "profile/profile_files.h"
#include "profile/profile_test_support.h"
#include "profile/quarantine.h"

namespace {

using State = DownloadEntry::State;
using ProfileTestSupport::runEventsUntil;

const QString kLockedOut =
    QStringLiteral("Bu profil başka bir Kivo sürecinde açık; geçmiş ve indirmeler bu oturumda kaydedilmeyecek.");

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
    m_server.route("/download",
                   TestHttpServer::answer(200, "application/octet-stream", QByteArray::fromStdString(m_body),
                                          {"Content-Disposition: attachment; filename=\"kivo-test.bin\""}));
    m_server.route("/redirect", TestHttpServer::answer(302, "text/html", "", {"Location: /download"}));
    m_server.route("/slow", [](TestHttpServer& server, int socket, const TestHttpServer::Request&) {
      TestHttpServer::send(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                                   "Content-Length: 10000000\r\nConnection: close\r\n\r\n");
      const std::string block(65'536, 'x');
      if (!TestHttpServer::send(socket, block)) return;
      while (!server.stopping()) {
        if (!TestHttpServer::send(socket, "x")) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
  }

  QUrl address(const char* path) const { return m_server.url(QString::fromUtf8(path)); }
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
  TestHttpServer m_server;
};

TEST_F(ProfileNetworkTest, NormalProfileTakesItsFolderAndWritesTheListsOnTheFirstSave) {
  const QString directory = m_folder.filePath(QStringLiteral("normal/Profile"));
  {
    BrowsingProfile profile(false, directory);
    EXPECT_FALSE(profile.isPrivate());
    EXPECT_TRUE(profile.ownsFiles());
    EXPECT_FALSE(profile.takeNotice());
    // The folder holds the lock from the start, and no list before a save.
    EXPECT_EQ(QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("kivo.lock")});
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(directory).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    profile.history().record(QStringLiteral("https://a.com/"), QStringLiteral("A"), profile.history().revision());
    profile.history().flush();
    EXPECT_TRUE(QFile::exists(directory + QStringLiteral("/history.json")));
    EXPECT_FALSE(QFile::exists(directory + QStringLiteral("/downloads.json")));
    profile.downloads().start(QUrl(QStringLiteral("ftp://a.com/x")), destination(QStringLiteral("x")));
    EXPECT_TRUE(QFile::exists(directory + QStringLiteral("/downloads.json")));
  }

  BrowsingProfile reopened(false, directory);
  EXPECT_TRUE(reopened.ownsFiles());
  EXPECT_EQ(reopened.history().entries().size(), 1);
  EXPECT_EQ(reopened.downloads().entries().size(), 1);
  reopened.endPrivateSession();
  EXPECT_EQ(reopened.history().entries().size(), 1);
  EXPECT_FALSE(reopened.privateSessionClosed());
}

// What the owner of a profile has on disk while one of its downloads runs:
// a visit, the running entry and its staging file.
struct OwnersFiles {
  QString directory;
  QByteArray history;
  QByteArray downloads;
  QString staging;

  OwnersFiles(const QString& folder, const QUrl& target) : directory(folder) {
    history = HistoryStore::encode({HistoryEntry{QUuid::createUuid(), QStringLiteral("https://a.com/"), QStringLiteral("A"), 1}});
    DownloadEntry running;
    running.id = QUuid::createUuid();
    running.address = QStringLiteral("https://a.com/file");
    running.destination = target;
    running.startedAt = 2;
    downloads = DownloadStore::encode({running});
    staging = DownloadStore::stagingPath(target, running.id);
    ProfileFiles::write(history, historyFile());
    ProfileFiles::write(downloads, downloadsFile());
    ProfileFiles::write("partial", staging);
  }
  QString historyFile() const { return directory + QStringLiteral("/history.json"); }
  QString downloadsFile() const { return directory + QStringLiteral("/downloads.json"); }
  static QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  // True while every file is as the owner left it.
  bool untouched() const {
    return contents(historyFile()) == history && contents(downloadsFile()) == downloads && contents(staging) == "partial";
  }
};

// A profile on a folder that another holder owns shows the lists, but neither
// saves nor cleans up anything: it must not take the owner's running download
// for an interrupted one, nor its staging file for a leftover.
void expectWritesNothing(BrowsingProfile& profile, const OwnersFiles& owners, const QUrl& elsewhere,
                         const QString& notice = kLockedOut) {
  EXPECT_FALSE(profile.ownsFiles());
  EXPECT_EQ(profile.takeNotice(), notice);
  EXPECT_FALSE(profile.takeNotice()) << "the notice is given once";
  ASSERT_EQ(profile.history().entries().size(), 1);
  ASSERT_EQ(profile.downloads().entries().size(), 1);
  EXPECT_EQ(profile.downloads().entries()[0].state, State::Running);
  EXPECT_TRUE(profile.history().persistenceError());
  EXPECT_TRUE(profile.downloads().persistenceError());
  EXPECT_TRUE(owners.untouched());
  profile.history().record(QStringLiteral("https://b.com/"), QStringLiteral("B"), profile.history().revision());
  profile.history().remove(profile.history().entries().last().id);
  profile.downloads().start(QUrl(QStringLiteral("ftp://a.com/y")), elsewhere);
  profile.downloads().clearFinished();
  profile.downloads().shutdown();
  profile.history().flush();
  EXPECT_EQ(profile.history().entries().size(), 1);
  EXPECT_TRUE(owners.untouched());
}

TEST_F(ProfileNetworkTest, ASecondProfileOnTheSameFolderWritesNothingUntilTheFirstIsGone) {
  const QString directory = m_folder.filePath(QStringLiteral("Profile"));
  auto first = std::make_unique<BrowsingProfile>(false, directory);
  const OwnersFiles owners(directory, destination(QStringLiteral("running.bin")));
  {
    BrowsingProfile second(false, directory);
    expectWritesNothing(second, owners, destination(QStringLiteral("y")));
  }
  // The lock goes with its profile: the next one owns the folder, and now the
  // running entry is a leftover of an ended process.
  first.reset();
  BrowsingProfile third(false, directory);
  EXPECT_TRUE(third.ownsFiles());
  EXPECT_FALSE(third.takeNotice());
  ASSERT_EQ(third.downloads().entries().size(), 1);
  EXPECT_EQ(third.downloads().entries()[0].state, State::Interrupted);
  EXPECT_FALSE(QFile::exists(owners.staging));
  // The owner writes the interrupted state at once.
  EXPECT_EQ(OwnersFiles::contents(owners.downloadsFile()), DownloadStore::encode(third.downloads().entries()));
  EXPECT_FALSE(third.history().persistenceError());
}

// A lock that cannot be had says nothing about other processes, so the
// profile reads only, as beside another owner, and its notice says why.
struct UnlockableCase {
  const char* name;
  const char* reason;                 // the system's description of the failure
  std::function<void(const QString& directory)> prepare;
  ProfileLock::LockCall lock;
};

TEST_F(ProfileNetworkTest, AFolderThatCannotBeLockedIsOnlyRead) {
  const auto failingLock = [](int code) { return [code](int) { return code; }; };
  const std::vector<UnlockableCase> cases = {
      {"folder in the lock file's place", "Is a directory",
       [](const QString& directory) { ASSERT_TRUE(QDir().mkpath(directory + QStringLiteral("/kivo.lock"))); }, {}},
      {"link in the lock file's place", "Too many levels of symbolic links",
       [](const QString& directory) {
         ASSERT_TRUE(QDir().mkpath(directory));
         ASSERT_TRUE(QFile::link(directory + QStringLiteral("/elsewhere.lock"), directory + QStringLiteral("/kivo.lock")));
       },
       {}},
      {"file system without locks", "No locks available", {}, failingLock(ENOLCK)},
      {"file system refusing flock", "Invalid argument", {}, failingLock(EINVAL)},
  };
  int number = 0;
  for (const UnlockableCase& c : cases) {
    SCOPED_TRACE(c.name);
    const QString directory = m_folder.filePath(QStringLiteral("unlockable-%1").arg(++number));
    if (c.prepare) c.prepare(directory);
    const OwnersFiles owners(directory, destination(QStringLiteral("running-%1.bin").arg(number)));
    BrowsingProfile profile(false, directory, nullptr, c.lock);
    const QString reason = QStringLiteral("profil klasörü kilitlenemedi (%1)").arg(QString::fromLatin1(c.reason));
    EXPECT_EQ(profile.history().persistenceError(), QStringLiteral("Geçmiş bu oturumda kaydedilmiyor: ") + reason + '.');
    EXPECT_EQ(profile.downloads().persistenceError(),
              QStringLiteral("İndirme listesi bu oturumda kaydedilmiyor: ") + reason + '.');
    expectWritesNothing(profile, owners, destination(QStringLiteral("y")),
                        QStringLiteral("Profil klasörü kilitlenemedi (%1); geçmiş ve indirmeler bu oturumda "
                                       "kaydedilmeyecek.")
                            .arg(QString::fromLatin1(c.reason)));
  }
}

// Another Kivo process that opens the profile in a folder and holds it until
// its input is closed.
class HolderProcess {
public:
  explicit HolderProcess(const QString& folder) {
    m_process.setProgram(QStringLiteral(KIVO_PROFILE_HOLDER));
    m_process.setArguments({folder});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
  }
  ~HolderProcess() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.kill();
    m_process.waitForFinished();
  }

  // Its first line, "owner" or "locked-out"; empty when it printed none.
  QString firstLine() {
    const int watchdog = static_cast<int>(ProfileTestSupport::kWatchdog.count());
    while (!m_process.canReadLine()) {
      if (!m_process.waitForReadyRead(watchdog)) return {};
    }
    return QString::fromUtf8(m_process.readLine()).trimmed();
  }
  // Kills it, as a crash would end it, and waits for its end.
  bool crash() {
    m_process.kill();
    return m_process.waitForFinished(static_cast<int>(ProfileTestSupport::kWatchdog.count()));
  }
  // Closes its input and waits for its end; true when it ended well.
  bool finish() {
    m_process.closeWriteChannel();
    const int watchdog = static_cast<int>(ProfileTestSupport::kWatchdog.count());
    return m_process.waitForFinished(watchdog) && m_process.exitStatus() == QProcess::NormalExit &&
           m_process.exitCode() == 0;
  }

private:
  QProcess m_process;
};

TEST_F(ProfileNetworkTest, TwoProcessesOnOneProfileHaveOneOwner) {
  const QString directory = m_folder.filePath(QStringLiteral("Profile"));
  {
    // The other process owns the profile and has a download running.
    HolderProcess other(directory);
    ASSERT_EQ(other.firstLine(), QStringLiteral("owner"));
    const OwnersFiles owners(directory, destination(QStringLiteral("running.bin")));
    {
      BrowsingProfile profile(false, directory);
      expectWritesNothing(profile, owners, destination(QStringLiteral("y")));
    }
    // The process crashes: the kernel drops its lock, nothing stale remains.
    ASSERT_TRUE(other.crash());
  }
  BrowsingProfile profile(false, directory);
  EXPECT_TRUE(profile.ownsFiles());
  ASSERT_EQ(profile.downloads().entries().size(), 1);
  EXPECT_EQ(profile.downloads().entries()[0].state, State::Interrupted);

  // Now this process owns it, and a second process is the one locked out.
  const OwnersFiles owners(directory, destination(QStringLiteral("second.bin")));
  HolderProcess other(directory);
  EXPECT_EQ(other.firstLine(), QStringLiteral("locked-out"));
  ASSERT_TRUE(other.finish());
  EXPECT_TRUE(owners.untouched());
}

TEST_F(ProfileNetworkTest, PrivateProfilesTakeNoLock) {
  const QString directory = m_folder.filePath(QStringLiteral("Profile"));
  BrowsingProfile privateProfile(true, directory);
  EXPECT_FALSE(QFile::exists(directory));
  BrowsingProfile normal(false, directory);
  EXPECT_TRUE(normal.ownsFiles());
  EXPECT_TRUE(privateProfile.ownsFiles());
  EXPECT_FALSE(privateProfile.takeNotice());
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
    ASSERT_TRUE(runEventsUntil([&] { return finished(store, id); })) << c.name;
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

mode_t permissions(const QString& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
  return info.st_mode & 07777;
}

// A download is private to the user while it fills its staging file; the
// published file gets what a new file of the user gets, also in place of an
// existing one.
TEST_F(ProfileNetworkTest, DownloadsArePrivateWhileRunningAndPublishedWithTheUsersMode) {
  BrowsingProfile profile(false, m_folder.filePath(QStringLiteral("normal")));
  DownloadStore& store = profile.downloads();
  struct Case {
    const char* name;
    mode_t umask;
    std::optional<mode_t> existing;  // the mode of a file already at the destination
    mode_t published;
  };
  const Case cases[] = {
      {"new-022.bin", 022, std::nullopt, 0644},
      {"new-077.bin", 077, std::nullopt, 0600},
      {"new-027.bin", 027, std::nullopt, 0640},
      {"replaces-0644.bin", 022, 0644, 0644},
      {"replaces-0600.bin", 022, 0600, 0644},
      {"replaces-0666.bin", 077, 0666, 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UmaskScope scope(c.umask);
    const QUrl target = destination(QString::fromLatin1(c.name));
    if (c.existing) {
      writeNewFile(target.toLocalFile(), "old");
      ASSERT_EQ(::chmod(QFile::encodeName(target.toLocalFile()).constData(), *c.existing), 0);
    }
    const QUuid id = store.start(address("download"), target);
    ASSERT_TRUE(runEventsUntil([&] { return finished(store, id); }));
    ASSERT_EQ(find(store, id)->state, State::Complete) << find(store, id)->detail.toStdString();
    EXPECT_EQ(permissions(target.toLocalFile()), c.published);
  }

  UmaskScope scope(0);
  const QUrl target = destination(QStringLiteral("running.bin"));
  const QUuid id = store.start(address("slow"), target);
  ASSERT_TRUE(runEventsUntil([&] { return find(store, id)->received > 0; }));
  EXPECT_EQ(permissions(DownloadStore::stagingPath(target, id)), 0600u);
  store.cancel(id);
  ASSERT_TRUE(runEventsUntil([&] { return finished(store, id); }));
  EXPECT_TRUE(stagingFiles().isEmpty());
}

TEST_F(ProfileNetworkTest, EndingAPrivateSessionCancelsDownloadsAndClosesTheTransport) {
  BrowsingProfile profile(true, m_folder.filePath(QStringLiteral("private")));
  profile.history().record(QStringLiteral("https://a.com/"), QStringLiteral("A"), 0);
  const QUrl target = destination(QStringLiteral("private-cancel.bin"));
  const QUuid id = profile.downloads().start(address("slow"), target);
  ASSERT_TRUE(runEventsUntil([&] { return find(profile.downloads(), id)->received > 0; }));
  profile.endPrivateSession();
  EXPECT_TRUE(profile.history().entries().isEmpty());
  ASSERT_TRUE(runEventsUntil([&] { return finished(profile.downloads(), id); }));
  EXPECT_EQ(find(profile.downloads(), id)->state, State::Cancelled);
  EXPECT_EQ(find(profile.downloads(), id)->detail, QString());
  EXPECT_FALSE(QFile::exists(target.toLocalFile()));
  EXPECT_TRUE(stagingFiles().isEmpty());
  ASSERT_TRUE(runEventsUntil([&] { return profile.privateSessionClosed(); }));
  EXPECT_EQ(profile.cache()->statistics().count, 0);
  EXPECT_THROW(profile.network()->page(address("download")), NetworkError);
  profile.endPrivateSession();  // a second end finds nothing to do
  EXPECT_TRUE(runEventsUntil([&] { return profile.privateSessionClosed(); }));
}

}  // namespace
