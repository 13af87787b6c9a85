// The chrome of a window: the tab row (drag areas with the window controls,
// the tab strip, the new-tab button, the tabs menu) and the toolbar (back,
// forward, reload or stop, the address field, home, downloads, settings and
// the main menu), 84 points high. The root view shows one outside full
// screen; in full screen the window's chrome host shows another. Main thread.
#pragma once

#include <QWidget>

class BrowserModel;
class BrowserWindowState;

class BrowserChromeView : public QWidget {
  Q_OBJECT

public:
  static constexpr int kHeight = 84;

  BrowserChromeView(BrowserModel& model, BrowserWindowState& windowState, QWidget* parent = nullptr);
  ~BrowserChromeView() override;

private:
  BrowserModel& m_model;
  BrowserWindowState& m_windowState;
};
