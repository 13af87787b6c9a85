#include "frame/window_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace WindowGeometry {

namespace {

// `start` moved so that a span of `length` from it lies inside
// [low, low + room); `length` is at most `room`.
int clampStart(int start, int length, int low, int room) { return std::min(std::max(start, low), low + room - length); }

}  // namespace

bool matches(const QRect& a, const QRect& b) {
  auto near = [](int x, int y) { return std::abs(x - y) < kMatchTolerance; };
  return near(a.x(), b.x()) && near(a.y(), b.y()) && near(a.width(), b.width()) && near(a.height(), b.height());
}

QRect restoreFrame(const QRect& restored, const QRect& visible) {
  int width = std::min(visible.width(), restored.width());
  int height = std::min(visible.height(), restored.height());
  int x = clampStart(restored.x(), width, visible.x(), visible.width());
  int y = clampStart(restored.y(), height, visible.y(), visible.height());
  return QRect(x, y, width, height);
}

ZoomStep zoom(const QRect& current, const std::optional<QRect>& restored, const std::optional<QRect>& maximized,
              const QRect& visible) {
  if (restored && maximized && matches(current, *maximized)) return {restoreFrame(*restored, visible), {}, {}};
  return {visible, current, visible};
}

QPoint cascadeOrigin(const QRect& last, const QSize& size, const QRect& visible, int offset) {
  int x = std::max(last.x() + offset, visible.x());
  int y = std::max(last.y() + offset, visible.y());
  bool pastRight = x + size.width() > visible.x() + visible.width();
  bool pastBottom = y + size.height() > visible.y() + visible.height();
  if (pastRight || pastBottom) return visible.topLeft();
  return QPoint(x, y);
}

QRect placeNear(QPoint point, const QSize& size, const QRect& visible) {
  int width = std::min(visible.width(), size.width());
  int height = std::min(visible.height(), size.height());
  int x = clampStart(point.x() - kNearLeftOffset, width, visible.x(), visible.width());
  int y = clampStart(point.y() - kNearTopOffset, height, visible.y(), visible.height());
  return QRect(x, y, width, height);
}

Qt::Edges resizeEdges(const QSize& size, const QPoint& position) {
  if (!QRect(QPoint(0, 0), size).contains(position)) return {};
  Qt::Edges edges;
  if (position.x() < kResizeMargin) edges |= Qt::LeftEdge;
  if (position.x() >= size.width() - kResizeMargin) edges |= Qt::RightEdge;
  if (position.y() < kResizeMargin) edges |= Qt::TopEdge;
  if (position.y() >= size.height() - kResizeMargin) edges |= Qt::BottomEdge;
  // A window narrower or lower than two margins has no inside: keep the
  // edge the position is nearer to.
  if (edges.testFlags(Qt::LeftEdge | Qt::RightEdge))
    edges &= ~(position.x() * 2 < size.width() ? Qt::Edges(Qt::RightEdge) : Qt::Edges(Qt::LeftEdge));
  if (edges.testFlags(Qt::TopEdge | Qt::BottomEdge))
    edges &= ~(position.y() * 2 < size.height() ? Qt::Edges(Qt::BottomEdge) : Qt::Edges(Qt::TopEdge));
  return edges;
}

Qt::CursorShape resizeCursor(Qt::Edges edges) {
  bool left = edges.testFlag(Qt::LeftEdge), right = edges.testFlag(Qt::RightEdge);
  bool top = edges.testFlag(Qt::TopEdge), bottom = edges.testFlag(Qt::BottomEdge);
  if ((left && top) || (right && bottom)) return Qt::SizeFDiagCursor;
  if ((right && top) || (left && bottom)) return Qt::SizeBDiagCursor;
  if (left || right) return Qt::SizeHorCursor;
  if (top || bottom) return Qt::SizeVerCursor;
  return Qt::ArrowCursor;
}

}  // namespace WindowGeometry
