// Helpers of the kit's widget tests: an isolated preferences store and a
// parent window on screen. tools/pictures builds its pictures with them too.
#pragma once

#include <QApplication>
#include <QTest>
#include <QWidget>

#include <memory>

#include "kit/preferences_theme.h"
#include "model/browser_preferences.h"
#include "test_printers.h"

namespace KitTest {

// Preferences over a fresh store named `name` (emptied first).
inline std::shared_ptr<BrowserPreferences> preferences(const QString& name) {
  auto store = SettingsStore::open(name);
  store->removeAll();
  return std::make_shared<BrowserPreferences>(store);
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
  made->activateWindow();
  QApplication::setActiveWindow(made.get());
  if (!QTest::qWaitForWindowActive(made.get(), 10000)) qWarning("KitTest::window: the window never became active");
  QApplication::processEvents();
  return made;
}

}  // namespace KitTest
