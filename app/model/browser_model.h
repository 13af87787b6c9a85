// The state of one browser window: its tabs and the selected one, the address
// and search drafts, the developer-tools switches, the open popover menu, a
// transient notice, the reopen list and the document-cache figures, with the
// operations that the window's views call.
//
// Lives on the main thread. Every load runs its blocking road (fetch,
// subresources, render: TabLoader) in one job on a worker thread and applies
// what comes back on the main thread only while the tab, found by its id,
// still carries the generation the load started with, so the latest
// navigation always wins.
//
// Limits: at most 20 closed tabs, 200 console lines after every append, tab
// titles of 60 user-perceived characters, viewport widths of 160 to 8,192.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include "loading/document_cache.h"
#include "loading/subresource_records.h"
#include "loading/tab_loader.h"
#include "model/browser_preferences.h"
#include "model/builtin_pages.h"
#include "model/browser_tab.h"
#include "model/window_services.h"
#include "network/network_transport.h"
#include "support/wire_contract.h"

class BrowsingProfile;
class WebAddress;

class BrowserModel : public QObject {
  Q_OBJECT

public:
  using ClosedTab = ::ClosedTab;

  static constexpr qsizetype kClosedTabLimit = 20;
  static constexpr qsizetype kConsoleLimit = 200;
  static constexpr qsizetype kTitleLimit = 60;
  static constexpr double kDefaultViewportWidth = 997;
  static constexpr double kMinimumViewportWidth = kivo_wire::kMinViewportWidth;
  static constexpr double kMaximumViewportWidth = kivo_wire::kMaxViewportWidth;
  static constexpr std::chrono::milliseconds kRelayoutDelay{160};
  static constexpr std::chrono::milliseconds kNoticeDuration{3000};

  // The blocking services and the clocks a model uses; tests replace them.
  struct Services {
    // Fetches a page (blocking; called on a worker thread).
    TabLoader::Fetch page;
    // Prepares a page's subresources (blocking; called on a worker thread).
    TabLoader::Prepare prepare;
    // Runs a job off the main thread.
    std::function<void(std::function<void()>)> background;
    // Calls `action` on the main thread after `delay`; returns what cancels it.
    std::function<std::function<void()>(std::chrono::milliseconds delay, std::function<void()> action)> schedule;
  };

  // A model with one tab: `initialTab`, or a new home tab. Without a profile
  // the model makes a non-private profile that stores nothing, over `cache`
  // (a new default cache when null); with one, `cache` is not used and the
  // model renders with the profile's cache. Without preferences it reads the
  // standard settings store. Starts no load. Shows the notice that the
  // profile offers, if any (BrowsingProfile::takeNotice).
  explicit BrowserModel(std::shared_ptr<BrowserPreferences> preferences = nullptr,
                        std::shared_ptr<DocumentCache> cache = nullptr, std::optional<BrowserTab> initialTab = {},
                        std::shared_ptr<BrowsingProfile> profile = nullptr, QObject* parent = nullptr);
  ~BrowserModel() override;

  // Replaces the services (tests only; call before the first load).
  void setServices(Services services);

  // State.
  const QList<BrowserTab>& tabs() const { return m_tabs; }
  const QUuid& selectedID() const { return m_selectedID; }
  const QString& addressDraft() const { return m_addressDraft; }
  const QString& searchDraft() const { return m_searchDraft; }
  bool devToolsVisible() const { return m_devToolsVisible; }
  InspectorTab inspectorTab() const { return m_inspectorTab; }
  const std::optional<BrowserMenu>& openMenu() const { return m_openMenu; }
  qint64 cacheEntries() const { return m_cacheEntries; }
  qint64 cacheBytes() const { return m_cacheBytes; }
  const std::optional<QString>& notice() const { return m_notice; }
  const QList<ClosedTab>& closedTabs() const { return m_closedTabs; }
  double viewportWidth() const { return m_viewportWidth; }

  // Setters of the views (address field, search field, pane buttons, menus).
  void setAddressDraft(const QString& text);
  void setSearchDraft(const QString& text);
  void setDevToolsVisible(bool visible);
  void setInspectorTab(InspectorTab tab);
  void setOpenMenu(const std::optional<BrowserMenu>& menu);

  // Services.
  const std::shared_ptr<BrowserPreferences>& preferences() const { return m_preferences; }
  const std::shared_ptr<BrowsingProfile>& profile() const { return m_profile; }
  const std::shared_ptr<DocumentCache>& cache() const { return m_cache; }
  bool isPrivate() const;

  // The window layer; set and cleared by the window controller.
  WorkspaceServices* workspace() const { return m_workspace; }
  WindowServices* browserWindow() const { return m_browserWindow; }
  void setWorkspace(WorkspaceServices* workspace) { m_workspace = workspace; }
  void setBrowserWindow(WindowServices* window) { m_browserWindow = window; }

  // Derived values.
  // The index of the selected tab; 0 when the selection names no tab.
  qsizetype selectedIndex() const;
  // A copy of the selected tab.
  BrowserTab current() const;
  // The selected tab's document, when it shows one.
  std::optional<PageDocument> currentDocument() const;
  bool canGoBack() const;
  bool canGoForward() const;
  // The current address's fragment without percent-encoding.
  std::optional<QString> fragment() const;
  // The node of the current document whose id is the inspected one.
  std::optional<InspectedNode> inspectedNode() const;

  // Notice and cache.
  // Shows `text` at once and clears it 3 s after the last call.
  void notify(const QString& text);
  // Reads the cache's figures into cacheEntries and cacheBytes.
  void refreshCacheStatistics();
  // Empties the document cache and the transport's caches, then refreshes the
  // figures and shows a notice.
  void clearCache();
  // Cancels all work and resets to one new tab when the window closes.
  void closeWindow();

