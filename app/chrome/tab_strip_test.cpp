#include "chrome/tab_strip.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include "frame/browser_window.h"
#include "chrome/browser_workspace.h"
#include "chrome/native_tab_strip.h"
#include "chrome/tab_item_view.h"
#include "frame/window_test_support.h"
#include "kit/motion.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "loading/document_cache.h"
#include "pages/pages_test_support.h"
#include "profile/browsing_profile.h"

namespace {

// A window's tear-off, recorded; it takes tabs only while open, and a drop
// it takes closes the tab in `model`.
class RecordingTearOff : public TabTearOff {
public:
  bool canTearOff() const override { return open; }
  void updateDragPreview(const QUuid& tab, QPoint point) override { previews.append({tab, point}); }
  bool dropTab(const QUuid& tab, QPoint point) override {
    drops.append({tab, point});
    if (takes && model) model->close(tab);
    return takes;
  }
  void cancelDragPreview() override { ++cancels; }

  struct Call {
    QUuid tab;
    QPoint point;
  };
  BrowserModel* model = nullptr;
  bool open = false;
  QList<Call> previews;
  QList<Call> drops;
  int cancels = 0;
  bool takes = false;
};

class BrowserTabStripTest : public testing::Test {
protected:
  void SetUp() override {
    // Cells reach their slots at once, so the injected points find them.
    Motion::setReduceMotionOverride(true);
    preferences = PagesTest::preferences(QStringLiteral("chrome-strip-test"));
    model = PagesTest::model(preferences);
    model->newTab();
    model->newTab();
    host = std::make_unique<QWidget>();
    host->setGeometry(100, 100, 700, 120);
    tearOff.model = model.get();
    strip = new BrowserTabStrip(*model, &tearOff, host.get());
    strip->setGeometry(40, 30, 404, 38);
    native()->setAutoScrollInterval(std::chrono::hours(1));
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host->windowHandle()));
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get(), 10000));
  }
  void TearDown() override {
    host.reset();
    model.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Motion::setReduceMotionOverride(std::nullopt);
  }

  NativeTabStrip* native() const { return strip->nativeStrip(); }
  QList<QUuid> tabIDs() const {
    QList<QUuid> ids;
    for (const BrowserTab& tab : model->tabs()) ids.append(tab.id());
    return ids;
  }
  QList<QUuid> stripIDs() const {
    QList<QUuid> ids;
    for (const TabPresentation& tab : native()->tabs()) ids.append(tab.id);
    return ids;
  }
  QWindow* window() const { return host->windowHandle(); }
  QPoint at(QPointF stripPoint) const { return native()->mapTo(host.get(), stripPoint).toPoint(); }
  QPoint onTab(const QUuid& id) const {
    const QRectF cell = native()->itemRect(id);
    return at(QPointF(cell.left() + 20, cell.center().y()));
  }
  // Presses the first tab and pulls it to `point` (strip coordinates).
  void pullFirstTo(QPointF point) {
    native()->setScrollOffset(0);
    QTest::mousePress(window(), Qt::LeftButton, {}, onTab(tabIDs().first()));
    QTest::mouseMove(window(), at(QPointF(300, 20)));
    QTest::mouseMove(window(), at(point));
  }

  // Outlives the model and the strip, whose callbacks may still reach it.
  RecordingTearOff tearOff;
  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
  std::unique_ptr<QWidget> host;
  BrowserTabStrip* strip = nullptr;
};

TEST_F(BrowserTabStripTest, FeedsTheStripTheModelsTabs) {
  EXPECT_EQ(native()->geometry(), QRect(0, 0, 404, 38));
  EXPECT_EQ(stripIDs(), tabIDs());
  EXPECT_EQ(native()->selectedID(), model->selectedID());
  model->openSettings();
  ASSERT_EQ(model->tabs().at(model->selectedIndex()).address(), QStringLiteral("kivo://settings"));
  const QUuid settings = model->selectedID();
  const TabPresentation& shown = native()->tabs().at(stripIDs().indexOf(settings));
  EXPECT_TRUE(shown.isSettings);
  EXPECT_EQ(shown.title, model->tabs().at(model->selectedIndex()).title);
  EXPECT_TRUE(native()->item(settings)->isSettings());
  std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  EXPECT_EQ(native()->item(settings)->accent(), Palette::accent(theme.get()));
  // Motion is reduced: a new order moves the cells at once.
  model->moveTab(tabIDs().first(), model->tabs().size() - 1);
  ASSERT_EQ(stripIDs(), tabIDs());
  for (const QUuid& id : stripIDs()) EXPECT_FALSE(native()->item(id)->isSliding());
  // A new accent reaches the cells.
  theme->setAccentHex(QStringLiteral("c03050"));
  EXPECT_EQ(native()->item(settings)->accent(), QColor(0xc0, 0x30, 0x50));
}

