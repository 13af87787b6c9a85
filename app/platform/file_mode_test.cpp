#include "platform/file_mode.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <cerrno>

#include "platform/regular_file.h"
#include "platform/temporary_folder.h"
#include "platform/umask_scope.h"

namespace {

struct StatusCase {
  const char* text;
  std::optional<mode_t> mask;
};

TEST(FileModeTest, StatusUmaskLine) {
  const StatusCase cases[] = {
      {"Name:\tKivo\nUmask:\t0022\nState:\tR (running)\n", 022},
      {"Umask:\t0077\n", 077},
      {"Umask:\t0000", 0},
      {"Name:\tKivo\nState:\tR (running)\n", std::nullopt},
      {"Umask:\t\n", std::nullopt},
      {"Umask:\t0089\n", std::nullopt},
      {"Umask:\t00022\n", std::nullopt},
      {"XUmask:\t0022\n", std::nullopt},
  };
  for (const StatusCase& c : cases) {
    EXPECT_EQ(parseStatusUmask(QByteArray(c.text)), c.mask) << c.text;
  }
}

TEST(FileModeTest, CurrentUmaskIsReadWithoutChangingIt) {
  for (const mode_t mask : {mode_t{022}, mode_t{077}, mode_t{0}, mode_t{027}}) {
    UmaskScope scope(mask);
    EXPECT_EQ(currentUmask(), mask);
    EXPECT_EQ(newFileMode(), 0666 & ~mask);
    EXPECT_EQ(currentUmask(), mask) << "reading it leaves it as it was set";
  }
}

TEST(FileModeTest, SetsTheModeOfARegularFileOnly) {
  TemporaryFolder folder(QStringLiteral("kivo-file-mode-test-"));
  const QString file = folder.filePath(QStringLiteral("file"));
  writeNewFile(file, "x");
  ASSERT_EQ(setFileMode(file, 0644), 0);
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);

  // A link is not followed, and what it leads to keeps its mode.
  const QString link = folder.filePath(QStringLiteral("link"));
  ASSERT_TRUE(QFile::link(file, link));
  EXPECT_EQ(setFileMode(link, 0600), ELOOP);
  ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);

  EXPECT_EQ(setFileMode(folder.path(), 0600), EINVAL);
  EXPECT_EQ(setFileMode(folder.filePath(QStringLiteral("missing")), 0600), ENOENT);
}

}  // namespace
