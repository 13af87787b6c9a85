#include "selftests/tab_interaction_tests.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>

#include "chrome/app_delegate.h"
#include "chrome/browser_chrome_view.h"
#include "chrome/browser_view.h"
#include "frame/browser_window.h"
#include "chrome/native_tab_strip.h"
#include "chrome/tab_item_view.h"
#include "kit/kivo_panel.h"
#include "model/browser_model.h"
#include "selftests/smoke_failure.h"
#include "selftests/suite_input.h"

namespace {

// The full-screen chrome's height and the room the page must leave it.
constexpr int kChromeHeight = BrowserWindow::kFullScreenChromeHeight;
constexpr int kChromeReserve = 83;
// The strip's leading inset: under 30 points in full screen (no window
// controls there), at least 75 in a window (beside the controls).
constexpr int kFullScreenLeadingLimit = 30;
constexpr int kWindowedLeadingMinimum = 75;
// The strip must stay at least this tall when the desktop's bars show.
constexpr int kRevealedStripMinimumHeight = 37;
// The overflow drag holds the pointer this far inside the strip's right end,
// at this height in the strip.
constexpr int kEdgeInset = 3;
constexpr int kEdgeY = 20;
// How far the held drag must have scrolled the row, at most: half of what
// the row can scroll keeps the check meaningful in a window wider than the
// default one, whose row scrolls less.
constexpr double kAutoScrollDistance = 300;
// The close button's centre lies this far inside the tab's right end.
constexpr double kCloseButtonInset = 18;

SuiteWait::Sleep settle(int milliseconds) {
  return SuiteWait::sleep(std::chrono::milliseconds(milliseconds));
}

// Waits (bounded) until the window system has finished taking `window` into
// full screen or out of it: the state, the chrome's state and the frame
// (the whole screen, or `windowedFrame`) all agree. Without a window
// manager the frame never changes and the wait runs out; the checks decide.
SuiteTask fullScreenSettles(BrowserWindow& window, bool fullScreen, QRect windowedFrame) {
  const QPointer<BrowserWindow> guard(&window);
  const std::function<bool()> settled = [&guard, fullScreen, windowedFrame] {
    if (!guard || guard->isFullScreenMode() != fullScreen || guard->chromeState().isFullScreen() != fullScreen) {
      return false;
    }
    const QScreen* screen = guard->screen();
    return guard->geometry() == (fullScreen ? (screen ? screen->geometry() : QRect()) : windowedFrame);
  };
  co_await SuiteWait::until(settled);
}

// The window's content: the root view under the full-screen chrome host.
QWidget* contentView(BrowserWindow& window) {
  return window.findChild<BrowserView*>(QString(), Qt::FindDirectChildrenOnly);
}

// The first tab strip in a depth-first search of `view`: the view itself,
// then its children in order. Hidden widgets (a chrome on its way out) do
// not count.
NativeTabStrip* findStrip(QWidget* view) {
  if (!view || view->isHidden()) return nullptr;
  if (auto* strip = qobject_cast<NativeTabStrip*>(view)) return strip;
  for (QObject* child : view->children()) {
    if (!child->isWidgetType()) continue;
    if (NativeTabStrip* strip = findStrip(static_cast<QWidget*>(child))) return strip;
  }
  return nullptr;
}

bool within(const QWidget* ancestor, const QWidget* widget) {
  return widget && ancestor && (widget == ancestor || ancestor->isAncestorOf(widget));
}

QList<QUuid> tabIDs(const BrowserModel& model) {
  QList<QUuid> ids;
  for (const BrowserTab& tab : model.tabs()) ids.append(tab.id());
  return ids;
}

std::optional<qsizetype> indexOf(const BrowserModel& model, const QUuid& id) {
  const qsizetype index = tabIDs(model).indexOf(id);
  if (index < 0) return std::nullopt;
  return index;
}

// The centre of a tab in its window's coordinates.
std::optional<QPoint> center(const NativeTabStrip& strip, const QUuid& id) {
  const auto point = strip.tabCenter(id);
  if (!point) return std::nullopt;
  return QPointF(*point).toPoint();
}

bool isDragging(const NativeTabStrip& strip) {
  return !strip.draggedID().isNull();
}

bool isPressed(const NativeTabStrip& strip, const QUuid& id) {
  return strip.pressedID() == id;
}

QString rectangle(const QRect& rect) {
  return QStringLiteral("(%1, %2, %3, %4)").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

void printLine(const QString& line) {
  std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
  std::fflush(stdout);
}

// The synthetic pointer: one left-button event at a point of the target
// window, delivered through its QWindow as the windowing system would.
enum class Mouse { Press, Drag, Release };

void mouse(Mouse type, QPoint at, QWidget* target) {
  QWidget* window = target ? target->window() : nullptr;
  bool sent = false;
  if (window) {
    switch (type) {
      case Mouse::Press:
        sent = SuiteInput::mousePress(*window, at);
        break;
      case Mouse::Drag:
        sent = SuiteInput::mouseMove(*window, at);
        break;
      case Mouse::Release:
        sent = SuiteInput::mouseRelease(*window, at);
        break;
    }
  }
  if (!sent) throw SmokeFailure(QStringLiteral("tab mouse event"));
}

// Two clicks at one point that the window takes as a double click.
void doubleClick(QPoint at, QWidget* target) {
  if (!target || !SuiteInput::doubleClick(*target->window(), at)) throw SmokeFailure(QStringLiteral("tab mouse event"));
}

void escape(BrowserWindow& window) {
  if (!SuiteInput::keyClick(window, Qt::Key_Escape)) throw SmokeFailure(QStringLiteral("tab escape event"));
}

// Records the widgets a mouse press visits while it is delivered: the widget
// under the pointer first, then each parent it propagates to because the one
// before it left the press unaccepted. The last one took the press.
class PressProbe : public QObject {
public:
  PressProbe() { qApp->installEventFilter(this); }
  ~PressProbe() override { qApp->removeEventFilter(this); }

  // True when the press reached a widget inside `strip` and went no further
  // than the strip.
  bool stayedIn(const QWidget* strip) const {
    return !m_receivers.isEmpty() && std::all_of(m_receivers.begin(), m_receivers.end(),
                                                 [strip](const QPointer<QWidget>& w) { return within(strip, w); });
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) && watched->isWidgetType())
      m_receivers.append(static_cast<QWidget*>(watched));
    return false;
  }

private:
  QList<QPointer<QWidget>> m_receivers;
};

