#include "chrome/browser_workspace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <algorithm>

#include "chrome/browser_chrome_view.h"
#include "chrome/browser_view.h"
#include "frame/browser_window.h"
#include "chrome/native_tab_strip.h"
#include "chrome/tab_drag_preview.h"
#include "kit/palette.h"
#include "kit/window_front.h"
#include "kit/preferences_theme.h"
#include "frame/window_geometry.h"
#include "loading/document_cache.h"
#include "model/browser_model.h"
#include "model/browser_preferences.h"
#include "profile/browsing_profile.h"

namespace {

const char* const kFullScreenExitFailed = "Tam ekrandan çıkılamadı; sekmen bu pencerede kaldı.";

}  // namespace

// ---------------------------------------------------------------------------
// BrowserWindowController

BrowserWindowController::BrowserWindowController(std::shared_ptr<BrowserModel> model, BrowserWorkspace* workspace)
    : m_model(std::move(model)), m_workspace(workspace), m_window(new BrowserWindow()) {
  m_model->setWorkspace(workspace);
  m_model->setBrowserWindow(m_window);
  m_window->chromeState().browserWindow = m_window;

  m_window->setWindowTitle(m_model->isPrivate() ? QStringLiteral("Kivo · Gizli pencere") : QStringLiteral("Kivo"));
  m_window->setMinimumSize(kMinimumWidth, kMinimumHeight);
  m_window->resize(kWidth, kHeight);

  m_window->installBrowserContent(new BrowserView(*m_model, m_window->chromeState(), this));
  m_window->setTheme(PreferencesTheme::of(m_model->preferences()));

  // A press anywhere in the window while a popover is open only closes it.
  m_window->dismissTransientUI = [model = std::weak_ptr<BrowserModel>(m_model)] {
    const std::shared_ptr<BrowserModel> strong = model.lock();
    if (!strong || !strong->openMenu()) return false;
    strong->setOpenMenu(std::nullopt);
    return true;
  };

  connect(m_window, &BrowserWindow::becameActive, this, &BrowserWindowController::windowBecameActive);
  connect(m_window, &BrowserWindow::willClose, this, &BrowserWindowController::windowWillClose);
  connect(m_window, &BrowserWindow::willEnterFullScreen, this, &BrowserWindowController::windowWillEnterFullScreen);
  connect(m_window, &BrowserWindow::didEnterFullScreen, this, [this] { m_window->setFullScreenLayout(true); });
  connect(m_window, &BrowserWindow::didExitFullScreen, this, &BrowserWindowController::windowDidExitFullScreen);
  connect(m_window, &BrowserWindow::didFailToEnterFullScreen, this,
          [this] { m_window->setFullScreenLayout(false); });
  connect(m_window, &BrowserWindow::didFailToExitFullScreen, this,
          &BrowserWindowController::windowDidFailToExitFullScreen);

  // Centred on its screen until the workspace places it, its top-left
  // corner never off the available area.
  if (workspace) {
    m_window->setScreenArea([workspace = QPointer<BrowserWorkspace>(workspace)](const BrowserWindow& window) {
      return workspace ? workspace->screenArea(window) : BrowserWindow::screenAvailableArea(window);
    });
  }
  const std::optional<QRect> area = m_window->availableArea();
  if (area) {
    QRect frame(QPoint(), m_window->size());
    frame.moveCenter(area->center());
    m_window->move(std::max(frame.left(), area->left()), std::max(frame.top(), area->top()));
  }
}

BrowserWindowController::~BrowserWindowController() {
  // The model may outlive the controller (a suite can hold it): it must not
  // keep pointing at a window that is going away.
  if (m_model->browserWindow() == m_window) m_model->setBrowserWindow(nullptr);
  delete m_window;
}

NativeTabStrip* BrowserWindowController::tabStrip() const {
  if (m_window->chromeState().isFullScreen()) {
    if (QWidget* chrome = m_window->fullScreenChrome()) {
      if (auto* strip = chrome->findChild<NativeTabStrip*>()) return strip;
    }
  }
  return m_window->findChild<NativeTabStrip*>();
}

BrowserWorkspace* BrowserWindowController::tearOffWorkspace() const {
  return m_model->workspace() ? m_workspace.data() : nullptr;
}

bool BrowserWindowController::canTearOff() const {
  return tearOffWorkspace() != nullptr;
}

