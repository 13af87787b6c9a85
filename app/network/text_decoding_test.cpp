#include "network/text_decoding.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using TextDecoding::Charset;

TEST(TextDecoding, CharsetNamesAreLookedUpWithoutAsciiCase) {
  const std::vector<std::pair<std::optional<QByteArray>, std::optional<Charset>>> cases = {
      {std::nullopt, Charset::utf8},
      {QByteArray("UTF-8"), Charset::utf8},
      {QByteArray("utf8"), Charset::utf8},
      {QByteArray("US-ASCII"), Charset::utf8},
      {QByteArray("ISO-8859-1"), Charset::latin1},
      {QByteArray("Windows-1252"), Charset::windows1252},
      {QByteArray("iso-8859-2"), std::nullopt},
      {QByteArray("latin1"), std::nullopt},
      {QByteArray(""), std::nullopt},
      {QByteArray("utf-8 "), std::nullopt},
  };
  for (const auto& [name, expected] : cases) {
    EXPECT_EQ(TextDecoding::charsetNamed(name), expected) << name.value_or("(none)").constData();
  }
}

TEST(TextDecoding, StrictUtf8) {
  const std::vector<std::pair<QByteArray, bool>> cases = {
      {"plain ascii", true},
      {"\xC3\xA7\xE2\x82\xAC\xF0\x9F\x98\x80", true},  // ç € 😀
      {"\xF4\x8F\xBF\xBF", true},                       // U+10FFFF
      {"\xC0\xAF", false},                              // overlong '/'
      {"\xE0\x80\xAF", false},                          // overlong, three bytes
      {"\xED\xA0\x80", false},                          // a surrogate
      {"\xF4\x90\x80\x80", false},                      // above U+10FFFF
      {"\xE2\x82", false},                              // truncated
      {"\x80", false},                                  // a lone continuation byte
      {"\xFF", false},
  };
  for (const auto& [bytes, valid] : cases) {
    EXPECT_EQ(TextDecoding::isValidUtf8(bytes), valid) << bytes.toHex().constData();
    EXPECT_EQ(TextDecoding::toUtf8(bytes, Charset::utf8).has_value(), valid);
  }
}

TEST(TextDecoding, SingleByteCharsetsDecodeEveryByte) {
  QByteArray all;
  for (int byte = 0; byte < 256; ++byte) all.append(static_cast<char>(byte));
  const QString latin1 = QString::fromUtf8(*TextDecoding::toUtf8(all, Charset::latin1));
  ASSERT_EQ(latin1.size(), 256);
  for (int byte = 0; byte < 256; ++byte) EXPECT_EQ(latin1[byte].unicode(), byte);

  const QString windows = QString::fromUtf8(*TextDecoding::toUtf8(all, Charset::windows1252));
  ASSERT_EQ(windows.size(), 256);
  EXPECT_EQ(windows[0x80].unicode(), 0x20AC);
  EXPECT_EQ(windows[0x9F].unicode(), 0x0178);
  EXPECT_EQ(windows[0x92].unicode(), 0x2019);
  // The five unassigned bytes stay their C1 controls.
  for (const int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(windows[unassigned].unicode(), unassigned);
  EXPECT_EQ(windows[0xA0].unicode(), 0xA0);
  EXPECT_EQ(windows[0x41].unicode(), 0x41);
}

TEST(TextDecoding, LeadingCharactersKeepGraphemesWhole) {
  const QString text = QStringLiteral("e\u0301a\U0001F600b");
  EXPECT_EQ(TextDecoding::leadingCharacters(text, 1), QStringLiteral("e\u0301"));
  EXPECT_EQ(TextDecoding::leadingCharacters(text, 3), QStringLiteral("e\u0301a\U0001F600"));
  EXPECT_EQ(TextDecoding::leadingCharacters(text, 10), text);
  EXPECT_EQ(TextDecoding::leadingCharacters(QString(), 3), QString());
  // "é" as e + combining accent is three bytes; a limit of 2 keeps nothing of it.
  EXPECT_EQ(TextDecoding::leadingCharactersWithinBytes(text, 2), QString());
  EXPECT_EQ(TextDecoding::leadingCharactersWithinBytes(text, 7), QStringLiteral("e\u0301a"));
  EXPECT_EQ(TextDecoding::leadingCharactersWithinBytes(text, 8), QStringLiteral("e\u0301a\U0001F600"));
}

}  // namespace
