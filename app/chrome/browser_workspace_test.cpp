#include "chrome/browser_workspace.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "frame/browser_window.h"
#include "chrome/tab_drag_preview.h"
#include "kit/kit_test_support.h"
#include "loading/document_cache.h"
#include "model/browser_model.h"
#include "model/browser_preferences.h"
#include "model/settings_store.h"
#include "profile/browsing_profile.h"

namespace {

class WorkspaceTest : public testing::Test {
protected:
  WorkspaceTest() {
    QApplication::setQuitOnLastWindowClosed(false);
    store = SettingsStore::open(KitTest::storeName(QStringLiteral("com.kivo.browser.tests.workspace")));
    auto preferences = std::make_shared<BrowserPreferences>(store);
    auto cache = std::make_shared<DocumentCache>();
    workspace = std::make_unique<BrowserWorkspace>(preferences, cache,
                                                   std::make_shared<BrowsingProfile>(false, QString(), cache));
    workspace->setScreenArea([](const QWidget&) { return std::optional<QRect>(QRect(0, 30, 2560, 1370)); });
  }
  ~WorkspaceTest() override {
    workspace.reset();
    store->removeAll();
  }

  // Closes the window of `controller` as its close button does, and lets the
  // deferred clean-up run.
  static void closeWindow(BrowserWindowController* controller) {
    controller->browserWindow().close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  std::shared_ptr<SettingsStore> store;
  std::unique_ptr<BrowserWorkspace> workspace;
};

TEST_F(WorkspaceTest, ANewWindowCascadesFromTheActiveOneAndBecomesActive) {
  BrowserWindowController* first = workspace->newWindow();
  BrowserWindowController* second = workspace->newWindow();
  EXPECT_EQ(first->browserWindow().geometry(), QRect(680, 310, 1200, 810)) << "the first window is centred";
  EXPECT_EQ(second->browserWindow().pos(), first->browserWindow().pos() + QPoint(28, 28));
  EXPECT_EQ(workspace->activeController(), second);
  EXPECT_EQ(workspace->controllers(), (QList<BrowserWindowController*>{first, second}));
  EXPECT_EQ(&first->model().profile()->history(), &second->model().profile()->history())
      << "normal windows share the normal profile";
  EXPECT_EQ(first->model().workspace(), workspace.get());
  EXPECT_EQ(first->model().browserWindow(), &first->browserWindow());
  EXPECT_EQ(first->browserWindow().minimumSize(), QSize(900, 600));
  EXPECT_EQ(first->browserWindow().windowTitle(), QStringLiteral("Kivo"));

  // A window that became main is the active one, whatever the system says.
  workspace->becameMain(first);
  EXPECT_EQ(workspace->activeController(), first);
  EXPECT_EQ(workspace->windowsFrontToBack(), (QList<BrowserWindowController*>{first, second}));
}

TEST_F(WorkspaceTest, PrivateWindowsAreSeparateSessionsEndedWithTheirLastWindow) {
  BrowserWindowController* normal = workspace->newWindow();
  BrowserWindowController* one = workspace->newWindow(nullptr, std::nullopt, true);
  BrowserWindowController* two = workspace->newWindow(nullptr, std::nullopt, true);
  EXPECT_EQ(one->browserWindow().windowTitle(), QStringLiteral("Kivo · Gizli pencere"));
  ASSERT_TRUE(one->model().isPrivate());
  EXPECT_NE(one->model().profile(), two->model().profile());
  EXPECT_NE(one->model().profile(), normal->model().profile());

  const std::shared_ptr<BrowsingProfile> first = one->model().profile();
  const std::shared_ptr<BrowsingProfile> second = two->model().profile();
  for (const auto& profile : {first, second, normal->model().profile()}) {
    profile->history().record(QStringLiteral("https://example.com/"), QStringLiteral("Example"),
                              profile->history().revision());
  }
  const QPointer<BrowserWindowController> watched(one);
  closeWindow(one);
  EXPECT_TRUE(watched.isNull()) << "the controller goes once its close is over";
  EXPECT_TRUE(first->history().entries().isEmpty()) << "the closed private session is cleared";
  EXPECT_EQ(second->history().entries().size(), 1) << "the other private window keeps its session";
  EXPECT_EQ(normal->model().profile()->history().entries().size(), 1);
  EXPECT_EQ(workspace->controllers(), (QList<BrowserWindowController*>{normal, two}));
  EXPECT_EQ(workspace->activeController(), two);
}

TEST_F(WorkspaceTest, ASystemWindowRepaintsWhenTheDesktopSwitchesSchemeAndAChosenOneStays) {
  BrowserWindowController* controller = workspace->newWindow();
  BrowserWindow& window = controller->browserWindow();
  BrowserPreferences& preferences = *workspace->preferences();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.windowHandle()));
  // Points in the tab row, the toolbar and the page.
  const std::vector<QPoint> points = {{600, 20}, {900, 60}, {600, 500}};
  // What the window shows: its last painted pixels, not a fresh rendering.
  const auto colours = [&] {
    QCoreApplication::processEvents();
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    std::vector<QRgb> seen;
    for (const QPoint& point : points) seen.push_back(shot.pixel(point));
    return seen;
  };
  const auto colorsIn = [&](BrowserAppearance appearance) {
    preferences.setAppearance(appearance);
    return colours();
  };
  const std::vector<QRgb> light = colorsIn(BrowserAppearance::Light);
  const std::vector<QRgb> dark = colorsIn(BrowserAppearance::Dark);
  ASSERT_NE(light, dark);