TEST_F(BrowserTabStripTest, PressCloseAndDragActOnTheModel) {
  const QList<QUuid> before = tabIDs();
  QTest::mousePress(window(), Qt::LeftButton, {}, onTab(before[0]));
  QTest::mouseRelease(window(), Qt::LeftButton, {}, onTab(before[0]));
  EXPECT_EQ(model->selectedID(), before[0]);

  // A drag to the end moves the tab in the model before the release.
  pullFirstTo(QPointF(600, 20));
  EXPECT_EQ(tabIDs(), (QList<QUuid>{before[1], before[2], before[0]}));
  QTest::mouseRelease(window(), Qt::LeftButton, {}, at(QPointF(600, 20)));
  EXPECT_EQ(tabIDs(), (QList<QUuid>{before[1], before[2], before[0]}));
  EXPECT_EQ(model->selectedID(), before[0]);

  // Escape puts the model back.
  const QList<QUuid> moved = tabIDs();
  pullFirstTo(QPointF(600, 20));
  ASSERT_NE(tabIDs(), moved);
  QTest::keyClick(window(), Qt::Key_Escape);
  EXPECT_EQ(tabIDs(), moved);
  EXPECT_EQ(stripIDs(), moved);
  QTest::mouseRelease(window(), Qt::LeftButton, {}, at(QPointF(600, 20)));

  // The close button closes its own tab.
  TabCloseButton* button = native()->item(moved[1])->closeButton();
  QTest::mouseClick(window(), Qt::LeftButton, {}, button->mapTo(host.get(), button->rect().center()));
  EXPECT_EQ(tabIDs(), (QList<QUuid>{moved[0], moved[2]}));
  EXPECT_EQ(stripIDs(), tabIDs());
}

TEST_F(BrowserTabStripTest, WhileTheTearOffRefusesATabNeverLeavesTheStrip) {
  const QUuid first = tabIDs().first();
  pullFirstTo(QPointF(300, 300));
  EXPECT_FALSE(native()->isExternalDrag());
  EXPECT_EQ(tabIDs().last(), first);
  QTest::mouseRelease(window(), Qt::LeftButton, {}, at(QPointF(300, 300)));
  EXPECT_EQ(tabIDs().last(), first);
}

TEST_F(BrowserTabStripTest, TearOffGoesToTheWindowAndARefusalRestoresTheModel) {
  tearOff.open = true;
  model->newTab();  // an update after the tear-off opened enables it
  const QList<QUuid> before = tabIDs();
  const QPoint outside = at(QPointF(300, -80));
  pullFirstTo(QPointF(300, -80));
  ASSERT_TRUE(native()->isExternalDrag());
  ASSERT_EQ(tearOff.previews.size(), 1);
  EXPECT_EQ(tearOff.previews[0].tab, before[0]);
  EXPECT_EQ(tearOff.previews[0].point, host->mapToGlobal(outside));
  ASSERT_NE(tabIDs(), before) << "the inside part of the drag moved the tab";

  QTest::mouseRelease(window(), Qt::LeftButton, {}, outside);
  EXPECT_EQ(tearOff.cancels, 1);
  ASSERT_EQ(tearOff.drops.size(), 1);
  EXPECT_EQ(tearOff.drops[0].point, host->mapToGlobal(outside));
  EXPECT_EQ(tabIDs(), before);
  EXPECT_EQ(stripIDs(), before);

  // A drop that is taken leaves the order as it is.
  tearOff.takes = true;
  pullFirstTo(QPointF(300, -80));
  QTest::mouseRelease(window(), Qt::LeftButton, {}, outside);
  EXPECT_EQ(tearOff.drops.size(), 2);
  EXPECT_FALSE(tabIDs().contains(before[0]));
  EXPECT_EQ(stripIDs(), tabIDs());

  // A tear-off that closes during the drag (its window left the
  // workspace): the callbacks reach it no more, and the drop is refused.
  const QList<QUuid> remaining = tabIDs();
  pullFirstTo(QPointF(300, -80));
  ASSERT_TRUE(native()->isExternalDrag());
  ASSERT_EQ(tearOff.previews.size(), 3);
  tearOff.open = false;
  QTest::mouseMove(window(), at(QPointF(310, -90)));
  QTest::mouseRelease(window(), Qt::LeftButton, {}, at(QPointF(310, -90)));
  EXPECT_EQ(tearOff.previews.size(), 3);
  EXPECT_EQ(tearOff.drops.size(), 2);
  EXPECT_EQ(tearOff.cancels, 2);
  EXPECT_EQ(tabIDs(), remaining);
}

