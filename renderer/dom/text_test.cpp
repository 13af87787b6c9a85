#include "dom/text.h"

#include <gtest/gtest.h>

namespace kivo_dom::text {
namespace {

TEST(TextTest, Utf8Validation) {
  const std::pair<std::string_view, bool> cases[] = {
      {"", true},
      {"abc", true},
      {"ç\xe2\x82\xac\xf0\x9f\x98\x80", true},
      {"\xc0\x80", false},          // overlong NUL
      {"\xe0\x80\xaf", false},      // overlong
      {"\xed\xa0\x80", false},      // surrogate
      {"\xf4\x90\x80\x80", false},  // above U+10FFFF
      {"\xe2\x82", false},          // truncated
      {"\x80", false},
  };
  for (const auto& [in, ok] : cases) EXPECT_EQ(is_valid_utf8(in), ok) << in;
}

TEST(TextTest, LossyConversionReplacesMaximalSubparts) {
  EXPECT_EQ(utf8_lossy("a\xe2\x82z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(utf8_lossy("\xff\xfe"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(utf8_lossy("ok"), "ok");
}

TEST(TextTest, TrimsUnicodeWhiteSpaceButNotOtherCharacters) {
  EXPECT_EQ(trim_unicode_white_space("\xc2\xa0\t x y\xe3\x80\x80\r\n"), "x y");
  EXPECT_EQ(trim_unicode_white_space("\xe2\x80\x8bx"), "\xe2\x80\x8bx");  // zero width space stays
  EXPECT_EQ(trim_ascii_white_space("\xc2\xa0x "), "\xc2\xa0x");
  EXPECT_EQ(trim_unicode_white_space("   "), "");
}

TEST(TextTest, TrimNeverReadsPastABrokenSequence) {
  // A truncated three-byte sequence must not decode as the tab its payload bits spell.
  EXPECT_EQ(trim_unicode_white_space("\xE0\x89"), "\xE0\x89");
  EXPECT_EQ(trim_unicode_white_space("x\xE2"), "x\xE2");
}

TEST(TextTest, AsciiCaseFolding) {
  EXPECT_TRUE(ascii_equal_ignore_case("DiV", "div"));
  EXPECT_FALSE(ascii_equal_ignore_case("\xc3\x87", "\xc3\xa7"));
}

}  // namespace
}  // namespace kivo_dom::text
