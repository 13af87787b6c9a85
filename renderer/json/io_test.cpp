#include "json/io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "json/write.h"

namespace kivo_json {
namespace {

std::string read_all(int fd) {
  std::string text;
  char chunk[65536];
  for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(n));
  return text;
}

// Pieces that a pipe takes by reference must read back exactly as written,
// in order with the buffered bytes around them, even though the batch goes
// on collecting after each piece. The pipe is made large enough that nothing
// is read before everything has been written: a batch that reused a piece's
// memory would show its later text in the earlier piece.
TEST(JsonIoTest, PiecesReachAPipeUnchangedAndInOrder) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  if (::fcntl(fds[1], F_SETPIPE_SZ, 1 << 20) < (1 << 20)) GTEST_SKIP() << "cannot make a 1 MiB pipe here";
  std::string expected = "head,";
  {
    BufferedFdOutput out(fds[1]);
    ASSERT_TRUE(out.write("head,").ok());
    Batch batch(out);
    for (int i = 0; i < 5; ++i) {
      const std::string text(Batch::kPiece / 2 + 1000, static_cast<char>('a' + i));
      batch.put(text);
      expected += text;
      ASSERT_TRUE(batch.pass().ok());
    }
    ASSERT_TRUE(batch.pass_all().ok());
    ASSERT_TRUE(out.write(",tail").ok());
    expected += ",tail";
    ASSERT_TRUE(out.flush().ok());
  }
  ::close(fds[1]);
  const std::string got = read_all(fds[0]);
  ::close(fds[0]);
  ASSERT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
}

// A file cannot take a piece: it is written, and the caller keeps it.
TEST(JsonIoTest, AFileGetsACopyOfEachPiece) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  const int fd = ::fileno(file);
  BufferedFdOutput out(fd);
  ASSERT_TRUE(out.write("[").ok());
  std::unique_ptr<char[]> piece(new char[3]);
  std::memcpy(piece.get(), "abc", 3);
  ASSERT_TRUE(out.write_piece(piece, 3).ok());
  EXPECT_NE(piece, nullptr);
  ASSERT_TRUE(out.write("]").ok());
  ASSERT_TRUE(out.flush().ok());
  ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
  EXPECT_EQ(read_all(fd), "[abc]");
  std::fclose(file);
}

// A pipe whose reader has gone fails the piece with the system's error.
TEST(JsonIoTest, APipeWithoutReaderIsAnError) {
  std::signal(SIGPIPE, SIG_IGN);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  BufferedFdOutput out(fds[1]);
  std::unique_ptr<char[]> piece(new char[4096]());
  const auto written = out.write_piece(piece, 4096);
  ::close(fds[1]);
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.error().display(), "Broken pipe (os error 32)");
}

}  // namespace
}  // namespace kivo_json