// Another top-level window in front, so that the browser window is not the
// active one; it goes again with the scope, and the browser window is asked
// to become active again. The window system answers both requests some loop
// turns later: the suite waits for isActive() after making one, and for the
// browser window's activation after the scope.
class ActiveElsewhere {
public:
  explicit ActiveElsewhere(QWidget& window) : m_window(&window) {
    m_other = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint);
    m_other->setAttribute(Qt::WA_DeleteOnClose);
    m_other->setGeometry(0, 0, 40, 40);
    SuiteInput::makeKeyAndFront(*m_other);
  }
  ~ActiveElsewhere() {
    if (m_other) {
      m_other->hide();
      m_other->deleteLater();
    }
    if (m_window) SuiteInput::makeKeyAndFront(*m_window);
  }
  ActiveElsewhere(const ActiveElsewhere&) = delete;
  ActiveElsewhere& operator=(const ActiveElsewhere&) = delete;

  // True once the other window has taken the activation.
  bool isActive() const { return m_other && m_other->isActiveWindow(); }

private:
  QPointer<QWidget> m_window;
  QPointer<QWidget> m_other;
};

// The first visible panel among the top-level windows: the open menu.
KivoPanel* visiblePanel() {
  for (QWidget* candidate : QApplication::topLevelWidgets()) {
    if (auto* found = qobject_cast<KivoPanel*>(candidate); found && found->isVisible()) return found;
  }
  return nullptr;
}

