#include "html/error.h"

#include <gtest/gtest.h>

namespace kivo_html {
namespace {

TEST(ParseErrorTest, DisplayIsMessageThenOffset) {
  const struct {
    ParseErrorKind kind;
    std::string expected;
  } cases[] = {
      {ParseErrorKind::InputLimitExceeded, "input byte limit exceeded at byte 7"},
      {ParseErrorKind::NodeLimitExceeded, "node limit exceeded at byte 7"},
      {ParseErrorKind::DepthLimitExceeded, "element depth limit exceeded at byte 7"},
      {ParseErrorKind::UnsupportedSyntax, "syntax is outside the supported HTML subset at byte 7"},
      {ParseErrorKind::UnsupportedElement, "element is outside the supported HTML subset at byte 7"},
      {ParseErrorKind::InvalidCharacterReference, "invalid or unsupported character reference at byte 7"},
      {ParseErrorKind::UnexpectedClosingTag, "closing tag does not match the open element at byte 7"},
      {ParseErrorKind::UnclosedElement, "element is not closed at byte 7"},
      {ParseErrorKind::UnexpectedEnd, "unexpected end of input at byte 7"},
      {ParseErrorKind::InvalidCharacter, "NUL is not supported at byte 7"},
      {ParseErrorKind::DomInvariantViolation, "internal document tree invariant violated at byte 7"},
  };
  for (const auto& c : cases) EXPECT_EQ((ParseError{7, c.kind}.display()), c.expected);
  EXPECT_EQ((ParseError{18446744073709551615ULL, ParseErrorKind::UnexpectedEnd}.display()),
            "unexpected end of input at byte 18446744073709551615");
  EXPECT_EQ(static_cast<int>(ParseErrorKind::DomInvariantViolation), 10);
}

}  // namespace
}  // namespace kivo_html
