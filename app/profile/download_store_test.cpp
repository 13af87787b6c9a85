#include "profile/download_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>

#include "base/bridge_error.h"
#include "network/network_error.h"
#include "network/network_transport.h"
#include "platform/temporary_folder.h"
#include "profile/profile_files.h"
#include "profile/profile_test_support.h"
#include "profile/quarantine.h"

namespace {

const QString kRefusal = QStringLiteral(
    "En fazla dört indirme aynı anda çalışabilir; yalnızca HTTP/HTTPS adresleri desteklenir.");
const QString kMismatch = QStringLiteral(
    "İndirilen güncellemenin boyutu veya SHA-256 özeti beklenen değerle eşleşmedi. Dosya kaydedilmedi.");

using State = DownloadEntry::State;

QByteArray contents(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

using ProfileTestSupport::runEventsUntil;

// The files that loads have kept aside beside `path`.
QStringList keptAside(const QString& path) {
  const QFileInfo info(path);
  return QDir(info.absolutePath()).entryList({info.fileName() + QStringLiteral(".bad*")}, QDir::AllEntries | QDir::Hidden);
}

DownloadEntry entry(State state, const QString& name = QStringLiteral("f.bin")) {
  DownloadEntry made;
  made.id = QUuid::createUuid();
  made.address = QStringLiteral("https://example.com/") + name;
  made.destination = QUrl::fromLocalFile(QStringLiteral("/tmp/") + name);
  made.startedAt = 700000000.5;
  made.state = state;
  return made;
}

// Raises its signal when the thread that made it ends: after a job's worker
// has handed the job's end to the main thread.
struct ThreadEnd {
  ProfileTestSupport::Signal* signal;
  ~ThreadEnd() { signal->raise(); }
};

// A transfer the test steers: it writes `body` to the staging file, reports
// progress, and then either returns, throws, or waits for its stop request or
// its release.
struct FakeTransfer {
  QByteArray body = "downloaded bytes";
  QUrl finalUrl = QUrl(QStringLiteral("https://cdn.example.com/final.bin"));
  std::optional<QString> error;  // thrown as BridgeError after the body is written
  bool waitForStop = false;
  std::atomic<int> started{0};
  ProfileTestSupport::Signal workerEnded;  // raised when the worker of the last transfer has ended

  // Lets every waiting transfer, and every later one, return.
  void release() {
    {
      std::lock_guard lock(m_mutex);
      m_released = true;
    }
    m_changed.notify_all();
  }

  DownloadStore::Transfer function() {
    return [this](const QUrl&, const QString& staging, const std::optional<QString>&, const std::optional<qint64>&,
                  const DownloadStore::ProgressFunction& progress, std::stop_token stop) -> QUrl {
      ++started;
      thread_local ThreadEnd end{&workerEnded};
      QFile file(staging);
      if (!file.open(QIODevice::WriteOnly)) throw BridgeError(QStringLiteral("İndirme geçici dosyası oluşturulamadı."));
      file.write(body);
      file.close();
      progress(body.size(), -1);
      if (waitForStop) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, stop, [this] { return m_released; });
        if (stop.stop_requested()) throw NetworkError::cancellation();
      }
      if (error) throw BridgeError(*error);
      return finalUrl;
    };
  }

private:
  std::mutex m_mutex;
  std::condition_variable_any m_changed;
  bool m_released = false;
};

class DownloadStoreTest : public testing::Test {
protected:
  TemporaryFolder m_folder{QStringLiteral("kivo-download-test-")};
  QString m_list = m_folder.filePath(QStringLiteral("Profile/downloads.json"));
  std::shared_ptr<NetworkTransport> m_network = std::make_shared<NetworkTransport>();

  QUrl destination(const QString& name) const { return QUrl::fromLocalFile(m_folder.filePath(name)); }
  QStringList stagingFiles() const {
    return QDir(m_folder.path()).entryList({QStringLiteral("*.download")}, QDir::Files | QDir::Hidden);
  }
  const DownloadEntry* find(const DownloadStore& store, const QUuid& id) const {
    for (const DownloadEntry& candidate : store.entries()) {
      if (candidate.id == id) return &candidate;
    }
    return nullptr;
  }
  bool finished(const DownloadStore& store, const QUuid& id) const {
    const DownloadEntry* found = find(store, id);
    return found && found->isFinished();
  }
};

TEST_F(DownloadStoreTest, FileFormatIsExact) {
  DownloadEntry made;
  made.id = QUuid::fromString(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
  made.address = QStringLiteral("https://a.com/f.zip");
  made.destination = QUrl::fromLocalFile(QStringLiteral("/home/u/İndirilenler/a b.zip"));
  made.startedAt = 786000000.25;
  made.received = 10;
  made.expected = -1;
  made.state = State::Failed;
  made.detail = QStringLiteral("Sunucu \"hata\"");
  EXPECT_EQ(DownloadStore::encode({made}),
            R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"https:\/\/a.com\/f.zip",)"
            R"("destination":"file:\/\/\/home\/u\/%C4%B0ndirilenler\/a%20b.zip","startedAt":786000000.25,)"
            R"("received":10,"expected":-1,"state":"failed","detail":"Sunucu \"hata\""}])");
}

