// A browser window: a frameless top-level window that hosts the window's root
// view, draws no title bar of its own (the chrome's drag areas and window
// controls stand in for it), closes the open popover menu on any mouse press
// (swallowing the press), maximises to the screen's available area and
// restores by its own rule, resizes from its edges and, in full screen, shows
// a chrome host of 84 points above the root view. Where the window system
// does not composite (asked each time the window is shown), nothing sets a
// window apart from one it overlaps, so the window draws a one-point edge in
// the palette's line colour around itself, outside full screen. Main thread.
//
// Geometry is in Qt's screen coordinates (y grows downwards); the window's
// frame is its geometry, since it has no decoration.
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <optional>

#include <memory>

#include "frame/browser_window_state.h"
#include "kit/kit_theme.h"
#include "model/window_services.h"

class QTimer;
class QVBoxLayout;

class BrowserWindow : public QWidget, public WindowServices {
  Q_OBJECT

public:
  // The height of the chrome host in full screen.
  static constexpr int kFullScreenChromeHeight = 84;
  // How long the window system has to answer a full-screen request before it
  // counts as refused, in milliseconds. Window managers answer in a few
  // frames; without one an X server never does.
  static constexpr int kFullScreenAnswerBound = 3000;

  // The available area of the screen the window is on, or none without a
  // screen. Tests and the smoke suite inject one.
  using ScreenArea = std::function<std::optional<QRect>(const BrowserWindow&)>;
  // Asks the windowing system to enter (true) or leave (false) full screen.
  // Tests replace it to make a request fail.
  using FullScreenRequest = std::function<void(BrowserWindow&, bool enter)>;

  explicit BrowserWindow(QWidget* parent = nullptr);
  ~BrowserWindow() override;

  BrowserWindowState& chromeState() { return *m_state; }

  // Puts the root view into the window, filling it below the full-screen
  // chrome host. Called once.
  void installBrowserContent(QWidget* root);
  // Shows `chrome` in the full-screen host, unless one is installed (then
  // `chrome` is deleted). The window takes ownership.
  void installFullScreenChrome(QWidget* chrome);
  // The installed full-screen chrome, or null.
  QWidget* fullScreenChrome() const;
  // Switches the layout between full screen and normal and publishes it in
  // chromeState(); leaving removes the full-screen chrome.
  void setFullScreenLayout(bool fullScreen);

  // The theme whose scheme colours the window's edge; the desktop's scheme
  // without one.
  void setTheme(std::shared_ptr<KitTheme> theme);
  // True while the window draws its own edge.
  bool hasEdge() const;

  // Set by the window controller: closes an open popover menu and tells
  // whether one was open.
  std::function<bool()> dismissTransientUI;

  // Leaves full screen when in it; otherwise maximises to the screen's
  // available area or restores the frame from before the last maximise. A
  // window the window manager maximised returns to its normal state.
  void toggleMaximize(bool animate);
  std::optional<QRect> restoredFrame() const { return m_restoredFrame; }
  std::optional<QRect> maximizedFrame() const { return m_maximizedFrame; }
  void setScreenArea(ScreenArea area);
  // The available area toggleMaximize() fills: the injected one, else that
  // of the window's screen, else that of the primary screen.
  std::optional<QRect> availableArea() const;
  // The available area of the screen that shows `window`, or of the primary
  // screen; none without screens. What availableArea() gives when nothing
  // was injected.
  static std::optional<QRect> screenAvailableArea(const QWidget& window);
  // True while the window fills the area of its last maximise: both frames
  // are remembered and the window has not moved or resized by 2 points or
  // more since.
  bool isZoomed() const;

  // True while the window is in full screen: the window system put it in the
  // full-screen state and made it cover its screen. A request alone, which
  // Qt records as the state at once, does not count.
  bool isFullScreenMode() const;
  void setFullScreenRequest(FullScreenRequest request);

  // WindowServices.
  void performClose() override;
  QWidget* dialogParent() override { return this; }
  void toggleFullScreen() override;

Q_SIGNALS:
  // The window became the active window.
  void becameActive();
  // The window is closing (its close was accepted).
  void willClose();
  // Full-screen transitions. An entry is announced (will, then did) once the
  // window covers its screen; a request the window system has not carried
  // out within kFullScreenAnswerBound fails.
  void willEnterFullScreen();
  void didEnterFullScreen();
  void didExitFullScreen();
  void didFailToEnterFullScreen();
  void didFailToExitFullScreen();
  // isZoomed() changed.
  void zoomedChanged(bool zoomed);

protected:
  bool event(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // Handles a press in one of this window's widgets; true when it is used
  // up (a popover closed, or a resize from an edge started).
  bool handlePress(const QMouseEvent& event);
  // The resize cursor for a pointer at `global` (no button held).
  void updateEdgeCursor(const QPointF& global);
  void clearEdgeCursor();
  bool canResizeFromEdges() const;
  void updateZoomed();
  // True when the window's geometry covers its whole screen.
  bool coversScreen() const;
  // Announces what the window system did about full screen, after each of its
  // answers (a state change, a move, a resize).
  void settleFullScreen();
  // The window system left the request under way unanswered.
  void refuseFullScreen();
  // Shows the edge where nothing composites and the window is not full
  // screen, above the content.
  void updateEdge();

  BrowserWindowState* m_state;
  QVBoxLayout* m_layout = nullptr;
  QPointer<QWidget> m_root;
  QWidget* m_edge = nullptr;
  bool m_composited = false;
  QPointer<QWidget> m_fullScreenChrome;
  std::optional<QRect> m_restoredFrame;
  std::optional<QRect> m_maximizedFrame;
  ScreenArea m_screenArea;
  FullScreenRequest m_fullScreenRequest;
  // The window shows full screen: didEnterFullScreen() went out, and no
  // didExitFullScreen() since.
  bool m_shownFullScreen = false;
  // The request waiting for the window system's answer: enter (true) or
  // leave (false). A newer request replaces it.
  std::optional<bool> m_pendingFullScreen;
  QTimer* m_fullScreenAnswer = nullptr;
  // The frame to return to when full screen ends.
  std::optional<QRect> m_frameBeforeFullScreen;
  // The override cursor this window pushed while the pointer is near an edge.
  std::optional<Qt::CursorShape> m_edgeCursor;
  bool m_zoomed = false;
};
