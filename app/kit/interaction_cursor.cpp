#include "kit/interaction_cursor.h"

#include <QEvent>
#include <QWidget>

InteractionCursor::InteractionCursor(QWidget* widget, bool text) : QObject(widget), m_widget(widget), m_text(text) {
  setObjectName(QStringLiteral("InteractionCursor"));
  widget->installEventFilter(this);
  apply();
}

void InteractionCursor::handCursor(QWidget* widget) {
  if (auto* old = widget->findChild<InteractionCursor*>(QStringLiteral("InteractionCursor"), Qt::FindDirectChildrenOnly))
    delete old;
  new InteractionCursor(widget, false);
}

void InteractionCursor::textCursor(QWidget* widget) {
  if (auto* old = widget->findChild<InteractionCursor*>(QStringLiteral("InteractionCursor"), Qt::FindDirectChildrenOnly))
    delete old;
  new InteractionCursor(widget, true);
}

Qt::CursorShape InteractionCursor::shape(const QWidget* widget) { return widget->cursor().shape(); }

bool InteractionCursor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_widget && event->type() == QEvent::EnabledChange) apply();
  return false;
}

void InteractionCursor::apply() {
  if (!m_widget->isEnabled()) m_widget->setCursor(Qt::ArrowCursor);
  else m_widget->setCursor(m_text ? Qt::IBeamCursor : Qt::PointingHandCursor);
}