// Two windows of one workspace: a tab pulled out of one strip with the held
// mouse lands in the other window's strip where the marker showed.
TEST(BrowserTabStripTearOff, ATabDraggedOntoAnotherWindowsStripMovesThere) {
  Motion::setReduceMotionOverride(true);
  QApplication::setQuitOnLastWindowClosed(false);
  auto preferences = PagesTest::preferences(QStringLiteral("chrome-strip-tear-off"));
  auto cache = std::make_shared<DocumentCache>();
  auto workspace = std::make_unique<BrowserWorkspace>(preferences, cache,
                                                      std::make_shared<BrowsingProfile>(false, QString(), cache));
  workspace->setScreenArea([](const QWidget&) { return std::optional<QRect>(QRect(0, 0, 2560, 1400)); });
  BrowserWindowController* left = workspace->newWindow();
  BrowserWindowController* right = workspace->newWindow();
  left->browserWindow().move(0, 40);
  right->browserWindow().move(1300, 40);
  // The user works in the left window: its activation has arrived before
  // the press. Both windows are on screen first, so that no activation the
  // right one still has coming (a window activates once it is exposed) can
  // follow it.
  ASSERT_TRUE(QTest::qWaitForWindowExposed(left->browserWindow().windowHandle(), 10000));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(right->browserWindow().windowHandle(), 10000));
  ASSERT_TRUE(QTest::qWaitForWindowActive(&right->browserWindow(), 10000));
  left->browserWindow().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&left->browserWindow(), 10000));
  BrowserModel& source = left->model();
  source.newTab();
  const QUuid moved = source.selectedID();
  const QUuid staying = source.tabs().first().id();
  NativeTabStrip* from = left->tabStrip();
  NativeTabStrip* to = right->tabStrip();
  ASSERT_NE(from, nullptr);
  ASSERT_NE(to, nullptr);
  ASSERT_NE(from, to);

  QWindow* window = left->browserWindow().windowHandle();
  const auto local = [&](QPoint global) { return global - left->browserWindow().geometry().topLeft(); };
  const QRectF cell = from->itemRect(moved);
  const QPoint grip = from->mapTo(&left->browserWindow(), QPointF(cell.left() + 30, 20)).toPoint();
  const QPoint target = to->mapToGlobal(QPoint(20, 20));
  QTest::mousePress(window, Qt::LeftButton, {}, grip);
  QTest::mouseMove(window, grip + QPoint(10, 0));
  QTest::mouseMove(window, local(target));
  EXPECT_TRUE(from->isExternalDrag());
  EXPECT_EQ(workspace->markedStrip(), to);
  EXPECT_EQ(to->dropMarkerIndex(), std::optional<int>(0));
  ASSERT_NE(workspace->dragPreview(), nullptr);

  QTest::mouseRelease(window, Qt::LeftButton, {}, local(target));
  EXPECT_EQ(workspace->dragPreview(), nullptr);
  EXPECT_EQ(to->dropMarkerIndex(), std::nullopt);
  ASSERT_EQ(right->model().tabs().size(), 2);
  EXPECT_EQ(right->model().tabs().first().id(), moved);
  ASSERT_EQ(source.tabs().size(), 1);
  EXPECT_EQ(source.tabs().first().id(), staying);
  EXPECT_EQ(to->tabs().first().id, moved);
  EXPECT_FALSE(from->isExternalDrag());
  EXPECT_TRUE(from->draggedID().isNull());

  workspace.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  Motion::setReduceMotionOverride(std::nullopt);
}

}  // namespace
