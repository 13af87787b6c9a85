// The application's set of browser windows. The workspace holds the
// preferences every window shares, the normal profile with its document cache
// and one controller per open window; it opens normal and private windows,
// places and cascades them, keeps its own notion of the active window and of
// the windows' front-to-back order (never the windowing system's), moves a
// tab into a window of its own, and cleans up when a window closes, ending a
// private session with the last window that uses it.
//
// A window controller owns its window and its model, hosts the root view,
// mirrors the window's activation, closing and full-screen transitions into
// the workspace and the window's layout, and is its strips' way to the
// workspace for a tab dragged outside them. Main thread.
#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

#include "chrome/tab_strip.h"
#include "model/window_services.h"

class BrowserModel;
class BrowserPreferences;
class BrowserWindow;
class BrowserWorkspace;
class BrowsingProfile;
class DocumentCache;
class NativeTabStrip;
class TabDragPreview;

class BrowserWindowController : public QObject, public TabTearOff {
  Q_OBJECT

public:
  // The window's size when it opens, and the smallest it may become.
  static constexpr int kWidth = 1200;
  static constexpr int kHeight = 810;
  static constexpr int kMinimumWidth = 900;
  static constexpr int kMinimumHeight = 600;

  BrowserWindowController(std::shared_ptr<BrowserModel> model, BrowserWorkspace* workspace);
  ~BrowserWindowController() override;

  BrowserWindow& browserWindow() const { return *m_window; }
  BrowserModel& model() const { return *m_model; }
  const std::shared_ptr<BrowserModel>& sharedModel() const { return m_model; }

  // The window's tab strip: in full screen the one of the full-screen
  // chrome, else the first in the window; null without one.
  NativeTabStrip* tabStrip() const;

  // An action to run once the window has left full screen; dropped when the
  // exit fails or the window closes.
  std::function<void()> afterFullScreenExit;

  // TabTearOff: the workspace's drag preview, drop and cancellation for a
  // tab of this window's model, while the model belongs to the workspace.
  bool canTearOff() const override;
  void updateDragPreview(const QUuid& tab, QPoint screenPoint) override;
  bool dropTab(const QUuid& tab, QPoint screenPoint) override;
  void cancelDragPreview() override;

private:
  // The workspace while the model belongs to it (it leaves it when the
  // window closes or the workspace ends), else null.
  BrowserWorkspace* tearOffWorkspace() const;

  void windowBecameActive();
  void windowWillClose();
  void windowWillEnterFullScreen();
  void windowDidExitFullScreen();
  void windowDidFailToExitFullScreen();

  std::shared_ptr<BrowserModel> m_model;
  QPointer<BrowserWorkspace> m_workspace;
  BrowserWindow* m_window;
};

class BrowserWorkspace : public QObject, public WorkspaceServices {
  Q_OBJECT

public:
  // The shared preferences (the standard store when null), the normal
  // profile's cache (a new default one when null) and the normal profile
  // (the one in BrowsingProfile::directory() over that cache when null; the
  // suites and snapshots pass one that writes no files).
  explicit BrowserWorkspace(std::shared_ptr<BrowserPreferences> preferences = nullptr,
                            std::shared_ptr<DocumentCache> cache = nullptr,
                            std::shared_ptr<BrowsingProfile> profile = nullptr, QObject* parent = nullptr);
  ~BrowserWorkspace() override;

  const std::shared_ptr<BrowserPreferences>& preferences() const { return m_preferences; }
  const std::shared_ptr<DocumentCache>& cache() const { return m_cache; }
  const std::shared_ptr<BrowsingProfile>& profile() const { return m_profile; }

  // Every open window, in order of opening.
  const QList<BrowserWindowController*>& controllers() const { return m_controllers; }
  // The open windows front to back: the most recently activated first.
  QList<BrowserWindowController*> windowsFrontToBack() const;

