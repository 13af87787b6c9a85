#include "layout/grid.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "layout/layout.h"
#include "layout/layout_test_support.h"

namespace kivo_layout {
namespace {

using kivo_style::Track;

struct TrackCase {
  const char* name;
  std::vector<Track> tracks;
  float width;
  float gap;
  std::vector<float> expected;
};

void PrintTo(const TrackCase& c, std::ostream* out) { *out << c.name; }

class TrackWidthTest : public ::testing::TestWithParam<TrackCase> {};

TEST_P(TrackWidthTest, SizesEveryTrack) {
  const TrackCase& c = GetParam();
  EXPECT_EQ(grid::track_widths(c.tracks, c.width, c.gap), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tracks, TrackWidthTest,
    ::testing::Values(
        TrackCase{"PixelsThenFractionsOfTheRest", {Track::px(100), Track::fr(1), Track::fr(2)}, 430, 15, {100, 100, 200}},
        TrackCase{"FractionsBelowOneLeaveSpaceEmpty", {Track::fr(0.5f), Track::fr(0.25f)}, 400, 0, {200, 100}},
        TrackCase{"FractionsAboveOneShareAll", {Track::fr(1.5f), Track::fr(0.5f)}, 400, 0, {300, 100}},
        TrackCase{"PixelTracksAreNeverShrunk", {Track::px(300), Track::fr(1), Track::px(200)}, 400, 10, {300, 0, 200}},
        TrackCase{"GapsWiderThanTheBoxLeaveFractionsNothing", {Track::fr(1), Track::fr(1)}, 10, 20, {0, 0}},
        TrackCase{"ZeroFractionIsEmpty", {Track::fr(0), Track::fr(1)}, 300, 0, {0, 300}},
        TrackCase{"OneFractionFillsTheBox", {Track::fr(1)}, 123.5f, 40, {123.5f}},
        TrackCase{"TwelveTracks", std::vector<Track>(12, Track::fr(1)), 1220, 10, std::vector<float>(12, 92.5f)}),
    [](const auto& info) { return std::string(info.param.name); });

class GridContextTest : public ::testing::Test {
 protected:
  LayoutResult<Scene> run() { return layout_with_images(tree.document, tree.styled, measurer, images, 800); }

  testing::StyledTree tree;
  testing::FixedWidthMeasurer measurer;
  ImageTable images;
};

struct TrackCountCase {
  const char* name;
  std::size_t tracks;
  bool with_children;
  bool accepted;
};

void PrintTo(const TrackCountCase& c, std::ostream* out) { *out << c.name; }

class TrackCountTest : public GridContextTest, public ::testing::WithParamInterface<TrackCountCase> {};

TEST_P(TrackCountTest, OnlyOneToTwelveTracksLayOut) {
  const TrackCountCase& c = GetParam();
  const auto grid = tree.element(tree.root(), "div");
  tree.style(grid).display = kivo_style::Display::Grid;
  tree.style(grid).grid_template_columns = std::vector<Track>(c.tracks, Track::fr(1));
  if (c.with_children) tree.element(grid, "div");
  auto scene = run();
  ASSERT_EQ(scene.ok(), c.accepted);
  if (!c.accepted) {
    EXPECT_EQ(scene.error().message, "grid track budget exceeded");
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, TrackCountTest,
                         ::testing::Values(TrackCountCase{"None", 0, true, false},
                                           TrackCountCase{"One", 1, true, true},
                                           TrackCountCase{"Twelve", 12, true, true},
                                           TrackCountCase{"Thirteen", 13, true, false},
                                           TrackCountCase{"ThirteenWithoutChildren", 13, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridContextTest, ItemsAreNotMeasuredBeforeLayout) {
  const auto grid = tree.element(tree.root(), "div");
  tree.style(grid).display = kivo_style::Display::Grid;
  tree.text(grid, "ab cd");
  auto scene = run();
  ASSERT_TRUE(scene.ok()) << scene.error().message;
  EXPECT_EQ(measurer.requests, (std::vector<std::string>{"ab", "cd", " "}));
}

TEST_F(GridContextTest, AMissingItemFails) {
  const auto grid = tree.element(tree.root(), "div");
  Context context(tree.document, tree.styled, measurer, images, 800);
  const kivo_dom::NodeId foreign{tree.document.id + 1, 1};
  tree.styled.styles.emplace(foreign, kivo_style::Style{});
  const kivo_dom::NodeId children[] = {foreign};
  auto result = context.grid_children(children, tree.style(grid), 2, std::nullopt, 0, 0, 100);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().message, "missing grid item");
}

}  // namespace
}  // namespace kivo_layout
