#include "platform/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>

#include <cerrno>

#include "platform/system_error.h"
#include "platform/temporary_folder.h"

namespace {

TEST(RegularFileTest, ReadsThroughItsBound) {
  TemporaryFolder folder(QStringLiteral("kivo-file-test-"));
  const QString path = folder.filePath(QStringLiteral("a.html"));
  writeNewFile(path, QByteArray(100, 'a'));
  struct Case {
    qint64 bound;
    qsizetype expected;
  };
  for (const Case c : {Case{1000, 100}, Case{101, 100}, Case{100, 100}, Case{99, 99}, Case{0, 0}}) {
    SCOPED_TRACE(c.bound);
    const auto bytes = readRegularFile(path, c.bound);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), c.expected);
  }
}

TEST(RegularFileTest, RefusesWhatIsNotARegularFileWithoutBlocking) {
  TemporaryFolder folder(QStringLiteral("kivo-file-test-"));
  const QString fifo = folder.filePath(QStringLiteral("pipe"));
  ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  // No writer ever opens the FIFO: a blocking open would hang the test.
  EXPECT_FALSE(readRegularFile(fifo, 10).has_value());
  EXPECT_FALSE(isRegularFile(fifo));
  EXPECT_FALSE(readRegularFile(folder.path(), 10).has_value());
  EXPECT_FALSE(isRegularFile(folder.path()));
}

TEST(RegularFileTest, MissingFileIsASystemError) {
  TemporaryFolder folder(QStringLiteral("kivo-file-test-"));
  const QString missing = folder.filePath(QStringLiteral("missing.html"));
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      if (attempt == 0) {
        isRegularFile(missing);
      } else {
        (void)readRegularFile(missing, 10);
      }
      FAIL() << "a missing file must throw";
    } catch (const SystemError& error) {
      EXPECT_EQ(error.code(), ENOENT);
    }
  }
}

TEST(RegularFileTest, NewFileIsPrivateAndNeverReplacesAnother) {
  TemporaryFolder folder(QStringLiteral("kivo-file-test-"));
  const QString path = folder.filePath(QStringLiteral("document.html"));
  writeNewFile(path, QByteArrayLiteral("first"));
  struct stat info {};
  ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_THROW(writeNewFile(path, QByteArrayLiteral("second")), SystemError);
  EXPECT_EQ(*readRegularFile(path, 100), QByteArrayLiteral("first"));
}

}  // namespace
