// Bringing a top-level window to the front. The offscreen platform cannot
// raise windows and says so on every call; there every shown window is the
// front one anyway, so only the activation is asked for.
#pragma once

#include <QGuiApplication>
#include <QWidget>

namespace KitWindows {

inline void bringToFront(QWidget& window) {
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) window.raise();
  window.activateWindow();
}

}  // namespace KitWindows
