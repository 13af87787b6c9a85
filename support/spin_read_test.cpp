#include "support/spin_read.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

using kivo_support::SpinRead;

// A pipe whose ends close with the case.
class Pipe {
public:
  Pipe() { EXPECT_EQ(::pipe2(m_fds, O_CLOEXEC), 0); }
  ~Pipe() {
    for (const int fd : m_fds)
      if (fd >= 0) ::close(fd);
  }
  int readEnd() const { return m_fds[0]; }
  void put(const std::string& bytes) {
    EXPECT_EQ(::write(m_fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void closeWriteEnd() {
    ::close(m_fds[1]);
    m_fds[1] = -1;
  }

private:
  int m_fds[2] = {-1, -1};
};

// What one spin read returned: the bytes, or the errno of -1.
struct Read {
  std::string bytes;
  int error = 0;
  bool end = false;
};

Read spinOnce(SpinRead& spin, int fd) {
  char buffer[64];
  errno = 0;
  const ssize_t n = spin.read(fd, buffer, sizeof buffer);
  Read read;
  if (n > 0) read.bytes.assign(buffer, static_cast<std::size_t>(n));
  if (n == 0) read.end = true;
  if (n < 0) read.error = errno;
  return read;
}

TEST(SpinReadTest, TakesWhatIsThereAndLeavesTheDescriptorBlocking) {
  Pipe pipe;
  const int flags = ::fcntl(pipe.readEnd(), F_GETFL);
  pipe.put("12.5\n");
  SpinRead spin(true);
  EXPECT_EQ(spinOnce(spin, pipe.readEnd()).bytes, "12.5\n");
  // Nothing more comes: the spin gives up and says so, without blocking.
  EXPECT_EQ(spinOnce(spin, pipe.readEnd()).error, EAGAIN);
  // The other side's view of the descriptor never changed.
  EXPECT_EQ(::fcntl(pipe.readEnd(), F_GETFL), flags);
  EXPECT_EQ(flags & O_NONBLOCK, 0);
  pipe.closeWriteEnd();
  EXPECT_TRUE(spinOnce(spin, pipe.readEnd()).end);
}

TEST(SpinReadTest, BacksOffAfterMissesInARowAndComesBack) {
  Pipe pipe;
  SpinRead spin(true);
  for (int i = 0; i < SpinRead::kMissesBeforeBackOff; ++i) EXPECT_EQ(spinOnce(spin, pipe.readEnd()).error, EAGAIN);
  // Backing off, the spin does not even look: the bytes stay for the
  // blocking read.
  pipe.put("x");
  for (int i = 0; i < SpinRead::kWaitsBackedOff; ++i) EXPECT_EQ(spinOnce(spin, pipe.readEnd()).error, EAGAIN);
  EXPECT_EQ(spinOnce(spin, pipe.readEnd()).bytes, "x");
}

TEST(SpinReadTest, AHitEndsARunOfMisses) {
  Pipe pipe;
  SpinRead spin(true);
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i + 1 < SpinRead::kMissesBeforeBackOff; ++i) {
      EXPECT_EQ(spinOnce(spin, pipe.readEnd()).error, EAGAIN);
    }
    pipe.put("y");
    EXPECT_EQ(spinOnce(spin, pipe.readEnd()).bytes, "y") << "round " << round;
  }
}

TEST(SpinReadTest, DisabledNeverReads) {
  Pipe pipe;
  pipe.put("z");
  SpinRead spin(false);
  EXPECT_EQ(spinOnce(spin, pipe.readEnd()).error, EAGAIN);
  char c = 0;
  EXPECT_EQ(::read(pipe.readEnd(), &c, 1), 1);
  EXPECT_EQ(c, 'z');
}

TEST(SpinReadTest, ReportsAReadError) {
  SpinRead spin(true);
  EXPECT_EQ(spinOnce(spin, -1).error, EBADF);
}

}  // namespace
