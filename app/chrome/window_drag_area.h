// An empty strip of the chrome that stands in for a title bar: dragging it
// moves the window, a double click maximises or restores it. The leading
// strip also carries the window's close, minimise and zoom controls, hidden
// in full screen. Main thread.
#pragma once

#include <QPointer>
#include <QWidget>

class BrowserWindow;

class WindowDragArea : public QWidget {
  Q_OBJECT

public:
  // With `withControls`, the strip shows the window controls at its leading
  // edge (outside full screen).
  explicit WindowDragArea(bool withControls = false, QWidget* parent = nullptr);
  ~WindowDragArea() override;

  // The window the strip moves; without one, the window that contains it.
  void setBrowserWindow(BrowserWindow* window) { m_window = window; }

private:
  QPointer<BrowserWindow> m_window;
  bool m_withControls;
};
