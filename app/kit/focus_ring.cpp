#include "kit/focus_ring.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>

#include "kit/palette.h"

FocusRing::FocusRing(QWidget* target, std::shared_ptr<KitTheme> theme)
    : QObject(target), m_target(target), m_theme(std::move(theme)) {
  target->installEventFilter(this);
}

FocusRing* FocusRing::attach(QWidget* target, std::shared_ptr<KitTheme> theme, double radius) {
  auto* ring = new FocusRing(target, std::move(theme));
  ring->m_radius = radius;
  ring->m_paintsOver = true;
  return ring;
}

bool FocusRing::showsFor(Qt::FocusReason reason, bool showed) {
  switch (reason) {
    case Qt::MouseFocusReason:
      return false;
    // Focus that returns after a popup or with the window keeps its look.
    case Qt::PopupFocusReason:
    case Qt::ActiveWindowFocusReason:
      return showed;
    default:
      return true;
  }
}

void FocusRing::paint(QPainter& painter, const QRectF& frame, double radius, const KitTheme* theme) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const auto rounded = [&](double inset) {
    const QRectF rect = frame.adjusted(inset, inset, -inset, -inset);
    const double corner =
        radius < 0 ? std::min(rect.width(), rect.height()) / 2 : std::max(0.0, radius - inset);
    QPainterPath path;
    path.addRoundedRect(rect, corner, corner);
    return path;
  };
  // The accent outline centred one point inside the frame, then the surface
  // line right inside it.
  painter.strokePath(rounded(kWidth / 2), QPen(Palette::accent(theme), kWidth));
  painter.strokePath(rounded(kWidth + 0.5), QPen(Palette::colors(theme).surface, 1));
  painter.restore();
}

bool FocusRing::isVisible() const { return m_fromKeyboard && m_target->hasFocus(); }

void FocusRing::hideUntilKeyboard() {
  if (!m_fromKeyboard) return;
  m_fromKeyboard = false;
  m_target->update();
}

void FocusRing::setRadius(double radius) {
  m_radius = radius;
  m_target->update();
}

void FocusRing::paintIfVisible(QPainter& painter, const QRectF& frame) const {
  if (isVisible()) paint(painter, frame, m_radius, m_theme.get());
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_target) return false;
  switch (event->type()) {
    case QEvent::FocusIn:
      m_fromKeyboard = showsFor(static_cast<QFocusEvent*>(event)->reason(), m_fromKeyboard);
      m_target->update();
      return false;
    case QEvent::FocusOut:
      m_target->update();
      return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      hideUntilKeyboard();
      return false;
    case QEvent::Paint: {
      if (!m_paintsOver || m_painting) return false;
      // The target paints itself first (its own event handler, past the
      // other filters), then the ring goes on top.
      m_painting = true;
      static_cast<QObject*>(m_target)->event(event);
      m_painting = false;
      if (isVisible()) {
        QPainter painter(m_target);
        paint(painter, QRectF(m_target->rect()), m_radius, m_theme.get());
      }
      return true;
    }
    default:
      return false;
  }
}