  // The window last activated or opened; else the newest; null without
  // windows.
  BrowserWindowController* activeController() const;

  // Opens a window for `model`, or for a new model (with a new private
  // profile when `privateMode`, else the normal profile); near `at` when
  // given, else cascaded from the active window, else centred. Shows and
  // activates it.
  BrowserWindowController* newWindow(std::shared_ptr<BrowserModel> model = nullptr,
                                     std::optional<QPoint> at = std::nullopt, bool privateMode = false);

  // Called by the controllers.
  void becameMain(BrowserWindowController* controller);
  void closed(BrowserWindowController* controller);

  // The controller of `model`, or null.
  BrowserWindowController* controller(const BrowserModel* model) const;

  // Moves the tab `id` of `source` into a window of its own near `at`
  // (without a point, 160 right of the source's left edge and 60 below its
  // top); false when refused. From a full-screen window the move waits until
  // the window has left full screen.
  bool detach(const QUuid& id, BrowserModel& source, std::optional<QPoint> at = std::nullopt);

  // Moves the tab `id` from `source` into `target` at `index` (clamped);
  // false when refused: the same model, different profiles, a model without
  // a window, a tab the target already has, or one the source cannot give.
  // A source left without tabs closes its window.
  bool transfer(const QUuid& id, BrowserModel& source, BrowserModel& target, int index);

  // A tab of `source` is dragged outside its strip at `screenPoint`: the
  // strip under the point (a compatible window's) shows its drop marker and
  // the card follows the pointer, saying what a drop would do.
  void updateDragPreview(const QUuid& id, BrowserModel& source, QPoint screenPoint);
  // The drag ended at `screenPoint`: the tab joins the strip there, or
  // opens a window of its own. False when refused.
  bool dropTab(const QUuid& id, BrowserModel& source, QPoint screenPoint);
  // Ends the card and the drop marker.
  void cancelDragPreview();

  // The card while a drag is outside its strip, else null.
  TabDragPreview* dragPreview() const;
  // The strip that shows a drop marker now, or null.
  NativeTabStrip* markedStrip() const;

  // Where a drop at `screenPoint` would go: the frontmost browser window
  // under the point, when it shows another model of the same profile, and
  // the point lies on its strip (widened to 44 points before the window's
  // right edge).
  struct DropTarget {
    BrowserWindowController* controller;
    NativeTabStrip* strip;
    int index;
  };
  std::optional<DropTarget> dropTarget(QPoint screenPoint, const BrowserModel& excluding, bool autoScroll) const;

  // Places `window` near `point`: its left edge 160 left of the point and
  // its top edge 20 above it, inside the screen's available area.
  void position(BrowserWindow& window, QPoint point) const;

  // The available area of the screen that shows a window; by default the
  // window's screen's, else the primary screen's. Tests inject one; it also
  // serves every window's maximise.
  using ScreenArea = std::function<std::optional<QRect>(const QWidget& window)>;
  void setScreenArea(ScreenArea area);
  std::optional<QRect> screenArea(const QWidget& window) const;

  // Called with every new controller before its window shows (the
  // application attaches the menus here).
  std::function<void(BrowserWindowController&)> onWindowCreated;

  // WorkspaceServices.
  QList<BrowserModel*> windowModels() const override;
  void newWindow(bool privateMode) override;
  void detachTab(const QUuid& tab, BrowserModel& model) override;
  BrowserModel* activeModel() const override;

Q_SIGNALS:
  // The set of windows, or the active one, changed.
  void windowsChanged();

private:
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<DocumentCache> m_cache;
  std::shared_ptr<BrowsingProfile> m_profile;
  QList<BrowserWindowController*> m_controllers;
  QList<QPointer<BrowserWindowController>> m_order;  // front to back
  QPointer<BrowserWindowController> m_lastActive;
  ScreenArea m_screenArea;
  QPointer<TabDragPreview> m_preview;
  QPointer<NativeTabStrip> m_markedStrip;
};
