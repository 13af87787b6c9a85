#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_descriptor.h"
#include "platform/private_file.h"
#include "platform/system_error.h"

namespace {

std::string describe(const char* operation, const QString& path) {
  return std::string(operation) + " " + path.toStdString();
}

}  // namespace

bool isRegularFile(const QString& path) {
  struct stat info {};
  const QByteArray native = path.toLocal8Bit();
  if (::stat(native.constData(), &info) != 0) throw SystemError(errno, describe("examine", path));
  return S_ISREG(info.st_mode);
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 bound) {
  const FileDescriptor file = FileDescriptor::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (!file.isOpen()) throw SystemError(errno, describe("open", path));
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) throw SystemError(errno, describe("examine", path));
  if (!S_ISREG(info.st_mode)) return std::nullopt;

  // The size may change while we read, so it only sizes the first allocation;
  // the bound is what stops the read.
  QByteArray bytes;
  const qint64 expected = info.st_size < bound ? info.st_size + 1 : bound;
  bytes.reserve(static_cast<qsizetype>(expected < 1 ? 1 : expected));
  char buffer[64 * 1024];
  while (bytes.size() < bound) {
    const qint64 want = std::min<qint64>(static_cast<qint64>(sizeof buffer), bound - bytes.size());
    const ssize_t n = ::read(file.get(), buffer, static_cast<size_t>(want));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw SystemError(errno, describe("read", path));
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<qsizetype>(n));
  }
  return bytes;
}

void writeNewFile(const QString& path, const QByteArray& bytes) {
  FileDescriptor file = createPrivateFile(path);
  if (!file.isOpen()) throw SystemError(errno, describe("create", path));
  if (const int code = file.writeAll(bytes); code != 0) throw SystemError(code, describe("write", path));
  if (const int code = file.close(); code != 0) throw SystemError(code, describe("close", path));
}
