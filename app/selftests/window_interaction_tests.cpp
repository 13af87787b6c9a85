#include "selftests/window_interaction_tests.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QScrollArea>
#include <QScreen>
#include <QScrollBar>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

#include "chrome/browser_chrome_view.h"
#include "model/browser_command.h"
#include "frame/browser_window.h"
#include "chrome/browser_workspace.h"
#include "document/document_canvas.h"
#include "chrome/native_tab_strip.h"
#include "loading/page_document.h"
#include "model/browser_model.h"
#include "model/browser_tab.h"
#include "profile/browsing_profile.h"
#include "selftests/smoke_failure.h"
#include "selftests/suite_input.h"

namespace {

using namespace std::chrono_literals;

// Every poll of this suite: evaluated at once and then every 10 ms, 600 times
// in all, so that a condition that never holds fails after about 6 s.
constexpr int kPollEvaluations = 600;
constexpr std::chrono::milliseconds kPollInterval{10};
// The pause after each of the eight pointer moves of a drag.
constexpr std::chrono::milliseconds kDragStepPause{16};
constexpr int kDragSteps = 8;

const char* const kDocumentTitle = "Taşınan sayfa";

// The suite's own folder under the system's temporary folder, removed with
// everything in it when the suite ends, however it ends.
class FixtureDirectory {
public:
  FixtureDirectory()
      : m_path(QDir::tempPath() + QStringLiteral("/kivo-window-tests-") +
               QUuid::createUuid().toString(QUuid::WithoutBraces)) {
    if (!QDir().mkpath(m_path)) {
      throw std::runtime_error("could not create the folder " + m_path.toStdString());
    }
  }
  ~FixtureDirectory() { QDir(m_path).removeRecursively(); }
  FixtureDirectory(const FixtureDirectory&) = delete;
  FixtureDirectory& operator=(const FixtureDirectory&) = delete;

  const QString& path() const { return m_path; }

private:
  QString m_path;
};

// The test page: a title, one heading and a hundred paragraphs, tall enough
// to scroll well past 400 points. Returns its file address.
QString writeTestDocument(const FixtureDirectory& directory) {
  QString html = QString::fromUtf8("<html><head><title>") + QString::fromUtf8(kDocumentTitle) +
                 QString::fromUtf8("</title></head><body><h1>Başlık</h1>");
  for (int line = 1; line <= 100; ++line) {
    html += QString::fromUtf8("<p>Satır %1: Kivo pencere taşıma denemesi.</p>").arg(line);
  }
  html += QStringLiteral("</body></html>");

  const QString path = directory.path() + QStringLiteral("/long.html");
  QFile file(path);
  const QByteArray bytes = html.toUtf8();
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() ||
      !file.flush()) {
    throw std::runtime_error("could not write " + path.toStdString() + ": " + file.errorString().toStdString());
  }
  return QUrl::fromLocalFile(path).toString();
}

// Two faults of g++ 12 shape how this suite awaits. It destroys the
// temporaries of a co_await expression twice, so every awaited call here
// takes named values, or values without a destructor of their own; and it
// never starts a coroutine that awaits inside an if condition, so results
// are taken into variables first.

// Polls `condition` the suite's way; throws `check` when it never held.
SuiteTask pollOrFail(const std::function<bool()>& condition, const char* check) {
  const bool held = co_await SuiteWait::poll(condition, kPollEvaluations, kPollInterval);
  if (!held) throw SmokeFailure(QString::fromUtf8(check));
}

bool showsTestDocument(const BrowserModel& model) {
  const std::optional<PageDocument> document = model.currentDocument();
  return document && document->title == QString::fromUtf8(kDocumentTitle);
}

bool hasTab(const BrowserModel& model, const QUuid& id) {
  for (const BrowserTab& tab : model.tabs()) {
    if (tab.id() == id) return true;
  }
  return false;
}

QList<QUuid> tabIDs(const BrowserModel& model) {
  QList<QUuid> ids;
  for (const BrowserTab& tab : model.tabs()) ids.append(tab.id());
  return ids;
}

