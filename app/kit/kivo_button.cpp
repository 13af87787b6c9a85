#include "kit/kivo_button.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "kit/focus_ring.h"
#include "kit/interaction_cursor.h"
#include "kit/key_activation.h"
#include "kit/kit_fonts.h"
#include "kit/kit_symbols.h"
#include "kit/palette.h"

namespace {
constexpr double kCornerRadius = 6;
}  // namespace

KivoButton::Feedback KivoButton::feedback(bool enabled, bool pressed, bool hovered, bool reduceMotion) {
  Feedback result;
  if (enabled && pressed) {
    result.fill = 0.12;
    result.opacity = 0.75;
    result.scale = reduceMotion ? 1 : 0.98;
  } else if (enabled && hovered) {
    result.fill = 0.065;
  }
  return result;
}

KivoButton::KivoButton(std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QAbstractButton(parent),
      m_theme(std::move(theme)),
      m_font(KitFonts::system(12)),
      m_animation({0, 1, 1, 0}, [this] { update(); }),
      m_focusRing(FocusRing::attach(this, m_theme, kCornerRadius)) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::TabFocus);
  InteractionCursor::handCursor(this);
  connect(this, &QAbstractButton::pressed, this, &KivoButton::refresh);
  connect(this, &QAbstractButton::released, this, &KivoButton::refresh);
  if (m_theme) {
    auto* theme = m_theme.get();
    connect(theme, &KitTheme::schemeChanged, this, qOverload<>(&QWidget::update));
    connect(theme, &KitTheme::accentChanged, this, qOverload<>(&QWidget::update));
  }
}

void KivoButton::setSymbol(const QString& name, double points) {
  m_symbol = name;
  m_symbolPoints = points;
  updateGeometry();
  update();
}

void KivoButton::setPadding(const QMargins& padding) {
  m_padding = padding;
  updateGeometry();
}

void KivoButton::setForeground(const std::optional<QColor>& color) {
  m_foreground = color;
  update();
}

void KivoButton::setLabelFont(const QFont& font) {
  m_font = font;
  updateGeometry();
}

void KivoButton::setFrameSize(const std::optional<QSize>& size) {
  m_frameSize = size;
  if (size) setFixedSize(*size);
  updateGeometry();
}

KivoButton::Feedback KivoButton::targetFeedback() const {
  return feedback(isEnabled(), isDown(), m_hoverInside, Motion::reduceMotion(m_theme.get()));
}

QColor KivoButton::foreground() const {
  return m_foreground ? *m_foreground : Palette::colors(m_theme.get()).ink;
}

QSize KivoButton::labelSize() const {
  return measuredLabel(m_font, m_symbol.isEmpty() ? 0 : m_symbolPoints, text());
}

QSize KivoButton::measuredLabel(const QFont& font, double symbolPoints, const QString& text, int slack) {
  QFontMetrics metrics(font);
  int width = int(std::ceil(symbolPoints));
  int height = width;
  if (!text.isEmpty()) {
    if (width) width += int(kSymbolGap);
    width += metrics.horizontalAdvance(text) + slack;
    height = std::max(height, metrics.height());
  }
  return QSize(width, height);
}

QSize KivoButton::sizeHint() const {
  if (m_frameSize) return *m_frameSize;
  QSize label = labelSize();
  return QSize(label.width() + m_padding.left() + m_padding.right(),
               label.height() + m_padding.top() + m_padding.bottom());
}

void KivoButton::paintLabel(QPainter& painter, const QRectF& rect) {
  QColor color = foreground();
  double x = rect.left();
  QSize label = labelSize();
  if (text().isEmpty()) x = rect.center().x() - label.width() / 2.0;
  if (!m_symbol.isEmpty()) {
    QRectF symbolRect(x, rect.center().y() - m_symbolPoints / 2, m_symbolPoints, m_symbolPoints);
    KitSymbols::paint(painter, m_symbol, symbolRect, color);
    x += m_symbolPoints + kSymbolGap;
  }
  if (!text().isEmpty()) {
    painter.setFont(m_font);
    painter.setPen(color);
    painter.drawText(QRectF(x, rect.top(), rect.right() - x, rect.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
  }
}

void KivoButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const auto& now = m_animation.current();
  QRectF frame = rect();
  QPointF centre = frame.center();
  painter.translate(centre);
  painter.scale(now[2], now[2]);
  painter.translate(-centre);
  painter.setOpacity(now[1]);
  if (now[0] > 0) {
    QPainterPath fill;
    fill.addRoundedRect(frame, kCornerRadius, kCornerRadius);
    painter.fillPath(fill, Palette::withOpacity(Palette::colors(m_theme.get()).primary, now[0]));
  }
  paintLabel(painter, frame.marginsRemoved(QMarginsF(m_padding)));
}

void KivoButton::enterEvent(QEnterEvent* event) {
  m_hoverInside = isEnabled();
  refresh();
  QAbstractButton::enterEvent(event);
}

void KivoButton::leaveEvent(QEvent* event) {
  m_hoverInside = false;
  refresh();
  QAbstractButton::leaveEvent(event);
}

void KivoButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) {
    if (!isEnabled()) m_hoverInside = false;
    refresh();
  }
  QAbstractButton::changeEvent(event);
}

void KivoButton::keyPressEvent(QKeyEvent* event) {
  // Space is the button's own (pressed on the key, clicked on its release);
  if (KeyActivation::clickOnReturn(*this, event)) return;
  QAbstractButton::keyPressEvent(event);
}

void KivoButton::refresh() {
  Feedback target = targetFeedback();
  m_animation.moveTo({target.fill, target.opacity, target.scale, 0}, Motion::reduceMotion(m_theme.get()));
}
