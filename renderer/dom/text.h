// Text helpers shared by the renderer's stages. HTML and CSS white space is the
// five ASCII bytes; trimming a value removes Unicode White_Space characters;
// case folding touches ASCII letters only.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivo_dom::text {

// Tab, line feed, form feed, carriage return or space.
constexpr bool is_ascii_white_space(char c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

constexpr char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Byte comparison with ASCII letters folded.
constexpr bool ascii_equal_ignore_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
  }
  return true;
}

// True for the 25 characters with the Unicode White_Space property.
bool is_unicode_white_space(char32_t c);

// Removes Unicode White_Space characters at both ends of UTF-8 text.
std::string_view trim_unicode_white_space(std::string_view text);
std::string_view trim_unicode_white_space_start(std::string_view text);
std::string_view trim_unicode_white_space_end(std::string_view text);

// Removes the five ASCII white space bytes at both ends.
std::string_view trim_ascii_white_space(std::string_view text);

// Strict UTF-8 validation: no overlong forms, no surrogates, nothing above U+10FFFF.
bool is_valid_utf8(std::string_view bytes);

// Decodes the scalar at position i and advances i past it; a broken sequence
// gives U+FFFD and advances past its maximal invalid part.
char32_t decode_utf8(std::string_view text, std::size_t& i);

// Appends the UTF-8 encoding of a scalar value.
void append_utf8(std::string& out, char32_t c);

// Replaces every invalid UTF-8 sequence with U+FFFD (maximal subparts, one
// replacement each, as lossy conversions do).
std::string utf8_lossy(std::string_view bytes);

}  // namespace kivo_dom::text
