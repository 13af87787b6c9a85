#include "profile/history_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>

#include <functional>
#include <mutex>
#include <ostream>

#include "base/decoding_error.h"
#include "platform/system_error.h"
#include "platform/temporary_folder.h"
#include "profile/profile_files.h"
#include "profile/profile_test_support.h"

namespace {

const QString kIdText = QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E");

QByteArray contents(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

// A file of `count` valid visits, newest first, ids counting up.
QByteArray visitsText(int count) {
  QList<HistoryEntry> entries;
  for (int i = 0; i < count; ++i) {
    entries.append(HistoryEntry{QUuid::createUuid(), QStringLiteral("https://e.com/%1").arg(i), QStringLiteral("T%1").arg(i),
                                1000.0 - i});
  }
  return HistoryStore::encode(entries);
}

// The files that loads have kept aside beside `path`, oldest first.
QStringList keptAside(const QString& path) {
  const QFileInfo info(path);
  return QDir(info.absolutePath())
      .entryList({info.fileName() + QStringLiteral(".bad*")}, QDir::AllEntries | QDir::Hidden, QDir::Name);
}

const QString kUnreadable = QStringLiteral("Geçmiş dosyası okunamadı: ");

class HistoryStoreTest : public testing::Test {
protected:
  TemporaryFolder m_folder{QStringLiteral("kivo-history-test-")};
  QString m_path = m_folder.filePath(QStringLiteral("Profile/history.json"));

  void writeFile(const QByteArray& text) { ProfileFiles::write(text, m_path); }
};

TEST_F(HistoryStoreTest, FileFormatIsExact) {
  const HistoryEntry entry{QUuid::fromString(kIdText), QStringLiteral("https://a.com/x?q=1"), QStringLiteral("Başlık \"1\""),
                           786000000.5};
  EXPECT_EQ(HistoryStore::encode({entry}),
            R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"https:\/\/a.com\/x?q=1",)"
            R"("title":"Ba)" "\xC5\x9F" R"(l)" "\xC4\xB1" R"(k \"1\"","visitedAt":786000000.5}])");
  EXPECT_EQ(HistoryStore::encode({}), "[]");
}

TEST_F(HistoryStoreTest, SavedVisitsReadBackInOrder) {
  HistoryStore store(m_path);
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), 0);
  store.record(QStringLiteral("HTTPS://B.COM/"), QStringLiteral("B"), 0);
  store.flush();
  HistoryStore reopened(m_path);
  ASSERT_EQ(reopened.entries().size(), 2);
  EXPECT_EQ(reopened.entries()[0].address, QStringLiteral("HTTPS://B.COM/"));
  EXPECT_EQ(reopened.entries()[1].address, QStringLiteral("https://a.com/"));
  EXPECT_EQ(reopened.entries()[0].id, store.entries()[0].id);
  EXPECT_EQ(reopened.entries()[0].visitedAt, store.entries()[0].visitedAt);
  EXPECT_NE(reopened.entries()[0].id, reopened.entries()[1].id);
  EXPECT_FALSE(reopened.persistenceError());
}

struct HostileFile {
  const char* name;
  QByteArray text;
  int loaded;  // visits expected; 0 for a refused file, which is kept aside
};

// Names the case wherever the framework shows it, instead of its bytes.
void PrintTo(const HostileFile& c, std::ostream* out) {
  *out << c.name;
}

const QByteArray kGoodVisit =
    R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","address":"https://a","title":"t","visitedAt":5})";

// One visit whose date is the given JSON number text.
QByteArray visitDated(const char* date) {
  return QByteArray(R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"a","title":"","visitedAt":)") + date + "}]";
}

// One visit with the given address and title.
QByteArray visitWith(const QByteArray& address, const QByteArray& title) {
  return R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":")" + address + R"(","title":")" + title +
         R"(","visitedAt":1}])";
}

