#include "frame/browser_window.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

#include "frame/window_test_support.h"
#include "platform/window_compositing.h"

namespace {


// The area the window maximises to in these tests: below a 30-point panel
// and above a 70-point dock, so it differs from the screen's full geometry.
const QRect kArea(0, 30, 1000, 700);
const QRect kStart(100, 120, 600, 400);
// Longer than the window system is given to answer a full-screen request.
constexpr int kAnswerWait = BrowserWindow::kFullScreenAnswerBound * 4;

class BrowserWindowTest : public testing::Test {
protected:
  void SetUp() override {
    window = std::make_unique<BrowserWindow>();
    root = new PressRecorder;
    window->installBrowserContent(root);
    window->setScreenArea([this](const BrowserWindow&) { return std::optional<QRect>(area); });
    window->setGeometry(kStart);
  }

  void TearDown() override {
    WindowCompositing::setOverride(std::nullopt);
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "a window left its edge cursor behind";
  }

  void showWindow() {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->windowHandle()));
  }

  QWindow* handle() { return window->windowHandle(); }

  QRect area = kArea;
  std::unique_ptr<BrowserWindow> window;
  PressRecorder* root = nullptr;
};

TEST_F(BrowserWindowTest, MaximisesToTheAvailableAreaAndRestores) {
  showWindow();
  QSignalSpy zoomed(window.get(), &BrowserWindow::zoomedChanged);
  window->toggleMaximize(true);
  EXPECT_EQ(window->geometry(), kArea);
  EXPECT_EQ(window->restoredFrame(), kStart);
  EXPECT_EQ(window->maximizedFrame(), kArea);
  EXPECT_TRUE(window->isZoomed());

  window->toggleMaximize(true);
  EXPECT_EQ(window->geometry(), kStart);
  EXPECT_FALSE(window->restoredFrame());
  EXPECT_FALSE(window->maximizedFrame());
  EXPECT_FALSE(window->isZoomed());
  ASSERT_EQ(zoomed.count(), 2);
  EXPECT_TRUE(zoomed.at(0).at(0).toBool());
  EXPECT_FALSE(zoomed.at(1).at(0).toBool());
}

TEST_F(BrowserWindowTest, AMoveOfOnePointStillRestoresTwoPointsMaximiseAgain) {
  showWindow();
  window->toggleMaximize(false);
  window->move(kArea.topLeft() + QPoint(1, 1));
  EXPECT_TRUE(window->isZoomed());
  window->toggleMaximize(false);
  EXPECT_EQ(window->geometry(), kStart) << "moved by one point: restores";

  window->toggleMaximize(false);
  const QRect moved = kArea.translated(2, 0);
  window->move(moved.topLeft());
  EXPECT_FALSE(window->isZoomed());
  window->toggleMaximize(false);
  EXPECT_EQ(window->geometry(), kArea) << "moved by two points: maximises again";
  EXPECT_EQ(window->restoredFrame(), moved);
}

TEST_F(BrowserWindowTest, RestoringOntoASmallerScreenClampsAndShrinks) {
  window->setGeometry(500, 300, 800, 500);
  showWindow();
  window->toggleMaximize(false);
  // The window's screen changes to a smaller one while it stays at the
  // frame of its maximise.
  area = QRect(0, 0, 640, 420);
  window->toggleMaximize(false);
  EXPECT_EQ(window->geometry(), QRect(0, 0, 640, 420));

  area = QRect(0, 20, 900, 560);
  window->setGeometry(300, 200, 500, 300);
  window->toggleMaximize(false);
  area = QRect(0, 20, 700, 400);
  window->toggleMaximize(false);
  EXPECT_EQ(window->geometry(), QRect(200, 120, 500, 300)) << "moved inside, keeps its size";
}

TEST_F(BrowserWindowTest, AWindowTheWindowManagerMaximisedReturnsToNormal) {
  showWindow();
  window->showMaximized();
  QCoreApplication::processEvents();
  ASSERT_TRUE(window->isMaximized());
  window->toggleMaximize(true);
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->isMaximized());
  EXPECT_EQ(window->geometry(), kStart);
  EXPECT_FALSE(window->restoredFrame());
}

TEST_F(BrowserWindowTest, WithoutAScreenTheToggleDoesNothing) {
  window->setScreenArea([](const BrowserWindow&) { return std::optional<QRect>(); });
  window->toggleMaximize(false);
  EXPECT_EQ(window->geometry(), kStart);
  EXPECT_FALSE(window->restoredFrame());
}

