#include "chrome/tab_strip_geometry.h"

#include <algorithm>
#include <cmath>

namespace TabStripGeometry {

double cellWidth(double stripWidth, int count) {
  const int n = std::max(count, 1);
  const double share = (stripWidth - kGap * double(n - 1)) / double(n);
  return std::min(std::max(share, kMinimumCellWidth), kMaximumCellWidth);
}

QRectF slot(double cellWidth, int index) {
  return QRectF((cellWidth + kGap) * double(index), kCellTop, cellWidth, kCellHeight);
}

double contentWidth(double cellWidth, int count) {
  if (count <= 0) return 0;
  return (cellWidth + kGap) * double(count) - kGap;
}

double canvasWidth(double stripWidth, double cellWidth, int count) {
  return std::max(stripWidth, contentWidth(cellWidth, count));
}

double clampOffset(double offset, double canvas, double visible) {
  const double largest = std::max(canvas - visible, 0.0);
  return std::min(std::max(offset, 0.0), largest);
}

int insertionIndex(double x, double offset, double cellWidth, int count) {
  const double index = std::floor((x + offset + cellWidth * 0.5) / (cellWidth + kGap));
  return int(std::clamp(index, 0.0, double(std::max(count, 0))));
}

double insertionScrollStep(double x, double stripWidth) {
  if (x < kInsertionScrollZone) return -kInsertionScrollStep;
  if (x > stripWidth - kInsertionScrollZone) return kInsertionScrollStep;
  return 0;
}

int liveTarget(double left, double cellWidth, int count) {
  // std::round rounds halves away from zero, as the live order wants.
  const double target = std::round(left / (cellWidth + kGap));
  return int(std::clamp(target, 0.0, double(std::max(count - 1, 0))));
}

double draggedLeft(double pointerX, double offset, double grabOffset, double canvas, double cellWidth) {
  const double left = pointerX + offset - grabOffset;
  return std::clamp(left, 0.0, std::max(canvas - cellWidth, 0.0));
}

double autoScrollStep(double x, double stripWidth) {
  if (x < kAutoScrollZone) return -std::min((kAutoScrollZone - x) * kAutoScrollRate, kAutoScrollMaximumStep);
  if (x > stripWidth - kAutoScrollZone)
    return std::min((x - (stripWidth - kAutoScrollZone)) * kAutoScrollRate, kAutoScrollMaximumStep);
  return 0;
}

bool passesDragThreshold(double dx, double dy) { return std::hypot(dx, dy) >= kDragThreshold; }

bool insideTearOffBand(double stripY, double stripHeight, double windowX, double windowWidth) {
  return stripY >= -kTearOffVertical && stripY <= stripHeight + kTearOffVertical && windowX >= -kTearOffHorizontal &&
         windowX <= windowWidth + kTearOffHorizontal;
}

double dropMarkerX(double cellWidth, int index, double canvas) {
  return std::min(std::max((cellWidth + kGap) * double(index) - 2, 1.0), std::max(canvas - kMarkerWidth, 1.0));
}

std::optional<double> revealOffset(double slotX, double cellWidth, double offset, double visibleWidth) {
  if (slotX < offset) return slotX;
  if (offset + visibleWidth < slotX + cellWidth) return slotX + cellWidth - visibleWidth;
  return std::nullopt;
}

double wheelScroll(double deltaX, double deltaY, bool precise) {
  const double delta = std::abs(deltaX) > std::abs(deltaY) ? deltaX : deltaY;
  return delta * (precise ? 1 : kWheelLineStep);
}

QPointF closeOrigin(double cellWidth) { return QPointF(cellWidth - 29, 5); }

QEasingCurve slideCurve() {
  QEasingCurve curve(QEasingCurve::BezierSpline);
  curve.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
  return curve;
}

}  // namespace TabStripGeometry
