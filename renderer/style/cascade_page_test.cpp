// Styles whole pages parsed by the HTML parser, so the cascade is checked
// against the trees that real documents produce.
#ifdef KIVO_STYLE_TEST_WITH_HTML

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "html/parser.h"
#include "style/cascade.h"

namespace kivo_style {
namespace {

using kivo_dom::Document;
using kivo_dom::NodeId;

Document parse(const std::string& html) {
  auto document = kivo_html::parser::parse_web(html, kivo_html::kRendererLimits);
  KIVO_CHECK(document.ok());
  return std::move(document).value();
}

// The element whose id attribute is `id`.
NodeId by_id(const Document& document, std::string_view id) {
  for (std::size_t i = 0; i < document.nodes.size(); ++i) {
    if (document.nodes[i].attribute("id") == id) return NodeId{document.id, i};
  }
  KIVO_CHECK(false);
  return {};
}

struct PageCase {
  const char* name;
  std::string html;
  float width;
  // The node, by its id attribute, whose style is checked.
  const char* target;
  std::uint32_t color;
  float font_size;
  Display display;
  std::vector<std::string> warnings;
};

void PrintTo(const PageCase& c, std::ostream* out) { *out << c.name; }

class CascadePage : public ::testing::TestWithParam<PageCase> {};

TEST_P(CascadePage, ComputedValuesAndWarnings) {
  const PageCase& c = GetParam();
  const Document document = parse(c.html);
  auto styled = compute_web_at_width(document, {}, c.width);
  ASSERT_TRUE(styled.ok()) << styled.error().message;
  const Style* style = styled->find(by_id(document, c.target));
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->color, c.color);
  EXPECT_EQ(style->font_size, c.font_size);
  EXPECT_EQ(style->display, c.display);
  EXPECT_EQ(styled->warnings, c.warnings);
}

const std::string kResponsive =
    "<!DOCTYPE html><html><head><style>"
    "p { color: #00f }"
    "@media (max-width: 599px) { p { color: red; font-size: 12px } }"
    "@media screen and (min-width: 1200px) { .lead { font-size: 24px } }"
    "</style></head><body><p id=t class=lead>Hello</p></body></html>";

INSTANTIATE_TEST_SUITE_P(
    Table, CascadePage,
    ::testing::Values(
        PageCase{"NarrowViewport", kResponsive, 599, "t", 0xFF0000FF, 12, Display::Block, {}},
        PageCase{"MiddleViewport", kResponsive, 600, "t", 0x0000FFFF, 16, Display::Block, {}},
        PageCase{"WideViewport", kResponsive, 1200, "t", 0x0000FFFF, 24, Display::Block, {}},
        PageCase{"HeadingSpanInherits", "<h2><span id=t>x</span></h2>", 800, "t", 0x292B38FF, 28, Display::Inline, {}},
        PageCase{"LinkTextColour", "<p><a id=t href=x>x</a></p>", 800, "t", 0x6355C7FF, 16, Display::Inline, {}},
        PageCase{"StyleAttributeWins",
                 "<style>#t { color: red } p { font-size: 20px !important }</style>"
                 "<p id=t style='color: green; font-size: 10px'>x</p>",
                 800,
                 "t",
                 0x008000FF,
                 20,
                 Display::Block,
                 {}},
        PageCase{"CommentsAndUnsupportedParts",
                 "<style>/* a */ @import 'x.css'; p::before { color: red } p { color: red; float: left }</style>"
                 "<p id=t>x</p><script>run()</script>",
                 800,
                 "t",
                 0xFF0000FF,
                 16,
                 Display::Block,
                 {"JavaScript execution is not supported", "unsupported CSS property or value",
                  "unsupported CSS statement", "unsupported selector list skipped"}},
        PageCase{"BrokenSheetFallsBack",
                 "<style>p { color: red </style><p id=t>x</p>",
                 800,
                 "t",
                 0x292B38FF,
                 16,
                 Display::Block,
                 {"Author CSS could not be applied; basic document styles used: CSS rule is missing '}'"}},
        PageCase{"HiddenAttribute",
                 "<style>div { display: flex }</style><div id=t hidden>x</div>",
                 800,
                 "t",
                 0x292B38FF,
                 16,
                 Display::None,
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

std::string nested_divs(int depth, const std::string& inner) {
  std::string html;
  for (int i = 0; i < depth; ++i) html += "<div>";
  html += inner;
  for (int i = 0; i < depth; ++i) html += "</div>";
  return html;
}

TEST(CascadePageLimits, DeepestParsableTreeIsStyledUntilTextGoesBelowIt) {
  const std::string css = "<style>div div div div div div div div { color: red }</style>";
  const Document without_text = parse(css + nested_divs(128, ""));
  auto styled = compute_web_at_width(without_text, {}, 800);
  ASSERT_TRUE(styled.ok()) << styled.error().message;
  EXPECT_EQ(styled->styles.size(), without_text.nodes.size());
  EXPECT_TRUE(styled->warnings.empty());
  const NodeId innermost{without_text.id, without_text.nodes.size() - 1};
  EXPECT_EQ(styled->styles.at(innermost).color, 0xFF0000FFu);

  const Document with_text = parse(nested_divs(128, "deep"));
  auto failed = compute_web_at_width(with_text, {}, 800);
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().message, "style depth exceeds 128");
}

TEST(CascadePageLimits, WidestParsableTreeIsStyled) {
  std::string html = "<style>li:first-child { color: red } ul li { font-size: 20px }</style><ul>";
  // The root, style, its text and ul leave room for this many list items.
  for (int i = 0; i < 49'996; ++i) html += "<li></li>";
  const Document document = parse(html + "</ul>");
  ASSERT_EQ(document.nodes.size(), 50'000u);
  auto styled = compute_web_at_width(document, {}, 800);
  ASSERT_TRUE(styled.ok()) << styled.error().message;
  EXPECT_EQ(styled->styles.size(), 50'000u);
  const Style& last = styled->styles.at(NodeId{document.id, document.nodes.size() - 1});
  EXPECT_EQ(last.font_size, 20);
  EXPECT_EQ(last.color, 0x292B38FFu);
}

}  // namespace
}  // namespace kivo_style

#endif  // KIVO_STYLE_TEST_WITH_HTML
