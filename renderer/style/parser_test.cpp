#include "style/parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kivo_style {
namespace {

constexpr const char* kStatement = "unsupported CSS statement";
constexpr const char* kSelectorList = "unsupported selector list skipped";
constexpr const char* kAtRule = "unsupported CSS at-rule skipped";
constexpr const char* kMediaQuery = "unsupported media query";
constexpr const char* kProperty = "unsupported CSS property or value";

struct SheetCase {
  const char* name;
  std::string css;
  float viewport;
  // The error, or absent when the sheet parses.
  std::optional<std::string> error;
  // The selectors of the rules, each as the text of its first compound's tag.
  std::vector<std::string> tags;
  std::vector<std::string> warnings;
};

std::string repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

std::string nested_media(int levels) { return repeat("@media all{", levels) + "a{color:red}" + repeat("}", levels); }

void PrintTo(const SheetCase& c, std::ostream* out) { *out << c.name; }

std::string CaseName(const ::testing::TestParamInfo<SheetCase>& info) { return info.param.name; }

class StylesheetTable : public ::testing::TestWithParam<SheetCase> {};

TEST_P(StylesheetTable, ParsesToRulesOrError) {
  const SheetCase& c = GetParam();
  WarningList warnings;
  auto rules = parser::stylesheet(c.css, warnings, c.viewport);
  if (c.error) {
    ASSERT_FALSE(rules.ok());
    EXPECT_EQ(rules.error(), *c.error);
  } else {
    ASSERT_TRUE(rules.ok()) << rules.error();
    std::vector<std::string> tags;
    for (std::size_t i = 0; i < rules->size(); ++i) {
      const Rule& rule = (*rules)[i];
      EXPECT_EQ(rule.order, i);
      tags.push_back(rule.selector.compounds[0].tag.value_or("*"));
    }
    EXPECT_EQ(tags, c.tags);
  }
  EXPECT_EQ(warnings.entries(), c.warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, StylesheetTable,
    ::testing::Values(
        SheetCase{"Empty", "", 800, std::nullopt, {}, {}},
        SheetCase{"OnlyWhiteSpace", " \n\t\xC2\xA0", 800, std::nullopt, {}, {}},
        SheetCase{"UnclosedComment", "a{color:red}/* x", 800, "unclosed CSS comment", {}, {}},
        SheetCase{"TrailingFragment", "a{color:red} b", 800, "CSS rule is missing '{'", {}, {}},
        SheetCase{"MissingClose", "a{color:red", 800, "CSS rule is missing '}'", {}, {}},
        SheetCase{"ExtraClose", "a{color:red}}", 800, "unbalanced CSS delimiters", {}, {}},
        SheetCase{"ImportSkipped", "@import url(x.css); a{color:red}", 800, std::nullopt, {"a"}, {kStatement}},
        SheetCase{
            "ErrorKeepsWarnings", "@import 'x'; a{color:red} b", 800, "CSS rule is missing '{'", {}, {kStatement}},
        SheetCase{"SelectorList", "a, b{color:red}", 800, std::nullopt, {"a", "b"}, {}},
        SheetCase{"OneBadSelectorSkipsList", "a, b + c{color:red} p{}", 800, std::nullopt, {"p"}, {kSelectorList}},
        SheetCase{"TrailingComma", "a,{color:red}", 800, std::nullopt, {}, {kSelectorList}},
        SheetCase{"NestedRule", "a{b{color:red}}", 800, "nested CSS declarations are not supported", {}, {}},
        SheetCase{"NestedRuleAfterDeclaration", "a{color:red; b{}}", 800, "nested CSS declarations are not supported",
                  {}, {}},
        SheetCase{"BraceInBracketsIsNoRule", "a{x:f({})}", 800, std::nullopt, {"a"}, {kProperty}},
        SheetCase{"BraceInQuotesIsNoRule", "a{content:\"{\"}", 800, std::nullopt, {"a"}, {kProperty}},
        SheetCase{
            "EmptyPreludeWarnsAfterDeclarations", "{float:left}", 800, std::nullopt, {}, {kProperty, kSelectorList}},
        SheetCase{"DeclarationErrorBeatsBadSelector",
                  "a + b{" + repeat(";", 130) + "}",
                  800,
                  "CSS declaration limit exceeded",
                  {},
                  {}},
        SheetCase{"CommaInsideAttributeValue", "a[title='x,y'], b{}", 800, std::nullopt, {"a", "b"}, {}},
        SheetCase{
            "OrderCoversMediaBlocks", "a{} @media all { b{} i{} } p{}", 800, std::nullopt, {"a", "b", "i", "p"}, {}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Media, StylesheetTable,
    ::testing::Values(
        SheetCase{"MinWidth", "@media (min-width: 600px) { a{} }", 800, std::nullopt, {"a"}, {}},
        SheetCase{"MaxWidthBelow", "@media screen and (max-width: 599px) { a{} }", 800, std::nullopt, {}, {}},
        SheetCase{"Print", "@media print { a{} }", 800, std::nullopt, {}, {}},
        SheetCase{"ExactWidth", "@media (width: 800px) { a{} }", 800, std::nullopt, {"a"}, {}},
        SheetCase{"ExactWidthMiss", "@media (width: 800px) { a{} }", 800.5f, std::nullopt, {}, {}},
        SheetCase{"MinWidthEdge", "@media (min-width: 600px) { a{} }", 600, std::nullopt, {"a"}, {}},
        SheetCase{"MinWidthJustBelow", "@media (min-width: 600px) { a{} }", 599.5f, std::nullopt, {}, {}},
        SheetCase{"MaxWidthEdge", "@media (max-width: 600px) { a{} }", 600, std::nullopt, {"a"}, {}},
        SheetCase{"MaxWidthJustAbove", "@media (max-width: 600px) { a{} }", 600.5f, std::nullopt, {}, {}},
        SheetCase{"FractionalValue", "@media (max-width: 600.5px) { a{} }", 600.5f, std::nullopt, {"a"}, {}},
        SheetCase{"ZeroValue", "@media all and (min-width: 0) { a{} }", 160, std::nullopt, {"a"}, {}},
        SheetCase{"UpperBound", "@media (min-width: 8192px) { a{} }", 8192, std::nullopt, {"a"}, {}},
        SheetCase{"AboveUpperBound", "@media (min-width: 9000px) { a{} }", 800, std::nullopt, {}, {kMediaQuery}},
        SheetCase{
            "TwoFeatures", "@media (min-width: 600px) and (max-width: 900px) { a{} }", 800, std::nullopt, {"a"}, {}},
        SheetCase{"TwoFeaturesOneMisses",
                  "@media (min-width: 600px) and (max-width: 700px) { a{} }",
                  800,
                  std::nullopt,
                  {},
                  {}},
        SheetCase{"AndWithoutSpace", "@media screen and(min-width: 600px) { a{} }", 800, std::nullopt, {"a"}, {}},
        SheetCase{"DanglingAnd", "@media screen and { a{} }", 800, std::nullopt, {}, {kMediaQuery}},
        SheetCase{"AndWord", "@media screen andx (min-width: 1px) { a{} }", 800, std::nullopt, {}, {kMediaQuery}},
        SheetCase{"UnknownFeature", "@media (orientation: landscape) { a{} }", 800, std::nullopt, {}, {kMediaQuery}},
        SheetCase{"BareNumber", "@media (min-width: 600) { a{} }", 800, std::nullopt, {}, {kMediaQuery}},
        SheetCase{"OtherUnit", "@media (min-width: 60em) { a{} }", 800, std::nullopt, {}, {kMediaQuery}},
        SheetCase{"UnsupportedThenMatching", "@media foo, screen { a{} }", 800, std::nullopt, {"a"}, {kMediaQuery}},
        SheetCase{"MatchingThenUnsupported", "@media screen, foo { a{} }", 800, std::nullopt, {"a"}, {}},
        SheetCase{"EmptyQuery", "@media print, { a{} }", 800, std::nullopt, {}, {kMediaQuery}},
        SheetCase{"NoParenthesisDropsQuietly",
                  "@media (min-width: 1px) and (max-width: 2000px, screen, x) { a{} }",
                  800,
                  std::nullopt,
                  {"a"},
                  {}},
        SheetCase{"UpperCase", "@MEDIA SCREEN AND (MIN-WIDTH: 600PX) { a{} }", 800, std::nullopt, {"a"}, {}},
        SheetCase{"NoSpaceBeforeParen", "@media(min-width:600px){a{}}", 800, std::nullopt, {"a"}, {}},
        SheetCase{"FontFace", "@font-face { font-family: x } a{}", 800, std::nullopt, {"a"}, {kAtRule}},
        SheetCase{"BareMedia", "@media { a{} }", 800, std::nullopt, {}, {kAtRule}},
        SheetCase{"MediaPrefix", "@mediax screen { a{} }", 800, std::nullopt, {}, {kAtRule}},
        SheetCase{"BodyErrorPassesThrough", "@media all { a{ }", 800, "CSS rule is missing '}'", {}, {}},
        SheetCase{"UnappliedBodyNotExamined", "@media print { a{b{}} }", 800, std::nullopt, {}, {}},
        SheetCase{"EightNestedBlocks", nested_media(8), 800, std::nullopt, {"a"}, {}},
        SheetCase{"NineNestedBlocks", nested_media(9), 800, "CSS at-rule depth exceeded", {}, {}},
        SheetCase{"NineNestedUnapplied", "@media print{" + nested_media(8) + "}", 800, std::nullopt, {}, {}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    RuleBudget, StylesheetTable,
    ::testing::Values(
        SheetCase{
            "FiveHundredTwelveFit", repeat("a{}", 512), 800, std::nullopt, std::vector<std::string>(512, "a"), {}},
        SheetCase{"OnePast", repeat("a{}", 513), 800, "CSS rule limit exceeded", {}, {}},
        SheetCase{"ListCrossesLimit", repeat("a{}", 511) + "a, b{}", 800, "CSS rule limit exceeded", {}, {}}),
    CaseName);

TEST(Stylesheet, EachSelectorOwnsACopyOfTheDeclarations) {
  WarningList warnings;
  auto rules = parser::stylesheet("a, b { color: red; margin: 0 !important; float: left }", warnings, 800);
  ASSERT_TRUE(rules.ok());
  ASSERT_EQ(rules->size(), 2u);
  EXPECT_EQ((*rules)[0].declarations, (*rules)[1].declarations);
  ASSERT_EQ((*rules)[0].declarations.size(), 2u);
  EXPECT_FALSE((*rules)[0].declarations[0].important);
  EXPECT_TRUE((*rules)[0].declarations[1].important);
  EXPECT_NE((*rules)[0].declarations.data(), (*rules)[1].declarations.data());
  EXPECT_EQ(warnings.entries(), std::vector<std::string>{kProperty});
}

TEST(Stylesheet, RuleBudgetHoldsAtEveryMediaDepth) {
  WarningList warnings;
  std::vector<Rule> rules;
  auto fits = parser::rules_into("@media all { " + repeat("a{}", 512) + " }", warnings, 0, rules, 800);
  ASSERT_TRUE(fits.ok());
  EXPECT_EQ(rules.size(), 512u);
  auto over = parser::rules_into("b{}", warnings, 0, rules, 800);
  ASSERT_FALSE(over.ok());
  EXPECT_EQ(over.error(), "CSS rule limit exceeded");
}

}  // namespace
}  // namespace kivo_style
