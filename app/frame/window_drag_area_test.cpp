#include "frame/window_drag_area.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "frame/browser_window.h"
#include "frame/window_controls.h"
#include "frame/window_test_support.h"
#include "kit/kit_test_support.h"

namespace {

const QRect kArea(0, 30, 1000, 700);
const QRect kStart(100, 120, 600, 400);
// The leading strip with the controls and a trailing one without, in the
// window's coordinates.
const QRect kLeading(0, 0, 120, 38);
const QRect kTrailing(400, 0, 200, 38);


class WindowDragAreaTest : public testing::Test {
protected:
  void SetUp() override {
    window = std::make_unique<BrowserWindow>();
    auto* root = new QWidget;
    window->installBrowserContent(root);
    leading = new WindowDragArea(true, root);
    leading->setGeometry(kLeading);
    trailing = new WindowDragArea(false, root);
    trailing->setGeometry(kTrailing);
    window->setScreenArea([](const BrowserWindow&) { return std::optional<QRect>(kArea); });
    window->setGeometry(kStart);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window->windowHandle()));
  }

  void TearDown() override {
    window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QWindow* handle() { return window->windowHandle(); }
  // A point of `strip` (window coordinates) away from the controls.
  static QPoint in(const QRect& strip) { return strip.center() + QPoint(strip.width() / 4, 0); }

  std::unique_ptr<BrowserWindow> window;
  WindowDragArea* leading = nullptr;
  WindowDragArea* trailing = nullptr;
};

TEST_F(WindowDragAreaTest, ADoubleClickMaximisesAndASecondRestores) {
  EXPECT_EQ(leading->browserWindow(), window.get()) << "found through the containing window";
  QTest::mouseDClick(handle(), Qt::LeftButton, {}, in(kTrailing));
  EXPECT_EQ(window->geometry(), kArea);
  QTest::mouseDClick(handle(), Qt::LeftButton, {}, in(kLeading));
  EXPECT_EQ(window->geometry(), kStart);
  EXPECT_EQ(window->pos(), kStart.topLeft()) << "the presses of a double click do not move the window";
}

TEST_F(WindowDragAreaTest, ADoubleClickInFullScreenLeavesIt) {
  window->toggleFullScreen();
  QCoreApplication::processEvents();
  ASSERT_TRUE(window->isFullScreenMode());
  QTest::mouseDClick(handle(), Qt::LeftButton, {}, in(kTrailing));
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->isFullScreenMode());
  EXPECT_FALSE(window->restoredFrame()) << "leaving full screen is all the double click did";
  EXPECT_EQ(window->geometry(), kStart);
}

TEST_F(WindowDragAreaTest, DraggingMovesTheWindowOutsideFullScreenOnly) {
  // The offscreen platform has no window manager to move windows, so the
  // strip moves the window itself while the button is held.
  // Points are in the window, which follows the pointer: after the move the
  // pointer is over the strip's press point again.
  const QPoint press = in(kTrailing);
  QTest::mousePress(handle(), Qt::LeftButton, {}, press);
  QTest::mouseMove(handle(), press + QPoint(40, 25));
  QTest::mouseRelease(handle(), Qt::LeftButton, {}, press);
  EXPECT_EQ(window->pos(), kStart.topLeft() + QPoint(40, 25));

  // A move without the button held does nothing.
  const QPoint after = window->pos();
  QTest::mouseMove(handle(), press + QPoint(-30, 10));
  EXPECT_EQ(window->pos(), after);

  window->toggleFullScreen();
  QCoreApplication::processEvents();
  const QRect full = window->geometry();
  QTest::mousePress(handle(), Qt::LeftButton, {}, press);
  QTest::mouseMove(handle(), press + QPoint(40, 25));
  QTest::mouseRelease(handle(), Qt::LeftButton, {}, press + QPoint(40, 25));
  EXPECT_EQ(window->geometry(), full);
}

TEST_F(WindowDragAreaTest, TheGapsBetweenTheControlsDragAndZoomToo) {
  WindowControls* controls = leading->controls();
  const QPoint gap = controls->mapTo(window.get(), QPoint(WindowControlButton::kDiameter + 3, 6));
  QTest::mousePress(handle(), Qt::LeftButton, {}, gap);
  QTest::mouseMove(handle(), gap + QPoint(7, 9));
  QTest::mouseRelease(handle(), Qt::LeftButton, {}, gap);
  EXPECT_EQ(window->pos(), kStart.topLeft() + QPoint(7, 9));
  QTest::mouseDClick(handle(), Qt::LeftButton, {}, gap);
  EXPECT_EQ(window->geometry(), kArea);
}

TEST_F(WindowDragAreaTest, APressAfterADoubleClickDragsAndDoesNotToggle) {
  QTest::mouseDClick(handle(), Qt::LeftButton, {}, in(kTrailing));
  ASSERT_EQ(window->geometry(), kArea);
  const QPoint press = in(kTrailing);
  QTest::mousePress(handle(), Qt::LeftButton, {}, press);
  QTest::mouseMove(handle(), press + QPoint(5, 6));
  QTest::mouseRelease(handle(), Qt::LeftButton, {}, press);
  EXPECT_EQ(window->geometry(), kArea.translated(5, 6));
}

