#include "loading/json_scanner.h"

#include <array>
#include <string>

#include "platform/check.h"

int utf8SequenceLength(const unsigned char* bytes, std::size_t available) {
  const unsigned char lead = bytes[0];
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (length > available) return -1;
  if (bytes[1] < low || bytes[1] > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
  }
  return static_cast<int>(length);
}

void JsonScanner::feed(std::string_view text, bool last) {
  m_base += m_at;
  m_text = text;
  m_last = last;
  m_at = 0;
}

void JsonScanner::skipMemberValue(std::size_t size) {
  KIVO_CHECK(m_state == State::Colon && size <= m_text.size() - m_at);
  m_at += size;
  m_state = State::AfterValue;
}

std::size_t JsonScanner::arrayElementLead() const {
  if (m_at >= m_text.size()) return kNoElement;
  const char c = m_text[m_at];
  if (m_state == State::ValueOrClose) return c == ']' ? kNoElement : 0;
  if (m_state == State::AfterValue && !m_containers.empty() && m_containers.back() == 'a' && c == ',') return 1;
  return kNoElement;
}

void JsonScanner::skipArrayElement(std::size_t size) {
  const std::size_t lead = arrayElementLead();
  KIVO_CHECK(lead != kNoElement && size > lead && size <= m_text.size() - m_at);
  // The first element enters the array, as the scanner does when it begins.
  if (m_state == State::ValueOrClose) m_containers.push_back('a');
  m_at += size;
  m_state = State::AfterValue;
}

JsonScanner::Step JsonScanner::failAt(const char* what) {
  m_error = "The data is not valid JSON at byte " + std::to_string(m_base + m_at) + ": " + what;
  m_state = State::Failed;
  return Step::Failed;
}

// The bytes ran out where `what` was expected: an error at the end of the
// text, a wait for more before it.
JsonScanner::Step JsonScanner::ending(const char* what) {
  return m_last ? failAt(what) : Step::More;
}

// A number that reached the end of the bytes may go on in the next piece.
JsonScanner::Step JsonScanner::numberFails(const char* what) {
  return m_at >= m_text.size() ? ending(what) : failAt(what);
}

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// What a byte means inside a string.
enum ByteClass : unsigned char { kPlain, kQuote, kEscape, kControl, kMultibyte };
constexpr std::array<unsigned char, 256> kByteClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    classes[c] = c == '"' ? kQuote : c == '\\' ? kEscape : c < 0x20 ? kControl : c >= 0x80 ? kMultibyte : kPlain;
  }
  return classes;
}();

}  // namespace

JsonScanner::Step JsonScanner::hex4(std::uint32_t& value) {
  if (m_at + 4 > m_text.size()) return ending("invalid escape");
  value = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = hexDigit(m_text[m_at++]);
    if (digit < 0) return failAt("invalid escape");
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return Step::Ok;
}

void JsonScanner::appendUtf8(std::uint32_t code) {
  if (code < 0x80) {
    m_string += static_cast<char>(code);
  } else if (code < 0x800) {
    m_string += static_cast<char>(0xC0 | (code >> 6));
    m_string += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    m_string += static_cast<char>(0xE0 | (code >> 12));
    m_string += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    m_string += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    m_string += static_cast<char>(0xF0 | (code >> 18));
    m_string += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    m_string += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    m_string += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// One UTF-8 sequence starting at m_at; on success m_at moves past it.
JsonScanner::Step JsonScanner::utf8Sequence() {
  const int length =
      utf8SequenceLength(reinterpret_cast<const unsigned char*>(m_text.data()) + m_at, m_text.size() - m_at);
  if (length < 0) return ending("ill-formed UTF-8");
  if (length == 0) return failAt("ill-formed UTF-8");
  m_at += static_cast<std::size_t>(length);
  return Step::Ok;
}

// Scans a string into m_view: a view of the text itself when the string
// holds no escape, else of m_string, where its decoded bytes are built.
JsonScanner::Step JsonScanner::string() {
  ++m_at;  // the opening quote
  const std::size_t first = m_at;
  bool copied = false;
  for (;;) {
    // Take the run up to the next quote, escape or control byte in one
    // piece, checking its multibyte sequences on the way.
    const std::size_t start = m_at;
    const char* text = m_text.data();
    const std::size_t size = m_text.size();
    unsigned char kind = kPlain;
    for (;;) {
      std::size_t at = m_at;
      while (at < size && (kind = kByteClasses[static_cast<unsigned char>(text[at])]) == kPlain) ++at;
      m_at = at;
      if (at >= size || kind != kMultibyte) break;
      const Step step = utf8Sequence();
      if (step != Step::Ok) return step;
    }
    if (m_at >= m_text.size()) return ending("unterminated string");
    if (kind == kQuote) {
      if (copied) {
        m_string.append(text + start, m_at - start);
        m_view = m_string;
      } else {
        m_view = std::string_view(text + first, m_at - first);
      }
      ++m_at;
      return Step::Ok;
    }
    if (kind == kControl) return failAt("control character in a string");
    // An escape: from here on the string is built in m_string.
    if (!copied) {
      m_string.clear();
      copied = true;
    }
    m_string.append(text + start, m_at - start);
    if (++m_at >= m_text.size()) return ending("invalid escape");
    const char e = m_text[m_at++];
    switch (e) {
      case '"': m_string += '"'; break;
      case '\\': m_string += '\\'; break;
      case '/': m_string += '/'; break;
      case 'b': m_string += '\b'; break;
      case 'f': m_string += '\f'; break;
      case 'n': m_string += '\n'; break;
      case 'r': m_string += '\r'; break;
      case 't': m_string += '\t'; break;
      case 'u': {
        std::uint32_t code = 0;
        if (const Step step = hex4(code); step != Step::Ok) return step;
        if (code >= 0xDC00 && code <= 0xDFFF) return failAt("unpaired surrogate");
        if (code >= 0xD800 && code <= 0xDBFF) {
          std::uint32_t low = 0;
          if (m_at + 2 > m_text.size() && !m_last) return Step::More;
          if (m_text.substr(m_at, 2) != "\\u") return failAt("unpaired surrogate");
          m_at += 2;
          if (const Step step = hex4(low); step != Step::Ok) return step;
          if (low < 0xDC00 || low > 0xDFFF) return failAt("unpaired surrogate");
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        appendUtf8(code);
        break;
      }
      default:
        --m_at;
        return failAt("invalid escape");
    }
  }
}
