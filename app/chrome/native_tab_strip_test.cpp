#include "chrome/native_tab_strip.h"

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

#include "chrome/tab_item_view.h"
#include "frame/window_test_support.h"

namespace {

// The window the strip lives in: it counts the presses and keys that get
// past the strip.
class Host : public QWidget {
public:
  int presses = 0;
  int keys = 0;

protected:
  void mousePressEvent(QMouseEvent* event) override {
    ++presses;
    event->accept();
  }
  void keyPressEvent(QKeyEvent* event) override {
    ++keys;
    event->accept();
  }
};

struct Drop {
  QUuid id;
  QPoint point;
};

// A strip in a window, wired to a small stand-in for the model that answers
// every intent with an update, as the real owner does.
class NativeTabStripTest : public testing::Test {
protected:
  static constexpr int kStripLeft = 50;
  static constexpr int kStripTop = 40;

  void SetUp() override {
    host = std::make_unique<Host>();
    host->setGeometry(100, 100, 760, 140);
    strip = new NativeTabStrip(host.get());
    strip->setGeometry(kStripLeft, kStripTop, 600, 38);
    // The tests step the auto-scroll themselves; the timer never ticks
    // between their steps.
    strip->setAutoScrollInterval(std::chrono::hours(1));
    strip->setTearOffEnabled(true);
    QObject::connect(strip, &NativeTabStrip::onSelect, [this](const QUuid& id) {
      selects.append(id);
      selected = id;
      push();
    });
    QObject::connect(strip, &NativeTabStrip::onClose, [this](const QUuid& id) {
      closes.append(id);
      for (qsizetype i = 0; i < model.size(); ++i) {
        if (model.at(i).id == id) model.removeAt(i--);
      }
      push();
    });
    QObject::connect(strip, &NativeTabStrip::onMove, [this](const QUuid& id, int index) {
      moves.append({id, index});
      model.move(indexIn(model, id), index);
      push();
    });
    QObject::connect(strip, &NativeTabStrip::onRestoreOrder, [this](const QList<QUuid>& order) {
      restores.append(order);
      QList<TabPresentation> restored;
      for (const QUuid& id : order) restored.append(model.at(indexIn(model, id)));
      model = restored;
      push();
    });
    QObject::connect(strip, &NativeTabStrip::onExternalDrag,
                     [this](const QUuid& id, QPoint point) { externalDrags.append({id, point}); });
    QObject::connect(strip, &NativeTabStrip::onExternalDrop, [this](const QUuid& id, QPoint point) {
      drops.append({id, point});
      return dropTaken;
    });
    QObject::connect(strip, &NativeTabStrip::onExternalCancel, [this] { ++cancels; });
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host->windowHandle()));
    // A real display activates the window some loop turns later; waited
    // for, not set by hand, so that no late activation reaches a test.
    host->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get(), 10000));
  }

  void TearDown() override {
    host.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  static qsizetype indexIn(const QList<TabPresentation>& tabs, const QUuid& id) {
    for (qsizetype i = 0; i < tabs.size(); ++i) {
      if (tabs.at(i).id == id) return i;
    }
    return -1;
  }

  // `count` tabs, the first selected; motion reduced unless asked.
  void fill(int count, bool reduceMotion = true) {
    reduce = reduceMotion;
    model.clear();
    for (int i = 0; i < count; ++i)
      model.append({QUuid::createUuid(), QStringLiteral("Sekme %1").arg(i + 1), false});
    selected = model.first().id;
    push();
  }
  void push() { strip->update(model, selected, QColor(0x30, 0x70, 0xe0), reduce); }

  QList<QUuid> ids(const QList<TabPresentation>& tabs) const {
    QList<QUuid> result;
    for (const TabPresentation& tab : tabs) result.append(tab.id);
    return result;
  }
  QUuid id(int index) const { return model.at(index).id; }

  QWindow* window() const { return host->windowHandle(); }
  // A point of the strip in the window's coordinates.
  QPoint at(QPointF stripPoint) const { return strip->mapTo(host.get(), stripPoint).toPoint(); }
  QPoint onTab(const QUuid& tab, double dx = 20) const {
    const QRectF cell = strip->itemRect(tab);
    return at(QPointF(cell.left() + dx, cell.center().y()));
  }
  void press(QPoint point) { QTest::mousePress(window(), Qt::LeftButton, {}, point); }
  void move(QPoint point) { QTest::mouseMove(window(), point); }
  void release(QPoint point) { QTest::mouseRelease(window(), Qt::LeftButton, {}, point); }

  std::unique_ptr<Host> host;
  NativeTabStrip* strip = nullptr;
  QList<TabPresentation> model;
  QUuid selected;
  bool reduce = true;
  bool dropTaken = false;

  QList<QUuid> selects;
  QList<QUuid> closes;
  QList<std::pair<QUuid, int>> moves;
  QList<QList<QUuid>> restores;
  QList<Drop> externalDrags;
  QList<Drop> drops;
  int cancels = 0;
};

