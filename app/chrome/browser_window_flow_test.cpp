// A whole window over the real renderer: a local page is fetched, laid out
// and drawn, and its links are followed by pointer and by keyboard; the
// keyboard lands where a person types, and the hidden menu bar is reached
// from the keyboard.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

#include "chrome/application_menus.h"
#include "chrome/browser_chrome_view.h"
#include "chrome/browser_view.h"
#include "frame/browser_window.h"
#include "chrome/browser_workspace.h"
#include "document/document_canvas.h"
#include "kit/kit_test_support.h"
#include "document/scene_view.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_panel.h"
#include "pages/home_view.h"
#include "kit/page_controls.h"
#include "loading/document_cache.h"
#include "model/browser_model.h"
#include "model/browser_preferences.h"
#include "model/settings_store.h"
#include "profile/browsing_profile.h"

namespace {

constexpr int kLoadLimitMs = 30000;

const char* const kPage = R"(<!DOCTYPE html>
<html><head><title>Flow</title></head>
<body>
<p><a href="#second">To the second part</a></p>
<p><a href="other.html">To the other page</a></p>
<div style="height: 2000px">Filler</div>
<h2 id="second">Second part</h2>
</body></html>)";

// The menus' view of the workspace, as the application delegate gives it.
class WorkspaceMenuTarget : public MenuTarget {
public:
  explicit WorkspaceMenuTarget(std::function<BrowserWorkspace*()> workspace) : m_workspace(std::move(workspace)) {}
  BrowserModel* activeModel() const override {
    BrowserWindowController* active = m_workspace() ? m_workspace()->activeController() : nullptr;
    return active ? &active->model() : nullptr;
  }
  void openNewWindow(bool privateMode) override { m_workspace()->newWindow(nullptr, std::nullopt, privateMode); }
  QWidget* aboutDialogParent() const override {
    BrowserWindowController* active = m_workspace() ? m_workspace()->activeController() : nullptr;
    return active ? &active->browserWindow() : nullptr;
  }
  void hideApplication() override {}
  void quitApplication() override {}

private:
  std::function<BrowserWorkspace*()> m_workspace;
};

class WindowFlowTest : public testing::Test {
public:
  void SetUp() override {
    const QString renderer = QCoreApplication::applicationDirPath() + QStringLiteral("/kivo-document");
    if (!QFileInfo(renderer).isExecutable()) GTEST_SKIP() << "kivo-document is not built beside the tests";
    QApplication::setQuitOnLastWindowClosed(false);
    ASSERT_TRUE(folder.isValid());
    for (const auto& [name, text] : {std::pair{"page.html", kPage}, std::pair{"other.html", "<title>Other</title>"}}) {
      QFile file(folder.filePath(QString::fromLatin1(name)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(text);
    }
    store = SettingsStore::open(KitTest::storeName(QStringLiteral("com.kivo.browser.tests.window-flow")));
    auto cache = std::make_shared<DocumentCache>();
    workspace = std::make_unique<BrowserWorkspace>(std::make_shared<BrowserPreferences>(store), cache,
                                                   std::make_shared<BrowsingProfile>(false, QString(), cache));
    workspace->onWindowCreated = [this](BrowserWindowController& made) {
      new ApplicationMenus(menuTarget, &made.browserWindow(), &made.model());
    };
    controller = workspace->newWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&controller->browserWindow()));
  }
  void TearDown() override {
    workspace.reset();
    if (store) store->removeAll();
  }

  BrowserModel& model() { return controller->model(); }
  QWindow* window() { return controller->browserWindow().windowHandle(); }

  // Navigates and waits until the tab shows a document titled `title`.
  bool open(const QString& address, const QString& title) {
    model().navigate(address);
    return showsTitle(title);
  }
  bool showsTitle(const QString& title) {
    return QTest::qWaitFor(
        [&] {
          const std::optional<PageDocument> document = model().currentDocument();
          return document && document->title == title && canvas() && canvas()->document() &&
                 canvas()->document()->title == title;
        },
        kLoadLimitMs);
  }
  DocumentCanvas* canvas() {
    auto* scene = controller->browserWindow().findChild<SceneView*>();
    return scene ? scene->canvas() : nullptr;
  }
  // The centre of the first link box whose target is `href`, in the
  // window's coordinates. The renderer draws a link word by word, so one
  // link can have several boxes.
  QPoint linkCentre(const QString& href) {
    const PageDocument& document = *canvas()->document();
    qsizetype at = 0;
    while (document.commands.at(canvas()->links().at(static_cast<size_t>(at))).href != href) ++at;
    const PaintCommand& link = document.commands.at(canvas()->links().at(static_cast<size_t>(at)));
    const QPoint inCanvas(static_cast<int>(link.x + link.width / 2), static_cast<int>(link.y + link.height / 2));
    return canvas()->mapTo(&controller->browserWindow(), inCanvas);
  }

