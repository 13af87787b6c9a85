#include "profile/profile_files.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "loading/decoding_error.h"
#include "platform/system_error.h"
#include "platform/temporary_folder.h"

namespace {

mode_t permissions(const QString& path) {
  struct stat info {};
  EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
  return info.st_mode & 07777;
}

QByteArray contents(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

TEST(ProfileFilesTest, WriteCreatesPrivateFoldersAndFile) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  const QString path = folder.filePath(QStringLiteral("Kivo/Profile/history.json"));
  ::umask(022);
  ProfileFiles::write("[1]", path);
  EXPECT_EQ(contents(path), "[1]");
  EXPECT_EQ(permissions(path), 0600u);
  EXPECT_EQ(permissions(folder.filePath(QStringLiteral("Kivo"))), 0700u);
  EXPECT_EQ(permissions(folder.filePath(QStringLiteral("Kivo/Profile"))), 0700u);
  // Replacing leaves exactly one file behind: no temporary file stays.
  ProfileFiles::write("[2]", path);
  EXPECT_EQ(contents(path), "[2]");
  EXPECT_EQ(QDir(folder.filePath(QStringLiteral("Kivo/Profile"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("history.json")});
}

TEST(ProfileFilesTest, ExistingFolderKeepsItsPermissions) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  const QString profile = folder.filePath(QStringLiteral("Profile"));
  ASSERT_EQ(::mkdir(QFile::encodeName(profile).constData(), 0755), 0);
  ::chmod(QFile::encodeName(profile).constData(), 0755);
  ProfileFiles::write("[]", profile + QStringLiteral("/history.json"));
  EXPECT_EQ(permissions(profile), 0755u);
}

TEST(ProfileFilesTest, FolderBlockedByAFileFailsWithTheSystemDescription) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  const QString blocker = folder.filePath(QStringLiteral("Profile"));
  QFile file(blocker);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  try {
    ProfileFiles::write("[]", blocker + QStringLiteral("/history.json"));
    FAIL() << "the write must fail";
  } catch (const SystemError& error) {
    EXPECT_NE(std::string(error.what()).find("Not a directory"), std::string::npos) << error.what();
  }
}

// A full disk is stood in for by the file-size limit: the write fails midway,
// and the old file must survive whole, with no temporary file left.
TEST(ProfileFilesTest, FailedWriteLeavesTheOldFileIntact) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  const QString path = folder.filePath(QStringLiteral("downloads.json"));
  ProfileFiles::write("[\"old\"]", path);

  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool threw = false;
  try {
    ProfileFiles::write(QByteArray(4096, 'x'), path);
  } catch (const SystemError&) {
    threw = true;
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_TRUE(threw);
  EXPECT_EQ(contents(path), "[\"old\"]");
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{QStringLiteral("downloads.json")});
}

TEST(ProfileFilesTest, ReadHonoursTheLimitExactly) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  const QString path = folder.filePath(QStringLiteral("f.json"));
  ProfileFiles::write(QByteArray(100, 'a'), path);
  EXPECT_EQ(ProfileFiles::read(path, 100).kind, ProfileFiles::ReadResult::Kind::Read);
  EXPECT_EQ(ProfileFiles::read(path, 100).bytes.size(), 100);
  EXPECT_EQ(ProfileFiles::read(path, 99).kind, ProfileFiles::ReadResult::Kind::Oversized);
  EXPECT_EQ(ProfileFiles::read(folder.filePath(QStringLiteral("none.json")), 100).kind,
            ProfileFiles::ReadResult::Kind::Missing);
}

TEST(ProfileFilesTest, ReadRefusesFifosFoldersAndDevicesWithoutBlocking) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  const QString fifo = folder.filePath(QStringLiteral("fifo.json"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString zero = folder.filePath(QStringLiteral("zero.json"));
  ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(zero).constData()), 0);
  const QString directory = folder.filePath(QStringLiteral("dir.json"));
  ASSERT_TRUE(QDir().mkdir(directory));
  for (const QString& path : {fifo, zero, directory}) {
    EXPECT_EQ(ProfileFiles::read(path, 1024).kind, ProfileFiles::ReadResult::Kind::Missing) << path.toStdString();
  }
}

TEST(ProfileFilesTest, KeepAsideMovesTheFileToBad) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  const QString path = folder.filePath(QStringLiteral("history.json"));
  ProfileFiles::write("garbage", path);
  ProfileFiles::keepAside(path);
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_EQ(contents(path + QStringLiteral(".bad")), "garbage");
}

struct DecodeCase {
  const char* name;
  QByteArray text;
  int elements;  // -1: the text must be refused
};

TEST(ProfileFilesTest, DecodeObjectArrayRefusesEverythingButAnArrayOfObjects) {
  const std::vector<DecodeCase> cases = {
      {"empty array", "[]", 0},
      {"two objects", R"([{"a":1},{"b":{"c":[1,2]}}])", 2},
      {"byte order mark", "\xEF\xBB\xBF[{}]", 1},
      {"empty text", "", -1},
      {"truncated", R"([{"a":1},{"b":)", -1},
      {"top-level object", R"({"a":1})", -1},
      {"top-level number", "5", -1},
      {"number element", "[{},5]", -1},
      {"array element", "[{},[]]", -1},
      {"null element", "[null]", -1},
      {"trailing text", "[{}] x", -1},
      {"invalid UTF-8", "[{\"a\":\"\xC3\x28\"}]", -1},
      {"lone surrogate escape", R"([{"a":"\ud800"}])", -1},
      {"deep nesting", "[{\"a\":" + QByteArray(40, '[') + QByteArray(40, ']') + "}]", -1},
  };
  for (const DecodeCase& c : cases) {
    int seen = 0;
    bool refused = false;
    try {
      ProfileFiles::decodeObjectArray(c.text, [&](const nlohmann::json& value) {
        EXPECT_TRUE(value.is_object());
        ++seen;
      });
    } catch (const DecodingError&) {
      refused = true;
    }
    if (c.elements < 0) {
      EXPECT_TRUE(refused) << c.name;
    } else {
      EXPECT_FALSE(refused) << c.name;
      EXPECT_EQ(seen, c.elements) << c.name;
    }
  }
}

}  // namespace
