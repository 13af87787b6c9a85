#include "platform/file_rename.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <QFile>

#include <cerrno>

int renameFile(const QString& from, const QString& to) {
  return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0 ? 0 : errno;
}

int renameWithoutReplacing(const QString& from, const QString& to) {
  const QByteArray source = QFile::encodeName(from);
  const QByteArray target = QFile::encodeName(to);
  if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) return 0;
  // EINVAL and ENOSYS are how a file system or a kernel without the
  // no-replace rename answers.
  if (errno != EINVAL && errno != ENOSYS) return errno;
  return renameWithoutReplacingByLooking(from, to);
}

int renameWithoutReplacingByLooking(const QString& from, const QString& to) {
  struct stat info {};
  if (::lstat(QFile::encodeName(to).constData(), &info) == 0) return EEXIST;
  return renameFile(from, to);
}