  // Makes the window the active one, which on a real display it becomes a
  // little after asking: keys reach only the active window.
  bool activate() {
    BrowserWindow& browserWindow = controller->browserWindow();
    browserWindow.activateWindow();
    QApplication::setActiveWindow(&browserWindow);
    return QTest::qWaitForWindowActive(&browserWindow, kLoadLimitMs);
  }
  BrowserView* view() { return controller->browserWindow().findChild<BrowserView*>(); }
  ApplicationMenus* menus() { return controller->browserWindow().findChild<ApplicationMenus*>(); }
  // True once the keyboard is in the home page's search field.
  bool searchFieldFocused() {
    return QTest::qWaitFor(
        [&] {
          auto* home = view() ? qobject_cast<HomeView*>(view()->page()) : nullptr;
          return home && QApplication::focusWidget() == static_cast<QWidget*>(home->searchField());
        },
        kLoadLimitMs);
  }
  // Fails the test when the keyboard sits on a button of the chrome.
  void expectNoChromeButtonFocused() {
    QWidget* focus = QApplication::focusWidget();
    EXPECT_FALSE(qobject_cast<PageButton*>(focus) && view()->chrome() && view()->chrome()->isAncestorOf(focus))
        << "the keyboard is on a toolbar button";
  }

  QTemporaryDir folder;
  WorkspaceMenuTarget menuTarget{[this] { return workspace.get(); }};
  std::shared_ptr<SettingsStore> store;
  std::unique_ptr<BrowserWorkspace> workspace;
  BrowserWindowController* controller = nullptr;
};

TEST_F(WindowFlowTest, AClickOnALinkFollowsIt) {
  const QString page = folder.filePath(QStringLiteral("page.html"));
  ASSERT_TRUE(open(page, QStringLiteral("Flow")));
  QTest::mouseClick(window(), Qt::LeftButton, {}, linkCentre(QStringLiteral("#second")));
  EXPECT_TRUE(QTest::qWaitFor([&] { return model().fragment() == QStringLiteral("second"); }, kLoadLimitMs));
  // The fragment's anchor is scrolled to the top of the page.
  ASSERT_TRUE(showsTitle(QStringLiteral("Flow")));
  auto* scene = controller->browserWindow().findChild<SceneView*>();
  EXPECT_TRUE(QTest::qWaitFor([&] { return scene->verticalScrollBar()->value() > 1000; }, kLoadLimitMs));

  model().navigate(page);
  ASSERT_TRUE(showsTitle(QStringLiteral("Flow")));
  QTest::mouseClick(window(), Qt::LeftButton, {}, linkCentre(QStringLiteral("other.html")));
  EXPECT_TRUE(showsTitle(QStringLiteral("Other")));
}