TEST_F(DownloadStoreTest, StatusTextsFollowTheState) {
  const std::vector<std::pair<State, QString>> cases = {
      {State::Running, QStringLiteral("İndiriliyor")},
      {State::Complete, QStringLiteral("Tamamlandı")},
      {State::Cancelled, QStringLiteral("İptal edildi")},
      {State::Failed, QStringLiteral("İndirilemedi")},
      {State::Interrupted, QStringLiteral("Uygulama kapanırken kesildi")},
  };
  for (const auto& [state, text] : cases) EXPECT_EQ(entry(state).status(), text);
}

TEST_F(DownloadStoreTest, SavedListReadsBackWithRunningEntriesInterrupted) {
  QList<DownloadEntry> entries = {entry(State::Running, QStringLiteral("a")), entry(State::Complete, QStringLiteral("b")),
                                  entry(State::Failed, QStringLiteral("c"))};
  entries[0].destination = destination(QStringLiteral("a"));
  entries[0].received = 5;
  entries[0].expected = 9;
  entries[2].detail = QStringLiteral("neden");
  const QByteArray text = DownloadStore::encode(entries);
  ProfileFiles::write(text, m_list);
  const QString staging = DownloadStore::stagingPath(entries[0].destination, entries[0].id);
  writeBytes(staging, "partial");

  DownloadStore store(m_network, m_list);
  ASSERT_EQ(store.entries().size(), 3);
  EXPECT_EQ(store.entries()[0].state, State::Interrupted);
  EXPECT_EQ(store.entries()[0].status(), QStringLiteral("Uygulama kapanırken kesildi"));
  EXPECT_EQ(store.entries()[0].received, 5);
  EXPECT_EQ(store.entries()[0].expected, 9);
  EXPECT_EQ(store.entries()[1].state, State::Complete);
  EXPECT_EQ(store.entries()[2].detail, QStringLiteral("neden"));
  EXPECT_EQ(store.entries()[1].id, entries[1].id);
  EXPECT_EQ(store.entries()[1].destination, entries[1].destination);
  EXPECT_FALSE(QFile::exists(staging));
  // The file says "interrupted" as soon as the store is open, so that no
  // other reader shows the download as still running.
  EXPECT_EQ(contents(m_list), DownloadStore::encode(store.entries()));
  EXPECT_FALSE(contents(m_list).contains("\"running\""));
  EXPECT_FALSE(store.persistenceError());
  // A list without running entries is not rewritten by opening it (a save
  // would drop the line feed).
  const QByteArray settled = QByteArray(text).replace("\"running\"", "\"cancelled\"") + "\n";
  ProfileFiles::write(settled, m_list);
  DownloadStore quiet(m_network, m_list);
  EXPECT_EQ(quiet.entries().size(), 3);
  EXPECT_EQ(contents(m_list), settled);
}

struct HostileList {
  const char* name;
  QByteArray element;
  bool accepted;
};

// Names the case wherever the framework shows it, instead of its bytes.
void PrintTo(const HostileList& c, std::ostream* out) {
  *out << c.name;
}

QByteArray listElement(const char* id, const char* destination, const char* received, const char* state,
                       bool detail = true, const char* startedAt = "1") {
  QByteArray text = QByteArray(R"({"id":")") + id + R"(","address":"https://a","destination":")" + destination +
                    R"(","startedAt":)" + startedAt + R"(,"received":)" + received + R"(,"expected":-1,"state":")" +
                    state + "\"";
  if (detail) text += R"(,"detail":"")";
  return text + "}";
}

const char* const kId = "0F8FAD5B-D9CB-469F-A165-70867728950E";

// A finished entry with the given address and destination texts.
QByteArray elementWith(const QByteArray& address, const QByteArray& destination) {
  return QByteArray(R"({"id":")") + kId + R"(","address":")" + address + R"(","destination":")" + destination +
         R"(","startedAt":1,"received":0,"expected":-1,"state":"failed","detail":""})";
}

// An address of `bytes` UTF-8 bytes.
QByteArray addressOf(qsizetype bytes) {
  const QByteArray head = "https://a.com/";
  return head + QByteArray(bytes - head.size(), 'a');
}

// A file URL of a path of `bytes` UTF-8 bytes whose last component takes
// `nameBytes` of them, two-byte letters included.
QByteArray destinationOf(qsizetype bytes, qsizetype nameBytes) {
  const QByteArray name = "\xC3\xA7" + QByteArray(nameBytes - 2, 'n');
  QByteArray path;
  while (path.size() + 1 + name.size() < bytes) path += "/" + QByteArray(std::min<qsizetype>(200, bytes - path.size() - name.size() - 2), 'd');
  path += "/" + name;
  return QUrl::fromLocalFile(QString::fromUtf8(path)).toString(QUrl::FullyEncoded).toUtf8();
}

