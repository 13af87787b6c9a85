#include "pages/devtools_divider.h"

#include <QPainter>

#include "kit/palette.h"
#include "kit/preferences_theme.h"

DevToolsDivider::DevToolsDivider(std::shared_ptr<BrowserPreferences> preferences, double opacity, QWidget* parent)
    : QWidget(parent), m_theme(PreferencesTheme::of(preferences)), m_opacity(opacity) {
  setFixedHeight(1);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DevToolsDivider::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Palette::withOpacity(Palette::colors(m_theme.get()).line, m_opacity));
}
