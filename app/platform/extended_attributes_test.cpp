#include "platform/extended_attributes.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cerrno>

#include "platform/regular_file.h"
#include "platform/temporary_folder.h"

namespace {

constexpr const char* kName = "user.kivo.test";

TEST(ExtendedAttributesTest, SetsAndReadsAFilesOwnAttributes) {
  TemporaryFolder folder(QStringLiteral("kivo-attributes-test-"));
  const QString path = folder.filePath(QStringLiteral("file"));
  writeNewFile(path, "content");
  const int code = setExtendedAttribute(path, kName, "value");
  if (code == ENOTSUP || code == EOPNOTSUPP) GTEST_SKIP() << "the temporary folder keeps no extended attributes";
  ASSERT_EQ(code, 0);
  EXPECT_EQ(extendedAttribute(path, kName), QByteArray("value"));
  EXPECT_EQ(extendedAttribute(path, "user.kivo.other"), std::nullopt);
  EXPECT_EQ(extendedAttribute(folder.filePath(QStringLiteral("missing")), kName), std::nullopt);
  ASSERT_EQ(setExtendedAttribute(path, kName, QByteArray()), 0);
  EXPECT_EQ(extendedAttribute(path, kName), QByteArray());
}

// A link in a downloaded file's place must not pass its mark on to the file
// it points to, nor show that file's marks as its own.
TEST(ExtendedAttributesTest, NeverFollowsALink) {
  TemporaryFolder folder(QStringLiteral("kivo-attributes-test-"));
  const QString target = folder.filePath(QStringLiteral("target"));
  writeNewFile(target, "content");
  const QString link = folder.filePath(QStringLiteral("link"));
  ASSERT_TRUE(QFile::link(target, link));

  EXPECT_NE(setExtendedAttribute(link, kName, "through the link"), 0);
  EXPECT_EQ(extendedAttribute(target, kName), std::nullopt);

  const int code = setExtendedAttribute(target, kName, "the target's");
  if (code == ENOTSUP || code == EOPNOTSUPP) GTEST_SKIP() << "the temporary folder keeps no extended attributes";
  ASSERT_EQ(code, 0);
  EXPECT_EQ(extendedAttribute(link, kName), std::nullopt);
}

}  // namespace
