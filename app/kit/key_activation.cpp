#include "kit/key_activation.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace KeyActivation {

bool clickOnReturn(QAbstractButton& button, QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (!plain || (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)) return false;
  if (!event->isAutoRepeat()) button.click();
  event->accept();
  return true;
}

}  // namespace KeyActivation