double scrollOffset(const BrowserModel& model) {
  return model.current().pagePosition()->offset.y();
}

// The first scroll area of the view tree whose content is a document canvas:
// the view itself first, then its children in order, depth first.
QScrollArea* findScroll(QWidget* view) {
  if (auto* area = qobject_cast<QScrollArea*>(view); area && qobject_cast<DocumentCanvas*>(area->widget())) {
    return area;
  }
  for (QObject* child : view->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget) continue;
    if (QScrollArea* found = findScroll(widget)) return found;
  }
  return nullptr;
}

// Waits until a closed window's controller, and with it the window, has been
// destroyed: the deletion happens in the main event loop, and the next step
// must not meet the window any more.
SuiteTask waitReleased(const QPointer<BrowserWindowController>& controller) {
  const std::function<bool()> released = [controller] { return controller.isNull(); };
  co_await pollOrFail(released, "a closed window is destroyed before the next step");
}

// Waits (bounded) until the window system has made the window of
// `controller` the active one; gone, the wait ends. The check after it
// decides.
SuiteTask becomesActive(const QPointer<BrowserWindowController>& controller) {
  const std::function<bool()> active = [controller] {
    return !controller || controller->browserWindow().isActiveWindow();
  };
  co_await SuiteWait::until(active);
}

// Sends Command (Ctrl here) + `key` to the workspace's active window; throws
// when it cannot be sent or no enabled command of that window takes it.
void shortcut(BrowserWorkspace& workspace, const QString& key) {
  BrowserWindowController* active = workspace.activeController();
  const std::optional<QKeyCombination> keys = SuiteInput::shortcutKey(key, CommandModifier::Command);
  if (!active || !keys || !SuiteInput::windowHandle(active->browserWindow())) {
    throw SmokeFailure(QStringLiteral("window shortcut event"));
  }
  if (SuiteInput::shortcut(active->browserWindow(), *keys).isEmpty()) {
    throw SmokeFailure(QStringLiteral("window shortcut ") + key);
  }
}

// Presses the tab `id` of the controller's strip and drags it in eight
// steps, 16 ms apart, to `dropAt` (a screen point) or, without one, 30 right
// of and 140 below the tab's centre; the tab must then be dragged outside
// its strip while its window stays where it was. Released there when
// `release` is true. Stores the last point, in the coordinates of the
// strip's window, in `target`.
SuiteTask dragOut(BrowserWindowController& controller, QUuid id, std::optional<QPointF> dropAt, bool release,
                  QPointF* target = nullptr) {
  QPointer<NativeTabStrip> strip = controller.tabStrip();
  const std::optional<QPointF> center = strip ? strip->tabCenter(id) : std::nullopt;
  QPointer<QWidget> window = strip ? strip->window() : nullptr;
  if (!strip || !center || !window || !SuiteInput::windowHandle(*window)) {
    throw SmokeFailure(QStringLiteral("transfer strip"));
  }
  const QRect frame = controller.browserWindow().geometry();

  QPointF end;
  if (dropAt) {
    end = window->mapFromGlobal(*dropAt);
  } else {
    // 30 to the right and 140 down, which the window's y-up coordinates
    // state as 140 less.
    const QPointF centerUp = SuiteInput::windowPoint(*window, *center);
    end = SuiteInput::windowPoint(*window, centerUp + QPointF(30, -140));
  }
  const QString unsent = QStringLiteral("transfer mouse event");
  require(SuiteInput::mousePress(*window, *center), unsent);
  for (int step = 1; step <= kDragSteps; ++step) {
    const QPointF point = step == kDragSteps ? end : *center + (end - *center) * step / kDragSteps;
    require(window && SuiteInput::mouseMove(*window, point), unsent);
    co_await SuiteWait::sleep(kDragStepPause);
  }

  require(strip && strip->isExternalDrag(), QStringLiteral("leaving the strip starts detachable preview"));
  require(controller.browserWindow().geometry() == frame,
          QStringLiteral("detaching a tab moves only the preview until drop"));
  if (release) require(window && SuiteInput::mouseRelease(*window, end), unsent);
  if (target) *target = end;
}

