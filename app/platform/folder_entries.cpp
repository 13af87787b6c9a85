#include "platform/folder_entries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <string>

#include "platform/system_error.h"

namespace {

std::string describe(const char* operation, const QString& path) {
  return std::string(operation) + " " + path.toStdString();
}

}  // namespace

void createPrivateFolder(const QString& path) {
  QStringList missing;
  QString current = QDir::cleanPath(path);
  while (!current.isEmpty()) {
    struct stat info {};
    if (::stat(QFile::encodeName(current).constData(), &info) == 0) {
      if (!S_ISDIR(info.st_mode)) throw SystemError(ENOTDIR, describe("create folder", current));
      break;
    }
    if (errno != ENOENT) throw SystemError(errno, describe("examine", current));
    missing.prepend(current);
    const QString parent = QFileInfo(current).path();
    if (parent == current) break;
    current = parent;
  }
  for (const QString& folder : missing) {
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
      throw SystemError(errno, describe("create folder", folder));
    }
    // The umask must not decide who may read what the folder holds.
    if (::chmod(native.constData(), 0700) != 0) throw SystemError(errno, describe("set permissions of", folder));
  }
}

bool pathExists(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

int removeFile(const QString& path) {
  return ::unlink(QFile::encodeName(path).constData()) == 0 ? 0 : errno;
}

timespec modificationTime(const QString& path) {
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
    throw SystemError(errno, "examine " + path.toStdString());
  }
  return status.st_mtim;
}

void setModificationTime(const QString& path, const timespec& time) {
  const timespec times[2] = {{0, UTIME_OMIT}, time};
  if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) != 0) {
    throw SystemError(errno, "set the modification time of " + path.toStdString());
  }
}
