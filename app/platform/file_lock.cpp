#include "platform/file_lock.h"

#include <sys/file.h>

#include <cerrno>

int lockExclusivelyWithoutWaiting(int descriptor) {
  while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}