// What the suite knows across its phases.
struct Suite {
  explicit Suite(BrowserWorkspace& workspace) : workspace(workspace) {}

  BrowserWorkspace& workspace;
  QPointer<BrowserWindowController> source;
  // The source window's model, held so that a lost window ends the suite
  // with a check rather than a crash.
  std::shared_ptr<BrowserModel> sourceModel;
  QRect desktop;            // the virtual desktop, for the y-up conversions
  // The visible area of the source window's screen, y up: its top() is
  // its lowest y and its bottom() its highest.
  QRectF visible;
  QString documentAddress;  // the test page's file address
  QUuid moved;              // the tab every drag moves
  QPointer<BrowserWindowController> detached;

  // The moved tab just before the first tear-off.
  QStringList history;
  std::optional<qint64> inspectedNode;
  qsizetype closedTabs = 0;
  double offset = 0;

  BrowserWindowController& sourceWindow() const {
    if (!source) throw SmokeFailure(QStringLiteral("source window stays open"));
    return *source;
  }
  BrowserModel& model() const { return *sourceModel; }
  // The screen rectangle and point of y-up ones.
  QRect onScreen(const QRectF& yUp) const { return SuiteInput::screenRect(desktop, yUp).toRect(); }
  QPoint onScreen(const QPointF& yUp) const { return SuiteInput::screenPoint(desktop, yUp).toPoint(); }
};

// The moved tab shows the test page, inspected at its heading and scrolled
// 420 points down, in the source window; its state is then recorded.
SuiteTask setUp(Suite& suite) {
  BrowserModel& model = suite.model();
  model.search(QString::fromUtf8("Önceki sayfa"));
  model.newTab();
  model.search(QString::fromUtf8("Geçmişteki arama"));
  model.navigate(suite.documentAddress);
  suite.moved = model.selectedID();
  const std::function<bool()> shown = [&model] { return showsTestDocument(model); };
  co_await pollOrFail(shown, "document before detachment");

  // The heading must be there to inspect: without it the inspector check of
  // the tear-off would compare two empty selections and could not fail.
  model.setDevToolsVisible(true);
  std::optional<qint64> heading;
  if (const std::optional<PageDocument> document = model.currentDocument(); document && document->nodes) {
    for (const InspectedNode& node : *document->nodes) {
      if (node.name == QLatin1String("h1")) {
        heading = node.id;
        break;
      }
    }
  }
  require(heading.has_value(), QStringLiteral("document lists its heading for inspection"));
  model.inspect(*heading);
  co_await SuiteWait::sleep(250ms);

  QScrollArea* scroll = findScroll(&suite.sourceWindow().browserWindow());
  if (!scroll) throw SmokeFailure(QStringLiteral("source document scroll"));
  scroll->horizontalScrollBar()->setValue(0);
  scroll->verticalScrollBar()->setValue(420);
  co_await SuiteWait::sleep(250ms);

  const BrowserTab current = model.current();
  suite.history = current.history;
  suite.inspectedNode = current.inspectedNodeID;
  suite.closedTabs = model.closedTabs().size();
  suite.offset = current.pagePosition()->offset.y();
}

