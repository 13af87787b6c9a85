// What a window's views learn of their window: whether it is in full screen,
// and the window itself. Owned by the window. Main thread.
#pragma once

#include <QObject>
#include <QPointer>

class BrowserWindow;

class BrowserWindowState : public QObject {
  Q_OBJECT

public:
  using QObject::QObject;

  bool isFullScreen() const { return m_fullScreen; }
  // Written only by the window's full-screen layout switch.
  void setFullScreen(bool fullScreen) {
    m_fullScreen = fullScreen;
    Q_EMIT fullScreenChanged(fullScreen);
  }

  // The window this state belongs to; set by the window controller.
  QPointer<BrowserWindow> browserWindow;

Q_SIGNALS:
  void fullScreenChanged(bool fullScreen);

private:
  bool m_fullScreen = false;
};
