#include "profile/profile_files.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "base/decoding_error.h"
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

TEST(ProfileFilesTest, OnlyAPathThatNamesNothingIsMissing) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  ProfileFiles::write("x", folder.filePath(QStringLiteral("plain")));
  for (const QString& name : {QStringLiteral("none.json"), QStringLiteral("none/list.json"), QStringLiteral("plain/list.json")}) {
    const ProfileFiles::ReadResult read = ProfileFiles::read(folder.filePath(name), 1024);
    EXPECT_EQ(read.kind, ProfileFiles::ReadResult::Kind::Missing) << name.toStdString();
  }
}

// Something is at the path but cannot be read: the store must know, so that it
// never replaces it. None of these may block.
TEST(ProfileFilesTest, WhatCannotBeReadIsUnreadableWithTheSystemsDescription) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  struct Case {
    QString path;
    QString error;
  };
  std::vector<Case> cases;
  const QString fifo = folder.filePath(QStringLiteral("fifo.json"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  cases.push_back({fifo, QStringLiteral("Not a regular file")});
  const QString zero = folder.filePath(QStringLiteral("zero.json"));
  ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(zero).constData()), 0);
  cases.push_back({zero, QStringLiteral("Not a regular file")});
  const QString directory = folder.filePath(QStringLiteral("dir.json"));
  ASSERT_TRUE(QDir().mkdir(directory));
  cases.push_back({directory, QStringLiteral("Not a regular file")});
  const QString loop = folder.filePath(QStringLiteral("loop.json"));
  ASSERT_EQ(::symlink("loop.json", QFile::encodeName(loop).constData()), 0);
  cases.push_back({loop, QStringLiteral("Too many levels of symbolic links")});
  // The superuser reads every file, so a file without permissions tells only
  // for other users.
  if (::geteuid() != 0) {
    const QString closed = folder.filePath(QStringLiteral("closed.json"));
    ProfileFiles::write("[]", closed);
    ASSERT_EQ(::chmod(QFile::encodeName(closed).constData(), 0), 0);
    cases.push_back({closed, QStringLiteral("Permission denied")});
  }
  for (const Case& c : cases) {
    const ProfileFiles::ReadResult read = ProfileFiles::read(c.path, 1024);
    EXPECT_EQ(read.kind, ProfileFiles::ReadResult::Kind::Unreadable) << c.path.toStdString();
    EXPECT_EQ(read.error, c.error) << c.path.toStdString();
  }
}

QStringList folderEntries(const QString& path) {
  return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(ProfileFilesTest, KeptAsideFilesKeepTheirThreeNewestGenerations) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  const QString path = folder.filePath(QStringLiteral("history.json"));
  // Files of other names, an older form of name and a foreign suffix stay.
  ProfileFiles::write("older form", path + QStringLiteral(".bad"));
  ProfileFiles::write("not ours", path + QStringLiteral(".bad-notes"));
  ProfileFiles::write("other list", folder.filePath(QStringLiteral("downloads.json.bad-20260101T000000Z")));
  const QDateTime second(QDate(2026, 12, 10), QTime(23, 45, 1), Qt::UTC);
  const QList<std::pair<QByteArray, QDateTime>> generations = {
      {"first", second}, {"second", second}, {"third", second.addSecs(1)}, {"fourth", second.addSecs(1)}};
  for (const auto& [text, moment] : generations) {
    ProfileFiles::write(text, path);
    ProfileFiles::keepAside(path, moment);
    EXPECT_FALSE(QFile::exists(path));
  }
  EXPECT_EQ(folderEntries(folder.path()),
            (QStringList{QStringLiteral("downloads.json.bad-20260101T000000Z"), QStringLiteral("history.json.bad"),
                         QStringLiteral("history.json.bad-20261210T234501Z-2"),
                         QStringLiteral("history.json.bad-20261210T234502Z"),
                         QStringLiteral("history.json.bad-20261210T234502Z-2"),
                         QStringLiteral("history.json.bad-notes")}));
  EXPECT_EQ(contents(path + QStringLiteral(".bad-20261210T234501Z-2")), "second");
  EXPECT_EQ(contents(path + QStringLiteral(".bad-20261210T234502Z")), "third");
  EXPECT_EQ(contents(path + QStringLiteral(".bad-20261210T234502Z-2")), "fourth");
  EXPECT_EQ(contents(path + QStringLiteral(".bad")), "older form");

  // A clock that went back still keeps the file just set aside.
  ProfileFiles::write("fifth", path);
  const QString made = ProfileFiles::keepAside(path, second.addYears(-1));
  EXPECT_EQ(made, path + QStringLiteral(".bad-20251210T234501Z"));
  EXPECT_EQ(contents(made), "fifth");
  EXPECT_FALSE(QFile::exists(path + QStringLiteral(".bad-20261210T234501Z-2")));
  EXPECT_TRUE(QFile::exists(path + QStringLiteral(".bad-20261210T234502Z-2")));
}

TEST(ProfileFilesTest, KeepingAsideAFileThatCannotMoveThrowsAndKeepsIt) {
  TemporaryFolder folder(QStringLiteral("kivo-profile-files-"));
  EXPECT_THROW(ProfileFiles::keepAside(folder.filePath(QStringLiteral("none.json"))), SystemError);
  EXPECT_TRUE(folderEntries(folder.path()).isEmpty());
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