// Dragging the tab out of its strip opens a window that holds it with its
// history, inspection, scroll position and preferences.
SuiteTask tearOff(Suite& suite) {
  BrowserWorkspace& workspace = suite.workspace;
  BrowserModel& model = suite.model();
  co_await dragOut(suite.sourceWindow(), suite.moved, std::nullopt, true);
  const std::function<bool()> twoWindows = [&workspace] { return workspace.controllers().size() == 2; };
  co_await pollOrFail(twoWindows, "detached real window");

  for (BrowserWindowController* controller : workspace.controllers()) {
    if (controller != suite.source) {
      suite.detached = controller;
      break;
    }
  }
  if (!suite.detached) throw SmokeFailure(QStringLiteral("detached owner"));
  const std::shared_ptr<BrowserModel> detached = suite.detached->sharedModel();
  const std::function<bool()> restored = [detached] { return showsTestDocument(*detached); };
  co_await pollOrFail(restored, "detached document restored");
  co_await SuiteWait::sleep(250ms);

  require(detached->selectedID() == suite.moved && detached->current().history == suite.history,
          QStringLiteral("detachment preserves identity and history"));
  require(detached->current().inspectedNodeID == suite.inspectedNode,
          QStringLiteral("inspector selection survives transfer"));
  require(model.tabs().size() == 1 && model.closedTabs().size() == suite.closedTabs,
          QStringLiteral("detachment does not duplicate or close tab"));
  require(suite.offset > 400 && std::abs(scrollOffset(*detached) - suite.offset) < 2,
          QStringLiteral("scroll position survives transfer"));
  require(detached->preferences().get() == model.preferences().get(),
          QStringLiteral("window themes share preferences"));
}

// After the tear-off the new window is the active one: the shortcuts act on
// it alone.
SuiteTask shortcutRouting(Suite& suite) {
  BrowserWorkspace& workspace = suite.workspace;
  BrowserModel& model = suite.model();
  if (!suite.detached) throw SmokeFailure(QStringLiteral("detached owner"));
  BrowserWindowController& detached = *suite.detached;
  // Shortcuts fire only in the active window, which the window system
  // makes of the new window some loop turns after it is shown.
  co_await becomesActive(suite.detached);
  if (!suite.detached) throw SmokeFailure(QStringLiteral("detached owner"));

  shortcut(workspace, QStringLiteral("t"));
  require(detached.model().tabs().size() == 2 && model.tabs().size() == 1,
          QStringLiteral("new-tab shortcut targets active window only"));
  shortcut(workspace, QStringLiteral("w"));
  require(detached.model().tabs().size() == 1, QStringLiteral("close-tab shortcut targets active window"));

  shortcut(workspace, QStringLiteral("l"));
  co_await SuiteWait::sleep(250ms);
  // The focus must be in this window's own address field, not merely in
  // some line edit.
  const QPointer<BrowserWindowController> guard = suite.detached;
  const std::function<bool()> addressFocused = [guard] {
    if (!guard) return false;
    QWidget* focus = guard->browserWindow().focusWidget();
    for (BrowserChromeView* chrome : guard->browserWindow().findChildren<BrowserChromeView*>()) {
      if (focus && focus == chrome->addressLineEdit()) return true;
    }
    return false;
  };
  const std::function<bool()> focusedThere = [&workspace, guard, addressFocused] {
    return guard && workspace.activeController() == guard.data() && guard->browserWindow().isActiveWindow() &&
           addressFocused();
  };
  co_await SuiteWait::until(focusedThere);
  if (!suite.detached) throw SmokeFailure(QStringLiteral("detached owner"));
  require(workspace.activeController() == &detached && addressFocused(),
          QStringLiteral("address focus stays in active window"));

  const QList<BrowserWindowController*> before = workspace.controllers();
  shortcut(workspace, QStringLiteral("n"));
  co_await SuiteWait::sleep(250ms);
  // The new window is the one to close next: wait until it is the active one.
  const std::function<bool()> newWindowActive = [&workspace, before] {
    for (BrowserWindowController* controller : workspace.controllers()) {
      if (!before.contains(controller)) {
        return workspace.activeController() == controller && controller->browserWindow().isActiveWindow();
      }
    }
    return false;
  };
  co_await SuiteWait::until(newWindowActive);
  require(workspace.controllers().size() == 3, QStringLiteral("Command-N creates another real window"));

  QPointer<BrowserWindowController> opened = workspace.activeController();
  if (!opened) throw SmokeFailure(QStringLiteral("closing a window retains other windows"));
  opened->browserWindow().close();
  require(workspace.controllers().size() == 2, QStringLiteral("closing a window retains other windows"));
  co_await waitReleased(opened);
}

