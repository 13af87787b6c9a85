#include "platform/file_descriptor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QByteArray>

#include <cerrno>
#include <limits>
#include <utility>

#include "platform/regular_file.h"
#include "platform/temporary_folder.h"

namespace {

// A pipe whose write end is watched from its read end: the read end reports
// a hang-up exactly when every copy of the write end has been closed, so the
// test sees closes without guessing at reused descriptor numbers.
struct WatchedPipe {
  int ends[2] = {-1, -1};
  int writer = -1;
  WatchedPipe() {
    EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    writer = ends[1];
  }
  ~WatchedPipe() { ::close(ends[0]); }
  bool writerClosed() const {
    pollfd event{ends[0], POLLIN, 0};
    return ::poll(&event, 1, 0) == 1 && (event.revents & POLLHUP) != 0;
  }
};

TEST(FileDescriptorTest, ClosesOnceWhereverOwnershipWent) {
  WatchedPipe moved;
  {
    FileDescriptor first(moved.writer);
    FileDescriptor second(std::move(first));
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(second.get(), moved.writer);
    {
      FileDescriptor third;
      third = std::move(second);
    }
    EXPECT_TRUE(moved.writerClosed());
  }

  // Assigning over an open descriptor closes the old one and keeps the new.
  WatchedPipe replaced;
  WatchedPipe kept;
  {
    FileDescriptor holder(replaced.writer);
    holder = FileDescriptor(kept.writer);
    EXPECT_TRUE(replaced.writerClosed());
    EXPECT_FALSE(kept.writerClosed());
  }
  EXPECT_TRUE(kept.writerClosed());

  // A released descriptor stays open for its new owner.
  WatchedPipe released;
  int fd = -1;
  {
    FileDescriptor holder(released.writer);
    fd = holder.release();
    EXPECT_FALSE(holder.isOpen());
  }
  EXPECT_FALSE(released.writerClosed());
  FileDescriptor owner(fd);
  EXPECT_EQ(owner.close(), 0);
  EXPECT_FALSE(owner.isOpen());
  EXPECT_TRUE(released.writerClosed());
}

// An error is often thrown after a descriptor has gone out of scope; a
// failing close on the way out must not change the errno the error is built
// from. No process has a descriptor this large, so its close always fails.
TEST(FileDescriptorTest, ClosingOnTheWayOutKeepsErrno) {
  {
    FileDescriptor never(std::numeric_limits<int>::max());
    errno = ENOSPC;
  }
  EXPECT_EQ(errno, ENOSPC);
}

TEST(FileDescriptorTest, WritesEverythingAndReportsFailures) {
  TemporaryFolder folder(QStringLiteral("kivo-descriptor-test-"));
  const QString path = folder.filePath(QStringLiteral("data"));
  QByteArray bytes(3 * 1024 * 1024 + 7, '\0');
  for (qsizetype i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 31 % 251);

  FileDescriptor file = FileDescriptor::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  ASSERT_TRUE(file.isOpen());
  EXPECT_EQ(file.writeAll(bytes), 0);
  EXPECT_EQ(file.sync(), 0);
  EXPECT_EQ(file.close(), 0);
  EXPECT_EQ(readRegularFile(path, bytes.size() + 1), bytes);

  FileDescriptor reading = FileDescriptor::open(path, O_RDONLY | O_CLOEXEC);
  ASSERT_TRUE(reading.isOpen());
  EXPECT_EQ(reading.writeAll(QByteArrayView("x")), EBADF);

  EXPECT_EQ(FileDescriptor().close(), EBADF);
  const FileDescriptor missing = FileDescriptor::open(folder.filePath(QStringLiteral("none")), O_RDONLY | O_CLOEXEC);
  EXPECT_FALSE(missing.isOpen());
  EXPECT_EQ(errno, ENOENT);
}

// A socket is never inherited by a child process, whatever type the caller
// asks for; a socket the system refuses leaves an empty descriptor and errno.
TEST(FileDescriptorTest, SocketsAreClosedOnExec) {
  for (const int type : {int{SOCK_STREAM}, int{SOCK_DGRAM}, SOCK_STREAM | SOCK_NONBLOCK}) {
    const FileDescriptor socket = FileDescriptor::socket(AF_UNIX, type, 0);
    ASSERT_TRUE(socket.isOpen()) << type;
    EXPECT_NE(::fcntl(socket.get(), F_GETFD) & FD_CLOEXEC, 0) << type;
    int actual = 0;
    socklen_t length = sizeof actual;
    ASSERT_EQ(::getsockopt(socket.get(), SOL_SOCKET, SO_TYPE, &actual, &length), 0);
    EXPECT_EQ(actual, type & ~SOCK_NONBLOCK);
  }
  const FileDescriptor refused = FileDescriptor::socket(-1, SOCK_STREAM, 0);
  EXPECT_FALSE(refused.isOpen());
  EXPECT_EQ(errno, EAFNOSUPPORT);
}

}  // namespace
