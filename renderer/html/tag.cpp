#include "html/tag.h"

#include <array>
#include <optional>
#include <utility>

#include "dom/node.h"
#include "dom/text.h"

namespace kivo_html {

namespace {

using kivo_dom::err;
using kivo_dom::text::ascii_lower;
using kivo_dom::text::is_ascii_white_space;

// The web decoder's own named references; lt, gt, amp, quot and apos are left
// to the strict decoder so that both agree on them.
struct NamedReference {
  std::string_view candidate;
  char32_t code_point;
};

constexpr std::array<NamedReference, 10> kWebReferences{{
    {"&nbsp;", U'\u00A0'},
    {"&copy;", U'\u00A9'},
    {"&reg;", U'\u00AE'},
    {"&ndash;", U'\u2013'},
    {"&mdash;", U'\u2014'},
    {"&lsquo;", U'\u2018'},
    {"&rsquo;", U'\u2019'},
    {"&ldquo;", U'\u201C'},
    {"&rdquo;", U'\u201D'},
    {"&hellip;", U'\u2026'},
}};

constexpr std::array<std::pair<std::string_view, char>, 5> kStrictReferences{{
    {"lt", '<'},
    {"gt", '>'},
    {"amp", '&'},
    {"quot", '"'},
    {"apos", '\''},
}};

// How far after an "&" the web decoder looks for the ";" that ends it.
constexpr std::size_t kReferenceWindow = 33;

constexpr bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool is_ascii_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_tag_name_char(char c) { return is_ascii_letter(c) || is_ascii_digit(c) || c == ':' || c == '-'; }
constexpr bool is_attribute_name_char(char c) {
  return is_ascii_letter(c) || is_ascii_digit(c) || c == '-' || c == ':' || c == '_';
}

// The kinds of byte the tag reader skips runs of; one table lookup per byte
// instead of a chain of comparisons.
constexpr std::uint8_t kTagNameByte = 1;
constexpr std::uint8_t kAttributeNameByte = 2;
constexpr std::uint8_t kWhiteSpaceByte = 4;

constexpr std::array<std::uint8_t, 256> kByteClasses = [] {
  std::array<std::uint8_t, 256> classes{};
  for (std::size_t b = 0; b < classes.size(); ++b) {
    const char c = static_cast<char>(b);
    if (is_tag_name_char(c)) classes[b] |= kTagNameByte;
    if (is_attribute_name_char(c)) classes[b] |= kAttributeNameByte;
    if (is_ascii_white_space(c)) classes[b] |= kWhiteSpaceByte;
  }
  return classes;
}();

int hex_digit_value(char c) {
  if (is_ascii_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a run of at least one digit in the given radix as an unsigned 32-bit
// number; nothing on an empty run, a foreign byte or overflow.
std::optional<std::uint32_t> parse_digits(std::string_view digits, std::uint32_t radix) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = radix == 16 ? hex_digit_value(c) : (is_ascii_digit(c) ? c - '0' : -1);
    if (d < 0) return std::nullopt;
    value = value * radix + static_cast<std::uint64_t>(d);
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

// The character a numeric reference names (the text after "&" and before
// ";"), if it is a Unicode scalar value other than 0.
std::optional<char32_t> numeric_reference(std::string_view name) {
  if (name.size() < 2 || name[0] != '#') return std::nullopt;
  std::optional<std::uint32_t> value;
  if (name[1] == 'x' || name[1] == 'X') {
    value = parse_digits(name.substr(2), 16);
  } else {
    value = parse_digits(name.substr(1), 10);
  }
  if (!value) return std::nullopt;
  const std::uint32_t v = *value;
  if (v == 0 || (v >= 0xD800 && v <= 0xDFFF) || v > 0x10FFFF) return std::nullopt;
  return static_cast<char32_t>(v);
}

// Reads tags left to right over one view; every error offset is absolute.
class TagReader {
 public:
  TagReader(std::string_view text, std::uint64_t base) : m_text(text), m_base(base) {}

  kivo_dom::Result<void, ParseError> read(RawTag& tag) {
    tag.attributes.clear();
    tag.length = 0;
    tag.self_closing = false;
    // 1. Decide between start and end tag.
    tag.closing = m_text.size() >= 2 && m_text[1] == '/';
    m_pos = tag.closing ? 2 : 1;
    if (at_end()) return fail(ParseErrorKind::UnsupportedSyntax);
    // 2. Read the name.
    const std::size_t name_start = m_pos;
    m_pos = skip(m_pos, kTagNameByte);
    if (m_pos == name_start) return fail(ParseErrorKind::UnsupportedSyntax);
    if (!is_ascii_letter(m_text[name_start])) return fail(ParseErrorKind::UnsupportedSyntax);
    tag.name = m_text.substr(name_start, m_pos - name_start);
    // 3. A tag cut off after its name.
    if (at_end()) return fail_at_end();
    // 4. An end tag holds nothing but whitespace before its ">".
    if (tag.closing) {
      skip_white_space();
      if (at_end()) return fail_at_end();
      if (m_text[m_pos] != '>') return fail(ParseErrorKind::UnsupportedSyntax);
      tag.length = m_pos + 1;
      return {};
    }
    // 5. A start tag's attributes up to its ">" or "/>".
    return read_attributes(tag);
  }

 private:
  kivo_dom::Result<void, ParseError> read_attributes(RawTag& tag) {
    while (true) {
      skip_white_space();
      if (at_end()) return fail_at_end();
      const char c = m_text[m_pos];
      if (c == '>') {
        tag.length = m_pos + 1;
        return {};
      }
      if (c == '/' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '>') {
        tag.length = m_pos + 2;
        tag.self_closing = true;
        return {};
      }
      // Every attribute read so far counts, repeated names included.
      if (tag.attributes.size() >= kMaxAttributes) return fail(ParseErrorKind::UnsupportedSyntax);

      const std::size_t name_start = m_pos;
      m_pos = skip(m_pos, kAttributeNameByte);
      if (m_pos == name_start) return fail(ParseErrorKind::UnsupportedSyntax);
      RawAttribute& attribute = tag.attributes.emplace_back();
      attribute.name = m_text.substr(name_start, m_pos - name_start);

      const std::size_t after_name = skip(m_pos, kWhiteSpaceByte);
      if (after_name < m_text.size() && m_text[after_name] == '=') {
        m_pos = after_name + 1;
        KIVO_TRY_ASSIGN(attribute.value, read_value());
      }

      if (at_end()) return fail_at_end();
    }
  }

  // Reads the value after "=", quoted or not, and moves past it.
  kivo_dom::Result<std::string_view, ParseError> read_value() {
    skip_white_space();
    if (at_end()) return fail_at_end();
    const char quote = m_text[m_pos];
    if (quote == '"' || quote == '\'') {
      const std::size_t start = m_pos + 1;
      const std::size_t close = m_text.find(quote, start);
      if (close == std::string_view::npos) return fail_at_end();
      m_pos = close + 1;
      return m_text.substr(start, close - start);
    }
    const std::size_t start = m_pos;
    while (!at_end()) {
      const char c = m_text[m_pos];
      if (is_ascii_white_space(c) || c == '>') break;
      if (c == '"' || c == '\'' || c == '<' || c == '=' || c == '`') return fail(ParseErrorKind::UnsupportedSyntax);
      ++m_pos;
    }
    // An "=" directly followed by ">" leaves the value empty.
    if (m_pos == start) return fail(ParseErrorKind::UnsupportedSyntax);
    return m_text.substr(start, m_pos - start);
  }

  bool at_end() const { return m_pos >= m_text.size(); }
  void skip_white_space() { m_pos = skip(m_pos, kWhiteSpaceByte); }
  // The first position from `from` on whose byte is not of the class.
  std::size_t skip(std::size_t from, std::uint8_t byte_class) const {
    while (from < m_text.size() && (kByteClasses[static_cast<unsigned char>(m_text[from])] & byte_class) != 0) ++from;
    return from;
  }
  kivo_dom::Err<ParseError> fail(ParseErrorKind kind) const { return err(ParseError{m_base + m_pos, kind}); }
  kivo_dom::Err<ParseError> fail_at_end() const {
    return err(ParseError{m_base + m_text.size(), ParseErrorKind::UnexpectedEnd});
  }

  std::string_view m_text;
  std::uint64_t m_base;
  std::size_t m_pos = 0;
};

}  // namespace

namespace tag {

kivo_dom::Result<Tag, ParseError> parse_mode(std::string_view text, std::uint64_t base, Mode mode) {
  RawTag raw;
  KIVO_TRY(read_raw(text, base, mode, raw));
  Tag tag;
  tag.name = kivo_dom::ascii_lowercase(raw.name);
  for (const RawAttribute& attribute : raw.attributes) {
    // The first occurrence of a name wins.
    tag.attributes.try_emplace(kivo_dom::ascii_lowercase(attribute.name), parser::decode_web_references(attribute.value));
  }
  tag.length = raw.length;
  tag.closing = raw.closing;
  tag.self_closing = raw.self_closing;
  return tag;
}

kivo_dom::Result<void, ParseError> read_raw(std::string_view text, std::uint64_t base, Mode mode, RawTag& out) {
  KIVO_CHECK(mode == Mode::Web);
  KIVO_CHECK(!text.empty() && text[0] == '<');
  return TagReader(text, base).read(out);
}

}  // namespace tag

namespace parser {

std::string decode_web_references(std::string_view text) {
  std::size_t pos = text.find('&');
  // Most text holds no reference and is copied as it is.
  if (pos == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  out.append(text.substr(0, pos));
  while (pos < text.size()) {
    // 1. Copy the text before the next "&".
    const std::size_t amp = text.find('&', pos);
    if (amp == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, amp - pos));
    // 2. Look for the ";" that ends the reference within the window.
    const std::string_view window = text.substr(amp + 1, kReferenceWindow);
    const std::size_t semicolon = window.find(';');
    if (semicolon == std::string_view::npos) {
      out.push_back('&');
      pos = amp + 1;
      continue;
    }
    const std::size_t end = amp + 1 + semicolon + 1;
    const std::string_view candidate = text.substr(amp, end - amp);
    // 3. The web decoder's own names.
    bool decoded = false;
    for (const NamedReference& ref : kWebReferences) {
      if (candidate == ref.candidate) {
        kivo_dom::text::append_utf8(out, ref.code_point);
        decoded = true;
        break;
      }
    }
    // 4. Everything else through the strict decoder; a failure keeps the "&"
    // and reads the rest of the candidate again as ordinary text.
    if (!decoded) {
      auto strict = decode_references(candidate, 0);
      if (strict.ok()) {
        out.append(*strict);
        decoded = true;
      }
    }
    if (decoded) {
      pos = end;
    } else {
      out.push_back('&');
      pos = amp + 1;
    }
  }
  return out;
}

kivo_dom::Result<std::string, ParseError> decode_references(std::string_view text, std::uint64_t base) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    // 1. Copy the text before the next "&".
    const std::size_t amp = text.find('&', pos);
    if (amp == std::string_view::npos) {
      out.append(text.substr(pos));
      break;
    }
    out.append(text.substr(pos, amp - pos));
    const ParseError failure{base + amp, ParseErrorKind::InvalidCharacterReference};
    // 2. The reference runs to the next ";" and must name something.
    const std::size_t semicolon = text.find(';', amp + 1);
    if (semicolon == std::string_view::npos || semicolon == amp + 1) return err(failure);
    const std::string_view name = text.substr(amp + 1, semicolon - amp - 1);
    // 3. Named references.
    bool decoded = false;
    for (const auto& [ref_name, ch] : kStrictReferences) {
      if (name == ref_name) {
        out.push_back(ch);
        decoded = true;
        break;
      }
    }
    // 4. Numeric references.
    if (!decoded) {
      const std::optional<char32_t> ch = numeric_reference(name);
      // 5. Any other name.
      if (!ch) return err(failure);
      kivo_dom::text::append_utf8(out, *ch);
    }
    pos = semicolon + 1;
  }
  return out;
}

}  // namespace parser
}  // namespace kivo_html