// The tab dropped on the source window's strip, right of its first tab,
// joins it there with its history and scroll position, and the emptied
// window closes.
SuiteTask mergeBack(Suite& suite) {
  BrowserWorkspace& workspace = suite.workspace;
  BrowserModel& model = suite.model();
  if (!suite.detached) throw SmokeFailure(QStringLiteral("detached owner"));
  QPointer<BrowserWindowController> detached = suite.detached;

  // The source window 40 below the top of the visible area, the detached
  // window in front of it and 20 above the bottom, so that the source's
  // strip is not covered.
  const QRectF& visible = suite.visible;
  const QRect sourceFrame = suite.onScreen(QRectF(visible.left() + 20, visible.bottom() - 780, 1000, 740));
  const QRect detachedFrame = suite.onScreen(QRectF(visible.left() + 220, visible.top() + 20, 1000, 620));
  suite.sourceWindow().browserWindow().setGeometry(sourceFrame);
  detached->browserWindow().setGeometry(detachedFrame);
  SuiteInput::makeKeyAndFront(detached->browserWindow());
  co_await SuiteWait::sleep(400ms);
  // The drop point is taken from the frames: wait until the window system
  // has placed both windows and activated the detached one.
  const QPointer<BrowserWindowController> source = suite.source;
  const std::function<bool()> placed = [source, detached, sourceFrame, detachedFrame] {
    return source && detached && source->browserWindow().geometry() == sourceFrame &&
           detached->browserWindow().geometry() == detachedFrame && detached->browserWindow().isActiveWindow();
  };
  co_await SuiteWait::until(placed);

  NativeTabStrip* strip = suite.sourceWindow().tabStrip();
  const std::optional<QPointF> center = strip ? strip->tabCenter(model.tabs().first().id()) : std::nullopt;
  QWidget* stripWindow = strip ? strip->window() : nullptr;
  if (!strip || !center || !stripWindow) throw SmokeFailure(QStringLiteral("merge destination"));
  const QPointF onScreen = stripWindow->mapToGlobal(*center);
  if (!detached) throw SmokeFailure(QStringLiteral("detached owner"));
  co_await dragOut(*detached, suite.moved, onScreen + QPointF(120, 0), true);

  const std::function<bool()> oneWindow = [&workspace] { return workspace.controllers().size() == 1; };
  co_await pollOrFail(oneWindow, "merge closes emptied source window");
  require(model.tabs().size() == 2 && model.tabs().last().id() == suite.moved,
          QStringLiteral("drop inserts at requested position without cloning"));
  require(model.current().history == suite.history && model.closedTabs().size() == suite.closedTabs,
          QStringLiteral("merge preserves history and closed-tab list"));
  co_await waitReleased(detached);
  co_await SuiteWait::sleep(250ms);
  require(std::abs(scrollOffset(model) - suite.offset) < 2, QStringLiteral("merge preserves scroll position"));
}

// Escape during a drag outside the strip, and a release back over the
// strip, each leave the tab where it was.
SuiteTask cancelledTearOffs(Suite& suite) {
  BrowserWorkspace& workspace = suite.workspace;
  BrowserModel& model = suite.model();

  const QList<QUuid> order = tabIDs(model);
  QPointF target;
  co_await dragOut(suite.sourceWindow(), suite.moved, std::nullopt, false, &target);
  // An Escape that cannot be sent is left out; the release goes all the
  // same, and the check decides.
  SuiteInput::keyClick(suite.sourceWindow().browserWindow(), Qt::Key_Escape);
  require(SuiteInput::mouseRelease(suite.sourceWindow().browserWindow(), target),
          QStringLiteral("transfer mouse event"));
  co_await SuiteWait::sleep(250ms);
  require(workspace.controllers().size() == 1 && tabIDs(model) == order,
          QStringLiteral("Escape cancels detachment without losing a tab"));

  co_await dragOut(suite.sourceWindow(), suite.moved, std::nullopt, false);
  NativeTabStrip* strip = suite.sourceWindow().tabStrip();
  const std::optional<QPointF> center = strip ? strip->tabCenter(suite.moved) : std::nullopt;
  if (!center) throw SmokeFailure(QStringLiteral("return-to-strip position"));
  require(SuiteInput::mouseRelease(suite.sourceWindow().browserWindow(), *center),
          QStringLiteral("transfer mouse event"));
  co_await SuiteWait::sleep(250ms);
  require(workspace.controllers().size() == 1, QStringLiteral("returning to source strip cancels tear-off"));
}