// An address of `bytes` UTF-8 bytes, ending in two-byte letters where it can.
QByteArray addressOf(qsizetype bytes) {
  const QByteArray head = "https://a.com/";
  const qsizetype rest = bytes - head.size();
  return head + QByteArray(rest % 2, 'a') + QByteArray(rest / 2 * 2, '\0').replace(QByteArray(2, '\0'), "\xC3\xA7");
}

const HostileFile kHostileFiles[] = {
    {"lower_case_id_and_extra_member", "[" + kGoodVisit.chopped(1) + R"(,"extra":[1,{"x":2}]})" + "]", 1},
    {"integer_date", "[" + kGoodVisit + "]", 1},
    {"first_moment_of_1970", visitDated("-978307200"), 1},
    {"last_moment_of_9999", visitDated("252423993599.999"), 1},
    {"not_json", "not json", 0},
    {"truncated", "[" + kGoodVisit.left(30), 0},
    {"missing_title", R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"a","visitedAt":1}])", 0},
    {"braced_id", R"([{"id":"{0F8FAD5B-D9CB-469F-A165-70867728950E}","address":"a","title":"","visitedAt":1}])", 0},
    {"date_as_text", R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"a","title":"","visitedAt":"1"}])", 0},
    {"title_as_number", R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"a","title":1,"visitedAt":1}])", 0},
    {"invalid_utf8", "[{\"id\":\"0F8FAD5B-D9CB-469F-A165-70867728950E\",\"address\":\"\xFF\",\"title\":\"\",\"visitedAt\":1}]", 0},
    {"object_at_top", R"({"entries":[]})", 0},
    {"date_beyond_double", visitDated("1e999"), 0},
    {"date_1e300", visitDated("1e300"), 0},
    {"date_in_the_year_10000", visitDated("252423993600"), 0},
    {"date_before_1970", visitDated("-978307200.001"), 0},
    {"date_minus_1e300", visitDated("-1e300"), 0},
    {"address_of_8192_bytes", visitWith(addressOf(8'192), "t"), 1},
    {"address_of_8193_bytes", visitWith(addressOf(8'193), "t"), 0},
    {"address_of_three_mebibytes", visitWith(addressOf(3 << 20), "t"), 0},
    {"title_of_seven_mebibytes", visitWith("https://a.com/", QByteArray(7 << 20, 'b')), 1},
};

class HostileHistoryFile : public HistoryStoreTest, public testing::WithParamInterface<HostileFile> {};

TEST_P(HostileHistoryFile, LoadsWhatIsValidAndKeepsTheRestAside) {
  const HostileFile& c = GetParam();
  writeFile(c.text);
  HistoryStore store(m_path);
  EXPECT_EQ(store.entries().size(), c.loaded);
  EXPECT_FALSE(store.persistenceError());
  if (c.loaded > 0) {
    EXPECT_TRUE(keptAside(m_path).isEmpty());
    EXPECT_FALSE(store.keptAside());
    EXPECT_EQ(contents(m_path), c.text);
    // A title is held to what a recorded visit may have.
    EXPECT_LE(store.entries()[0].title.size(), HistoryStore::kTitleLimit);
  } else {
    ASSERT_EQ(keptAside(m_path).size(), 1);
    const QString kept = QFileInfo(m_path).absolutePath() + QLatin1Char('/') + keptAside(m_path).first();
    EXPECT_EQ(contents(kept), c.text);
    EXPECT_EQ(store.keptAside(), kept);
    EXPECT_FALSE(QFile::exists(m_path));
  }
}

INSTANTIATE_TEST_SUITE_P(Files, HostileHistoryFile, testing::ValuesIn(kHostileFiles),
                         [](const testing::TestParamInfo<HostileFile>& info) { return std::string(info.param.name); });

TEST_F(HistoryStoreTest, EveryRefusedFileIsKeptUpToThreeGenerations) {
  const QByteArray texts[] = {"first", "second", "third", "fourth"};
  for (const QByteArray& text : texts) {
    writeFile(text);
    HistoryStore store(m_path);
    EXPECT_TRUE(store.entries().isEmpty());
  }
  const QStringList kept = keptAside(m_path);
  ASSERT_EQ(kept.size(), 3);
  QList<QByteArray> keptTexts;
  for (const QString& name : kept) keptTexts.append(contents(QFileInfo(m_path).absolutePath() + QLatin1Char('/') + name));
  EXPECT_EQ(keptTexts, (QList<QByteArray>{"second", "third", "fourth"}));
}

// Something is at the file's place that cannot be read. It may hold the
// user's whole history, so the store must never replace it.
TEST_F(HistoryStoreTest, AFileThatCannotBeReadIsNeverReplaced) {
  struct Case {
    const char* name;
    std::function<void(const QString&)> make;
    std::function<bool(const QString&)> unchanged;
  };
  const auto symlinkTarget = [](const QString& path) { return QFileInfo(path).symLinkTarget(); };
  const std::vector<Case> cases = {
      {"folder", [](const QString& path) { ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/inside"))); },
       [](const QString& path) { return QFileInfo(path).isDir() && QFileInfo::exists(path + QStringLiteral("/inside")); }},
      {"fifo", [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
       [](const QString& path) {
         struct stat info {};
         return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
       }},
      {"symbolic link loop",
       [](const QString& path) { ASSERT_EQ(::symlink("history.json", QFile::encodeName(path).constData()), 0); },
       [&](const QString& path) { return QFileInfo(path).isSymLink() && symlinkTarget(path) == path; }},
  };
  for (const Case& c : cases) {
    TemporaryFolder folder(QStringLiteral("kivo-history-test-"));
    const QString path = folder.filePath(QStringLiteral("history.json"));
    c.make(path);
    HistoryStore store(path);
    EXPECT_TRUE(store.entries().isEmpty()) << c.name;
    ASSERT_TRUE(store.persistenceError()) << c.name;
    EXPECT_TRUE(store.persistenceError()->startsWith(kUnreadable)) << c.name;
    EXPECT_FALSE(store.savesToFile()) << c.name;
    // New visits still show; nothing reaches the file, and the reason stays.
    store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), store.revision());
    store.clear();
    store.record(QStringLiteral("https://b.com/"), QStringLiteral("B"), store.revision());
    EXPECT_EQ(store.entries().size(), 1) << c.name;
    EXPECT_TRUE(c.unchanged(path)) << c.name;
    EXPECT_TRUE(store.persistenceError()->startsWith(kUnreadable)) << c.name;
    EXPECT_TRUE(keptAside(path).isEmpty()) << c.name;
  }
}

TEST_F(HistoryStoreTest, AReadOnlyStoreReadsAndNeverWrites) {
  const QByteArray text = visitsText(2);
  writeFile(text);
  HistoryStore store(m_path, ProfileFiles::Access::ReadOnly);
  EXPECT_EQ(store.entries().size(), 2);
  EXPECT_FALSE(store.savesToFile());
  EXPECT_EQ(store.persistenceError(),
            QStringLiteral("Geçmiş bu oturumda kaydedilmiyor: profil başka bir Kivo sürecinde açık."));
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), store.revision());
  store.remove(store.entries().last().id);
  store.flush();
  EXPECT_EQ(store.entries().size(), 2);
  EXPECT_EQ(contents(m_path), text);
  // A file it refuses is left where it is for its owner.
  writeFile("not json");
  HistoryStore refusing(m_path, ProfileFiles::Access::ReadOnly);
  EXPECT_TRUE(refusing.entries().isEmpty());
  EXPECT_EQ(contents(m_path), "not json");
  EXPECT_TRUE(keptAside(m_path).isEmpty());
}

TEST_F(HistoryStoreTest, RecordingAfterARefusedFileWritesOneVisit) {
  writeFile("[{\"id\":1}]");
  HistoryStore store(m_path);
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), store.revision());
  store.flush();
  HistoryStore reopened(m_path);
  EXPECT_EQ(reopened.entries().size(), 1);
}

TEST_F(HistoryStoreTest, SizeLimitIsEightMebibytesInclusive) {
  QByteArray text = visitsText(1);
  text.append(QByteArray(HistoryStore::kFileLimit - text.size(), ' '));
  writeFile(text);
  EXPECT_EQ(HistoryStore(m_path).entries().size(), 1);
  text.append(' ');
  writeFile(text);
  EXPECT_TRUE(HistoryStore(m_path).entries().isEmpty());
  EXPECT_EQ(keptAside(m_path).size(), 1);
}

TEST_F(HistoryStoreTest, LoadKeepsTheNewest5000WithoutRewritingTheFile) {
  const QByteArray text = visitsText(5001);
  writeFile(text);
  HistoryStore store(m_path);
  ASSERT_EQ(store.entries().size(), 5000);
  EXPECT_EQ(store.entries().first().address, QStringLiteral("https://e.com/0"));
  EXPECT_EQ(store.entries().last().address, QStringLiteral("https://e.com/4999"));
  EXPECT_EQ(contents(m_path), text);
  store.record(QStringLiteral("https://new.com/"), QString(), 0);
  store.flush();
  HistoryStore reopened(m_path);
  ASSERT_EQ(reopened.entries().size(), 5000);
  EXPECT_EQ(reopened.entries().first().address, QStringLiteral("https://new.com/"));
  EXPECT_EQ(reopened.entries().last().address, QStringLiteral("https://e.com/4998"));
}

TEST_F(HistoryStoreTest, RecordingRules) {
  const QString longAddress = QStringLiteral("https://a.com/") + QString(8192 - 14, QLatin1Char('x'));
  // "ş" takes two UTF-8 bytes: 8,191 characters here make 8,192 bytes.
  const QString multiByte = QStringLiteral("https://a.com/ş") + QString(8192 - 16, QLatin1Char('x'));
  const std::vector<std::pair<QString, bool>> cases = {
      {QStringLiteral("https://a.com/page"), true},
      {QStringLiteral("HTTP://A.COM/"), true},
      {QStringLiteral("ftp://a.com/"), false},
      {QStringLiteral("https://user@a.com/"), false},
      {QStringLiteral("https://user:pw@a.com/"), false},
      {QStringLiteral("https:///path"), false},
      {QStringLiteral("not a url"), false},
      {QStringLiteral("kivo://home"), false},
      {QString(), false},
      {longAddress, true},
      {longAddress + QLatin1Char('x'), false},
      {multiByte, true},
      {multiByte + QLatin1Char('x'), false},
  };
  for (const auto& [address, recorded] : cases) {
    HistoryStore store;
    store.record(address, QStringLiteral("t"), 0);
    ASSERT_EQ(store.entries().size(), recorded ? 1 : 0) << address.left(40).toStdString();
    if (recorded) {
      EXPECT_EQ(store.entries()[0].address, address);
    }
  }
}

TEST_F(HistoryStoreTest, StaleRevisionChangesNothingAndTouchesNoFile) {
  HistoryStore store(m_path);
  const qint64 atLoadStart = store.revision();
  store.clear();
  store.flush();
  QFile::remove(m_path);
  QSignalSpy changes(&store, &HistoryStore::entriesChanged);
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), atLoadStart);
  store.flush();
  EXPECT_TRUE(store.entries().isEmpty());
  EXPECT_EQ(changes.count(), 0);
  EXPECT_FALSE(QFile::exists(m_path));
}

