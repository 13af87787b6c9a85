#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <thread>

namespace {

// How long a waiting taker sleeps between two tries.
constexpr std::chrono::milliseconds kRetryInterval{5};

// flock() without waiting; 0 or the errno value.
int tryLock(int fd) {
  int result = 0;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0 ? 0 : errno;
}

}  // namespace

FileLock FileLock::take(const QString& path, std::chrono::milliseconds patience) {
  FileLock lock;
  FileDescriptor file =
      FileDescriptor::open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
  if (!file.isOpen()) {
    lock.m_error = errno;
    return lock;
  }
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  int code = tryLock(file.get());
  while (code == EWOULDBLOCK && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(kRetryInterval);
    code = tryLock(file.get());
  }
  lock.m_error = code;
  if (code == 0) lock.m_file = std::move(file);
  return lock;
}