TEST_F(NativeTabStripTest, StartsEmptyAndLaysOutCellsInSlots) {
  {
    NativeTabStrip fresh;
    EXPECT_TRUE(fresh.tabs().isEmpty());
    EXPECT_DOUBLE_EQ(fresh.tabWidth(), 194);
    EXPECT_FALSE(fresh.isScrollTimerActive());
    EXPECT_FALSE(fresh.isExternalDrag());
    EXPECT_TRUE(fresh.selectedID().isNull());
    EXPECT_EQ(fresh.dropMarkerIndex(), std::nullopt);
    EXPECT_EQ(fresh.insertionIndex(QPoint(10, 10), true), 0) << "in no window";
  }

  fill(3);
  EXPECT_DOUBLE_EQ(strip->tabWidth(), 194);
  EXPECT_EQ(strip->itemRect(id(2)), QRectF(396, 6, 194, 32));
  EXPECT_DOUBLE_EQ(strip->canvasWidth(), 600);
  EXPECT_EQ(strip->selectedID(), id(0));
  // Separators: none at the end, none on the selected tab or left of it.
  EXPECT_FALSE(strip->item(id(0))->showsSeparator());
  EXPECT_TRUE(strip->item(id(1))->showsSeparator());
  EXPECT_FALSE(strip->item(id(2))->showsSeparator());
  EXPECT_EQ(strip->itemRect(QUuid::createUuid()), QRectF());
  EXPECT_EQ(strip->tabCenter(QUuid::createUuid()), std::nullopt);
  EXPECT_EQ(strip->tabCenter(id(1)), std::optional<QPointF>(QPointF(kStripLeft + 198 + 97, kStripTop + 22)));

  // Ten tabs overflow: 132-point cells, the row scrolls.
  fill(10);
  EXPECT_DOUBLE_EQ(strip->tabWidth(), 132);
  EXPECT_DOUBLE_EQ(strip->contentWidth(), 1356);
  EXPECT_DOUBLE_EQ(strip->canvasWidth(), 1356);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(strip->itemRect(id(i)), strip->slotRect(i)) << i;
  strip->setScrollOffset(5000);
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 756);
  EXPECT_EQ(strip->itemRect(id(9)), QRectF(468, 6, 132, 32));
  EXPECT_EQ(strip->slotRect(9), QRectF(468, 6, 132, 32));
}

TEST_F(NativeTabStripTest, UpdatesReuseCellsAndRelayOnlyForOrderOrWidth) {
  fill(10);
  strip->setScrollOffset(100);
  QPointer<TabItemView> first = strip->item(id(0));
  // Titles only: nothing moves or scrolls.
  model[3].title = QStringLiteral("Başka başlık");
  model[4].isSettings = true;
  push();
  EXPECT_EQ(strip->item(id(0)), first.data());
  EXPECT_EQ(strip->item(id(3))->title(), QStringLiteral("Başka başlık"));
  EXPECT_TRUE(strip->item(id(4))->isSettings());
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 100);

  // A swap relays with a slide unless motion is reduced.
  reduce = false;
  model.swapItemsAt(2, 3);
  push();
  EXPECT_TRUE(strip->item(id(2))->isSliding());
  EXPECT_EQ(strip->item(id(2))->targetFrame(), QRect(272, 6, 132, 32));
  reduce = true;
  model.swapItemsAt(2, 3);
  push();
  EXPECT_FALSE(strip->item(id(2))->isSliding());
  EXPECT_EQ(strip->itemRect(id(2)), strip->slotRect(2));

  // A removed tab loses its cell later; an added one is placed at once.
  const QUuid removed = id(5);
  QPointer<TabItemView> gone = strip->item(removed);
  model.removeAt(5);
  model.append({QUuid::createUuid(), QStringLiteral("Yeni"), false});
  reduce = false;
  push();
  EXPECT_EQ(strip->item(removed), nullptr);
  ASSERT_TRUE(gone);
  EXPECT_TRUE(gone->isHidden());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(gone);
  EXPECT_FALSE(strip->item(id(9))->isSliding());
  EXPECT_EQ(strip->item(id(9))->targetFrame().x(), 9 * 136);
}

