// Window placement as pure functions over Qt's screen coordinates (y grows
// downwards).
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace WindowGeometry {

// The top-left corner of a new window cascaded `offset` right of and below
// `previous`, kept inside `area`.
QPoint cascadeOrigin(const QRect& previous, const QSize& size, const QRect& area, int offset);

// A window of `size` placed with its left edge 160 left of `point` and its
// top edge 20 above it, shrunk to and kept inside `area`.
QRect placeNear(QPoint point, const QSize& size, const QRect& area);

}  // namespace WindowGeometry
