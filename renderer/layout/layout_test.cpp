#include "layout/layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "layout/layout_test_support.h"

namespace kivo_layout {
namespace {

using testing::FixedWidthMeasurer;
using testing::StyledTree;

class LayoutTest : public ::testing::Test {
 protected:
  LayoutResult<Scene> run(float width = 800) {
    return layout_with_images(tree.document, tree.styled, measurer, images, width);
  }
  std::string error_of(float width = 800) {
    auto result = run(width);
    return result.ok() ? std::string("(laid out)") : result.error().message;
  }

  StyledTree tree;
  FixedWidthMeasurer measurer;
  ImageTable images;
};

struct ViewportCase {
  const char* name;
  float width;
  bool accepted;
};

void PrintTo(const ViewportCase& c, std::ostream* os) { *os << c.name; }

class ViewportTest : public LayoutTest, public ::testing::WithParamInterface<ViewportCase> {};

TEST_P(ViewportTest, OnlyWidthsFrom160To8192AreLaidOut) {
  const ViewportCase& c = GetParam();
  auto result = run(c.width);
  ASSERT_EQ(result.ok(), c.accepted);
  if (c.accepted) {
    EXPECT_EQ(result.value().width, c.width);
  } else {
    EXPECT_EQ(result.error().message, "viewport width must be 160\xE2\x80\x93" "8192 px");
    EXPECT_EQ(result.error().message.size(), 36u);
  }
}

INSTANTIATE_TEST_SUITE_P(Widths, ViewportTest,
                         ::testing::Values(ViewportCase{"Minimum", 160, true}, ViewportCase{"Maximum", 8192, true},
                                           ViewportCase{"BelowMinimum", 159.9f, false},
                                           ViewportCase{"AboveMaximum", 8192.5f, false},
                                           ViewportCase{"Infinite", std::numeric_limits<float>::infinity(), false},
                                           ViewportCase{"NaN", std::numeric_limits<float>::quiet_NaN(), false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LayoutTest, AnEmptyDocumentIsOnePixelHighAndAsWideAsTheViewport) {
  auto result = run(320);
  ASSERT_TRUE(result.ok());
  const Scene& scene = result.value();
  EXPECT_EQ(scene.width, 320);
  EXPECT_EQ(scene.height, 1);
  ASSERT_EQ(scene.paints.size(), 1u);
  EXPECT_TRUE(scene.paints[0].is_box());
  EXPECT_EQ(scene.bounds.at(tree.root()), (Rect{0, 0, 320, 0}));
}

TEST_F(LayoutTest, ADisplayNoneSubtreeLeavesNoTraceAndMayLackStyles) {
  const auto hidden = tree.element(tree.root(), "div", {{"id", "gone"}});
  tree.style(hidden).display = kivo_style::Display::None;
  const auto inner = tree.element(hidden, "p");
  tree.styled.styles.erase(inner);
  auto result = run();
  ASSERT_TRUE(result.ok()) << result.error().message;
  EXPECT_EQ(result.value().paints.size(), 1u);
  EXPECT_TRUE(result.value().anchors.empty());
  EXPECT_FALSE(result.value().bounds.contains(hidden));
}

TEST_F(LayoutTest, ANodeWithoutStyleFailsLayout) {
  const auto div = tree.element(tree.root(), "div");
  tree.styled.styles.erase(div);
  EXPECT_EQ(error_of(), "missing computed style");
}

TEST_F(LayoutTest, AChildIdOfAnotherDocumentIsAMissingNode) {
  const kivo_dom::NodeId stranger{tree.document.id + 1000, 1};
  tree.document.nodes[0].children.push_back(stranger);
  tree.styled.styles.emplace(stranger, kivo_style::Style{});
  EXPECT_EQ(error_of(), "missing node");
}

// Nested blocks: the k-th one below the root is laid out at depth k.
class DepthTest : public LayoutTest, public ::testing::WithParamInterface<std::pair<int, bool>> {};

TEST_P(DepthTest, BlocksAndInlineElementsNestAt128LevelsAtMost) {
  const auto [levels, inline_elements] = GetParam();
  kivo_dom::NodeId parent = tree.root();
  for (int i = 0; i < levels; ++i) {
    parent = tree.element(parent, inline_elements && i > 0 ? "span" : "div");
    if (inline_elements && i > 0) tree.style(parent).display = kivo_style::Display::Inline;
  }
  EXPECT_EQ(error_of(), levels <= 128 ? "(laid out)" : "layout depth limit exceeded");
}

INSTANTIATE_TEST_SUITE_P(Levels, DepthTest,
                         ::testing::Values(std::pair{128, false}, std::pair{129, false}, std::pair{128, true},
                                           std::pair{129, true}),
                         [](const ::testing::TestParamInfo<std::pair<int, bool>>& info) {
                           return std::to_string(info.param.first) + (info.param.second ? "WithInlines" : "Blocks");
                         });

TEST_F(LayoutTest, ABoxMayEndAtTheHeightLimitButNotBelowIt) {
  const auto div = tree.element(tree.root(), "div");
  tree.style(div).height = 200'000;
  ASSERT_EQ(error_of(), "(laid out)");
  tree.style(div).height = 200'001;
  EXPECT_EQ(error_of(), "document height limit exceeded");
}

TEST_F(LayoutTest, ABlockStartingBelowTheHeightLimitFails) {
  const auto spacer = tree.element(tree.root(), "div");
  tree.style(spacer).margin[2] = 200'001;  // the margin lies outside the box
  tree.element(tree.root(), "div");
  EXPECT_EQ(error_of(), "document height limit exceeded");
}

TEST_F(LayoutTest, LinksUpTo4096BytesAreCarriedByEveryPaintInside) {
  for (const bool inline_link : {false, true}) {
    for (const std::size_t length : {std::size_t{4096}, std::size_t{4097}}) {
      StyledTree t;
      const auto a = t.element(t.root(), "a", {{"href", std::string(length, 'h')}});
      if (inline_link) t.style(a).display = kivo_style::Display::Inline;
      const auto li = t.element(a, "li");
      t.text(li, "x");
      FixedWidthMeasurer m;
      auto result = layout_with_images(t.document, t.styled, m, images, 800);
      SCOPED_TRACE(std::to_string(length) + (inline_link ? " inline" : " block"));
      if (length > 4096) {
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error().message, "link target exceeds 4 KiB");
        continue;
      }
      ASSERT_TRUE(result.ok()) << result.error().message;
      const Scene& scene = result.value();
      // Root box, the a's box when it is a block, the li's box, bullet and word.
      ASSERT_EQ(scene.paints.size(), inline_link ? 4u : 5u);
      EXPECT_FALSE(scene.paints[0].href.has_value());
      for (std::size_t i = 1; i < scene.paints.size(); ++i) EXPECT_EQ(scene.paints[i].href->size(), 4096u) << i;
    }
  }
}

TEST_F(LayoutTest, TwentyThousandPaintsLayOutAndOneMoreFails) {
  for (const std::size_t count : {kMaxPaints - 1, kMaxPaints}) {
    StyledTree t;
    ImageTable table;
    for (std::size_t i = 0; i < count; ++i) {
      const auto img = t.element(t.root(), "img");
      t.style(img).display = kivo_style::Display::Inline;
      table.emplace(img, ImageSize{0, 1, 1});
    }
    FixedWidthMeasurer m;
    auto result = layout_with_images(t.document, t.styled, m, table, 800);
    if (count < kMaxPaints) {
      ASSERT_TRUE(result.ok()) << result.error().message;
      EXPECT_EQ(result.value().paints.size(), kMaxPaints);
    } else {
      ASSERT_FALSE(result.ok());
      EXPECT_EQ(result.error().message, "paint command limit exceeded");
    }
  }
}

TEST_F(LayoutTest, AMeasurementFailureEndsLayoutWithTheMeasurersMessage) {
  tree.text(tree.root(), "hello");
  measurer.answer = [](std::string_view) -> kivo_dom::Result<float, std::string> {
    return kivo_dom::err(std::string("stream did not contain valid UTF-8"));
  };
  EXPECT_EQ(error_of(), "stream did not contain valid UTF-8");
}

TEST_F(LayoutTest, AnInvalidAnswerEndsLayout) {
  tree.text(tree.root(), "hello");
  measurer.answer = [](std::string_view) -> kivo_dom::Result<float, std::string> { return -1.0f; };
  EXPECT_EQ(error_of(), "invalid text measurement");
}

// The paint list is sized up front from a count of the root, the elements and
// the words; when every word fits its line, that count is exact and the list
// never grows. The texts, short and long, mix every white space byte with
// U+000B, which is not one, at the starts and ends of texts.
TEST_F(LayoutTest, ThePaintListIsSizedForEveryElementAndWordBeforeLayout) {
  const auto div = tree.element(tree.root(), "div");
  tree.text(div, "ab\tcd\ne\ff\rg h");
  tree.text(div, "  \v  x\vy  ");
  tree.text(div, "\n\r\t\f ");
  tree.text(div, "z");
  // Long enough to be counted over vectors of bytes.
  tree.text(div, "one two\fthree\r\n four\vfive  six seven eight nine\tten");
  const auto inner = tree.element(div, "span");
  tree.text(inner, " last\t");
  auto scene = run();
  ASSERT_TRUE(scene.ok()) << scene.error().message;
  EXPECT_EQ(scene.value().paints.size(), scene.value().paints.capacity());
  EXPECT_EQ(scene.value().paints.size(), 22u) << testing::dump(scene.value(), tree.document);
}

}  // namespace
}  // namespace kivo_layout
