#include "platform/canonical_path.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>

#include "platform/regular_file.h"
#include "platform/temporary_folder.h"

namespace {

TEST(CanonicalPathTest, OneFileReachedEveryWayHasOnePath) {
  TemporaryFolder folder(QStringLiteral("kivo-canonical-test-"));
  // The temporary folder itself may lie behind a link.
  const QString root = canonicalPath(folder.path());
  writeNewFile(folder.filePath(QStringLiteral("page.html")), "a");
  ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("sub")));
  ASSERT_EQ(::symlink("page.html", folder.filePath(QStringLiteral("link.html")).toLocal8Bit().constData()), 0);
  struct Case {
    const char* reached;
    const char* expected;
    bool resolves;
  };
  const Case cases[] = {
      {"/page.html", "/page.html", true},
      {"/link.html", "/page.html", true},
      {"/sub/../page.html", "/page.html", true},
      {"/./sub//../link.html", "/page.html", true},
      // What does not resolve keeps its form without dot segments.
      {"/sub/../missing.html", "/missing.html", false},
      {"/missing/../sub/x.html", "/sub/x.html", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reached);
    EXPECT_EQ(canonicalPath(folder.path() + QString::fromLatin1(c.reached)),
              (c.resolves ? root : folder.path()) + QString::fromLatin1(c.expected));
  }
}

}  // namespace
