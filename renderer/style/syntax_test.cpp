#include "style/syntax.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo_style {
namespace {

struct CommentCase {
  std::string input;
  std::string expected;  // ignored when an error is expected
  std::string error;     // empty: success
};

TEST(RemoveComments, Table) {
  const std::vector<CommentCase> cases = {
      {"", "", ""},
      {"a/**/b", "ab", ""},
      {"a /* x */ b", "a  b", ""},
      {"a{content:'/*'}", "a{content:'/*'}", ""},
      {"a{content:\"/*\"}/* x */", "a{content:\"/*\"}", ""},
      {"a{color:red}/* x", "", "unclosed CSS comment"},
      // The closing pair is searched after the opening one, so "/*/" stays open.
      {"/*/", "", "unclosed CSS comment"},
      {"/*/ x */y", "y", ""},
      {"/***/z", "z", ""},
      // An escaped slash cannot open a comment.
      {"a\\/*b*/c", "a\\/*b*/c", ""},
      // An escaped quote inside a quote does not close it.
      {"'a\\'/*x*/'b", "'a\\'/*x*/'b", ""},
      // An unterminated quote is not an error here.
      {"'abc/*x*/", "'abc/*x*/", ""},
      // The other quote character does not close a quote.
      {"\"it's\"/*x*/", "\"it's\"", ""},
      // Non-ASCII bytes pass through unchanged.
      {"\xC3\xA9/*\xC3\xA9*/\xC3\xA9", "\xC3\xA9\xC3\xA9", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    const auto result = syntax::remove_comments(c.input);
    if (c.error.empty()) {
      ASSERT_TRUE(result.ok()) << result.error();
      EXPECT_EQ(result.value(), c.expected);
    } else {
      ASSERT_FALSE(result.ok());
      EXPECT_EQ(result.error(), c.error);
    }
  }
}

struct BoundaryCase {
  std::string text;
  std::string stops;
  std::optional<std::size_t> found;
  std::string error;  // empty: success
};

TEST(Boundary, Table) {
  const std::string open32(32, '(');
  const std::string close32(32, ')');
  const std::vector<BoundaryCase> cases = {
      {"", ";", std::nullopt, ""},
      {"abc", ";", std::nullopt, ""},
      {"a;b;c", ";", 1, ""},
      {"a{b;c}", "{;", 1, ""},
      // The body after the first "{" of a{color:red}} ends at the first "}".
      {"color:red}}", "}", 9, ""},
      {"a{color:red}}", ";", std::nullopt, "unbalanced CSS delimiters"},
      {"}", "}", 0, ""},
      {"a:'b;c';d", ";", 7, ""},
      {"a:\"b;c\";d", ";", 7, ""},
      {"a(b;c);d", ";", 6, ""},
      {"[;]", ";", std::nullopt, ""},
      {"{;}x", ";", std::nullopt, ""},
      {"a\\;b;", ";", 4, ""},
      {"'a\\'b;';c", ";", 7, ""},
      // Text after the stop is not examined.
      {"a;)", ";", 1, ""},
      {"a;'", ";", 1, ""},
      {"'abc", ";", std::nullopt, "unclosed CSS construct"},
      {"abc\\", ";", std::nullopt, "unclosed CSS construct"},
      {"(a", ";", std::nullopt, "unclosed CSS construct"},
      {"(a;", ";", std::nullopt, "unclosed CSS construct"},
      {")", ";", std::nullopt, "unbalanced CSS delimiters"},
      {"(]", ";", std::nullopt, "unbalanced CSS delimiters"},
      {"[)", ";", std::nullopt, "unbalanced CSS delimiters"},
      {"{)", ";", std::nullopt, "unbalanced CSS delimiters"},
      {"([{}])", ";", std::nullopt, ""},
      {open32 + close32 + ";", ";", 64, ""},
      {open32, ";", std::nullopt, "unclosed CSS construct"},
      {open32 + "(" + close32 + ");", ";", std::nullopt, "CSS nesting budget exceeded"},
      // Brackets inside quotes do not count towards the budget.
      {open32 + "'((('" + close32 + ";", ";", 69, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto result = syntax::boundary(c.text, c.stops);
    if (c.error.empty()) {
      ASSERT_TRUE(result.ok()) << result.error();
      EXPECT_EQ(result.value(), c.found);
    } else {
      ASSERT_FALSE(result.ok());
      EXPECT_EQ(result.error(), c.error);
    }
  }
}

TEST(UnsignedDecimal, Table) {
  const std::vector<std::pair<std::string, std::optional<std::uint64_t>>> cases = {
      {"0", 0},
      {"12", 12},
      {"+3", 3},
      {"007", 7},
      {"+01", 1},
      {"18446744073709551615", UINT64_MAX},
      {"18446744073709551616", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"++1", std::nullopt},
      {"-1", std::nullopt},
      {"-0", std::nullopt},
      {" 1", std::nullopt},
      {"1 ", std::nullopt},
      {"1a", std::nullopt},
      {"\xD9\xA1", std::nullopt},  // ARABIC-INDIC DIGIT ONE
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(syntax::unsigned_decimal(text), expected);
  }
}

TEST(Warn, KeepsFirstOccurrenceInOrder) {
  WarningList list;
  parser::warn(list, "b");
  parser::warn(list, "a");
  parser::warn(list, "b");
  EXPECT_EQ(list.entries(), (std::vector<std::string>{"b", "a"}));
}

TEST(Warn, DropsTextsOnceSixtyFourEntriesAreHeld) {
  WarningList list;
  for (int i = 0; i < 63; ++i) parser::warn(list, std::to_string(i));
  parser::warn(list, "last");
  ASSERT_EQ(list.size(), 64u);
  parser::warn(list, "dropped");
  EXPECT_EQ(list.size(), 64u);
  EXPECT_EQ(list.entries().back(), "last");
  EXPECT_FALSE(list.contains("dropped"));
}

TEST(Warn, DirectPushesIgnoreCapAndDuplicatesButBlockParserRepeats) {
  WarningList list;
  // The cascade's own pushes may repeat and may pass the parser cap.
  for (int i = 0; i < 1000; ++i) list.push("JavaScript execution is not supported");
  EXPECT_EQ(list.size(), 1000u);
  parser::warn(list, "unsupported CSS property or value");
  EXPECT_EQ(list.size(), 1000u);

  WarningList small;
  small.push("x");
  small.push("x");
  parser::warn(small, "x");
  parser::warn(small, "y");
  EXPECT_EQ(small.entries(), (std::vector<std::string>{"x", "x", "y"}));
}

// Regression guard for pages with many warnings: a hundred thousand distinct
// pushes followed by lookups must stay linear, which a list scan would not.
TEST(Warn, ManyEntriesStayCheapToQuery) {
  WarningList list;
  for (int i = 0; i < 100000; ++i) list.push(std::to_string(i));
  for (int i = 0; i < 100000; ++i) ASSERT_TRUE(list.contains(std::to_string(i)));
  EXPECT_FALSE(list.contains("100000"));
}

TEST(WarningList, ReleaseSortedUniqueOrdersByBytes) {
  WarningList list;
  list.push("unsupported media query");
  list.push("JavaScript execution is not supported");
  list.push("External stylesheets are not loaded");
  list.push("JavaScript execution is not supported");
  const auto out = list.release_sorted_unique();
  EXPECT_EQ(out, (std::vector<std::string>{"External stylesheets are not loaded",
                                           "JavaScript execution is not supported",
                                           "unsupported media query"}));
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(list.contains("unsupported media query"));
}

}  // namespace
}  // namespace kivo_style
