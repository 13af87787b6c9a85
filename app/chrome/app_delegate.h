// The application's normal start and its ending: the one workspace, the first
// window with its options, the route, the PNG snapshot of the active window,
// and the shutdown of every profile's downloads on the way out. The start-up
// dispatch over the suites is the program entry's; it hands the normal start
// here. Main thread.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "chrome/application_menus.h"
#include "chrome/start_plan.h"

class BrowserWindowController;
class SettingsStore;
class BrowserWorkspace;
class QWidget;

class AppDelegate : public QObject, public MenuTarget {
  Q_OBJECT

public:
  // The snapshot's delays, and how long it waits for a page still loading.
  static constexpr std::chrono::milliseconds kSnapshotDelay{2000};
  static constexpr std::chrono::milliseconds kSnapshotSettle{200};
  static constexpr std::chrono::milliseconds kLoadingLimit{30000};

  explicit AppDelegate(StartPlan plan, QObject* parent = nullptr);
  ~AppDelegate() override;

  // Opens the first window as the plan says: the profile (one that writes no
  // files for snapshots and suites), the preview appearance, the developer
  // tools, the menus, the window itself.
  void startNormal();
  // Navigates the first window to the route and schedules the snapshot, when
  // the plan has them.
  void startRouteAndSnapshot();

  BrowserWorkspace& workspace() const { return *m_workspace; }

  // Removes the settings store a suite ran with, if any; the suites' own
  // failure path ends the process without destructors.
  void removeSuiteSettings();
  BrowserWindowController* firstController() const { return m_first; }

  // Writes a PNG of `window` to `path` through a temporary file beside it;
  // the error's description when that fails.
  static std::optional<QString> writeSnapshot(QWidget& window, const QString& path);

  // MenuTarget: the menus of every window act through the workspace.
  BrowserModel* activeModel() const override;
  void openNewWindow(bool privateMode) override;
  QWidget* aboutDialogParent() const override;
  void hideApplication() override;
  void quitApplication() override;

private:
  void snapshotAfterDelay();
  void takeSnapshot();
  void finishSnapshot(const std::optional<QString>& failure);
  // Runs `then` once the active window's tab has left loading, or after the
  // loading limit.
  void whenLoaded(std::function<void()> then);
  void pollLoaded(QElapsedTimer clock, std::function<void()> then);
  // At quit: ends every profile's downloads and waits for its history's
  // last save.
  void shutDownProfiles();

  StartPlan m_plan;
  std::shared_ptr<SettingsStore> m_suiteSettings;
  std::unique_ptr<BrowserWorkspace> m_workspace;
  BrowserWindowController* m_first = nullptr;
};
