#include "pages/devtools_symbols.h"

#include <QPainterPath>
#include <QPen>

#include <algorithm>

#include "kit/kit_icons.h"

namespace {

// The drawings are laid out on a 20 x 20 grid and scaled into the square
// centred in the target rectangle, so every symbol keeps its proportions.
constexpr double kGrid = 20;

QPainterPath chevronRight() {
  QPainterPath path;
  path.moveTo(7, 3.5);
  path.lineTo(13.5, 10);
  path.lineTo(7, 16.5);
  return path;
}

QPainterPath codeBrackets() {
  QPainterPath path;
  path.moveTo(6, 5);
  path.lineTo(1, 10);
  path.lineTo(6, 15);
  path.moveTo(14, 5);
  path.lineTo(19, 10);
  path.lineTo(14, 15);
  path.moveTo(11.5, 3.5);
  path.lineTo(8.5, 16.5);
  return path;
}

QPainterPath crossInCircle() {
  QPainterPath path;
  path.addEllipse(QPointF(10, 10), 8.5, 8.5);
  path.moveTo(7, 7);
  path.lineTo(13, 13);
  path.moveTo(13, 7);
  path.lineTo(7, 13);
  return path;
}

QPainterPath warningTriangle() {
  QPainterPath path;
  path.moveTo(10, 2);
  path.lineTo(18.8, 17.5);
  path.lineTo(1.2, 17.5);
  path.closeSubpath();
  path.moveTo(10, 7.5);
  path.lineTo(10, 12);
  return path;
}

bool drawnHere(const QString& name) {
  return name == QLatin1String("chevron.right") || name == QLatin1String("chevron.left.forwardslash.chevron.right") ||
         name == QLatin1String("xmark.circle") || name == QLatin1String("exclamationmark.triangle");
}

}  // namespace

namespace DevToolsSymbols {

bool exists(const QString& name) {
  return drawnHere(name) || KitIcons::exists(name);
}

void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color) {
  if (!drawnHere(name)) {
    KitIcons::paint(painter, name, rect, color);
    return;
  }
  const double side = std::min(rect.width(), rect.height());
  if (side <= 0) return;
  QPainterPath path;
  if (name == QLatin1String("chevron.right")) path = chevronRight();
  else if (name == QLatin1String("xmark.circle")) path = crossInCircle();
  else if (name == QLatin1String("exclamationmark.triangle")) path = warningTriangle();
  else path = codeBrackets();

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
  painter.scale(side / kGrid, side / kGrid);
  QPen pen(color, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  pen.setCosmetic(false);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(path);
  if (name == QLatin1String("exclamationmark.triangle")) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QPointF(10, 14.9), 1.1, 1.1);
  }
  painter.restore();
}

}  // namespace DevToolsSymbols
