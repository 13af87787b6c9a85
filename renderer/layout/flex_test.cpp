#include "layout/flex.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "layout/layout.h"
#include "layout/layout_test_support.h"

namespace kivo_layout {
namespace {

using kivo_style::Display;
using kivo_style::Length;
using kivo_style::Style;
using testing::FixedWidthMeasurer;
using testing::StyledTree;

// ---- takes_part ----

struct TextPartCase {
  const char* name;
  const char* text;
  bool takes_part;
};

void PrintTo(const TextPartCase& c, std::ostream* out) { *out << c.name; }

class TextPartTest : public ::testing::TestWithParam<TextPartCase> {};

// A text takes part unless it is empty or Unicode White_Space only, whatever
// its first byte is.
TEST_P(TextPartTest, OnlyTextsOfWhiteSpaceAloneStayOut) {
  const TextPartCase& c = GetParam();
  const kivo_dom::Node node{std::nullopt, kivo_dom::NodeKind::text(c.text), {}, {}};
  EXPECT_EQ(takes_part(Style{}, node), c.takes_part);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextPartTest,
    ::testing::Values(TextPartCase{"Empty", "", false}, TextPartCase{"AsciiWhiteSpace", " \t\n\v\f\r", false},
                      TextPartCase{"NoBreakSpaces", "\xC2\xA0 \xE3\x80\x80", false},
                      TextPartCase{"Letter", "a", true}, TextPartCase{"LetterAfterSpace", " a", true},
                      TextPartCase{"LetterAfterNoBreakSpace", "\xC2\xA0x", true},
                      TextPartCase{"Delete", "\x7F", true}, TextPartCase{"ControlCharacter", "\x01", true},
                      TextPartCase{"NonAsciiLetter", "\xC3\xA9", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TakesPartTest, AnElementTakesPartUnlessItIsNotDisplayed) {
  const kivo_dom::Node node{std::nullopt, kivo_dom::NodeKind::element("div"), {}, {}};
  Style style;
  EXPECT_TRUE(takes_part(style, node));
  style.display = Display::None;
  EXPECT_FALSE(takes_part(style, node));
  const kivo_dom::Node text{std::nullopt, kivo_dom::NodeKind::text("a"), {}, {}};
  EXPECT_FALSE(takes_part(style, text));
}

// ---- distribute ----

struct ItemCase {
  float grow;
  float shrink;
  float basis;
  float min = 0;
  float max = kUnlimitedWidth;
  float outer = 0;
};

struct DistributeCase {
  const char* name;
  std::vector<ItemCase> items;
  float available;
  std::vector<float> expected;
};

void PrintTo(const DistributeCase& c, std::ostream* out) { *out << c.name; }

class DistributeTest : public ::testing::TestWithParam<DistributeCase> {};

TEST_P(DistributeTest, ResolvesTheSizesOfOneLine) {
  const DistributeCase& c = GetParam();
  std::vector<Style> styles(c.items.size());
  std::vector<flex::Item> items;
  for (std::size_t i = 0; i < c.items.size(); ++i) {
    const ItemCase& wanted = c.items[i];
    styles[i].flex_grow = wanted.grow;
    styles[i].flex_shrink = wanted.shrink;
    flex::Item item;
    item.style = &styles[i];
    item.basis = wanted.basis;
    item.min = wanted.min;
    item.max = wanted.max;
    item.outer = wanted.outer;
    item.size = clamp_f(wanted.basis, wanted.min, wanted.max);
    items.push_back(item);
  }
  flex::distribute(items, c.available);
  std::vector<float> sizes;
  for (const flex::Item& item : items) sizes.push_back(item.size);
  EXPECT_EQ(sizes, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DistributeTest,
    ::testing::Values(
        DistributeCase{"GrowInProportionToGrowFactors", {{1, 1, 100}, {1, 1, 100}, {2, 1, 100}}, 600, {175, 175, 250}},
        DistributeCase{"ShrinkEvenly", {{0, 1, 400}, {0, 1, 400}}, 600, {300, 300}},
        DistributeCase{"ShrinkInProportionToShrinkTimesBasis", {{0, 1, 400}, {0, 3, 400}}, 600, {350, 250}},
        DistributeCase{"MaximumFreezesAndTheOthersShareTheRest",
                       {{1, 1, 0, 0, 150}, {1, 1, 0}, {1, 1, 0}},
                       600,
                       {150, 225, 225}},
        DistributeCase{"GrowFactorsBelowOneTakeOnlyTheirPart", {{0.25f, 1, 0}, {0.25f, 1, 0}}, 200, {50, 50}},
        DistributeCase{"ShrinkFactorsBelowOneTakeOnlyTheirPart",
                       {{0, 0.25f, 200}, {0, 0.25f, 200}},
                       300,
                       {175, 175}},
        DistributeCase{"MinimumFreezesWhileShrinking", {{0, 1, 200, 180}, {0, 1, 200}}, 300, {180, 120}},
        DistributeCase{"OuterWidthsTakeTheirSpaceFirst",
                       {{1, 1, 100, 0, kUnlimitedWidth, 50}, {1, 1, 100, 0, kUnlimitedWidth, 50}},
                       400,
                       {150, 150}},
        DistributeCase{"ZeroGrowKeepsItsSize", {{0, 1, 100}, {1, 1, 100}}, 400, {100, 300}},
        DistributeCase{"ZeroShrinkOverflows", {{0, 0, 400}, {0, 1, 400}}, 600, {400, 200}},
        DistributeCase{"ClampedAgainstShrinkingStaysAtItsMinimum", {{0, 1, 50, 100}, {0, 1, 300}}, 300, {100, 200}},
        DistributeCase{"ClampedAgainstGrowingStaysAtItsMaximum", {{1, 1, 200, 0, 100}, {1, 1, 0}}, 400, {100, 300}},
        DistributeCase{"SeveralMaximaFreezeInOnePass",
                       {{1, 1, 0, 0, 10}, {1, 1, 0, 0, 20}, {1, 1, 0, 0, 30}, {1, 1, 0}},
                       400,
                       {10, 20, 30, 340}},
        DistributeCase{"NothingFlexibleKeepsTheHypotheticalSizes",
                       {{0, 0, 500, 0, 300}, {0, 0, 100, 150}},
                       200,
                       {300, 150}},
        DistributeCase{"ExactFitNeitherGrowsNorShrinks", {{1, 1, 100}, {1, 1, 100}}, 200, {100, 100}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DistributeTest, ALongLineWhereEveryPassFreezesOneItemStillResolvesEveryItem) {
  // Maxima that each violate only after the previous item froze: a line that
  // needs many passes, each freezing the one item it overfills.
  constexpr std::size_t kItems = 64;
  std::vector<Style> styles(kItems);
  std::vector<flex::Item> items(kItems);
  float limit = 1;
  for (std::size_t i = 0; i < kItems; ++i) {
    styles[i].flex_grow = 1;
    items[i].style = &styles[i];
    items[i].max = i + 1 == kItems ? kUnlimitedWidth : limit;
    limit = limit * 1.5f;
  }
  flex::distribute(items, 100'000);
  float total = 0;
  for (std::size_t i = 0; i < kItems; ++i) {
    EXPECT_GE(items[i].size, items[i].min) << i;
    EXPECT_LE(items[i].size, items[i].max) << i;
    total = total + items[i].size;
  }
  EXPECT_NEAR(total, 100'000, 1);
}

// ---- intrinsic sizing and flex containers ----

class FlexContextTest : public ::testing::Test {
 protected:
  Context& make() {
    context.emplace(tree.document, tree.styled, measurer, images, 800);
    return *context;
  }
  LayoutResult<Scene> run() { return layout_with_images(tree.document, tree.styled, measurer, images, 800); }

  // A chain of divs below the parent, the last one at the given depth; returns it.
  kivo_dom::NodeId chain(kivo_dom::NodeId parent, std::size_t parent_depth, std::size_t last_depth) {
    kivo_dom::NodeId node = parent;
    for (std::size_t depth = parent_depth + 1; depth <= last_depth; ++depth) node = tree.element(node, "div");
    return node;
  }

  StyledTree tree;
  FixedWidthMeasurer measurer;
  ImageTable images;
  std::optional<Context> context;
};

TEST_F(FlexContextTest, ATextIsAsNarrowAsItsWidestWordAndAsWideAsAllItsWords) {
  const auto wide = tree.text(tree.root(), "  ab\tcdef  ");
  const auto single = tree.text(tree.root(), "xyz");
  Context& c = make();
  auto widths = c.intrinsic(wide, 1);
  ASSERT_TRUE(widths.ok()) << widths.error().message;
  EXPECT_EQ(widths.value().minimum, 32);
  EXPECT_EQ(widths.value().maximum, 56);
  // The space is measured first, also for a text of a single word.
  auto one = c.intrinsic(single, 1);
  ASSERT_TRUE(one.ok());
  EXPECT_EQ(one.value().minimum, 24);
  EXPECT_EQ(one.value().maximum, 24);
  EXPECT_EQ(measurer.requests, (std::vector<std::string>{" ", "ab", "cdef", " ", "xyz"}));
}

TEST_F(FlexContextTest, BlockChildrenEndTheRunOfInlineContent) {
  const auto div = tree.element(tree.root(), "div");
  tree.style(div).padding = {0, 1, 0, 3};
  tree.text(div, "ab");
  const auto span = tree.element(div, "span");
  tree.style(span).display = Display::Inline;
  tree.text(span, "cd");
  const auto block = tree.element(div, "div");
  tree.style(block).margin = {0, 100, 0, 100};  // margins do not count outside a flex row
  tree.text(block, "efg");
  tree.text(div, "x");
  auto widths = make().intrinsic(div, 1);
  ASSERT_TRUE(widths.ok()) << widths.error().message;
  // The run "ab" + "cd" (32) is wider than the block (24) and the last run (8).
  EXPECT_EQ(widths.value().minimum, 4 + 24);
  EXPECT_EQ(widths.value().maximum, 4 + 32);
}

struct RowIntrinsicCase {
  const char* name;
  kivo_style::FlexWrap wrap;
  std::optional<Length> width;
  float minimum;
  float maximum;
};

void PrintTo(const RowIntrinsicCase& c, std::ostream* out) { *out << c.name; }

class RowIntrinsicTest : public FlexContextTest, public ::testing::WithParamInterface<RowIntrinsicCase> {};

TEST_P(RowIntrinsicTest, AFlexRowAddsItsChildrenWithTheirMarginsAndGaps) {
  const RowIntrinsicCase& c = GetParam();
  const auto row = tree.element(tree.root(), "div");
  Style& s = tree.style(row);
  s.display = Display::Flex;
  s.flex_wrap = c.wrap;
  s.gap = {50, 10};
  s.border_width = 2;
  s.width = c.width;
  const auto first = tree.element(row, "div");
  tree.style(first).margin = {0, 3, 0, 4};
  tree.text(first, "abc def");  // 24 / 56
  tree.text(row, " \xC2\xA0 ");   // white space only, no-break space included: not counted
  const auto hidden = tree.element(row, "div");
  tree.style(hidden).display = Display::None;
  tree.text(hidden, "never measured");
  tree.text(row, "gh");  // 16 / 16
  auto widths = make().intrinsic(row, 1);
  ASSERT_TRUE(widths.ok()) << widths.error().message;
  EXPECT_EQ(widths.value().minimum, c.minimum);
  EXPECT_EQ(widths.value().maximum, c.maximum);
  for (const std::string& request : measurer.requests) EXPECT_NE(request, "never");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RowIntrinsicTest,
    ::testing::Values(
        // Minimum 7 + 24 + 10 + 16, maximum 7 + 56 + 10 + 16, both plus the border of 4.
        RowIntrinsicCase{"NoWrapAddsMinima", kivo_style::FlexWrap::NoWrap, std::nullopt, 61, 93},
        RowIntrinsicCase{"WrapTakesTheWidestMinimum", kivo_style::FlexWrap::Wrap, std::nullopt, 35, 93},
        RowIntrinsicCase{"PixelWidthReplacesTheMaximum", kivo_style::FlexWrap::NoWrap, Length::px(200), 61, 204},
        RowIntrinsicCase{"PercentWidthLeavesIt", kivo_style::FlexWrap::NoWrap, Length::percent(50), 61, 93}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FlexContextTest, AnImageIsAsWideAsItsWidthAttributeWhenInRangeElseItsNaturalWidth) {
  const auto sized = tree.element(tree.root(), "img", {{"width", "0"}});
  const auto too_wide = tree.element(tree.root(), "img", {{"width", "8192.5"}});
  const auto plain = tree.element(tree.root(), "img");
  for (const auto img : {sized, too_wide, plain}) {
    tree.style(img).padding = {0, 9, 0, 9};  // style extras play no part
    images.emplace(img, ImageSize{1, 400, 200});
  }
  Context& c = make();
  EXPECT_EQ(c.intrinsic(sized, 1).value().maximum, 0);
  EXPECT_EQ(c.intrinsic(too_wide, 1).value().maximum, 400);
  EXPECT_EQ(c.intrinsic(plain, 1).value().minimum, 400);
}

TEST_F(FlexContextTest, AFlexItemReachingDepth129FailsBeforeItIsLaidOut) {
  const auto container = tree.element(tree.root(), "div");
  tree.style(container).display = Display::Flex;
  const auto deepest = chain(container, 1, 128);
  auto fits = run();
  ASSERT_TRUE(fits.ok()) << fits.error().message;

  tree.text(deepest, "deep");  // depth 129
  auto refused = run();
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message, "intrinsic layout depth limit exceeded");
  EXPECT_TRUE(measurer.requests.empty());
}

TEST_F(FlexContextTest, ItemsAreMeasuredBeforeTheyAreLaidOut) {
  const auto container = tree.element(tree.root(), "div");
  tree.style(container).display = Display::Flex;
  tree.text(container, "ab cd");
  auto scene = run();
  ASSERT_TRUE(scene.ok()) << scene.error().message;
  EXPECT_EQ(measurer.requests, (std::vector<std::string>{" ", "ab", "cd", "ab", "cd", " "}));
}

TEST_F(FlexContextTest, FiveHundredTwelveItemsLayOutAndTheNextOneFails) {
  const auto container = tree.element(tree.root(), "div");
  tree.style(container).display = Display::Flex;
  tree.style(container).flex_wrap = kivo_style::FlexWrap::Wrap;
  for (std::size_t i = 0; i < kMaxFlexItems; ++i) tree.style(tree.element(container, "i")).width = Length::px(10);
  auto scene = run();
  ASSERT_TRUE(scene.ok()) << scene.error().message;
  EXPECT_EQ(scene.value().paints.size(), 2 + kMaxFlexItems);
  // 80 items of 10 px fit on each 800 px line.
  EXPECT_EQ(scene.value().paints.back().rect, (Rect{310, 0, 10, 0}));

  tree.element(container, "i");
  auto refused = run();
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message, "flex item budget exceeded");
}

TEST_F(FlexContextTest, AMissingItemFails) {
  const auto container = tree.element(tree.root(), "div");
  Context& c = make();
  // An id of another document that has a style in this one.
  const kivo_dom::NodeId foreign{tree.document.id + 1, 1};
  tree.styled.styles.emplace(foreign, Style{});
  const kivo_dom::NodeId children[] = {foreign};
  auto result = c.flex_children(children, tree.style(container), 2, std::nullopt, 0, 0, 100);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().message, "missing flex item");
}

// ---- translate ----

TEST_F(FlexContextTest, TranslateMovesTheSubtreesBoundsAndTheAnchorsItOwns) {
  const auto item = tree.element(tree.root(), "div");
  const auto inner = tree.element(item, "p", {{"id", "mine"}});
  const auto copy = tree.element(item, "p", {{"id", "theirs"}});
  const auto other = tree.element(tree.root(), "div", {{"id", "theirs"}});
  Context& c = make();
  c.anchor(inner, "mine", 10);
  c.anchor(other, "theirs", 20);
  c.scene.bounds[item] = Rect{0, 10, 5, 5};
  c.scene.bounds[inner] = Rect{0, 12, 5, 5};
  c.scene.bounds[other] = Rect{0, 20, 5, 5};
  ASSERT_TRUE(c.push(Paint::box(Rect{0, 10, 5, 5}, 0, 0, 0, 0)).ok());
  ASSERT_TRUE(c.push(Paint::box(Rect{0, 20, 5, 5}, 0, 0, 0, 0)).ok());
  (void)copy;

  ASSERT_TRUE(c.translate(item, 0, 1, 7.5f).ok());
  EXPECT_EQ(c.scene.paints[0].rect.y, 17.5f);
  EXPECT_EQ(c.scene.paints[1].rect.y, 20);
  EXPECT_EQ(c.scene.bounds[item].y, 17.5f);
  EXPECT_EQ(c.scene.bounds[inner].y, 19.5f);
  EXPECT_EQ(c.scene.bounds[other].y, 20);
  EXPECT_EQ(c.scene.anchors.at("mine"), 17.5f);
  // The subtree holds an element named "theirs" too, but the anchor belongs to another node.
  EXPECT_EQ(c.scene.anchors.at("theirs"), 20);
  EXPECT_EQ(c.scene.height, 22.5f);
}

TEST_F(FlexContextTest, TranslateByZeroStillRaisesThePageToItsPaints) {
  const auto item = tree.element(tree.root(), "div");
  Context& c = make();
  ASSERT_TRUE(c.push(Paint::box(Rect{790, 100, 30, 50}, 0, 0, 0, 0)).ok());
  ASSERT_TRUE(c.translate(item, 0, 1, 0).ok());
  EXPECT_EQ(c.scene.width, 820);
  EXPECT_EQ(c.scene.height, 150);

  c.scene.paints[0].rect.height = 200'000;
  auto refused = c.translate(item, 0, 1, 0);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message, "document height limit exceeded");
}

TEST_F(FlexContextTest, AStretchedBoxThatEndsBelowTheHeightLimitFails) {
  // A single line as tall as its container's fixed height: the stretched box
  // itself crosses the limit before the container's own check.
  const auto container = tree.element(tree.root(), "div");
  tree.style(container).display = Display::Flex;
  tree.style(container).height = 250'000.0f;
  tree.element(container, "div");
  auto refused = run();
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().message, "document height limit exceeded");
}

}  // namespace
}  // namespace kivo_layout
