// Advisory locks between processes: an exclusive flock() on a lock file.
//
// The kernel drops the lock when its holder closes the file or ends, also by
// a crash, so a lock is never left behind. Every FileLock opens the file
// anew, so two of them on one path exclude each other also within one
// process. The descriptor is not inherited by child processes.
#pragma once

#include <QString>

#include <chrono>

#include "platform/file_descriptor.h"

class FileLock {
public:
  FileLock() = default;

  // Opens the file at `path` (created 0600 when missing; a symbolic link is
  // never followed, and a FIFO there never blocks) and takes its exclusive
  // lock, trying again for up to `patience` while another holder has it.
  // Never fails: a lock that could not be had reports why in error().
  static FileLock take(const QString& path, std::chrono::milliseconds patience = std::chrono::milliseconds(0));

  bool held() const { return m_file.isOpen(); }
  // The errno value of the step that failed: EWOULDBLOCK while another holder
  // keeps the lock; 0 while the lock is held.
  int error() const { return m_error; }

private:
  FileDescriptor m_file;
  int m_error = 0;
};
