// The JSON primitives every renderer writer shares: the string writer and
// the number forms (shortest 32-bit float, unsigned and signed integers).
//
// Each form comes written to an Output and appended to a string or a Batch.
// The batch lets a writer with many small tokens (the scene) collect its text
// in memory and hand it on in large pieces instead of token by token.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "json/io.h"

namespace kivo_json {

// Writes text as one JSON string: ", \, LF, CR and TAB get short escapes, other
// controls \u00XX (lowercase hex), everything else its raw UTF-8 bytes.
Result<void, IoError> write_string(std::string_view text, Output& out);

// Writes a finite float in the fewest digits that read back to the same float,
// without exponent ("997", "0.5", "-0"). The value must be finite.
Result<void, IoError> write_f32(float value, Output& out);
// The same form as text.
std::string f32_text(float value);

// Room enough for any finite float in the F form ("-0." and 44 zeros before
// at most nine digits is the longest).
inline constexpr std::size_t kF32TextCapacity = 64;
// Puts the F form of a finite float into buffer (kF32TextCapacity bytes) and
// returns its length.
std::size_t f32_chars(float value, char* buffer);

Result<void, IoError> write_u64(std::uint64_t value, Output& out);
Result<void, IoError> write_i32(std::int32_t value, Output& out);
Result<void, IoError> write_bool(bool value, Output& out);

// The appending forms of the writers above, with the same text.
void append_string(std::string& text, std::string_view value);
void append_f32(std::string& text, float value);
void append_u64(std::string& text, std::uint64_t value);
void append_i32(std::string& text, std::int32_t value);

// Text collected in memory in front of an output. A writer puts its tokens
// into the batch and calls pass() between records; the text goes on to the
// output in pieces of about kPiece bytes, and pass_all() hands on the rest,
// so the output sees exactly the bytes it would have seen token by token.
// Putting never fails: the batch grows until the next pass(), so it holds at
// most one piece plus the largest record put between two passes.
//
// A piece is large: each write to the application's pipe may wake it, and
// the launcher's output pipe holds several pieces, so a long scene line goes
// out in a few writes that the application decodes while the next is built.
// Only the first is small, so that the reader starts on the line early.
class Batch {
 public:
  static constexpr std::size_t kPiece = 128 * 1024;
  static constexpr std::size_t kFirstPiece = 16 * 1024;

  explicit Batch(Output& out) : m_out(out), m_buffer(new char[kPiece + 4096]), m_capacity(kPiece + 4096) {}
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;

  // Appends bytes to the collected text.
  void put(std::string_view bytes) {
    const std::size_t n = bytes.size();
    if (n > m_capacity - m_used) grow(n);
    copy_bytes(m_buffer.get() + m_used, bytes.data(), n);
    m_used += n;
  }
  // Copies n bytes between buffers that do not overlap. Most tokens are
  // short: two overlapping fixed-size copies cost less than a call to the
  // general copy.
  static void copy_bytes(char* to, const char* from, std::size_t n) {
    if (n >= 8 && n <= 16) {
      std::memcpy(to, from, 8);
      std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4 && n < 8) {
      std::memcpy(to, from, 4);
      std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n < 4) {
      for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
    } else {
      std::memcpy(to, from, n);
    }
  }
  // Appends one byte.
  void put(char c) {
    if (m_used == m_capacity) grow(1);
    m_buffer[m_used++] = c;
  }
  // Room for at least n further bytes, to be written in place and then
  // counted with advance().
  char* room(std::size_t n) {
    if (n > m_capacity - m_used) grow(n);
    return m_buffer.get() + m_used;
  }
  // Counts n bytes written into room() as collected.
  void advance(std::size_t n) { m_used += n; }
  // The number of bytes collected since the last hand-on.
  std::size_t size() const { return m_used; }
  // The bytes collected from position `from` (a size() taken since the last
  // hand-on) to the end.
  std::string_view since(std::size_t from) const {
    return std::string_view(m_buffer.get() + from, m_used - from);
  }
  // Hands the collected text on once it has reached a piece.
  Result<void, IoError> pass() {
    if (m_used < m_piece) return {};
    m_piece = kPiece;
    return pass_all();
  }
  // Hands on everything collected so far.
  Result<void, IoError> pass_all();

 private:
  // Makes room for at least `more` further bytes.
  void grow(std::size_t more);

  Output& m_out;
  // Raw storage, left uninitialised; the first m_used bytes are collected text.
  std::unique_ptr<char[]> m_buffer;
  std::size_t m_capacity;
  std::size_t m_used = 0;
  // The size at which pass() hands on the next piece.
  std::size_t m_piece = kFirstPiece;
};

// The appending forms into a batch, with the same text.
void append_string(Batch& batch, std::string_view value);
inline void append_f32(Batch& batch, float value) {
  batch.advance(f32_chars(value, batch.room(kF32TextCapacity)));
}
void append_u64(Batch& batch, std::uint64_t value);
void append_i32(Batch& batch, std::int32_t value);

}  // namespace kivo_json
