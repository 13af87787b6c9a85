#include "platform/private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <string>

#include "platform/file_rename.h"
#include "platform/folder_entries.h"
#include "platform/system_error.h"

namespace {

std::string describe(const char* operation, const QString& path) {
  return std::string(operation) + " " + path.toStdString();
}

// Removes a file left by a failed step, keeping errno for the report.
void removeLeftover(const QString& path) {
  const int saved = errno;
  removeFile(path);
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
      removeLeftover(path);
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

// The folder part of `path`, taken as written: ".." and links in it are left
// for the kernel to resolve.
QString folderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QStringLiteral(".");
  if (slash == 0) return QStringLiteral("/");
  return path.left(slash);
}

// The file that `path` names once the symbolic links in its last part have
// been followed: `path` itself unless it is a link. A link's target need not
// exist; a chain of more than 40 links throws ELOOP, as the kernel would.
QString followLinks(const QString& path) {
  constexpr int kMaximumLinks = 40;
  QString current = path;
  for (int hop = 0; hop <= kMaximumLinks; ++hop) {
    const QByteArray native = QFile::encodeName(current);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
      // Nothing there yet: the file is made at this name.
      if (errno == ENOENT) return current;
      throw SystemError(errno, describe("examine", current));
    }
    if (!S_ISLNK(info.st_mode)) return current;
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(native.constData(), buffer, sizeof buffer);
    if (length < 0) throw SystemError(errno, describe("read link", current));
    if (static_cast<std::size_t>(length) >= sizeof buffer) throw SystemError(ENAMETOOLONG, describe("read link", current));
    const QString target = QFile::decodeName(QByteArray(buffer, static_cast<qsizetype>(length)));
    current = target.startsWith(QLatin1Char('/')) ? target : folderOf(current) + QLatin1Char('/') + target;
  }
  throw SystemError(ELOOP, describe("examine", path));
}

}  // namespace

FileDescriptor createPrivateFile(const QString& path) {
  FileDescriptor file = FileDescriptor::open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (!file.isOpen()) return file;
  // The umask may have taken the owner's own rights away.
  if (::fchmod(file.get(), 0600) != 0) {
    const int code = errno;
    file.reset();
    removeLeftover(path);
    errno = code;
    return FileDescriptor();
  }
  return file;
}

void replaceFileAtomically(const QString& path, const QByteArray& bytes) {
  // A link in the file's place stays: the file it leads to is replaced, in
  // that file's own folder, so that the rename stays within one file system.
  const QString absolute = path.startsWith(QLatin1Char('/')) ? path : QFileInfo(path).absoluteFilePath();
  const QString target = followLinks(absolute);
  const QString folder = folderOf(target);
  // 1. Write and flush a temporary file.
  const QString name = target.mid(target.lastIndexOf(QLatin1Char('/')) + 1);
  const QString temporary = writeTemporary(bytes, folder, name);
  // 2. Replace the file in one step.
  if (const int code = renameFile(temporary, target); code != 0) {
    removeLeftover(temporary);
    throw SystemError(code, describe("replace", path));
  }
  // 3. Flush the folder.
  flushFolder(folder);
}
