#include "html/error.h"

#include "dom/result.h"

namespace kivo_html {

std::string_view message(ParseErrorKind kind) {
  switch (kind) {
    case ParseErrorKind::InputLimitExceeded:
      return "input byte limit exceeded";
    case ParseErrorKind::NodeLimitExceeded:
      return "node limit exceeded";
    case ParseErrorKind::DepthLimitExceeded:
      return "element depth limit exceeded";
    case ParseErrorKind::UnsupportedSyntax:
      return "syntax is outside the supported HTML subset";
    case ParseErrorKind::UnsupportedElement:
      return "element is outside the supported HTML subset";
    case ParseErrorKind::InvalidCharacterReference:
      return "invalid or unsupported character reference";
    case ParseErrorKind::UnexpectedClosingTag:
      return "closing tag does not match the open element";
    case ParseErrorKind::UnclosedElement:
      return "element is not closed";
    case ParseErrorKind::UnexpectedEnd:
      return "unexpected end of input";
    case ParseErrorKind::InvalidCharacter:
      return "NUL is not supported";
    case ParseErrorKind::DomInvariantViolation:
      return "internal document tree invariant violated";
  }
  kivo_dom::fail_invariant("unknown ParseErrorKind");
}

std::string ParseError::display() const {
  std::string out(message(kind));
  out += " at byte ";
  out += std::to_string(offset);
  return out;
}

}  // namespace kivo_html