// The directory given with --tab-snapshots, when there is one.
std::optional<QString> snapshotDirectory() {
  const QStringList arguments = QCoreApplication::arguments();
  const qsizetype flag = arguments.indexOf(QStringLiteral("--tab-snapshots"));
  if (flag < 0 || flag + 1 >= arguments.size()) return std::nullopt;
  return arguments.at(flag + 1);
}

// Writes a PNG of `view` as `fileName` into the snapshot directory. Nothing
// happens without the flag or for a view with nothing to draw; a file that
// cannot be written ends the suite with the file system's error.
void writeSnapshot(QWidget* view, const QString& fileName) {
  const std::optional<QString> directory = snapshotDirectory();
  if (!directory || !view || view->size().isEmpty()) return;
  const QString path = QDir(*directory).filePath(fileName);
  if (const std::optional<QString> failure = AppDelegate::writeSnapshot(*view, path)) {
    throw std::runtime_error((path + QStringLiteral(": ") + *failure).toStdString());
  }
}

void snapshot(BrowserWindow& window, const QString& name) {
  writeSnapshot(contentView(window), name + QStringLiteral(".png"));
}

// A tab other than `id` whose cell the strip shows whole, so that selecting
// it scrolls nothing; none when there is none.
std::optional<QUuid> visibleNeighbour(const NativeTabStrip& strip, const BrowserModel& model, const QUuid& id) {
  const std::optional<qsizetype> index = indexOf(model, id);
  if (!index) return std::nullopt;
  const QWidget* scroller = strip.scrollView();
  const QList<QUuid> ids = tabIDs(model);
  for (const qsizetype other : {*index + 1, *index - 1}) {
    if (other < 0 || other >= ids.size()) continue;
    const std::optional<QPoint> centre = center(strip, ids.at(other));
    if (!centre || !scroller) continue;
    const QPoint local = scroller->mapFrom(strip.window(), *centre);
    const double half = strip.tabWidth() / 2;
    if (local.x() - half >= 0 && local.x() + half <= scroller->width()) return ids.at(other);
  }
  return std::nullopt;
}

