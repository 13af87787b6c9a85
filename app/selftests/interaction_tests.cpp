#include "selftests/interaction_tests.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QGridLayout>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStringList>
#include <QWindow>

#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <stdexcept>

#include "chrome/app_delegate.h"
#include "chrome/application_menus.h"
#include "chrome/browser_chrome_view.h"
#include "model/browser_command.h"
#include "frame/browser_window.h"
#include "document/document_canvas.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_select.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "selftests/smoke_failure.h"
#include "selftests/suite_input.h"

namespace {

using namespace std::chrono_literals;

// The pause after events, in which the views, popups, panels and window
// changes they started catch up.
constexpr std::chrono::milliseconds kSettle{180};

SuiteWait::Sleep settle() { return SuiteWait::sleep(kSettle); }

// A poll of at most `pauses` pauses: the condition is evaluated before each
// pause and once after the last.
SuiteWait::Poll pollWithPauses(std::function<bool()> condition, int pauses, std::chrono::milliseconds pause) {
  return SuiteWait::poll(std::move(condition), pauses + 1, pause);
}

// The drop-down's period options.
const QList<KivoSelectOption> kPeriodOptions = {
    {0, QStringLiteral("Tüm zamanlar")},
    {1, QStringLiteral("Son saat")},
    {24, QStringLiteral("Son 24 saat")},
    {168, QStringLiteral("Son 7 gün")},
};

// The path after the first occurrence of `flag` among the arguments, when
// there is one.
std::optional<QString> flagValue(const QString& flag) {
  const QStringList arguments = QCoreApplication::arguments();
  const qsizetype at = arguments.indexOf(flag);
  if (at < 0 || at + 1 >= arguments.size()) return std::nullopt;
  return arguments.at(at + 1);
}

// Writes a PNG of `panel` to the path given with `flag`, when there is one.
// A panel with nothing to draw writes nothing; a failed write ends the suite
// with the file system's error.
void writePanelSnapshot(QWidget* panel, const QString& flag) {
  const std::optional<QString> path = flagValue(flag);
  if (!path || !panel || panel->size().isEmpty()) return;
  if (const std::optional<QString> failure = AppDelegate::writeSnapshot(*panel, *path)) {
    throw std::runtime_error((*path + QStringLiteral(": ") + *failure).toStdString());
  }
}

// Offers a key equivalent of the menus to `window` as a key stroke. It
// counts as handled only when one of the menus' own items takes it.
void shortcut(BrowserWindow& window, const QString& key, CommandModifiers modifiers) {
  const std::optional<QKeyCombination> keys = SuiteInput::shortcutKey(key, modifiers);
  if (!keys || !SuiteInput::windowHandle(window)) throw SmokeFailure(QStringLiteral("key event"));
  const QString unhandled = QStringLiteral("menu handles shortcut ") + key;
  const auto* menus = window.findChild<ApplicationMenus*>();
  if (!menus) throw SmokeFailure(unhandled);
  for (QAction* taken : SuiteInput::shortcut(window, *keys)) {
    if (menus->items().contains(taken)) return;
  }
  throw SmokeFailure(unhandled);
}

// One key stroke to the window that has the keyboard now: the popover
// menus, the drop-down list and the sheets get their keys this way.
void sendKey(Qt::Key key) {
  if (!SuiteInput::keyToFocusWindow(key)) throw SmokeFailure(QStringLiteral("popover key event"));
}

// A left click at `yUp`, a point of `window` measured from its bottom-left
// corner. A click that cannot be delivered is left out; the check after it
// tells.
void click(QWidget& window, const QPointF& yUp) {
  SuiteInput::click(window, SuiteInput::windowPoint(window, yUp));
}

// True when the keyboard focus of `window` is in the address field of the
// window's own chrome, the one on screen.
bool addressFieldFocused(BrowserWindow& window) {
  QWidget* focus = window.focusWidget();
  if (!focus || !focus->isVisible()) return false;
  for (BrowserChromeView* chrome : window.findChildren<BrowserChromeView*>()) {
    if (chrome->window() == &window && chrome->isVisible() && chrome->addressLineEdit() == focus) return true;
  }
  return false;
}

// The confirmation every dialog step shows on `window`; its action only
// counts.
KivoPanel* showConfirmation(BrowserWindow& window, BrowserModel& model, int& confirmations) {
  KivoPanel* panel = KivoDialog::show(
      &window, PreferencesTheme::of(model.preferences()), QStringLiteral("Geçmiş silinsin mi?"),
      QStringLiteral("Son saat dönemindeki ziyaret kayıtları kaldırılacak. Bu işlem geri alınamaz."),
      QStringLiteral("Açık sayfalar ve indirilen dosyalar korunur."), QStringLiteral("Geçmişi sil"), true,
      QStringLiteral("Vazgeç"), [&confirmations] { ++confirmations; });
  if (!panel) throw SmokeFailure(QStringLiteral("custom modal created"));
  return panel;
}

// The scroll area around the first document canvas on screen in `view`,
// searched depth first in child order.
QAbstractScrollArea* documentScroll(QWidget* view) {
  if (!view || !view->isVisible()) return nullptr;
  if (qobject_cast<DocumentCanvas*>(view)) {
    for (QWidget* up = view->parentWidget(); up; up = up->parentWidget()) {
      if (auto* area = qobject_cast<QAbstractScrollArea*>(up)) return area;
    }
    return nullptr;
  }
  for (QObject* child : view->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (!widget || widget->isWindow()) continue;
    if (QAbstractScrollArea* found = documentScroll(widget)) return found;
  }
  return nullptr;
}

std::optional<double> documentWidth(const BrowserModel& model) {
  const std::optional<PageDocument> document = model.currentDocument();
  if (!document) return std::nullopt;
  return document->width;
}

// The visible windows that are direct children of `window`.
QList<QWidget*> childWindows(QWidget& window) {
  QList<QWidget*> windows;
  for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isWindow() && child->isVisible()) windows.append(child);
  }
  return windows;
}

