// The one owner of an open file descriptor: it closes the descriptor when it
// goes away, and moving it hands the descriptor on, so a descriptor is never
// closed twice nor left open on an early exit.
//
// The operations return 0 or the errno value of the failed call, so that each
// caller names the failure in its own words.
#pragma once

#include <sys/types.h>

#include <QByteArrayView>
#include <QString>

class FileDescriptor {
public:
  FileDescriptor() noexcept = default;
  // Takes ownership of `fd`; -1 stands for none.
  explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
  // Closes the descriptor; a close error is ignored and errno kept, so that
  // an error being reported on the way out keeps its cause.
  ~FileDescriptor() { reset(); }

  FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  // Opens `path` with open(2)'s `flags` and `mode`. Returns an empty
  // descriptor when that fails; errno then says why.
  static FileDescriptor open(const QString& path, int flags, mode_t mode = 0);
  // Opens a socket with socket(2)'s `domain`, `type` and `protocol`, closed
  // on exec, so that a child process never inherits it. Returns an empty
  // descriptor when that fails; errno then says why.
  static FileDescriptor socket(int domain, int type, int protocol);

  int get() const noexcept { return m_fd; }
  bool isOpen() const noexcept { return m_fd >= 0; }
  // Gives up ownership without closing; the descriptor is empty afterwards.
  int release() noexcept;
  // Closes the current descriptor (ignoring a close error, keeping errno) and
  // takes `fd` instead.
  void reset(int fd = -1) noexcept;

  // Closes the descriptor now and reports close(2)'s error, which for a
  // written file may be the first sign of lost data. The descriptor is empty
  // afterwards either way.
  [[nodiscard]] int close() noexcept;
  // Writes all of `bytes`, going on after interruptions and short writes.
  [[nodiscard]] int writeAll(QByteArrayView bytes) noexcept;
  // Flushes the file's data and metadata to storage (fsync).
  [[nodiscard]] int sync() noexcept;

private:
  int m_fd = -1;
};
