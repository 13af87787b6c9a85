#include "profile/history_store.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "loading/decoding_error.h"
#include "platform/temporary_folder.h"
#include "profile/profile_files.h"

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
  int loaded;  // visits expected; 0 with `keptAside` for a refused file
  bool keptAside;
};

TEST_F(HistoryStoreTest, HostileFilesLoadEmptyAndAreKeptAside) {
  const QByteArray good = R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","address":"https://a","title":"t","visitedAt":5})";
  const std::vector<HostileFile> cases = {
      {"lower-case id and extra member", "[" + good.chopped(1) + R"(,"extra":[1,{"x":2}]})" + "]", 1, false},
      {"integer date", "[" + good + "]", 1, false},
      {"not JSON", "not json", 0, true},
      {"truncated", "[" + good.left(30), 0, true},
      {"missing title", R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"a","visitedAt":1}])", 0, true},
      {"braced id", R"([{"id":"{0F8FAD5B-D9CB-469F-A165-70867728950E}","address":"a","title":"","visitedAt":1}])", 0, true},
      {"date as text", R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"a","title":"","visitedAt":"1"}])", 0, true},
      {"title as number", R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"a","title":1,"visitedAt":1}])", 0, true},
      {"invalid UTF-8", "[{\"id\":\"0F8FAD5B-D9CB-469F-A165-70867728950E\",\"address\":\"\xFF\",\"title\":\"\",\"visitedAt\":1}]", 0, true},
      {"object at top", R"({"entries":[]})", 0, true},
      {"date out of range", R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":"a","title":"","visitedAt":1e999}])", 0, true},
  };
  for (const HostileFile& c : cases) {
    QFile::remove(m_path + QStringLiteral(".bad"));
    writeFile(c.text);
    HistoryStore store(m_path);
    EXPECT_EQ(store.entries().size(), c.loaded) << c.name;
    EXPECT_FALSE(store.persistenceError()) << c.name;
    EXPECT_EQ(QFile::exists(m_path + QStringLiteral(".bad")), c.keptAside) << c.name;
    if (c.keptAside) {
      EXPECT_EQ(contents(m_path + QStringLiteral(".bad")), c.text) << c.name;
    }
  }
}

TEST_F(HistoryStoreTest, RecordingAfterARefusedFileWritesOneVisit) {
  writeFile("[{\"id\":1}]");
  HistoryStore store(m_path);
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), store.revision());
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
  EXPECT_TRUE(QFile::exists(m_path + QStringLiteral(".bad")));
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
  QFile::remove(m_path);
  QSignalSpy changes(&store, &HistoryStore::entriesChanged);
  store.record(QStringLiteral("https://a.com/"), QStringLiteral("A"), atLoadStart);
  EXPECT_TRUE(store.entries().isEmpty());
  EXPECT_EQ(changes.count(), 0);
  EXPECT_FALSE(QFile::exists(m_path));
}

TEST_F(HistoryStoreTest, TitlesAreCutToUserPerceivedCharacters) {
  const QString family = QStringLiteral("👨‍👩‍👧");  // several code points, one character
  const std::vector<std::pair<QString, QString>> cases = {
      {QString(251, QLatin1Char('a')), QString(250, QLatin1Char('a'))},
      {QString(250, QLatin1Char('a')), QString(250, QLatin1Char('a'))},
      {QString(), QString()},
      {family.repeated(251), family.repeated(250)},
      {QString(249, QLatin1Char('a')) + QStringLiteral("é") + QStringLiteral("bc"),
       QString(249, QLatin1Char('a')) + QStringLiteral("é")},
  };
  for (const auto& [title, stored] : cases) {
    HistoryStore store;
    store.record(QStringLiteral("https://a.com/"), title, 0);
    ASSERT_EQ(store.entries().size(), 1);
    EXPECT_EQ(store.entries()[0].title, stored);
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
  QFile::remove(m_path);
  store.remove(QUuid::createUuid());
  EXPECT_EQ(store.revision(), 1);
  EXPECT_EQ(HistoryStore(m_path).entries().size(), 2);
  store.remove(store.entries()[0].id);
  EXPECT_EQ(store.revision(), 2);
  ASSERT_EQ(store.entries().size(), 1);
  EXPECT_EQ(store.entries()[0].address, QStringLiteral("https://a.com/"));
  EXPECT_EQ(HistoryStore(m_path).entries().size(), 1);
}

TEST_F(HistoryStoreTest, ClearRemovesVisitsAtOrAfterTheCutOff) {
  writeFile(HistoryStore::encode({
      HistoryEntry{QUuid::createUuid(), QStringLiteral("https://c/"), QString(), 300},
      HistoryEntry{QUuid::createUuid(), QStringLiteral("https://b/"), QString(), 200},
      HistoryEntry{QUuid::createUuid(), QStringLiteral("https://a/"), QString(), -1e15},
  }));
  HistoryStore store(m_path);
  store.clear(1e12);
  EXPECT_EQ(store.entries().size(), 3);
  EXPECT_EQ(store.revision(), 1);
  store.clear(200);
  ASSERT_EQ(store.entries().size(), 1);
  EXPECT_EQ(store.entries()[0].address, QStringLiteral("https://a/"));
  // Clearing everything also removes a visit dated before the distant past.
  store.clear();
  EXPECT_TRUE(store.entries().isEmpty());
  EXPECT_EQ(store.revision(), 3);
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
  ASSERT_TRUE(store.persistenceError());
  EXPECT_TRUE(store.persistenceError()->startsWith(QStringLiteral("Geçmiş dosyası güncellenemedi: ")));
  EXPECT_TRUE(store.persistenceError()->endsWith(QStringLiteral("Not a directory")));
  EXPECT_EQ(store.entries().size(), 1);
  store.record(QStringLiteral("https://b.com/"), QStringLiteral("B"), 0);
  EXPECT_EQ(store.entries().size(), 2);
  ASSERT_TRUE(blocker.remove());
  store.clear();
  EXPECT_FALSE(store.persistenceError());
  EXPECT_EQ(errors.count(), 2);
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
  const QByteArray text = HistoryStore::encode(entries);
  EXPECT_LE(text.size(), HistoryStore::kFileLimit);
  const QList<HistoryEntry> readBack = HistoryStore::decode(text);
  ASSERT_FALSE(readBack.isEmpty());
  EXPECT_LT(readBack.size(), 5000);
  EXPECT_EQ(readBack.first().id, entries.first().id);
}

}  // namespace
