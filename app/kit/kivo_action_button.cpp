#include "kit/kivo_action_button.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "kit/focus_ring.h"
#include "kit/interaction_cursor.h"
#include "kit/key_activation.h"
#include "kit/kit_fonts.h"
#include "kit/palette.h"

namespace {

QColor brighter(const QColor& color, double amount) {
  if (amount <= 0) return color;
  QColor result = QColor::fromRgbF(static_cast<float>(std::min(1.0, color.redF() + amount)),
                                   static_cast<float>(std::min(1.0, color.greenF() + amount)),
                                   static_cast<float>(std::min(1.0, color.blueF() + amount)));
  result.setAlphaF(color.alphaF());
  return result;
}

}  // namespace

KivoActionButton::Feedback KivoActionButton::feedback(bool enabled, bool pressed, bool hovered, bool reduceMotion) {
  Feedback result;
  if (!enabled) {
    result.opacity = 0.45;
    return result;
  }
  if (hovered) result.brightness = 0.045;
  if (pressed) {
    result.opacity = 0.72;
    result.scale = reduceMotion ? 1 : 0.98;
  }
  return result;
}

KivoActionButton::KivoActionButton(const QString& title, KivoActionStyle style,
                                   std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QAbstractButton(parent),
      m_style(style),
      m_theme(std::move(theme)),
      m_animation({0, 1, 1, 0}, [this] { update(); }),
      m_focusRing(FocusRing::attach(this, m_theme, kCornerRadius)) {
  setText(title);
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::TabFocus);
  setFont(KitFonts::system(12, QFont::DemiBold));
  InteractionCursor::handCursor(this);
  connect(this, &QAbstractButton::pressed, this, &KivoActionButton::refresh);
  connect(this, &QAbstractButton::released, this, &KivoActionButton::refresh);
  if (m_theme) {
    auto* theme = m_theme.get();
    connect(theme, &KitTheme::schemeChanged, this, qOverload<>(&QWidget::update));
    connect(theme, &KitTheme::accentChanged, this, qOverload<>(&QWidget::update));
  }
}

QColor KivoActionButton::fillColor() const {
  if (!m_style.prominent) return Palette::colors(m_theme.get()).chrome;
  if (m_style.destructive) return Palette::destructive();
  return Palette::accent(m_theme.get());
}

QColor KivoActionButton::labelColor() const {
  return m_style.prominent ? QColor(Qt::white) : Palette::colors(m_theme.get()).ink;
}

KivoActionButton::Feedback KivoActionButton::targetFeedback() const {
  return feedback(isEnabled(), isDown(), m_hovered, Motion::reduceMotion(m_theme.get()));
}

QSize KivoActionButton::sizeHint() const {
  return QSize(fontMetrics().horizontalAdvance(text()) + 2 * kHorizontalInset, kHeight);
}

void KivoActionButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const auto& now = m_animation.current();
  QRectF frame = QRectF(rect());
  QPointF centre = frame.center();
  painter.save();
  painter.translate(centre);
  painter.scale(now[2], now[2]);
  painter.translate(-centre);
  painter.setOpacity(now[1]);
  QPainterPath shape;
  shape.addRoundedRect(frame, kCornerRadius, kCornerRadius);
  painter.fillPath(shape, brighter(fillColor(), now[0]));
  painter.setFont(font());
  painter.setPen(brighter(labelColor(), now[0]));
  painter.drawText(frame, Qt::AlignCenter, text());
  QPainterPath hairline;
  hairline.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
  painter.strokePath(hairline, QPen(Palette::colors(m_theme.get()).line, 1));
  painter.restore();
}

void KivoActionButton::enterEvent(QEnterEvent* event) {
  m_hovered = true;
  refresh();
  QAbstractButton::enterEvent(event);
}

void KivoActionButton::leaveEvent(QEvent* event) {
  m_hovered = false;
  refresh();
  QAbstractButton::leaveEvent(event);
}

void KivoActionButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) refresh();
  QAbstractButton::changeEvent(event);
}

void KivoActionButton::keyPressEvent(QKeyEvent* event) {
  if (KeyActivation::clickOnReturn(*this, event)) return;
  QAbstractButton::keyPressEvent(event);
}

void KivoActionButton::refresh() {
  Feedback target = targetFeedback();
  m_animation.moveTo({target.brightness, target.opacity, target.scale, 0}, Motion::reduceMotion(m_theme.get()));
}
