#include "pages/tab_backdrop.h"

#include <QLinearGradient>
#include <QPainter>

#include "kit/palette.h"
#include "kit/preferences_theme.h"

TabBackdrop::TabBackdrop(std::shared_ptr<BrowserPreferences> preferences, std::optional<Backdrop> preset,
                         QWidget* parent)
    : QWidget(parent),
      m_preferences(std::move(preferences)),
      m_theme(PreferencesTheme::of(m_preferences)),
      m_preset(preset) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  if (m_preferences) {
    const auto redraw = [this] { update(); };
    connect(m_preferences.get(), &BrowserPreferences::backdropChanged, this, redraw);
    connect(m_preferences.get(), &BrowserPreferences::appearanceChanged, this, redraw);
    connect(m_preferences.get(), &BrowserPreferences::previewAppearanceChanged, this, redraw);
  }
}

Backdrop TabBackdrop::preset() const {
  if (m_preset) return *m_preset;
  return m_preferences ? m_preferences->backdrop() : Backdrop::Mist;
}

std::pair<QColor, QColor> TabBackdrop::colors(Backdrop preset, ColorScheme scheme) {
  const bool dark = scheme == ColorScheme::Dark;
  const auto rgb = [](double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b)); };
  switch (preset) {
    case Backdrop::Mist:
      return dark ? std::pair{rgb(0.09, 0.11, 0.17), rgb(0.19, 0.20, 0.31)}
                  : std::pair{rgb(0.96, 0.97, 0.99), rgb(0.86, 0.91, 0.96)};
    case Backdrop::Dawn:
      return dark ? std::pair{rgb(0.17, 0.11, 0.16), rgb(0.28, 0.18, 0.22)}
                  : std::pair{rgb(1.00, 0.97, 0.93), rgb(0.95, 0.84, 0.83)};
    case Backdrop::Forest:
      return dark ? std::pair{rgb(0.08, 0.14, 0.13), rgb(0.16, 0.24, 0.22)}
                  : std::pair{rgb(0.96, 0.98, 0.94), rgb(0.81, 0.89, 0.85)};
    case Backdrop::Plain:
      break;
  }
  const QColor flat = Palette::colors(scheme).background;
  return {flat, flat};
}

QPainterPath TabBackdrop::wave(int index, const QSizeF& size) {
  const double w = size.width();
  const double h = size.height();
  QPainterPath path;
  if (index == 0) {
    path.moveTo(0, 0.80 * h);
    path.cubicTo(0.35 * w, 0.35 * h, 0.65 * w, 1.20 * h, w, 0.58 * h);
  } else {
    path.moveTo(0, 0.95 * h);
    path.cubicTo(0.50 * w, 0.50 * h, 0.70 * w, 1.05 * h, w, 0.76 * h);
  }
  path.lineTo(w, h);
  path.lineTo(0, h);
  path.closeSubpath();
  return path;
}

double TabBackdrop::waveOpacity(int index, ColorScheme scheme) {
  const bool dark = scheme == ColorScheme::Dark;
  if (index == 0) return dark ? 0.035 : 0.2;
  return dark ? 0.025 : 0.22;
}

void TabBackdrop::paint(QPainter& painter, const QRectF& rect, Backdrop preset, ColorScheme scheme) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  // 1. The diagonal gradient.
  const auto [first, second] = colors(preset, scheme);
  QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
  gradient.setColorAt(0, first);
  gradient.setColorAt(1, second);
  painter.fillRect(rect, gradient);
  // 2. The two waves, unless the preset is flat.
  if (preset != Backdrop::Plain) {
    painter.translate(rect.topLeft());
    for (int index = 0; index < 2; ++index) {
      painter.fillPath(wave(index, rect.size()), Palette::withOpacity(Qt::white, waveOpacity(index, scheme)));
    }
  }
  painter.restore();
}

void TabBackdrop::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paint(painter, rect(), preset(), Palette::scheme(m_theme.get()));
}