// The first visible popover panel that is not `window` itself.
KivoPanel* visiblePanel(const QWidget& window) {
  for (QWidget* candidate : QApplication::topLevelWidgets()) {
    auto* panel = qobject_cast<KivoPanel*>(candidate);
    if (panel && panel != &window && panel->isVisible()) return panel;
  }
  return nullptr;
}

// The available area of the window's screen, none without a screen.
std::optional<QRect> visibleFrame(const BrowserWindow& window) {
  const QWindow* handle = window.windowHandle();
  const QScreen* screen = handle ? handle->screen() : nullptr;
  if (!screen) return std::nullopt;
  return screen->availableGeometry();
}

bool fillsVisibleFrame(const BrowserWindow& window) {
  const std::optional<QRect> visible = visibleFrame(window);
  return visible && window.geometry() == *visible;
}

template <typename Value>
QString describe(const Value& value) {
  QString text;
  QDebug(&text).nospace().noquote() << value;
  return text;
}

template <typename Value>
QString describe(const std::optional<Value>& value) {
  return value ? describe(*value) : QStringLiteral("none");
}

QString describe(const std::optional<BrowserMenu>& menu) {
  if (!menu) return QStringLiteral("none");
  return *menu == BrowserMenu::Tabs ? QStringLiteral("tabs") : QStringLiteral("main");
}

QString describeSheet(QWidget* sheet) { return sheet ? describe(sheet) : QStringLiteral("none"); }

// Sets the content size of the frameless window (its size). The window's
// controller keeps a window at least 900 x 600, which the suite's narrower
// sizes would be clamped to, so the minimum is lowered to the size set; the
// frame reset puts the controller's minimum back.
void setContentSize(BrowserWindow& window, QSize size) {
  window.setMinimumSize(window.minimumSize().boundedTo(size));
  window.resize(size);
}