TEST_F(WindowDragAreaTest, TheWindowSetWinsOverTheContainingOne) {
  BrowserWindow other;
  other.setScreenArea([](const BrowserWindow&) { return std::optional<QRect>(kArea); });
  other.setGeometry(50, 60, 300, 200);
  trailing->setBrowserWindow(&other);
  QTest::mouseDClick(handle(), Qt::LeftButton, {}, in(kTrailing));
  EXPECT_EQ(other.geometry(), kArea);
  EXPECT_EQ(window->geometry(), kStart);
}

TEST_F(WindowDragAreaTest, OutsideABrowserWindowPressesPassOn) {
  PressRecorder host;
  auto* strip = new WindowDragArea(false, &host);
  strip->setGeometry(0, 0, 200, 38);
  host.setGeometry(100, 100, 300, 200);
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(host.windowHandle()));
  EXPECT_EQ(strip->browserWindow(), nullptr);
  QTest::mouseClick(host.windowHandle(), Qt::LeftButton, {}, QPoint(50, 10));
  EXPECT_EQ(host.presses, 1);
}

TEST_F(WindowDragAreaTest, TheControlsSitAtTheLeadingEdgeWithTurkishLabels) {
  WindowControls* controls = leading->controls();
  ASSERT_NE(controls, nullptr);
  EXPECT_EQ(trailing->controls(), nullptr);
  EXPECT_EQ(leading->sizeHint().width(), 79);
  struct Expected {
    WindowControlButton* button;
    QRect geometry;
    const char* label;
  };
  const Expected expected[] = {
      {controls->closeButton(), QRect(13, 13, 12, 12), "Kapat"},
      {controls->minimizeButton(), QRect(33, 13, 12, 12), "Simge durumuna küçült"},
      {controls->zoomButton(), QRect(53, 13, 12, 12), "Büyüt / eski boyutuna getir"},
  };
  for (const auto& e : expected) {
    const QRect inStrip(e.button->mapTo(leading, QPoint(0, 0)), e.button->size());
    EXPECT_EQ(inStrip, e.geometry) << e.label;
    EXPECT_EQ(e.button->toolTip(), QString::fromUtf8(e.label));
    EXPECT_EQ(e.button->accessibleName(), QString::fromUtf8(e.label));
  }
}

TEST_F(WindowDragAreaTest, TheControlsCloseMinimiseAndZoomTheWindow) {
  WindowControls* controls = leading->controls();
  auto centre = [&](QWidget* button) { return button->mapTo(window.get(), button->rect().center()); };

  QTest::mouseClick(handle(), Qt::LeftButton, {}, centre(controls->zoomButton()));
  EXPECT_EQ(window->geometry(), kArea);
  EXPECT_TRUE(controls->isZoomed()) << "the zoom button shows the restore symbol";
  QTest::mouseClick(handle(), Qt::LeftButton, {}, centre(controls->zoomButton()));
  EXPECT_EQ(window->geometry(), kStart);
  EXPECT_FALSE(controls->isZoomed());

  QTest::mouseClick(handle(), Qt::LeftButton, {}, centre(controls->minimizeButton()));
  EXPECT_TRUE(window->isMinimized());
  window->showNormal();

  QSignalSpy closing(window.get(), &BrowserWindow::willClose);
  QTest::mouseClick(handle(), Qt::LeftButton, {}, centre(controls->closeButton()));
  EXPECT_EQ(closing.count(), 1);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowDragAreaTest, TheControlsHideWhileTheWindowIsInFullScreenLayout) {
  WindowControls* controls = leading->controls();
  EXPECT_TRUE(controls->isVisible());
  window->setFullScreenLayout(true);
  EXPECT_FALSE(controls->isVisible());
  window->setFullScreenLayout(false);
  EXPECT_TRUE(controls->isVisible());
}

TEST_F(WindowDragAreaTest, TheControlsDrawInTheThemesScheme) {
  auto preferences = KitTest::preferences(QStringLiteral("window-drag-area-test"));
  std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  leading->setTheme(theme);
  preferences->setAppearance(BrowserAppearance::Dark);
  EXPECT_EQ(leading->controls()->scheme(), ColorScheme::Dark);
  preferences->setAppearance(BrowserAppearance::Light);
  EXPECT_EQ(leading->controls()->scheme(), ColorScheme::Light);
  // The disc is the scheme's primary colour over the window: dark on light.
  const QImage light = leading->controls()->closeButton()->grab().toImage();
  preferences->setAppearance(BrowserAppearance::Dark);
  const QImage dark = leading->controls()->closeButton()->grab().toImage();
  EXPECT_NE(light, dark);
}

}  // namespace