TEST_F(NativeTabStripTest, APressSelectsAndTakesTheKeyboard) {
  fill(3);
  press(onTab(id(2)));
  EXPECT_EQ(selects, QList<QUuid>{id(2)});
  EXPECT_EQ(strip->selectedID(), id(2));
  EXPECT_EQ(strip->pressedID(), id(2));
  EXPECT_TRUE(strip->draggedID().isNull());
  EXPECT_EQ(QApplication::focusWidget(), strip->item(id(2)));
  EXPECT_EQ(host->presses, 0) << "the press stays with the tab";
  // A move under the threshold is still a click.
  move(onTab(id(2), 24));
  EXPECT_TRUE(strip->draggedID().isNull());
  release(onTab(id(2), 24));
  EXPECT_TRUE(strip->pressedID().isNull());
  EXPECT_TRUE(moves.isEmpty());
  EXPECT_EQ(ids(strip->tabs()), ids(model));

  // The canvas's empty margin swallows presses: nothing behind the strip
  // sees them and nothing is selected.
  press(at(QPointF(590, 20)));
  release(at(QPointF(590, 20)));
  EXPECT_EQ(host->presses, 0);
  EXPECT_EQ(selects.size(), 1);

  // Return and Space select the focused cell's tab; other keys go on.
  selected = id(0);
  push();
  QTest::keyClick(window(), Qt::Key_Return);
  QTest::keyClick(window(), Qt::Key_Space);
  EXPECT_EQ(selects, (QList<QUuid>{id(2), id(2), id(2)}));
  EXPECT_EQ(host->keys, 0);
  QTest::keyClick(window(), Qt::Key_A);
  EXPECT_EQ(host->keys, 1);
}

TEST_F(NativeTabStripTest, AFirstPressInAnInactiveWindowSelectsTheTab) {
  fill(3);
  QWidget other;
  other.setGeometry(900, 100, 200, 100);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other, 10000));
  ASSERT_FALSE(host->isActiveWindow());
  press(onTab(id(1)));
  EXPECT_EQ(selects, QList<QUuid>{id(1)});
  EXPECT_EQ(strip->selectedID(), id(1));
  EXPECT_EQ(host->presses, 0);
  // The press is a real one: it can become a drag.
  move(onTab(id(1), 30));
  EXPECT_EQ(strip->draggedID(), id(1));
  release(onTab(id(1), 30));
}

TEST_F(NativeTabStripTest, TheCloseButtonClosesItsTabWithoutPressingIt) {
  fill(3);
  TabCloseButton* button = strip->item(id(1))->closeButton();
  EXPECT_EQ(button->geometry(), QRect(194 - 29, 5, 22, 22));
  EXPECT_EQ(button->toolTip(), QStringLiteral("Sekmeyi kapat"));
  const QUuid closing = id(1);
  QPointer<TabItemView> cell = strip->item(closing);
  const QPoint point = button->mapTo(host.get(), button->rect().center());
  press(point);
  EXPECT_TRUE(strip->pressedID().isNull());
  move(point + QPoint(8, 0));
  release(point);
  EXPECT_EQ(closes, QList<QUuid>{closing});
  EXPECT_TRUE(selects.isEmpty());
  EXPECT_TRUE(moves.isEmpty());
  EXPECT_TRUE(strip->draggedID().isNull());
  EXPECT_EQ(ids(strip->tabs()), ids(model));
  // The cell was still delivering the click: it was only hidden then and
  // goes once the event loop runs.
  EXPECT_TRUE(!cell || cell->isHidden());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(cell);
  EXPECT_EQ(strip->itemRect(id(1)), QRectF(198, 6, 194, 32));
}