TEST_F(HistoryStoreTest, TitlesAreCutToUserPerceivedCharacters) {
  const QString family = QStringLiteral("👨‍👩‍👧");  // several code points, one character
  const QString accented = QLatin1Char('a') + QString(20, QChar(0x0301));
  const std::vector<std::pair<QString, QString>> cases = {
      {QString(251, QLatin1Char('a')), QString(250, QLatin1Char('a'))},
      {QString(250, QLatin1Char('a')), QString(250, QLatin1Char('a'))},
      {QString(), QString()},
      {family.repeated(251), family.repeated(250)},
      {QString(249, QLatin1Char('a')) + QStringLiteral("é") + QStringLiteral("bc"),
       QString(249, QLatin1Char('a')) + QStringLiteral("é")},
      // Characters of many code points each, far longer than usual ones.
      {accented.repeated(300), accented.repeated(250)},
      {QString(3'000'000, QLatin1Char('a')), QString(250, QLatin1Char('a'))},
  };
  for (const auto& [title, stored] : cases) {
    HistoryStore store;
    store.record(QStringLiteral("https://a.com/"), title, 0);
    ASSERT_EQ(store.entries().size(), 1);
    EXPECT_EQ(store.entries()[0].title, stored);
    // A file's title is cut in the same way when it is read.
    writeFile(HistoryStore::encode({HistoryEntry{QUuid::createUuid(), QStringLiteral("https://a.com/"), title, 1}}));
    HistoryStore reader(m_path);
    ASSERT_EQ(reader.entries().size(), 1);
    EXPECT_EQ(reader.entries()[0].title, stored);
  }
}