// Puts the window back to the frame and the minimum size it had when the
// title-strip checks began, on every exit after them.
class FrameReset {
public:
  FrameReset(BrowserWindow& window, QRect frame) : m_window(&window), m_frame(frame), m_minimum(window.minimumSize()) {}
  ~FrameReset() {
    if (!m_window) return;
    m_window->setGeometry(m_frame);
    m_window->setMinimumSize(m_minimum);
    m_window->update();
  }
  FrameReset(const FrameReset&) = delete;
  FrameReset& operator=(const FrameReset&) = delete;

private:
  QPointer<BrowserWindow> m_window;
  QRect m_frame;
  QSize m_minimum;
};

// The double click on the empty part of the title strip: 70 % across the
// window and 18 points below its top.
void doubleClickTitleStrip(BrowserWindow& window) {
  const QPointF point(0.7 * window.width(), window.height() - 18.0);
  if (!SuiteInput::doubleClick(window, SuiteInput::windowPoint(window, point))) {
    throw SmokeFailure(QStringLiteral("double-click event"));
  }
}

// Waits (bounded) until the window system has made the window that
// `window()` names the active one: keys typed into a popup, a list or a
// sheet go to the active window, and shortcuts fire only there.
SuiteTask keyboardReaches(const std::function<QWidget*()>& window) {
  const std::function<bool()> active = [&window] {
    QWidget* target = window();
    return target && target->isActiveWindow();
  };
  co_await SuiteWait::until(active);
}

SuiteTask menuShortcutChecks(BrowserModel& model, BrowserWindow& window) {
  const std::function<QWidget*()> browserWindow = [&window]() -> QWidget* { return &window; };
  co_await keyboardReaches(browserWindow);
  // The menus run a command while they handle its key, so each check
  // follows its key at once.
  shortcut(window, QStringLiteral("t"), CommandModifier::Command);
  require(model.tabs().size() == 2, QStringLiteral("native Command-T opens tab"));
  shortcut(window, QStringLiteral("w"), CommandModifier::Command);
  require(model.tabs().size() == 1, QStringLiteral("native Command-W closes tab"));
  shortcut(window, QStringLiteral("t"), CommandModifier::Command | CommandModifier::Shift);
  require(model.tabs().size() == 2, QStringLiteral("native Command-Shift-T reopens tab"));
  shortcut(window, QStringLiteral("1"), CommandModifier::Command);
  require(model.selectedIndex() == 0, QStringLiteral("native numbered tab shortcut"));
  shortcut(window, QStringLiteral("9"), CommandModifier::Command);
  require(model.selectedIndex() == 1, QStringLiteral("native last-tab shortcut"));

  // The focus leaves the address field first, so that only the shortcut
  // can put it there.
  if (QWidget* focus = window.focusWidget()) focus->clearFocus();
  shortcut(window, QStringLiteral("l"), CommandModifier::Command);
  co_await settle();
  const std::function<bool()> focused = [&window] { return addressFieldFocused(window); };
  co_await SuiteWait::until(focused);
  require(addressFieldFocused(window), QStringLiteral("address shortcut focuses native editor"));
}

SuiteTask popoverChecks(BrowserModel& model, BrowserWindow& window) {
  const std::function<QWidget*()> menu = [&window]() -> QWidget* { return visiblePanel(window); };
  model.select(model.tabs().first().id());
  model.setOpenMenu(BrowserMenu::Tabs);
  co_await settle();
  co_await keyboardReaches(menu);
  sendKey(Qt::Key_Down);
  sendKey(Qt::Key_Return);
  co_await settle();
  require(model.selectedIndex() == 1 && !model.openMenu(), QStringLiteral("popover Down and Enter select next tab"));

  model.setOpenMenu(BrowserMenu::Main);
  co_await settle();
  co_await keyboardReaches(menu);
  writePanelSnapshot(visiblePanel(window), QStringLiteral("--menu-snapshot"));
  sendKey(Qt::Key_Escape);
  co_await settle();
  require(!model.openMenu(), QStringLiteral("Escape dismisses custom menu"));

  model.setOpenMenu(BrowserMenu::Main);
  co_await settle();
  co_await keyboardReaches(menu);
  click(window, QPointF(20, 300));
  co_await settle();
  require(!model.openMenu(), QStringLiteral("outside click dismisses custom menu"));
}