TEST_F(NativeTabStripTest, DraggingReordersLiveAndKeepsTheOrderOnRelease) {
  strip->resize(404, 38);
  fill(3);
  ASSERT_DOUBLE_EQ(strip->tabWidth(), 132);
  const QUuid dragged = id(0);
  const QList<QUuid> before = ids(model);
  press(onTab(dragged));
  move(onTab(dragged) + QPoint(4, 0));
  EXPECT_TRUE(strip->draggedID().isNull());
  move(onTab(dragged) + QPoint(5, 0));
  EXPECT_EQ(strip->draggedID(), dragged);
  EXPECT_TRUE(strip->item(dragged)->isLifted());
  EXPECT_EQ(strip->item(dragged)->cursor().shape(), Qt::ClosedHandCursor);
  EXPECT_TRUE(strip->isScrollTimerActive());
  EXPECT_TRUE(moves.isEmpty());

  // 70 points right: the cell's left edge is at 70, past half a slot.
  move(at(QPointF(20 + 70, 20)));
  EXPECT_EQ(strip->itemRect(dragged).left(), 70) << "held 20 points from its left edge, as pressed";
  EXPECT_EQ(moves, (QList<std::pair<QUuid, int>>{{dragged, 1}}));
  EXPECT_EQ(ids(strip->tabs()), (QList<QUuid>{before[1], dragged, before[2]}));
  EXPECT_EQ(ids(model), ids(strip->tabs()));
  EXPECT_EQ(strip->itemRect(before[1]), strip->slotRect(0)) << "the neighbour took the free slot";

  // To the far right end: last, and the cell stays inside the canvas.
  move(at(QPointF(650, 20)));
  EXPECT_EQ(ids(strip->tabs()), (QList<QUuid>{before[1], before[2], dragged}));
  EXPECT_EQ(strip->itemRect(dragged).left(), 404 - 132);
  release(at(QPointF(650, 20)));
  EXPECT_TRUE(strip->draggedID().isNull());
  EXPECT_TRUE(strip->pressedID().isNull());
  EXPECT_FALSE(strip->isScrollTimerActive());
  EXPECT_FALSE(strip->item(dragged)->isLifted());
  EXPECT_EQ(strip->item(dragged)->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(strip->itemRect(dragged), strip->slotRect(2));
  EXPECT_EQ(ids(model), (QList<QUuid>{before[1], before[2], dragged}));
  EXPECT_TRUE(restores.isEmpty());
  EXPECT_EQ(selects, QList<QUuid>{dragged});
}

TEST_F(NativeTabStripTest, EscapeRestoresTheOrderOfThePressOnce) {
  strip->resize(404, 38);
  fill(3);
  const QList<QUuid> before = ids(model);
  // Escape after a plain press changes nothing.
  press(onTab(id(1)));
  QTest::keyClick(window(), Qt::Key_Escape);
  EXPECT_TRUE(restores.isEmpty());
  EXPECT_TRUE(strip->pressedID().isNull());
  release(onTab(id(1)));

  press(onTab(before[0]));
  move(at(QPointF(650, 20)));
  ASSERT_EQ(ids(model).last(), before[0]);
  QTest::keyClick(window(), Qt::Key_Escape);
  EXPECT_EQ(restores, QList<QList<QUuid>>{before});
  EXPECT_EQ(ids(strip->tabs()), before);
  EXPECT_EQ(ids(model), before);
  EXPECT_TRUE(strip->draggedID().isNull());
  EXPECT_FALSE(strip->isScrollTimerActive());
  // The held pointer's further moves do nothing until the next press.
  const qsizetype moved = moves.size();
  move(at(QPointF(10, 20)));
  release(at(QPointF(10, 20)));
  EXPECT_EQ(moves.size(), moved);
  EXPECT_EQ(ids(model), before);
  EXPECT_EQ(restores.size(), 1);
}

TEST_F(NativeTabStripTest, LosingTheActiveWindowCancelsLikeEscape) {
  strip->resize(404, 38);
  fill(3);
  const QList<QUuid> before = ids(model);
  press(onTab(before[0]));
  move(at(QPointF(650, 20)));
  ASSERT_NE(ids(model), before);
  QWidget other;
  other.setGeometry(900, 100, 200, 100);
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other, 10000));
  EXPECT_EQ(restores, QList<QList<QUuid>>{before});
  EXPECT_EQ(ids(model), before);
  EXPECT_TRUE(strip->draggedID().isNull());
}