  // Tabs.
  void newTab();
  void select(const QUuid& id);
  void cycleTab(int step);
  void close(const QUuid& id);
  void reopenClosedTab();
  void moveTab(const QUuid& id, qsizetype index);
  void restoreTabOrder(const QList<QUuid>& order);
  std::optional<BrowserTab> takeTabForTransfer(const QUuid& id);
  void receiveTransferredTab(const BrowserTab& tab, qsizetype index);
  void resumeTransferredTab(const QUuid& id);
  void openSettings();

  // Addresses.
  // Parses typed text into an address, visits it in the selected tab and
  // loads it; blank text does nothing.
  void navigate(const QString& text);
  // Opens the local search page for the trimmed query.
  void search(const QString& query);
  // The address a typed text stands for; nothing for blank text.
  static std::optional<QString> typedAddress(const QString& text);

  // History, reload and stop.
  void back();
  void forward();
  void reload();
  void hardReload();
  void stopLoading();
  void followLink(const QString& link);
  void clearHistory();

  // Opens the local-file dialog and navigates to the chosen file.
  void openFile();
  // Offers the current http(s) address as a download.
  void downloadCurrent();

  // Viewport.
  // Stores the floored width clamped to 160...8192 and re-lays out the
  // selected document 0.16 s after the last accepted change.
  void setViewportWidth(double width);

  // Developer tools.
  void toggleDeveloperTools();
  void inspect(qint64 nodeID);
  void toggleInspectorNode(qint64 nodeID);
  void clearConsole();

Q_SIGNALS:
  // Each is emitted after every assignment of its property, changed or not.
  void tabsChanged();
  void selectedIDChanged();
  void addressDraftChanged();
  void searchDraftChanged();
  void devToolsVisibleChanged();
  void inspectorTabChanged();
  void openMenuChanged();
  void cacheEntriesChanged();
  void cacheBytesChanged();
  void noticeChanged();
  void closedTabsChanged();
  // The focus-address command asks this model's window to focus its address
  // field and select its text.
  void addressFocusRequested();

private:
  struct LoadTask {
    std::stop_source stop;
  };
  struct LoadJob;

  // Loads the address of the tab at `index` (the one entry of every load).
  void load(qsizetype index, bool preserveDocument, bool bypassCache);
  void startLocal(const QUrl& file, qsizetype index, const QUuid& generation, bool preserveDocument,
                  bool bypassCache);
  void startRemote(const WebAddress& address, qsizetype index, const QUuid& generation, bool preserveDocument,
                   bool bypass);
  // A job for the tab at `index` with the current width.
  std::shared_ptr<LoadJob> newJob(qsizetype index, const QUrl& url, const QUuid& generation, bool preserveDocument,
                                  bool bypassCache) const;
  // Runs the job's loader on a worker; a web page's response comes back to
  // remoteResponded() as it arrives, the outcome to localFinished() or
  // remoteFinished().
  void startLoad(const std::shared_ptr<LoadJob>& job);
  // The index of the job's tab while the job may still change it, or -1.
  qsizetype liveIndex(const LoadJob& job) const;
  void localFinished(const LoadJob& job, const TabLoader::Outcome& outcome);
  void remoteResponded(const LoadJob& job, const NetworkResponse& response);
  void applyResponse(qsizetype index, const LoadJob& job, const NetworkResponse& response);
  void remoteFinished(const LoadJob& job, const TabLoader::Outcome& outcome);
  void remoteRendered(qsizetype index, const LoadJob& job, const TabLoader::Outcome& outcome);
  void remoteFailed(qsizetype index, const std::exception_ptr& failure);
  void clearNavigationHistory();

  // The index of the tab with `id`, or -1.
  qsizetype indexOf(const QUuid& id) const;
  // The index of the tab with `id` that still carries `generation`, or -1.
  qsizetype indexOf(const QUuid& id, const QUuid& generation) const;
  // Removes and cancels the load task of the tab.
  void cancelLoad(const QUuid& id);
  // Applies `change` to the tab at `index` and announces the change.
  void changeTab(qsizetype index, const std::function<void(BrowserTab&)>& change);
  void setTabs(const QList<BrowserTab>& tabs);
  void setSelectedID(const QUuid& id);
  void setClosedTabs(const QList<ClosedTab>& closedTabs);
  void setCacheEntries(qint64 entries);
  void setCacheBytes(qint64 bytes);
  void setNotice(const std::optional<QString>& notice);
  static void capConsole(BrowserTab& tab);
  static QString shortTitle(const QString& title);

  QList<BrowserTab> m_tabs;
  QUuid m_selectedID;
  QString m_addressDraft = BuiltinPages::kHome;
  QString m_searchDraft;
  bool m_devToolsVisible = false;
  InspectorTab m_inspectorTab = InspectorTab::Elements;
  std::optional<BrowserMenu> m_openMenu;
  qint64 m_cacheEntries = 0;
  qint64 m_cacheBytes = 0;
  std::optional<QString> m_notice;
  QList<ClosedTab> m_closedTabs;
  WorkspaceServices* m_workspace = nullptr;
  WindowServices* m_browserWindow = nullptr;
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<BrowsingProfile> m_profile;
  std::shared_ptr<DocumentCache> m_cache;
  QHash<QUuid, std::shared_ptr<LoadTask>> m_loads;
  std::function<void()> m_cancelNotice;
  std::function<void()> m_cancelResize;
  double m_viewportWidth = kDefaultViewportWidth;
  Services m_services;
};
