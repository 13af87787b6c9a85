#include "platform/file_rename.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include "platform/regular_file.h"
#include "platform/temporary_folder.h"

namespace {

using Rename = int (*)(const QString&, const QString&);

// The kernel's no-replace rename and the fallback for file systems without
// it must agree on every case.
class RenameWithoutReplacingTest : public ::testing::TestWithParam<Rename> {};

INSTANTIATE_TEST_SUITE_P(Both, RenameWithoutReplacingTest,
                         ::testing::Values(&renameWithoutReplacing, &renameWithoutReplacingByLooking),
                         [](const ::testing::TestParamInfo<Rename>& info) {
                           return std::string(info.index == 0 ? "Kernel" : "ByLooking");
                         });

TEST_P(RenameWithoutReplacingTest, MovesIntoAFreeName) {
  TemporaryFolder folder(QStringLiteral("kivo-rename-test-"));
  const QString from = folder.filePath(QStringLiteral("from"));
  const QString to = folder.filePath(QStringLiteral("to"));
  writeNewFile(from, "moved");
  EXPECT_EQ(GetParam()(from, to), 0);
  EXPECT_FALSE(QFileInfo::exists(from));
  EXPECT_EQ(readRegularFile(to, 100), QByteArray("moved"));
  EXPECT_EQ(GetParam()(from, folder.filePath(QStringLiteral("other"))), ENOENT);
}

TEST_P(RenameWithoutReplacingTest, AnythingAtTheNameIsKept) {
  TemporaryFolder folder(QStringLiteral("kivo-rename-test-"));
  const QString from = folder.filePath(QStringLiteral("from"));
  writeNewFile(from, "new");
  const QString file = folder.filePath(QStringLiteral("file"));
  writeNewFile(file, "old");
  const QString subfolder = folder.filePath(QStringLiteral("folder"));
  ASSERT_TRUE(QDir().mkdir(subfolder));
  const QString dangling = folder.filePath(QStringLiteral("dangling"));
  ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("nowhere")), dangling));

  for (const QString& to : {file, subfolder, dangling}) {
    EXPECT_EQ(GetParam()(from, to), EEXIST) << to.toStdString();
  }
  EXPECT_EQ(readRegularFile(from, 100), QByteArray("new"));
  EXPECT_EQ(readRegularFile(file, 100), QByteArray("old"));
  EXPECT_TRUE(QFileInfo(subfolder).isDir());
  EXPECT_TRUE(QFileInfo(dangling).isSymLink());
  EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("nowhere"))));
}

}  // namespace