TEST_F(NativeTabStripTest, ADragOutsideReportsAndADropThatIsTakenKeepsTheOrder) {
  strip->resize(404, 38);
  fill(3);
  const QUuid dragged = id(0);
  press(onTab(dragged));
  move(onTab(dragged) + QPoint(10, 0));
  ASSERT_EQ(strip->draggedID(), dragged);
  // 40 points above the strip: outside the band.
  const QPoint above = at(QPointF(30, -40));
  move(above);
  EXPECT_TRUE(strip->isExternalDrag());
  EXPECT_DOUBLE_EQ(strip->item(dragged)->opacity(), 0.4);
  ASSERT_EQ(externalDrags.size(), 1);
  EXPECT_EQ(externalDrags[0].id, dragged);
  EXPECT_EQ(externalDrags[0].point, host->mapToGlobal(above));
  // Every tick repeats the last outside point.
  strip->autoScroll();
  ASSERT_EQ(externalDrags.size(), 2);
  EXPECT_EQ(externalDrags[1].point, host->mapToGlobal(above));

  // Back inside: one cancel, full opacity, the inside drag resumes.
  move(at(QPointF(30, 20)));
  EXPECT_FALSE(strip->isExternalDrag());
  EXPECT_EQ(cancels, 1);
  EXPECT_DOUBLE_EQ(strip->item(dragged)->opacity(), 1);
  move(at(QPointF(30, 20)) + QPoint(0, 1));
  EXPECT_EQ(cancels, 1);

  // Out beside the window, released there: the cancel, then the drop.
  const QPoint beside = QPoint(host->width() + 60, kStripTop + 10);
  move(beside);
  EXPECT_TRUE(strip->isExternalDrag());
  dropTaken = true;
  release(beside);
  EXPECT_EQ(cancels, 2);
  ASSERT_EQ(drops.size(), 1);
  EXPECT_EQ(drops[0].id, dragged);
  EXPECT_EQ(drops[0].point, host->mapToGlobal(beside));
  EXPECT_TRUE(restores.isEmpty());
  EXPECT_FALSE(strip->isExternalDrag());
  EXPECT_TRUE(strip->draggedID().isNull());
  EXPECT_DOUBLE_EQ(strip->item(dragged)->opacity(), 1);
}

TEST_F(NativeTabStripTest, ARefusedDropRestoresTheOrderOfThePress) {
  strip->resize(404, 38);
  fill(3);
  const QList<QUuid> before = ids(model);
  press(onTab(before[0]));
  move(at(QPointF(300, 20)));
  ASSERT_NE(ids(model), before);
  const QPoint below = at(QPointF(300, 38 + 60));
  move(below);
  ASSERT_TRUE(strip->isExternalDrag());
  dropTaken = false;
  release(below);
  EXPECT_EQ(drops.size(), 1);
  EXPECT_EQ(restores, QList<QList<QUuid>>{before});
  EXPECT_EQ(ids(model), before);
  EXPECT_EQ(ids(strip->tabs()), before);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(strip->itemRect(before[i]), strip->slotRect(i)) << i;
}

TEST_F(NativeTabStripTest, AReleaseInsideTheBandAfterAnOutsidePhaseKeepsTheLiveOrder) {
  strip->resize(404, 38);
  fill(3);
  const QList<QUuid> before = ids(model);
  press(onTab(before[0]));
  move(at(QPointF(300, 20)));
  move(at(QPointF(300, -50)));
  ASSERT_TRUE(strip->isExternalDrag());
  // Released 30 points above the strip: inside the band.
  release(at(QPointF(300, -30)));
  EXPECT_TRUE(drops.isEmpty());
  EXPECT_TRUE(restores.isEmpty());
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(ids(model).last(), before[0]);
}

TEST_F(NativeTabStripTest, WithoutTearOffTheDragStaysInside) {
  strip->setTearOffEnabled(false);
  strip->resize(404, 38);
  fill(3);
  const QUuid dragged = id(0);
  press(onTab(dragged));
  move(at(QPointF(300, 400)));
  EXPECT_FALSE(strip->isExternalDrag());
  EXPECT_EQ(strip->itemRect(dragged).left(), 404 - 132);
  EXPECT_EQ(ids(model).last(), dragged);
  release(at(QPointF(300, 400)));
  EXPECT_TRUE(drops.isEmpty());
  EXPECT_EQ(ids(model).last(), dragged);
}

