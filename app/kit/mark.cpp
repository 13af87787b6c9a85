#include "kit/mark.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "kit/kivo_symbol.h"
#include "kit/palette.h"

Mark::Mark(std::shared_ptr<KitTheme> theme, double size, QWidget* parent)
    : QWidget(parent), m_theme(std::move(theme)), m_size(size) {
  setFixedSize(sizeHint());
  setAttribute(Qt::WA_TranslucentBackground);
  if (m_theme) connect(m_theme.get(), &KitTheme::accentChanged, this, qOverload<>(&QWidget::update));
}

void Mark::setSize(double size) {
  m_size = size;
  setFixedSize(sizeHint());
  update();
}

QSize Mark::sizeHint() const {
  int side = int(std::ceil(m_size));
  return QSize(side, side);
}

void Mark::paintTile(QPainter& painter, const QPointF& origin, double size, const QColor& accent) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  QRectF tile(origin, QSizeF(size, size));
  QLinearGradient gradient(tile.topLeft(), tile.bottomRight());
  gradient.setColorAt(0, accent);
  gradient.setColorAt(1, Palette::withOpacity(accent, 0.75));
  QPainterPath rounded;
  rounded.addRoundedRect(tile, size * 0.29, size * 0.29);
  painter.fillPath(rounded, gradient);
  double inset = size * 0.1;
  QPainterPath glyph = KivoSymbol::path(tile.adjusted(inset, inset, -inset, -inset));
  glyph.setFillRule(Qt::WindingFill);
  painter.fillPath(glyph, Qt::white);
  painter.restore();
}

void Mark::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QPointF origin((width() - m_size) / 2, (height() - m_size) / 2);
  paintTile(painter, origin, m_size, Palette::accent(m_theme.get()));
}
