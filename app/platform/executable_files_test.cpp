#include "platform/executable_files.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QFile>

#include "platform/regular_file.h"
#include "platform/temporary_folder.h"

namespace {

TEST(ExecutableFilesTest, OnlyAnExecutableFileCanBeExecuted) {
  TemporaryFolder folder(QStringLiteral("kivo-executable-test-"));
  const QString program = folder.filePath(QStringLiteral("program"));
  writeNewFile(program, "#!/bin/sh\n");
  ASSERT_EQ(::chmod(QFile::encodeName(program).constData(), 0700), 0);
  const QString data = folder.filePath(QStringLiteral("data"));
  writeNewFile(data, "x");

  EXPECT_TRUE(canExecute(program));
  EXPECT_FALSE(canExecute(data));
  EXPECT_FALSE(canExecute(folder.filePath(QStringLiteral("missing"))));
  EXPECT_FALSE(canExecute(QString()));
}

}  // namespace
