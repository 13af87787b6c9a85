#include "pages/page_symbols.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "kit/kit_icons.h"

namespace PageSymbols {
namespace {

const QStringList& ownNames() {
  static const QStringList names{
      QStringLiteral("magnifyingglass"),   QStringLiteral("arrow.right"),    QStringLiteral("eye.slash"),
      QStringLiteral("folder"),            QStringLiteral("lock"),           QStringLiteral("clock"),
      QStringLiteral("globe"),             QStringLiteral("clock.arrow.circlepath"),
      QStringLiteral("arrow.down.circle"), QStringLiteral("arrow.down.doc"), QStringLiteral("checkmark.circle"),
      QStringLiteral("checkmark.circle.fill"), QStringLiteral("circle")};
  return names;
}

// Draws on a 16 x 16 grid scaled into `square`.
void drawOwn(QPainter& p, const QString& name, const QRectF& square, const QColor& color) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.translate(square.topLeft());
  p.scale(square.width() / 16.0, square.height() / 16.0);
  QPen pen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  const auto checkmark = [&p](QPointF offset, double scale) {
    QPainterPath tick;
    tick.moveTo(offset + QPointF(-3.0, 0.2) * scale);
    tick.lineTo(offset + QPointF(-0.8, 2.5) * scale);
    tick.lineTo(offset + QPointF(3.2, -2.4) * scale);
    p.drawPath(tick);
  };
  if (name == QLatin1String("magnifyingglass")) {
    p.drawEllipse(QPointF(6.8, 6.8), 4.6, 4.6);
    p.drawLine(QPointF(10.2, 10.2), QPointF(14.2, 14.2));
  } else if (name == QLatin1String("arrow.right")) {
    p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
    p.drawPolyline(QPolygonF{QPointF(9, 3.5), QPointF(13.5, 8), QPointF(9, 12.5)});
  } else if (name == QLatin1String("eye.slash")) {
    QPainterPath eye;
    eye.moveTo(1.5, 8);
    eye.quadTo(8, 1.5, 14.5, 8);
    eye.quadTo(8, 14.5, 1.5, 8);
    p.drawPath(eye);
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
    p.drawLine(QPointF(2.5, 2.5), QPointF(13.5, 13.5));
  } else if (name == QLatin1String("folder")) {
    QPainterPath folder;
    folder.moveTo(1.8, 4);
    folder.lineTo(6, 4);
    folder.lineTo(7.4, 5.5);
    folder.lineTo(14.2, 5.5);
    folder.lineTo(14.2, 13);
    folder.lineTo(1.8, 13);
    folder.closeSubpath();
    p.drawPath(folder);
  } else if (name == QLatin1String("lock")) {
    p.drawRoundedRect(QRectF(3, 7.2, 10, 7), 1.5, 1.5);
    QPainterPath shackle;
    shackle.moveTo(5.2, 7.2);
    shackle.lineTo(5.2, 5);
    shackle.arcTo(QRectF(5.2, 2.2, 5.6, 5.6), 180, -180);
    shackle.lineTo(10.8, 7.2);
    p.drawPath(shackle);
  } else if (name == QLatin1String("clock")) {
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    p.drawPolyline(QPolygonF{QPointF(8, 4.3), QPointF(8, 8), QPointF(10.6, 9.6)});
  } else if (name == QLatin1String("clock.arrow.circlepath")) {
    p.drawArc(QRectF(1.7, 1.7, 12.6, 12.6), 200 * 16, -300 * 16);
    p.drawPolyline(QPolygonF{QPointF(0.8, 5.4), QPointF(2.2, 7.6), QPointF(4.4, 6.0)});
    p.drawPolyline(QPolygonF{QPointF(8, 4.8), QPointF(8, 8), QPointF(10.3, 9.4)});
  } else if (name == QLatin1String("globe")) {
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    p.drawEllipse(QPointF(8, 8), 2.8, 6.3);
    p.drawLine(QPointF(1.7, 8), QPointF(14.3, 8));
  } else if (name == QLatin1String("arrow.down.circle")) {
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    p.drawLine(QPointF(8, 4.5), QPointF(8, 11.2));
    p.drawPolyline(QPolygonF{QPointF(5.3, 8.6), QPointF(8, 11.3), QPointF(10.7, 8.6)});
  } else if (name == QLatin1String("arrow.down.doc")) {
    QPainterPath doc;
    doc.moveTo(3.2, 1.5);
    doc.lineTo(9.5, 1.5);
    doc.lineTo(12.8, 4.8);
    doc.lineTo(12.8, 14.5);
    doc.lineTo(3.2, 14.5);
    doc.closeSubpath();
    p.drawPath(doc);
    p.drawLine(QPointF(8, 5.5), QPointF(8, 11.2));
    p.drawPolyline(QPolygonF{QPointF(5.8, 9), QPointF(8, 11.2), QPointF(10.2, 9)});
  } else if (name == QLatin1String("checkmark.circle")) {
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    checkmark(QPointF(8, 8), 1.0);
  } else if (name == QLatin1String("checkmark.circle.fill")) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(8, 8), 7, 7);
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    checkmark(QPointF(8, 8), 1.0);
  } else if (name == QLatin1String("circle")) {
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
  }
  p.restore();
}

}  // namespace

bool exists(const QString& name) { return ownNames().contains(name) || KitIcons::exists(name); }

void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color) {
  const double side = std::min(rect.width(), rect.height());
  if (side <= 0) return;
  const QRectF square(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
  if (ownNames().contains(name)) {
    drawOwn(painter, name, square, color);
  } else {
    KitIcons::paint(painter, name, square, color);
  }
}

}  // namespace PageSymbols