TEST_F(HistoryStoreTest, RecordingIntoAFullListDropsTheOldest) {
  writeFile(visitsText(5000));
  HistoryStore store(m_path);
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), 0);
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), 0);
  ASSERT_EQ(store.entries().size(), 5000);
  EXPECT_EQ(store.entries()[0].address, store.entries()[1].address);
  EXPECT_NE(store.entries()[0].id, store.entries()[1].id);
  EXPECT_GE(store.entries()[0].visitedAt, store.entries()[1].visitedAt);
  EXPECT_EQ(store.entries().last().address, QStringLiteral("https://e.com/4997"));
}

TEST_F(HistoryStoreTest, RemoveAdvancesRevisionAndRewritesEvenWithoutMatch) {
  HistoryStore store(m_path);
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), 0);
  store.record(QStringLiteral("https://b.com/"), QStringLiteral("B"), 0);
  store.flush();
  QFile::remove(m_path);
  store.remove(QUuid::createUuid());
  EXPECT_EQ(store.revision(), 1);
  store.flush();
  EXPECT_EQ(HistoryStore(m_path).entries().size(), 2);
  store.remove(store.entries()[0].id);
  store.flush();
  EXPECT_EQ(store.revision(), 2);
  ASSERT_EQ(store.entries().size(), 1);
  EXPECT_EQ(store.entries()[0].address, QStringLiteral("https://a.com/"));
  EXPECT_EQ(HistoryStore(m_path).entries().size(), 1);
}

