#include "profile/json_text_writer.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct StringCase {
  QString text;
  QByteArray expected;
};

TEST(JsonTextWriterTest, StringsEscapeSlashesQuotesAndControlCharacters) {
  const std::vector<StringCase> cases = {
      {QStringLiteral("https://a.b/c"), R"("https:\/\/a.b\/c")"},
      {QStringLiteral("say \"hi\" \\ ok"), R"("say \"hi\" \\ ok")"},
      {QStringLiteral("a\nb\rc\td\be\ff"), R"("a\nb\rc\td\be\ff")"},
      {QString(QChar(0x01)) + QChar(0x1F), R"("\u0001\u001f")"},
      {QString(QChar(0x7F)), "\"\x7F\""},
      {QStringLiteral("Çay ğ 😀"), "\"\xC3\x87" "ay \xC4\x9F \xF0\x9F\x98\x80\""},
      {QString(), R"("")"},
  };
  for (const StringCase& c : cases) {
    QByteArray out;
    JsonTextWriter::appendString(out, c.text);
    EXPECT_EQ(out, c.expected) << c.text.toStdString();
  }
}

TEST(JsonTextWriterTest, NumbersUseShortestTextWithoutTrailingZeroFraction) {
  const std::vector<std::pair<double, QByteArray>> cases = {
      {786000000.0, "786000000"},
      {786000000.25, "786000000.25"},
      {0.1, "0.1"},
      {-63114076800.0, "-63114076800"},
      {0.0, "0"},
      {1e16, "1e+16"},
      {0.00001, "1e-05"},
      {0.0001, "0.0001"},
      {738000000.123456, "738000000.123456"},
  };
  for (const auto& [value, expected] : cases) EXPECT_EQ(JsonTextWriter::numberText(value), expected) << value;
}

TEST(JsonTextWriterTest, ObjectsAndArraysKeepTheWrittenOrder) {
  JsonTextWriter writer;
  writer.beginArray();
  writer.beginObject();
  writer.key("z");
  writer.integer(-1);
  writer.key("a");
  writer.string(QStringLiteral("x"));
  writer.endObject();
  writer.beginObject();
  writer.endObject();
  writer.integer(std::numeric_limits<qint64>::max());
  writer.endArray();
  EXPECT_EQ(writer.bytes(), R"([{"z":-1,"a":"x"},{},9223372036854775807])");
}

TEST(JsonTextWriterTest, ArrayWithinKeepsTheLongestPrefixThatFits) {
  const QList<QByteArray> elements = {"{\"a\":1}", "{\"b\":2}", "{\"c\":3}"};
  EXPECT_EQ(JsonTextWriter::arrayWithin(elements, 1000), R"([{"a":1},{"b":2},{"c":3}])");
  // Two elements take exactly 2 + 7 + 1 + 7 = 17 bytes.
  EXPECT_EQ(JsonTextWriter::arrayWithin(elements, 17), R"([{"a":1},{"b":2}])");
  qsizetype written = -1;
  EXPECT_EQ(JsonTextWriter::arrayWithin(elements, 16, &written), R"([{"a":1}])");
  EXPECT_EQ(written, 1);
  EXPECT_EQ(JsonTextWriter::arrayWithin(elements, 5, &written), "[]");
  EXPECT_EQ(written, 0);
  EXPECT_EQ(JsonTextWriter::arrayWithin({}, 2), "[]");
}

}  // namespace
