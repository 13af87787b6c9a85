// Inline layout: the words of a text. The placing of inline content itself is
// Context::inline_node, Context::text and Context::measured (context.h).
//
// White space here is the five ASCII bytes tab, line feed, form feed, carriage
// return and space; U+000B and U+00A0 are ordinary characters.
#pragma once

#include <cstddef>
#include <string_view>

namespace kivo_layout {

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
