// Helpers of the kit's widget tests: an isolated preferences store and a
// parent window on screen. tools/pictures builds its pictures with them too.
#pragma once

#include <QApplication>
#include <QPalette>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <chrono>
#include <memory>

#include "kit/preferences_theme.h"
#include "model/browser_preferences.h"
#include "platform/event_wait.h"
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

// Waits until the window system has made `window` the active window, as a
// real display does some loop turns after it is asked (offscreen at once).
// The window system's focus window must be its window too: a widget made
// active by hand (as a closing popup does for its parent) counts as active
// at once, and the window system's own answer would still be on its way.
// False when it did not within a bound that only a hang reaches, or when the
// window went meanwhile.
inline bool waitUntilActive(QWidget* window) {
  const QPointer<QWidget> guard(window);
  return runEventsUntil(
             [&guard] {
               return !guard || (guard->isActiveWindow() &&
                                 QGuiApplication::focusWindow() == guard->window()->windowHandle());
             },
             std::chrono::seconds(10)) &&
         guard;
}

// A shown, active top-level window of 800 x 600 at (100, 100). On a real
// display the window is mapped, exposed and activated some loop turns after
// it asks: it is returned once that has happened (or after a bound only a
// hang reaches), so that no late activation or focus change of its own
// reaches the test's popups and panels.
inline std::unique_ptr<QWidget> window() {
  auto made = std::make_unique<QWidget>();
  made->setGeometry(100, 100, 800, 600);
  made->show();
  // Asked of the window system and waited for, never set by hand: a window
  // made active by hand would take the platform's own activation later, in
  // the middle of a test, and close the popup open then.
  made->activateWindow();
  if (!waitUntilActive(made.get())) qWarning("KitTest::window: the window never became active");
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
