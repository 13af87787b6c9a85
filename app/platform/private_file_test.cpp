#include "platform/private_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include "platform/regular_file.h"
#include "platform/system_error.h"
#include "platform/temporary_folder.h"
#include "platform/umask_scope.h"

namespace {

TEST(PrivateFileTest, NewFileIsOwnerOnlyWhateverTheUmask) {
  TemporaryFolder folder(QStringLiteral("kivo-private-file-test-"));
  // 0277 would leave the owner unable to write the file again.
  for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
    const QString path = folder.filePath(QStringLiteral("file-%1").arg(mask, 0, 8));
    UmaskScope scope(mask);
    FileDescriptor file = createPrivateFile(path);
    ASSERT_TRUE(file.isOpen()) << mask;
    EXPECT_EQ(file.writeAll(QByteArrayView("x")), 0);
    EXPECT_EQ(permissionBits(path), 0600u) << mask;
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
  EXPECT_EQ(permissionBits(existing), 0600u);
  EXPECT_FALSE(QFileInfo::exists(nowhere));
}

QStringList namesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// A file kept elsewhere behind a link (as dotfile set-ups do) stays behind its
// link: the link is kept and the file it leads to is replaced in its own
// folder, with no temporary file left in either folder.
struct LinkCase {
  const char* name;
  const char* link;               // what settings.json points to
  const char* second;             // a second link "elsewhere/second" and its target, or null
  const char* target;             // the file that must end up holding the bytes, or null
  int error;                      // the errno of the failure, or 0
};

class ReplacingThroughLinks : public testing::TestWithParam<LinkCase> {};

TEST_P(ReplacingThroughLinks, TheLinkStaysAndItsFileIsReplaced) {
  const LinkCase& c = GetParam();
  TemporaryFolder folder(QStringLiteral("kivo-private-file-test-"));
  const QString profile = folder.filePath(QStringLiteral("profile"));
  const QString elsewhere = folder.filePath(QStringLiteral("elsewhere"));
  ASSERT_TRUE(QDir().mkpath(profile));
  ASSERT_TRUE(QDir().mkpath(elsewhere));
  writeNewFile(elsewhere + QStringLiteral("/existing"), "theirs");
  const QString link = profile + QStringLiteral("/settings.json");
  const QString linkText = QString::fromUtf8(c.link).replace(QStringLiteral("@"), folder.path());
  ASSERT_EQ(::symlink(QFile::encodeName(linkText).constData(), QFile::encodeName(link).constData()), 0);
  if (c.second) {
    ASSERT_EQ(::symlink(c.second, QFile::encodeName(elsewhere + QStringLiteral("/second")).constData()), 0);
  }

  if (c.error != 0) {
    try {
      replaceFileAtomically(link, "{}");
      ADD_FAILURE() << "no failure";
    } catch (const SystemError& error) {
      EXPECT_EQ(error.code(), c.error);
    }
  } else {
    replaceFileAtomically(link, "{}");
  }

  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(QFileInfo(link).symLinkTarget(), QFileInfo(linkText.startsWith(QLatin1Char('/')) ? linkText : profile + QLatin1Char('/') + linkText).absoluteFilePath());
  EXPECT_EQ(namesIn(profile), QStringList{QStringLiteral("settings.json")});
  if (c.target) {
    const QString target = elsewhere + QLatin1Char('/') + QString::fromUtf8(c.target);
    EXPECT_EQ(readRegularFile(target, 100), QByteArray("{}"));
    EXPECT_EQ(readRegularFile(link, 100), QByteArray("{}"));
    EXPECT_EQ(permissionBits(target), 0600u);
  } else {
    EXPECT_EQ(readRegularFile(elsewhere + QStringLiteral("/existing"), 100), QByteArray("theirs"));
  }
  for (const QString& name : namesIn(elsewhere)) EXPECT_FALSE(name.endsWith(QStringLiteral(".tmp"))) << name.toStdString();
}

const LinkCase kLinkCases[] = {
    {"RelativeLinkToAFile", "../elsewhere/existing", nullptr, "existing", 0},
    {"AbsoluteLinkToAFile", "@/elsewhere/existing", nullptr, "existing", 0},
    {"ChainOfLinks", "../elsewhere/second", "existing", "existing", 0},
    {"DanglingLinkGetsItsFile", "../elsewhere/new.json", nullptr, "new.json", 0},
    {"LinkIntoAMissingFolderFails", "../missing/file.json", nullptr, nullptr, ENOENT},
    {"LinkToAFolderFails", "../elsewhere", nullptr, nullptr, EISDIR},
    {"LoopOfLinksFails", "../elsewhere/second", "second", nullptr, ELOOP},
};

INSTANTIATE_TEST_SUITE_P(Links, ReplacingThroughLinks, testing::ValuesIn(kLinkCases),
                         [](const testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

}  // namespace
