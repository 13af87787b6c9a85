#include "style/declarations.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kivo_style::parser {
namespace {

using P = Property;

constexpr const char* kUnsupported = "unsupported CSS property or value";
constexpr const char* kInvalid = "invalid CSS declaration";

Declaration decl(Property::Value value, bool important = false) {
  return Declaration{Property{std::move(value)}, important};
}

// ---------------------------------------------------------------------------
// Value readers at their bounds.

TEST(Number, Table) {
  const std::vector<std::tuple<std::string, float, std::optional<float>>> cases = {
      {"1", 10, 1.0f},
      {"00012", 100, 12.0f},
      {".5", 10, 0.5f},
      {"5.", 10, 5.0f},
      {"0", 0, 0.0f},
      {"1000", 1000, 1000.0f},
      {"1001", 1000, std::nullopt},
      // The text is rounded to f32 before the bound is tested.
      {"1000.00001", 1000, 1000.0f},
      {"1000.0001", 1000, std::nullopt},
      {"4096.0001", 4096, 4096.0f},
      {"4096.001", 4096, std::nullopt},
      {".", 10, std::nullopt},
      {"..", 10, std::nullopt},
      {"1.2.3", 10, std::nullopt},
      {"", 10, std::nullopt},
      {"-1", 10, std::nullopt},
      {"+1", 10, std::nullopt},
      {"1e1", 100, std::nullopt},
      {" 1", 10, std::nullopt},
      {"1 ", 10, std::nullopt},
      {"inf", 1e30f, std::nullopt},
      {"nan", 1e30f, std::nullopt},
      {"\xD9\xA1", 10, std::nullopt},  // ARABIC-INDIC DIGIT ONE
      {"\xEF\xBC\x91", 10, std::nullopt},  // FULLWIDTH DIGIT ONE
      // Overflow to infinity is not finite; underflow rounds to zero.
      {std::string(50, '9'), 1e30f, std::nullopt},
      {"0." + std::string(60, '0') + "1", 10, 0.0f},
  };
  for (const auto& [text, max, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(number(text, max), expected);
  }
}

TEST(Px, Table) {
  const std::vector<std::tuple<std::string, float, std::optional<float>>> cases = {
      {"0", 1024, 0.0f},
      {"0px", 1024, 0.0f},
      {"1024px", 1024, 1024.0f},
      {"1024.5px", 1024, std::nullopt},
      {"1025px", 1024, std::nullopt},
      {".5px", 1024, 0.5f},
      {"px", 1024, std::nullopt},
      {"10", 1024, std::nullopt},
      {"00", 1024, std::nullopt},
      {"10 px", 1024, std::nullopt},
      {"-5px", 1024, std::nullopt},
      {"10em", 1024, std::nullopt},
  };
  for (const auto& [text, max, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(px(text, max), expected);
  }
}

TEST(LengthReader, Table) {
  const std::vector<std::pair<std::string, std::optional<Length>>> cases = {
      {"0", Length::px(0)},
      {"0px", Length::px(0)},
      {"0%", Length::percent(0)},
      {"50%", Length::percent(50)},
      {"100%", Length::percent(100)},
      {"100.5%", std::nullopt},
      {"101%", std::nullopt},
      {"4096px", Length::px(4096)},
      {"4097px", std::nullopt},
      {"%", std::nullopt},
      {"10", std::nullopt},
      {"auto", std::nullopt},
      {"-5px", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(length(text), expected);
  }
}

TEST(ColorReader, Table) {
  const std::vector<std::pair<std::string, std::optional<std::uint32_t>>> cases = {
      {"black", 0x000000FF},
      {"white", 0xFFFFFFFF},
      {"gray", 0x808080FF},
      {"grey", 0x808080FF},
      {"red", 0xFF0000FF},
      {"green", 0x008000FF},
      {"blue", 0x0000FFFF},
      {"purple", 0x800080FF},
      {"rebeccapurple", 0x663399FF},
      {"transparent", 0x00000000},
      {"#abc", 0xAABBCCFF},
      {"#333", 0x333333FF},
      {"#a1b2c3", 0xA1B2C3FF},
      {"#000000", 0x000000FF},
      {"#ff000080", std::nullopt},
      {"#abcd", std::nullopt},
      {"#ab", std::nullopt},
      {"#", std::nullopt},
      {"#ggg", std::nullopt},
      {"#12345", std::nullopt},
      {"rgb(0,0,0)", std::nullopt},
      {"orange", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(color(text), expected);
  }
}

TEST(EdgesReader, Table) {
  using E = std::array<float, 4>;
  const std::vector<std::pair<std::string, std::optional<E>>> cases = {
      {"1px", E{1, 1, 1, 1}},
      {"1px 2px", E{1, 2, 1, 2}},
      {"1px 2px 3px", E{1, 2, 3, 2}},
      {"1px 2px 3px 4px", E{1, 2, 3, 4}},
      {"1px\t 2px\n0", E{1, 2, 0, 2}},
      {"1px 2px 3px 4px 5px", std::nullopt},
      {"", std::nullopt},
      {"1px 1025px", std::nullopt},
      {"1px auto", std::nullopt},
      // A no-break space is not a word separator.
      {"1px\xC2\xA0" "2px", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(edges(text), expected);
  }
}

TEST(AlignReader, Table) {
  const std::vector<std::pair<std::string, std::optional<Align>>> cases = {
      {"start", Align::Start},   {"flex-start", Align::Start}, {"center", Align::Center},
      {"end", Align::End},       {"flex-end", Align::End},     {"stretch", Align::Stretch},
      {"baseline", std::nullopt}, {"auto", std::nullopt},     {"", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(align(text), expected);
  }
}

TEST(TrackReader, Table) {
  const std::vector<std::pair<std::string, std::optional<Track>>> cases = {
      {"0", Track::px(0)},
      {"0px", Track::px(0)},
      {"0fr", std::nullopt},
      {"0.0fr", std::nullopt},
      {".5fr", Track::fr(0.5f)},
      {"1000fr", Track::fr(1000)},
      {"1001fr", std::nullopt},
      {"4096px", Track::px(4096)},
      {"4097px", std::nullopt},
      {"fr", std::nullopt},
      {"1", std::nullopt},
      {"10%", std::nullopt},
      {"auto", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(grid_tracks::track(text), expected);
  }
}

TEST(TrackList, Table) {
  const auto fr = [](float v) { return Track::fr(v); };
  const auto tpx = [](float v) { return Track::px(v); };
  const std::string twelve = "1fr 1fr 1fr 1fr 1fr 1fr 1fr 1fr 1fr 1fr 1fr 1fr";
  const std::vector<std::pair<std::string, std::optional<std::vector<Track>>>> cases = {
      {"1fr", std::vector<Track>{fr(1)}},
      {"repeat(3, 1fr)", std::vector<Track>{fr(1), fr(1), fr(1)}},
      {"200px repeat(2, 1fr 2fr)", std::vector<Track>{tpx(200), fr(1), fr(2), fr(1), fr(2)}},
      {"repeat(2,1fr) 10px", std::vector<Track>{fr(1), fr(1), tpx(10)}},
      {"repeat( +02 ,  1fr )", std::vector<Track>{fr(1), fr(1)}},
      {"repeat(12, 1fr)", std::vector<Track>(12, fr(1))},
      {"repeat(4, 1fr 1fr 1fr)", std::vector<Track>(12, fr(1))},
      {twelve, std::vector<Track>(12, fr(1))},
      {twelve + " 1fr", std::nullopt},
      {"repeat(13, 1fr)", std::nullopt},
      {"repeat(6, 1fr 1fr) 1fr", std::nullopt},
      {"1fr repeat(6, 1fr 1fr)", std::nullopt},
      {"repeat(0, 1fr)", std::nullopt},
      {"repeat(-1, 1fr)", std::nullopt},
      {"repeat(2)", std::nullopt},
      {"repeat(2,)", std::nullopt},
      {"repeat(2, 1fr", std::nullopt},
      {"repeat(2, 0fr)", std::nullopt},
      {"repeat(2,1fr)x", std::nullopt},
      {"repeat(2,1fr) x", std::nullopt},
      {"repeat (2, 1fr)", std::nullopt},
      {"1fr minmax(0, 1fr)", std::nullopt},
      {"0fr", std::nullopt},
      {"", std::nullopt},
      // Tokens and the text after a repeat group end at any White_Space character.
      {"1fr\xC2\xA0" "2fr", std::vector<Track>{fr(1), fr(2)}},
      {"repeat(2, 1fr)\xE2\x80\x83" "3px", std::vector<Track>{fr(1), fr(1), tpx(3)}},
      // Inside repeat the words split at ASCII white space only.
      {"repeat(2, 1fr\xC2\xA0" "2fr)", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(grid_tracks::list(text), expected);
  }
}

// ---------------------------------------------------------------------------
// Declaration blocks.

struct BlockCase {
  std::string text;
  std::vector<Declaration> declarations;
  std::vector<std::string> warnings;
};

void run_block_cases(const std::vector<BlockCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    WarningList warnings;
    const auto result = declarations(c.text, warnings);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result.value(), c.declarations);
    EXPECT_EQ(warnings.entries(), c.warnings);
  }
}

// A single declaration that is refused with the value warning.
BlockCase refused(std::string text) { return BlockCase{std::move(text), {}, {kUnsupported}}; }

TEST(Declarations, LoopAndImportance) {
  run_block_cases({
      {"", {}, {}},
      {" ;; ; ", {}, {}},
      {"color:RED!IMPORTANT", {decl(P::Color{0xFF0000FF}, true)}, {}},
      {"color: red !important", {decl(P::Color{0xFF0000FF}, true)}, {}},
      {"COLOR : Red", {decl(P::Color{0xFF0000FF})}, {}},
      refused("color: red ! important"),
      refused("color:!important"),
      refused("color: red !important !important"),
      {"color:red;color:blue", {decl(P::Color{0xFF0000FF}), decl(P::Color{0x0000FFFF})}, {}},
      {"color:/* note */red", {decl(P::Color{0xFF0000FF})}, {}},
      // A ";" inside quotes or brackets does not end a piece.
      {"content:'a;b'; color:red", {decl(P::Color{0xFF0000FF})}, {kUnsupported}},
      {"x:f(a;b);color:red", {decl(P::Color{0xFF0000FF})}, {kUnsupported}},
      // The value is split at the first ":" only.
      {"color:red:blue", {}, {kUnsupported}},
      {"color red", {}, {kInvalid}},
      {"float: left", {}, {kUnsupported}},
      {"color:red; float:left; nothing; float:right; other",
       {decl(P::Color{0xFF0000FF})},
       {kUnsupported, kInvalid}},
      // Name and value are trimmed of Unicode White_Space, not only ASCII.
      {"\xC2\xA0" "color\xE2\x80\x83:\xC2\xA0red\xE3\x80\x80", {decl(P::Color{0xFF0000FF})}, {}},
      // Only ASCII letters fold: a dotless capital I stays unknown.
      refused("d\xC4\xB0splay: block"),
  });
}

TEST(Declarations, PropertyTable) {
  const auto lpx = [](float v) { return std::optional<Length>(Length::px(v)); };
  const auto lpct = [](float v) { return std::optional<Length>(Length::percent(v)); };
  run_block_cases({
      {"background: #abc", {decl(P::Background{0xAABBCCFF})}, {}},
      {"background-color: transparent", {decl(P::Background{0})}, {}},
      refused("background: url(x.png)"),
      refused("color: #ff000080"),
      refused("color: rgb(0,0,0)"),

      {"font-size: 6px", {decl(P::FontSize{6})}, {}},
      {"font-size: 128px", {decl(P::FontSize{128})}, {}},
      {"font-size: 10PX", {decl(P::FontSize{10})}, {}},
      refused("font-size: 5px"),
      refused("font-size: 5.99px"),
      refused("font-size: 129px"),
      refused("font-size: 0"),
      refused("font-size: 12"),
      refused("font-size: 1em"),

      {"font-weight: bold", {decl(P::FontWeight{true})}, {}},
      {"font-weight: 700", {decl(P::FontWeight{true})}, {}},
      {"font-weight: normal", {decl(P::FontWeight{false})}, {}},
      {"font-weight: 400", {decl(P::FontWeight{false})}, {}},
      refused("font-weight: 600"),
      refused("font-weight: bolder"),

      {"line-height: normal", {decl(P::LineHeight{LineHeight::number(1.5f)})}, {}},
      {"line-height: 2", {decl(P::LineHeight{LineHeight::number(2)})}, {}},
      {"line-height: 1", {decl(P::LineHeight{LineHeight::number(1)})}, {}},
      {"line-height: 4", {decl(P::LineHeight{LineHeight::number(4)})}, {}},
      {"line-height: 20px", {decl(P::LineHeight{LineHeight::px(20)})}, {}},
      {"line-height: 0px", {decl(P::LineHeight{LineHeight::px(0)})}, {}},
      {"line-height: 256px", {decl(P::LineHeight{LineHeight::px(256)})}, {}},
      refused("line-height: 257px"),
      refused("line-height: 4.01"),
      refused("line-height: 0"),
      refused("line-height: 0.5"),
      refused("line-height: px"),
      refused("line-height: 150%"),

      {"margin: 10px auto", {decl(P::Margin{{10, 0, 10, 0}, {false, true, false, true}})}, {}},
      {"margin: auto", {decl(P::Margin{{0, 0, 0, 0}, {true, true, true, true}})}, {}},
      {"margin: 1px 2px auto", {decl(P::Margin{{1, 2, 0, 2}, {false, false, true, false}})}, {}},
      {"margin: 0 1024px", {decl(P::Margin{{0, 1024, 0, 1024}, {}})}, {}},
      refused("margin: 1px 2px 3px 4px 5px"),
      refused("margin: 1025px"),
      refused("margin: -1px"),

      {"padding: 1px 2px 3px", {decl(P::Padding{{1, 2, 3, 2}})}, {}},
      refused("padding: auto"),
      {"margin-top: auto", {decl(P::MarginEdge{0, 0, true})}, {}},
      {"margin-right: 3px", {decl(P::MarginEdge{1, 3, false})}, {}},
      {"margin-bottom: 0", {decl(P::MarginEdge{2, 0, false})}, {}},
      {"margin-left: 1024px", {decl(P::MarginEdge{3, 1024, false})}, {}},
      refused("margin-left: 1025px"),
      {"padding-top: 1px", {decl(P::PaddingEdge{0, 1})}, {}},
      {"padding-right: 2px", {decl(P::PaddingEdge{1, 2})}, {}},
      {"padding-bottom: 3px", {decl(P::PaddingEdge{2, 3})}, {}},
      {"padding-left: 1024px", {decl(P::PaddingEdge{3, 1024})}, {}},
      refused("padding-left: 1025px"),
      refused("padding-left: auto"),

      {"border: 2px solid #333", {decl(P::Border{2, 0x333333FF})}, {}},
      {"border: 32px solid red", {decl(P::Border{32, 0xFF0000FF})}, {}},
      {"border: none", {decl(P::Border{0, 0})}, {}},
      {"border: 0", {decl(P::Border{0, 0})}, {}},
      {"border: 0 solid red", {decl(P::Border{0, 0xFF0000FF})}, {}},
      refused("border: 33px solid red"),
      refused("border: 2px dashed red"),
      refused("border: solid 2px red"),
      refused("border: 2px solid"),
      refused("border: 2px solid red red"),

      {"border-radius: 128px", {decl(P::BorderRadius{128})}, {}},
      refused("border-radius: 129px"),

      {"width: 50%", {decl(P::Width{lpct(50)})}, {}},
      {"width: 0", {decl(P::Width{lpx(0)})}, {}},
      {"width: auto", {decl(P::Width{std::nullopt})}, {}},
      {"width: 4096px", {decl(P::Width{lpx(4096)})}, {}},
      refused("width: 4097px"),
      refused("width: 101%"),
      refused("width: -5px"),
      refused("width: none"),
      {"max-width: none", {decl(P::MaxWidth{std::nullopt})}, {}},
      {"max-width: 100%", {decl(P::MaxWidth{lpct(100)})}, {}},
      refused("max-width: auto"),
      {"min-width: auto", {decl(P::MinWidth{std::nullopt})}, {}},
      {"min-width: 10px", {decl(P::MinWidth{lpx(10)})}, {}},
      refused("min-width: none"),

      {"height: auto", {decl(P::Height{std::nullopt})}, {}},
      {"height: 8192px", {decl(P::Height{8192.0f})}, {}},
      refused("height: 8193px"),
      refused("height: 50%"),
      {"min-height: 0", {decl(P::MinHeight{0})}, {}},
      refused("min-height: auto"),

      {"display: block", {decl(P::Display{Display::Block})}, {}},
      {"display: inline", {decl(P::Display{Display::Inline})}, {}},
      {"display: flex", {decl(P::Display{Display::Flex})}, {}},
      {"display: grid", {decl(P::Display{Display::Grid})}, {}},
      {"display: none", {decl(P::Display{Display::None})}, {}},
      refused("display: inline-block"),
      {"box-sizing: border-box", {decl(P::BoxSizing{BoxSizing::BorderBox})}, {}},
      {"box-sizing: content-box", {decl(P::BoxSizing{BoxSizing::ContentBox})}, {}},
      refused("box-sizing: padding-box"),

      {"grid-template-columns: REPEAT(2, 1FR)",
       {decl(P::GridTemplateColumns{{Track::fr(1), Track::fr(1)}})},
       {}},
      refused("grid-template-columns: 0fr"),
      refused("grid-template-columns: 1fr minmax(0, 1fr)"),
      refused("grid-template-columns: repeat(2,1fr)x"),

      {"flex-direction: column", {decl(P::FlexDirection{FlexDirection::Column})}, {}},
      {"flex-direction: row", {decl(P::FlexDirection{FlexDirection::Row})}, {}},
      refused("flex-direction: row-reverse"),
      {"flex-wrap: wrap", {decl(P::FlexWrap{FlexWrap::Wrap})}, {}},
      {"flex-wrap: nowrap", {decl(P::FlexWrap{FlexWrap::NoWrap})}, {}},
      refused("flex-wrap: wrap-reverse"),
      {"flex-grow: 1000", {decl(P::FlexGrow{1000})}, {}},
      refused("flex-grow: 1001"),
      {"flex-shrink: 0", {decl(P::FlexShrink{0})}, {}},
      refused("flex-shrink: 1px"),
      {"flex-basis: auto", {decl(P::FlexBasis{std::nullopt})}, {}},
      {"flex-basis: 30%", {decl(P::FlexBasis{lpct(30)})}, {}},

      {"flex: 1", {decl(P::Flex{1, 1, lpct(0)})}, {}},
      {"flex: 0", {decl(P::Flex{0, 1, lpct(0)})}, {}},
      {"flex: 2 100px", {decl(P::Flex{2, 1, lpx(100)})}, {}},
      {"flex: 2 3", {decl(P::Flex{2, 3, lpct(0)})}, {}},
      {"flex: 2 0", {decl(P::Flex{2, 0, lpct(0)})}, {}},
      {"flex: 2 3 auto", {decl(P::Flex{2, 3, std::nullopt})}, {}},
      {"flex: 2 3 50%", {decl(P::Flex{2, 3, lpct(50)})}, {}},
      {"flex: none", {decl(P::Flex{0, 0, std::nullopt})}, {}},
      {"flex: auto", {decl(P::Flex{1, 1, std::nullopt})}, {}},
      {"flex: initial", {decl(P::Flex{0, 1, std::nullopt})}, {}},
      {"flex: 100px", {decl(P::Flex{1, 1, lpx(100)})}, {}},
      {"flex: 1000", {decl(P::Flex{1000, 1, lpct(0)})}, {}},
      refused("flex: 1001"),
      refused("flex: 1 auto"),
      refused("flex: 1 2 3 4"),
      refused("flex: 1 2 3"),
      refused("flex: auto 1"),
      refused("flex: none 1 auto"),

      {"gap: 10px", {decl(P::Gap{10, 10})}, {}},
      {"gap: 10px 20px", {decl(P::Gap{10, 20})}, {}},
      refused("gap: 1px 2px 3px"),
      refused("gap: 1025px"),
      {"row-gap: 5px", {decl(P::GapAxis{0, 5})}, {}},
      {"column-gap: 1024px", {decl(P::GapAxis{1, 1024})}, {}},
      refused("column-gap: 1025px"),

      {"align-items: flex-end", {decl(P::AlignItems{Align::End})}, {}},
      refused("align-items: auto"),
      {"align-self: auto", {decl(P::AlignSelf{std::nullopt})}, {}},
      {"align-self: center", {decl(P::AlignSelf{Align::Center})}, {}},
      {"justify-content: start", {decl(P::JustifyContent{Justify::Start})}, {}},
      {"justify-content: flex-start", {decl(P::JustifyContent{Justify::Start})}, {}},
      {"justify-content: center", {decl(P::JustifyContent{Justify::Center})}, {}},
      {"justify-content: flex-end", {decl(P::JustifyContent{Justify::End})}, {}},
      {"justify-content: space-between", {decl(P::JustifyContent{Justify::SpaceBetween})}, {}},
      {"justify-content: space-around", {decl(P::JustifyContent{Justify::SpaceAround})}, {}},
      {"justify-content: space-evenly", {decl(P::JustifyContent{Justify::SpaceEvenly})}, {}},
      refused("justify-content: stretch"),
  });
}

struct ErrorCase {
  std::string text;
  std::string error;
};

TEST(Declarations, ErrorsPassThrough) {
  const std::vector<ErrorCase> cases = {
      {"color:red/*", "unclosed CSS comment"},
      {"color:red; x:(", "unclosed CSS construct"},
      {"x:'abc", "unclosed CSS construct"},
      {"a:)", "unbalanced CSS delimiters"},
      {"a:" + std::string(33, '[') + std::string(33, ']'), "CSS nesting budget exceeded"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    WarningList warnings;
    const auto result = declarations(c.text, warnings);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error(), c.error);
  }
}

TEST(Declarations, WarningsBeforeAnErrorStay) {
  WarningList warnings;
  const auto result = declarations("float:left; x:)", warnings);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(warnings.entries(), std::vector<std::string>{kUnsupported});
}

std::string repeated(const std::string& piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(Declarations, PieceLimit) {
  struct Case {
    std::string text;
    std::optional<std::size_t> parsed;  // absent: the limit error
  };
  const std::vector<Case> cases = {
      {repeated("color:red;", 128) + "color:red", 129},
      // A final ";" leaves nothing behind, so no further piece is read.
      {repeated("color:red;", 129), 129},
      {repeated("color:red;", 130), std::nullopt},
      {repeated("color:red;", 129) + " ", std::nullopt},
      // Empty pieces count towards the limit.
      {repeated(";", 128) + "color:red", 1},
      {repeated(";", 129) + "color:red", std::nullopt},
  };
  for (const auto& c : cases) {
    WarningList warnings;
    const auto result = declarations(c.text, warnings);
    if (c.parsed) {
      ASSERT_TRUE(result.ok()) << result.error();
      EXPECT_EQ(result.value().size(), *c.parsed);
    } else {
      ASSERT_FALSE(result.ok());
      EXPECT_EQ(result.error(), "CSS declaration limit exceeded");
    }
  }
}

TEST(Declarations, TagsFollowDeclarationOrder) {
  WarningList warnings;
  const auto result =
      declarations("color:red; background:red; grid-template-columns:1fr; justify-content:center", warnings);
  ASSERT_TRUE(result.ok());
  ASSERT_EQ(result.value().size(), 4u);
  EXPECT_EQ(result.value()[0].property.tag(), 0);
  EXPECT_EQ(result.value()[1].property.tag(), 1);
  EXPECT_EQ(result.value()[2].property.tag(), 15);
  EXPECT_EQ(result.value()[3].property.tag(), 29);
}

}  // namespace
}  // namespace kivo_style::parser
