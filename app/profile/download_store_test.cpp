#include "profile/download_store.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "loading/bridge_error.h"
#include "loading/network_error.h"
#include "loading/network_transport.h"
#include "platform/temporary_folder.h"
#include "profile/profile_files.h"
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

// Runs the main thread's events until `condition` holds or 10 s pass.
bool waitUntil(const std::function<bool()>& condition) {
  QDeadlineTimer deadline(10'000);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
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

// A transfer the test steers: it writes `body` to the staging file, reports
// progress, and then either returns, throws, or waits for its stop request.
struct FakeTransfer {
  QByteArray body = "downloaded bytes";
  QUrl finalUrl = QUrl(QStringLiteral("https://cdn.example.com/final.bin"));
  std::optional<QString> error;  // thrown as BridgeError after the body is written
  bool waitForStop = false;
  std::atomic<int> started{0};
  std::atomic<bool> returned{false};
  std::atomic<bool> release{false};

  DownloadStore::Transfer function() {
    return [this](const QUrl&, const QString& staging, const std::optional<QString>&, const std::optional<qint64>&,
                  const DownloadStore::ProgressFunction& progress, std::stop_token stop) -> QUrl {
      ++started;
      QFile file(staging);
      if (!file.open(QIODevice::WriteOnly)) throw BridgeError(QStringLiteral("İndirme geçici dosyası oluşturulamadı."));
      file.write(body);
      file.close();
      progress(body.size(), -1);
      if (waitForStop) {
        while (!stop.stop_requested() && !release) QThread::msleep(2);
        if (stop.stop_requested()) throw NetworkError::cancellation();
      }
      if (error) throw BridgeError(*error);
      returned = true;
      return finalUrl;
    };
  }
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
  EXPECT_EQ(contents(m_list), text);
  EXPECT_FALSE(store.persistenceError());
}

struct HostileList {
  const char* name;
  QByteArray element;
  bool accepted;
};

TEST_F(DownloadStoreTest, HostileFilesLoadEmptyAndAreKeptAside) {
  const auto element = [](const char* id, const char* destination, const char* received, const char* state,
                          bool detail = true) {
    QByteArray text = QByteArray(R"({"id":")") + id + R"(","address":"https://a","destination":")" + destination +
                      R"(","startedAt":1,"received":)" + received + R"(,"expected":-1,"state":")" + state + "\"";
    if (detail) text += R"(,"detail":"")";
    return text + "}";
  };
  const char* id = "0F8FAD5B-D9CB-469F-A165-70867728950E";
  const std::vector<HostileList> cases = {
      {"valid", element(id, "file:\\/\\/\\/tmp\\/x", "0", "complete"), true},
      {"lower-case id", element("0f8fad5b-d9cb-469f-a165-70867728950e", "file:///tmp/x", "0", "failed"), true},
      {"braced id", element("{0F8FAD5B-D9CB-469F-A165-70867728950E}", "file:///tmp/x", "0", "failed"), false},
      {"unknown state", element(id, "file:///tmp/x", "0", "paused"), false},
      {"capitalised state", element(id, "file:///tmp/x", "0", "Complete"), false},
      {"missing detail", element(id, "file:///tmp/x", "0", "complete", false), false},
      {"fractional count", element(id, "file:///tmp/x", "1.5", "complete"), false},
      {"count beyond 64 bits", element(id, "file:///tmp/x", "9223372036854775808", "complete"), false},
      {"web destination", element(id, "https://a.com/x", "0", "complete"), false},
      {"relative destination", element(id, "file:x", "0", "complete"), false},
      {"remote file host", element(id, "file://server/x", "0", "complete"), false},
      {"destination not a URL", element(id, "::", "0", "complete"), false},
  };
  for (const HostileList& c : cases) {
    QFile::remove(m_list + QStringLiteral(".bad"));
    const QByteArray text = "[" + c.element + "]";
    ProfileFiles::write(text, m_list);
    DownloadStore store(m_network, m_list);
    EXPECT_EQ(store.entries().size(), c.accepted ? 1 : 0) << c.name;
    EXPECT_EQ(QFile::exists(m_list + QStringLiteral(".bad")), !c.accepted) << c.name;
  }
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
  ASSERT_TRUE(waitUntil([&] { return finished(store, runningId); }));
  store.start(QUrl(QStringLiteral("ftp://a.com/x")), destination(QStringLiteral("x")));
  fake.release = true;
  const QUuid third = store.start(QUrl(QStringLiteral("https://a.com/y")), destination(QStringLiteral("y")));
  store.clearFinished();
  ASSERT_EQ(store.entries().size(), 1);
  EXPECT_EQ(store.entries()[0].id, third);
  ASSERT_TRUE(waitUntil([&] { return store.runningJobs() == 0; }));
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
  ASSERT_TRUE(waitUntil([&] { return finished(store, id); }));
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
  ASSERT_TRUE(waitUntil([&] { return finished(store, id); }));
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
  ASSERT_TRUE(waitUntil([&] { return store.entries()[0].received > 0; }));
  store.cancel(QUuid::createUuid());  // no such job: nothing happens
  EXPECT_EQ(store.entries()[0].state, State::Running);
  store.cancel(id);
  ASSERT_TRUE(waitUntil([&] { return finished(store, id); }));
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
  // The transfer ends on its worker while the main thread is busy here.
  QDeadlineTimer deadline(10'000);
  while (!fake.returned && !deadline.hasExpired()) QThread::msleep(1);
  QThread::msleep(50);
  store.cancel(id);
  ASSERT_TRUE(waitUntil([&] { return finished(store, id); }));
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
  ASSERT_TRUE(waitUntil([&] { return store.runningJobs() == 3; }));
  const QUuid next = store.start(QUrl(QStringLiteral("https://example.com/n")), destination(QStringLiteral("n")));
  EXPECT_EQ(find(store, next)->state, State::Running);
  EXPECT_EQ(store.runningJobs(), 4);
  store.cancelAll();
  ASSERT_TRUE(waitUntil([&] { return store.runningJobs() == 0; }));
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
    ASSERT_TRUE(waitUntil([&] { return !stagingFiles().isEmpty(); }));
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
  ASSERT_TRUE(waitUntil([&] { return finished(store, id); }));
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
