// Sets the process's umask for one scope, and reads the permission bits it
// left, for tests of file modes. Test code only.
#pragma once

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QString>

class UmaskScope {
public:
  explicit UmaskScope(mode_t mask) : m_saved(::umask(mask)) {}
  ~UmaskScope() { ::umask(m_saved); }

  UmaskScope(const UmaskScope&) = delete;
  UmaskScope& operator=(const UmaskScope&) = delete;

private:
  mode_t m_saved;
};

// The permission bits of what is at `path` (a link itself, never followed);
// a path that cannot be examined fails the test.
inline mode_t permissionBits(const QString& path) {
  struct stat info {};
  EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
  return info.st_mode & 07777;
}