// A tab detached while it still loads finishes its load in the new window;
// detaching the only tab of a window moves that window instead.
SuiteTask loadingAndSingleTab(Suite& suite) {
  BrowserWorkspace& workspace = suite.workspace;
  BrowserModel& model = suite.model();

  model.newTab();
  model.navigate(suite.documentAddress);
  const QUuid loading = model.selectedID();
  if (!workspace.detach(loading, model, std::nullopt)) throw SmokeFailure(QStringLiteral("detach a loading tab"));

  QPointer<BrowserWindowController> target;
  for (BrowserWindowController* controller : workspace.controllers()) {
    if (controller != suite.source) {
      target = controller;
      break;
    }
  }
  if (!target) throw SmokeFailure(QStringLiteral("loading target"));
  const std::shared_ptr<BrowserModel> targetModel = target->sharedModel();
  const std::function<bool()> finished = [targetModel] { return showsTestDocument(*targetModel); };
  co_await pollOrFail(finished, "loading transfer finishes in destination");
  require(targetModel->selectedID() == loading && !hasTab(model, loading),
          QStringLiteral("late source load cannot reclaim transferred tab"));

  if (!target) throw SmokeFailure(QStringLiteral("loading target"));
  const QRect frame = target->browserWindow().geometry();
  const QPoint point = suite.onScreen(QPointF(suite.visible.left() + 180, suite.visible.bottom() - 80));
  if (!workspace.detach(loading, *targetModel, point)) {
    throw SmokeFailure(QStringLiteral("single-tab drag"));
  }
  require(workspace.controllers().size() == 2 && target && target->browserWindow().geometry() != frame,
          QStringLiteral("single-tab window moves without leaving an empty window"));

  target->browserWindow().close();
  co_await waitReleased(target);
  co_await SuiteInput::activate(suite.sourceWindow().browserWindow());
  suite.sourceWindow().browserWindow().toggleFullScreen();
  co_await SuiteWait::sleep(1700ms);
  // The window system takes the window into full screen some loop turns
  // later; without a window manager its frame never changes, the wait runs
  // out and the check decides.
  const QPointer<BrowserWindowController> source = suite.source;
  const std::function<bool()> covering = [source] {
    if (!source) return true;
    const BrowserWindow& window = source->browserWindow();
    return window.isFullScreenMode() && window.screen() && window.geometry() == window.screen()->geometry();
  };
  co_await SuiteWait::until(covering);
}

// A tab torn off a full-screen window leaves full screen first and then
// lives in exactly one window.
SuiteTask fullScreenSource(Suite& suite) {
  BrowserWorkspace& workspace = suite.workspace;
  require(suite.sourceWindow().browserWindow().isFullScreenMode(), QStringLiteral("full-screen source"));
  co_await dragOut(suite.sourceWindow(), suite.moved, std::nullopt, true);

  QPointer<BrowserWindowController> source = suite.source;
  const std::function<bool()> leftFullScreen = [&workspace, source] {
    return workspace.controllers().size() == 2 && source && !source->browserWindow().isFullScreenMode();
  };
  co_await pollOrFail(leftFullScreen, "full-screen detachment exits safely");
  int owners = 0;
  for (BrowserWindowController* controller : workspace.controllers()) {
    for (const BrowserTab& tab : controller->model().tabs()) owners += tab.id() == suite.moved ? 1 : 0;
  }
  require(owners == 1, QStringLiteral("full-screen detachment has exactly one owner"));
}

