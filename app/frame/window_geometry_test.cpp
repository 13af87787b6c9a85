#include "frame/window_geometry.h"

#include <gtest/gtest.h>

#include <vector>

#include "frame/window_test_support.h"

namespace {

using WindowGeometry::cascadeOrigin;
using WindowGeometry::placeNear;
using WindowGeometry::resizeCursor;
using WindowGeometry::resizeEdges;
using WindowGeometry::restoreFrame;

// A screen of 1440 x 900 with a 25-point panel on top and a 60-point dock at
// the bottom; the second screen lies to its right and starts lower.
const QRect kVisible(0, 25, 1440, 815);
const QRect kRightVisible(1440, 100, 1280, 700);

TEST(WindowGeometry, MatchesWithinLessThanTwoPointsOnEachMeasure) {
  const QRect base(100, 200, 800, 600);
  struct Case {
    QRect other;
    bool matches;
  };
  const std::vector<Case> cases = {
      {base, true},
      {QRect(101, 199, 801, 599), true},
      {QRect(102, 200, 800, 600), false},
      {QRect(100, 198, 800, 600), false},
      {QRect(100, 200, 802, 600), false},
      {QRect(100, 200, 800, 598), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WindowGeometry::matches(c.other, base), c.matches) << testing::PrintToString(c.other);
    EXPECT_EQ(WindowGeometry::matches(base, c.other), c.matches) << testing::PrintToString(c.other);
  }
}

TEST(WindowGeometry, RestoreFrameFitsTheRememberedFrameIntoTheVisibleArea) {
  struct Case {
    const char* what;
    QRect restored;
    QRect visible;
    QRect expected;
  };
  const std::vector<Case> cases = {
      {"inside stays", QRect(100, 100, 900, 600), kVisible, QRect(100, 100, 900, 600)},
      {"above the panel moves down", QRect(100, 0, 900, 600), kVisible, QRect(100, 25, 900, 600)},
      {"past the dock moves up", QRect(100, 500, 900, 600), kVisible, QRect(100, 240, 900, 600)},
      {"past the right edge moves left", QRect(1000, 100, 900, 600), kVisible, QRect(540, 100, 900, 600)},
      {"left of the screen moves right", QRect(-300, 100, 900, 600), kVisible, QRect(0, 100, 900, 600)},
      {"larger than the screen shrinks", QRect(50, 10, 2000, 1200), kVisible, QRect(0, 25, 1440, 815)},
      {"onto a smaller screen shrinks and moves", QRect(200, 50, 1400, 850), kRightVisible,
       QRect(1440, 100, 1280, 700)},
      {"onto a smaller screen keeps what fits", QRect(1500, 150, 1000, 500), kRightVisible,
       QRect(1500, 150, 1000, 500)},
  };
  for (const auto& c : cases) EXPECT_EQ(restoreFrame(c.restored, c.visible), c.expected) << c.what;
}

TEST(WindowGeometry, ZoomMaximisesUnlessTheFrameStillMatchesTheLastMaximise) {
  const QRect before(200, 150, 1000, 600);
  auto maximise = WindowGeometry::zoom(before, std::nullopt, std::nullopt, kVisible);
  EXPECT_EQ(maximise.frame, kVisible);
  EXPECT_EQ(maximise.restored, before);
  EXPECT_EQ(maximise.maximized, kVisible);

  // Moved by one point: still counts as maximised, so the toggle restores.
  auto restore = WindowGeometry::zoom(kVisible.translated(1, 1), maximise.restored, maximise.maximized, kVisible);
  EXPECT_EQ(restore.frame, before);
  EXPECT_FALSE(restore.restored);
  EXPECT_FALSE(restore.maximized);

  // Moved by two points: maximises again and remembers the moved frame.
  const QRect moved = kVisible.translated(2, 0);
  auto again = WindowGeometry::zoom(moved, maximise.restored, maximise.maximized, kVisible);
  EXPECT_EQ(again.frame, kVisible);
  EXPECT_EQ(again.restored, moved);

  // Only one remembered frame: nothing to restore to.
  auto half = WindowGeometry::zoom(kVisible, std::nullopt, kVisible, kVisible);
  EXPECT_EQ(half.frame, kVisible);
  EXPECT_EQ(half.restored, kVisible);
}

TEST(WindowGeometry, CascadeMovesRightAndDownAndStartsOverAtTheEdges) {
  const QSize size(1200, 600);
  struct Case {
    const char* what;
    QRect last;
    QPoint expected;
  };
  const std::vector<Case> cases = {
      {"28 right and 28 down", QRect(100, 100, 1200, 600), QPoint(128, 128)},
      {"from a window above the panel", QRect(10, -40, 1200, 600), QPoint(38, 25)},
      {"from a window left of the screen", QRect(-200, 100, 1200, 600), QPoint(0, 128)},
      {"reaching past the right edge", QRect(220, 100, 1200, 600), QPoint(0, 25)},
      {"reaching past the bottom", QRect(100, 220, 1200, 600), QPoint(0, 25)},
      {"just fitting", QRect(212, 212, 1200, 600), QPoint(240, 240)},
  };
  for (const auto& c : cases) EXPECT_EQ(cascadeOrigin(c.last, size, kVisible), c.expected) << c.what;
  // A window larger than the screen always starts at its top-left corner.
  EXPECT_EQ(cascadeOrigin(QRect(1440, 100, 1200, 600), QSize(1500, 600), kRightVisible), QPoint(1440, 100));
}

TEST(WindowGeometry, PlaceNearPutsTheTopLeftAboveAndLeftOfThePointInsideTheVisibleArea) {
  const QSize size(1200, 810);
  struct Case {
    const char* what;
    QPoint point;
    QSize size;
    QRect visible;
    QRect expected;
  };
  const std::vector<Case> cases = {
      {"left 160, top 20 above", QPoint(400, 200), QSize(900, 600), kVisible, QRect(240, 180, 900, 600)},
      {"near the top-left corner", QPoint(50, 30), QSize(900, 600), kVisible, QRect(0, 25, 900, 600)},
      {"near the bottom-right corner", QPoint(1400, 880), QSize(900, 600), kVisible, QRect(540, 240, 900, 600)},
      {"taller than the visible area shrinks", QPoint(400, 300), QSize(1200, 900), kVisible, QRect(240, 25, 1200, 815)},
      {"on the second screen", QPoint(1600, 120), size, kRightVisible, QRect(1440, 100, 1200, 700)},
      {"larger than the second screen", QPoint(2000, 400), QSize(1500, 900), kRightVisible, kRightVisible},
  };
  for (const auto& c : cases) EXPECT_EQ(placeNear(c.point, c.size, c.visible), c.expected) << c.what;
}

TEST(WindowGeometry, ResizeEdgesAreTheFourPointsAlongEachSide) {
  const QSize size(600, 400);
  struct Case {
    QPoint position;
    Qt::Edges edges;
    Qt::CursorShape cursor;
  };
  const std::vector<Case> cases = {
      {QPoint(300, 200), {}, Qt::ArrowCursor},
      {QPoint(0, 200), Qt::LeftEdge, Qt::SizeHorCursor},
      {QPoint(3, 200), Qt::LeftEdge, Qt::SizeHorCursor},
      {QPoint(4, 200), {}, Qt::ArrowCursor},
      {QPoint(595, 200), {}, Qt::ArrowCursor},
      {QPoint(596, 200), Qt::RightEdge, Qt::SizeHorCursor},
      {QPoint(300, 0), Qt::TopEdge, Qt::SizeVerCursor},
      {QPoint(300, 399), Qt::BottomEdge, Qt::SizeVerCursor},
      {QPoint(1, 2), Qt::LeftEdge | Qt::TopEdge, Qt::SizeFDiagCursor},
      {QPoint(599, 399), Qt::RightEdge | Qt::BottomEdge, Qt::SizeFDiagCursor},
      {QPoint(598, 1), Qt::RightEdge | Qt::TopEdge, Qt::SizeBDiagCursor},
      {QPoint(2, 397), Qt::LeftEdge | Qt::BottomEdge, Qt::SizeBDiagCursor},
      {QPoint(-1, 200), {}, Qt::ArrowCursor},
      {QPoint(600, 200), {}, Qt::ArrowCursor},
  };
  for (const auto& c : cases) {
    Qt::Edges edges = resizeEdges(size, c.position);
    EXPECT_EQ(edges, c.edges) << testing::PrintToString(c.position);
    EXPECT_EQ(resizeCursor(edges), c.cursor) << testing::PrintToString(c.position);
  }
  // A window six points wide has no inside: each press resizes one side only.
  EXPECT_EQ(resizeEdges(QSize(6, 400), QPoint(2, 200)), Qt::Edges(Qt::LeftEdge));
  EXPECT_EQ(resizeEdges(QSize(6, 400), QPoint(4, 200)), Qt::Edges(Qt::RightEdge));
}

}  // namespace
