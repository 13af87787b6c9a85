#include "dom/float_parse.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

#include "support/test_names.h"

namespace kivo_dom {
namespace {

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

struct ValueCase {
  std::string text;
  std::uint32_t expected_bits;
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ParseF32Value : public testing::TestWithParam<ValueCase> {};

TEST_P(ParseF32Value, GivesTheNearestFloat) {
  const auto& c = GetParam();
  auto r = parse_f32(c.text);
  ASSERT_TRUE(r.ok()) << c.text << ": " << r.error();
  EXPECT_EQ(bits(*r), c.expected_bits) << c.text << " gave " << *r;
}

constexpr std::uint32_t kInf = 0x7f800000;
constexpr std::uint32_t kNegInf = 0xff800000;
constexpr std::uint32_t kZero = 0;
constexpr std::uint32_t kNegZero = 0x80000000;

INSTANTIATE_TEST_SUITE_P(
    Grammar, ParseF32Value,
    testing::Values(
        // Zeros of both signs, including texts that round to zero.
        ValueCase{"0", kZero}, ValueCase{"-0", kNegZero}, ValueCase{"+0", kZero}, ValueCase{"0.0", kZero},
        ValueCase{"0e10", kZero}, ValueCase{"+0e5", kZero}, ValueCase{"1e-50", kZero}, ValueCase{"-1e-50", kNegZero},
        ValueCase{"0e99999999999999999999", kZero},
        // Every shape of a decimal number.
        ValueCase{"997", bits(997.0f)}, ValueCase{"5", bits(5.0f)}, ValueCase{"5.", bits(5.0f)},
        ValueCase{".5", bits(0.5f)}, ValueCase{"5.25", bits(5.25f)}, ValueCase{"-5", bits(-5.0f)},
        ValueCase{"1e3", bits(1000.0f)}, ValueCase{"1E+3", bits(1000.0f)}, ValueCase{"2.5e-1", bits(0.25f)},
        ValueCase{"+.5e1", bits(5.0f)}, ValueCase{"13.5", bits(13.5f)}, ValueCase{"0.1", 0x3dcccccd},
        ValueCase{"000000000000000000000000000000012.50000000000000000000000000000000", bits(12.5f)},
        ValueCase{"0.0000000001e48", bits(1e38f)},
        // The words, in any case and with a sign.
        ValueCase{"inf", kInf}, ValueCase{"INF", kInf}, ValueCase{"Infinity", kInf}, ValueCase{"-iNfInItY", kNegInf},
        ValueCase{"+inf", kInf},
        // Ties go to the even neighbour.
        ValueCase{"16777217", bits(16777216.0f)}, ValueCase{"16777219", bits(16777220.0f)},
        // The top of the range: the largest float, the exact midpoint above it
        // (ties to even overflows) and just below that midpoint.
        ValueCase{"3.4028235e38", 0x7f7fffff}, ValueCase{"340282356779733661637539395458142568447", 0x7f7fffff},
        ValueCase{"340282356779733661637539395458142568448", kInf}, ValueCase{"3.4028236e38", kInf},
        ValueCase{"1e39", kInf}, ValueCase{"-1e39", kNegInf}, ValueCase{"1e99999999999999999999", kInf},
        ValueCase{"0.00000000000000000000000000000000000000000000000001e99", kInf},
        // The bottom: the smallest subnormal, and values on each side of half of it.
        ValueCase{"1e-45", 1}, ValueCase{"7.1e-46", 1}, ValueCase{"7e-46", kZero}, ValueCase{"-7e-46", kNegZero},
        ValueCase{"1e-99999999999999999999", kZero}, ValueCase{"100000000000000000000e-65", 1}),
    [](const testing::TestParamInfo<ValueCase>& info) { return kivo_testing::name_from_text(info.param.text); });

TEST(ParseF32, NanInAnyCaseAndSign) {
  for (const char* text : {"nan", "NaN", "NAN", "-nan", "+nan"}) {
    auto r = parse_f32(text);
    ASSERT_TRUE(r.ok()) << text;
    EXPECT_TRUE(std::isnan(*r)) << text;
  }
}

struct ErrorCase {
  std::string text;
  std::string_view expected;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ParseF32Error : public testing::TestWithParam<ErrorCase> {};

TEST_P(ParseF32Error, IsRefusedWithItsText) {
  const auto& c = GetParam();
  auto r = parse_f32(c.text);
  ASSERT_FALSE(r.ok()) << c.text << " gave " << *r;
  EXPECT_EQ(r.error(), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, ParseF32Error,
    testing::Values(ErrorCase{"", kEmptyFloatText}, ErrorCase{"+", kInvalidFloatText}, ErrorCase{"-", kInvalidFloatText},
                    ErrorCase{".", kInvalidFloatText}, ErrorCase{"-.", kInvalidFloatText},
                    ErrorCase{"1e", kInvalidFloatText}, ErrorCase{"1e+", kInvalidFloatText},
                    ErrorCase{"e5", kInvalidFloatText}, ErrorCase{".e5", kInvalidFloatText},
                    ErrorCase{" 997", kInvalidFloatText}, ErrorCase{"997 ", kInvalidFloatText},
                    ErrorCase{"\t1", kInvalidFloatText}, ErrorCase{"0x10", kInvalidFloatText},
                    ErrorCase{"1_000", kInvalidFloatText}, ErrorCase{"1,5", kInvalidFloatText},
                    ErrorCase{"1.2.3", kInvalidFloatText}, ErrorCase{"--1", kInvalidFloatText},
                    ErrorCase{"+-1", kInvalidFloatText}, ErrorCase{"1e5x", kInvalidFloatText},
                    ErrorCase{"in", kInvalidFloatText}, ErrorCase{"infin", kInvalidFloatText},
                    ErrorCase{"infinityy", kInvalidFloatText}, ErrorCase{"nana", kInvalidFloatText},
                    ErrorCase{"abc", kInvalidFloatText}, ErrorCase{"\xd9\xa1", kInvalidFloatText},
                    ErrorCase{std::string("1\0", 2), kInvalidFloatText}, ErrorCase{"1e1.5", kInvalidFloatText}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return kivo_testing::name_from_text(info.param.text); });

}  // namespace
}  // namespace kivo_dom