TEST_F(WindowFlowTest, TabAndReturnFollowALinkAndShiftTabStartsAtTheLast) {
  ASSERT_TRUE(open(folder.filePath(QStringLiteral("page.html")), QStringLiteral("Flow")));
  canvas()->setFocus(Qt::MouseFocusReason);
  ASSERT_TRUE(QTest::qWaitFor([&] { return canvas()->hasFocus(); }));

  const int last = static_cast<int>(canvas()->links().size()) - 1;
  QTest::keyClick(window(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(canvas()->focusedLink(), last) << "the first Shift-Tab focuses the last link";
  QTest::keyClick(window(), Qt::Key_Tab);
  EXPECT_EQ(canvas()->focusedLink(), 0) << "Tab wraps to the first";
  QTest::keyClick(window(), Qt::Key_Backtab, Qt::ShiftModifier);
  QTest::keyClick(window(), Qt::Key_Return);
  EXPECT_TRUE(showsTitle(QStringLiteral("Other"))) << "Return follows the last link, to the other page";
}

using WindowKeyboardTest = WindowFlowTest;

TEST_F(WindowKeyboardTest, ANewTabTakesTheTypedAddress) {
  const std::vector<std::pair<const char*, std::function<void(WindowKeyboardTest&)>>> ways = {
      {"Ctrl+T", [](WindowKeyboardTest& t) { QTest::keyClick(t.window(), Qt::Key_T, Qt::ControlModifier); }},
      {"the new-tab button", [](WindowKeyboardTest& t) { t.view()->chrome()->newTabButton()->click(); }},
      {"the menu item",
       [](WindowKeyboardTest& t) {
         // "Dosya", then its third item.
         QTest::keyClick(t.window(), Qt::Key_F10);
         QTest::keyClick(t.window(), Qt::Key_Right);
         QTest::keyClick(t.window(), Qt::Key_Down);
         QTest::keyClick(t.window(), Qt::Key_Down);
         QTest::keyClick(t.window(), Qt::Key_Down);
         QTest::keyClick(t.window(), Qt::Key_Return);
       }},
  };
  ASSERT_TRUE(activate());
  const QString page = folder.filePath(QStringLiteral("page.html"));
  for (const auto& [name, openTab] : ways) {
    SCOPED_TRACE(name);
    const qsizetype tabs = model().tabs().size();
    openTab(*this);
    ASSERT_EQ(model().tabs().size(), tabs + 1);
    ASSERT_TRUE(searchFieldFocused());
    for (const QChar character : page) QTest::keyClick(window(), character.toLatin1());
    QTest::keyClick(window(), Qt::Key_Return);
    EXPECT_TRUE(showsTitle(QStringLiteral("Flow")));
    EXPECT_EQ(model().tabs().size(), tabs + 1) << "Return opened no other tab";
    expectNoChromeButtonFocused();
  }
}

TEST_F(WindowKeyboardTest, ReturnOnALinkKeepsTheKeyboardInTheDocument) {
  ASSERT_TRUE(activate());
  ASSERT_TRUE(open(folder.filePath(QStringLiteral("page.html")), QStringLiteral("Flow")));
  canvas()->setFocus(Qt::MouseFocusReason);
  ASSERT_TRUE(QTest::qWaitFor([&] { return canvas()->hasFocus(); }));
  QTest::keyClick(window(), Qt::Key_Backtab, Qt::ShiftModifier);
  QTest::keyClick(window(), Qt::Key_Return);
  ASSERT_TRUE(showsTitle(QStringLiteral("Other")));
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == canvas(); }));
  expectNoChromeButtonFocused();
}

TEST_F(WindowKeyboardTest, ClosingTheFocusedTabGivesTheKeyboardToTheNextTabsPage) {
  ASSERT_TRUE(activate());
  // A home tab, then a document tab whose canvas has the keyboard.
  QTest::keyClick(window(), Qt::Key_T, Qt::ControlModifier);
  ASSERT_TRUE(open(folder.filePath(QStringLiteral("page.html")), QStringLiteral("Flow")));
  canvas()->setFocus(Qt::MouseFocusReason);
  ASSERT_TRUE(QTest::qWaitFor([&] { return canvas()->hasFocus(); }));
  QTest::keyClick(window(), Qt::Key_W, Qt::ControlModifier);
  ASSERT_EQ(model().tabs().size(), 1);
  EXPECT_TRUE(searchFieldFocused());
  expectNoChromeButtonFocused();
}

TEST_F(WindowKeyboardTest, AltShowsTheMenuBarAndAboutOpensFromIt) {
  ASSERT_TRUE(activate());
  ASSERT_NE(menus(), nullptr);
  QMenuBar* bar = menus()->menuBar();
  ASSERT_FALSE(bar->isVisible());
  QTest::keyPress(window(), Qt::Key_Alt, Qt::AltModifier);
  QTest::keyRelease(window(), Qt::Key_Alt);
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar->isVisible() && bar->hasFocus(); }, kLoadLimitMs));
  QTest::keyClick(window(), Qt::Key_Escape);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !bar->isVisible(); }, kLoadLimitMs));
  EXPECT_TRUE(searchFieldFocused()) << "the keyboard is back in the page";

  QTest::keyPress(window(), Qt::Key_Alt, Qt::AltModifier);
  QTest::keyRelease(window(), Qt::Key_Alt);
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar->isVisible() && bar->hasFocus(); }, kLoadLimitMs));
  // Return opens "Kivo" on its first item, "Kivo Hakkında"; Return chooses it.
  QTest::keyClick(window(), Qt::Key_Return);
  QMenu* kivo = menus()->menus().first();
  ASSERT_TRUE(QTest::qWaitFor([&] { return kivo->isVisible(); }, kLoadLimitMs));
  QTest::keyClick(kivo->windowHandle(), Qt::Key_Return);
  QPointer<KivoPanel> sheet;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return (sheet = KivoPanel::attachedSheet(&controller->browserWindow())) != nullptr; }, kLoadLimitMs));
  ASSERT_TRUE(sheet);
  auto* card = qobject_cast<KivoDialogCard*>(sheet->content());
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(card->message(), ApplicationMenus::kAboutMessage);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !bar->isVisible(); }, kLoadLimitMs));
  card->confirmButton()->click();
}

}  // namespace

