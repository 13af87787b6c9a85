// Advisory locks between processes: an exclusive flock() on a lock file.
//
// The kernel drops the lock when its holder closes the file or ends, also by
// a crash, so a lock is never left behind. Every FileLock opens the file
// anew, so two of them on one path exclude each other also within one
// process. The descriptor is not inherited by child processes.
#pragma once

#include <QString>

#include <chrono>
#include <functional>

#include "platform/file_descriptor.h"

// Takes an exclusive lock on the open file `descriptor` without waiting.
// Returns 0 when the lock is held, EWOULDBLOCK when someone else holds it, or
// the errno value of another failure (ENOLCK, EINVAL on a file system without
// locks, ...). The lock goes with the last descriptor of the open file.
int lockExclusivelyWithoutWaiting(int descriptor);

class FileLock {
public:
  // The call that locks an open descriptor, in the form of
  // lockExclusivelyWithoutWaiting (which it is unless a test gives another).
  using LockCall = std::function<int(int descriptor)>;

  FileLock() = default;

  // Opens the file at `path` (created 0600 when missing; a symbolic link is
  // never followed, and a FIFO there never blocks) and takes its exclusive
  // lock with `lock`, trying again for up to `patience` while another holder
  // has it. Never fails: a lock that could not be had reports why in error().
  static FileLock take(const QString& path, std::chrono::milliseconds patience = std::chrono::milliseconds(0),
                       const LockCall& lock = {});

  bool held() const { return m_file.isOpen(); }
  // The errno value of the step that failed: EWOULDBLOCK while another holder
  // keeps the lock; 0 while the lock is held.
  int error() const { return m_error; }

private:
  FileDescriptor m_file;
  int m_error = 0;
};
