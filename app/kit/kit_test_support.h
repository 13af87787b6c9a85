// Helpers of the kit's widget tests: an isolated preferences store and a
// parent window on screen. tools/pictures builds its pictures with them too.
#pragma once

#include <QApplication>
#include <QPalette>
#include <QUuid>
#include <QWidget>

#include <memory>

#include "kit/preferences_theme.h"
#include "model/browser_preferences.h"
#include "test_printers.h"

namespace KitTest {

// A store name of this call alone: `name` and a new UUID. A store follows
// its file as other processes change it, so tests that run at the same time
// (other suites, other checkouts) must never share one.
inline QString storeName(const QString& name) {
  return name + QLatin1Char('.') + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// Preferences over a new store of their own, named after `name`.
inline std::shared_ptr<BrowserPreferences> preferences(const QString& name) {
  return std::make_shared<BrowserPreferences>(SettingsStore::open(storeName(name)));
}

// A shown, active top-level window of 800 x 600 at (100, 100).
inline std::unique_ptr<QWidget> window() {
  auto made = std::make_unique<QWidget>();
  made->setGeometry(100, 100, 800, 600);
  made->show();
  made->activateWindow();
  QApplication::setActiveWindow(made.get());
  QApplication::processEvents();
  return made;
}

// Gives the application the palette a desktop in the other scheme than the
// current one would give it, as a desktop switching between light and dark
// does while Kivo runs; the palette from before comes back at the end.
class DesktopSchemeSwitch {
public:
  DesktopSchemeSwitch() : m_saved(QGuiApplication::palette()) {
    const bool dark = m_saved.color(QPalette::Window).lightnessF() < 0.5;
    to = dark ? ColorScheme::Light : ColorScheme::Dark;
    QApplication::setPalette(QPalette(dark ? QColor(0xEF, 0xEF, 0xEF) : QColor(0x30, 0x30, 0x30)));
  }
  ~DesktopSchemeSwitch() { QApplication::setPalette(m_saved); }
  DesktopSchemeSwitch(const DesktopSchemeSwitch&) = delete;
  DesktopSchemeSwitch& operator=(const DesktopSchemeSwitch&) = delete;

  // The scheme the desktop switched to.
  ColorScheme to;

private:
  QPalette m_saved;
};

}  // namespace KitTest
