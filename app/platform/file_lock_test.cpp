#include "platform/file_lock.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <optional>

#include "platform/temporary_folder.h"

namespace {

TEST(FileLock, ExcludesASecondTakerUntilTheFirstLetsGo) {
  const TemporaryFolder folder(QStringLiteral("kivo-lock-"));
  const QString path = folder.filePath(QStringLiteral("x.lock"));
  std::optional<FileLock> first = FileLock::take(path);
  ASSERT_TRUE(first->held());
  EXPECT_EQ(first->error(), 0);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  const FileLock second = FileLock::take(path, std::chrono::milliseconds(20));
  EXPECT_FALSE(second.held());
  EXPECT_EQ(second.error(), EWOULDBLOCK);

  first.reset();
  EXPECT_TRUE(FileLock::take(path).held());
}

TEST(FileLock, AFifoInThePlaceOfTheFileNeverBlocks) {
  const TemporaryFolder folder(QStringLiteral("kivo-lock-"));
  const QString path = folder.filePath(QStringLiteral("x.lock"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
  // Reaching the next line at all is the test: an open that waited for a
  // reader would hang here.
  const FileLock lock = FileLock::take(path);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(FileLock, AMissingFolderIsReported) {
  const TemporaryFolder folder(QStringLiteral("kivo-lock-"));
  const FileLock lock = FileLock::take(folder.filePath(QStringLiteral("no/x.lock")));
  EXPECT_FALSE(lock.held());
  EXPECT_EQ(lock.error(), ENOENT);
}

}  // namespace
