#include "style/cascade.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "style/test_tree.h"

namespace kivo_style {
namespace {

using kivo_dom::NodeId;
using testing::TreeBuilder;
using Stylesheets = std::unordered_map<NodeId, std::string>;

constexpr const char* kFallback = "Author CSS could not be applied; basic document styles used: ";
constexpr const char* kScript = "JavaScript execution is not supported";
constexpr const char* kExternal = "External stylesheets are not loaded";
constexpr const char* kInlineBox = "inline box decorations are not supported";
constexpr const char* kProperty = "unsupported CSS property or value";
constexpr std::uint32_t kRed = 0xFF0000FF;
constexpr std::uint32_t kGreen = 0x008000FF;
constexpr std::uint32_t kBlue = 0x0000FFFF;
constexpr std::uint32_t kTextColor = 0x292B38FF;

// <html><head><style>css</style></head><body>...</body></html>, with the body
// left for the test to fill.
struct Page {
  explicit Page(const std::string& css = "") {
    html = tree.element(tree.root(), "html");
    head = tree.element(html, "head");
    if (!css.empty()) tree.text(tree.element(head, "style"), css);
    body = tree.element(html, "body");
  }

  kivo_dom::Result<StyledDocument, StyleError> style(float width = 800, const Stylesheets& sheets = {}) const {
    return compute_web_at_width(tree.document, sheets, width);
  }

  // Styles the page, which must succeed, and returns the result.
  StyledDocument styled(float width = 800, const Stylesheets& sheets = {}) const {
    auto result = style(width, sheets);
    KIVO_CHECK(result.ok());
    return std::move(result).value();
  }

