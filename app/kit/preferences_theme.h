// The kit's theme over the shared browser preferences: the previewed or
// chosen appearance (the desktop's scheme for "system"), the stored accent,
// and the desktop's reduce-motion setting. It forwards the preferences'
// appearance, preview and accent signals, and, while the appearance follows
// the desktop, the application's palette and theme changes: a desktop that
// turns dark while Kivo runs turns every view drawn for this theme dark.
//
// A preferences object has exactly one such theme, made on first use as its
// child: it lives exactly as long as the preferences, and every control
// drawn for the same preferences observes the same object. Main thread.
#pragma once

#include <memory>

#include "kit/kit_theme.h"
#include "model/browser_preferences.h"

class PreferencesTheme final : public KitTheme {
  Q_OBJECT

public:
  // The theme of `preferences`, sharing their ownership; null for null.
  static std::shared_ptr<KitTheme> of(const std::shared_ptr<BrowserPreferences>& preferences);
  // The theme of `preferences`, owned by them; null for null.
  static KitTheme* of(BrowserPreferences* preferences);

  BrowserPreferences* preferences() const { return m_preferences; }

  ColorScheme scheme() const override;
  QColor accent() const override;
  QString accentHex() const override;
  void setAccentHex(const QString& hex) override;
  bool reduceMotion() const override;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  explicit PreferencesTheme(BrowserPreferences* preferences);

  BrowserPreferences* m_preferences;
};
