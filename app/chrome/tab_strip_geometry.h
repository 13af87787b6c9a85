// The tab strip's arithmetic, kept apart from the widgets: cell widths and
// slots, the scrollable width, the insertion index for a point, the live
// reorder target, the auto-scroll steps near the edges, the drag threshold
// and the tear-off band. Lengths are in points; x grows rightwards and y
// downwards. Pure functions.
#pragma once

#include <QEasingCurve>
#include <QPointF>
#include <QRectF>

#include <optional>

namespace TabStripGeometry {

inline constexpr double kGap = 4;
inline constexpr double kMinimumCellWidth = 132;
inline constexpr double kMaximumCellWidth = 194;
inline constexpr double kCellTop = 6;
inline constexpr double kCellHeight = 32;
// A press turns into a drag once the pointer is this far from it.
inline constexpr double kDragThreshold = 5;
// The zone at either end of the strip where a held drag scrolls the row.
inline constexpr double kAutoScrollZone = 36;
inline constexpr double kAutoScrollRate = 0.4;
inline constexpr double kAutoScrollMaximumStep = 14;
// The period of the auto-scroll timer while a drag is held: 1/60 s.
inline constexpr int kAutoScrollMilliseconds = 1000 / 60;
// A tab from another window scrolls the row by this much near the ends.
inline constexpr double kInsertionScrollZone = 28;
inline constexpr double kInsertionScrollStep = 9;
// How far above or below the strip, and beside the window, a dragged tab
// may go before it is torn off.
inline constexpr double kTearOffVertical = 35;
inline constexpr double kTearOffHorizontal = 45;
inline constexpr double kOutsideOpacity = 0.4;
// The drop marker's bar.
inline constexpr double kMarkerWidth = 3;
inline constexpr double kMarkerHeight = 30;
// A plain wheel notch scrolls this far; trackpads give exact pixels.
inline constexpr double kWheelLineStep = 24;
inline constexpr int kAnimationMilliseconds = 180;
// The side of a cell's close control.
inline constexpr double kCloseSide = 22;

// The width of every cell for `count` tabs in a strip `stripWidth` wide:
// the share of each, between 132 and 194.
double cellWidth(double stripWidth, int count);
// The slot of index `index` for cells `cellWidth` wide, in canvas
// coordinates.
QRectF slot(double cellWidth, int index);
// The width of `count` cells with their gaps (0 without cells).
double contentWidth(double cellWidth, int count);
// The canvas: at least as wide as the strip.
double canvasWidth(double stripWidth, double cellWidth, int count);
// `offset` kept between 0 and the largest offset of a canvas `canvas` wide
// seen through `visible` points.
double clampOffset(double offset, double canvas, double visible);

// The gap (0..count) before which a tab dropped at strip x `x` goes, with
// the row scrolled by `offset`.
int insertionIndex(double x, double offset, double cellWidth, int count);
// The scroll a tab from another window causes at strip x `x` in a strip
// `stripWidth` wide: -9 near the left end, +9 near the right one, else 0.
double insertionScrollStep(double x, double stripWidth);
// The slot a dragged cell whose left edge is at canvas x `left` takes:
// the nearest one (halves away from zero), within 0..count-1.
int liveTarget(double left, double cellWidth, int count);
// The left edge of the dragged cell: under the pointer, kept inside the
// canvas.
double draggedLeft(double pointerX, double offset, double grabOffset, double canvas, double cellWidth);
// One tick of edge scrolling for a pointer at strip x `x`; 0 away from the
// ends.
double autoScrollStep(double x, double stripWidth);
// Whether a move from the press by (dx, dy) starts a drag.
bool passesDragThreshold(double dx, double dy);
// Whether a pointer at strip y `stripY` and window x `windowX` is still
// inside the band around the strip (edges included).
bool insideTearOffBand(double stripY, double stripHeight, double windowX, double windowWidth);
// The bar's x before gap `index`, kept inside the canvas.
double dropMarkerX(double cellWidth, int index, double canvas);
// The offset that brings the slot at `slotX` (`cellWidth` wide) into view
// of a strip showing `visibleWidth` points from `offset`; none when it is
// already in view.
std::optional<double> revealOffset(double slotX, double cellWidth, double offset, double visibleWidth);
// Where the close control of a cell `cellWidth` wide sits in the cell.
QPointF closeOrigin(double cellWidth);
// The easing of sliding cells and of animated scrolls: ease in and out.
QEasingCurve slideCurve();
// How far one wheel event scrolls the row (subtracted from the offset):
// the horizontal delta when it is larger than the vertical one, else the
// vertical delta; times 24 for notches, times 1 for exact pixels.
double wheelScroll(double deltaX, double deltaY, bool precise);

}  // namespace TabStripGeometry
