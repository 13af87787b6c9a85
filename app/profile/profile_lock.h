// The one-owner rule of a profile folder: the process that holds an exclusive
// lock on "kivo.lock" in the folder owns the profile's files; any other
// process that opens the same folder may read them but must write nothing.
//
// The lock is a FileLock on the file, taken without waiting, so two
// ProfileLocks on one folder exclude each other also within one process.
#pragma once

#include <QString>

#include "platform/file_lock.h"

class ProfileLock {
public:
  static constexpr const char* kFileName = "kivo.lock";

  enum class State {
    Owner,           // this object holds the lock
    HeldElsewhere,   // another holder has it: write nothing
    Unavailable,     // no lock could be had (a folder that cannot be made,
                     // something else in the lock file's place, a file
                     // system without locks); see error(). Nobody can tell
                     // whether another process writes the folder.
  };

  using LockCall = FileLock::LockCall;

  // Creates the folder when it is missing (0700) and tries to take the lock
  // with `lock` (by default flock). Never fails.
  explicit ProfileLock(const QString& folder, const LockCall& lock = {});
  // Releases the lock.
  ~ProfileLock();

  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;

  State state() const { return m_state; }
  // Why the lock was unavailable; empty otherwise.
  const QString& error() const { return m_error; }

private:
  FileLock m_lock;
  State m_state = State::Unavailable;
  QString m_error;
};