void BrowserWindowController::updateDragPreview(const QUuid& tab, QPoint screenPoint) {
  if (BrowserWorkspace* workspace = tearOffWorkspace()) workspace->updateDragPreview(tab, *m_model, screenPoint);
}

bool BrowserWindowController::dropTab(const QUuid& tab, QPoint screenPoint) {
  BrowserWorkspace* workspace = tearOffWorkspace();
  return workspace && workspace->dropTab(tab, *m_model, screenPoint);
}

void BrowserWindowController::cancelDragPreview() {
  if (BrowserWorkspace* workspace = tearOffWorkspace()) workspace->cancelDragPreview();
}

void BrowserWindowController::windowBecameActive() {
  if (m_workspace) m_workspace->becameMain(this);
  m_model->refreshCacheStatistics();
}

void BrowserWindowController::windowWillClose() {
  afterFullScreenExit = nullptr;
  m_model->setWorkspace(nullptr);
  m_model->setBrowserWindow(nullptr);
  if (m_workspace) m_workspace->closed(this);
}

void BrowserWindowController::windowWillEnterFullScreen() {
  m_window->installFullScreenChrome(new BrowserChromeView(*m_model, m_window->chromeState(), this));
  m_window->setFullScreenLayout(true);
}

void BrowserWindowController::windowDidExitFullScreen() {
  m_window->setFullScreenLayout(false);
  std::function<void()> action = std::move(afterFullScreenExit);
  afterFullScreenExit = nullptr;
  if (action) action();
}

void BrowserWindowController::windowDidFailToExitFullScreen() {
  m_window->setFullScreenLayout(true);
  afterFullScreenExit = nullptr;
  m_model->notify(QString::fromUtf8(kFullScreenExitFailed));
}

// ---------------------------------------------------------------------------
// BrowserWorkspace

BrowserWorkspace::BrowserWorkspace(std::shared_ptr<BrowserPreferences> preferences,
                                   std::shared_ptr<DocumentCache> cache, std::shared_ptr<BrowsingProfile> profile,
                                   QObject* parent)
    : QObject(parent),
      m_preferences(preferences ? std::move(preferences) : std::make_shared<BrowserPreferences>()),
      m_cache(cache ? std::move(cache) : std::make_shared<DocumentCache>()),
      m_profile(profile ? std::move(profile)
                        : std::make_shared<BrowsingProfile>(false, BrowsingProfile::directory(), m_cache)) {}

BrowserWorkspace::~BrowserWorkspace() {
  cancelDragPreview();
  // Windows still open when the application ends go with it.
  const QList<BrowserWindowController*> open = m_controllers;
  m_controllers.clear();
  for (BrowserWindowController* controller : open) {
    controller->model().setWorkspace(nullptr);
    delete controller;
  }
}

QList<BrowserWindowController*> BrowserWorkspace::windowsFrontToBack() const {
  QList<BrowserWindowController*> order;
  for (const QPointer<BrowserWindowController>& controller : m_order) {
    if (controller && m_controllers.contains(controller.data())) order.append(controller.data());
  }
  for (BrowserWindowController* controller : m_controllers) {
    if (!order.contains(controller)) order.append(controller);
  }
  return order;
}

BrowserWindowController* BrowserWorkspace::activeController() const {
  if (m_lastActive && m_controllers.contains(m_lastActive.data())) return m_lastActive.data();
  return m_controllers.isEmpty() ? nullptr : m_controllers.last();
}

BrowserWindowController* BrowserWorkspace::newWindow(std::shared_ptr<BrowserModel> model, std::optional<QPoint> at,
                                                     bool privateMode) {
  if (!model) {
    const std::shared_ptr<BrowsingProfile> profile =
        privateMode ? std::make_shared<BrowsingProfile>(true, QString(), std::make_shared<DocumentCache>())
                    : m_profile;
    model = std::make_shared<BrowserModel>(m_preferences, nullptr, std::nullopt, profile);
  }
  auto* controller = new BrowserWindowController(std::move(model), this);
  m_controllers.append(controller);

  BrowserWindow& window = controller->browserWindow();
  if (at) {
    position(window, *at);
  } else if (BrowserWindowController* last = activeController(); last && last != controller) {
    if (const std::optional<QRect> area = screenArea(last->browserWindow())) {
      window.move(WindowGeometry::cascadeOrigin(last->browserWindow().geometry(), window.size(), *area));
    }
  }
  if (onWindowCreated) onWindowCreated(*controller);

  window.show();
  KitWindows::bringToFront(window);
  becameMain(controller);
  Q_EMIT windowsChanged();
  return controller;
}

