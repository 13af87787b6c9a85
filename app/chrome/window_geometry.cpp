#include "chrome/window_geometry.h"

#include <algorithm>

namespace WindowGeometry {

QPoint cascadeOrigin(const QRect& previous, const QSize& size, const QRect& area, int offset) {
  QPoint origin = previous.topLeft() + QPoint(offset, offset);
  if (origin.x() + size.width() > area.x() + area.width() || origin.y() + size.height() > area.y() + area.height()) {
    origin = area.topLeft();
  }
  return origin;
}

QRect placeNear(QPoint point, const QSize& size, const QRect& area) {
  const int width = std::min(area.width(), size.width());
  const int height = std::min(area.height(), size.height());
  const int x = std::min(std::max(point.x() - 160, area.x()), area.x() + area.width() - width);
  const int y = std::min(std::max(point.y() - 20, area.y()), area.y() + area.height() - height);
  return QRect(x, y, width, height);
}

}  // namespace WindowGeometry
