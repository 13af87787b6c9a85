#include "platform/file_descriptor.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>

#include <cerrno>

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) reset(other.release());
  return *this;
}

FileDescriptor FileDescriptor::open(const QString& path, int flags, mode_t mode) {
  return FileDescriptor(::open(QFile::encodeName(path).constData(), flags, mode));
}

FileDescriptor FileDescriptor::socket(int domain, int type, int protocol) {
  return FileDescriptor(::socket(domain, type | SOCK_CLOEXEC, protocol));
}

int FileDescriptor::release() noexcept {
  const int fd = m_fd;
  m_fd = -1;
  return fd;
}

void FileDescriptor::reset(int fd) noexcept {
  if (m_fd >= 0) {
    const int saved = errno;
    ::close(m_fd);
    errno = saved;
  }
  m_fd = fd;
}

int FileDescriptor::close() noexcept {
  if (m_fd < 0) return EBADF;
  // Linux releases the descriptor even when close() fails, so it is never
  // closed a second time.
  const int fd = release();
  return ::close(fd) == 0 ? 0 : errno;
}

int FileDescriptor::writeAll(QByteArrayView bytes) noexcept {
  qsizetype written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(m_fd, bytes.data() + written, static_cast<size_t>(bytes.size() - written));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    written += n;
  }
  return 0;
}

int FileDescriptor::sync() noexcept {
  return ::fsync(m_fd) == 0 ? 0 : errno;
}
