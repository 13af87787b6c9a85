#include "kit/preferences_theme.h"

#include <QCoreApplication>
#include <QEvent>

#include "kit/motion.h"
#include "kit/palette.h"

std::shared_ptr<KitTheme> PreferencesTheme::of(const std::shared_ptr<BrowserPreferences>& preferences) {
  // The aliasing pointer keeps the preferences, and with them their child
  // theme, alive for as long as a control holds it.
  return preferences ? std::shared_ptr<KitTheme>(preferences, of(preferences.get())) : nullptr;
}

KitTheme* PreferencesTheme::of(BrowserPreferences* preferences) {
  if (!preferences) return nullptr;
  if (auto* made = preferences->findChild<PreferencesTheme*>(QString(), Qt::FindDirectChildrenOnly)) return made;
  return new PreferencesTheme(preferences);
}

PreferencesTheme::PreferencesTheme(BrowserPreferences* preferences)
    : KitTheme(preferences), m_preferences(preferences) {
  connect(preferences, &BrowserPreferences::appearanceChanged, this, &KitTheme::schemeChanged);
  connect(preferences, &BrowserPreferences::previewAppearanceChanged, this, &KitTheme::schemeChanged);
  connect(preferences, &BrowserPreferences::accentHexChanged, this, &KitTheme::accentChanged);
  // Qt tells of a new desktop palette or theme only by events to the
  // application object, so the theme watches those.
  if (QCoreApplication* application = QCoreApplication::instance()) application->installEventFilter(this);
}

bool PreferencesTheme::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::ApplicationPaletteChange || type == QEvent::ThemeChange) &&
      watched == QCoreApplication::instance() && !m_preferences->scheme())
    Q_EMIT schemeChanged();
  return false;
}

ColorScheme PreferencesTheme::scheme() const { return Palette::resolve(m_preferences->scheme()); }

QColor PreferencesTheme::accent() const { return m_preferences->accent(); }

QString PreferencesTheme::accentHex() const { return m_preferences->accentHex(); }

void PreferencesTheme::setAccentHex(const QString& hex) { m_preferences->setAccentHex(hex); }

bool PreferencesTheme::reduceMotion() const { return Motion::reduceMotion(); }
