#include "text.h"

namespace kivo_dom::text {

bool is_unicode_white_space(char32_t c) {
  switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20:
    case 0x85: case 0xA0: case 0x1680:
    case 0x2000: case 0x2001: case 0x2002: case 0x2003: case 0x2004: case 0x2005:
    case 0x2006: case 0x2007: case 0x2008: case 0x2009: case 0x200A:
    case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return false;
  }
}

namespace {

// What stands at position i: a valid sequence and its length, or an invalid
// one and the length of its maximal invalid part (at least 1 byte).
struct Sequence {
  std::size_t length;
  bool valid;
};

Sequence scan_sequence(std::string_view s, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) return {1, true};
  std::size_t len = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return {1, false};
  }
  for (std::size_t k = 1; k < len; ++k) {
    if (i + k >= s.size()) return {k, false};
    const auto b = static_cast<unsigned char>(s[i + k]);
    const unsigned char min = (k == 1) ? lo : 0x80;
    const unsigned char max = (k == 1) ? hi : 0xBF;
    if (b < min || b > max) return {k, false};
  }
  return {len, true};
}

// Length of the valid sequence starting at i, or 0 when it is invalid.
std::size_t valid_sequence_length(std::string_view s, std::size_t i) {
  const Sequence sequence = scan_sequence(s, i);
  return sequence.valid ? sequence.length : 0;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t len = valid_sequence_length(bytes, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

char32_t decode_utf8(std::string_view text, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  const std::size_t len = valid_sequence_length(text, i);
  if (len == 0) {
    // Never read past the end or misread a broken sequence as another character.
    i += scan_sequence(text, i).length;
    return 0xFFFD;
  }
  char32_t c = b0 & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
  for (std::size_t k = 1; k < len; ++k) {
    c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  }
  i += len;
  return c;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string utf8_lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t len = valid_sequence_length(bytes, i);
    if (len > 0) {
      out.append(bytes.substr(i, len));
      i += len;
    } else {
      out += "\xEF\xBF\xBD";
      i += scan_sequence(bytes, i).length;
    }
  }
  return out;
}

std::string_view trim_unicode_white_space_start(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t next = i;
    if (!is_unicode_white_space(decode_utf8(text, next))) break;
    i = next;
  }
  return text.substr(i);
}

std::string_view trim_unicode_white_space_end(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0) {
    // Step back to the first byte of the last scalar.
    std::size_t start = end - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    std::size_t i = start;
    if (!is_unicode_white_space(decode_utf8(text, i))) break;
    end = start;
  }
  return text.substr(0, end);
}

std::string_view trim_unicode_white_space(std::string_view text) {
  return trim_unicode_white_space_end(trim_unicode_white_space_start(text));
}

std::string_view trim_ascii_white_space(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && is_ascii_white_space(text[b])) ++b;
  while (e > b && is_ascii_white_space(text[e - 1])) --e;
  return text.substr(b, e - b);
}

}  // namespace kivo_dom::text
