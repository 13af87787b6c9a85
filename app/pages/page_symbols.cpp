#include "pages/page_symbols.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <QPainterPathStroker>
#include <QtMath>

#include <algorithm>
#include <cmath>

#include "kit/kit_icons.h"

namespace PageSymbols {
namespace {

// A sheet of paper with its top-right corner folded, on the 16-unit grid.
QPainterPath documentOutline() {
  QPainterPath doc;
  doc.moveTo(3.2, 1.5);
  doc.lineTo(9.5, 1.5);
  doc.lineTo(12.8, 4.8);
  doc.lineTo(12.8, 14.5);
  doc.lineTo(3.2, 14.5);
  doc.closeSubpath();
  return doc;
}

const QStringList& ownNames() {
  static const QStringList names{
      QStringLiteral("magnifyingglass"),   QStringLiteral("arrow.right"),    QStringLiteral("eye.slash"),
      QStringLiteral("folder"),            QStringLiteral("lock"),           QStringLiteral("clock"),
      QStringLiteral("globe"),             QStringLiteral("clock.arrow.circlepath"),
      QStringLiteral("arrow.down.circle"), QStringLiteral("arrow.down.doc"), QStringLiteral("checkmark.circle"),
      QStringLiteral("checkmark.circle.fill"), QStringLiteral("circle"),
      // The window's commands, its chrome and its popover menus.
      QStringLiteral("square.and.arrow.down"), QStringLiteral("macwindow.badge.plus"),
      QStringLiteral("rectangle.portrait.and.arrow.right"), QStringLiteral("plus"),
      QStringLiteral("arrow.uturn.backward"), QStringLiteral("text.cursor"), QStringLiteral("arrow.left"),
      QStringLiteral("arrow.clockwise"), QStringLiteral("arrow.clockwise.circle"), QStringLiteral("chevron.left"),
      QStringLiteral("chevron.right"), QStringLiteral("chevron.left.forwardslash.chevron.right"),
      QStringLiteral("arrow.up.left.and.arrow.down.right"), QStringLiteral("exclamationmark.triangle"),
      QStringLiteral("doc.text"), QStringLiteral("house"), QStringLiteral("ellipsis"),
      QStringLiteral("eye.slash.fill"), QStringLiteral("square.on.square"),
      QStringLiteral("circle.lefthalf.filled"), QStringLiteral("gearshape"), QStringLiteral("xmark.circle")};
  return names;
}

// The area a 1.5-wide round stroke of `path` covers, for drawings that cut
// one outline out of another.
QPainterPath strokeArea(const QPainterPath& path) {
  QPainterPathStroker stroker;
  stroker.setWidth(1.5);
  stroker.setCapStyle(Qt::RoundCap);
  stroker.setJoinStyle(Qt::RoundJoin);
  return stroker.createStroke(path);
}

// `path` less `cut`. Boolean operations flatten curves with a fixed
// tolerance that is far too coarse on a 16-point grid, so they run on the
// paths scaled up, with overlapping parts merged first.
QPainterPath minus(const QPainterPath& path, const QPainterPath& cut) {
  const QTransform up = QTransform::fromScale(64, 64);
  const QPainterPath result = up.map(path).simplified().subtracted(up.map(cut).simplified());
  return up.inverted().map(result);
}

// A point on the circle around `centre` at `degrees` (counter-clockwise
// from three o'clock, as QPainter counts arcs).
QPointF onCircle(QPointF centre, double radius, double degrees) {
  const double radians = qDegreesToRadians(degrees);
  return centre + QPointF(radius * std::cos(radians), -radius * std::sin(radians));
}

// An open arrow head whose tip is `tip`, pointing along `direction`.
QPolygonF arrowHead(QPointF tip, QPointF direction, double size) {
  const double length = std::hypot(direction.x(), direction.y());
  const QPointF along = direction / length;
  const QPointF across(-along.y(), along.x());
  return {tip - along * size + across * size, tip, tip - along * size - across * size};
}

// A clockwise arrow on a circle open near the top, its head at the top.
void clockwiseArrow(QPainter& p, QPointF centre, double radius, double head) {
  const double start = 40;
  const double end = 112;
  p.drawArc(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), int(start * 16),
            int(-(360 - (end - start)) * 16));
  // Moving clockwise, the tangent at an angle points this way on screen.
  const double radians = qDegreesToRadians(end);
  p.drawPolyline(arrowHead(onCircle(centre, radius, end), QPointF(std::sin(radians), std::cos(radians)), head));
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
    p.drawPath(documentOutline());
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
  } else if (name == QLatin1String("square.and.arrow.down")) {
    p.drawPolyline(QPolygonF{QPointF(5.2, 6.2), QPointF(3, 6.2), QPointF(3, 14.2), QPointF(13, 14.2),
                             QPointF(13, 6.2), QPointF(10.8, 6.2)});
    p.drawLine(QPointF(8, 1.8), QPointF(8, 10.4));
    p.drawPolyline(arrowHead(QPointF(8, 10.6), QPointF(0, 1), 2.7));
  } else if (name == QLatin1String("macwindow.badge.plus")) {
    // The window, cut open around the badge in its corner.
    QPainterPath window;
    window.addRoundedRect(QRectF(1.5, 2.5, 11.5, 9.5), 1.8, 1.8);
    window.moveTo(1.5, 5.4);
    window.lineTo(13, 5.4);
    QPainterPath badge;
    badge.addEllipse(QPointF(12.6, 11.8), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(minus(strokeArea(window), badge));
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(12.6, 9.3), QPointF(12.6, 14.3));
    p.drawLine(QPointF(10.1, 11.8), QPointF(15.1, 11.8));
  } else if (name == QLatin1String("rectangle.portrait.and.arrow.right")) {
    // The card, open on the right where the arrow leaves it.
    QPainterPath card;
    card.addRoundedRect(QRectF(2, 1.8, 8, 12.4), 1.8, 1.8);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    QPainterPath gap;
    gap.addRect(QRectF(8.5, 5.6, 3, 4.8));
    p.drawPath(minus(strokeArea(card), gap));
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(5.6, 8), QPointF(14.6, 8));
    p.drawPolyline(arrowHead(QPointF(14.6, 8), QPointF(1, 0), 2.7));
  } else if (name == QLatin1String("plus")) {
    p.drawLine(QPointF(8, 2.5), QPointF(8, 13.5));
    p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
  } else if (name == QLatin1String("arrow.uturn.backward")) {
    QPainterPath turn;
    turn.moveTo(3, 5.5);
    turn.lineTo(9.8, 5.5);
    turn.arcTo(QRectF(6.3, 5.5, 7, 7), 90, -180);
    turn.lineTo(6, 12.5);
    p.drawPath(turn);
    p.drawPolyline(arrowHead(QPointF(3, 5.5), QPointF(-1, 0), 2.8));
  } else if (name == QLatin1String("text.cursor")) {
    p.drawLine(QPointF(8, 3), QPointF(8, 13));
    p.drawPolyline(QPolygonF{QPointF(5.2, 2), QPointF(6.6, 2), QPointF(8, 3), QPointF(9.4, 2), QPointF(10.8, 2)});
    p.drawPolyline(QPolygonF{QPointF(5.2, 14), QPointF(6.6, 14), QPointF(8, 13), QPointF(9.4, 14), QPointF(10.8, 14)});
  } else if (name == QLatin1String("arrow.left")) {
    p.drawLine(QPointF(2.5, 8), QPointF(13.5, 8));
    p.drawPolyline(QPolygonF{QPointF(7, 3.5), QPointF(2.5, 8), QPointF(7, 12.5)});
  } else if (name == QLatin1String("arrow.clockwise")) {
    clockwiseArrow(p, QPointF(8, 8.6), 5.6, 2.4);
  } else if (name == QLatin1String("arrow.clockwise.circle")) {
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    p.setPen(QPen(color, 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    clockwiseArrow(p, QPointF(8, 8.3), 3.3, 1.7);
  } else if (name == QLatin1String("chevron.left")) {
    p.drawPolyline(QPolygonF{QPointF(10.2, 2.8), QPointF(5, 8), QPointF(10.2, 13.2)});
  } else if (name == QLatin1String("chevron.right")) {
    p.drawPolyline(QPolygonF{QPointF(5.8, 2.8), QPointF(11, 8), QPointF(5.8, 13.2)});
  } else if (name == QLatin1String("chevron.left.forwardslash.chevron.right")) {
    p.drawPolyline(QPolygonF{QPointF(4.8, 4.4), QPointF(1.2, 8), QPointF(4.8, 11.6)});
    p.drawPolyline(QPolygonF{QPointF(11.2, 4.4), QPointF(14.8, 8), QPointF(11.2, 11.6)});
    p.drawLine(QPointF(9.3, 2.8), QPointF(6.7, 13.2));
  } else if (name == QLatin1String("arrow.up.left.and.arrow.down.right")) {
    p.drawLine(QPointF(3, 3), QPointF(13, 13));
    p.drawPolyline(QPolygonF{QPointF(3, 7.6), QPointF(3, 3), QPointF(7.6, 3)});
    p.drawPolyline(QPolygonF{QPointF(8.4, 13), QPointF(13, 13), QPointF(13, 8.4)});
  } else if (name == QLatin1String("exclamationmark.triangle")) {
    p.drawPolygon(QPolygonF{QPointF(8, 1.8), QPointF(14.8, 13.8), QPointF(1.2, 13.8)});
    p.drawLine(QPointF(8, 6.2), QPointF(8, 9.3));
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(8, 11.6), 0.95, 0.95);
  } else if (name == QLatin1String("doc.text")) {
    p.drawPath(documentOutline());
    p.drawLine(QPointF(5.6, 7.4), QPointF(10.4, 7.4));
    p.drawLine(QPointF(5.6, 9.8), QPointF(10.4, 9.8));
    p.drawLine(QPointF(5.6, 12.2), QPointF(8.6, 12.2));
  } else if (name == QLatin1String("house")) {
    p.drawPolyline(QPolygonF{QPointF(1.6, 8.2), QPointF(8, 2.2), QPointF(14.4, 8.2)});
    p.drawPolyline(QPolygonF{QPointF(3.6, 6.5), QPointF(3.6, 14), QPointF(12.4, 14), QPointF(12.4, 6.5)});
    p.drawPolyline(QPolygonF{QPointF(6.6, 14), QPointF(6.6, 10.2), QPointF(9.4, 10.2), QPointF(9.4, 14)});
  } else if (name == QLatin1String("ellipsis")) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    for (double x : {3.2, 8.0, 12.8}) p.drawEllipse(QPointF(x, 8), 1.25, 1.25);
  } else if (name == QLatin1String("eye.slash.fill")) {
    // A filled eye with a band along the slash cleared out of it, so the
    // slash stands apart on any background. The eye is drawn on a layer of
    // its own, at the device's resolution, for the clearing.
    const double ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const int pixels = std::max(1, int(std::ceil(square.width() * ratio)));
    QImage layer(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
      QPainter eye(&layer);
      eye.setRenderHint(QPainter::Antialiasing);
      eye.scale(pixels / 16.0, pixels / 16.0);
      QPainterPath lids;
      lids.moveTo(1, 8);
      lids.quadTo(8, 0.8, 15, 8);
      lids.quadTo(8, 15.2, 1, 8);
      lids.addEllipse(QPointF(8, 8), 2.6, 2.6);
      lids.setFillRule(Qt::OddEvenFill);
      eye.setPen(Qt::NoPen);
      eye.setBrush(color);
      eye.drawPath(lids);
      eye.drawEllipse(QPointF(8, 8), 1.3, 1.3);
      eye.setCompositionMode(QPainter::CompositionMode_Clear);
      eye.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
      eye.drawLine(QPointF(2.2, 2.2), QPointF(13.8, 13.8));
      eye.setCompositionMode(QPainter::CompositionMode_SourceOver);
      eye.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap));
      eye.drawLine(QPointF(2.2, 2.2), QPointF(13.8, 13.8));
    }
    p.drawImage(QRectF(0, 0, 16, 16), layer);
  } else if (name == QLatin1String("square.on.square")) {
    // The back square shows only where the front one does not cover it.
    const QRectF front(1.8, 5, 9.2, 9.2);
    QPainterPath back;
    back.addRoundedRect(QRectF(5, 1.8, 9.2, 9.2), 2, 2);
    QPainterPath cover;
    cover.addRoundedRect(front.adjusted(-1.6, -1.6, 1.6, 1.6), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(minus(strokeArea(back), cover));
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(front, 2, 2);
  } else if (name == QLatin1String("circle.lefthalf.filled")) {
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPie(QRectF(1.7, 1.7, 12.6, 12.6), 90 * 16, 180 * 16);
  } else if (name == QLatin1String("gearshape")) {
    // Eight flat teeth around a ring, with the hub open.
    QPolygonF gear;
    for (int tooth = 0; tooth < 8; ++tooth) {
      const double middle = tooth * 45.0;
      gear << onCircle(QPointF(8, 8), 5.0, middle - 16) << onCircle(QPointF(8, 8), 6.7, middle - 9)
           << onCircle(QPointF(8, 8), 6.7, middle + 9) << onCircle(QPointF(8, 8), 5.0, middle + 16);
    }
    p.drawPolygon(gear);
    p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
  } else if (name == QLatin1String("xmark.circle")) {
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    p.drawLine(QPointF(5.7, 5.7), QPointF(10.3, 10.3));
    p.drawLine(QPointF(10.3, 5.7), QPointF(5.7, 10.3));
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
