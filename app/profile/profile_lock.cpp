#include "profile/profile_lock.h"

#include <QDir>

#include <cerrno>
#include <exception>
#include <system_error>

#include "platform/folder_entries.h"

ProfileLock::ProfileLock(const QString& folder, const LockCall& lock) {
  try {
    createPrivateFolder(folder);
  } catch (const std::exception& error) {
    m_error = QString::fromUtf8(error.what());
    return;
  }
  m_lock = FileLock::take(QDir(folder).filePath(QString::fromLatin1(kFileName)), std::chrono::milliseconds(0), lock);
  if (m_lock.held()) {
    m_state = State::Owner;
  } else if (m_lock.error() == EWOULDBLOCK) {
    m_state = State::HeldElsewhere;
  } else {
    m_error = QString::fromStdString(std::system_category().message(m_lock.error()));
  }
}

// Dropping the FileLock releases the lock.
ProfileLock::~ProfileLock() = default;
