#include "kit/kivo_symbol.h"

#include <QTransform>

namespace KivoSymbol {

QPainterPath path(const QRectF& rect) {
  // 1. Build the glyph on its 100 x 100 grid.
  QPainterPath glyph;
  glyph.moveTo(34, 15);
  glyph.lineTo(54, 15);
  glyph.cubicTo(76, 15, 90, 29, 90, 49);
  glyph.cubicTo(90, 69, 75, 83, 52, 83);
  glyph.lineTo(32, 83);
  glyph.lineTo(43, 65);
  glyph.lineTo(52, 65);
  glyph.cubicTo(64, 65, 72, 59, 72, 49);
  glyph.cubicTo(72, 39, 64, 33, 53, 33);
  glyph.lineTo(23, 33);
  glyph.closeSubpath();
  glyph.moveTo(27, 41);
  glyph.lineTo(48, 41);
  glyph.lineTo(24, 83);
  glyph.lineTo(6, 83);
  glyph.closeSubpath();

  // 2. The square's side is the shorter side of the rectangle.
  double side = rect.height() < rect.width() ? rect.height() : rect.width();
  double scale = side / 100.0;

  // 3. Scale the grid into that square, centred in the rectangle.
  QPointF centre = rect.center();
  QTransform transform(scale, 0, 0, scale, centre.x() - side * 0.5, centre.y() - side * 0.5);
  return transform.map(glyph);
}

}  // namespace KivoSymbol