// Private windows keep their own profile: a private tab never joins a normal
// window, travels only into another window of its session, and the session
// ends, history cleared and transport closed, with its last window only.
SuiteTask privateWindows(Suite& suite) {
  BrowserWorkspace& workspace = suite.workspace;
  BrowserModel& model = suite.model();

  QPointer<BrowserWindowController> privateWindow = workspace.newWindow(nullptr, std::nullopt, true);
  const std::shared_ptr<BrowserModel> privateModel = privateWindow->sharedModel();
  privateModel->newTab();
  const QUuid privateTab = privateModel->selectedID();
  const std::shared_ptr<BrowsingProfile> session = privateModel->profile();
  require(privateModel->isPrivate() && session.get() != workspace.profile().get(),
          QStringLiteral("private window has an independent profile"));
  // A visit in the session's history, so that keeping and clearing it can
  // both be seen (private windows record no visits of their own).
  session->history().record(QStringLiteral("https://example.com/gizli"), QString::fromUtf8(kDocumentTitle),
                            session->history().revision());
  require(session->history().entries().size() == 1, QStringLiteral("private session holds a visit"));

  require(!workspace.transfer(privateTab, *privateModel, model, 0),
          QStringLiteral("private tab cannot enter normal profile"));
  require(workspace.detach(privateTab, *privateModel, std::nullopt), QStringLiteral("private tab detaches"));

  QPointer<BrowserWindowController> sibling;
  for (BrowserWindowController* controller : workspace.controllers()) {
    if (controller != privateWindow && controller->model().profile() == session) {
      sibling = controller;
      break;
    }
  }
  if (!sibling) throw SmokeFailure(QStringLiteral("private transfer target"));
  require(sibling->model().isPrivate() && sibling->model().profile() == session,
          QStringLiteral("detached private tab retains private session"));

  if (!privateWindow) throw SmokeFailure(QStringLiteral("private window stays open until closed"));
  privateWindow->browserWindow().close();
  require(workspace.controllers().contains(sibling.data()),
          QStringLiteral("closing one private window preserves detached sibling"));
  require(!session->privateSessionClosed() && session->history().entries().size() == 1,
          QStringLiteral("closing one private window keeps the private session open"));
  co_await waitReleased(privateWindow);

  if (!sibling) throw SmokeFailure(QStringLiteral("closing one private window preserves detached sibling"));
  sibling->browserWindow().close();
  co_await SuiteWait::sleep(250ms);
  bool owned = false;
  for (BrowserWindowController* controller : workspace.controllers()) {
    owned = owned || controller->model().profile() == session;
  }
  require(!owned, QStringLiteral("last private window releases session ownership"));
  require(session->history().entries().isEmpty(), QStringLiteral("last private window clears the private history"));
  const std::function<bool()> ended = [session] { return session->privateSessionClosed(); };
  co_await pollOrFail(ended, "last private window closes the private transport");
  co_await waitReleased(sibling);
}

}  // namespace

SuiteTask runWindowInteractionTests(BrowserWorkspace& workspace) {
  Suite suite(workspace);
  suite.source = workspace.activeController();
  const std::optional<QRect> screen =
      suite.source ? workspace.screenArea(suite.source->browserWindow()) : std::nullopt;
  if (!suite.source || !screen) throw SmokeFailure(QStringLiteral("initial window"));
  suite.sourceModel = suite.source->sharedModel();
  suite.desktop = SuiteInput::virtualDesktop();
  suite.visible = SuiteInput::screenRect(suite.desktop, QRectF(*screen));

  const FixtureDirectory directory;
  suite.documentAddress = writeTestDocument(directory);

  co_await setUp(suite);
  co_await tearOff(suite);
  co_await shortcutRouting(suite);
  co_await mergeBack(suite);
  co_await cancelledTearOffs(suite);
  co_await loadingAndSingleTab(suite);
  co_await fullScreenSource(suite);
  co_await privateWindows(suite);
}