  preferences.setAppearance(BrowserAppearance::System);
  const std::vector<QRgb> before = colours();
  {
    KitTest::DesktopSchemeSwitch desktop;
    EXPECT_NE(colours(), before);
    EXPECT_EQ(colours(), desktop.to == ColorScheme::Dark ? dark : light) << "drawn as in the chosen scheme";
  }
  EXPECT_EQ(colours(), before) << "and back with the desktop";

  for (BrowserAppearance chosen : {BrowserAppearance::Dark, BrowserAppearance::Light}) {
    const std::vector<QRgb> kept = colorsIn(chosen);
    KitTest::DesktopSchemeSwitch desktop;
    EXPECT_EQ(colours(), kept) << "a chosen scheme ignores the desktop";
    EXPECT_EQ(preferences.appearance(), chosen);
  }
}

TEST_F(WorkspaceTest, TheFullScreenLayoutFollowsOnlyWhatTheWindowSystemDid) {
  BrowserWindowController* controller = workspace->newWindow();
  BrowserWindow& window = controller->browserWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.windowHandle()));
  constexpr int wait = BrowserWindow::kFullScreenAnswerBound * 4;
  const auto windowed = [&] { return !window.chromeState().isFullScreen() && !window.fullScreenChrome(); };
  QSignalSpy refused(&window, &BrowserWindow::didFailToEnterFullScreen);

  window.setFullScreenRequest([](BrowserWindow&, bool) {});
  window.toggleFullScreen();
  EXPECT_TRUE(windowed()) << "no full-screen layout before the window system answered";
  ASSERT_TRUE(QTest::qWaitFor([&] { return refused.count() == 1; }, wait));
  EXPECT_TRUE(windowed());
  EXPECT_FALSE(controller->model().notice()) << "a refused entry leaves the window as it was";

  window.setFullScreenRequest(nullptr);
  window.toggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.chromeState().isFullScreen(); }, wait));
  EXPECT_NE(window.fullScreenChrome(), nullptr);

  QSignalSpy stuck(&window, &BrowserWindow::didFailToExitFullScreen);
  window.setFullScreenRequest([](BrowserWindow&, bool) {});
  window.toggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return stuck.count() == 1; }, wait));
  EXPECT_TRUE(window.chromeState().isFullScreen());
  EXPECT_EQ(controller->model().notice(), QStringLiteral("Tam ekrandan çıkılamadı; sekmen bu pencerede kaldı."));

  window.setFullScreenRequest(nullptr);
  window.toggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor(windowed, wait));
}

// Run on a real X server (the _x11 entry); skipped elsewhere.
class WorkspaceOnX11Test : public WorkspaceTest {
protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server";
  }
};

TEST_F(WorkspaceOnX11Test, FullScreenIsWhatTheWindowSystemDid) {
  BrowserWindowController* controller = workspace->newWindow();
  BrowserWindow& window = controller->browserWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.windowHandle()));
  const QRect before = window.geometry();
  QSignalSpy entered(&window, &BrowserWindow::didEnterFullScreen);
  QSignalSpy refused(&window, &BrowserWindow::didFailToEnterFullScreen);

  window.toggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return entered.count() + refused.count() > 0; },
                              BrowserWindow::kFullScreenAnswerBound * 4));
  const bool covers = window.geometry().contains(window.screen()->geometry());
  if (entered.count() == 1) {
    // A window manager (or a server) that carried the request out.
    EXPECT_TRUE(covers);
    EXPECT_TRUE(window.chromeState().isFullScreen());
    EXPECT_NE(window.fullScreenChrome(), nullptr);
    return;
  }
  // Without a window manager the X server records the state and leaves the
  // window as it was: the layout stays windowed and the state is taken back.
  EXPECT_FALSE(covers);
  EXPECT_FALSE(window.isFullScreenMode());
  EXPECT_FALSE(window.chromeState().isFullScreen());
  EXPECT_EQ(window.fullScreenChrome(), nullptr);
  EXPECT_FALSE(window.windowState().testFlag(Qt::WindowFullScreen));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.geometry() == before; }, BrowserWindow::kFullScreenAnswerBound));
}

TEST_F(WorkspaceTest, AGivenModelKeepsItsProfileAndClosingUnlinksIt) {
  auto model = std::make_shared<BrowserModel>(workspace->preferences(), nullptr, std::nullopt, workspace->profile());
  BrowserWindowController* controller = workspace->newWindow(model, std::nullopt, true);
  EXPECT_FALSE(controller->model().isPrivate()) << "privateMode is ignored for a given model";
  model->newTab();
  closeWindow(controller);
  EXPECT_EQ(model->workspace(), nullptr);
  EXPECT_EQ(model->browserWindow(), nullptr);
  EXPECT_EQ(model->tabs().size(), 1) << "the model was reset when its window closed";
  EXPECT_TRUE(workspace->controllers().isEmpty());
  EXPECT_EQ(workspace->activeController(), nullptr);
}