TEST_F(BrowserWindowTest, MaximiseRemembersTheFrameTheMinimumSizeAllowed) {
  window->setMinimumSize(900, 600);
  area = QRect(0, 30, 800, 500);
  window->toggleMaximize(false);
  EXPECT_EQ(window->geometry(), QRect(0, 30, 900, 600));
  EXPECT_EQ(window->maximizedFrame(), QRect(0, 30, 900, 600));
  window->toggleMaximize(false);
  EXPECT_EQ(window->geometry().topLeft(), QPoint(0, 30)) << "the restore is recognised";
  EXPECT_FALSE(window->maximizedFrame());
}

TEST_F(BrowserWindowTest, FullScreenEntersAndLeavesThroughTheStateChange) {
  showWindow();
  std::vector<std::string> order;
  QObject::connect(window.get(), &BrowserWindow::willEnterFullScreen, [&] { order.push_back("will enter"); });
  QObject::connect(window.get(), &BrowserWindow::didEnterFullScreen, [&] { order.push_back("did enter"); });
  QObject::connect(window.get(), &BrowserWindow::didExitFullScreen, [&] { order.push_back("did exit"); });
  QObject::connect(window.get(), &BrowserWindow::didFailToEnterFullScreen, [&] { order.push_back("failed to enter"); });
  QObject::connect(window.get(), &BrowserWindow::didFailToExitFullScreen, [&] { order.push_back("failed to exit"); });

  window->toggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->isFullScreenMode(); }, kAnswerWait));
  EXPECT_EQ(window->geometry(), window->screen()->geometry());
  window->toggleFullScreen();
  // The window system gives the frame back some loop turns after the state.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isFullScreenMode() && window->geometry() == kStart; },
                              kAnswerWait))
      << testing::PrintToString(window->geometry());
  EXPECT_EQ(order, (std::vector<std::string>{"will enter", "did enter", "did exit"}));
}

TEST_F(BrowserWindowTest, AMaximisedWindowReturnsMaximisedFromFullScreen) {
  showWindow();
  window->toggleMaximize(false);
  window->toggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->isFullScreenMode(); }, kAnswerWait));
  // The toggle in full screen only leaves it, keeping what it remembers.
  window->toggleMaximize(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window->isFullScreenMode() && window->geometry() == kArea; },
                              kAnswerWait))
      << testing::PrintToString(window->geometry());
  EXPECT_EQ(window->restoredFrame(), kStart);
  EXPECT_EQ(window->maximizedFrame(), kArea);
  window->toggleMaximize(false);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->geometry() == kStart; }, kAnswerWait))
      << testing::PrintToString(window->geometry());
}

TEST_F(BrowserWindowTest, ARequestTheSystemIgnoresReportsTheFailure) {
  showWindow();
  QSignalSpy failedEnter(window.get(), &BrowserWindow::didFailToEnterFullScreen);
  QSignalSpy failedExit(window.get(), &BrowserWindow::didFailToExitFullScreen);
  QSignalSpy will(window.get(), &BrowserWindow::willEnterFullScreen);
  QSignalSpy entered(window.get(), &BrowserWindow::didEnterFullScreen);

  // A window system that ignores the entry: nothing is announced but the
  // failure, once the bound has passed.
  window->setFullScreenRequest([](BrowserWindow&, bool) {});
  window->toggleFullScreen();
  QCoreApplication::processEvents();
  EXPECT_EQ(failedEnter.count(), 0) << "the window system has time to answer";
  ASSERT_TRUE(QTest::qWaitFor([&] { return failedEnter.count() == 1; }, kAnswerWait));
  EXPECT_EQ(will.count(), 0);
  EXPECT_EQ(entered.count(), 0);
  EXPECT_FALSE(window->isFullScreenMode());
  EXPECT_EQ(window->geometry(), kStart);

  window->setFullScreenRequest(nullptr);
  window->toggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->isFullScreenMode(); }, kAnswerWait));
  window->setFullScreenRequest([](BrowserWindow&, bool) {});
  window->toggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return failedExit.count() == 1; }, kAnswerWait));
  EXPECT_TRUE(window->isFullScreenMode());
  EXPECT_EQ(failedEnter.count(), 1) << "the successful entry reported no failure";

  window->setFullScreenRequest(nullptr);
  window->toggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isFullScreenMode(); }, kAnswerWait));
  EXPECT_EQ(failedExit.count(), 1);
  EXPECT_EQ(window->geometry(), kStart);
}

TEST_F(BrowserWindowTest, FullScreenEnteredElsewhereIsAnnouncedToo) {
  showWindow();
  QSignalSpy will(window.get(), &BrowserWindow::willEnterFullScreen);
  QSignalSpy did(window.get(), &BrowserWindow::didEnterFullScreen);
  window->showFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return did.count() == 1; }, kAnswerWait));
  EXPECT_EQ(will.count(), 1);
  window->toggleFullScreen();
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->geometry() == kStart; }, kAnswerWait))
      << testing::PrintToString(window->geometry());
}

