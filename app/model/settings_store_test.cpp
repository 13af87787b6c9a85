#include "model/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include <QSignalSpy>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "model/browser_preferences.h"
#include "platform/file_descriptor.h"
#include "platform/system_error.h"
#include "profile/profile_files.h"

namespace {

QByteArray contents(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

QByteArray repeated(char c, qsizetype count) {
  return QByteArray(count, c);
}

// A file of its own for every test, in the config folder of the test mode;
// the file, whatever it has become, and its kept-aside copies are removed
// afterwards.
class SettingsFileTest : public testing::Test {
protected:
  void SetUp() override {
    m_name = QStringLiteral("kivo-test.") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    const auto store = SettingsStore::open(m_name);
    ASSERT_NE(store, nullptr);
    m_path = store->file();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(m_path).absolutePath()));
  }
  void TearDown() override {
    const QByteArray native = QFile::encodeName(m_path);
    ::chmod(native.constData(), 0600);
    if (::unlink(native.constData()) != 0) ::rmdir(native.constData());
    for (const QString& copy : copies()) QFile::remove(copy);
    QFile::remove(m_path + QStringLiteral(".lock"));
  }

  void writeFile(const QByteArray& bytes) const {
    QFile file(m_path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }
  std::shared_ptr<SettingsStore> open() const { return SettingsStore::open(m_name); }

  // The kept-aside copies of the file, by name.
  QStringList copies() const {
    const QFileInfo info(m_path);
    QStringList found;
    for (const QString& name :
         QDir(info.absolutePath()).entryList({info.fileName() + QStringLiteral(".bad-*")}, QDir::Files, QDir::Name)) {
      found << info.absoluteDir().filePath(name);
    }
    return found;
  }

  QString m_name;
  QString m_path;
};

// Files the store cannot take as a whole; each must survive unchanged under
// a new name, and the store must start from nothing.
struct BrokenCase {
  const char* name;
  QByteArray bytes;
};

void PrintTo(const BrokenCase& c, std::ostream* out) {
  *out << c.name;
}

class BrokenFiles : public SettingsFileTest, public testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenFiles, AreKeptAsideByteForByteAndTheStoreStartsEmpty) {
  const QByteArray& original = GetParam().bytes;
  writeFile(original);
  const auto store = open();
  EXPECT_FALSE(QFileInfo::exists(m_path));
  EXPECT_EQ(store->opened(), SettingsStore::Opened::KeptAside);
  BrowserPreferences preferences(store);
  EXPECT_EQ(preferences.appearance(), BrowserAppearance::System);

  // The next change writes a new file of its own, never more than was read.
  preferences.setShowShortcuts(false);
  EXPECT_EQ(contents(m_path), QByteArray(R"({"kivo.shortcuts":false})"));

  // The damaged file survives whole under a name of its own.
  ASSERT_EQ(copies().size(), 1);
  const QString copy = copies().front();
  EXPECT_TRUE(QFileInfo(copy).fileName().contains(QRegularExpression(QStringLiteral("\\.json\\.bad-\\d{8}T\\d{6}Z$"))))
      << copy.toStdString();
  EXPECT_EQ(store->keptAside(), copy);
  EXPECT_EQ(contents(copy), original);
  // The user learns where the old settings went.
  ASSERT_TRUE(preferences.storageNotice());
  EXPECT_TRUE(preferences.storageNotice()->contains(copy)) << preferences.storageNotice()->toStdString();
}

QByteArray nested(const QByteArray& key, int levels) {
  return "{\"" + key + "\":" + repeated('[', levels) + repeated(']', levels) + ",\"kivo.appearance\":\"dark\"}";
}

