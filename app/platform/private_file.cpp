#include "platform/private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <string>

#include "platform/file_rename.h"
#include "platform/system_error.h"

namespace {

std::string describe(const char* operation, const QString& path) {
  return std::string(operation) + " " + path.toStdString();
}

void removeFile(const QString& path) {
  const int saved = errno;
  ::unlink(QFile::encodeName(path).constData());
  errno = saved;
}

// Writes the bytes into a new private temporary file beside the target and
// flushes them; returns its path. Errors name the target.
QString writeTemporary(const QByteArray& bytes, const QString& folder, const QString& name) {
  const QString target = folder + QLatin1Char('/') + name;
  for (int attempt = 0;; ++attempt) {
    const QString path = folder + QStringLiteral("/.") + name + QLatin1Char('.') +
                         QString::number(QRandomGenerator::system()->generate64(), 16) + QStringLiteral(".tmp");
    FileDescriptor file = createPrivateFile(path);
    if (!file.isOpen()) {
      if (errno == EEXIST && attempt < 8) continue;
      throw SystemError(errno, describe("write", target));
    }
    // A failed step removes the temporary file, so that nothing is left.
    const auto check = [&](int code, const char* step) {
      if (code == 0) return;
      removeFile(path);
      throw SystemError(code, describe(step, target));
    };
    check(file.writeAll(bytes), "write");
    check(file.sync(), "flush");
    // Closing can report a write error that surfaced only now.
    check(file.close(), "write");
    return path;
  }
}

// Flushes the folder, so that the rename itself survives a power loss.
void flushFolder(const QString& folder) {
  FileDescriptor directory = FileDescriptor::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (!directory.isOpen()) throw SystemError(errno, describe("open folder", folder));
  // Some file systems cannot flush a folder and say so with EINVAL; the
  // rename is then as safe as they make it.
  if (const int code = directory.sync(); code != 0 && code != EINVAL) {
    throw SystemError(code, describe("flush folder", folder));
  }
}

}  // namespace

FileDescriptor createPrivateFile(const QString& path) {
  FileDescriptor file = FileDescriptor::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (!file.isOpen()) return file;
  // The umask may have taken the owner's own rights away.
  if (::fchmod(file.get(), 0600) != 0) {
    const int code = errno;
    file.reset();
    removeFile(path);
    errno = code;
    return FileDescriptor();
  }
  return file;
}

void replaceFileAtomically(const QString& path, const QByteArray& bytes) {
  const QFileInfo info(path);
  const QString folder = info.absolutePath();
  // 1. Write and flush a temporary file.
  const QString temporary = writeTemporary(bytes, folder, info.fileName());
  // 2. Replace the file in one step.
  if (const int code = renameFile(temporary, info.absoluteFilePath()); code != 0) {
    removeFile(temporary);
    throw SystemError(code, describe("replace", path));
  }
  // 3. Flush the folder.
  flushFolder(folder);
}
