#include "profile/profile_lock.h"

#include <QDir>

#include <fcntl.h>

#include <cerrno>
#include <exception>
#include <system_error>

#include "platform/file_lock.h"
#include "profile/profile_files.h"

ProfileLock::ProfileLock(const QString& folder, const LockCall& lock) {
  try {
    ProfileFiles::createFolder(folder);
  } catch (const std::exception& error) {
    m_error = QString::fromUtf8(error.what());
    return;
  }
  const QString path = QDir(folder).filePath(QString::fromLatin1(kFileName));
  m_file = FileDescriptor::open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
  if (!m_file.isOpen()) {
    m_error = QString::fromStdString(std::system_category().message(errno));
    return;
  }
  const int code = lock ? lock(m_file.get()) : lockExclusivelyWithoutWaiting(m_file.get());
  if (code == 0) {
    m_state = State::Owner;
    return;
  }
  m_file.reset();
  if (code == EWOULDBLOCK) {
    m_state = State::HeldElsewhere;
    return;
  }
  m_error = QString::fromStdString(std::system_category().message(code));
}

// Closing the only descriptor of the open file releases its lock.
ProfileLock::~ProfileLock() = default;
