#include "json/write.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace kivo_json {
namespace {

std::string json_string(std::string_view text) {
  StringOutput out;
  EXPECT_TRUE(write_string(text, out).ok());
  return out.text;
}

TEST(JsonWriteTest, StringEscapes) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", "\"\""},
      {std::string_view("\t\n\x01", 3), "\"\\t\\n\\u0001\""},
      {std::string_view("\0\b\f\x1f\r", 5), "\"\\u0000\\u0008\\u000c\\u001f\\r\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"ç ğ \x7f /", "\"ç ğ \x7f /\""},
      {"\xe2\x80\xa8", "\"\xe2\x80\xa8\""},
  };
  for (const auto& [in, expected] : cases) EXPECT_EQ(json_string(in), expected);
}

TEST(JsonWriteTest, FloatForms) {
  const std::pair<float, std::string_view> cases[] = {
      {997.0f, "997"},
      {16.0f, "16"},
      {13.5f, "13.5"},
      {0.5f, "0.5"},
      {24.5f, "24.5"},
      {0.1f, "0.1"},
      {1.0f / 3.0f, "0.33333334"},
      {1e-7f, "0.0000001"},
      {1e20f, "100000000000000000000"},
      {-0.0f, "-0"},
      {0.0f, "0"},
      {-2.25f, "-2.25"},
      // Exact binary fractions whose full decimal is the shortest text.
      {37.59375f, "37.59375"},
      {0.1875f, "0.1875"},
      {1048575.75f, "1048575.75"},
      {8388607.5f, "8388607.5"},
      // Binary fractions where fewer digits already read back to the float.
      {2097152.25f, "2097152.2"},
      {65535.99609375f, "65535.996"},
      {4096.0009765625f, "4096.001"},
      // Decimals that are no binary fraction: the fewest fraction digits that
      // read back, from the tenths down to the millionths.
      {7.2f, "7.2"},
      {123.456f, "123.456"},
      {1234567.9f, "1234567.9"},
      {0.0999999f, "0.0999999"},
      {1e-6f, "0.000001"},
      // Around the last float that holds every whole number, and the extremes.
      {16777215.0f, "16777215"},
      {16777216.0f, "16777216"},
      {16777218.0f, "16777218"},
      {std::numeric_limits<float>::max(), "340282350000000000000000000000000000000"},
      {std::numeric_limits<float>::denorm_min(), "0.000000000000000000000000000000000000000000001"},
  };
  for (const auto& [in, expected] : cases) EXPECT_EQ(f32_text(in), expected) << in;
}

// Whole floats take their own short path: each must read as its integer's
// digits, around every change in the number of digits too.
TEST(JsonWriteTest, WholeFloatsAreTheirIntegerDigits) {
  std::vector<std::uint32_t> values;
  for (std::uint32_t v = 0; v < 100000; ++v) values.push_back(v);
  for (std::uint32_t v = 100000; v < 16777216; v += 997) values.push_back(v);
  for (std::uint32_t p = 10; p <= 10000000; p *= 10) values.insert(values.end(), {p - 1, p, p + 1});
  values.push_back(16777215);
  for (const std::uint32_t v : values) {
    char expected[16];
    const auto end = std::to_chars(expected, expected + sizeof expected, v).ptr;
    ASSERT_EQ(f32_text(static_cast<float>(v)), std::string_view(expected, static_cast<std::size_t>(end - expected)));
    std::string negative(1, '-');
    negative.append(expected, end);
    ASSERT_EQ(f32_text(-static_cast<float>(v)), negative);
  }
}

TEST(JsonWriteTest, Integers) {
  StringOutput out;
  ASSERT_TRUE(write_u64(4294967295u, out).ok());
  ASSERT_TRUE(write_i32(-12, out).ok());
  ASSERT_TRUE(write_bool(true, out).ok());
  EXPECT_EQ(out.text, "4294967295-12true");
}

TEST(JsonWriteTest, BatchIntegersMatchTheirDigits) {
  const std::uint64_t unsigned_values[] = {0, 9, 10, 99, 100, 4294967295u, 4294967296u,
                                           std::numeric_limits<std::uint64_t>::max()};
  const std::int32_t signed_values[] = {0, -1, 7, -10, 12345, std::numeric_limits<std::int32_t>::max(),
                                        std::numeric_limits<std::int32_t>::min()};
  StringOutput out;
  std::string expected;
  {
    Batch batch(out);
    for (const std::uint64_t v : unsigned_values) {
      append_u64(batch, v);
      batch.put(',');
      expected += std::to_string(v) + ",";
    }
    for (const std::int32_t v : signed_values) {
      append_i32(batch, v);
      batch.put(',');
      expected += std::to_string(v) + ",";
    }
    ASSERT_TRUE(batch.pass_all().ok());
  }
  EXPECT_EQ(out.text, expected);
}

// A record longer than several pieces grows the batch and keeps every byte
// already collected, in order.
TEST(JsonWriteTest, BatchGrowsKeepingItsText) {
  StringOutput out;
  std::string expected;
  Batch batch(out);
  for (int i = 0; i < 4; ++i) {
    const std::string piece(Batch::kPiece + 777, static_cast<char>('a' + i));
    batch.put('[');
    append_string(batch, piece);
    append_i32(batch, i);
    expected += "[\"" + piece + "\"" + std::to_string(i);
  }
  ASSERT_TRUE(batch.pass_all().ok());
  EXPECT_EQ(out.text, expected);
}

TEST(JsonWriteTest, IoErrorDisplay) {
  EXPECT_EQ(IoError::os(1).display(), "Operation not permitted (os error 1)");
  EXPECT_EQ(IoError::unexpected_eof().display(), "failed to fill whole buffer");
}

}  // namespace
}  // namespace kivo_json
