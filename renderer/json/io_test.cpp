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

// A piece comes back to be filled again only once the reader has taken all
// of it, and then its bytes are no longer needed.
TEST(JsonIoTest, APieceComesBackOnlyOnceRead) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  constexpr std::size_t kSize = 10000;
  BufferedFdOutput out(fds[1]);
  auto piece_of = [](char c) {
    std::unique_ptr<char[]> piece(new char[kSize]);
    std::memset(piece.get(), c, kSize);
    return piece;
  };
  std::unique_ptr<char[]> first = piece_of('a');
  const char* first_address = first.get();
  ASSERT_TRUE(out.write_piece(first, kSize, kSize).ok());
  EXPECT_EQ(first, nullptr) << "nothing is read yet, so nothing can come back";

  std::unique_ptr<char[]> second = piece_of('b');
  ASSERT_TRUE(out.write_piece(second, kSize, kSize).ok());
  EXPECT_EQ(second, nullptr);

  // The reader takes the first piece and half of the second.
  std::string got(kSize + kSize / 2, '\0');
  ASSERT_EQ(::read(fds[0], got.data(), got.size()), static_cast<ssize_t>(got.size()));
  std::unique_ptr<char[]> third = piece_of('c');
  ASSERT_TRUE(out.write_piece(third, kSize, kSize).ok());
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(third.get(), first_address);

  // Filling the returned buffer changes nothing the reader still gets.
  std::memset(third.get(), 'x', kSize);
  ::close(fds[1]);
  got += read_all(fds[0]);
  ::close(fds[0]);
  EXPECT_TRUE(got == std::string(kSize, 'a') + std::string(kSize, 'b') + std::string(kSize, 'c'));
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
  ASSERT_TRUE(out.write_piece(piece, 3, 3).ok());
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
  const auto written = out.write_piece(piece, 4096, 4096);
  ::close(fds[1]);
  ASSERT_FALSE(written.ok());
  EXPECT_EQ(written.error().display(), "Broken pipe (os error 32)");
}

}  // namespace
}  // namespace kivo_json
