#include "document/reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace kivo_document {
namespace {

// A pipe whose write end is fed by a thread, so the reader sees the bytes in
// whatever chunks the kernel hands over.
class PipeSource {
 public:
  explicit PipeSource(std::string bytes) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    m_read = fds[0];
    m_writer = std::thread([fd = fds[1], bytes = std::move(bytes)] {
      (void)kivo_json::write_all_fd(fd, bytes);
      ::close(fd);
    });
  }
  ~PipeSource() {
    m_writer.join();
    ::close(m_read);
  }
  int fd() const { return m_read; }

 private:
  int m_read = -1;
  std::thread m_writer;
};

TEST(Reader, KeepsTheBytesAfterAFrameForTheAnswers) {
  // The frame and the first answers arrive in one write; nothing may be lost
  // between reading the frame and reading the lines, whether the line reads
  // spin first or block at once.
  for (const bool spin : {false, true}) {
    SCOPED_TRACE(spin ? "spinning" : "blocking");
    const std::string payload(20000, 'x');
    PipeSource source(payload + "12.5\n7\ntail");
    const int flags = ::fcntl(source.fd(), F_GETFL);
    Reader reader(source.fd(), spin);
    std::string got(payload.size(), '\0');
    ASSERT_TRUE(reader.read_exact(got.data(), got.size()).ok());
    EXPECT_EQ(got, payload);
    EXPECT_EQ(*reader.read_line(64), "12.5\n");
    EXPECT_EQ(*reader.read_line(64), "7\n");
    EXPECT_EQ(*reader.read_line(64), "tail");
    EXPECT_EQ(*reader.read_line(64), "");
    // The descriptor is the parent's too: its flags stay as they were.
    EXPECT_EQ(::fcntl(source.fd(), F_GETFL), flags);
  }
}

TEST(Reader, ShortInputFailsToFillTheBuffer) {
  for (const bool from_pipe : {false, true}) {
    PipeSource source("ab");
    Reader reader = from_pipe ? Reader(source.fd()) : Reader::from_bytes("ab");
    char buffer[4];
    auto r = reader.read_exact(buffer, sizeof buffer);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().display(), "failed to fill whole buffer");
  }
}

TEST(Reader, LargeReadThroughThePipeIsExact) {
  std::string payload;
  for (int i = 0; i < 300000; ++i) payload.push_back(static_cast<char>('a' + i % 26));
  PipeSource source(payload);
  Reader reader(source.fd());
  std::string got(payload.size() - 1, '\0');
  ASSERT_TRUE(reader.read_exact(got.data(), got.size()).ok());
  EXPECT_EQ(got, payload.substr(0, payload.size() - 1));
  EXPECT_EQ(*reader.read_line(64), payload.substr(payload.size() - 1));
}

TEST(Reader, LineStopsAtTheBoundAndLeavesTheRest) {
  Reader reader = Reader::from_bytes(std::string(70, '9') + "\nnext\n");
  EXPECT_EQ(*reader.read_line(64), std::string(64, '9'));
  EXPECT_EQ(*reader.read_line(64), "999999\n");
  EXPECT_EQ(*reader.read_line(64), "next\n");
}

TEST(Reader, ReadErrorIsTheSystemError) {
  for (const bool spin : {false, true}) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    ::close(fds[1]);
    Reader reader(fds[0], spin);  // No longer open.
    auto r = reader.read_line(64);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().display(), "Bad file descriptor (os error 9)");
  }
}

}  // namespace
}  // namespace kivo_document
