// An empty strip of the chrome that stands in for a title bar: dragging it
// moves the window, a double click maximises or restores it. The leading
// strip also carries the window's close, minimise and zoom controls, hidden
// in full screen. Main thread.
#pragma once

#include <QMetaObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

#include "kit/kit_theme.h"

class BrowserWindow;
class WindowControls;

class WindowDragArea : public QWidget {
  Q_OBJECT

public:
  // With `withControls`, the strip shows the window controls at its leading
  // edge (outside full screen).
  explicit WindowDragArea(bool withControls = false, QWidget* parent = nullptr);
  ~WindowDragArea() override;

  // The window the strip moves; without one, the window that contains it.
  void setBrowserWindow(BrowserWindow* window);
  // The window a press acts on now: the one set, else the containing window
  // when that is a browser window, else none.
  BrowserWindow* browserWindow() const;

  // The scheme the controls draw in; without a theme, the palette's.
  void setTheme(std::shared_ptr<KitTheme> theme);
  // The controls, or null for a strip without them.
  WindowControls* controls() const { return m_controls; }

  QSize sizeHint() const override;

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  // Follows the window's full-screen layout and zoom for the controls.
  void followWindow();
  void layoutControls();
  void endDrag();

  QPointer<BrowserWindow> m_window;
  bool m_withControls;
  WindowControls* m_controls = nullptr;
  QPointer<BrowserWindow> m_followed;
  QMetaObject::Connection m_fullScreenConnection;
  QMetaObject::Connection m_zoomConnection;
  // A press that may become a move of the window: where it happened and
  // where the window was then.
  struct Drag {
    QPointer<BrowserWindow> window;
    QPointF pressGlobal;
    QPoint windowStart;
    bool moving = false;  // moving the window ourselves
  };
  std::optional<Drag> m_drag;
};
