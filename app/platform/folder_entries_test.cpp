#include "platform/folder_entries.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <string>

#include "platform/regular_file.h"
#include "platform/system_error.h"
#include "platform/temporary_folder.h"
#include "platform/umask_scope.h"

namespace {

TEST(FolderEntriesTest, MissingFoldersAreMadePrivateWhateverTheUmask) {
  TemporaryFolder folder(QStringLiteral("kivo-folder-entries-test-"));
  // 0777 would leave the new folders with no permissions at all.
  for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0777}}) {
    const QString outer = folder.filePath(QStringLiteral("outer-%1").arg(mask, 0, 8));
    const QString inner = outer + QStringLiteral("/middle/inner");
    {
      UmaskScope scope(mask);
      createPrivateFolder(inner + QLatin1Char('/'));
    }
    for (const QString& made : {outer, outer + QStringLiteral("/middle"), inner}) {
      EXPECT_TRUE(QFileInfo(made).isDir()) << made.toStdString();
      EXPECT_EQ(permissionBits(made), 0700u) << made.toStdString() << " umask " << mask;
    }
  }
}

TEST(FolderEntriesTest, AnExistingFolderKeepsItsPermissions) {
  TemporaryFolder folder(QStringLiteral("kivo-folder-entries-test-"));
  const QString existing = folder.filePath(QStringLiteral("shared"));
  ASSERT_TRUE(QDir().mkdir(existing));
  ASSERT_EQ(::chmod(QFile::encodeName(existing).constData(), 0755), 0);
  createPrivateFolder(existing);
  createPrivateFolder(existing + QStringLiteral("/own"));
  EXPECT_EQ(permissionBits(existing), 0755u);
  EXPECT_EQ(permissionBits(existing + QStringLiteral("/own")), 0700u);
}

// A file where a folder should be: either it is the folder asked for, or it
// stands on the way and the name below it cannot be examined.
TEST(FolderEntriesTest, AFileInTheWayFails) {
  TemporaryFolder folder(QStringLiteral("kivo-folder-entries-test-"));
  const QString file = folder.filePath(QStringLiteral("file"));
  writeNewFile(file, "x");
  const struct {
    QString path;
    int code;
    std::string message;
  } cases[] = {
      {file, ENOTDIR, "create folder " + file.toStdString() + ": Not a directory"},
      {file + QStringLiteral("/below/deeper"), ENOTDIR,
       "examine " + file.toStdString() + "/below/deeper: Not a directory"},
  };
  for (const auto& c : cases) {
    try {
      createPrivateFolder(c.path);
      ADD_FAILURE() << c.path.toStdString();
    } catch (const SystemError& error) {
      EXPECT_EQ(error.code(), c.code) << c.path.toStdString();
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
  EXPECT_EQ(readRegularFile(file, 10), QByteArray("x"));
}

// A folder with a file, a link to it, a dangling link and a subfolder.
class FolderEntriesNamesTest : public ::testing::Test {
protected:
  void SetUp() override {
    writeNewFile(file, "kept");
    ASSERT_TRUE(QFile::link(file, link));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("nowhere")), dangling));
    ASSERT_TRUE(QDir().mkdir(subfolder));
  }

  TemporaryFolder folder{QStringLiteral("kivo-folder-entries-test-")};
  const QString file = folder.filePath(QStringLiteral("file"));
  const QString link = folder.filePath(QStringLiteral("link"));
  const QString dangling = folder.filePath(QStringLiteral("dangling"));
  const QString subfolder = folder.filePath(QStringLiteral("folder"));
};

TEST_F(FolderEntriesNamesTest, PathExistsFollowsLinks) {
  const struct {
    QString path;
    bool exists;
  } cases[] = {
      {file, true},
      {subfolder, true},
      {link, true},
      {dangling, false},
      {folder.filePath(QStringLiteral("missing")), false},
      {file + QStringLiteral("/below"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(pathExists(c.path), c.exists) << c.path.toStdString();
}

TEST_F(FolderEntriesNamesTest, RemoveFileRemovesTheNameOnly) {
  EXPECT_EQ(removeFile(link), 0);
  EXPECT_FALSE(QFileInfo(link).isSymLink());
  EXPECT_EQ(readRegularFile(file, 10), QByteArray("kept"));
  EXPECT_EQ(removeFile(dangling), 0);
  EXPECT_FALSE(QFileInfo(dangling).isSymLink());
  EXPECT_EQ(removeFile(file), 0);
  EXPECT_FALSE(QFileInfo::exists(file));
  EXPECT_EQ(removeFile(file), ENOENT);
  EXPECT_EQ(removeFile(subfolder), EISDIR);
  EXPECT_TRUE(QFileInfo(subfolder).isDir());
}

TEST_F(FolderEntriesNamesTest, AModificationTimeComesBackToTheNanosecond) {
  const timespec chosen{1'700'000'000, 123'456'789};
  setModificationTime(link, chosen);
  const timespec read = modificationTime(file);
  EXPECT_EQ(read.tv_sec, chosen.tv_sec);
  EXPECT_EQ(read.tv_nsec, chosen.tv_nsec);
  try {
    modificationTime(dangling);
    ADD_FAILURE() << "a dangling link has no time";
  } catch (const SystemError& error) {
    EXPECT_EQ(error.code(), ENOENT);
    EXPECT_EQ(std::string(error.what()), "examine " + dangling.toStdString() + ": No such file or directory");
  }
  EXPECT_THROW(setModificationTime(dangling, chosen), SystemError);
}

}  // namespace