// A tab owns the pointer: a press on it is taken by the tab and moves no
// window, a first press in an inactive window is a real press that selects
// the tab, the strip's empty margin swallows presses, and a double click on
// a tab neither moves, maximises nor leaves full screen, and changes neither
// the order nor the drag state.
SuiteTask checkTabPointerOwnership(NativeTabStrip* strip, QUuid id, BrowserModel& model, BrowserWindow& suiteWindow) {
  QPointer<NativeTabStrip> guard(strip);
  std::optional<QPoint> c = strip ? center(*strip, id) : std::nullopt;
  QWidget* window = strip ? strip->window() : nullptr;
  QWidget* superview = strip ? strip->parentWidget() : nullptr;
  QWidget* hit = c && window ? window->childAt(*c) : nullptr;
  require(c && window && superview && hit && within(strip->item(id), hit), QStringLiteral("tab pointer target"));

  // The press is the tab's: the strip records it, and it goes no further
  // than the strip, so nothing behind the tab can start a window move.
  {
    const QRect frame = suiteWindow.geometry();
    bool taken = false;
    {
      PressProbe probe;
      mouse(Mouse::Press, *c, window);
      taken = guard && isPressed(*guard, id) && probe.stayedIn(guard);
    }
    mouse(Mouse::Release, *c, window);
    require(taken && suiteWindow.geometry() == frame,
            QStringLiteral("tab blocks implicit AppKit title-bar dragging"));
  }

  // A first press in a window that is not the active one is a real press:
  // it selects the tab. Another visible tab is selected first, where there
  // is one, so that the press has something to change.
  {
    ActiveElsewhere elsewhere(*window);
    const std::function<bool()> movedAway = [&elsewhere] { return elsewhere.isActive(); };
    co_await SuiteWait::until(movedAway);
    const bool inactive = guard && !window->isActiveWindow();
    if (const std::optional<QUuid> other = guard ? visibleNeighbour(*guard, model, id) : std::nullopt) {
      model.select(*other);
    }
    c = guard ? center(*guard, id) : std::nullopt;
    if (c) {
      mouse(Mouse::Press, *c, window);
      mouse(Mouse::Release, *c, window);
    }
    require(inactive && c && model.selectedID() == id, QStringLiteral("inactive-window tab accepts the initial press"));
  }
  co_await SuiteInput::activate(*window);

  // The margin above the cells.
  require(bool(guard), QStringLiteral("tab margin pointer target"));
  const QPoint margin = strip->mapTo(window, QPoint(strip->width() / 2, 2));
  QWidget* marginHit = window->childAt(margin);
  require(within(strip, marginHit), QStringLiteral("tab margin pointer target"));
  {
    const QRect frame = suiteWindow.geometry();
    bool swallowed = false;
    {
      PressProbe probe;
      mouse(Mouse::Press, margin, window);
      swallowed = probe.stayedIn(guard);
    }
    mouse(Mouse::Drag, margin + QPoint(35, 0), window);
    // Released where it was pressed: a window that moved took the window's
    // points with it, and the release must still end the gesture.
    mouse(Mouse::Release, margin, window);
    require(swallowed && suiteWindow.geometry() == frame,
            QStringLiteral("transparent tab margin cannot move the window"));
  }

  const QRect frame = suiteWindow.geometry();
  const bool fullScreen = suiteWindow.isFullScreenMode();
  const QList<QUuid> order = tabIDs(model);
  doubleClick(*c, window);
  co_await settle(250);
  require(suiteWindow.geometry() == frame && suiteWindow.isFullScreenMode() == fullScreen,
          QStringLiteral("double-click on a tab cannot move, maximize or exit full screen"));
  require(tabIDs(model) == order && guard && !isDragging(*guard),
          QStringLiteral("double-click leaves tab order and drag state intact"));
}

}  // namespace