void BrowserWorkspace::becameMain(BrowserWindowController* controller) {
  m_lastActive = controller;
  m_order.removeAll(QPointer<BrowserWindowController>(controller));
  m_order.prepend(controller);
  Q_EMIT windowsChanged();
}

void BrowserWorkspace::closed(BrowserWindowController* controller) {
  if (!m_controllers.contains(controller)) return;
  cancelDragPreview();
  BrowserModel& model = controller->model();
  model.closeWindow();
  m_controllers.removeAll(controller);
  m_order.removeAll(QPointer<BrowserWindowController>(controller));

  const std::shared_ptr<BrowsingProfile> profile = model.profile();
  bool stillUsed = false;
  for (BrowserWindowController* other : m_controllers) {
    stillUsed = stillUsed || other->model().profile() == profile;
  }
  if (!stillUsed && profile) profile->endPrivateSession();

  if (m_lastActive == controller) m_lastActive = m_order.isEmpty() ? nullptr : m_order.first().data();
  if (!m_lastActive && !m_controllers.isEmpty()) m_lastActive = m_controllers.last();
  // The window is inside its own close handling: it goes once that is over.
  controller->deleteLater();
  Q_EMIT windowsChanged();
}

BrowserWindowController* BrowserWorkspace::controller(const BrowserModel* model) const {
  for (BrowserWindowController* controller : m_controllers) {
    if (&controller->model() == model) return controller;
  }
  return nullptr;
}

bool BrowserWorkspace::detach(const QUuid& id, BrowserModel& source, std::optional<QPoint> at) {
  BrowserWindowController* from = controller(&source);
  if (!from) return false;
  bool hasTab = false;
  for (const BrowserTab& tab : source.tabs()) hasTab = hasTab || tab.id() == id;
  if (!hasTab) return false;

  const QRect sourceFrame = from->browserWindow().geometry();
  const QPoint point = at.value_or(QPoint(sourceFrame.left() + 160, sourceFrame.top() + 60));

  if (from->browserWindow().isFullScreenMode()) {
    if (from->afterFullScreenExit) return false;
    from->afterFullScreenExit = [workspace = QPointer<BrowserWorkspace>(this),
                                 model = std::weak_ptr<BrowserModel>(from->sharedModel()), id, point] {
      const std::shared_ptr<BrowserModel> strong = model.lock();
      if (workspace && strong) workspace->detach(id, *strong, point);
    };
    from->browserWindow().toggleFullScreen();
    return true;
  }

  if (source.tabs().size() == 1) {
    position(from->browserWindow(), point);
    KitWindows::bringToFront(from->browserWindow());
    becameMain(from);
    return true;
  }

  const std::optional<BrowserTab> tab = source.takeTabForTransfer(id);
  if (!tab) return false;
  auto model = std::make_shared<BrowserModel>(m_preferences, nullptr, *tab, source.profile());
  model->setDevToolsVisible(source.devToolsVisible());
  model->setInspectorTab(source.inspectorTab());
  BrowserWindowController* opened = newWindow(model, point, false);
  opened->model().resumeTransferredTab(id);
  return true;
}

bool BrowserWorkspace::transfer(const QUuid& id, BrowserModel& source, BrowserModel& target, int index) {
  const qsizetype sourceCount = source.tabs().size();
  if (&source == &target || source.profile() != target.profile()) return false;
  BrowserWindowController* from = controller(&source);
  BrowserWindowController* to = controller(&target);
  if (!from || !to) return false;
  for (const BrowserTab& tab : target.tabs()) {
    if (tab.id() == id) return false;
  }
  const std::optional<BrowserTab> tab = source.takeTabForTransfer(id);
  if (!tab) return false;
  target.receiveTransferredTab(*tab, index);
  KitWindows::bringToFront(to->browserWindow());
  becameMain(to);
  // The emptied window closes; the close path cleans its model up.
  if (sourceCount == 1) from->browserWindow().close();
  return true;
}