TEST_F(WorkspaceTest, DetachMovesTheTabIntoAWindowOfTheSameProfile) {
  BrowserWindowController* source = workspace->newWindow(nullptr, std::nullopt, true);
  BrowserModel& model = source->model();
  model.setDevToolsVisible(true);
  model.newTab();
  const QUuid moved = model.selectedID();

  ASSERT_TRUE(workspace->detach(moved, model));
  ASSERT_EQ(workspace->controllers().size(), 2);
  BrowserWindowController* opened = workspace->controllers().last();
  EXPECT_EQ(opened->model().selectedID(), moved);
  EXPECT_EQ(opened->model().profile(), model.profile()) << "a private tab stays in its session";
  EXPECT_TRUE(opened->model().devToolsVisible());
  EXPECT_EQ(model.tabs().size(), 1);

  // With one tab left nothing is split; an unknown tab is refused.
  EXPECT_TRUE(workspace->detach(model.selectedID(), model));
  EXPECT_EQ(workspace->controllers().size(), 2);
  EXPECT_FALSE(workspace->detach(QUuid::createUuid(), model));
}

TEST_F(WorkspaceTest, TransferMovesATabWithinOneProfileOnly) {
  BrowserWindowController* left = workspace->newWindow();
  BrowserWindowController* right = workspace->newWindow();
  BrowserWindowController* secret = workspace->newWindow(nullptr, std::nullopt, true);
  BrowserModel& source = left->model();
  source.newTab();
  const QUuid moved = source.selectedID();

  EXPECT_FALSE(workspace->transfer(moved, source, source, 0)) << "the same window";
  EXPECT_FALSE(workspace->transfer(moved, source, secret->model(), 0)) << "a private window is another session";
  EXPECT_FALSE(workspace->transfer(QUuid::createUuid(), source, right->model(), 0)) << "a tab the source lacks";

  ASSERT_TRUE(workspace->transfer(moved, source, right->model(), 0));
  EXPECT_EQ(right->model().tabs().first().id(), moved);
  EXPECT_EQ(right->model().selectedID(), moved);
  EXPECT_EQ(workspace->activeController(), right);
  EXPECT_FALSE(workspace->transfer(moved, right->model(), right->model(), 1));

  // The source's last tab leaves: its window closes.
  const QUuid last = source.selectedID();
  const QPointer<BrowserWindowController> emptied(left);
  ASSERT_TRUE(workspace->transfer(last, source, right->model(), 99));
  EXPECT_EQ(right->model().tabs().last().id(), last) << "the index is clamped";
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(emptied.isNull());
  EXPECT_EQ(workspace->controllers(), (QList<BrowserWindowController*>{right, secret}));
}

TEST_F(WorkspaceTest, ADropOutsideAnyStripOpensAWindowAndTheCardEnds) {
  BrowserWindowController* source = workspace->newWindow();
  BrowserModel& model = source->model();
  model.newTab();
  const QUuid dragged = model.selectedID();
  const QPoint outside(40, 1200);  // below every window

  workspace->updateDragPreview(dragged, model, outside);
  TabDragPreview* card = workspace->dragPreview();
  ASSERT_NE(card, nullptr);
  EXPECT_TRUE(card->isVisible());
  EXPECT_EQ(card->detail(), QStringLiteral("Yeni pencere açmak için bırak"));
  EXPECT_EQ(card->title(), QStringLiteral("Yeni sekme"));
  EXPECT_FALSE(card->isActiveWindow()) << "the card never takes activation from the dragging window";

  ASSERT_TRUE(workspace->dropTab(dragged, model, outside));
  EXPECT_EQ(workspace->dragPreview(), nullptr);
  ASSERT_EQ(workspace->controllers().size(), 2);
  EXPECT_EQ(workspace->controllers().last()->model().selectedID(), dragged);

  // A tab the model no longer has ends any card.
  workspace->updateDragPreview(dragged, model, outside);
  EXPECT_EQ(workspace->dragPreview(), nullptr);
}

TEST(TabDragPreviewOrigin, FollowsThePointerInsideTheArea) {
  const QRect area(0, 30, 1920, 1050);
  EXPECT_EQ(TabDragPreview::origin(QPoint(500, 400), area), QPoint(514, 414));
  EXPECT_EQ(TabDragPreview::origin(QPoint(1900, 1070), area), QPoint(1920 - 280, 1080 - 70)) << "kept inside";
  EXPECT_EQ(TabDragPreview::origin(QPoint(-50, 0), area), QPoint(0, 30));
  EXPECT_EQ(TabDragPreview::origin(QPoint(-50, 0), std::nullopt), QPoint(-36, 14)) << "no screen: no clamp";
}

}  // namespace
