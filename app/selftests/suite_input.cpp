#include "selftests/suite_input.h"

#include <QAction>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <functional>

#include "kit/window_front.h"

namespace SuiteInput {

QPointF flipped(const QPointF& yUp, double height) { return QPointF(yUp.x(), height - yUp.y()); }

QPointF windowPoint(const QSizeF& contentSize, const QPointF& yUp) { return flipped(yUp, contentSize.height()); }

QPointF windowPoint(const QWidget& window, const QPointF& yUp) { return windowPoint(QSizeF(window.size()), yUp); }

QPointF screenPoint(const QRect& desktop, const QPointF& yUp) {
  // y = 0 is the bottom edge of the desktop, which Qt places at its top
  // plus its height.
  return flipped(yUp, double(desktop.top()) + desktop.height());
}

QRectF screenRect(const QRect& desktop, const QRectF& yUp) {
  // The rectangle's top edge is its y-up maximum.
  const QPointF topLeft = screenPoint(desktop, QPointF(yUp.x(), yUp.y() + yUp.height()));
  return QRectF(topLeft, yUp.size());
}

QRect virtualDesktop() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->virtualGeometry() : QRect();
}

void makeKeyAndFront(QWidget& window) {
  window.show();
  KitWindows::bringToFront(window);
}

SuiteTask activate(QWidget& window) {
  makeKeyAndFront(window);
  const QPointer<QWidget> guard(&window);
  const std::function<bool()> active = [&guard] { return !guard || guard->isActiveWindow(); };
  co_await SuiteWait::until(active);
}

QWindow* windowHandle(const QWidget& window) { return window.window()->windowHandle(); }

bool keyClick(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWindow* handle = windowHandle(window);
  if (!handle) return false;
  QTest::keyClick(handle, key, modifiers);
  return true;
}

bool keyToFocusWindow(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWindow* handle = QGuiApplication::focusWindow();
  if (!handle) return false;
  QTest::keyClick(handle, key, modifiers);
  return true;
}

std::optional<QKeyCombination> shortcutKey(const QString& key, CommandModifiers modifiers) {
  const QKeySequence sequence = BrowserCommands::keySequence(key, modifiers);
  if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown || sequence[0].key() == 0) return std::nullopt;
  return sequence[0];
}

QList<QAction*> shortcut(QWidget& window, QKeyCombination keys) {
  QWindow* handle = windowHandle(window);
  if (!handle) return {};
  // Every action of the window records whether it fired during the stroke.
  const QList<QAction*> actions = window.window()->actions();
  QList<QPointer<QAction>> fired;
  QList<QMetaObject::Connection> connections;
  for (QAction* action : actions) {
    connections.append(QObject::connect(action, &QAction::triggered, action, [&fired, action] {
      if (!fired.contains(action)) fired.append(action);
    }));
  }
  QTest::keyClick(handle, keys.key(), keys.keyboardModifiers());
  for (const QMetaObject::Connection& connection : connections) QObject::disconnect(connection);
  // In the window's order; an action the command deleted is left out.
  QList<QAction*> result;
  for (QAction* action : actions) {
    for (const QPointer<QAction>& candidate : fired) {
      if (candidate && candidate.data() == action) result.append(action);
    }
  }
  return result;
}

namespace {

// The QTest point of `point`, or none for a point QTest would replace with
// the window's centre.
std::optional<QPoint> testPoint(const QPointF& point) {
  const QPoint rounded = point.toPoint();
  if (rounded.isNull()) return std::nullopt;
  return rounded;
}

template <typename Send>
bool send(QWidget& window, const QPointF& point, Send sendEvent) {
  QWindow* handle = windowHandle(window);
  const std::optional<QPoint> at = testPoint(point);
  if (!handle || !at) return false;
  sendEvent(handle, *at);
  return true;
}

}  // namespace

bool mousePress(QWidget& window, const QPointF& point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  return send(window, point, [&](QWindow* handle, QPoint at) { QTest::mousePress(handle, button, modifiers, at); });
}

bool mouseRelease(QWidget& window, const QPointF& point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  return send(window, point, [&](QWindow* handle, QPoint at) { QTest::mouseRelease(handle, button, modifiers, at); });
}

bool mouseMove(QWidget& window, const QPointF& point) {
  return send(window, point, [](QWindow* handle, QPoint at) { QTest::mouseMove(handle, at); });
}

bool click(QWidget& window, const QPointF& point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  return send(window, point, [&](QWindow* handle, QPoint at) { QTest::mouseClick(handle, button, modifiers, at); });
}

bool doubleClick(QWidget& window, const QPointF& point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
  return send(window, point, [&](QWindow* handle, QPoint at) { QTest::mouseDClick(handle, button, modifiers, at); });
}

}  // namespace SuiteInput
