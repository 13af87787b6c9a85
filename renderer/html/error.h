// The one error of a failed HTML parse: what went wrong and the byte offset
// into the HTML text where it happened.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivo_html {

// Why a parse failed. The web-mode parser never produces UnsupportedElement,
// InvalidCharacterReference, UnexpectedClosingTag, UnclosedElement or
// DomInvariantViolation: it accepts every element, keeps undecodable
// references as text, ignores unmatched end tags, closes open elements
// silently at the end and builds the tree itself.
enum class ParseErrorKind : std::uint8_t {
  InputLimitExceeded,
  NodeLimitExceeded,
  DepthLimitExceeded,
  UnsupportedSyntax,
  UnsupportedElement,
  InvalidCharacterReference,
  UnexpectedClosingTag,
  UnclosedElement,
  UnexpectedEnd,
  InvalidCharacter,
  DomInvariantViolation,
};

// The fixed English message of a kind, without the offset.
std::string_view message(ParseErrorKind kind);

struct ParseError {
  // Byte offset into the HTML text.
  std::uint64_t offset = 0;
  ParseErrorKind kind = ParseErrorKind::UnsupportedSyntax;

  // "<message> at byte <offset>", the text of the renderer's error line.
  std::string display() const;

  friend bool operator==(const ParseError&, const ParseError&) = default;
};

}  // namespace kivo_html
