#include "layout/context.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "support/test_names.h"
#include "layout/layout_test_support.h"

namespace kivo_layout {
namespace {

using testing::FixedWidthMeasurer;
using testing::StyledTree;

class ContextTest : public ::testing::Test {
 protected:
  Context make() { return Context(tree.document, tree.styled, measurer, images, 800); }

  StyledTree tree;
  FixedWidthMeasurer measurer;
  ImageTable images;
};

TEST_F(ContextTest, TheTwentyThousandthPaintIsAcceptedAndTheNextRefused) {
  Context context = make();
  for (std::size_t i = 0; i < kMaxPaints; ++i) ASSERT_TRUE(context.push(Paint::box(Rect{}, 0, 0, 0, 0)).ok()) << i;
  const auto refused = context.push(Paint::box(Rect{}, 0, 0, 0, 0));
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message, "paint command limit exceeded");
  EXPECT_EQ(context.scene.paints.size(), kMaxPaints);
}

struct PaintBytesCase {
  const char* name;
  // Bytes of the payload that counts besides the fixed 128: text, alternative
  // text or link.
  std::size_t payload;
  char kind;  // 't' text run, 'i' image alternative text, 'h' box link
  bool accepted;
};

void PrintTo(const PaintBytesCase& c, std::ostream* os) { *os << c.name; }

class PaintBytesTest : public ContextTest, public ::testing::WithParamInterface<PaintBytesCase> {};

TEST_P(PaintBytesTest, TheBudgetAcceptsExactlyEightMebibytes) {
  const PaintBytesCase& c = GetParam();
  Context context = make();
  // One plain box first, so the budget is reached by the sum of two paints.
  ASSERT_TRUE(context.push(Paint::box(Rect{}, 0, 0, 0, 0)).ok());
  const std::string payload(c.payload, 'x');
  Paint paint = c.kind == 't'   ? Paint::text_run(Rect{}, payload, 16, false, 0)
                : c.kind == 'i' ? Paint::image(Rect{}, 0, payload)
                                : Paint::box(Rect{}, 0, 0, 0, 0, payload);
  const auto pushed = context.push(std::move(paint));
  EXPECT_EQ(pushed.ok(), c.accepted);
  if (!c.accepted) {
    EXPECT_EQ(pushed.error().message, "paint data budget exceeded");
    EXPECT_EQ(context.scene.paints.size(), 1u);
  }
}

constexpr std::size_t kFill = 8'388'608 - 128 - 128;

INSTANTIATE_TEST_SUITE_P(Budget, PaintBytesTest,
                         ::testing::Values(PaintBytesCase{"TextAtLimit", kFill, 't', true},
                                           PaintBytesCase{"TextOnePast", kFill + 1, 't', false},
                                           PaintBytesCase{"AltAtLimit", kFill, 'i', true},
                                           PaintBytesCase{"AltOnePast", kFill + 1, 'i', false},
                                           PaintBytesCase{"LinkAtLimit", kFill, 'h', true},
                                           PaintBytesCase{"LinkOnePast", kFill + 1, 'h', false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContextTest, EveryWidthRequestCountsAndTheFortyThousandAndFirstIsRefused) {
  Context context = make();
  for (std::uint64_t i = 0; i < kMaxMeasurements; ++i) {
    // The same text every time: a caching measurer would answer most of these
    // without asking, and they still count.
    ASSERT_TRUE(context.measured("word", 16, false).ok()) << i;
  }
  const auto refused = context.measured("word", 16, false);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message, "text measurement limit exceeded");
  // The refused request never reached the measurer.
  EXPECT_EQ(measurer.requests.size(), kMaxMeasurements);
}

struct AnswerCase {
  const char* name;
  float width;
  bool accepted;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class MeasurementAnswerTest : public ContextTest, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(MeasurementAnswerTest, WidthsOutsideZeroToOneMillionAreRefused) {
  const AnswerCase& c = GetParam();
  measurer.answer = [&](std::string_view) -> kivo_dom::Result<float, std::string> { return c.width; };
  Context context = make();
  const auto result = context.measured("a", 16, false);
  ASSERT_EQ(result.ok(), c.accepted);
  if (c.accepted) {
    EXPECT_EQ(result.value(), c.width);
  } else {
    EXPECT_EQ(result.error().message, "invalid text measurement");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MeasurementAnswerTest,
    ::testing::Values(AnswerCase{"Zero", 0, true}, AnswerCase{"OneMillion", 1'000'000, true},
                      AnswerCase{"Negative", -1, false}, AnswerCase{"AboveOneMillion", 1'000'001, false},
                      AnswerCase{"NaN", std::numeric_limits<float>::quiet_NaN(), false},
                      AnswerCase{"Infinite", std::numeric_limits<float>::infinity(), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContextTest, TheMeasurersOwnFailurePassesThroughUnchanged) {
  measurer.answer = [](std::string_view) -> kivo_dom::Result<float, std::string> {
    return kivo_dom::err(std::string("incomplete measurement response"));
  };
  Context context = make();
  const auto result = context.measured("a", 16, false);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().message, "incomplete measurement response");
  EXPECT_EQ(context.measurements, 1u);
}

TEST_F(ContextTest, TextRunsMayStartAtTheHeightLimitButNotBelowIt) {
  Context context = make();
  const kivo_style::Style style;
  LineBox at_limit{0, 200'000, 100, 0, 0, false};
  EXPECT_TRUE(context.paint_text("a", style, at_limit, std::nullopt, 8).ok());
  LineBox below{0, std::nextafter(200'000.0f, 300'000.0f), 100, 0, 0, false};
  const auto refused = context.paint_text("a", style, below, std::nullopt, 8);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message, "document height limit exceeded");
}

TEST_F(ContextTest, PaintTextAdvancesTheLineAndWidensThePage) {
  Context context = make();
  kivo_style::Style style;
  style.font_size = 20;
  style.bold = true;
  LineBox line{10, 5, 100, 790, 12, true};
  ASSERT_TRUE(context.paint_text("wide", style, line, std::string_view("#x"), 30).ok());
  ASSERT_EQ(context.scene.paints.size(), 1u);
  const Paint& run = context.scene.paints[0];
  EXPECT_EQ(run.rect, (Rect{800, 5, 30, 30}));
  EXPECT_EQ(run.href, std::optional<std::string>("#x"));
  EXPECT_TRUE(run.as_text()->bold);
  EXPECT_EQ(line.cursor, 820);
  EXPECT_EQ(line.height, 30);
  EXPECT_EQ(context.scene.width, 830);
}

TEST_F(ContextTest, TheFirstAnchorOfANameWins) {
  Context context = make();
  const kivo_dom::NodeId first = tree.element(tree.root(), "div");
  const kivo_dom::NodeId second = tree.element(tree.root(), "div");
  context.anchor(first, "top", 40);
  context.anchor(second, "top", 10);
  EXPECT_EQ(context.scene.anchors.at("top"), 40);
  EXPECT_TRUE(context.owns_anchor(first));
  EXPECT_FALSE(context.owns_anchor(second));
}

TEST(LineHeightTest, AMultiplierScalesTheFontSizeAndNoLineIsShorterThanTheFont) {
  kivo_style::Style style;
  EXPECT_EQ(line_height(style), 24);
  style.line_height = kivo_style::LineHeight::px(10);
  EXPECT_EQ(line_height(style), 16);
  style.line_height = kivo_style::LineHeight::px(30);
  EXPECT_EQ(line_height(style), 30);
  style.line_height = kivo_style::LineHeight::number(0.5f);
  EXPECT_EQ(line_height(style), 16);
}

TEST(MaxMinTest, ANaNOperandGivesTheOtherOne) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(max_f(nan, 3), 3);
  EXPECT_EQ(max_f(3, nan), 3);
  EXPECT_EQ(min_f(nan, 3), 3);
  EXPECT_EQ(min_f(3, nan), 3);
  EXPECT_FALSE(std::signbit(max_f(-0.0f, 0.0f)));
  EXPECT_FALSE(std::signbit(max_f(0.0f, -0.0f)));
  EXPECT_TRUE(std::signbit(min_f(0.0f, -0.0f)));
}

// Every pair of special and ordinary values, in both orders: the larger or
// smaller one, a NaN giving way to the other operand (two NaNs give the
// second), +0 above -0; compared bit for bit.
TEST(MaxMinTest, EveryPairOfSpecialValuesGivesTheDefinedOperand) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float tiny = std::numeric_limits<float>::denorm_min();
  const std::vector<float> values{nan, -inf, -1.5f, -tiny, -0.0f, 0.0f, tiny, 2.0f, inf};
  const auto bits = [](float value) { return std::bit_cast<std::uint32_t>(value); };
  for (const float a : values) {
    for (const float b : values) {
      float larger = b;
      float smaller = b;
      if (a != a) {
        larger = smaller = b;
      } else if (b != b) {
        larger = smaller = a;
      } else if (a == b) {
        larger = std::signbit(a) ? b : a;
        smaller = std::signbit(b) ? b : a;
      } else {
        larger = a < b ? b : a;
        smaller = a < b ? a : b;
      }
      EXPECT_EQ(bits(max_f(a, b)), bits(larger)) << a << " " << b;
      EXPECT_EQ(bits(min_f(a, b)), bits(smaller)) << a << " " << b;
    }
  }
}

struct AttributeCase {
  const char* text;
  std::optional<float> expected;
};

void PrintTo(const AttributeCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class AttributeNumberTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeNumberTest, ReadsTheWholeTextAsAFloat) {
  const AttributeCase& c = GetParam();
  const std::optional<float> parsed = parse_attribute_f32(c.text);
  ASSERT_EQ(parsed.has_value(), c.expected.has_value()) << c.text;
  if (!parsed) return;
  if (std::isnan(*c.expected)) {
    EXPECT_TRUE(std::isnan(*parsed)) << c.text;
  } else {
    EXPECT_EQ(*parsed, *c.expected) << c.text;
    EXPECT_EQ(std::signbit(*parsed), std::signbit(*c.expected)) << c.text;
  }
}

constexpr float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Grammar, AttributeNumberTest,
    ::testing::Values(AttributeCase{"30", 30.0f}, AttributeCase{"+5", 5.0f}, AttributeCase{".5", 0.5f},
                      AttributeCase{"5.", 5.0f}, AttributeCase{"1e3", 1000.0f}, AttributeCase{"2.5E-1", 0.25f},
                      AttributeCase{"-1", -1.0f}, AttributeCase{"0.1", 0.1f}, AttributeCase{"-0", -0.0f},
                      AttributeCase{"INF", kInf}, AttributeCase{"-Infinity", -kInf},
                      AttributeCase{"nan", std::numeric_limits<float>::quiet_NaN()},
                      AttributeCase{"1e50", kInf}, AttributeCase{"1e-50", 0.0f}, AttributeCase{"-1e-50", -0.0f},
                      AttributeCase{"0.000000000000000000000000000000000000000000000000001e60", 1e9f},
                      AttributeCase{"100000000000000000000000000000000000000000000e-10", 1e34f},
                      AttributeCase{"", std::nullopt}, AttributeCase{"+", std::nullopt},
                      AttributeCase{".", std::nullopt}, AttributeCase{"1e", std::nullopt},
                      AttributeCase{"1e+", std::nullopt}, AttributeCase{" 30", std::nullopt},
                      AttributeCase{"30 ", std::nullopt}, AttributeCase{"30px", std::nullopt},
                      AttributeCase{"0x10", std::nullopt}, AttributeCase{"1.2.3", std::nullopt},
                      AttributeCase{"infinit", std::nullopt}, AttributeCase{"--1", std::nullopt}),
    [](const ::testing::TestParamInfo<AttributeCase>& info) { return kivo_testing::name_from_text(info.param.text); });

}  // namespace
}  // namespace kivo_layout
