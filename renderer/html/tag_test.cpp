#include "html/tag.h"

#include <gtest/gtest.h>

#include <string>

namespace kivo_html {
namespace {

// The tag's fields in one line, or the error's display text.
std::string read_tag(std::string_view text, std::uint64_t base = 0) {
  auto parsed = tag::parse_mode(text, base, Mode::Web);
  if (!parsed.ok()) return parsed.error().display();
  std::string out = parsed->closing ? "</" : "<";
  out += parsed->name;
  for (const auto& [name, value] : parsed->attributes) {
    out.append(" ").append(name).append("=[").append(value).append("]");
  }
  out += parsed->self_closing ? " />" : ">";
  out.append(" ").append(std::to_string(parsed->length));
  return out;
}

struct TagCase {
  std::string text;
  std::string expected;
};

TEST(TagTest, ReadsNamesAttributesAndEnds) {
  const TagCase cases[] = {
      {"<DIV>rest", "<div> 5"},
      {"<my_tag>", "<my _tag=[]> 8"},
      {"<svg:rect-x>", "<svg:rect-x> 12"},
      {"</P \t\n>", "</p> 7"},
      {"<br/>", "<br /> 5"},
      {"<a b=c/>", "<a b=[c/]> 8"},
      {"<a B=1 b=2 c>", "<a b=[1] c=[]> 13"},
      {R"(<a b="1"c='2'd = "x y">)", "<a b=[1] c=[2] d=[x y]> 23"},
      {R"(<a b="it's" c='say "hi"'>)", R"(<a b=[it's] c=[say "hi"]> 25)"},
      {"<a b=&amp;lt;>", "<a b=[&lt;]> 14"},
      {"<a\nb\n=\nc\n>", "<a b=[c]> 10"},
      // Syntax errors, their offsets relative to the tag's "<".
      {"<", "syntax is outside the supported HTML subset at byte 1"},
      {"<>", "syntax is outside the supported HTML subset at byte 1"},
      {"<1a>", "syntax is outside the supported HTML subset at byte 3"},
      {"</div/>", "syntax is outside the supported HTML subset at byte 5"},
      {"</div x>", "syntax is outside the supported HTML subset at byte 6"},
      {"<br / >", "syntax is outside the supported HTML subset at byte 4"},
      {"<br /", "syntax is outside the supported HTML subset at byte 4"},
      {"<a $>", "syntax is outside the supported HTML subset at byte 3"},
      {R"(<a b=c"d>)", "syntax is outside the supported HTML subset at byte 6"},
      {"<a b=c'd>", "syntax is outside the supported HTML subset at byte 6"},
      {"<a b=c=d>", "syntax is outside the supported HTML subset at byte 6"},
      {"<a b=c<d>", "syntax is outside the supported HTML subset at byte 6"},
      {"<a b=c`d>", "syntax is outside the supported HTML subset at byte 6"},
      {"<a b= >", "syntax is outside the supported HTML subset at byte 6"},
      // A text that ends inside the tag reports its own length.
      {"<div", "unexpected end of input at byte 4"},
      {"</div", "unexpected end of input at byte 5"},
      {"</div ", "unexpected end of input at byte 6"},
      {"<a b", "unexpected end of input at byte 4"},
      {"<a b ", "unexpected end of input at byte 5"},
      {"<a b=", "unexpected end of input at byte 5"},
      {"<a b= ", "unexpected end of input at byte 6"},
      {"<a b=c", "unexpected end of input at byte 6"},
      {"<a b='c>", "unexpected end of input at byte 8"},
      {R"(<a b="c")", "unexpected end of input at byte 8"},
  };
  for (const auto& c : cases) EXPECT_EQ(read_tag(c.text), c.expected) << c.text;
}

TEST(TagTest, ErrorOffsetsAreAbsolute) {
  EXPECT_EQ(read_tag("<a b=`>", 100), "syntax is outside the supported HTML subset at byte 105");
  EXPECT_EQ(read_tag("<a b", 100), "unexpected end of input at byte 104");
}

TEST(TagTest, AttributeCountLimit) {
  std::string tag = "<x";
  for (int i = 0; i < 128; ++i) tag.append(" a").append(std::to_string(i));
  auto full = tag::parse_mode(tag + ">", 0, Mode::Web);
  ASSERT_TRUE(full.ok());
  EXPECT_EQ(full->attributes.size(), 128u);
  // A repeated name still counts toward the limit.
  EXPECT_EQ(read_tag(tag + " a0>"), "syntax is outside the supported HTML subset at byte " +
                                        std::to_string(tag.size() + 1));
  auto self_closing = tag::parse_mode(tag + "/>", 0, Mode::Web);
  ASSERT_TRUE(self_closing.ok());
  EXPECT_TRUE(self_closing->self_closing);
  EXPECT_EQ(self_closing->length, tag.size() + 2);
}

// The raw reading keeps names and values as written, and one RawTag reused
// for the next tag holds nothing of the one before.
TEST(TagTest, RawReadingKeepsTextAsWrittenAndStartsAfresh) {
  RawTag raw;
  const std::string first = R"(<Div A="&amp;" b c='x'/>)";
  ASSERT_TRUE(tag::read_raw(first, 0, Mode::Web, raw).ok());
  EXPECT_EQ(raw.name, "Div");
  ASSERT_EQ(raw.attributes.size(), 3u);
  EXPECT_EQ(raw.attributes[0].name, "A");
  EXPECT_EQ(raw.attributes[0].value, "&amp;");
  EXPECT_EQ(raw.attributes[1].name, "b");
  EXPECT_EQ(raw.attributes[1].value, "");
  EXPECT_EQ(raw.attributes[2].value, "x");
  EXPECT_TRUE(raw.self_closing);
  EXPECT_FALSE(raw.closing);
  EXPECT_EQ(raw.length, first.size());

  const std::string second = "</P >";
  ASSERT_TRUE(tag::read_raw(second, 0, Mode::Web, raw).ok());
  EXPECT_EQ(raw.name, "P");
  EXPECT_TRUE(raw.attributes.empty());
  EXPECT_FALSE(raw.self_closing);
  EXPECT_TRUE(raw.closing);
  EXPECT_EQ(raw.length, second.size());
}

TEST(ReferenceTest, WebDecoding) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {"plain", "plain"},
      {"&nbsp;&copy;&reg;&ndash;&mdash;", "\xC2\xA0\xC2\xA9\xC2\xAE\xE2\x80\x93\xE2\x80\x94"},
      {"&lsquo;&rsquo;&ldquo;&rdquo;&hellip;", "\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\xA6"},
      {"&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
      // Decoded once only.
      {"&amp;lt;", "&lt;"},
      {"&#65;&#x41;&#X41;&#x1F600;", "AAA\xF0\x9F\x98\x80"},
      // Everything undecodable stays as written.
      {"&#0;&#xD800;&#xDFFF;&#x110000;&#4294967296;&#x;&#;&#12a;", "&#0;&#xD800;&#xDFFF;&#x110000;&#4294967296;&#x;&#;&#12a;"},
      {"&Amp;&NBSP;&foo;&;&", "&Amp;&NBSP;&foo;&;&"},
      {"&#xD7FF;&#xE000;&#x10FFFF;", "\xED\x9F\xBF\xEE\x80\x80\xF4\x8F\xBF\xBF"},
      {"&foo&amp;", "&foo&"},
      {"a & b; c", "a & b; c"},
      // The ";" must lie within 33 bytes after the "&": 34 bytes in all.
      {"&#" + std::string(29, '0') + "65;", "A"},
      {"&#" + std::string(30, '0') + "65;", "&#" + std::string(30, '0') + "65;"},
  };
  for (const auto& c : cases) EXPECT_EQ(parser::decode_web_references(c.text), c.expected) << c.text;
}

TEST(ReferenceTest, StrictDecodingFailsAtTheAmpersand) {
  auto ok = parser::decode_references("a&lt;b&#x263a;&#10;", 0);
  ASSERT_TRUE(ok.ok());
  EXPECT_EQ(*ok, "a<b\xE2\x98\xBA\n");
  const struct {
    std::string text;
    std::uint64_t offset;
  } failures[] = {
      {"ab&nbsp;", 12}, {"&;", 10}, {"&amp", 10}, {"x&lt;&#0;", 15}, {"&#xZ;", 10}, {"&#99999999999;", 10},
  };
  for (const auto& f : failures) {
    auto result = parser::decode_references(f.text, 10);
    ASSERT_FALSE(result.ok()) << f.text;
    EXPECT_EQ(result.error(), (ParseError{f.offset, ParseErrorKind::InvalidCharacterReference})) << f.text;
  }
}

}  // namespace
}  // namespace kivo_html
