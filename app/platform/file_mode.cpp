#include "platform/file_mode.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QList>

#include <cerrno>
#include <exception>

#include "platform/file_descriptor.h"
#include "platform/regular_file.h"

namespace {

// The status text is a few kilobytes; the bound only guards against a
// surprise.
constexpr qint64 kStatusBound = 65'536;

}  // namespace

std::optional<mode_t> parseStatusUmask(const QByteArray& status) {
  static const QByteArray kKey = QByteArrayLiteral("Umask:");
  for (const QByteArray& line : status.split('\n')) {
    if (!line.startsWith(kKey)) continue;
    const QByteArray value = line.mid(kKey.size()).trimmed();
    if (value.isEmpty() || value.size() > 4) return std::nullopt;
    mode_t mask = 0;
    for (const char c : value) {
      if (c < '0' || c > '7') return std::nullopt;
      mask = static_cast<mode_t>(mask * 8 + static_cast<mode_t>(c - '0'));
    }
    return mask;
  }
  return std::nullopt;
}

mode_t currentUmask() {
  try {
    if (const std::optional<QByteArray> status = readRegularFile(QStringLiteral("/proc/self/status"), kStatusBound)) {
      if (const std::optional<mode_t> mask = parseStatusUmask(*status)) return *mask;
    }
  } catch (const std::exception&) {
    // No /proc: read it the old way below.
  }
  const mode_t mask = ::umask(077);
  ::umask(mask);
  return mask;
}

mode_t newFileMode() {
  return 0666 & ~currentUmask();
}

int setFileMode(const QString& path, mode_t mode) {
  const FileDescriptor file =
      FileDescriptor::open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (!file.isOpen()) return errno;
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return errno;
  if (!S_ISREG(info.st_mode)) return EINVAL;
  return ::fchmod(file.get(), mode) == 0 ? 0 : errno;
}
