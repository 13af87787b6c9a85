#include "chrome/app_delegate.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QPixmap>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QUuid>

#include <cstdio>
#include <memory>

#include "frame/browser_window.h"
#include "chrome/browser_workspace.h"
#include "loading/document_cache.h"
#include "model/browser_model.h"
#include "model/browser_preferences.h"
#include "model/settings_store.h"
#include "profile/browsing_profile.h"
#include "profile/download_store.h"

namespace {

void printLine(const QString& line) {
  const QByteArray bytes = line.toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
  std::fflush(stdout);
}

bool isLoading(const BrowserModel& model) {
  return model.current().content.is(PageContent::Kind::Loading);
}

}  // namespace

AppDelegate::AppDelegate(StartPlan plan, QObject* parent) : QObject(parent), m_plan(std::move(plan)) {
  // Snapshots and suites never read or write the user's real profile: the
  // workspace's own profile then keeps everything in memory.
  std::shared_ptr<BrowsingProfile> profile;
  if (m_plan.fileLessProfile) {
    profile = std::make_shared<BrowsingProfile>(false, QString(), std::make_shared<DocumentCache>());
  }
  // A suite changes preferences as a user would: it gets a settings store of
  // its own, removed when it ends.
  std::shared_ptr<BrowserPreferences> preferences;
  if (m_plan.suite != InWindowSuite::None) {
    m_suiteSettings = SettingsStore::open(QStringLiteral("com.kivo.browser.tests.") +
                                          QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (m_suiteSettings) preferences = std::make_shared<BrowserPreferences>(m_suiteSettings);
  }
  m_workspace = std::make_unique<BrowserWorkspace>(preferences, profile ? profile->cache() : nullptr, profile);
  connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::shutDownProfiles);
}

BrowserModel* AppDelegate::activeModel() const {
  return m_workspace->activeModel();
}

void AppDelegate::openNewWindow(bool privateMode) {
  m_workspace->newWindow(nullptr, std::nullopt, privateMode);
}

QWidget* AppDelegate::aboutDialogParent() const {
  BrowserWindowController* active = m_workspace->activeController();
  return active ? &active->browserWindow() : nullptr;
}

void AppDelegate::hideApplication() {
  for (BrowserWindowController* controller : m_workspace->controllers()) controller->browserWindow().showMinimized();
}

void AppDelegate::quitApplication() {
  QCoreApplication::quit();
}

AppDelegate::~AppDelegate() {
  removeSuiteSettings();
}

void AppDelegate::removeSuiteSettings() {
  if (m_suiteSettings) m_suiteSettings->removeAll();
  m_suiteSettings = nullptr;
}

void AppDelegate::startNormal() {
  // Every window gets the menus, with its own bar and shortcuts.
  m_workspace->onWindowCreated = [this](BrowserWindowController& controller) {
    new ApplicationMenus(*this, &controller.browserWindow(), &controller.model());
  };
  auto model = std::make_shared<BrowserModel>(m_workspace->preferences(), nullptr, std::nullopt, m_workspace->profile());
  if (m_plan.previewAppearance) m_workspace->preferences()->setPreviewAppearance(*m_plan.previewAppearance);
  if (m_plan.devtools) model->setDevToolsVisible(true);
  m_first = m_workspace->newWindow(model, std::nullopt, false);
}

void AppDelegate::startRouteAndSnapshot() {
  if (m_plan.route && m_first) m_first->model().navigate(*m_plan.route);
  if (m_plan.snapshotPath) {
    QTimer::singleShot(kSnapshotDelay, this, [this] { whenLoaded([this] { snapshotAfterDelay(); }); });
  }
}

void AppDelegate::whenLoaded(std::function<void()> then) {
  QElapsedTimer clock;
  clock.start();
  pollLoaded(clock, std::move(then));
}

void AppDelegate::pollLoaded(QElapsedTimer clock, std::function<void()> then) {
  BrowserWindowController* active = m_workspace->activeController();
  if (!active || !isLoading(active->model()) || clock.elapsed() >= kLoadingLimit.count()) {
    then();
    return;
  }
  QTimer::singleShot(std::chrono::milliseconds(50), this,
                     [this, clock, then = std::move(then)]() mutable { pollLoaded(clock, std::move(then)); });
}

void AppDelegate::snapshotAfterDelay() {
  // With the developer tools asked for, the first "h1" is inspected, so the
  // picture shows its box and its node.
  if (m_plan.devtools) {
    if (BrowserWindowController* active = m_workspace->activeController()) {
      BrowserModel& model = active->model();
      if (const std::optional<PageDocument> document = model.currentDocument(); document && document->nodes) {
        for (const InspectedNode& node : *document->nodes) {
          if (node.name == QLatin1String("h1")) {
            model.inspect(node.id);
            break;
          }
        }
      }
    }
  }
  QTimer::singleShot(kSnapshotSettle, this, [this] { whenLoaded([this] { takeSnapshot(); }); });
}

void AppDelegate::takeSnapshot() {
  BrowserWindowController* active = m_workspace->activeController();
  if (!active) {
    finishSnapshot(QStringLiteral("no browser window is open"));
    return;
  }
  finishSnapshot(writeSnapshot(active->browserWindow(), *m_plan.snapshotPath));
}

void AppDelegate::finishSnapshot(const std::optional<QString>& failure) {
  if (failure) {
    printLine(QStringLiteral("Snapshot failed: ") + *failure);
  } else {
    printLine(QStringLiteral("Snapshot saved: ") + *m_plan.snapshotPath);
  }
  if (m_plan.exitAfterSnapshot) QCoreApplication::exit(failure ? 1 : 0);
}

std::optional<QString> AppDelegate::writeSnapshot(QWidget& window, const QString& path) {
  const QPixmap picture = window.grab();
  if (picture.isNull()) return QStringLiteral("the window could not be drawn");
  // The picture appears under its name whole or not at all.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  QImageWriter writer(&file, "png");
  if (!writer.write(picture.toImage())) {
    file.cancelWriting();
    return writer.errorString();
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}

void AppDelegate::shutDownProfiles() {
  m_workspace->profile()->downloads().shutdown();
  m_workspace->profile()->history().flush();
  for (BrowserWindowController* controller : m_workspace->controllers()) {
    controller->model().profile()->downloads().shutdown();
    controller->model().profile()->history().flush();
  }
}
