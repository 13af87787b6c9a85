#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <thread>

namespace {

// How long a waiting taker sleeps between two tries.
constexpr std::chrono::milliseconds kRetryInterval{5};

}  // namespace

int lockExclusivelyWithoutWaiting(int descriptor) {
  while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

FileLock FileLock::take(const QString& path, std::chrono::milliseconds patience, const LockCall& lock) {
  const LockCall& tryLock = lock ? lock : LockCall(lockExclusivelyWithoutWaiting);
  FileLock taken;
  FileDescriptor file =
      FileDescriptor::open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
  if (!file.isOpen()) {
    taken.m_error = errno;
    return taken;
  }
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  int code = tryLock(file.get());
  while (code == EWOULDBLOCK && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(kRetryInterval);
    code = tryLock(file.get());
  }
  taken.m_error = code;
  if (code == 0) taken.m_file = std::move(file);
  return taken;
}