TEST_F(HistoryStoreTest, ClearRemovesVisitsAtOrAfterTheCutOff) {
  writeFile(HistoryStore::encode({
      HistoryEntry{QUuid::createUuid(), QStringLiteral("https://c/"), QString(), 300},
      HistoryEntry{QUuid::createUuid(), QStringLiteral("https://b/"), QString(), 200},
      HistoryEntry{QUuid::createUuid(), QStringLiteral("https://a/"), QString(), ProfileValues::kEarliestDate},
  }));
  HistoryStore store(m_path);
  store.clear(1e12);
  EXPECT_EQ(store.entries().size(), 3);
  EXPECT_EQ(store.revision(), 1);
  store.clear(200);
  ASSERT_EQ(store.entries().size(), 1);
  EXPECT_EQ(store.entries()[0].address, QStringLiteral("https://a/"));
  store.clear();
  EXPECT_TRUE(store.entries().isEmpty());
  EXPECT_EQ(store.revision(), 3);
  store.flush();
  EXPECT_TRUE(HistoryStore(m_path).entries().isEmpty());
  EXPECT_TRUE(QFile::exists(m_path));
}

TEST_F(HistoryStoreTest, FailedSavesShowAnErrorUntilTheNextSuccess) {
  const QString blocked = m_folder.filePath(QStringLiteral("blocker/history.json"));
  QFile blocker(m_folder.filePath(QStringLiteral("blocker")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  HistoryStore store(blocked);
  QSignalSpy errors(&store, &HistoryStore::persistenceErrorChanged);
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), 0);
  store.flush();
  ASSERT_TRUE(store.persistenceError());
  EXPECT_TRUE(store.persistenceError()->startsWith(QStringLiteral("Geçmiş dosyası güncellenemedi: ")));
  EXPECT_TRUE(store.persistenceError()->endsWith(QStringLiteral("Not a directory")));
  EXPECT_EQ(store.entries().size(), 1);
  store.record(QStringLiteral("https://b.com/"), QStringLiteral("B"), 0);
  store.flush();
  EXPECT_EQ(store.entries().size(), 2);
  ASSERT_TRUE(blocker.remove());
  store.clear();
  store.flush();
  EXPECT_FALSE(store.persistenceError());
  EXPECT_EQ(errors.count(), 2);
}

