#include "kit/page_controls.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "kit/focus_ring.h"
#include "kit/kit_fonts.h"
#include "kit/kit_symbols.h"
#include "kit/preferences_theme.h"

PageButton::PageButton(std::shared_ptr<BrowserPreferences> preferences, const QString& text, const QString& symbol,
                       double points, QFont::Weight weight, QWidget* parent)
    : KivoButton(PreferencesTheme::of(preferences), parent), m_labelFont(KitFonts::system(points, weight)) {
  setText(text);
  setLabelFont(m_labelFont);
  if (!symbol.isEmpty()) setPageSymbol(symbol, points);
  setToolTipDuration(-1);
}

void PageButton::setPageSymbol(const QString& name, double points) {
  m_symbol = name;
  m_symbolPoints = points;
  updateGeometry();
  update();
}

void PageButton::setBackground(Shape shape, double radius, PageColor fill, PageColor outline) {
  m_shape = shape;
  m_radius = radius;
  m_fill = std::move(fill);
  m_outline = std::move(outline);
  // The keyboard's ring follows the shape.
  if (shape == Shape::Capsule) focusRing()->setRadius(FocusRing::kCapsule);
  else if (shape == Shape::Rounded) focusRing()->setRadius(radius);
  update();
}

QSize PageButton::labelSize() const {
  // Two points of slack: integer advances round fractional widths down.
  return measuredLabel(m_labelFont, m_symbol.isEmpty() ? 0 : m_symbolPoints, text(), 2);
}

void PageButton::paintLabel(QPainter& painter, const QRectF& rect) {
  const QColor ink = m_ink ? m_ink() : foreground();
  const QSize label = labelSize();
  double x = rect.left();
  if (m_alignment & Qt::AlignHCenter) x = rect.center().x() - label.width() / 2.0;
  if (text().isEmpty()) x = rect.center().x() - label.width() / 2.0;
  if (!m_symbol.isEmpty()) {
    const QRectF symbolRect(x, rect.center().y() - m_symbolPoints / 2, m_symbolPoints, m_symbolPoints);
    KitSymbols::paint(painter, m_symbol, symbolRect, m_symbolInk ? m_symbolInk() : ink);
    x += m_symbolPoints + kSymbolGap;
  }
  if (!text().isEmpty()) {
    painter.setFont(m_labelFont);
    painter.setPen(ink);
    const QFontMetrics metrics(m_labelFont);
    const QRectF textRect(x, rect.top(), std::max(0.0, rect.right() - x), rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text(), Qt::ElideRight, int(std::ceil(textRect.width()))));
  }
}

void PageButton::paintEvent(QPaintEvent* event) {
  if (m_shape != Shape::None && m_fill) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = m_shape == Shape::Capsule ? frame.height() / 2 : m_radius;
    QPainterPath shape;
    shape.addRoundedRect(frame, radius, radius);
    painter.fillPath(shape, m_fill());
    if (m_outline) painter.strokePath(shape, QPen(m_outline(), 1));
  }
  KivoButton::paintEvent(event);
}

PageSymbol::PageSymbol(const QString& name, double points, PageColor color, QWidget* parent)
    : QWidget(parent), m_name(name), m_points(points), m_color(std::move(color)) {
  setFixedSize(sizeHint());
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PageSymbol::setName(const QString& name) {
  m_name = name;
  update();
}

QSize PageSymbol::sizeHint() const {
  const int side = int(std::ceil(m_points));
  return QSize(side, side);
}

void PageSymbol::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  KitSymbols::paint(painter, m_name, rect(), m_color());
}

PageText::PageText(const QString& text, const QFont& font, PageColor color, QWidget* parent)
    : QLabel(text, parent), m_color(std::move(color)) {
  setFont(font);
}

void PageText::paintEvent(QPaintEvent* event) {
  QPalette palette = this->palette();
  const QColor color = m_color();
  if (palette.color(QPalette::WindowText) != color) {
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    setPalette(palette);
  }
  QLabel::paintEvent(event);
}
