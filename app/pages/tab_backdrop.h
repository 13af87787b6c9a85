// The home page's decorative background: a diagonal two-colour gradient of
// the backdrop preset and colour scheme, with two translucent white waves
// along the lower part; the plain preset is one flat window colour. Every
// coordinate is a fixed fraction of the area, so tiny previews scale with
// it. Reacts to no input. Main thread.
#pragma once

#include <QColor>
#include <QPainterPath>
#include <QWidget>

#include <memory>
#include <utility>

#include "kit/kit_theme.h"
#include "model/browser_preferences.h"

class TabBackdrop : public QWidget {
  Q_OBJECT
public:
  // A backdrop of `preset`, or of the preferences' backdrop when none is
  // given (it then follows every change of it).
  TabBackdrop(std::shared_ptr<BrowserPreferences> preferences, std::optional<Backdrop> preset = std::nullopt,
              QWidget* parent = nullptr);

  Backdrop preset() const;

  // The gradient's top-leading and bottom-trailing colours.
  static std::pair<QColor, QColor> colors(Backdrop preset, ColorScheme scheme);
  // The two wave shapes over an area of `size`.
  static QPainterPath wave(int index, const QSizeF& size);
  // The whites of the waves in `scheme`.
  static double waveOpacity(int index, ColorScheme scheme);
  // Draws the backdrop into `rect`.
  static void paint(QPainter& painter, const QRectF& rect, Backdrop preset, ColorScheme scheme);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<KitTheme> m_theme;
  std::optional<Backdrop> m_preset;
};