// A writer the test steers: the first write waits at a gate; every write is
// noted with the addresses it held, and the given failure is thrown instead.
class SteeredWriter {
public:
  HistoryStore::FileWriter function() {
    return [this](const QByteArray& bytes, const QString& path) {
      if (!m_entered.raised()) {
        m_entered.raise();
        EXPECT_TRUE(m_gate.wait());
      }
      QStringList addresses;
      for (const HistoryEntry& entry : HistoryStore::decode(bytes)) addresses.append(entry.address);
      {
        std::lock_guard lock(m_mutex);
        m_written.append(addresses.join(QLatin1Char(' ')));
        if (m_failure) throw SystemError(*m_failure, "write " + path.toStdString());
      }
      ProfileFiles::write(bytes, path);
    };
  }
  ProfileTestSupport::Signal& entered() { return m_entered; }
  void open() { m_gate.raise(); }
  void fail(std::optional<int> code) {
    std::lock_guard lock(m_mutex);
    m_failure = code;
  }
  QStringList written() {
    std::lock_guard lock(m_mutex);
    return m_written;
  }

private:
  std::mutex m_mutex;
  QStringList m_written;
  std::optional<int> m_failure;
  ProfileTestSupport::Signal m_entered;
  ProfileTestSupport::Signal m_gate;
};

TEST_F(HistoryStoreTest, VisitsRecordedWhileASaveRunsAreWrittenTogetherByTheNext) {
  HistoryStore store(m_path);
  SteeredWriter writer;
  store.setFileWriter(writer.function());
  store.record(QStringLiteral("https://a/"), QString(), 0);
  // The main thread goes on while the first save is held.
  ASSERT_TRUE(writer.entered().wait());
  store.record(QStringLiteral("https://b/"), QString(), 0);
  store.record(QStringLiteral("https://c/"), QString(), 0);
  store.clear(1e12);
  EXPECT_EQ(store.entries().size(), 3);
  writer.open();
  store.flush();
  EXPECT_EQ(writer.written(), (QStringList{QStringLiteral("https://a/"), QStringLiteral("https://c/ https://b/ https://a/")}));
  EXPECT_EQ(HistoryStore(m_path).entries().size(), 3);
  EXPECT_FALSE(store.persistenceError());
}