INSTANTIATE_TEST_SUITE_P(
    Table, BrokenFiles,
    testing::Values(BrokenCase{"Truncated", R"({"kivo.appearance":"dark","kivo.accent":"25846a","kivo.backd)"},
                    BrokenCase{"Empty", ""}, BrokenCase{"NotJson", "appearance = dark\n"},
                    BrokenCase{"NotAnObject", R"(["kivo.appearance","dark"])"},
                    BrokenCase{"InvalidUtf8", "{\"kivo.accent\":\"\xff\xfe\"}"},
                    // Deep enough to overflow the stack of a recursive reader
                    // or writer; refused at the depth limit.
                    BrokenCase{"HundredThousandLevels", nested("theme", 100'000)},
                    BrokenCase{"TooDeepUnderAKnownKey", nested("kivo.accent", SettingsStore::kDepthLimit + 1)},
                    BrokenCase{"TooLarge", R"({"kivo.appearance":"dark","x":")" +
                                               repeated('a', SettingsStore::kFileLimit) + "\"}"}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsFileTest, KeepsOnlyTheLastThreeCopies) {
  for (int i = 0; i < 5; ++i) {
    writeFile("{\"broken\":" + QByteArray::number(i));
    open();
  }
  std::set<QByteArray> kept;
  for (const QString& copy : copies()) kept.insert(contents(copy));
  EXPECT_EQ(kept, (std::set<QByteArray>{"{\"broken\":2", "{\"broken\":3", "{\"broken\":4"}));
}

// Files that parse: only the application's settings of their own kinds are
// kept, each on its own, and the next write holds nothing else.
struct KnownCase {
  const char* name;
  QByteArray file;
  nlohmann::json kept;
};

void PrintTo(const KnownCase& c, std::ostream* out) {
  *out << c.name;
}

class KnownSettings : public SettingsFileTest, public testing::WithParamInterface<KnownCase> {};

TEST_P(KnownSettings, UnknownKeysAndForeignKindsAreDropped) {
  const KnownCase& c = GetParam();
  writeFile(c.file);
  const auto store = open();
  EXPECT_EQ(store->opened(), SettingsStore::Opened::Read);
  for (const char* key : {"kivo.appearance", "kivo.accent", "kivo.backdrop", "kivo.shortcuts"}) {
    const auto expected = c.kept.find(key);
    EXPECT_EQ(store->value(QString::fromLatin1(key)),
              expected == c.kept.end() ? std::nullopt : std::optional<nlohmann::json>(*expected))
        << key;
  }
  EXPECT_FALSE(store->value(QStringLiteral("theme")).has_value());

  EXPECT_TRUE(store->setValue(QStringLiteral("kivo.shortcuts"), false));
  nlohmann::json written = c.kept;
  written["kivo.shortcuts"] = false;
  const QByteArray bytes = contents(m_path);
  EXPECT_EQ(bytes.toStdString(), written.dump());
  EXPECT_LE(bytes.size(), c.file.size());
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(m_path).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_TRUE(copies().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, KnownSettings,
    testing::Values(
        KnownCase{"UnknownKeys", R"({"kivo.appearance":"dark","theme":{"a":[1,{"b":null}]},"kivo.zoom":2})",
                  {{"kivo.appearance", "dark"}}},
        KnownCase{"OneWrongKindAmongGoodOnes",
                  R"({"kivo.shortcuts":"false","kivo.accent":"25846a","kivo.backdrop":"forest"})",
                  {{"kivo.accent", "25846a"}, {"kivo.backdrop", "forest"}}},
        // A text setting is read as text, so a number stays.
        KnownCase{"TextSettingsOfOtherKinds", R"({"kivo.accent":123456,"kivo.appearance":true,"kivo.backdrop":["dawn"]})",
                  {{"kivo.accent", 123456}}},
        KnownCase{"NullAndNumberForABoolean", R"({"kivo.shortcuts":0,"kivo.appearance":null})",
                  nlohmann::json::object()},
        // Nesting within the limit parses, and is dropped with its key.
        KnownCase{"NestedUnknownWithinTheLimit",
                  "{\"theme\":" + repeated('[', SettingsStore::kDepthLimit) + repeated(']', SettingsStore::kDepthLimit) +
                      ",\"kivo.backdrop\":\"plain\"}",
                  {{"kivo.backdrop", "plain"}}},
        // The old indented form reads as before and is written compactly.
        KnownCase{"Indented", "{\n  \"kivo.appearance\": \"light\",\n  \"kivo.shortcuts\": true\n}",
                  {{"kivo.appearance", "light"}, {"kivo.shortcuts", true}}}),
    [](const testing::TestParamInfo<KnownCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsFileTest, RefusesAWriteTheReaderWouldRefuse) {
  const auto store = open();
  ASSERT_TRUE(store->setValue(QStringLiteral("kivo.appearance"), "dark"));
  const QByteArray before = contents(m_path);
  const std::string huge(static_cast<size_t>(SettingsStore::kFileLimit), 'a');
  EXPECT_FALSE(store->setValue(QStringLiteral("kivo.accent"), huge));
  EXPECT_TRUE(store->writeError().has_value());
  EXPECT_FALSE(store->value(QStringLiteral("kivo.accent")).has_value());
  EXPECT_EQ(contents(m_path), before);
  // Values the reader would drop are not taken either.
  EXPECT_FALSE(store->setValue(QStringLiteral("theme"), "dark"));
  EXPECT_FALSE(store->setValue(QStringLiteral("kivo.shortcuts"), "false"));
  EXPECT_EQ(contents(m_path), before);
  // The store goes on working.
  EXPECT_TRUE(store->setValue(QStringLiteral("kivo.backdrop"), "dawn"));
  EXPECT_EQ(contents(m_path), QByteArray(R"({"kivo.appearance":"dark","kivo.backdrop":"dawn"})"));
  EXPECT_FALSE(store->writeError().has_value());
}

// Paths the store cannot read although something is there. It must leave
// them exactly as they are for the whole run, while the settings still
// change in memory.
enum class Unreadable { LinkLoop, Fifo, Folder, NoPermission };

class UnreadableFiles : public SettingsFileTest, public testing::WithParamInterface<Unreadable> {};

TEST_P(UnreadableFiles, AreLeftUntouchedAfterAChange) {
  const QByteArray native = QFile::encodeName(m_path);
  switch (GetParam()) {
    case Unreadable::LinkLoop:
      ASSERT_EQ(::symlink(QFile::encodeName(QFileInfo(m_path).fileName()).constData(), native.constData()), 0);
      break;
    case Unreadable::Fifo:
      ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
      break;
    case Unreadable::Folder:
      ASSERT_EQ(::mkdir(native.constData(), 0700), 0);
      break;
    case Unreadable::NoPermission:
      if (::geteuid() == 0) GTEST_SKIP() << "the superuser reads any file";
      writeFile(R"({"kivo.appearance":"light"})");
      ASSERT_EQ(::chmod(native.constData(), 0), 0);
      break;
  }
  struct stat before {};
  ASSERT_EQ(::lstat(native.constData(), &before), 0);

  const auto store = open();
  EXPECT_EQ(store->opened(), SettingsStore::Opened::Unreadable);
  BrowserPreferences preferences(store);
  // Told before any change is lost.
  ASSERT_TRUE(preferences.storageNotice());
  EXPECT_TRUE(preferences.storageNotice()->startsWith(QStringLiteral("Ayar dosyası okunamıyor: ")))
      << preferences.storageNotice()->toStdString();
  preferences.setAppearance(BrowserAppearance::Dark);
  preferences.setShowShortcuts(false);
  EXPECT_EQ(preferences.appearance(), BrowserAppearance::Dark);
  EXPECT_EQ(store->text(QStringLiteral("kivo.appearance")), QStringLiteral("dark"));
  EXPECT_TRUE(store->writeError().has_value());
  store->removeAll();

  struct stat after {};
  ASSERT_EQ(::lstat(native.constData(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_TRUE(copies().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Table, UnreadableFiles,
                         testing::Values(Unreadable::LinkLoop, Unreadable::Fifo, Unreadable::Folder,
                                         Unreadable::NoPermission),
                         [](const testing::TestParamInfo<Unreadable>& info) {
                           switch (info.param) {
                             case Unreadable::LinkLoop:
                               return "LinkLoop";
                             case Unreadable::Fifo:
                               return "Fifo";
                             case Unreadable::Folder:
                               return "Folder";
                             case Unreadable::NoPermission:
                               return "NoPermission";
                           }
                           return "";
                         });

TEST_F(SettingsFileTest, AMissingFileIsWrittenOnTheFirstChange) {
  const auto store = open();
  EXPECT_EQ(store->opened(), SettingsStore::Opened::Missing);
  EXPECT_FALSE(QFileInfo::exists(m_path));
  EXPECT_TRUE(store->setValue(QStringLiteral("kivo.accent"), "25846a"));
  EXPECT_EQ(contents(m_path), QByteArray(R"({"kivo.accent":"25846a"})"));
  EXPECT_EQ(open()->text(QStringLiteral("kivo.accent")), QStringLiteral("25846a"));
}

}  // namespace

namespace {

// A save that fails or finds something in the file's way after the store
// was opened: the choices stay in memory, the user is told once when the
// saves start failing and for as long as the notice holds, nothing on disk
// is destroyed, and once the way is clear the next change saves every
// choice that was held back.
enum class Fault { ReadOnlyFolder, FullFileSystem, FolderInPlace, FifoInPlace, DamagedFile };

struct FaultCase {
  const char* name;
  Fault fault;
  const char* told;  // the start of the notice after the changes
  bool fails;        // whether the saves fail (else the file is kept aside)
};

void PrintTo(const FaultCase& c, std::ostream* out) {
  *out << c.name;
}

class StorageFaults : public SettingsFileTest, public testing::WithParamInterface<FaultCase> {
protected:
  void arrange(SettingsStore& store) const {
    const QByteArray native = QFile::encodeName(m_path);
    switch (GetParam().fault) {
      case Fault::ReadOnlyFolder:
        // The superuser writes into a read-only folder, so the refusal comes
        // through the writer.
        store.setWriter([](const QByteArray&, const QString& path) {
          throw SystemError(EROFS, "create temporary file for " + path.toStdString());
        });
        break;
      case Fault::FullFileSystem:
        store.setWriter([](const QByteArray& bytes, const QString& path) {
          FileDescriptor full = FileDescriptor::open(QStringLiteral("/dev/full"), O_WRONLY | O_CLOEXEC);
          if (!full.isOpen()) throw SystemError(errno, "open /dev/full");
          if (const int code = full.writeAll(bytes); code != 0) throw SystemError(code, "write " + path.toStdString());
        });
        break;
      case Fault::FolderInPlace:
        ASSERT_EQ(::unlink(native.constData()), 0);
        ASSERT_EQ(::mkdir(native.constData(), 0700), 0);
        break;
      case Fault::FifoInPlace:
        ASSERT_EQ(::unlink(native.constData()), 0);
        ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
        break;
      case Fault::DamagedFile:
        writeFile(R"({"kivo.backdrop":"forest","kivo.acc)");
        break;
    }
  }

  void clear(SettingsStore& store) const {
    const QByteArray native = QFile::encodeName(m_path);
    switch (GetParam().fault) {
      case Fault::ReadOnlyFolder:
      case Fault::FullFileSystem:
        store.setWriter(ProfileFiles::write);
        break;
      case Fault::FolderInPlace:
        ASSERT_EQ(::rmdir(native.constData()), 0);
        break;
      case Fault::FifoInPlace:
        ASSERT_EQ(::unlink(native.constData()), 0);
        break;
      case Fault::DamagedFile:
        break;
    }
  }

  // What is at the path now.
  mode_t type() const {
    struct stat info {};
    EXPECT_EQ(::lstat(QFile::encodeName(m_path).constData(), &info), 0);
    return info.st_mode & S_IFMT;
  }
};

TEST_P(StorageFaults, TellTheUserAndLoseNoChoice) {
  const FaultCase& c = GetParam();
  const QByteArray before = R"({"kivo.backdrop":"forest"})";
  writeFile(before);
  const auto store = open();
  BrowserPreferences preferences(store);
  QSignalSpy failed(&preferences, &BrowserPreferences::saveFailed);
  QSignalSpy noticeChanged(&preferences, &BrowserPreferences::storageNoticeChanged);
  EXPECT_FALSE(preferences.storageNotice());
  arrange(*store);

  preferences.setAppearance(BrowserAppearance::Dark);
  preferences.setShowShortcuts(false);

  // The choices hold in this run.
  EXPECT_EQ(preferences.appearance(), BrowserAppearance::Dark);
  EXPECT_FALSE(preferences.showShortcuts());
  EXPECT_EQ(preferences.backdrop(), Backdrop::Forest);
  // What the user is told.
  const std::optional<QString> notice = preferences.storageNotice();
  ASSERT_TRUE(notice);
  EXPECT_TRUE(notice->startsWith(QString::fromUtf8(c.told))) << notice->toStdString();
  EXPECT_GE(noticeChanged.count(), 1);
  EXPECT_EQ(failed.count(), c.fails ? 1 : 0);
  if (c.fails) {
    EXPECT_EQ(failed.first().first().toString(), *notice);
  }
  // What is on disk.
  switch (c.fault) {
    case Fault::ReadOnlyFolder:
    case Fault::FullFileSystem:
      EXPECT_EQ(contents(m_path), before);
      break;
    case Fault::FolderInPlace:
      EXPECT_EQ(type(), mode_t(S_IFDIR));
      EXPECT_TRUE(QDir(m_path).isEmpty());
      break;
    case Fault::FifoInPlace:
      EXPECT_EQ(type(), mode_t(S_IFIFO));
      break;
    case Fault::DamagedFile:
      ASSERT_EQ(copies().size(), 1);
      EXPECT_EQ(contents(copies().front()), QByteArray(R"({"kivo.backdrop":"forest","kivo.acc)"));
      EXPECT_TRUE(notice->contains(copies().front()));
      EXPECT_EQ(contents(m_path),
                QByteArray(R"({"kivo.appearance":"dark","kivo.backdrop":"forest","kivo.shortcuts":false})"));
      break;
  }
  EXPECT_TRUE(copies().isEmpty() || c.fault == Fault::DamagedFile);

  // Once the way is clear, the next change saves every choice held back.
  clear(*store);
  preferences.setBackdrop(Backdrop::Dawn);
  EXPECT_EQ(contents(m_path),
            QByteArray(R"({"kivo.appearance":"dark","kivo.backdrop":"dawn","kivo.shortcuts":false})"));
  EXPECT_EQ(preferences.storageNotice().has_value(), c.fault == Fault::DamagedFile);
  EXPECT_EQ(failed.count(), c.fails ? 1 : 0);
  const auto reopened = open();
  EXPECT_EQ(reopened->text(QStringLiteral("kivo.appearance")), QStringLiteral("dark"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, StorageFaults,
    testing::Values(FaultCase{"ReadOnlyFolder", Fault::ReadOnlyFolder, "Ayarlar kaydedilemedi: klasör salt okunur (",
                              true},
                    FaultCase{"FullFileSystem", Fault::FullFileSystem, "Ayarlar kaydedilemedi: diskte yer kalmadı (",
                              true},
                    FaultCase{"FolderInPlace", Fault::FolderInPlace,
                              "Ayarlar kaydedilemedi: dosyanın yerinde bir klasör var (", true},
                    FaultCase{"FifoInPlace", Fault::FifoInPlace,
                              "Ayarlar kaydedilemedi: dosyanın yerinde normal dosya olmayan bir öğe var (", true},
                    FaultCase{"DamagedFile", Fault::DamagedFile, "Ayar dosyası bozuktu; eski hali ", false}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// Two processes on one file, each with a store of its own: a save writes its
// own change over what the file holds now, so neither loses the other's.
TEST_F(SettingsFileTest, TwoStoresKeepEachOthersChanges) {
  const auto first = open();
  const auto second = open();
  BrowserPreferences one(first);
  BrowserPreferences other(second);

  one.setAppearance(BrowserAppearance::Dark);
  other.setAccentHex(QStringLiteral("25846a"));
  EXPECT_EQ(contents(m_path), QByteArray(R"({"kivo.accent":"25846a","kivo.appearance":"dark"})"));
  // The second saw the first's change when it saved.
  EXPECT_EQ(other.appearance(), BrowserAppearance::Dark);

  // The first reads the second's change when its folder changes.
  QSignalSpy accent(&one, &BrowserPreferences::accentHexChanged);
  QSignalSpy appearance(&one, &BrowserPreferences::appearanceChanged);
  first->reload();
  EXPECT_EQ(one.accentHex(), QStringLiteral("25846a"));
  EXPECT_EQ(accent.count(), 1);
  EXPECT_EQ(appearance.count(), 0);

  // A removal takes only its own key away.
  second->remove(QStringLiteral("kivo.appearance"));
  one.setShowShortcuts(false);
  EXPECT_EQ(contents(m_path), QByteArray(R"({"kivo.accent":"25846a","kivo.shortcuts":false})"));
  EXPECT_EQ(one.appearance(), BrowserAppearance::System);
}

TEST_F(SettingsFileTest, AChangeSavedByAnotherStoreArrivesWithoutAReload) {
  const auto first = open();
  const auto second = open();
  BrowserPreferences one(first);
  BrowserPreferences other(second);
  QSignalSpy backdrop(&other, &BrowserPreferences::backdropChanged);
  one.setBackdrop(Backdrop::Forest);
  // The folder watch delivers it through the event loop; the bound is only
  // reached by a watch that never reports.
  ASSERT_TRUE(backdrop.wait(30000));
  EXPECT_EQ(other.backdrop(), Backdrop::Forest);
}

}  // namespace