  TreeBuilder tree;
  NodeId html, head, body;
};

const Style& style_of(const StyledDocument& styled, NodeId node) {
  const Style* style = styled.find(node);
  KIVO_CHECK(style != nullptr);
  return *style;
}

TEST(CascadeViewport, AcceptsOnlyFiniteWidthsFrom160To8192) {
  const Page page;
  for (const float width : {160.0f, 8192.0f, 800.5f}) EXPECT_TRUE(page.style(width).ok()) << width;
  for (const float width : {159.9f, 8192.5f, 0.0f, -800.0f, std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
    auto result = page.style(width);
    ASSERT_FALSE(result.ok()) << width;
    EXPECT_EQ(result.error().message, "invalid style viewport");
  }
}

TEST(CascadeViewport, MediaQueriesSeeTheWidth) {
  Page page("p{color:green} @media (min-width: 600px) { p{color:red} }");
  const NodeId p = page.tree.element(page.body, "p");
  EXPECT_EQ(style_of(page.styled(600), p).color, kRed);
  EXPECT_EQ(style_of(page.styled(599.5f), p).color, kGreen);
}

struct PrecedenceCase {
  const char* name;
  std::string css;
  std::string style_attribute;
  std::uint32_t color;
};

void PrintTo(const PrecedenceCase& c, std::ostream* out) { *out << c.name; }

// The rule repeated count times: enough matched declarations for an element
// to be ordered by the general sort rather than the short one.
std::string repeated(const std::string& rule, int count) {
  std::string css;
  for (int i = 0; i < count; ++i) css += rule;
  return css;
}

class CascadePrecedence : public ::testing::TestWithParam<PrecedenceCase> {};

TEST_P(CascadePrecedence, StrongestDeclarationWins) {
  const PrecedenceCase& c = GetParam();
  Page page(c.css);
  const NodeId div = page.tree.element(page.body, "div", {{"class", "a b"}});
  const NodeId p = page.tree.element(div, "p", {{"id", "x"}, {"class", "a"}});
  if (!c.style_attribute.empty()) KIVO_CHECK(page.tree.document.set_attribute(p, "style", c.style_attribute).ok());
  const StyledDocument styled = page.styled();
  EXPECT_EQ(style_of(styled, p).color, c.color);
  EXPECT_TRUE(styled.warnings.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, CascadePrecedence,
    ::testing::Values(
        PrecedenceCase{"LaterRuleWins", "p{color:red} p{color:blue}", "", kBlue},
        PrecedenceCase{"LaterDeclarationWins", "p{color:red; color:blue}", "", kBlue},
        PrecedenceCase{"IdBeatsLaterType", "#x{color:red} p{color:blue}", "", kRed},
        PrecedenceCase{"ClassAndTypeBeatLaterClass", "p.a{color:red} .a{color:blue}", "", kRed},
        PrecedenceCase{"EqualSpecificityLaterWins", "#x{color:red} p#x{color:green} div #x{color:blue}", "", kBlue},
        PrecedenceCase{"EqualSpecificityEarlierLoses", "div #x{color:blue} p#x{color:green} #x{color:red}", "", kGreen},
        PrecedenceCase{"TwoClassesBeatOneClassAndTypes", "div .a{color:red} html .a{color:green} .b .a{color:blue}", "",
                       kBlue},
        PrecedenceCase{"InlineBeatsId", "#x{color:red} p{color:blue}", "color:green", kGreen},
        PrecedenceCase{"InlineLaterDeclarationWins", "", "color:red; color:green", kGreen},
        PrecedenceCase{"ImportantRuleBeatsInline", "p{color:red !important} #x{color:blue}", "color:green", kRed},
        PrecedenceCase{"ImportantHigherSpecificityWins", "#x{color:blue !important} p{color:red !important}",
                       "color:green", kBlue},
        PrecedenceCase{"ImportantInlineBeatsImportantRule", "#x{color:red !important}", "color:green!important",
                       kGreen},
        PrecedenceCase{"MediaRuleKeepsSourceOrder", "@media all { p{color:red} } p{color:blue}", "", kBlue},
        PrecedenceCase{"ManyDeclarationsIdBeatsLaterTypes", "#x{color:red}" + repeated("p{color:blue}", 20), "",
                       kRed},
        PrecedenceCase{"ManyDeclarationsLaterWins", repeated("p{color:red}", 12) + repeated("p{color:blue}", 12),
                       "", kBlue},
        PrecedenceCase{"ManyDeclarationsInlineWins", repeated("#x{color:red}", 20), "color:green", kGreen},
        PrecedenceCase{"AttributeValueBeatsType", "[class=\"a\"]{color:red} p{color:blue}", "", kRed},
        PrecedenceCase{"BareAttributeBeatsType", "[id]{color:red} p{color:blue}", "", kRed},
        PrecedenceCase{"OtherAttributeValueMisses", "[class=\"b\"]{color:red} [class]{color:blue}", "", kBlue},
        PrecedenceCase{"AttributeThenPseudoClass", "[id=x]:first-child{color:red} p.a{color:blue}", "", kRed},
        PrecedenceCase{"AttributeRulesKeepSourceOrder", "[id]{color:red} [class=a]{color:green} [id=x]{color:blue}",
                       "", kBlue}),
    [](const auto& info) { return std::string(info.param.name); });

// Siblings alike in name and attributes share one computation; each row is
// a pair of siblings whose styles must still differ, through their place,
// their children, their attributes or their parent.
TEST(CascadeSiblings, AlikeSiblingsDifferWhereTheirRulesTellThemApart) {
  struct Case {
    const char* name;
    std::string css;
    // Builds two siblings (or cousins) under body and returns them.
    std::pair<NodeId, NodeId> (*build)(Page&);
  };
  const Case cases[] = {
      {"FirstAndLastChild", "p:first-child{color:red} p:last-child{color:blue}",
       [](Page& p) {
         const NodeId div = p.tree.element(p.body, "div");
         const NodeId first = p.tree.element(div, "p");
         p.tree.element(div, "p");
         return std::pair{first, p.tree.element(div, "p")};
       }},
      {"Empty", "p:empty{color:red} p{color:blue}",
       [](Page& p) {
         const NodeId full = p.tree.element(p.body, "p");
         p.tree.text(full, "text");
         return std::pair{full, p.tree.element(p.body, "p")};
       }},
      {"AttributeValue", "[title=x]{color:red} p{color:blue}",
       [](Page& p) {
         return std::pair{p.tree.element(p.body, "p", {{"title", "x"}}), p.tree.element(p.body, "p", {{"title", "y"}})};
       }},
      {"StyleAttribute", "p{color:blue}",
       [](Page& p) {
         return std::pair{p.tree.element(p.body, "p", {{"style", "color:red"}}),
                          p.tree.element(p.body, "p", {{"style", "color:green"}})};
       }},
      {"Hidden", "p{color:blue}",
       [](Page& p) { return std::pair{p.tree.element(p.body, "p"), p.tree.element(p.body, "p", {{"hidden", ""}})}; }},
      {"Cousins", ".a p{color:red} p{color:blue}",
       [](Page& p) {
         const NodeId a = p.tree.element(p.body, "div", {{"class", "a"}});
         const NodeId b = p.tree.element(p.body, "div", {{"class", "b"}});
         return std::pair{p.tree.element(a, "p"), p.tree.element(b, "p")};
       }},
      {"InheritedFromDifferentParents", "p{margin:0} .big{font-size:30px}",
       [](Page& p) {
         const NodeId big = p.tree.element(p.body, "div", {{"class", "big"}});
         const NodeId plain = p.tree.element(p.body, "div");
         return std::pair{p.tree.element(big, "p"), p.tree.element(plain, "p")};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Page page(c.css);
    const auto [first, second] = c.build(page);
    const StyledDocument styled = page.styled();
    EXPECT_NE(style_of(styled, first), style_of(styled, second));
  }
}

// A run of alike siblings takes its styles and its warnings as styling each
// of them on its own would.
TEST(CascadeSiblings, AlikeSiblingsGetTheFirstOnesStyleAndWarnings) {
  const std::string css = "body div{color:red} .k{margin:3px} div span{font-size:20px}";
  Page page(css);
  std::vector<NodeId> divs;
  for (int i = 0; i < 4; ++i) {
    divs.push_back(page.tree.element(page.body, "div", {{"class", "k"}, {"style", "padding:2px; float:left"}}));
    page.tree.element(divs.back(), "span");
  }
  const StyledDocument styled = page.styled();
  Page single(css);
  const NodeId only = single.tree.element(single.body, "div", {{"class", "k"}, {"style", "padding:2px; float:left"}});
  single.tree.element(only, "span");
  const StyledDocument expected = single.styled();
  for (const NodeId div : divs) {
    EXPECT_EQ(style_of(styled, div), style_of(expected, only));
    const NodeId span = page.tree.document.node(div).children.front();
    EXPECT_EQ(style_of(styled, span), style_of(expected, single.tree.document.node(only).children.front()));
  }
  EXPECT_EQ(styled.warnings, expected.warnings);
  EXPECT_EQ(style_of(styled, divs[0]).color, kRed);
}

TEST(CascadeInheritance, FourFieldsFollowTheParent) {
  Page page("p{line-height:2; font-size:20px; margin:4px; background:red} .small{font-size:10px}");
  const NodeId h1 = page.tree.element(page.body, "h1");
  const NodeId span = page.tree.element(h1, "span");
  const NodeId a = page.tree.element(page.body, "a");
  const NodeId link_text = page.tree.text(a, "link");
  const NodeId p = page.tree.element(page.body, "p");
  const NodeId div = page.tree.element(p, "div", {{"class", "small"}});
  const StyledDocument styled = page.styled();

  EXPECT_EQ(style_of(styled, span).font_size, 36);
  EXPECT_TRUE(style_of(styled, span).bold);
  EXPECT_EQ(style_of(styled, span).display, Display::Inline);
  EXPECT_EQ(style_of(styled, link_text).color, 0x6355C7FFu);
  const Style& inner = style_of(styled, div);
  EXPECT_EQ(inner.line_height, LineHeight::number(2));
  EXPECT_EQ(inner.font_size, 10);
  Style expected = Style::initial();
  expected.inherit_from(inner);
  EXPECT_EQ(inner, expected);
}

TEST(CascadeBuiltIn, ElementNamesGiveTheirValues) {
  struct Case {
    const char* name;
    Display display;
    bool bold;
    float font_size;
    std::array<float, 4> margin;
    std::array<float, 4> padding;
  };
  const std::array<float, 4> none{};
  const std::vector<Case> cases = {
      {"a", Display::Inline, false, 16, none, none},
      {"b", Display::Inline, true, 16, none, none},
      {"strong", Display::Inline, true, 16, none, none},
      {"em", Display::Inline, false, 16, none, none},
      {"br", Display::Inline, false, 16, none, none},
      {"p", Display::Block, false, 16, {0, 0, 16, 0}, none},
      {"ul", Display::Block, false, 16, {0, 0, 16, 0}, {0, 0, 0, 24}},
      {"ol", Display::Block, false, 16, {0, 0, 16, 0}, {0, 0, 0, 24}},
      {"li", Display::Block, false, 16, {0, 0, 8, 0}, none},
      {"body", Display::Block, false, 16, {8, 8, 8, 8}, none},
      {"h1", Display::Block, true, 36, {18, 0, 14, 0}, none},
      {"h2", Display::Block, true, 28, {18, 0, 14, 0}, none},
      {"h3", Display::Block, true, 23, {18, 0, 14, 0}, none},
      {"h4", Display::Block, true, 20, {18, 0, 14, 0}, none},
      {"h5", Display::Block, true, 18, {18, 0, 14, 0}, none},
      {"h6", Display::Block, true, 16, {18, 0, 14, 0}, none},
      {"h01", Display::Block, true, 36, {18, 0, 14, 0}, none},
      {"h+2", Display::Block, true, 28, {18, 0, 14, 0}, none},
      {"h0", Display::Block, false, 16, none, none},
      {"h7", Display::Block, false, 16, none, none},
      {"hr", Display::Block, false, 16, none, none},
      {"h", Display::Block, false, 16, none, none},
      {"section", Display::Block, false, 16, none, none},
      {"title", Display::None, false, 16, none, none},
      {"svg", Display::None, false, 16, none, none},
      {"template", Display::None, false, 16, none, none},
  };
  TreeBuilder tree;
  std::vector<NodeId> ids;
  for (const Case& c : cases) ids.push_back(tree.element(tree.root(), c.name));
  auto styled = compute_web_at_width(tree.document, {}, 800);
  ASSERT_TRUE(styled.ok());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Style& style = style_of(*styled, ids[i]);
    EXPECT_EQ(style.display, cases[i].display) << cases[i].name;
    EXPECT_EQ(style.bold, cases[i].bold) << cases[i].name;
    EXPECT_EQ(style.font_size, cases[i].font_size) << cases[i].name;
    EXPECT_EQ(style.margin, cases[i].margin) << cases[i].name;
    EXPECT_EQ(style.padding, cases[i].padding) << cases[i].name;
  }
}

TEST(CascadeDisplay, HiddenAndNeverRenderedElements) {
  Page page("script, title, meta, div { display: block } span { display: none }");
  const NodeId hidden = page.tree.element(page.body, "div", {{"hidden", ""}, {"style", "display:block"}});
  const NodeId child = page.tree.element(hidden, "span", {{"style", "display:inline"}});
  const NodeId script = page.tree.element(page.body, "script");
  const NodeId title = page.tree.element(page.head, "title");
  const NodeId meta = page.tree.element(page.head, "meta");
  const NodeId iframe = page.tree.element(page.body, "iframe", {{"style", "display:flex"}});
  const StyledDocument styled = page.styled();
  EXPECT_EQ(style_of(styled, hidden).display, Display::None);
  EXPECT_EQ(style_of(styled, child).display, Display::Inline);
  EXPECT_EQ(style_of(styled, script).display, Display::None);
  EXPECT_EQ(style_of(styled, title).display, Display::Block);
  EXPECT_EQ(style_of(styled, meta).display, Display::Block);
  EXPECT_EQ(style_of(styled, iframe).display, Display::None);
  EXPECT_EQ(style_of(styled, page.head).display, Display::None);
}

struct WarningCase {
  const char* name;
  std::string css;
  // Builds the body; gets the page and the stylesheets map to fill.
  void (*build)(Page&, Stylesheets&);
  std::vector<std::string> warnings;
};

void PrintTo(const WarningCase& c, std::ostream* out) { *out << c.name; }

class CascadeWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(CascadeWarnings, ListIsSortedAndDeduplicated) {
  const WarningCase& c = GetParam();
  Page page(c.css);
  Stylesheets sheets;
  c.build(page, sheets);
  EXPECT_EQ(page.styled(800, sheets).warnings, c.warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CascadeWarnings,
    ::testing::Values(WarningCase{"DecoratedSpansWarnOnce",
                                  "span{padding:4px}",
                                  [](Page& p, Stylesheets&) {
                                    for (int i = 0; i < 3; ++i) p.tree.element(p.body, "span");
                                  },
                                  {kInlineBox}},
                      WarningCase{"EachDecorationCounts",
                                  "",
                                  [](Page& p, Stylesheets&) {
                                    p.tree.element(p.body, "a", {{"style", "margin-left:1px"}});
                                  },
                                  {kInlineBox}},
                      WarningCase{"HeightRadiusAutoMarginsDoNotCount",
                                  "span{height:10px; border-radius:4px; margin:auto; min-width:5px}",
                                  [](Page& p, Stylesheets&) { p.tree.element(p.body, "span"); },
                                  {}},
                      WarningCase{"BlockSpanWithPaddingDoesNotWarn",
                                  "span{display:block; padding:4px}",
                                  [](Page& p, Stylesheets&) { p.tree.element(p.body, "span"); },
                                  {}},
                      WarningCase{"HiddenSpanDoesNotWarn",
                                  "span{padding:4px}",
                                  [](Page& p, Stylesheets&) {
                                    p.tree.element(p.body, "span", {{"hidden", ""}});
                                  },
                                  {}},
                      WarningCase{"ScriptsWarnOnce",
                                  "",
                                  [](Page& p, Stylesheets&) {
                                    for (int i = 0; i < 3; ++i) p.tree.element(p.body, "script");
                                  },
                                  {kScript}},
                      WarningCase{"UndeliveredStylesheetLink",
                                  "",
                                  [](Page& p, Stylesheets&) {
                                    p.tree.element(p.head, "link", {{"rel", "StyleSheet"}});
                                  },
                                  {kExternal}},
                      WarningCase{"DeliveredStylesheetLink",
                                  "",
                                  [](Page& p, Stylesheets& sheets) {
                                    sheets[p.tree.element(p.head, "link", {{"rel", "stylesheet"}})] = "p{}";
                                  },
                                  {}},
                      WarningCase{"AlternateStylesheetLink",
                                  "",
                                  [](Page& p, Stylesheets&) {
                                    p.tree.element(p.head, "link", {{"rel", "stylesheet alternate"}});
                                  },
                                  {}},
                      WarningCase{"ByteOrder",
                                  "float:left{} p{float:left}",
                                  [](Page& p, Stylesheets&) {
                                    p.tree.element(p.body, "span", {{"style", "padding:1px"}});
                                    p.tree.element(p.body, "script");
                                    p.tree.element(p.body, "link", {{"rel", "stylesheet"}});
                                  },
                                  {kExternal, kScript, kInlineBox, kProperty, "unsupported selector list skipped"}},
                      WarningCase{"ScriptsFillTheListBeforeParserWarnings",
                                  "",
                                  [](Page& p, Stylesheets&) {
                                    for (int i = 0; i < 64; ++i) p.tree.element(p.body, "script");
                                    p.tree.element(p.body, "p", {{"style", "float:left"}});
                                  },
                                  {kScript}},
                      WarningCase{"SixtyThreeScriptsLeaveRoom",
                                  "",
                                  [](Page& p, Stylesheets&) {
                                    for (int i = 0; i < 63; ++i) p.tree.element(p.body, "script");
                                    p.tree.element(p.body, "p", {{"style", "float:left"}});
                                  },
                                  {kScript, kProperty}},
                      WarningCase{"DecorationWarningIgnoresTheParserCap",
                                  "",
                                  [](Page& p, Stylesheets&) {
                                    for (int i = 0; i < 64; ++i) p.tree.element(p.body, "script");
                                    p.tree.element(p.body, "span", {{"style", "padding:1px"}});
                                  },
                                  {kScript, kInlineBox}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CascadeFallback, BrokenAuthorCssFallsBackWithItsReason) {
  Page page("@import 'x'; p{color:red} q{");
  const NodeId p = page.tree.element(page.body, "p", {{"style", "color:blue"}});
  page.tree.element(page.body, "script");
  const NodeId link = page.tree.element(page.head, "link", {{"rel", "stylesheet"}});
  const StyledDocument styled = page.styled(800, {{link, "p{color:green}"}});
  EXPECT_EQ(style_of(styled, p).color, kTextColor);
  EXPECT_EQ(styled.warnings,
            (std::vector<std::string>{kExternal, kScript, std::string(kFallback) + "CSS rule is missing '}'"}));
}

struct BudgetCase {
  const char* name;
  void (*build)(Page&, Stylesheets&);
  // The reason of the fallback, or empty when author CSS applies.
  std::string failure;
};

void PrintTo(const BudgetCase& c, std::ostream* out) { *out << c.name; }

class CascadeBudgets : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(CascadeBudgets, AtTheLimitAndOnePast) {
  const BudgetCase& c = GetParam();
  Page page;
  Stylesheets sheets;
  c.build(page, sheets);
  const StyledDocument styled = page.styled(800, sheets);
  std::vector<std::string> expected;
  if (!c.failure.empty()) {
    // The fallback run loads no delivered sheet, so their links are reported.
    if (!sheets.empty()) expected.push_back(kExternal);
    expected.push_back(kFallback + c.failure);
  }
  EXPECT_EQ(styled.warnings, expected);
}

// A sheet of exactly `size` bytes that parses without warnings.
std::string sheet_of_size(std::size_t size) {
  std::string css = "p{color:red}";
  css.resize(size, ' ');
  return css;
}

void add_style(Page& page, std::size_t size) {
  page.tree.text(page.tree.element(page.head, "style"), sheet_of_size(size));
}

void add_sheet(Page& page, Stylesheets& sheets, std::size_t size) {
  sheets[page.tree.element(page.head, "link", {{"rel", "stylesheet"}})] = sheet_of_size(size);
}

void add_elements_and_rules(Page& page, int elements, int rules) {
  std::string css;
  for (int i = 0; i < rules; ++i) css += "x{}";
  page.tree.text(page.tree.element(page.tree.root(), "style"), css);
  // The html, head, body and style elements count as well.
  for (int i = 4; i < elements; ++i) page.tree.element(page.body, "div");
}

// Like add_elements_and_rules, but every div carries the class the rules name,
// so the rules are tried on each div and fail on its type instead: the step
// count must not depend on which way a rule fails.
void add_classed_elements_and_rules(Page& page, int elements, int rules) {
  std::string css;
  for (int i = 0; i < rules; ++i) css += "x.a{}";
  page.tree.text(page.tree.element(page.tree.root(), "style"), css);
  for (int i = 4; i < elements; ++i) page.tree.element(page.body, "div", {{"class", "a b a"}});
}

// Like add_elements_and_rules, but the rules name an attribute value the divs
// do not carry, or an attribute they lack: either way each rule fails on the
// subject and costs the same two steps as a rule of another type.
void add_attributed_elements_and_rules(Page& page, int elements, int rules, const std::string& rule) {
  std::string css;
  for (int i = 0; i < rules; ++i) css += rule;
  page.tree.text(page.tree.element(page.tree.root(), "style"), css);
  for (int i = 4; i < elements; ++i) page.tree.element(page.body, "div", {{"data-k", "y"}});
}

// Divs under body that each try every rule, a rule "section div" that walks
// all their ancestors and fails: five steps per rule and div, two per rule for
// the html, head, body and style elements. Alike siblings must count them all.
void add_siblings_and_walking_rules(Page& page, int divs, int rules) {
  std::string css;
  for (int i = 0; i < rules; ++i) css += "section div{}";
  page.tree.text(page.tree.element(page.tree.root(), "style"), css);
  for (int i = 0; i < divs; ++i) page.tree.element(page.body, "div", {{"class", "a"}});
}

INSTANTIATE_TEST_SUITE_P(
    Table, CascadeBudgets,
    ::testing::Values(
        BudgetCase{"DeliveredSheetAtLimit", [](Page& p, Stylesheets& s) { add_sheet(p, s, 65'535); }, ""},
        BudgetCase{"DeliveredSheetOnePast", [](Page& p, Stylesheets& s) { add_sheet(p, s, 65'536); },
                   "CSS exceeds 64 KiB"},
        BudgetCase{"StyleTextAtLimit", [](Page& p, Stylesheets&) { add_style(p, 65'536); }, ""},
        BudgetCase{"StyleTextOnePast", [](Page& p, Stylesheets&) { add_style(p, 65'537); }, "CSS exceeds 64 KiB"},
        BudgetCase{"LineFeedsCount",
                   [](Page& p, Stylesheets&) {
                     add_style(p, 32'768);
                     add_style(p, 32'767);
                   },
                   ""},
        BudgetCase{"LineFeedsCountOnePast",
                   [](Page& p, Stylesheets&) {
                     add_style(p, 32'768);
                     add_style(p, 32'768);
                   },
                   "CSS exceeds 64 KiB"},
        BudgetCase{"SheetAfterStyleAtLimit",
                   [](Page& p, Stylesheets& s) {
                     add_style(p, 32'767);
                     add_sheet(p, s, 32'767);
                   },
                   ""},
        BudgetCase{"SheetAfterStyleOnePast",
                   [](Page& p, Stylesheets& s) {
                     add_style(p, 32'767);
                     add_sheet(p, s, 32'768);
                   },
                   "CSS exceeds 64 KiB"},
        BudgetCase{"InlineAtLimit",
                   [](Page& p, Stylesheets&) {
                     p.tree.element(p.body, "p", {{"style", "color:red" + std::string(8'183, ' ')}});
                   },
                   ""},
        BudgetCase{"InlineOnePast",
                   [](Page& p, Stylesheets&) {
                     p.tree.element(p.body, "p", {{"style", std::string(8'193, ' ')}});
                   },
                   "inline CSS exceeds 8 KiB"},
        BudgetCase{"InlineParserError",
                   [](Page& p, Stylesheets&) {
                     p.tree.element(p.body, "p", {{"style", std::string(130, ';')}});
                   },
                   "CSS declaration limit exceeded"},
        BudgetCase{"RuleLimitFallsBack", [](Page& p, Stylesheets&) { add_elements_and_rules(p, 4, 513); },
                   "CSS rule limit exceeded"},
        BudgetCase{"MatchingAtBudget", [](Page& p, Stylesheets&) { add_elements_and_rules(p, 2'000, 500); }, ""},
        BudgetCase{"MatchingOnePast", [](Page& p, Stylesheets&) { add_elements_and_rules(p, 2'001, 500); },
                   "CSS matching budget exceeded"},
        BudgetCase{"ClassedMatchingAtBudget",
                   [](Page& p, Stylesheets&) { add_classed_elements_and_rules(p, 2'000, 500); }, ""},
        BudgetCase{"ClassedMatchingOnePast",
                   [](Page& p, Stylesheets&) { add_classed_elements_and_rules(p, 2'001, 500); },
                   "CSS matching budget exceeded"},
        BudgetCase{"AttributeValueMatchingAtBudget",
                   [](Page& p, Stylesheets&) { add_attributed_elements_and_rules(p, 2'000, 500, "[data-k=x]{}"); },
                   ""},
        BudgetCase{"AttributeValueMatchingOnePast",
                   [](Page& p, Stylesheets&) { add_attributed_elements_and_rules(p, 2'001, 500, "[data-k=x]{}"); },
                   "CSS matching budget exceeded"},
        BudgetCase{"AbsentAttributeMatchingAtBudget",
                   [](Page& p, Stylesheets&) { add_attributed_elements_and_rules(p, 2'000, 500, "[lang]:empty{}"); },
                   ""},
        // 4 * 2 * 400 + 998 * 5 * 400 = 1,999,200 steps; one div more passes the budget.
        BudgetCase{"AlikeSiblingsWithinBudget",
                   [](Page& p, Stylesheets&) { add_siblings_and_walking_rules(p, 998, 400); }, ""},
        BudgetCase{"AlikeSiblingsPastBudget", [](Page& p, Stylesheets&) { add_siblings_and_walking_rules(p, 999, 400); },
                   "CSS matching budget exceeded"},
        BudgetCase{"AbsentAttributeMatchingOnePast",
                   [](Page& p, Stylesheets&) { add_attributed_elements_and_rules(p, 2'001, 500, "[lang]:empty{}"); },
                   "CSS matching budget exceeded"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CascadeSources, StyleElementsAndDeliveredSheetsApplyInDocumentOrder) {
  struct Case {
    std::vector<std::string> sources;  // "style:..." or "sheet:..."
    std::uint32_t color;
  };
  const std::vector<Case> cases = {
      {{"style:p{color:red}", "sheet:p{color:green}", "style:p{color:blue}"}, kBlue},
      {{"style:p{color:red}", "style:p{color:blue}", "sheet:p{color:green}"}, kGreen},
      {{"sheet:p{color:green}", "style:p{color:red}"}, kRed},
  };
  for (const Case& c : cases) {
    Page page;
    Stylesheets sheets;
    for (const std::string& source : c.sources) {
      if (source.starts_with("style:")) {
        page.tree.text(page.tree.element(page.head, "style"), source.substr(6));
      } else {
        sheets[page.tree.element(page.head, "link", {{"rel", "stylesheet"}})] = source.substr(6);
      }
    }
    const NodeId p = page.tree.element(page.body, "p");
    EXPECT_EQ(style_of(page.styled(800, sheets), p).color, c.color) << c.sources.front();
  }
}

TEST(CascadeSources, OnlyTextChildrenOfStyleElementsCount) {
  Page page;
  const NodeId style = page.tree.element(page.body, "style");
  page.tree.text(style, "p{color:red}");
  page.tree.element(style, "b");
  page.tree.text(style, "p{margin:3px}");
  const NodeId p = page.tree.element(page.body, "p");
  const StyledDocument styled = page.styled();
  EXPECT_EQ(style_of(styled, p).color, kRed);
  EXPECT_EQ(style_of(styled, p).margin, (std::array<float, 4>{3, 3, 3, 3}));
}

TEST(CascadeTree, EveryReachableNodeIsStyledAndNoOther) {
  Page page("p{color:red}");
  const NodeId p = page.tree.element(page.body, "p");
  const NodeId text = page.tree.text(p, "hello");
  const NodeId detached = page.tree.document.insert(kivo_dom::NodeKind::element("p"));
  const StyledDocument styled = page.styled();
  EXPECT_EQ(style_of(styled, page.tree.root()), Style::initial());
  EXPECT_EQ(style_of(styled, text).color, kRed);
  EXPECT_EQ(styled.find(detached), nullptr);
  EXPECT_EQ(styled.styles.size(), page.tree.document.nodes.size() - 1);
}

TEST(CascadeTree, DepthLimitFailsBothRuns) {
  TreeBuilder tree;
  NodeId node = tree.root();
  for (int i = 0; i < 128; ++i) node = tree.element(node, "div");
  auto styled = compute_web_at_width(tree.document, {}, 800);
  ASSERT_TRUE(styled.ok());
  EXPECT_EQ(styled->styles.size(), 129u);
  tree.text(node, "deep");
  auto too_deep = compute_web_at_width(tree.document, {}, 800);
  ASSERT_FALSE(too_deep.ok());
  EXPECT_EQ(too_deep.error().message, "style depth exceeds 128");
}

TEST(CascadeTree, ForeignChildIdIsInvalidDom) {
  TreeBuilder tree;
  const NodeId div = tree.element(tree.root(), "div");
  tree.document.nodes[div.index].children.push_back(NodeId{tree.document.id + 1, 1});
  auto styled = compute_web_at_width(tree.document, {}, 800);
  ASSERT_FALSE(styled.ok());
  EXPECT_EQ(styled.error().message, "invalid DOM");
}

TEST(CascadeTree, ParentLinksThatAreNotATreeAreInvalidDom) {
  TreeBuilder tree;
  const NodeId div = tree.element(tree.root(), "div");
  tree.document.nodes[div.index].children.push_back(div);
  auto styled = compute_web_at_width(tree.document, {}, 800);
  ASSERT_FALSE(styled.ok());
  EXPECT_EQ(styled.error().message, "invalid DOM");
}

TEST(CascadeTree, WideDocumentAtTheNodeLimit) {
  TreeBuilder tree;
  const NodeId body = tree.element(tree.root(), "body");
  const NodeId style = tree.element(body, "style");
  tree.text(style, "body > span:first-child { color: red } span { color: blue }");
  std::vector<NodeId> spans;
  while (tree.document.nodes.size() < 50'000) spans.push_back(tree.element(body, "span"));
  auto styled = compute_web_at_width(tree.document, {}, 800);
  ASSERT_TRUE(styled.ok());
  EXPECT_EQ(styled->styles.size(), 50'000u);
  EXPECT_EQ(style_of(*styled, spans.front()).color, kBlue);
  EXPECT_EQ(style_of(*styled, spans.back()).color, kBlue);
  EXPECT_TRUE(styled->warnings.empty());
}

}  // namespace
}  // namespace kivo_style
