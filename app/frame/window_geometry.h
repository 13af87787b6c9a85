// The arithmetic of window placement, in Qt's screen coordinates (y grows
// downwards): maximising and restoring by our own rule, cascading new
// windows, placing a window near a point and finding the edges a press
// resizes. Pure functions of rectangles, so every rule is tested without a
// screen. A "visible" or "available" area is a screen's geometry less its
// panels and docks.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace WindowGeometry {

// Two frames count as the same when each of left, top, width and height
// differs by less than this many points.
inline constexpr int kMatchTolerance = 2;
// The offset of a cascaded window from the last active one, both ways.
inline constexpr int kCascadeOffset = 28;
// A window placed near a point has its left edge this far left of the point
// and its top edge this far above it.
inline constexpr int kNearLeftOffset = 160;
inline constexpr int kNearTopOffset = 20;
// Presses and hovers this close to an edge of the window resize it.
inline constexpr int kResizeMargin = 4;

// True when `a` and `b` agree within kMatchTolerance on left, top, width and
// height.
bool matches(const QRect& a, const QRect& b);

// `restored` fitted into `visible`: shrunk to at most the visible size, then
// moved just far enough to lie inside it.
QRect restoreFrame(const QRect& restored, const QRect& visible);

// What one maximise/restore toggle does to a window.
struct ZoomStep {
  QRect frame;                   // the frame to set
  std::optional<QRect> restored;  // the frame to remember for a restore
  std::optional<QRect> maximized; // the frame the maximise sets
};
// Restores when both remembered frames are set and `current` still matches
// `maximized`: the restored frame fitted into `visible`, nothing remembered
// afterwards. Otherwise maximises: the frame becomes `visible`, and
// `current` is remembered for the restore.
ZoomStep zoom(const QRect& current, const std::optional<QRect>& restored, const std::optional<QRect>& maximized,
              const QRect& visible);

// The top-left corner of a new window of `size` cascaded from the frame of
// the last active window: `offset` points right of and below its top-left
// corner, kept from starting left of or above `visible`; when the window
// would then reach past the right or bottom edge of `visible`, it starts
// over at the top-left corner of `visible`.
QPoint cascadeOrigin(const QRect& last, const QSize& size, const QRect& visible, int offset = kCascadeOffset);

// The frame of a window of `size` placed near `point`: left edge 160 points
// left of it, top edge 20 points above it, shrunk to fit `visible` and moved
// just far enough to lie inside it.
QRect placeNear(QPoint point, const QSize& size, const QRect& visible);

// The edges of a window of `size` that a press at `position` (window
// coordinates) would resize: those within kResizeMargin of it. None outside
// the window.
Qt::Edges resizeEdges(const QSize& size, const QPoint& position);
// The pointer shape over a resize zone: the diagonal arrows at the corners,
// the straight arrows along the sides, the arrow for no edge.
Qt::CursorShape resizeCursor(Qt::Edges edges);

}  // namespace WindowGeometry
