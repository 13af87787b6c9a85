#include "html/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_names.h"

namespace kivo_html {
namespace {

using kivo_dom::Document;
using kivo_dom::Node;
using kivo_dom::NodeId;

// Writes a tree compactly: an element as its name, its attributes in
// brackets and its children in parentheses; a text quoted with \" and \n
// escaped; siblings separated by one space. It also checks that every child
// names its parent back, which every reader of the tree relies on.
std::string dump(const Document& doc) {
  struct Item {
    NodeId id;
    bool close;
  };
  std::string out;
  std::vector<Item> stack;
  const auto& root_children = doc.node(doc.root()).children;
  for (auto it = root_children.rbegin(); it != root_children.rend(); ++it) stack.push_back({*it, false});
  while (!stack.empty()) {
    const Item item = stack.back();
    stack.pop_back();
    if (item.close) {
      out += ')';
      continue;
    }
    const Node& node = doc.node(item.id);
    if (!out.empty() && out.back() != '(') out += ' ';
    if (const std::string* text = node.kind.text_content()) {
      out += '"';
      for (char c : *text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
          out += "\\n";
          continue;
        }
        out += c;
      }
      out += '"';
      EXPECT_TRUE(node.children.empty());
      continue;
    }
    out += *node.kind.element_name();
    if (!node.attributes.empty()) {
      out += '[';
      bool first = true;
      for (const auto& [name, value] : node.attributes) {
        if (!first) out += ' ';
        first = false;
        out += name + "=\"" + value + "\"";
      }
      out += ']';
    }
    if (!node.children.empty()) {
      out += '(';
      stack.push_back({item.id, true});
      for (auto it = node.children.rbegin(); it != node.children.rend(); ++it) {
        EXPECT_EQ(doc.node(*it).parent, item.id);
        stack.push_back({*it, false});
      }
    }
  }
  return out;
}

// The dump of a successful parse, or the error's display text.
std::string outcome(std::string_view html, ParseLimits limits = kRendererLimits) {
  auto parsed = parser::parse_web(html, limits);
  if (!parsed.ok()) return parsed.error().display();
  return dump(*parsed);
}

struct Case {
  std::string html;
  std::string expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.html << '"'; }

// Names a case by its place in the table and its markup: markup alone can
// read the same for two cases once its signs are dropped.
std::string case_name(const testing::TestParamInfo<Case>& info) {
  return kivo_testing::indexed_name(info.index, info.param.html);
}

class ParseTable : public testing::TestWithParam<Case> {};

TEST_P(ParseTable, GivesTreeOrError) { EXPECT_EQ(outcome(GetParam().html), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Structure, ParseTable,
    testing::Values(
        Case{"", ""}, Case{"hello\n world", R"("hello\n world")"},
        Case{"<div>a<span>b</span>c</div>", R"(div("a" span("b") "c"))"},
        // Tag and attribute names fold to lowercase; attributes sort by name.
        Case{R"(<A HREF="x" id=y data-z>t</a>)", R"(a[data-z="" href="x" id="y"]("t"))"},
        // A "/" is an ordinary byte of an unquoted value, so the tag is not self-closing.
        Case{R"(<svg:rect x-y=1 _u=2/>)", R"(svg:rect[_u="2/" x-y="1"])"},
        // Void elements never take children, and their end tags match nothing.
        Case{"<img src=a.png><p>x", R"(img[src="a.png"] p("x"))"}, Case{"<br></br>x", R"(br "x")"},
        Case{"<p>a<br/>b", R"(p("a" br "b"))"},
        // "/>" on a non-void element opens it like ">".
        Case{"<div/>x", R"(div("x"))"},
        // Unmatched end tags are ignored; an end tag closes everything above its element.
        Case{"</span>a", R"("a")"}, Case{"<div>a<span>b</div>c", R"(div("a" span("b")) "c")"},
        Case{"<div><span>open", R"(div(span("open")))"}, Case{"<b><i>x</b>y</i>", R"(b(i("x")) "y")"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    ImpliedEnds, ParseTable,
    testing::Values(Case{"<p>a<p>b", R"(p("a") p("b"))"},
                    Case{"<div><p>a<div>b</div></div>", R"(div(p("a") div("b")))"},
                    Case{"<ul><li>a<li>b</ul>", R"(ul(li("a") li("b")))"},
                    Case{"<li>a<ul><li>b", R"(li("a" ul(li("b"))))"},
                    Case{"<dl><dt>a<dd>b<dt>c", R"(dl(dt("a") dd("b") dt("c")))"},
                    Case{"<html><head><title>T</title><body>x", R"(html(head(title("T")) body("x")))"},
                    Case{"<p><span>a<h1>b", R"(p(span("a")) h1("b"))"},
                    Case{"<p>a<nav>b<pre>c<hr>d", R"(p("a" nav("b" pre("c" hr "d"))))"},
                    // The search for an open p stops at body, html and table.
                    Case{"<p>a<body><div>b", R"(p("a" body(div("b"))))"},
                    Case{"<p>a<table><tr><td><p>b<p>c", R"(p("a") table(tr(td(p("b") p("c")))))"},
                    Case{"<ol><li>a<ol><li>b", R"(ol(li("a" ol(li("b")))))"},
                    // Elements closed by an end tag are no longer there to close.
                    Case{"<ul><li>a</ul><li>b<li>c", R"(ul(li("a")) li("b") li("c"))"},
                    Case{"<div><p>a</div><p>b<span><p>c", R"(div(p("a")) p("b" span) p("c"))"}),
    case_name);

// Element names are recognised whatever their case, and a repeated attribute
// keeps its first value.
INSTANTIATE_TEST_SUITE_P(
    NamesAsWritten, ParseTable,
    testing::Values(Case{"<P>a<DIV>b</Div>c", R"(p("a") div("b") "c")"}, Case{"<Br>x", R"(br "x")"},
                    Case{"<LI>a<li>b", R"(li("a") li("b"))"},
                    Case{"<TITLE>a&amp;<b></TiTlE>c", R"(title("a&<b>") "c")"},
                    Case{"<ScRiPt>a&amp;<b></SCRIPT>c", R"(script("a&amp;<b>") "c")"},
                    Case{"<p>a<BODY><p>b", R"(p("a" body(p("b"))))"},
                    Case{R"(<a X=1 x=2 Y="&lt;" y=3>)", R"(a[x="1" y="<"])"}),
    case_name);

// Every name of the element lists behaves as listed: each void element stays
// empty, each raw-text element keeps markup as text, and each start tag of the
// first implied-end rule closes an open p.
TEST(ParseTest, EveryListedElementNameIsRecognised) {
  for (const std::string name : {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param",
                                 "source", "track", "wbr"}) {
    EXPECT_EQ(outcome("<" + name + ">x"), name + R"( "x")");
  }
  for (const std::string name : {"script", "style", "iframe", "xmp"}) {
    EXPECT_EQ(outcome("<" + name + "><p>&amp;</" + name + ">"), name + R"(("<p>&amp;"))");
  }
  for (const std::string name : {"title", "textarea"}) {
    EXPECT_EQ(outcome("<" + name + "><p>&amp;</" + name + ">"), name + R"(("<p>&"))");
  }
  for (const std::string name : {"p", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "div", "main", "table",
                                 "header", "footer", "section", "article", "blockquote"}) {
    EXPECT_EQ(outcome("<p>a<" + name + ">b"), R"(p("a") )" + name + R"(("b"))");
  }
  // Names near the listed ones are ordinary elements.
  for (const std::string name : {"h7", "brx", "scrip", "tables", "x"}) {
    EXPECT_EQ(outcome("<p>a<" + name + "><i>b"), R"(p("a" )" + name + R"((i("b"))))");
  }
}

INSTANTIATE_TEST_SUITE_P(
    RawText, ParseTable,
    testing::Values(Case{R"(<script>if (a<b) "</p>"</script>x)", R"(script("if (a<b) \"</p>\"") "x")"},
                    Case{"<script></script>", "script"}, Case{"<script>a<b", R"(script("a<b"))"},
                    Case{"<script>x</SCRIPT >y", R"(script("x") "y")"},
                    Case{"<script>x</scripty>z</script>", R"(script("x</scripty>z"))"},
                    Case{"<script>x</script", R"(script("x</script"))"},
                    Case{"<title>a&amp;b</title>", R"(title("a&b"))"},
                    Case{"<style>a&amp;b</style>", R"(style("a&amp;b"))"},
                    Case{"<textarea><b>&lt;</textarea>", R"(textarea("<b><"))"},
                    Case{"<xmp><!-- x --></xmp>", R"(xmp("<!-- x -->"))"},
                    // The end tag of a raw-text element still goes through the tag syntax.
                    Case{"<script>x</script foo>", "syntax is outside the supported HTML subset at byte 18"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    SkippedMarkup, ParseTable,
    testing::Values(Case{"a<!-- x -- y -->b", R"("a" "b")"}, Case{"a<!-- never closed <p>", R"("a")"},
                    Case{"<!DOCTYPE HTML>a<!doctype x>b<?xml v?>c", R"("a" "b" "c")"},
                    Case{"a<!unclosed", R"("a")"},
                    Case{"\xEF\xBB\xBF<p>a", R"(p("a"))"}, Case{"a\xEF\xBB\xBF", "\"a\xEF\xBB\xBF\""},
                    // Stray "<" characters are text nodes of their own.
                    Case{"a < b", R"("a " "<" " b")"}, Case{"<1", R"("<" "1")"}, Case{"</ x", R"("<" "/ x")"},
                    Case{"a<", R"("a" "<")"}, Case{"</", R"("<" "/")"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    References, ParseTable,
    testing::Values(Case{"&copy; &amp;lt; &#65;&#x41;&#X41; &#0000065;", "\"\xC2\xA9 &lt; AAA A\""},
                    Case{"&#0; &#xD800; &#x110000; &#4294967296; &AMP; &foo; &; & no",
                         R"("&#0; &#xD800; &#x110000; &#4294967296; &AMP; &foo; &; & no")"},
                    Case{"&foo&amp;", R"("&foo&")"},
                    Case{R"(<a title="&lt;&hellip;&quot;" x='&#x263A;'>)",
                         "a[title=\"<\xE2\x80\xA6\"\" x=\"\xE2\x98\xBA\"]"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Errors, ParseTable,
    testing::Values(Case{std::string("0123456789\0<p>", 14), "NUL is not supported at byte 10"},
                    Case{"<div", "unexpected end of input at byte 4"},
                    Case{"<a href=\"x", "unexpected end of input at byte 10"},
                    Case{"</div x>", "syntax is outside the supported HTML subset at byte 6"},
                    Case{"<p>ok</p><br / >", "syntax is outside the supported HTML subset at byte 13"}),
    case_name);

TEST(ParseLimitsTest, InputLimitAtEdgeAndOnePast) {
  const std::string exact(1'048'576, 'a');
  auto parsed = parser::parse_web(exact, kRendererLimits);
  ASSERT_TRUE(parsed.ok());
  ASSERT_EQ(parsed->nodes.size(), 2u);
  EXPECT_EQ(parsed->nodes[1].kind.text_content()->size(), exact.size());
  EXPECT_EQ(outcome(exact + "a"), "input byte limit exceeded at byte 1048576");
  // The size is checked before anything else, NUL included.
  EXPECT_EQ(outcome(std::string(4, '\0'), {3, 10, 10}), "input byte limit exceeded at byte 3");
}

TEST(ParseLimitsTest, NodeLimitAtEdgeAndOnePast) {
  // The root plus 49,999 br elements is exactly 50,000 nodes.
  std::string html;
  for (int i = 0; i < 49'999; ++i) html += "<br>";
  auto parsed = parser::parse_web(html, kRendererLimits);
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(parsed->nodes.size(), 50'000u);
  EXPECT_EQ(outcome(html + "<br>"), "node limit exceeded at byte 199996");
  EXPECT_EQ(outcome(html + "text"), "node limit exceeded at byte 199996");
  EXPECT_EQ(outcome(html + "<"), "node limit exceeded at byte 199996");
}

TEST(ParseLimitsTest, SmallNodeBudgets) {
  const struct {
    std::string html;
    std::uint64_t max_nodes;
    std::string expected;
  } cases[] = {
      {"", 0, "node limit exceeded at byte 0"},
      {"", 1, ""},
      {"a", 1, "node limit exceeded at byte 0"},
      {"<p>ab", 2, "node limit exceeded at byte 3"},
      {"<p>ab", 3, R"(p("ab"))"},
      {"<script>ab", 2, "node limit exceeded at byte 8"},
      // A NUL is reported before any node is counted.
      {std::string("<p><p>\0", 7), 1, "NUL is not supported at byte 6"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(outcome(c.html, {100, c.max_nodes, 10}), c.expected) << c.html;
  }
}

TEST(ParseLimitsTest, DepthLimitAtEdgeAndOnePast) {
  std::string nested;
  for (int i = 0; i < 128; ++i) nested += "<div>";
  auto parsed = parser::parse_web(nested + "x", kRendererLimits);
  ASSERT_TRUE(parsed.ok());
  // The text sits under the 128th div.
  EXPECT_EQ(parsed->nodes.back().parent, (NodeId{parsed->id, 128}));
  EXPECT_EQ(outcome(nested + "<div>"), "element depth limit exceeded at byte 640");
  EXPECT_EQ(outcome(nested + "<br>"), "element depth limit exceeded at byte 640");
  // A start tag that first closes an open p stays within the limit.
  EXPECT_TRUE(parser::parse_web(nested.substr(5) + "<p><p>", kRendererLimits).ok());
  // At both limits the depth is reported first.
  EXPECT_EQ(outcome("<a><b>", {100, 2, 1}), "element depth limit exceeded at byte 3");
  EXPECT_EQ(outcome("<a><b>", {100, 2, 2}), "node limit exceeded at byte 3");
}

TEST(ParseTest, NodesAreIndexedInDocumentOrder) {
  auto parsed = parser::parse_web("<div id=a><p>x</p>y</div><i>z", kRendererLimits);
  ASSERT_TRUE(parsed.ok());
  const Document& doc = *parsed;
  std::vector<std::string> seen;
  for (std::size_t i = 1; i < doc.nodes.size(); ++i) {
    const auto& kind = doc.nodes[i].kind;
    seen.push_back(kind.is_text() ? *kind.text_content() : *kind.element_name());
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"div", "p", "x", "y", "i", "z"}));
  EXPECT_EQ(doc.nodes[1].attribute("ID"), "a");
}

}  // namespace
}  // namespace kivo_html