TEST_F(HistoryStoreTest, AFailedSaveReachesTheMainThreadAndTheNextSuccessClearsIt) {
  HistoryStore store(m_path);
  SteeredWriter writer;
  writer.open();
  writer.fail(ENOSPC);
  store.setFileWriter(writer.function());
  bool onMainThread = true;
  QObject::connect(&store, &HistoryStore::persistenceErrorChanged, [&] {
    onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
  });
  store.record(QStringLiteral("https://a/"), QString(), 0);
  ASSERT_TRUE(ProfileTestSupport::runEventsUntil([&] { return store.persistenceError().has_value(); }));
  EXPECT_EQ(store.persistenceError(),
            QStringLiteral("Geçmiş dosyası güncellenemedi: write ") + m_path + QStringLiteral(": No space left on device"));
  EXPECT_EQ(store.entries().size(), 1);
  writer.fail(std::nullopt);
  store.record(QStringLiteral("https://b/"), QString(), 0);
  ASSERT_TRUE(ProfileTestSupport::runEventsUntil([&] { return !store.persistenceError(); }));
  EXPECT_TRUE(onMainThread);
  EXPECT_EQ(HistoryStore(m_path).entries().size(), 2);
}

TEST_F(HistoryStoreTest, AStoreThatGoesFinishesItsWaitingSaveFirst) {
  SteeredWriter writer;
  {
    HistoryStore store(m_path);
    store.setFileWriter(writer.function());
    store.record(QStringLiteral("https://a/"), QString(), 0);
    ASSERT_TRUE(writer.entered().wait());
    store.record(QStringLiteral("https://b/"), QString(), 0);
    writer.open();
  }
  const HistoryStore reopened(m_path);
  ASSERT_EQ(reopened.entries().size(), 2);
  EXPECT_EQ(reopened.entries().first().address, QStringLiteral("https://b/"));
}

// A history file kept elsewhere behind a link (a dotfiles set-up) stays
// there: saves reach the file the link leads to, and the link stays.
TEST_F(HistoryStoreTest, AHistoryFileBehindALinkIsUpdatedWhereItIs) {
  struct Case {
    const char* name;
    const char* target;  // relative to the test folder
    bool saved;
  };
  const Case cases[] = {
      {"link to a file", "dotfiles/history.json", true},
      {"dangling link", "dotfiles/new.json", true},
      {"link into a missing folder", "missing/history.json", false},
  };
  const QString dotfiles = m_folder.filePath(QStringLiteral("dotfiles"));
  ASSERT_TRUE(QDir().mkpath(dotfiles));
  ProfileFiles::write(visitsText(1), dotfiles + QStringLiteral("/history.json"));
  ASSERT_TRUE(QDir().mkpath(QFileInfo(m_path).absolutePath()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QString target = m_folder.filePath(QString::fromUtf8(c.target));
    QFile::remove(m_path);
    ASSERT_TRUE(QFile::link(target, m_path));
    HistoryStore store(m_path);
    const qsizetype before = store.entries().size();
    store.record(QStringLiteral("https://a/"), QString(), 0);
    store.flush();
    EXPECT_TRUE(QFileInfo(m_path).isSymLink());
    EXPECT_EQ(QFileInfo(m_path).symLinkTarget(), target);
    if (c.saved) {
      EXPECT_FALSE(store.persistenceError());
      EXPECT_EQ(HistoryStore(target).entries().size(), before + 1);
    } else {
      EXPECT_EQ(store.persistenceError(), QStringLiteral("Geçmiş dosyası güncellenemedi: write ") + target +
                                              QStringLiteral(": No such file or directory"));
      EXPECT_FALSE(QFileInfo::exists(QFileInfo(target).absolutePath()));
    }
    EXPECT_EQ(QDir(QFileInfo(m_path).absolutePath())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("history.json")});
  }
}

TEST_F(HistoryStoreTest, MemoryStoreNeverReportsPersistenceErrors) {
  HistoryStore store;
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), 0);
  store.remove(store.entries()[0].id);
  store.clear();
  EXPECT_FALSE(store.persistenceError());
  EXPECT_TRUE(QDir(m_folder.path()).isEmpty());
}

