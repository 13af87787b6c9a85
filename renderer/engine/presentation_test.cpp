#include "presentation.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "dom/text.h"
#include "engine/test_support.h"
#include "json/write.h"

namespace kivo_engine::presentation {
namespace {

using test::build;
using test::E;
using test::FailingOutput;
using test::T;
using test::Tree;

std::string presentation_json(const kivo_dom::Document& document) {
  kivo_json::StringOutput out;
  EXPECT_TRUE(write_json(document, out).ok());
  return out.text;
}

struct JsonCase {
  const char* name;
  std::vector<Tree> tree;
  std::string json;
};

TEST(PresentationJson, WritesBlocksOfTree) {
  const std::vector<JsonCase> cases = {
      {"empty document", {}, R"({"version":1,"blocks":[]})"},
      {"only white space", {E("body", {T(" \n\t ")})}, R"({"version":1,"blocks":[]})"},
      {"heading between texts",
       {E("body", {T("Hello"), E("h2", {T("World")}), T("after")})},
       R"({"version":1,"blocks":[{"heading":0,"text":"Hello"},{"heading":2,"text":"World"},)"
       R"({"heading":0,"text":"after"}]})"},
      {"inline element keeps single spaces",
       {E("p", {T("a "), E("b", {T("bold")}), T(" c")})},
       R"({"version":1,"blocks":[{"heading":0,"text":"a bold c"}]})"},
      {"white space runs collapse and ends are dropped",
       {E("p", {T("  lead \t\r\f\n  middle  "), T("  trail  ")})},
       R"({"version":1,"blocks":[{"heading":0,"text":"lead middle trail"}]})"},
      {"line break", {E("p", {T("A"), E("br"), T("B")})}, R"({"version":1,"blocks":[{"heading":0,"text":"A\nB"}]})"},
      {"white space around a line break adds no space",
       {E("p", {T("A "), E("br"), T("  B")})},
       R"({"version":1,"blocks":[{"heading":0,"text":"A\nB"}]})"},
      {"two line breaks", {E("p", {T("A"), E("br"), E("br"), T("B")})},
       R"({"version":1,"blocks":[{"heading":0,"text":"A\n\nB"}]})"},
      {"trailing line break is trimmed", {E("p", {T("A"), E("br")})},
       R"({"version":1,"blocks":[{"heading":0,"text":"A"}]})"},
      {"list items",
       {E("ul", {E("li", {T(" Item")}), E("li"), E("li", {T("b")})})},
       R"({"version":1,"blocks":[{"heading":0,"text":"•  Item"},{"heading":0,"text":"•"},)"
       R"({"heading":0,"text":"• b"}]})"},
      {"heading level is not a stack",
       {E("h2", {T("A"), E("div", {T("B")}), T("C")})},
       R"({"version":1,"blocks":[{"heading":2,"text":"A"},{"heading":0,"text":"B"},)"
       R"({"heading":0,"text":"C"}]})"},
      {"skipped elements contribute nothing",
       {E("html", {E("head", {E("title", {T("T")}), E("span", {T("in head")})}),
                   E("body", {E("style", {T("p{}")}), E("meta"), T("x"), E("title", {T("y")})})})},
       R"({"version":1,"blocks":[{"heading":0,"text":"x"}]})"},
      {"adjacent inline elements join",
       {E("p", {E("span", {T("A")}), E("em", {T("B")}), T(" "), E("span", {T("C")})})},
       R"({"version":1,"blocks":[{"heading":0,"text":"AB C"}]})"},
      {"hr separates blocks", {E("body", {T("a"), E("hr"), T("b")})},
       R"({"version":1,"blocks":[{"heading":0,"text":"a"},{"heading":0,"text":"b"}]})"},
      {"every heading level",
       {E("h1", {T("1")}), E("h3", {E("em", {T("3")})}), E("h6", {T("6")}), E("h7", {T("7")})},
       R"({"version":1,"blocks":[{"heading":1,"text":"1"},{"heading":3,"text":"3"},)"
       R"({"heading":6,"text":"6"},{"heading":0,"text":"7"}]})"},
      {"text outside any block", {T("x"), E("p", {T("y")}), T("z")},
       R"({"version":1,"blocks":[{"heading":0,"text":"x"},{"heading":0,"text":"y"},)"
       R"({"heading":0,"text":"z"}]})"},
      {"names are compared exactly", {E("P", {T("a")}), E("H1", {T("b")})},
       R"({"version":1,"blocks":[{"heading":0,"text":"ab"}]})"},
      {"no-break space is an ordinary character", {E("p", {T("\u00a0a\u00a0 b ")})},
       "{\"version\":1,\"blocks\":[{\"heading\":0,\"text\":\"\u00a0a\u00a0 b\"}]}"},
      {"escapes", {E("p", {T("q\" b\\ \b \x1f \x7f / \u2028")})},
       R"({"version":1,"blocks":[{"heading":0,"text":"q\" b\\ \u0008 \u001f )"
       "\x7f"
       R"( / )"
       "\u2028"
       R"("}]})"},
  };
  for (const JsonCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(presentation_json(build(c.tree)), c.json + "\n");
  }
}

