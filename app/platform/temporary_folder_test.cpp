#include "platform/temporary_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "platform/regular_file.h"

namespace {

TEST(TemporaryFolderTest, IsPrivateNamedAndRemovedWithItsContents) {
  QString path;
  {
    TemporaryFolder folder(QStringLiteral("kivo-render-"));
    path = folder.path();
    const QFileInfo info(path);
    EXPECT_EQ(info.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    const QRegularExpression name(QStringLiteral("^kivo-render-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    EXPECT_TRUE(name.match(info.fileName()).hasMatch()) << info.fileName().toStdString();
    struct stat status {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    writeNewFile(folder.filePath(QStringLiteral("document.html")), QByteArrayLiteral("<p>x"));
    ASSERT_TRUE(QDir(path).mkdir(QStringLiteral("inner")));
  }
  EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(TemporaryFolderTest, TwoFoldersNeverShareAName) {
  TemporaryFolder a(QStringLiteral("kivo-render-"));
  TemporaryFolder b(QStringLiteral("kivo-render-"));
  EXPECT_NE(a.path(), b.path());
}

}  // namespace