SuiteTask dropDownChecks(BrowserModel& model, BrowserWindow& window) {
  // A plain window 260 x 90, 200 points in from the test window's left and
  // bottom edges, with the drop-down centred in it.
  int period = 0;
  const QRect desktop = SuiteInput::virtualDesktop();
  const QRectF frameUp = SuiteInput::screenRect(desktop, QRectF(window.geometry()));
  const QRectF hostUp(frameUp.x() + 200, frameUp.y() + 200, 260, 90);
  QPointer<QWidget> host = new QWidget(nullptr, Qt::Window);
  host->setAttribute(Qt::WA_DeleteOnClose, false);
  host->setGeometry(SuiteInput::screenRect(desktop, hostUp).toRect());
  auto* layout = new QGridLayout(host);
  auto* select = new KivoSelect(QStringLiteral("Geçmiş dönemi"), kPeriodOptions, period,
                                PreferencesTheme::of(model.preferences()), host);
  select->setFixedWidth(170);
  layout->addWidget(select, 0, 0, Qt::AlignCenter);
  QObject::connect(select, &KivoSelect::selectionChanged, host, [&period](qint64 value) { period = int(value); });
  SuiteInput::makeKeyAndFront(*host);
  co_await settle();
  const std::function<QWidget*()> hostWindow = [&host]() -> QWidget* { return host; };
  co_await keyboardReaches(hostWindow);

  click(*host, QPointF(130, 45));
  co_await settle();
  const std::function<QWidget*()> list = [&host]() -> QWidget* {
    if (!host) return nullptr;
    for (QWidget* child : childWindows(*host)) {
      if (qobject_cast<KivoPanel*>(child)) return child;
    }
    return nullptr;
  };
  co_await keyboardReaches(list);
  bool panelShown = false;
  for (QWidget* child : childWindows(*host)) panelShown = panelShown || qobject_cast<KivoPanel*>(child);
  require(panelShown, QStringLiteral("period dropdown uses Kivo panel"));

  sendKey(Qt::Key_Down);
  sendKey(Qt::Key_Down);
  sendKey(Qt::Key_Return);
  co_await settle();
  require(period == 24 && childWindows(*host).isEmpty(),
          QStringLiteral("period dropdown selects exact value and closes"));

  host->close();
  host->deleteLater();
  SuiteInput::makeKeyAndFront(window);
  co_await settle();
  const std::function<QWidget*()> browserWindow = [&window]() -> QWidget* { return &window; };
  co_await keyboardReaches(browserWindow);
}

