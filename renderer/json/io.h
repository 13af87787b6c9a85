// Output primitives shared by every JSON writer of the renderer: the
// input/output error, the byte sink interface and the 8 KiB buffered writer
// over a file descriptor. The renderer's input side reports its read errors
// with the same error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dom/result.h"

namespace kivo_json {

using kivo_dom::Result;

// An input/output failure: a system error (errno) or an early end of input.
struct IoError {
  enum class Kind : std::uint8_t { Os, UnexpectedEof, WriteZero, InvalidData };
  Kind kind = Kind::Os;
  int code = 0;
  // The fixed text of an InvalidData error.
  std::string message;

  static IoError os(int code) { return IoError{Kind::Os, code, {}}; }
  static IoError unexpected_eof() { return IoError{Kind::UnexpectedEof, 0, {}}; }
  static IoError invalid_data(std::string message) { return IoError{Kind::InvalidData, 0, std::move(message)}; }

  // "<description> (os error N)", "failed to fill whole buffer" for an early
  // end, or the fixed message of invalid data.
  std::string display() const;
};

// A byte sink. Writes either take every byte or fail.
class Output {
 public:
  virtual ~Output() = default;
  virtual Result<void, IoError> write(std::string_view bytes) = 0;
  virtual Result<void, IoError> flush() = 0;
  // Writes a whole piece of collected text: the first `size` bytes of a
  // buffer of `capacity` bytes. An output that can pass the bytes on without
  // copying them may take the buffer instead and keep it unchanged for as
  // long as they may still be read; `piece` then holds another buffer of the
  // same capacity that the caller may fill again, or nothing.
  virtual Result<void, IoError> write_piece(std::unique_ptr<char[]>& piece, std::size_t size,
                                            std::size_t capacity) {
    (void)capacity;
    return write(std::string_view(piece.get(), size));
  }
};

// Collects everything in memory; used by tests and in-process callers.
class StringOutput final : public Output {
 public:
  Result<void, IoError> write(std::string_view bytes) override {
    text.append(bytes);
    return {};
  }
  Result<void, IoError> flush() override { return {}; }
  std::string text;
};

// A buffer of a fixed capacity in front of a file descriptor. EINTR and partial
// writes are retried; flush() writes the buffer out and then syncs nothing else
// (pipes and terminals need no further flush).
//
// A whole piece bound for a pipe is not copied: the pipe takes references to
// its pages, which the reader copies from, and the piece is kept until the
// reader has taken every byte of it (its bytes must not change before; the
// reader may even read them after this process has ended). A kept piece the
// reader is done with goes back to the writer to be filled again. Copying a
// large document into the pipe's own fresh pages costs far more than the
// reader's one copy.
class BufferedFdOutput final : public Output {
 public:
  static constexpr std::size_t kCapacity = 8192;
  // What a pipe is asked to hold once anything goes into it.
  static constexpr int kPipeBytes = 1 << 20;
  explicit BufferedFdOutput(int fd);
  ~BufferedFdOutput() override;
  BufferedFdOutput(const BufferedFdOutput&) = delete;
  BufferedFdOutput& operator=(const BufferedFdOutput&) = delete;

  Result<void, IoError> write(std::string_view bytes) override;
  Result<void, IoError> flush() override;
  Result<void, IoError> write_piece(std::unique_ptr<char[]>& piece, std::size_t size,
                                    std::size_t capacity) override;
  // Writes out what the buffer still holds, ignoring errors (used on failure paths).
  void discard_flush();

 private:
  Result<void, IoError> write_all(std::string_view bytes);
  // Asks, once, for a pipe large enough for several pieces.
  void grow_pipe();
  // Hands back in `piece` a kept piece of `capacity` bytes that the reader
  // has finished with, freeing any other such piece.
  void recycle(std::unique_ptr<char[]>& piece, std::size_t capacity);

  // A piece the pipe refers to, and m_sent once its last byte was in.
  struct Kept {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::uint64_t end = 0;
  };

  int m_fd;
  // kCapacity bytes, of which the first m_used hold output not yet written.
  std::vector<char> m_buffer;
  std::size_t m_used = 0;
  // Cleared once the descriptor has turned out not to be a pipe.
  bool m_may_splice = true;
  bool m_pipe_grown = false;
  // Oldest first.
  std::vector<Kept> m_kept;
  // Every byte ever put into the descriptor, written or spliced.
  std::uint64_t m_sent = 0;
};

// Writes all bytes to a descriptor, retrying EINTR and partial writes.
Result<void, IoError> write_all_fd(int fd, std::string_view bytes);

}  // namespace kivo_json
