// The syntax of one tag and the character-reference decoders. Both work on
// plain text and know nothing of the tree. A tag holds at most 128 attributes;
// a reference is looked for within 33 bytes after its "&".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "dom/result.h"
#include "html/error.h"

namespace kivo_html {

// How forgiving the parser is. Web mode, the only one, keeps undecodable
// references as text, ignores stray end tags and accepts every element.
enum class Mode : std::uint8_t { Web };

// The most attributes one tag may carry.
inline constexpr std::size_t kMaxAttributes = 128;

struct Tag {
  // The tag name with ASCII letters lowercased.
  std::string name;
  // Names lowercased, values decoded; the first occurrence of a name wins.
  std::map<std::string, std::string, std::less<>> attributes;
  // Bytes from the "<" through the final ">".
  std::size_t length = 0;
  // An end tag ("</").
  bool closing = false;
  // A start tag that ended with "/>".
  bool self_closing = false;
};

// One attribute as written: views into the HTML text.
struct RawAttribute {
  // The name with its letters as written.
  std::string_view name;
  // The value before its references are decoded; empty without "=".
  std::string_view value;
};

// A tag as written, for a reader that lowercases and decodes only what it
// keeps. Its views point into the text it was read from.
struct RawTag {
  // The tag name with its letters as written.
  std::string_view name;
  // Every attribute in order, repeated names included.
  std::vector<RawAttribute> attributes;
  // Bytes from the "<" through the final ">".
  std::size_t length = 0;
  // An end tag ("</").
  bool closing = false;
  // A start tag that ended with "/>".
  bool self_closing = false;
};

namespace tag {

// Reads the tag at the start of text (which begins with "<"); base is the
// offset of that "<" in the whole HTML text, so error offsets are absolute.
kivo_dom::Result<Tag, ParseError> parse_mode(std::string_view text, std::uint64_t base, Mode mode);

// The same reading without lowercasing or decoding anything: fills `out`,
// whose attribute list keeps its capacity from one tag to the next. It fails
// exactly where parse_mode fails; on failure `out` holds no meaning.
kivo_dom::Result<void, ParseError> read_raw(std::string_view text, std::uint64_t base, Mode mode, RawTag& out);

}  // namespace tag

namespace parser {

// Decodes the references of text, keeping every undecodable one as written.
std::string decode_web_references(std::string_view text);

// Decodes the strict set of references (lt, gt, amp, quot, apos and numeric
// ones); fails with InvalidCharacterReference at base plus the offset of the
// first "&" that does not start one.
kivo_dom::Result<std::string, ParseError> decode_references(std::string_view text, std::uint64_t base);

}  // namespace parser
}  // namespace kivo_html