SuiteTask dialogChecks(BrowserModel& model, BrowserWindow& window) {
  const std::function<QWidget*()> sheet = [&window]() -> QWidget* { return KivoPanel::attachedSheet(&window); };
  int confirmations = 0;
  QPointer<KivoPanel> first = showConfirmation(window, model, confirmations);
  co_await settle();
  co_await keyboardReaches(sheet);
  require(first && KivoPanel::attachedSheet(&window) == first && first->isVisible() &&
              first->windowModality() == Qt::WindowModal,
          QStringLiteral("custom dialog is modal for its owning window"));
  writePanelSnapshot(first, QStringLiteral("--dialog-snapshot"));
  sendKey(Qt::Key_Return);
  co_await settle();
  require(confirmations == 0 && !KivoPanel::attachedSheet(&window),
          QStringLiteral("Return defaults to cancel for destructive confirmation"));

  showConfirmation(window, model, confirmations);
  co_await settle();
  co_await keyboardReaches(sheet);
  sendKey(Qt::Key_Escape);
  co_await settle();
  require(confirmations == 0 && !KivoPanel::attachedSheet(&window), QStringLiteral("Escape cancels without deleting"));

  QPointer<KivoPanel> third = showConfirmation(window, model, confirmations);
  co_await settle();
  co_await keyboardReaches(sheet);
  // The centre of the confirm button: 75 points in from the panel's right
  // edge and 47 up from its bottom.
  if (third) click(*third, QPointF(third->width() - 75.0, 47));
  co_await settle();
  require(confirmations == 1 && !KivoPanel::attachedSheet(&window),
          QStringLiteral("explicit custom confirm runs exactly once"));
}

SuiteTask scrollChecks(BrowserModel& model, BrowserWindow& window) {
  setContentSize(window, QSize(700, 500));
  model.navigate(QStringLiteral("kivo://welcome"));
  co_await pollWithPauses([&] { return model.currentDocument() && documentScroll(&window); }, 500, 10ms);
  co_await SuiteWait::sleep(350ms);
  QPointer<QAbstractScrollArea> scroll = documentScroll(&window);
  require(scroll, QStringLiteral("visible document scroll view"));
  require(std::abs(scroll->verticalScrollBar()->value()) < 0.1,
          QStringLiteral("new document starts at top after initial reflow"));

  scroll->horizontalScrollBar()->setValue(0);
  scroll->verticalScrollBar()->setValue(40);
  const std::optional<double> widthBefore = documentWidth(model);
  setContentSize(window, QSize(850, 500));
  co_await pollWithPauses(
      [&] {
        const std::optional<double> width = documentWidth(model);
        return width && (!widthBefore || *width != *widthBefore);
      },
      500, 10ms);
  co_await SuiteWait::sleep(350ms);
  require(documentWidth(model) != widthBefore, QStringLiteral("visible resize actually reflows the document"));
  require(scroll && std::abs(scroll->verticalScrollBar()->value() - 40) < 0.1,
          QStringLiteral("reflow preserves user scroll offset"));
}

}  // namespace

SuiteTask runInteractionTests(BrowserModel& model, BrowserWindow& window) {
  co_await settle();
  co_await menuShortcutChecks(model, window);
  co_await popoverChecks(model, window);
  co_await dropDownChecks(model, window);
  co_await dialogChecks(model, window);
  co_await SuiteWait::sleep(550ms);

  // The title strip maximises the window and restores it. The window system
  // answers a frame change some loop turns later; the waits for the frame
  // are the window-system bound, which only a hang reaches.
  co_await SuiteInput::activate(window);
  const QRect startingFrame = window.geometry();
  doubleClickTitleStrip(window);
  const std::function<bool()> maximised = [&window] { return fillsVisibleFrame(window); };
  co_await SuiteWait::until(maximised);
  if (!fillsVisibleFrame(window)) {
    throw SmokeFailure(QStringLiteral("title strip double-click maximizes window: actual=") +
                       describe(window.geometry()) + QStringLiteral(", expected=") + describe(visibleFrame(window)) +
                       QStringLiteral(", menu=") + describe(model.openMenu()) + QStringLiteral(", sheet=") +
                       describeSheet(KivoPanel::attachedSheet(&window)));
  }
  doubleClickTitleStrip(window);
  const std::function<bool()> restored = [&window, startingFrame] { return window.geometry() == startingFrame; };
  co_await SuiteWait::until(restored);
  require(window.geometry() == startingFrame, QStringLiteral("second title strip double-click restores window"));

  // Whatever happens from here, the window gets its frame back.
  const FrameReset frameReset(window, startingFrame);
  co_await scrollChecks(model, window);
}