TEST_F(BrowserWindowTest, TheFullScreenChromeSitsAboveTheRootOnceAndGoesOnLeaving) {
  showWindow();
  QSignalSpy published(&window->chromeState(), &BrowserWindowState::fullScreenChanged);
  QPointer<QWidget> first = new QWidget;
  QPointer<QWidget> second = new QWidget;
  window->installFullScreenChrome(first);
  window->installFullScreenChrome(second);
  window->installFullScreenChrome(first);
  window->setFullScreenLayout(true);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window->fullScreenChrome(), first.data());
  EXPECT_TRUE(first);
  EXPECT_FALSE(second) << "the second chrome is not kept";
  EXPECT_TRUE(window->chromeState().isFullScreen());
  ASSERT_EQ(published.count(), 1);
  EXPECT_TRUE(published.at(0).at(0).toBool());
  EXPECT_EQ(first->geometry(), QRect(0, 0, kStart.width(), BrowserWindow::kFullScreenChromeHeight));
  EXPECT_EQ(root->geometry(), QRect(0, 84, kStart.width(), kStart.height() - 84));

  window->setFullScreenLayout(false);
  EXPECT_EQ(window->fullScreenChrome(), nullptr);
  EXPECT_FALSE(window->chromeState().isFullScreen());
  ASSERT_TRUE(first) << "deleted later, not inside a caller that may be the chrome itself";
  EXPECT_FALSE(first->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(first);
  EXPECT_EQ(root->geometry(), QRect(QPoint(0, 0), kStart.size()));

  QPointer<QWidget> fresh = new QWidget;
  window->installFullScreenChrome(fresh);
  EXPECT_EQ(window->fullScreenChrome(), fresh.data());
}

TEST_F(BrowserWindowTest, APressWhileAPopoverIsOpenOnlyClosesIt) {
  showWindow();
  bool open = false;
  int dismissals = 0;
  window->dismissTransientUI = [&] {
    ++dismissals;
    return std::exchange(open, false);
  };
  const QPoint inside(300, 200);
  QTest::mouseClick(handle(), Qt::LeftButton, {}, inside);
  EXPECT_EQ(root->presses, 1) << "no popover open: the press reaches the view";
  EXPECT_EQ(dismissals, 1);

  open = true;
  QTest::mouseClick(handle(), Qt::LeftButton, {}, inside);
  EXPECT_EQ(root->presses, 1) << "the press that closes the popover is consumed";
  EXPECT_FALSE(open);

  open = true;
  QTest::mouseClick(handle(), Qt::RightButton, {}, inside);
  EXPECT_EQ(root->presses, 1);
  EXPECT_FALSE(open);

  open = true;
  QTest::mouseClick(handle(), Qt::MiddleButton, {}, inside);
  EXPECT_EQ(root->presses, 2) << "only left and right presses close the popover";
  EXPECT_TRUE(open);
}

TEST_F(BrowserWindowTest, PressesInOtherWindowsAreNotItsConcern) {
  showWindow();
  int dismissals = 0;
  window->dismissTransientUI = [&] {
    ++dismissals;
    return true;
  };
  BrowserWindow other;
  auto* otherRoot = new PressRecorder;
  other.installBrowserContent(otherRoot);
  other.setGeometry(200, 200, 400, 300);
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(other.windowHandle()));
  QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, QPoint(200, 150));
  EXPECT_EQ(dismissals, 0);
  EXPECT_EQ(otherRoot->presses, 1);
}

TEST_F(BrowserWindowTest, EdgesShowResizeCursorsOutsideFullScreenAndMaximise) {
  showWindow();
  QTest::mouseMove(handle(), QPoint(300, 200));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  QTest::mouseMove(handle(), QPoint(1, 200));
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::SizeHorCursor);
  QTest::mouseMove(handle(), QPoint(598, 398));
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::SizeFDiagCursor);
  QTest::mouseMove(handle(), QPoint(300, 200));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  // The offscreen platform cannot resize: the press reaches the view.
  QTest::mousePress(handle(), Qt::LeftButton, {}, QPoint(1, 200));
  QTest::mouseRelease(handle(), Qt::LeftButton, {}, QPoint(1, 200));
  EXPECT_EQ(root->presses, 1);

  window->toggleMaximize(false);
  QTest::mouseMove(handle(), QPoint(1, 200));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "a maximised window does not resize from its edges";
  window->toggleMaximize(false);
  window->toggleFullScreen();
  QTest::mouseMove(handle(), QPoint(1, 200));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "nor does a window in full screen";
  window->toggleFullScreen();

  QTest::mouseMove(handle(), QPoint(300, 1));
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  window->hide();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "hiding ends the edge cursor";
}