TEST_F(NativeTabStripTest, AutoScrollCarriesTheDraggedTabAlongAndStopsAtTheEnd) {
  fill(10);
  const QUuid dragged = id(2);
  press(onTab(dragged));
  // 6 points inside the right end: 12 points per tick.
  move(at(QPointF(594, 20)));
  ASSERT_EQ(strip->draggedID(), dragged);
  const int startIndex = int(ids(strip->tabs()).indexOf(dragged));
  const double first = strip->scrollOffset();
  strip->autoScroll();
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), first + 12);
  for (int tick = 0; tick < 200; ++tick) strip->autoScroll();
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 756) << "stopped at the end of the content";
  EXPECT_GT(ids(strip->tabs()).indexOf(dragged), startIndex);
  EXPECT_EQ(ids(model).last(), dragged) << "carried past the tabs hidden at the start";
  EXPECT_EQ(strip->itemRect(dragged).right(), 600);
  strip->autoScroll();
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 756);

  // Near the left end the row scrolls back; away from both ends it rests.
  move(at(QPointF(300, 20)));
  const double resting = strip->scrollOffset();
  strip->autoScroll();
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), resting);
  move(at(QPointF(0, 20)));
  const double left = strip->scrollOffset();
  strip->autoScroll();
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), left - 14);

  // The timer drives the same steps while the button is held.
  strip->setAutoScrollInterval(std::chrono::milliseconds(1000 / 60));
  const double before = strip->scrollOffset();
  QElapsedTimer watchdog;
  watchdog.start();
  while (strip->scrollOffset() == before && watchdog.elapsed() < 20000)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  EXPECT_LT(strip->scrollOffset(), before);
  release(at(QPointF(0, 20)));
  EXPECT_FALSE(strip->isScrollTimerActive());
}

TEST_F(NativeTabStripTest, TheWheelScrollsTheRowWithinItsEnds) {
  fill(10);
  strip->setScrollOffset(100);
  const QPoint point = at(QPointF(300, 35));
  const auto wheel = [&](QPoint pixels, QPoint angle) {
    QWidget* target = host->childAt(point);
    ASSERT_NE(target, nullptr);
    QWheelEvent event(QPointF(target->mapFrom(host.get(), point)), QPointF(host->mapToGlobal(point)), pixels, angle,
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
  };
  wheel({}, QPoint(0, 120));
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 76) << "a notch up goes toward the start";
  wheel({}, QPoint(0, -120));
  wheel({}, QPoint(0, -120));
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 124);
  wheel(QPoint(-30, 2), QPoint(-90, 6));
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 154) << "a trackpad moves by its exact delta";
  wheel({}, QPoint(0, -12000));
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 756);
  wheel({}, QPoint(0, 12000));
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 0);
}

TEST_F(NativeTabStripTest, TheSelectedTabIsRevealed) {
  fill(10);
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 0);
  selected = id(7);
  push();
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 7 * 136 + 132 - 600) << "its right edge meets the strip's";
  EXPECT_EQ(strip->itemRect(id(7)).right(), 600);
  selected = id(1);
  push();
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 136);
  // With motion, the scroll slides there.
  reduce = false;
  selected = id(9);
  push();
  EXPECT_DOUBLE_EQ(strip->scrollView()->targetOffset(), 756);
  EXPECT_TRUE(strip->scrollView()->isScrolling());
  // A resize ends the slide and reveals the selection at once.
  strip->resize(500, 38);
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 856);
  EXPECT_FALSE(strip->scrollView()->isScrolling());
}

TEST_F(NativeTabStripTest, UpdatesCloseAndResizesEndADragWithoutRestoring) {
  strip->resize(404, 38);
  fill(4);
  const QList<QUuid> before = ids(model);
  const auto dragFirstToEnd = [&] {
    press(onTab(model.first().id));
    move(at(QPointF(650, 20)));
    ASSERT_FALSE(strip->draggedID().isNull());
  };
  // A tab removed by the model.
  dragFirstToEnd();
  const QList<QUuid> live = ids(model);
  model.removeAt(1);
  push();
  EXPECT_TRUE(strip->draggedID().isNull());
  EXPECT_TRUE(restores.isEmpty());
  release(at(QPointF(650, 20)));
  EXPECT_EQ(ids(model), (QList<QUuid>{live[0], live[2], live[3]}));

  // close() during a drag.
  dragFirstToEnd();
  const QUuid closing = model.first().id;
  strip->close(closing);
  EXPECT_TRUE(strip->draggedID().isNull());
  EXPECT_EQ(closes, QList<QUuid>{closing});
  EXPECT_TRUE(restores.isEmpty());
  release(at(QPointF(650, 20)));

  // A new width.
  dragFirstToEnd();
  strip->resize(600, 38);
  EXPECT_TRUE(strip->draggedID().isNull());
  EXPECT_FALSE(strip->isScrollTimerActive());
  EXPECT_TRUE(restores.isEmpty());
  release(at(QPointF(650, 20)));
  (void)before;
}