TEST_F(HistoryStoreTest, WrittenFileNeverExceedsTheReadLimit) {
  QList<HistoryEntry> entries;
  const QString title = QString(250, QChar(0x01));  // six bytes each when escaped
  for (int i = 0; i < 5000; ++i) {
    entries.append(HistoryEntry{QUuid::createUuid(), QStringLiteral("https://a.com/") + QString(8000, QLatin1Char('/')), title, 1});
  }
  qsizetype leftOut = -1;
  const QByteArray text = HistoryStore::encode(entries, HistoryStore::kFileLimit, &leftOut);
  EXPECT_LE(text.size(), HistoryStore::kFileLimit);
  const QList<HistoryEntry> readBack = HistoryStore::decode(text);
  ASSERT_FALSE(readBack.isEmpty());
  EXPECT_LT(readBack.size(), 5000);
  EXPECT_EQ(readBack.size() + leftOut, 5000);
  EXPECT_EQ(readBack.first().id, entries.first().id);
}

TEST_F(HistoryStoreTest, AListCutToFitItsFileSaysHowManyVisitsWereLeftOut) {
  // A list that fills the file but for 4,000 bytes: long visits behind one
  // whose address takes up the rest.
  const auto visit = [](qsizetype length) {
    return HistoryEntry{QUuid::createUuid(), QStringLiteral("https://a.com/") + QString(length, QLatin1Char('a')), QString(), 1};
  };
  constexpr qint64 kRoom = 4'000;
  const qint64 large = HistoryStore::encode({visit(8'000)}).size() - 2;
  const qint64 bare = HistoryStore::encode({visit(0)}).size() - 2;
  const qsizetype count = static_cast<qsizetype>((HistoryStore::kFileLimit - kRoom - 2 - bare) / (large + 1));
  const qint64 filler = HistoryStore::kFileLimit - kRoom - 2 - count * (large + 1);
  QList<HistoryEntry> entries = {visit(filler - bare)};
  for (qsizetype i = 0; i < count; ++i) entries.append(visit(8'000));
  const QByteArray text = HistoryStore::encode(entries);
  ASSERT_EQ(text.size(), HistoryStore::kFileLimit - kRoom);
  writeFile(text);
  HistoryStore store(m_path);
  ASSERT_EQ(store.entries().size(), count + 1);

  // A visit larger than the room left: the oldest one no longer fits.
  store.record(QStringLiteral("https://a.com/") + QString(8'000, QLatin1Char('b')), QString(), store.revision());
  EXPECT_EQ(store.entries().size(), count + 2);
  store.flush();
  EXPECT_EQ(store.persistenceError(),
            QStringLiteral("Geçmiş dosyası boyut sınırına ulaştı; en eski 1 kayıt dosyaya yazılmadı."));
  const HistoryStore reopened(m_path);
  ASSERT_EQ(reopened.entries().size(), count + 1);
  EXPECT_EQ(reopened.entries().first().id, store.entries().first().id);

  // Once the list fits again, the message goes.
  store.remove(store.entries().last().id);
  store.flush();
  EXPECT_FALSE(store.persistenceError());
}

TEST_F(HistoryStoreTest, TheWriterLeavesOutWhatTheReaderWouldRefuse) {
  const QList<HistoryEntry> entries = {
      HistoryEntry{QUuid::createUuid(), QStringLiteral("https://a/"), QString(), 1e300},
      HistoryEntry{QUuid::createUuid(), QStringLiteral("https://b/"), QString(), 100},
      HistoryEntry{QUuid::createUuid(), QStringLiteral("https://c/"), QString(), -1e15},
  };
  qsizetype leftOut = -1;
  const QList<HistoryEntry> readBack = HistoryStore::decode(HistoryStore::encode(entries, HistoryStore::kFileLimit, &leftOut));
  ASSERT_EQ(readBack.size(), 1);
  EXPECT_EQ(readBack.first().address, QStringLiteral("https://b/"));
  EXPECT_EQ(leftOut, 0);
}

}  // namespace
