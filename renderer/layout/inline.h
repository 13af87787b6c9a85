// Inline layout: the words of a text. The placing of inline content itself is
// Context::inline_node, Context::text and Context::measured (context.h).
//
// White space here is the five ASCII bytes tab, line feed, form feed, carriage
// return and space; U+000B and U+00A0 are ordinary characters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kivo_layout {

// 1 for the five white space bytes, else 0: one branch-free test that whole
// vectors of bytes can take at once.
constexpr std::uint8_t white_space_bit(unsigned char c) {
  return static_cast<std::uint8_t>((c == ' ') | ((static_cast<unsigned char>(c - '\t') < 5) & (c != '\v')));
}

// white_space_bit of every byte value, for loops that go byte by byte.
inline constexpr std::array<std::uint8_t, 256> kWhiteSpaceBits = [] {
  std::array<std::uint8_t, 256> table{};
  for (std::size_t c = 0; c < table.size(); ++c) table[c] = white_space_bit(static_cast<unsigned char>(c));
  return table;
}();

// One piece of a text: a word and whether white space follows it. A text that
// starts with white space starts with a segment whose word is empty.
struct Segment {
  std::string_view word;
  bool trailing_space = false;
};

// Walks a text segment by segment without copying it.
class Segments {
 public:
  explicit Segments(std::string_view text) : m_text(text) {}

  // Takes the next segment; false when the text is used up.
  bool next(Segment& segment);

 private:
  std::string_view m_text;
  std::size_t m_position = 0;
};

// The length of the UTF-8 character that starts at this lead byte (1 to 4);
// a stray continuation byte counts as one.
std::size_t utf8_sequence_length(unsigned char lead);

}  // namespace kivo_layout
