// The run's one buffered reader over standard input. The input frame is read
// through it first and, in scene mode, the measurement answers afterwards, so
// bytes that arrive together with the frame are kept for the answers instead
// of being lost between the two.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "dom/result.h"
#include "json/io.h"
#include "support/spin_read.h"

namespace kivo_document {

class Reader {
 public:
  // Bytes read from the descriptor at a time when the buffer is empty.
  static constexpr std::size_t kCapacity = 8192;

  // Reads from a descriptor it does not own (standard input in the program).
  // With spin_for_lines, a line read that finds nothing buffered first tries
  // non-blocking reads for a short while (support/spin_read.h): a line is an
  // answer the other side is about to write. The frame never spins.
  explicit Reader(int fd, bool spin_for_lines = false);
  // Reads from fixed bytes, then reports the end of input (tests, in-process runs).
  static Reader from_bytes(std::string bytes);

  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  Reader(Reader&&) = default;
  Reader& operator=(Reader&&) = default;

  // Fills dst with exactly size bytes; an end of input first fails with
  // "failed to fill whole buffer" (the bytes read so far are consumed).
  kivo_dom::Result<void, kivo_json::IoError> read_exact(char* dst, std::size_t size);

  // Takes bytes up to and including the first line feed, at most max_bytes of
  // them, stopping early at the end of input. Only the bytes taken are consumed.
  kivo_dom::Result<std::string, kivo_json::IoError> read_line(std::size_t max_bytes);

 private:
  Reader(int fd, std::string bytes);
  // Refills the empty buffer, spinning first when asked; false at the end of input.
  kivo_dom::Result<bool, kivo_json::IoError> fill(bool spin = false);
  // Reads once from the descriptor into dst, retrying interruptions; 0 at the end.
  kivo_dom::Result<std::size_t, kivo_json::IoError> read_some(char* dst, std::size_t size, bool spin = false);
  std::string_view buffered() const;

  int m_fd;
  kivo_support::SpinRead m_spin;
  // Bytes m_pos to m_end are read and not yet taken. A descriptor's buffer is
  // sized once and refilled in place, never cleared to zeros again.
  std::string m_buffer;
  std::size_t m_pos = 0;
  std::size_t m_end = 0;
};

}  // namespace kivo_document
