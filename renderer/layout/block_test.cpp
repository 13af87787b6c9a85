#include "layout/block.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "layout/context.h"
#include "layout/layout_test_support.h"

namespace kivo_layout {
namespace {

using testing::FixedWidthMeasurer;
using testing::StyledTree;

// A block laid out with a forced content width, as a flex or grid container
// lays out its items.
class ForcedBlockTest : public ::testing::Test {
 protected:
  LayoutResult<float> lay_out(kivo_dom::NodeId node, float forced_width) {
    context.emplace(tree.document, tree.styled, measurer, images, 800);
    return context->sized_block(node, 1, std::nullopt, forced_width, 10, 20, 500);
  }

  StyledTree tree;
  FixedWidthMeasurer measurer;
  ImageTable images;
  std::optional<Context> context;
};

struct ImageItemCase {
  const char* name;
  std::optional<std::string> height_attribute;
  std::optional<float> style_height;
  Rect expected;
  // The item's own box follows a style height even where the image is capped.
  float box_height;
};

void PrintTo(const ImageItemCase& c, std::ostream* os) { *os << c.name; }

class ImageItemTest : public ForcedBlockTest, public ::testing::WithParamInterface<ImageItemCase> {};

TEST_P(ImageItemTest, TakesTheContentWidthAndItsHeightFromAttributeStyleOrAspect) {
  const ImageItemCase& c = GetParam();
  const auto img = c.height_attribute ? tree.element(tree.root(), "img", {{"height", *c.height_attribute}})
                                      : tree.element(tree.root(), "img");
  tree.style(img).height = c.style_height;
  images.emplace(img, ImageSize{7, 400, 200});
  auto height = lay_out(img, 100);
  ASSERT_TRUE(height.ok()) << height.error().message;
  const Scene& scene = context->scene;
  ASSERT_EQ(scene.paints.size(), 2u);
  EXPECT_EQ(scene.paints[0].rect, (Rect{10, 20, 100, c.box_height}));
  ASSERT_TRUE(scene.paints[1].is_image());
  EXPECT_EQ(scene.paints[1].rect, c.expected);
  EXPECT_EQ(scene.paints[1].as_image()->image_id, 7u);
  EXPECT_EQ(height.value(), c.box_height);
}

INSTANTIATE_TEST_SUITE_P(
    Heights, ImageItemTest,
    ::testing::Values(ImageItemCase{"Aspect", std::nullopt, std::nullopt, Rect{10, 20, 100, 50}, 50},
                      ImageItemCase{"Attribute", "30", std::nullopt, Rect{10, 20, 100, 30}, 30},
                      ImageItemCase{"ZeroAttribute", "0", std::nullopt, Rect{10, 20, 100, 0}, 0},
                      ImageItemCase{"TooTall", "9000", std::nullopt, Rect{10, 20, 100, 50}, 50},
                      ImageItemCase{"Negative", "-1", std::nullopt, Rect{10, 20, 100, 50}, 50},
                      ImageItemCase{"WithUnit", "30px", std::nullopt, Rect{10, 20, 100, 50}, 50},
                      ImageItemCase{"StyleWins", "30", 60.0f, Rect{10, 20, 100, 60}, 60},
                      ImageItemCase{"StyleCapped", std::nullopt, 9000.0f, Rect{10, 20, 100, 8192}, 9000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ForcedBlockTest, AnImageItemWithoutItsImageLaysOutItsAltText) {
  const auto img = tree.element(tree.root(), "img", {{"alt", "no pic"}});
  auto height = lay_out(img, 100);
  ASSERT_TRUE(height.ok()) << height.error().message;
  const Scene& scene = context->scene;
  ASSERT_EQ(scene.paints.size(), 3u);
  EXPECT_EQ(scene.paints[1].as_text()->text, "no");
  EXPECT_EQ(scene.paints[1].rect, (Rect{10, 20, 16, 24}));
  EXPECT_EQ(scene.paints[2].rect, (Rect{34, 20, 24, 24}));
  EXPECT_EQ(height.value(), 24);
}

TEST_F(ForcedBlockTest, AForcedWidthReplacesWidthsAndAutoMargins) {
  const auto div = tree.element(tree.root(), "div");
  kivo_style::Style& style = tree.style(div);
  style.width = kivo_style::Length::px(300);
  style.min_width = kivo_style::Length::px(400);
  style.margin_auto = {false, true, false, true};
  style.padding = {1, 2, 3, 4};
  auto height = lay_out(div, 50);
  ASSERT_TRUE(height.ok()) << height.error().message;
  EXPECT_EQ(context->scene.paints[0].rect, (Rect{10, 20, 56, 4}));
  EXPECT_EQ(context->scene.bounds.at(div), (Rect{10, 20, 56, 4}));
}

TEST_F(ForcedBlockTest, ATextItemGetsItsOwnBoxAndWrapsInIt) {
  const auto text = tree.text(tree.root(), "ab cd");
  auto height = lay_out(text, 20);
  ASSERT_TRUE(height.ok()) << height.error().message;
  const Scene& scene = context->scene;
  ASSERT_EQ(scene.paints.size(), 3u);
  EXPECT_EQ(scene.paints[0].rect, (Rect{10, 20, 20, 48}));
  EXPECT_EQ(scene.paints[2].rect, (Rect{10, 44, 16, 24}));
  EXPECT_EQ(height.value(), 48);
}

TEST(BoxModelTest, ExtrasAndLengths) {
  kivo_style::Style style;
  style.padding = {1, 2, 4, 8};
  style.border_width = 3;
  EXPECT_EQ(horizontal_extras(style), 16);
  EXPECT_EQ(vertical_extras(style), 11);
  EXPECT_EQ(resolve_length(kivo_style::Length::percent(50), 430), 215);
  EXPECT_EQ(resolve_length(kivo_style::Length::px(12.5f), 430), 12.5f);
}

}  // namespace
}  // namespace kivo_layout