TEST_F(BrowserWindowTest, ReportsActivationAndClosing) {
  QSignalSpy active(window.get(), &BrowserWindow::becameActive);
  QSignalSpy closing(window.get(), &BrowserWindow::willClose);
  showWindow();
  // A window system without a window manager activates only on request.
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 10000));
  EXPECT_GE(active.count(), 1);
  EXPECT_EQ(window->dialogParent(), window.get());
  window->performClose();
  EXPECT_EQ(closing.count(), 1);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(BrowserWindowTest, AnEdgeSetsTheWindowApartExactlyWhereNothingComposites) {
  // A content of one colour to the last pixel, so that the edge shows as the
  // only other colour.
  root->setAutoFillBackground(true);
  QPalette palette = root->palette();
  palette.setColor(QPalette::Window, QColor(0xE1, 0xE1, 0xE1));
  root->setPalette(palette);
  const QRgb content = qRgb(0xE1, 0xE1, 0xE1);
  const auto pixels = [&] {
    const QImage image = window->grab().toImage();
    return std::vector<QRgb>{image.pixel(0, 0), image.pixel(image.width() - 1, image.height() / 2),
                             image.pixel(image.width() / 2, image.height() - 1), image.pixel(1, 1)};
  };
  // Each show asks the window system again.
  for (bool composites : {false, true, false}) {
    WindowCompositing::setOverride(composites);
    showWindow();
    EXPECT_EQ(window->hasEdge(), !composites);
    const std::vector<QRgb> found = pixels();
    for (size_t i = 0; i < 3; ++i) {
      if (composites) {
        EXPECT_EQ(found[i], content) << "no edge at " << i;
      } else {
        EXPECT_NE(found[i], content) << "an edge at " << i;
      }
    }
    EXPECT_EQ(found[3], content) << "the edge is one point wide";
    // Presses reach the content through the edge.
    const int presses = root->presses;
    QTest::mouseClick(handle(), Qt::LeftButton, {}, QPoint(0, 200));
    EXPECT_EQ(root->presses, presses + 1);
    window->hide();
  }
}

TEST_F(BrowserWindowTest, AFullScreenWindowHasNoEdge) {
  WindowCompositing::setOverride(false);
  showWindow();
  window->setFullScreenLayout(true);
  window->showFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->isFullScreenMode(); }, kAnswerWait));
  EXPECT_FALSE(window->hasEdge()) << "nothing lies beside a full-screen window";
  window->showNormal();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isFullScreenMode(); }, kAnswerWait));
  EXPECT_TRUE(window->hasEdge());
}

// What the X server shows of a second window cascaded over the first, on a
// screen without a compositing manager: both show the same tab-row colour,
// and only the second window's edge sets it apart.
TEST(BrowserWindowX11, ASecondWindowsEdgeDiffersFromWhatLiesBesideIt) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on X11";
  ASSERT_FALSE(WindowCompositing::composites()) << "the server runs without a compositing manager";
  const QColor row(0xE1, 0xE1, 0xE1);
  const auto makeWindow = [&](const QRect& frame) {
    auto window = std::make_unique<BrowserWindow>();
    auto* content = new QWidget;
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, row);
    content->setPalette(palette);
    window->installBrowserContent(content);
    window->setGeometry(frame);
    window->show();
    return window;
  };
  const QRect firstFrame(100, 100, 900, 600);
  const QRect secondFrame = firstFrame.translated(22, 22);
  std::unique_ptr<BrowserWindow> first = makeWindow(firstFrame);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(first.get()));
  std::unique_ptr<BrowserWindow> second = makeWindow(secondFrame);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(second.get()));
  EXPECT_TRUE(second->hasEdge());

  QImage screen;
  const auto at = [&](int x, int y) { return screen.pixelColor(x, y).rgb(); };
  // Both windows have painted once the row's colour shows inside each.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        return at(firstFrame.x() + 10, firstFrame.y() + 10) == row.rgb() &&
               at(secondFrame.x() + 10, secondFrame.y() + 10) == row.rgb();
      },
      10000));
  // The second window's left and top edges against the first window's row
  // just beside them.
  const int y = secondFrame.y() + 40;
  const int x = secondFrame.x() + 300;
  EXPECT_EQ(at(secondFrame.x() - 1, y), row.rgb());
  EXPECT_NE(at(secondFrame.x(), y), at(secondFrame.x() - 1, y)) << "left edge";
  EXPECT_EQ(at(x, secondFrame.y() - 1), row.rgb());
  EXPECT_NE(at(x, secondFrame.y()), at(x, secondFrame.y() - 1)) << "top edge";
}

}  // namespace