const HostileList kHostileLists[] = {
    {"valid", listElement(kId, "file:\\/\\/\\/tmp\\/x", "0", "complete"), true},
    {"lower_case_id", listElement("0f8fad5b-d9cb-469f-a165-70867728950e", "file:///tmp/x", "0", "failed"), true},
    {"started_in_1970", listElement(kId, "file:///tmp/x", "0", "failed", true, "-978307200"), true},
    {"braced_id", listElement("{0F8FAD5B-D9CB-469F-A165-70867728950E}", "file:///tmp/x", "0", "failed"), false},
    {"unknown_state", listElement(kId, "file:///tmp/x", "0", "paused"), false},
    {"capitalised_state", listElement(kId, "file:///tmp/x", "0", "Complete"), false},
    {"missing_detail", listElement(kId, "file:///tmp/x", "0", "complete", false), false},
    {"fractional_count", listElement(kId, "file:///tmp/x", "1.5", "complete"), false},
    {"count_beyond_64_bits", listElement(kId, "file:///tmp/x", "9223372036854775808", "complete"), false},
    {"web_destination", listElement(kId, "https://a.com/x", "0", "complete"), false},
    {"relative_destination", listElement(kId, "file:x", "0", "complete"), false},
    {"bare_path_destination", listElement(kId, "/tmp/x", "0", "complete"), false},
    {"remote_file_host", listElement(kId, "file://server/x", "0", "complete"), false},
    {"destination_not_a_url", listElement(kId, "::", "0", "complete"), false},
    {"started_1e300", listElement(kId, "file:///tmp/x", "0", "complete", true, "1e300"), false},
    {"started_before_1970", listElement(kId, "file:///tmp/x", "0", "complete", true, "-978307201"), false},
    {"started_in_the_year_10000", listElement(kId, "file:///tmp/x", "0", "complete", true, "252423993600"), false},
    {"address_of_65536_bytes", elementWith(addressOf(65'536), "file:///tmp/x"), true},
    {"address_of_65537_bytes", elementWith(addressOf(65'537), "file:///tmp/x"), false},
    {"address_of_three_mebibytes", elementWith(addressOf(3 << 20), "file:///tmp/x"), false},
    {"path_of_4096_bytes", elementWith("https://a", destinationOf(4'096, 255)), true},
    {"path_of_4097_bytes", elementWith("https://a", destinationOf(4'097, 255)), false},
    {"name_of_256_bytes", elementWith("https://a", destinationOf(300, 256)), false},
};

class HostileDownloadList : public DownloadStoreTest, public testing::WithParamInterface<HostileList> {};

TEST_P(HostileDownloadList, LoadsWhatIsValidAndKeepsTheRestAside) {
  const HostileList& c = GetParam();
  const QByteArray text = "[" + c.element + "]";
  ProfileFiles::write(text, m_list);
  DownloadStore store(m_network, m_list);
  EXPECT_EQ(store.entries().size(), c.accepted ? 1 : 0);
  EXPECT_FALSE(store.persistenceError());
  EXPECT_EQ(keptAside(m_list).size(), c.accepted ? 0 : 1);
  EXPECT_EQ(QFile::exists(m_list), c.accepted);
  if (c.accepted) {
    EXPECT_FALSE(store.keptAside());
    EXPECT_EQ(contents(m_list), text);
  } else {
    ASSERT_TRUE(store.keptAside());
    EXPECT_EQ(QFileInfo(*store.keptAside()).fileName(), keptAside(m_list).value(0));
    EXPECT_EQ(contents(*store.keptAside()), text);
  }
}

TEST_F(DownloadStoreTest, ALongDetailIsCutWhenRead) {
  DownloadEntry failed = entry(State::Failed);
  failed.detail = QString(3'000'000, QLatin1Char('e'));
  ProfileFiles::write(DownloadStore::encode({failed}), m_list);
  DownloadStore store(m_network, m_list);
  ASSERT_EQ(store.entries().size(), 1);
  EXPECT_EQ(store.entries()[0].detail, QString(DownloadEntry::kDetailLimit, QLatin1Char('e')));
}

INSTANTIATE_TEST_SUITE_P(Lists, HostileDownloadList, testing::ValuesIn(kHostileLists),
                         [](const testing::TestParamInfo<HostileList>& info) { return std::string(info.param.name); });

// A start that the reader would refuse must not cost the user the rest of the
// list: before, the entry was saved, and the next start sent the whole file
// aside.
TEST_F(DownloadStoreTest, AStartTheReaderWouldRefuseFailsAndIsNeverSaved) {
  const QString kept = QStringLiteral("İndirme başlatılamadı: hedef, yerel bir dosyanın tam yolu değil.");
  FakeTransfer fake;
  DownloadStore store(m_network, m_list);
  store.setTransfer(fake.function());
  store.start(QUrl(QStringLiteral("ftp://a.com/first")), destination(QStringLiteral("first")));
  const QList<QUrl> refused = {QUrl(m_folder.filePath(QStringLiteral("bare"))), QUrl(QStringLiteral("https://a.com/x")),
                               QUrl(QStringLiteral("file:relative")), QUrl(QStringLiteral("file://server/x")),
                               QUrl::fromLocalFile(m_folder.filePath(QStringLiteral("f"))).resolved(QUrl(QStringLiteral("#part")))};
  for (const QUrl& target : refused) {
    const QUuid id = store.start(QUrl(QStringLiteral("https://a.com/file")), target);
    ASSERT_NE(find(store, id), nullptr) << target.toString().toStdString();
    EXPECT_EQ(find(store, id)->state, State::Failed) << target.toString().toStdString();
    EXPECT_EQ(find(store, id)->detail, kept) << target.toString().toStdString();
  }
  const QUuid longName = store.start(QUrl(QStringLiteral("https://a.com/file")), destination(QString(256, QLatin1Char('n'))));
  EXPECT_EQ(find(store, longName)->detail, kept);
  const QUuid longAddress = store.start(QUrl(QString::fromLatin1(addressOf(65'537))), destination(QStringLiteral("long")));
  EXPECT_EQ(find(store, longAddress)->state, State::Failed);
  EXPECT_EQ(find(store, longAddress)->detail, QStringLiteral("İndirme başlatılamadı: adres çok uzun."));
  EXPECT_EQ(fake.started.load(), 0);
  EXPECT_FALSE(store.persistenceError());
  store.start(QUrl(QStringLiteral("ftp://a.com/last")), destination(QStringLiteral("last")));
  DownloadStore next(m_network, m_list);
  ASSERT_EQ(next.entries().size(), 2);
  EXPECT_EQ(next.entries()[0].address, QStringLiteral("ftp://a.com/last"));
  EXPECT_EQ(next.entries()[1].address, QStringLiteral("ftp://a.com/first"));
  EXPECT_TRUE(keptAside(m_list).isEmpty());
}

// Something is at the list's place that cannot be read. It may hold the
// user's whole list, so the store must never replace it.
TEST_F(DownloadStoreTest, AListThatCannotBeReadIsNeverReplaced) {
  struct Case {
    const char* name;
    std::function<void(const QString&)> make;
    std::function<bool(const QString&)> unchanged;
  };
  const std::vector<Case> cases = {
      {"folder", [](const QString& path) { ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/inside"))); },
       [](const QString& path) { return QFileInfo::exists(path + QStringLiteral("/inside")); }},
      {"fifo", [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
       [](const QString& path) {
         struct stat info {};
         return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
       }},
      {"symbolic link loop",
       [](const QString& path) { ASSERT_EQ(::symlink("downloads.json", QFile::encodeName(path).constData()), 0); },
       [](const QString& path) { return QFileInfo(path).symLinkTarget() == path; }},
  };
  for (const Case& c : cases) {
    TemporaryFolder folder(QStringLiteral("kivo-download-test-"));
    const QString path = folder.filePath(QStringLiteral("downloads.json"));
    c.make(path);
    DownloadStore store(m_network, path);
    EXPECT_TRUE(store.entries().isEmpty()) << c.name;
    ASSERT_TRUE(store.persistenceError()) << c.name;
    EXPECT_TRUE(store.persistenceError()->startsWith(QStringLiteral("İndirme listesi okunamadı: "))) << c.name;
    EXPECT_FALSE(store.savesToFile()) << c.name;
    store.start(QUrl(QStringLiteral("ftp://a.com/x")), destination(QStringLiteral("x")));
    store.clearFinished();
    store.start(QUrl(QStringLiteral("ftp://a.com/y")), destination(QStringLiteral("y")));
    EXPECT_EQ(store.entries().size(), 1) << c.name;
    EXPECT_TRUE(c.unchanged(path)) << c.name;
    EXPECT_TRUE(store.persistenceError()->startsWith(QStringLiteral("İndirme listesi okunamadı: "))) << c.name;
    EXPECT_TRUE(keptAside(path).isEmpty()) << c.name;
  }
}

// The list of another process: its running downloads are that process's jobs.
TEST_F(DownloadStoreTest, AReadOnlyStoreLeavesTheOwnersDownloadsAlone) {
  DownloadEntry theirs = entry(State::Running);
  theirs.destination = destination(QStringLiteral("theirs.bin"));
  const QByteArray text = DownloadStore::encode({theirs, entry(State::Complete)});
  ProfileFiles::write(text, m_list);
  const QString theirStaging = DownloadStore::stagingPath(theirs.destination, theirs.id);
  writeBytes(theirStaging, "partial");

  FakeTransfer fake;
  fake.waitForStop = true;
  {
    DownloadStore store(m_network, m_list, ProfileFiles::Access::ReadOnly);
    store.setTransfer(fake.function());
    ASSERT_EQ(store.entries().size(), 2);
    EXPECT_EQ(store.entries()[0].state, State::Running);
    EXPECT_TRUE(QFile::exists(theirStaging));
    EXPECT_EQ(store.persistenceError(),
              QStringLiteral("İndirme listesi bu oturumda kaydedilmiyor: profil başka bir Kivo sürecinde açık."));
    // Its own download runs, in memory only.
    const QUuid mine = store.start(QUrl(QStringLiteral("https://a.com/mine")), destination(QStringLiteral("mine.bin")));
    ASSERT_TRUE(runEventsUntil([&] { return find(store, mine)->received > 0; }));
    store.clearFinished();
    store.shutdown();
    EXPECT_FALSE(QFile::exists(DownloadStore::stagingPath(destination(QStringLiteral("mine.bin")), mine)));
    EXPECT_TRUE(QFile::exists(theirStaging));
    EXPECT_EQ(contents(m_list), text);
  }
  // A list it refuses stays where it is for its owner.
  ProfileFiles::write("not json", m_list);
  DownloadStore refusing(m_network, m_list, ProfileFiles::Access::ReadOnly);
  EXPECT_TRUE(refusing.entries().isEmpty());
  EXPECT_EQ(contents(m_list), "not json");
  EXPECT_TRUE(keptAside(m_list).isEmpty());
}

TEST_F(DownloadStoreTest, AListCutToFitItsFileSaysHowManyEntriesWereLeftOut) {
  // A list that fills the file but for 50,000 bytes: large entries behind one
  // whose address takes up the rest.
  const auto withAddress = [](qsizetype length) {
    DownloadEntry made = entry(State::Failed);
    made.address = QStringLiteral("https://a.com/") + QString(length, QLatin1Char('x'));
    return made;
  };
  constexpr qint64 kRoom = 50'000;
  const qint64 large = DownloadStore::encode({withAddress(60'000)}).size() - 2;
  const qint64 bare = DownloadStore::encode({withAddress(0)}).size() - 2;
  const qsizetype count = static_cast<qsizetype>((DownloadStore::kFileLimit - kRoom - 2 - bare) / (large + 1));
  const qint64 filler = DownloadStore::kFileLimit - kRoom - 2 - count * (large + 1);
  QList<DownloadEntry> entries = {withAddress(filler - bare)};
  for (qsizetype i = 0; i < count; ++i) entries.append(withAddress(60'000));
  const QByteArray text = DownloadStore::encode(entries);
  ASSERT_EQ(text.size(), DownloadStore::kFileLimit - kRoom);
  ProfileFiles::write(text, m_list);
  DownloadStore store(m_network, m_list);
  ASSERT_EQ(store.entries().size(), count + 1);

  // A new entry larger than the room left: the oldest one no longer fits.
  store.start(QUrl(QStringLiteral("ftp://a.com/") + QString(60'000, QLatin1Char('y'))), destination(QStringLiteral("y")));
  EXPECT_EQ(store.entries().size(), count + 2);
  EXPECT_EQ(store.persistenceError(),
            QStringLiteral("İndirme listesi dosyası boyut sınırına ulaştı; en eski 1 kayıt dosyaya yazılmadı."));
  DownloadStore reopened(m_network, m_list);
  ASSERT_EQ(reopened.entries().size(), count + 1);
  EXPECT_EQ(reopened.entries().first().id, store.entries().first().id);

  // Once the list fits again, the message goes.
  store.remove(store.entries().last().id);
  EXPECT_FALSE(store.persistenceError());
}

TEST_F(DownloadStoreTest, SizeLimitIsFourMebibytesInclusive) {
  QByteArray text = DownloadStore::encode({entry(State::Complete)});
  text.append(QByteArray(DownloadStore::kFileLimit - text.size(), '\n'));
  ProfileFiles::write(text, m_list);
  EXPECT_EQ(DownloadStore(m_network, m_list).entries().size(), 1);
  text.append('\n');
  ProfileFiles::write(text, m_list);
  EXPECT_TRUE(DownloadStore(m_network, m_list).entries().isEmpty());
}

TEST_F(DownloadStoreTest, LoadKeepsFirst500AndCleansStagingOfEveryRunningEntry) {
  QList<DownloadEntry> entries;
  for (int i = 0; i < 502; ++i) entries.append(entry(State::Complete, QStringLiteral("f%1").arg(i)));
  entries[501].state = State::Running;
  entries[501].destination = destination(QStringLiteral("late.bin"));
  const QString staging = DownloadStore::stagingPath(entries[501].destination, entries[501].id);
  writeBytes(staging, "partial");
  ProfileFiles::write(DownloadStore::encode(entries), m_list);
  DownloadStore store(m_network, m_list);
  ASSERT_EQ(store.entries().size(), 500);
  EXPECT_EQ(store.entries().last().id, entries[499].id);
  EXPECT_FALSE(QFile::exists(staging));
}

TEST_F(DownloadStoreTest, TrimDropsTheOldestFinishedEntriesOnly) {
  struct Case {
    const char* name;
    std::function<QList<DownloadEntry>()> make;
    qsizetype size;
    std::function<bool(const QList<DownloadEntry>&)> expected;
  };
  const auto list = [](State state) {
    QList<DownloadEntry> entries;
    for (int i = 0; i < 501; ++i) entries.append(entry(state));
    return entries;
  };
  QList<DownloadEntry> mixed = list(State::Complete);
  const QUuid oldest = mixed.last().id;
  QList<DownloadEntry> newestFinished = list(State::Running);
  newestFinished[0].state = State::Cancelled;
  const std::vector<Case> cases = {
      {"oldest finished", [&] { return mixed; }, 500,
       [&](const QList<DownloadEntry>& out) { return out.last().id != oldest; }},
      {"newest is the only finished", [&] { return newestFinished; }, 500,
       [](const QList<DownloadEntry>& out) { return out.first().state == State::Running; }},
      {"all running", [&] { return list(State::Running); }, 501,
       [](const QList<DownloadEntry>&) { return true; }},
  };
  for (const Case& c : cases) {
    QList<DownloadEntry> entries = c.make();
    DownloadStore::trim(entries);
    EXPECT_EQ(entries.size(), c.size) << c.name;
    EXPECT_TRUE(c.expected(entries)) << c.name;
  }
}

TEST_F(DownloadStoreTest, RemoveAndClearFinishedKeepRunningEntriesAndFiles) {
  DownloadEntry running = entry(State::Running);
  running.destination = destination(QStringLiteral("running.bin"));
  DownloadEntry done = entry(State::Complete);
  done.destination = destination(QStringLiteral("done.bin"));
  writeBytes(done.destination.toLocalFile(), "kept");
  FakeTransfer fake;
  fake.waitForStop = true;
  DownloadStore store(m_network, m_list);
  store.setTransfer(fake.function());
  const QUuid runningId = store.start(QUrl(QStringLiteral("https://a.com/r")), destination(QStringLiteral("r.bin")));
  ProfileFiles::write(DownloadStore::encode({done}), m_folder.filePath(QStringLiteral("other.json")));
  DownloadStore other(m_network, m_folder.filePath(QStringLiteral("other.json")));

  QFile::remove(m_list);
  store.remove(runningId);
  EXPECT_EQ(store.entries().size(), 1);
  EXPECT_TRUE(QFile::exists(m_list)) << "a refused removal still saves";

  other.remove(done.id);
  EXPECT_TRUE(other.entries().isEmpty());
  EXPECT_EQ(contents(done.destination.toLocalFile()), "kept");

  store.cancel(runningId);
  ASSERT_TRUE(runEventsUntil([&] { return finished(store, runningId); }));
  store.start(QUrl(QStringLiteral("ftp://a.com/x")), destination(QStringLiteral("x")));
  fake.release();
  const QUuid third = store.start(QUrl(QStringLiteral("https://a.com/y")), destination(QStringLiteral("y")));
  store.clearFinished();
  ASSERT_EQ(store.entries().size(), 1);
  EXPECT_EQ(store.entries()[0].id, third);
  ASSERT_TRUE(runEventsUntil([&] { return store.runningJobs() == 0; }));
}

TEST_F(DownloadStoreTest, FailedSavesShowAnErrorUntilTheNextSuccess) {
  QFile blocker(m_folder.filePath(QStringLiteral("Profile")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  DownloadStore store(m_network, m_list);
  store.start(QUrl(QStringLiteral("ftp://a.com/x")), destination(QStringLiteral("x")));
  ASSERT_TRUE(store.persistenceError());
  EXPECT_TRUE(store.persistenceError()->startsWith(QStringLiteral("İndirme listesi kaydedilemedi: ")));
  EXPECT_EQ(store.entries().size(), 1);
  ASSERT_TRUE(blocker.remove());
  store.clearFinished();
  EXPECT_FALSE(store.persistenceError());

  DownloadStore memory(m_network);
  memory.start(QUrl(QStringLiteral("ftp://a.com/x")), destination(QStringLiteral("x")));
  memory.clearFinished();
  EXPECT_FALSE(memory.persistenceError());
}

TEST_F(DownloadStoreTest, CompletedDownloadIsMarkedAndPublished) {
  FakeTransfer fake;
  DownloadStore store(m_network, m_list);
  store.setTransfer(fake.function());
  const QUrl target = destination(QStringLiteral("file.bin"));
  writeBytes(target.toLocalFile(), "existing file");
  const QUuid id = store.start(QUrl(QStringLiteral("https://example.com/file")), target);
  ASSERT_EQ(store.entries()[0].state, State::Running);
  EXPECT_EQ(store.entries()[0].address, QStringLiteral("https://example.com/file"));
  // The running entry is in the file before any byte arrives.
  EXPECT_TRUE(contents(m_list).contains("\"state\":\"running\""));
  ASSERT_TRUE(runEventsUntil([&] { return finished(store, id); }));
  const DownloadEntry* done = find(store, id);
  EXPECT_EQ(done->state, State::Complete);
  EXPECT_EQ(done->detail, QString());
  EXPECT_EQ(done->received, fake.body.size());
  EXPECT_EQ(done->expected, -1);
  EXPECT_EQ(contents(target.toLocalFile()), fake.body);
  EXPECT_EQ(Quarantine::read(target.toLocalFile(), Quarantine::kOriginAttribute),
            QByteArray("https://cdn.example.com/final.bin"));
  const std::optional<QByteArray> mark = Quarantine::read(target.toLocalFile(), Quarantine::kQuarantineAttribute);
  ASSERT_TRUE(mark);
  EXPECT_TRUE(mark->startsWith(R"({"LSQuarantineAgentName":"Kivo","LSQuarantineType":"LSQuarantineTypeWebDownload",)"
                               R"("LSQuarantineDataURL":"https:\/\/cdn.example.com\/final.bin","LSQuarantineTimeStamp":)"));
  EXPECT_TRUE(stagingFiles().isEmpty());
  EXPECT_EQ(store.runningJobs(), 0);
  DownloadStore reopened(m_network, m_list);
  ASSERT_FALSE(reopened.entries().isEmpty());
  EXPECT_EQ(reopened.entries()[0].state, State::Complete);
}

TEST_F(DownloadStoreTest, FailedTransferPublishesNothingAndKeepsTheOldFile) {
  FakeTransfer fake;
  fake.error = kMismatch;
  DownloadStore store(m_network, m_list);
  store.setTransfer(fake.function());
  const QUrl target = destination(QStringLiteral("file.bin"));
  writeBytes(target.toLocalFile(), "existing file");
  const QUuid id = store.start(QUrl(QStringLiteral("https://example.com/file")), target, QString(64, QLatin1Char('0')));
  ASSERT_TRUE(runEventsUntil([&] { return finished(store, id); }));
  EXPECT_EQ(find(store, id)->state, State::Failed);
  EXPECT_EQ(find(store, id)->detail, kMismatch);
  EXPECT_EQ(contents(target.toLocalFile()), "existing file");
  EXPECT_TRUE(stagingFiles().isEmpty());
}

TEST_F(DownloadStoreTest, CancellingARunningDownloadLeavesNoFiles) {
  FakeTransfer fake;
  fake.waitForStop = true;
  DownloadStore store(m_network, m_list);
  store.setTransfer(fake.function());
  const QUrl target = destination(QStringLiteral("file.bin"));
  const QUuid id = store.start(QUrl(QStringLiteral("https://example.com/file")), target);
  ASSERT_TRUE(runEventsUntil([&] { return store.entries()[0].received > 0; }));
  store.cancel(QUuid::createUuid());  // no such job: nothing happens
  EXPECT_EQ(store.entries()[0].state, State::Running);
  store.cancel(id);
  ASSERT_TRUE(runEventsUntil([&] { return finished(store, id); }));
  EXPECT_EQ(find(store, id)->state, State::Cancelled);
  EXPECT_EQ(find(store, id)->detail, QString());
  EXPECT_FALSE(QFile::exists(target.toLocalFile()));
  EXPECT_TRUE(stagingFiles().isEmpty());
}

TEST_F(DownloadStoreTest, CancellationAfterTheLastByteStillPublishesNothing) {
  FakeTransfer fake;
  DownloadStore store(m_network, m_list);
  store.setTransfer(fake.function());
  const QUrl target = destination(QStringLiteral("file.bin"));
  const QUuid id = store.start(QUrl(QStringLiteral("https://example.com/file")), target);
  // The whole body arrives and the worker hands the job's end to the main
  // thread, which is busy here; only then is the job cancelled.
  ASSERT_TRUE(fake.workerEnded.wait());
  store.cancel(id);
  ASSERT_TRUE(runEventsUntil([&] { return finished(store, id); }));
  EXPECT_EQ(find(store, id)->state, State::Cancelled);
  EXPECT_FALSE(QFile::exists(target.toLocalFile()));
  EXPECT_TRUE(stagingFiles().isEmpty());
}

TEST_F(DownloadStoreTest, AtMostFourJobsRunAndRefusedStartsFail) {
  FakeTransfer fake;
  fake.waitForStop = true;
  DownloadStore store(m_network, m_list);
  store.setTransfer(fake.function());
  QList<QUuid> ids;
  for (int i = 0; i < 5; ++i) {
    ids.append(store.start(QUrl(QStringLiteral("https://example.com/%1").arg(i)), destination(QStringLiteral("f%1").arg(i))));
  }
  EXPECT_EQ(store.runningJobs(), 4);
  EXPECT_EQ(find(store, ids[4])->state, State::Failed);
  EXPECT_EQ(find(store, ids[4])->detail, kRefusal);
  const QUuid ftp = store.start(QUrl(QStringLiteral("ftp://example.com/x")), destination(QStringLiteral("x")));
  EXPECT_EQ(find(store, ftp)->detail, kRefusal);
  store.cancel(ids[0]);
  ASSERT_TRUE(runEventsUntil([&] { return store.runningJobs() == 3; }));
  const QUuid next = store.start(QUrl(QStringLiteral("https://example.com/n")), destination(QStringLiteral("n")));
  EXPECT_EQ(find(store, next)->state, State::Running);
  EXPECT_EQ(store.runningJobs(), 4);
  store.cancelAll();
  ASSERT_TRUE(runEventsUntil([&] { return store.runningJobs() == 0; }));
  for (const QUuid& id : {ids[1], ids[2], ids[3], next}) EXPECT_EQ(find(store, id)->state, State::Cancelled);
  EXPECT_TRUE(stagingFiles().isEmpty());
}

TEST_F(DownloadStoreTest, ShutdownRemovesStagingFilesAndSavesNothing) {
  FakeTransfer fake;
  fake.waitForStop = true;
  {
    DownloadStore store(m_network, m_list);
    store.setTransfer(fake.function());
    store.start(QUrl(QStringLiteral("https://example.com/file")), destination(QStringLiteral("file.bin")));
    ASSERT_TRUE(runEventsUntil([&] { return store.entries()[0].received > 0; }));
    ASSERT_FALSE(stagingFiles().isEmpty());
    store.shutdown();
    store.shutdown();
    EXPECT_TRUE(stagingFiles().isEmpty());
    EXPECT_EQ(store.entries()[0].state, State::Running);
  }
  EXPECT_TRUE(contents(m_list).contains("\"state\":\"running\""));
  DownloadStore next(m_network, m_list);
  ASSERT_EQ(next.entries().size(), 1);
  EXPECT_EQ(next.entries()[0].state, State::Interrupted);
  EXPECT_FALSE(QFile::exists(m_folder.filePath(QStringLiteral("file.bin"))));
}

struct RecordingPanel : SavePanel {
  std::optional<Request> request;
  QWidget* window = nullptr;
  Completion done;
  void begin(const Request& shown, QWidget* parent, Completion completion) override {
    request = shown;
    window = parent;
    done = std::move(completion);
  }
};

TEST_F(DownloadStoreTest, ChooseDestinationAsksThenStarts) {
  auto panel = std::make_shared<RecordingPanel>();
  FakeTransfer fake;
  DownloadStore store(m_network);
  store.setSavePanel(panel);
  store.setTransfer(fake.function());

  for (const char* refused : {"ftp://example.com/x", "https://user@example.com/x", "file:///etc/hosts"}) {
    store.chooseDestination(QUrl(QString::fromLatin1(refused)), QStringLiteral("x"), nullptr);
    EXPECT_FALSE(panel->request) << refused;
  }

  store.chooseDestination(QUrl(QStringLiteral("https://files.example.com/a")), QStringLiteral("a/b\\c:d\te.zip"), nullptr);
  ASSERT_TRUE(panel->request);
  EXPECT_EQ(panel->request->title, QStringLiteral("Dosyayı indir"));
  EXPECT_EQ(panel->request->message,
            QStringLiteral("files.example.com kaynağından indirilecek. Dosya otomatik açılmaz."));
  EXPECT_EQ(panel->request->fileName, QStringLiteral("a_b_c_d_e.zip"));
  EXPECT_TRUE(panel->request->canCreateDirectories);
  EXPECT_TRUE(store.entries().isEmpty());
  panel->done(std::nullopt);
  EXPECT_TRUE(store.entries().isEmpty());

  store.chooseDestination(QUrl(QStringLiteral("https://files.example.com/a")), QStringLiteral("../evil.zip"), nullptr);
  EXPECT_EQ(panel->request->fileName, QStringLiteral("indirme"));
  panel->done(destination(QStringLiteral("chosen.zip")));
  ASSERT_EQ(store.entries().size(), 1);
  const QUuid id = store.entries()[0].id;
  ASSERT_TRUE(runEventsUntil([&] { return finished(store, id); }));
  EXPECT_EQ(contents(m_folder.filePath(QStringLiteral("chosen.zip"))), fake.body);
}

TEST_F(DownloadStoreTest, RevealPassesOnlyLocalDestinations) {
  DownloadStore store(m_network);
  QList<QUrl> shown;
  store.setRevealHandler([&](const QUrl& url) { shown.append(url); });
  DownloadEntry local = entry(State::Complete);
  store.reveal(local);
  DownloadEntry remote = entry(State::Complete);
  remote.destination = QUrl(QStringLiteral("https://example.com/x"));
  store.reveal(remote);
  EXPECT_EQ(shown, QList<QUrl>{local.destination});
}

}  // namespace