std::optional<BrowserWorkspace::DropTarget> BrowserWorkspace::dropTarget(QPoint screenPoint,
                                                                         const BrowserModel& excluding,
                                                                         bool autoScroll) const {
  for (BrowserWindowController* candidate : windowsFrontToBack()) {
    BrowserWindow& window = candidate->browserWindow();
    if (!window.isVisible() || window.isMinimized() || !window.geometry().contains(screenPoint)) continue;
    // The frontmost window under the point decides.
    if (&candidate->model() == &excluding || candidate->model().profile() != excluding.profile()) return std::nullopt;
    NativeTabStrip* strip = candidate->tabStrip();
    if (!strip || !strip->isVisible()) return std::nullopt;
    const QPoint left = strip->mapToGlobal(QPoint(0, 0));
    const int width = std::max(strip->width(), window.geometry().right() + 1 - 44 - left.x());
    if (!QRect(left, QSize(width, strip->height())).contains(screenPoint)) return std::nullopt;
    return DropTarget{candidate, strip, strip->insertionIndex(screenPoint, autoScroll)};
  }
  return std::nullopt;
}

void BrowserWorkspace::updateDragPreview(const QUuid& id, BrowserModel& source, QPoint screenPoint) {
  const BrowserTab* tab = nullptr;
  for (const BrowserTab& candidate : source.tabs()) {
    if (candidate.id() == id) tab = &candidate;
  }
  if (!tab) {
    cancelDragPreview();
    return;
  }
  const std::optional<DropTarget> target = dropTarget(screenPoint, source, true);
  if (m_markedStrip && (!target || m_markedStrip != target->strip)) m_markedStrip->showDropMarker(std::nullopt);
  if (target) {
    m_markedStrip = target->strip;
    target->strip->showDropMarker(target->index);
  } else {
    m_markedStrip = nullptr;
  }

  if (!m_preview) m_preview = new TabDragPreview();
  const KitTheme* theme = PreferencesTheme::of(source.preferences().get());
  m_preview->setCard(tab->title,
                     target ? QStringLiteral("Bu pencereye taşımak için bırak")
                            : QStringLiteral("Yeni pencere açmak için bırak"),
                     Palette::scheme(theme), Palette::accent(theme));
  std::optional<QRect> area;
  if (QScreen* screen = QGuiApplication::screenAt(screenPoint)) area = screen->availableGeometry();
  m_preview->move(TabDragPreview::origin(screenPoint, area));
  if (!m_preview->isVisible()) m_preview->show();
}

bool BrowserWorkspace::dropTab(const QUuid& id, BrowserModel& source, QPoint screenPoint) {
  const std::optional<DropTarget> target = dropTarget(screenPoint, source, false);
  cancelDragPreview();
  if (!target) return detach(id, source, screenPoint);
  return transfer(id, source, target->controller->model(), target->index);
}

TabDragPreview* BrowserWorkspace::dragPreview() const {
  return m_preview.data();
}

NativeTabStrip* BrowserWorkspace::markedStrip() const {
  return m_markedStrip.data();
}

void BrowserWorkspace::cancelDragPreview() {
  if (m_preview) {
    m_preview->hide();
    m_preview->deleteLater();
    m_preview = nullptr;
  }
  if (m_markedStrip) m_markedStrip->showDropMarker(std::nullopt);
  m_markedStrip = nullptr;
}

void BrowserWorkspace::position(BrowserWindow& window, QPoint point) const {
  // The screen that holds the point, else the window's, else the primary.
  std::optional<QRect> area;
  for (QScreen* screen : QGuiApplication::screens()) {
    if (!m_screenArea && screen->geometry().contains(point)) {
      area = screen->availableGeometry();
      break;
    }
  }
  if (!area) area = screenArea(window);
  if (!area) return;
  window.setGeometry(WindowGeometry::placeNear(point, window.size(), *area));
}

void BrowserWorkspace::setScreenArea(ScreenArea area) {
  m_screenArea = std::move(area);
}

std::optional<QRect> BrowserWorkspace::screenArea(const QWidget& window) const {
  return m_screenArea ? m_screenArea(window) : BrowserWindow::screenAvailableArea(window);
}

QList<BrowserModel*> BrowserWorkspace::windowModels() const {
  QList<BrowserModel*> models;
  for (BrowserWindowController* controller : m_controllers) models.append(&controller->model());
  return models;
}

void BrowserWorkspace::newWindow(bool privateMode) {
  newWindow(nullptr, std::nullopt, privateMode);
}

void BrowserWorkspace::detachTab(const QUuid& tab, BrowserModel& model) {
  detach(tab, model, std::nullopt);
}

BrowserModel* BrowserWorkspace::activeModel() const {
  BrowserWindowController* active = activeController();
  return active ? &active->model() : nullptr;
}
