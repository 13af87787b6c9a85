#include "kit/translucent_window.h"

void TranslucentWindow::setTranslucent(bool translucent) {
  if (isVisible() || testAttribute(Qt::WA_TranslucentBackground) == translucent) return;
  if (windowHandle()) destroy();
  setAttribute(Qt::WA_TranslucentBackground, translucent);
  // A translucent background also turned off the system background, which
  // an opaque window paints under its content.
  if (!translucent) setAttribute(Qt::WA_NoSystemBackground, false);
}