TEST_F(NativeTabStripTest, InsertionIndexAndDropMarker) {
  fill(10);
  strip->setScrollOffset(100);
  const auto global = [&](double x) { return host->mapToGlobal(at(QPointF(x, 20))); };
  EXPECT_EQ(strip->insertionIndex(global(300), false), 3);  // floor((300 + 100 + 66) / 136)
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 100);
  // Near the left end the row first scrolls 9 points toward its start.
  EXPECT_EQ(strip->insertionIndex(global(10), true), 1);
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 91);
  EXPECT_EQ(strip->insertionIndex(global(595), true), 5);
  EXPECT_DOUBLE_EQ(strip->scrollOffset(), 100);
  EXPECT_EQ(strip->insertionIndex(global(5000), false), 10);

  EXPECT_EQ(strip->dropMarkerIndex(), std::nullopt);
  strip->showDropMarker(0);
  EXPECT_EQ(strip->dropMarkerIndex(), 0);
  EXPECT_TRUE(strip->dropMarker()->isVisible());
  EXPECT_EQ(strip->dropMarker()->geometry(), QRect(1, 6, 3, 30));
  strip->showDropMarker(10);
  EXPECT_EQ(strip->dropMarker()->geometry(), QRect(1353, 6, 3, 30));
  strip->showDropMarker(3);
  EXPECT_EQ(strip->dropMarker()->geometry(), QRect(406, 6, 3, 30));
  // The bar never takes a click: the cell under it is pressed.
  const QPoint onMarker = at(QPointF(408 - 100, 20));
  ASSERT_TRUE(strip->dropMarker()->geometry().contains(strip->canvas()->mapFrom(host.get(), onMarker)));
  press(onMarker);
  release(onMarker);
  EXPECT_EQ(selects, QList<QUuid>{id(3)});
  strip->showDropMarker(std::nullopt);
  EXPECT_EQ(strip->dropMarkerIndex(), std::nullopt);
  EXPECT_FALSE(strip->dropMarker()->isVisible());

  // A strip in no window places at the end.
  host->hide();
  EXPECT_EQ(strip->insertionIndex(global(10), true), 10);
}

TEST_F(NativeTabStripTest, AssistiveClientsSeeEachTab) {
  fill(3);
  TabItemView* cell = strip->item(id(1));
  QAccessibleInterface* tab = QAccessible::queryAccessibleInterface(cell);
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->role(), QAccessible::PageTab);
  EXPECT_EQ(tab->text(QAccessible::Name), QStringLiteral("Sekme 2"));
  EXPECT_EQ(tab->text(QAccessible::Value), QStringLiteral("Sekme"));
  EXPECT_FALSE(tab->state().selected);
  EXPECT_TRUE(tab->state().selectable);
  QAccessibleActionInterface* actions = tab->actionInterface();
  ASSERT_NE(actions, nullptr);
  ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(selects, QList<QUuid>{id(1)});
  EXPECT_TRUE(tab->state().selected);
  EXPECT_EQ(tab->text(QAccessible::Value), QStringLiteral("Seçili sekme"));
  model[1].title = QStringLiteral("Yeni başlık");
  push();
  EXPECT_EQ(tab->text(QAccessible::Name), QStringLiteral("Yeni başlık"));
}

TEST_F(NativeTabStripTest, AnAccessibilityPressWithoutItsStripFails) {
  fill(1);
  // The strip's own cell, taken out of it so that it outlives the strip.
  std::unique_ptr<TabItemView> orphan(strip->item(id(0)));
  orphan->setParent(nullptr);
  QAccessibleInterface* tab = QAccessible::queryAccessibleInterface(orphan.get());
  ASSERT_NE(tab, nullptr);
  ASSERT_EQ(tab->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
  EXPECT_TRUE(orphan->accessibilityPress());
  EXPECT_EQ(selects.size(), 1);
  host.reset();
  EXPECT_FALSE(orphan->accessibilityPress());
  EXPECT_TRUE(tab->actionInterface()->actionNames().isEmpty());
  tab->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(selects.size(), 1);
  // Keys and the close action do nothing either.
  orphan->closeTab();
  EXPECT_TRUE(closes.isEmpty());
}

}  // namespace