SuiteTask runTabInteractionTests(BrowserModel& model, BrowserWindow& window) {
  // The single tab.
  co_await settle(250);
  QWidget* content = contentView(window);
  NativeTabStrip* firstStrip = findStrip(content);
  const std::optional<QPoint> initialCenter = firstStrip ? center(*firstStrip, model.selectedID()) : std::nullopt;
  require(content && firstStrip && initialCenter, QStringLiteral("single tab"));
  co_await checkTabPointerOwnership(firstStrip, model.selectedID(), model, window);

  {
    const QRect f0 = window.geometry();
    const QPoint moved = *initialCenter + QPoint(35, 0);
    mouse(Mouse::Press, *initialCenter, &window);
    mouse(Mouse::Drag, moved, &window);
    mouse(Mouse::Release, moved, &window);
    co_await settle(250);
    require(window.geometry() == f0 && model.tabs().size() == 1,
            QStringLiteral("dragging the only tab inside the strip does not move the window"));
  }

  // Three tabs and a drag reorder.
  model.search(QStringLiteral("Birinci sekme"));
  const QUuid idA = model.selectedID();
  model.newTab();
  model.search(QStringLiteral("İkinci sekme"));
  model.newTab();
  model.search(QStringLiteral("Üçüncü sekme"));
  const QUuid idC = model.selectedID();
  model.select(idA);
  co_await settle(250);

  content = contentView(window);
  QPointer<NativeTabStrip> strip = findStrip(content);
  const std::optional<QPoint> a = strip ? center(*strip, idA) : std::nullopt;
  const std::optional<QPoint> c = strip ? center(*strip, idC) : std::nullopt;
  require(content && strip && a && c, QStringLiteral("visible native tabs"));
  const QPointer<QWidget> windowedContent = content;
  const QStringList history = model.current().history;
  co_await checkTabPointerOwnership(strip, idA, model, window);

  {
    const QRect f1 = window.geometry();
    mouse(Mouse::Press, *a, &window);
    for (int k = 1; k <= 12; ++k) {
      const int x = a->x() + qRound(double(c->x() - a->x()) * k / 12);
      mouse(Mouse::Drag, QPoint(x, a->y()), &window);
      co_await settle(16);
      require(window.geometry() == f1, QStringLiteral("window remains stationary throughout tab reorder"));
    }
    mouse(Mouse::Release, *c, &window);
    co_await settle(250);
    require(!model.tabs().isEmpty() && model.tabs().last().id() == idA,
            QStringLiteral("native drag moves first tab to last"));
    require(model.selectedID() == idA && model.current().history == history,
            QStringLiteral("drag retains selection and history"));
  }

  // Cancelling a drag with Escape.
  const QList<QUuid> order = tabIDs(model);
  {
    require(bool(strip), QStringLiteral("cancel drag positions"));
    const std::optional<QPoint> from = center(*strip, idA);
    const std::optional<QPoint> target = center(*strip, order.value(0));
    require(from && target, QStringLiteral("cancel drag positions"));
    mouse(Mouse::Press, *from, &window);
    mouse(Mouse::Drag, *target, &window);
    co_await settle(250);
    require(model.tabs().first().id() == idA, QStringLiteral("drag updates live order before release"));
    escape(window);
    mouse(Mouse::Release, *target, &window);
    co_await settle(250);
    require(tabIDs(model) == order && strip && !isDragging(*strip),
            QStringLiteral("Escape restores original order and ends tracking"));
  }

  // A click with a small movement, and the close button.
  {
    const std::optional<QPoint> q = strip ? center(*strip, order.value(0)) : std::nullopt;
    require(bool(q), QStringLiteral("click target"));
    mouse(Mouse::Press, *q, &window);
    mouse(Mouse::Drag, *q + QPoint(2, 0), &window);
    mouse(Mouse::Release, *q, &window);
    require(tabIDs(model) == order && model.selectedID() == order.value(0),
            QStringLiteral("small pointer movement selects without reordering"));

    const QPoint closePoint(qRound(q->x() + 0.5 * strip->tabWidth() - kCloseButtonInset), q->y());
    QWidget* hit = content->childAt(content->mapFrom(&window, closePoint));
    auto* button = qobject_cast<QAbstractButton*>(hit);
    require(button != nullptr, QStringLiteral("close button hit target is separate from drag target"));
    button->click();
    require(model.tabs().size() == 2 && !tabIDs(model).contains(order.value(0)),
            QStringLiteral("close button closes the intended tab"));
    model.reopenClosedTab();
    co_await settle(250);
  }

  // Overflow.
  snapshot(window, QStringLiteral("tabs-windowed"));
  for (int n = 4; n <= 18; ++n) {
    model.newTab();
    model.search(QStringLiteral("Sekme %1").arg(n));
  }
  model.select(model.tabs().first().id());
  co_await settle(350);

  {
    const QUuid dragged = model.selectedID();
    const std::optional<QPoint> start = strip ? center(*strip, dragged) : std::nullopt;
    require(start && strip->scrollView(), QStringLiteral("overflow drag start"));
    QWidget* scroller = strip->scrollView();
    const QPoint edge = scroller->mapTo(&window, QPoint(scroller->width() - kEdgeInset, kEdgeY));
    // What the row showed whole before the drag, and how far it can scroll:
    // the thresholds follow the window the suite really has.
    const double slot = strip->tabWidth() + 4;
    const int initiallyVisible = int((scroller->width() + 4) / slot);
    const double largestOffset = std::max(strip->contentWidth() - scroller->width(), 0.0);
    mouse(Mouse::Press, *start, &window);
    mouse(Mouse::Drag, edge, &window);
    co_await settle(1500);
    require(strip && strip->scrollOffset() > std::min(kAutoScrollDistance, largestOffset / 2),
            QStringLiteral("holding at right edge auto-scrolls overflowing tabs"));
    mouse(Mouse::Release, edge, &window);
    co_await settle(250);
    const std::optional<qsizetype> droppedAt = indexOf(model, dragged);
    require(droppedAt && *droppedAt >= initiallyVisible,
            QStringLiteral("edge scroll reorders beyond initially visible tabs"));
  }

  model.select(model.tabs().last().id());
  co_await settle(250);
  // The strip scrolls to the selection in an animation of its own, whose
  // last step a loaded machine may deliver after the pause: wait for it.
  const std::function<bool()> scrolled = [&strip] { return !strip || !strip->scrollView()->isScrolling(); };
  co_await SuiteWait::until(scrolled);
  {
    const std::optional<QPoint> selected = strip ? center(*strip, model.selectedID()) : std::nullopt;
    QWidget* scroller = strip ? strip->scrollView() : nullptr;
    const int x = selected && scroller ? scroller->mapFrom(&window, *selected).x() : -1;
    require(selected && scroller && x >= 0 && x <= scroller->width(),
            QStringLiteral("selected overflow tab scrolls into view"));

    // A trackpad's horizontal swipe of 200 pixels, handed to the strip's
    // scroller directly.
    const double before = strip->scrollOffset();
    const QPointF inside(scroller->width() / 2.0, scroller->height() / 2.0);
    QWheelEvent wheel(inside, scroller->mapToGlobal(inside), QPoint(200, 0), QPoint(200, 0), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(scroller, &wheel);
    require(strip && strip->scrollOffset() < before, QStringLiteral("horizontal wheel scrolls tab strip"));
  }
  snapshot(window, QStringLiteral("tabs-overflow"));
  const QRect windowedFrame = window.geometry();
  window.toggleFullScreen();
  co_await settle(1700);
  co_await fullScreenSettles(window, true, windowedFrame);

  // Full screen.
  require(window.isFullScreenMode() && window.chromeState().isFullScreen(),
          QStringLiteral("entered native full screen"));
  QPointer<QWidget> accessory = window.fullScreenChrome();
  QPointer<NativeTabStrip> fullScreenStrip = findStrip(accessory);
  require(accessory && fullScreenStrip, QStringLiteral("persistent full-screen chrome"));
  co_await checkTabPointerOwnership(fullScreenStrip, model.selectedID(), model, window);

  require(accessory && fullScreenStrip, QStringLiteral("persistent full-screen chrome"));
  const auto stripInAccessory = [&] {
    return QRect(fullScreenStrip->mapTo(accessory, QPoint(0, 0)), fullScreenStrip->size());
  };
  const QRect r = stripInAccessory();
  require(accessory->minimumHeight() == kChromeHeight && accessory->maximumHeight() == kChromeHeight &&
              accessory->height() == kChromeHeight,
          QStringLiteral("entire browser chrome stays visible when system bar hides"));
  require(content && content->height() <= window.height() - kChromeReserve,
          QStringLiteral("page respects the browser chrome's reserved space"));
  require(r.x() < kFullScreenLeadingLimit, QStringLiteral("hidden traffic lights do not leave a windowed-mode gap"));

  model.setOpenMenu(BrowserMenu::Main);
  co_await settle(250);
  const std::function<bool()> menuShown = [] {
    const KivoPanel* panel = visiblePanel();
    return panel && panel->isActiveWindow();
  };
  co_await SuiteWait::until(menuShown);
  {
    KivoPanel* panel = visiblePanel();
    require(panel != nullptr, QStringLiteral("custom menu in full screen"));
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    require(screen && screen->geometry().contains(panel->frameGeometry()),
            QStringLiteral("full-screen custom menu stays on screen"));
    require(SuiteInput::keyClick(*panel, Qt::Key_Escape), QStringLiteral("full-screen custom menu dismisses"));
    co_await settle(250);
    require(!model.openMenu(), QStringLiteral("full-screen custom menu dismisses"));
  }

  {
    const QUuid d2 = model.selectedID();
    const QUuid t2 = model.tabs().at(model.tabs().size() - 2).id();
    const std::optional<QPoint> from = fullScreenStrip ? center(*fullScreenStrip, d2) : std::nullopt;
    const std::optional<QPoint> to = fullScreenStrip ? center(*fullScreenStrip, t2) : std::nullopt;
    QWidget* stripWindow = fullScreenStrip ? fullScreenStrip->window() : nullptr;
    require(from && to && stripWindow, QStringLiteral("full-screen drag positions"));
    mouse(Mouse::Press, *from, stripWindow);
    mouse(Mouse::Drag, *to, stripWindow);
    mouse(Mouse::Release, *to, stripWindow);
    co_await settle(250);
    require(model.tabs().at(model.tabs().size() - 2).id() == d2,
            QStringLiteral("dragging works inside the native full-screen accessory"));
  }

  Q_EMIT model.addressFocusRequested();
  co_await settle(250);
  const std::function<bool()> addressFocused = [&window, &accessory] {
    auto* chrome = qobject_cast<BrowserChromeView*>(accessory.data());
    return chrome && window.isActiveWindow() && window.focusWidget() == chrome->addressLineEdit();
  };
  co_await SuiteWait::until(addressFocused);
  {
    auto* chrome = qobject_cast<BrowserChromeView*>(accessory.data());
    QLineEdit* editor = chrome ? chrome->addressLineEdit() : nullptr;
    require(editor && window.isVisible() && window.focusWidget() == editor,
            QStringLiteral("address shortcut focuses the full-screen editor"));
  }

  require(accessory && fullScreenStrip && content, QStringLiteral("persistent full-screen chrome"));
  // The desktop's own bars are not the application's to hide or show on
  // Linux: there are no presentation options, so the value shown is 0.
  printLine(QStringLiteral("Full screen: frame=%1, layout=%2, tabs=%3, presentation=0")
                .arg(rectangle(window.geometry()), rectangle(content->geometry()), rectangle(r)));
  snapshot(window, QStringLiteral("tabs-fullscreen"));
  writeSnapshot(accessory, QStringLiteral("tabs-fullscreen-chrome.png"));

  // Revealing the menu bar and title bar over a full-screen window has no
  // counterpart here either; the wait stays, so that anything the window
  // would do meanwhile still happens before the strip is measured again.
  co_await settle(600);
  require(accessory && fullScreenStrip && content, QStringLiteral("revealed system chrome does not clip tabs"));
  const QRect revealed = stripInAccessory();
  printLine(QStringLiteral("Revealed system UI: layout=%1, tabs=%2")
                .arg(rectangle(content->geometry()), rectangle(revealed)));
  require(revealed == r && fullScreenStrip->visibleRegion().boundingRect().height() >= kRevealedStripMinimumHeight,
          QStringLiteral("revealed system chrome does not clip tabs"));
  snapshot(window, QStringLiteral("tabs-fullscreen-revealed"));

  window.toggleFullScreen();
  co_await settle(1700);
  co_await fullScreenSettles(window, false, windowedFrame);

  // Back to the window.
  require(!window.isFullScreenMode() && !window.chromeState().isFullScreen(),
          QStringLiteral("exited native full screen"));
  NativeTabStrip* restored = findStrip(windowedContent);
  require(restored != nullptr, QStringLiteral("windowed tab strip restored"));
  require(restored->mapTo(&window, QPoint(0, 0)).x() >= kWindowedLeadingMinimum,
          QStringLiteral("windowed traffic-light spacing is restored"));
  require(!window.fullScreenChrome() && window.findChildren<BrowserChromeView*>().size() == 1,
          QStringLiteral("no duplicate chrome after leaving full screen"));
}
