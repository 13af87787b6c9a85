// Helpers of the kit's widget tests: an isolated preferences store, a
// parent window on screen, and PNG shots of widgets in /tmp/kit-shots.
#pragma once

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QWidget>

#include <memory>

#include "model/browser_preferences.h"
#include "test_printers.h"

namespace KitTest {

// Preferences over a fresh store named `name` (emptied first).
inline std::shared_ptr<BrowserPreferences> preferences(const QString& name) {
  auto store = SettingsStore::open(name);
  store->removeAll();
  return std::make_shared<BrowserPreferences>(store);
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

// Saves `widget` on a plain background of the scheme as /tmp/kit-shots/NAME.png.
inline void shot(QWidget* widget, const QString& name, const QColor& background) {
  QDir().mkpath(QStringLiteral("/tmp/kit-shots"));
  widget->ensurePolished();
  widget->adjustSize();
  QPixmap grabbed = widget->grab();
  QPixmap framed(grabbed.size() + QSize(32, 32));
  framed.fill(background);
  {
    QPainter painter(&framed);
    painter.drawPixmap(16, 16, grabbed);
  }
  framed.save(QStringLiteral("/tmp/kit-shots/") + name + QStringLiteral(".png"));
}

}  // namespace KitTest