TEST(PresentationBlocks, SkipsIdsOfOtherDocumentsAndPastTheEnd) {
  kivo_dom::Document document = build({E("p", {T("a")}), E("p", {T("b")})});
  document.nodes[0].children.insert(document.nodes[0].children.begin() + 1,
                                    {kivo_dom::NodeId{document.id + 1000, 1}, kivo_dom::NodeId{document.id, 99}});
  const std::vector<Block> expected = {{"a", 0}, {"b", 0}};
  EXPECT_EQ(blocks(document), expected);
}

TEST(PresentationFlush, TrimsOnlySpacesAndLineFeeds) {
  struct Case {
    std::string pending;
    std::vector<Block> expected;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {" \n \n", {}},
      {" \n a b \n ", {{"a b", 4}}},
      {"\ta\r", {{"\ta\r", 4}}},
  };
  for (const Case& c : cases) {
    std::vector<Block> list;
    std::string pending = c.pending;
    flush(list, pending, 4);
    EXPECT_EQ(list, c.expected) << c.pending;
    EXPECT_TRUE(pending.empty());
  }
}

TEST(PresentationHeadingLevel, OnlyLowercaseH1ToH6) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"h1", 1}, {"h2", 2}, {"h6", 6}, {"h0", 0}, {"h7", 0}, {"H1", 0}, {"h", 0}, {"h10", 0}, {"p", 0}};
  for (const auto& [name, level] : cases) EXPECT_EQ(heading_level(name), level) << name;
}

TEST(PresentationTitle, PicksTitleThenFirstH1ThenFallback) {
  const std::string long_text(200, 'x');
  std::string turkish_200;
  for (int i = 0; i < 200; ++i) turkish_200 += "ç";
  std::string turkish_120;
  for (int i = 0; i < 120; ++i) turkish_120 += "ç";
  struct Case {
    const char* name;
    std::vector<Tree> tree;
    std::string title;
  };
  const std::vector<Case> cases = {
      {"nothing", {}, "Yerel belge"},
      {"blank title and h1", {E("title", {T("   ")}), E("h1", {T("Welcome")})}, "Welcome"},
      {"title after h1 wins", {E("h1", {T("Welcome")}), E("p", {E("title", {T("Home")})})}, "Home"},
      {"first h1 with text", {E("h1", {T(" ")}), E("h1", {T("First")}), E("h1", {T("Second")})}, "First"},
      {"only blank candidates", {E("title"), E("h1", {T("\u3000\n")})}, "Yerel belge"},
      {"text nodes joined without separator", {E("h1", {E("span", {T("Wel")}), T("come")})}, "Welcome"},
      {"Unicode white space trimmed, inner kept", {E("title", {T("\u00a0 a\n\u2003b \u3000")})}, "a\n\u2003b"},
      {"title inside the heading candidate", {E("h1", {T("Head"), E("title", {T("Real")})})}, "Real"},
      {"title inside a blank h1 is blank too", {E("h1", {T(" "), E("title", {T(" ")})}), E("h1", {T("B")})}, "B"},
      {"cut to 120 characters", {E("title", {T(long_text)})}, std::string(120, 'x')},
      {"cut counts characters, not bytes", {E("title", {T(turkish_200)})}, turkish_120},
      {"exactly 120 characters", {E("title", {T(turkish_120)})}, turkish_120},
      {"cut happens after trimming", {E("title", {T("   " + std::string(121, 'y'))})}, std::string(120, 'y')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const kivo_dom::Document document = build(c.tree);
    EXPECT_EQ(document_title(document), c.title);
    EXPECT_EQ(title(document), c.title);
  }
}

TEST(PresentationJson, ReturnsTheFirstWriteErrorUnchanged) {
  const kivo_dom::Document document = build({E("p", {T("a")}), E("p", {T("b")})});
  const std::string full = presentation_json(document);
  for (int writes = 0; writes < 14; ++writes) {
    FailingOutput out(writes);
    const auto result = write_json(document, out);
    ASSERT_FALSE(result.ok()) << writes;
    EXPECT_EQ(result.error().kind, kivo_json::IoError::Kind::Os);
    EXPECT_EQ(result.error().code, EPIPE);
    EXPECT_EQ(full.substr(0, out.text.size()), out.text);
    EXPECT_LT(out.text.size(), full.size());
  }
}

// Block texts hold no ASCII white space but spaces (and line feeds from line
// breaks), so every other byte is compared here.
TEST(PresentationJson, StringFormMatchesTheSharedWriter) {
  std::string every_byte;
  for (int c = 1; c < 0x80; ++c) {
    if (!kivo_dom::text::is_ascii_white_space(static_cast<char>(c))) every_byte.push_back(static_cast<char>(c));
  }
  const std::vector<std::string> texts = {every_byte, "\xc3\xa7\xc4\x9f", "a\"b\\c", "\x01"};
  for (const std::string& text : texts) {
    kivo_json::StringOutput shared;
    ASSERT_TRUE(kivo_json::write_string(text, shared).ok());
    const std::string json = presentation_json(build({E("p", {T("x" + text + "x")})}));
    const std::string shared_form = shared.text.substr(1, shared.text.size() - 2);
    EXPECT_NE(json.find("\"text\":\"x" + shared_form + "x\""), std::string::npos) << json;
  }
}

}  // namespace
}  // namespace kivo_engine::presentation
