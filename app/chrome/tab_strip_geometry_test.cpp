#include "chrome/tab_strip_geometry.h"

#include <gtest/gtest.h>

namespace {

using namespace TabStripGeometry;

TEST(TabStripGeometryTest, CellsShareTheStripBetweenTheirLimits) {
  struct Case {
    double strip;
    int count;
    double width;
  };
  for (const Case& c : {Case{1000, 1, 194}, Case{150, 1, 150}, Case{100, 1, 132}, Case{0, 1, 132},
                        Case{1000, 10, 132}, Case{594, 3, 194}, Case{500, 3, 164}, Case{404, 3, 132},
                        Case{400, 3, 132}}) {
    EXPECT_DOUBLE_EQ(cellWidth(c.strip, c.count), c.width) << c.count << " tabs in " << c.strip;
  }
}

TEST(TabStripGeometryTest, SlotsContentAndCanvas) {
  EXPECT_EQ(slot(132, 0), QRectF(0, 6, 132, 32));
  EXPECT_EQ(slot(132, 3), QRectF(408, 6, 132, 32));
  EXPECT_DOUBLE_EQ(contentWidth(132, 10), 1356);
  EXPECT_DOUBLE_EQ(contentWidth(194, 1), 194);
  EXPECT_DOUBLE_EQ(contentWidth(194, 0), 0);
  EXPECT_DOUBLE_EQ(canvasWidth(1000, 132, 10), 1356);
  EXPECT_DOUBLE_EQ(canvasWidth(1000, 194, 2), 1000);
  // One tab in a strip 100 wide scrolls by up to 32; ten in 1,000 by 356.
  EXPECT_DOUBLE_EQ(clampOffset(1000, canvasWidth(100, 132, 1), 100), 32);
  EXPECT_DOUBLE_EQ(clampOffset(1000, 1356, 1000), 356);
  EXPECT_DOUBLE_EQ(clampOffset(-5, 1356, 1000), 0);
  EXPECT_DOUBLE_EQ(clampOffset(20, 600, 1000), 0);
}

TEST(TabStripGeometryTest, InsertionIndexCountsGapsFromThePointer) {
  struct Case {
    double x;
    double offset;
    int index;
  };
  // Three cells 132 wide: the index steps where x passes a cell's centre
  // plus 4 points (70, 206, 342).
  for (const Case& c : {Case{0, 0, 0}, Case{65, 0, 0}, Case{69.9, 0, 0}, Case{70, 0, 1}, Case{205, 0, 1},
                        Case{206, 0, 2}, Case{342, 0, 3}, Case{2000, 0, 3}, Case{-50, 0, 0}, Case{20, 50, 1},
                        Case{0, 272, 2}}) {
    EXPECT_EQ(insertionIndex(c.x, c.offset, 132, 3), c.index) << "x " << c.x << " offset " << c.offset;
  }
  EXPECT_EQ(insertionIndex(500, 0, 132, 0), 0);
}

TEST(TabStripGeometryTest, InsertionScrollsNineNearEitherEnd) {
  for (const auto& [x, step] : {std::pair{10.0, -9.0}, {27.9, -9.0}, {28.0, 0.0}, {300.0, 0.0}, {572.0, 0.0},
                                {572.1, 9.0}, {700.0, 9.0}}) {
    EXPECT_DOUBLE_EQ(insertionScrollStep(x, 600), step) << x;
  }
}

TEST(TabStripGeometryTest, LiveTargetRoundsHalvesAwayFromZero) {
  struct Case {
    double left;
    int target;
  };
  // Cells 132 wide, slots 136 apart: 70/136 = 0.51 and 68/136 = 0.5 both
  // move to 1, 67 stays at 0.
  for (const Case& c : {Case{0, 0}, Case{67, 0}, Case{68, 1}, Case{70, 1}, Case{203, 1}, Case{204, 2},
                        Case{5000, 2}, Case{-80, 0}}) {
    EXPECT_EQ(liveTarget(c.left, 132, 3), c.target) << c.left;
  }
  EXPECT_EQ(liveTarget(400, 132, 1), 0);
}

TEST(TabStripGeometryTest, DraggedCellFollowsThePointerInsideTheCanvas) {
  EXPECT_DOUBLE_EQ(draggedLeft(90, 0, 20, 600, 132), 70);
  EXPECT_DOUBLE_EQ(draggedLeft(90, 100, 20, 600, 132), 170);
  EXPECT_DOUBLE_EQ(draggedLeft(5, 0, 20, 600, 132), 0);
  EXPECT_DOUBLE_EQ(draggedLeft(900, 0, 20, 600, 132), 468);
  EXPECT_DOUBLE_EQ(draggedLeft(900, 0, 20, 100, 132), 0);
}

TEST(TabStripGeometryTest, AutoScrollGrowsTowardTheEdgesUpToFourteen) {
  struct Case {
    double x;
    double step;
  };
  // A strip 600 wide: the zones are x < 36 and x > 564.
  for (const Case& c : {Case{36, 0}, Case{300, 0}, Case{564, 0}, Case{594, 12}, Case{30, -2.4}, Case{0, -14},
                        Case{-100, -14}, Case{600, 14}, Case{900, 14}, Case{1, -14}, Case{2, -13.6}}) {
    EXPECT_NEAR(autoScrollStep(c.x, 600), c.step, 1e-9) << c.x;
  }
}

TEST(TabStripGeometryTest, DragThresholdIsFivePointsAway) {
  EXPECT_FALSE(passesDragThreshold(0, 0));
  EXPECT_FALSE(passesDragThreshold(4.9, 0));
  EXPECT_TRUE(passesDragThreshold(5, 0));
  EXPECT_TRUE(passesDragThreshold(0, -5));
  EXPECT_TRUE(passesDragThreshold(3, 4));
  EXPECT_FALSE(passesDragThreshold(3, 3.9));
}

TEST(TabStripGeometryTest, TearOffBandIncludesItsEdges) {
  struct Case {
    double y;
    double windowX;
    bool inside;
  };
  // A strip 38 high in a window 800 wide.
  for (const Case& c : {Case{10, 100, true}, Case{-35, 100, true}, Case{-35.5, 100, false}, Case{73, 100, true},
                        Case{73.5, 100, false}, Case{10, -45, true}, Case{10, -46, false}, Case{10, 845, true},
                        Case{10, 846, false}, Case{-40, -60, false}}) {
    EXPECT_EQ(insideTearOffBand(c.y, 38, c.windowX, 800), c.inside) << c.y << ", " << c.windowX;
  }
}

TEST(TabStripGeometryTest, DropMarkerStaysInsideTheCanvas) {
  EXPECT_DOUBLE_EQ(dropMarkerX(132, 0, 1000), 1);
  EXPECT_DOUBLE_EQ(dropMarkerX(132, 1, 1000), 134);
  EXPECT_DOUBLE_EQ(dropMarkerX(132, 3, 1000), 406);
  EXPECT_DOUBLE_EQ(dropMarkerX(132, 10, 1356), 1353);
  EXPECT_DOUBLE_EQ(dropMarkerX(132, 99, 1356), 1353);
  EXPECT_DOUBLE_EQ(dropMarkerX(132, -4, 1356), 1);
  EXPECT_DOUBLE_EQ(dropMarkerX(132, 3, 2), 1);
}

TEST(TabStripGeometryTest, RevealScrollsJustFarEnough) {
  // Strip 600 wide, cells 132: the tenth slot starts at 1224.
  EXPECT_EQ(revealOffset(1224, 132, 0, 600), std::optional<double>(756));
  EXPECT_EQ(revealOffset(0, 132, 300, 600), std::optional<double>(0));
  EXPECT_EQ(revealOffset(272, 132, 100, 600), std::nullopt);
  EXPECT_EQ(revealOffset(568, 132, 100, 600), std::nullopt) << "its right edge meets the strip's";
  EXPECT_EQ(revealOffset(569, 132, 100, 600), std::optional<double>(101));
}

TEST(TabStripGeometryTest, WheelPrefersTheLargerDeltaAndScalesNotches) {
  struct Case {
    double dx;
    double dy;
    bool precise;
    double scroll;
  };
  for (const Case& c : {Case{0, 1, false, 24}, Case{0, -1, false, -24}, Case{3, 1, false, 72},
                        Case{2, -2, false, -48}, Case{0.5, 2, false, 48}, Case{-30, 4, true, -30},
                        Case{0, 7, true, 7}}) {
    EXPECT_DOUBLE_EQ(wheelScroll(c.dx, c.dy, c.precise), c.scroll) << c.dx << ", " << c.dy;
  }
}

}  // namespace
