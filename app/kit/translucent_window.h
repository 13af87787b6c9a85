// A top-level window whose transparent pixels are decided each time it is
// shown. A window system that composites shows what lies behind them; one
// that does not shows black there, so a window chooses just before it
// appears, and a compositor that starts or stops while the application runs
// is followed by the next window shown. Main thread.
#pragma once

#include <QWidget>

class TranslucentWindow : public QWidget {
public:
  using QWidget::QWidget;

protected:
  // Gives the hidden window a translucent background or an opaque one. The
  // window system fixes a window's pixel format when the native window is
  // made, so a native window made earlier with the other format is given up
  // here and made anew by the next show. A visible window is left as it is.
  void setTranslucent(bool translucent);
};
