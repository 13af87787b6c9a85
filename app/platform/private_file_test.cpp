#include "platform/private_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include "platform/regular_file.h"
#include "platform/temporary_folder.h"

namespace {

mode_t permissions(const QString& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
  return info.st_mode & 07777;
}

// Sets the process's umask for one scope.
class UmaskScope {
public:
  explicit UmaskScope(mode_t mask) : m_saved(::umask(mask)) {}
  ~UmaskScope() { ::umask(m_saved); }

private:
  mode_t m_saved;
};

TEST(PrivateFileTest, NewFileIsOwnerOnlyWhateverTheUmask) {
  TemporaryFolder folder(QStringLiteral("kivo-private-file-test-"));
  // 0277 would leave the owner unable to write the file again.
  for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
    const QString path = folder.filePath(QStringLiteral("file-%1").arg(mask, 0, 8));
    UmaskScope scope(mask);
    FileDescriptor file = createPrivateFile(path);
    ASSERT_TRUE(file.isOpen()) << mask;
    EXPECT_EQ(file.writeAll(QByteArrayView("x")), 0);
    EXPECT_EQ(permissions(path), 0600u) << mask;
  }
}

// Whatever holds the name stays as it was, and a link is never followed to
// create or open its target.
TEST(PrivateFileTest, SomethingAtThePathIsNeverOpenedNorFollowed) {
  TemporaryFolder folder(QStringLiteral("kivo-private-file-test-"));
  const QString existing = folder.filePath(QStringLiteral("existing"));
  writeNewFile(existing, "kept");
  const QString linkToExisting = folder.filePath(QStringLiteral("link"));
  const QString dangling = folder.filePath(QStringLiteral("dangling"));
  const QString nowhere = folder.filePath(QStringLiteral("nowhere"));
  ASSERT_TRUE(QFile::link(existing, linkToExisting));
  ASSERT_TRUE(QFile::link(nowhere, dangling));

  for (const QString& path : {existing, linkToExisting, dangling}) {
    errno = 0;
    const FileDescriptor file = createPrivateFile(path);
    EXPECT_FALSE(file.isOpen()) << path.toStdString();
    EXPECT_EQ(errno, EEXIST) << path.toStdString();
  }
  EXPECT_EQ(readRegularFile(existing, 100), QByteArray("kept"));
  EXPECT_EQ(permissions(existing), 0600u);
  EXPECT_FALSE(QFileInfo::exists(nowhere));
}

// The profile's stores cover the replacement itself (no temporary file left,
// the old file kept on failure); here: a link in the file's place is
// replaced by the file, and what it pointed to is left alone.
TEST(PrivateFileTest, ReplacingALinkLeavesItsTargetAlone) {
  TemporaryFolder folder(QStringLiteral("kivo-private-file-test-"));
  const QString elsewhere = folder.filePath(QStringLiteral("elsewhere"));
  writeNewFile(elsewhere, "theirs");
  const QString path = folder.filePath(QStringLiteral("settings.json"));
  ASSERT_TRUE(QFile::link(elsewhere, path));

  replaceFileAtomically(path, "{}");

  EXPECT_FALSE(QFileInfo(path).isSymLink());
  EXPECT_EQ(readRegularFile(path, 100), QByteArray("{}"));
  EXPECT_EQ(permissions(path), 0600u);
  EXPECT_EQ(readRegularFile(elsewhere, 100), QByteArray("theirs"));
  EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
            (QStringList{QStringLiteral("elsewhere"), QStringLiteral("settings.json")}));
}

}  // namespace
