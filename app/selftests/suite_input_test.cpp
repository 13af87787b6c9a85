#include "selftests/suite_input.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(SuiteInput, TurnsYUpPointsIntoQtPoints) {
  struct Case {
    const char* what;
    QPointF yUp;
    QPointF expected;
  };
  // A window content area of 1200 x 810.
  const QSizeF content(1200, 810);
  const std::vector<Case> windowCases = {
      {"bottom-left corner", {0, 0}, {0, 810}},
      {"top-left corner", {0, 810}, {0, 0}},
      {"title strip, 18 below the top", {840, 792}, {840, 18}},
      {"a fraction stays a fraction", {12.5, 0.25}, {12.5, 809.75}},
      {"below the window", {20, -10}, {20, 820}},
  };
  for (const Case& item : windowCases) {
    EXPECT_EQ(SuiteInput::windowPoint(content, item.yUp), item.expected) << item.what;
  }

  // Screen points flip against the whole desktop, not the first screen: two
  // screens stacked make a desktop 2160 high, and one that starts above the
  // primary screen moves the flip with it.
  const std::vector<std::pair<QRect, Case>> screenCases = {
      {QRect(0, 0, 1920, 1080), {"one screen", {100, 1000}, {100, 80}}},
      {QRect(0, 0, 1920, 2160), {"two screens stacked", {100, 1000}, {100, 1160}}},
      {QRect(-1920, -400, 3840, 1480), {"a desktop above and left of the origin", {-50, 0}, {-50, 1080}}},
  };
  for (const auto& [desktop, item] : screenCases) {
    EXPECT_EQ(SuiteInput::screenPoint(desktop, item.yUp), item.expected) << item.what;
  }

  // A rectangle's y-up origin is its bottom-left corner: its Qt top edge is
  // the y-up top edge flipped.
  EXPECT_EQ(SuiteInput::screenRect(QRect(0, 0, 1920, 1080), QRectF(300, 200, 260, 90)),
            QRectF(300, 790, 260, 90));
  // The flip is its own inverse: a Qt frame gives back its y-up rectangle.
  const QRect desktop(0, -400, 1920, 2160);
  const QRectF frame(360, 135, 1200, 810);
  EXPECT_EQ(SuiteInput::screenRect(desktop, SuiteInput::screenRect(desktop, frame)), frame);
  EXPECT_EQ(SuiteInput::screenRect(desktop, frame), QRectF(360, 1760 - 945, 1200, 810));
}

// A window that records the mouse events it gets, at its own points.
class Recorder : public QWidget {
public:
  std::vector<std::pair<QEvent::Type, QPoint>> events;

protected:
  void mousePressEvent(QMouseEvent* event) override { record(event); }
  void mouseReleaseEvent(QMouseEvent* event) override { record(event); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { record(event); }

private:
  void record(QMouseEvent* event) { events.emplace_back(event->type(), event->position().toPoint()); }
};

std::unique_ptr<Recorder> shownRecorder() {
  auto window = std::make_unique<Recorder>();
  window->setGeometry(100, 100, 400, 300);
  window->show();
  window->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), 10000));
  return window;
}

TEST(SuiteInput, DoubleClickArrivesWholeAndLeavesNoGrab) {
  const auto window = shownRecorder();
  ASSERT_TRUE(SuiteInput::doubleClick(*window, SuiteInput::windowPoint(*window, {280, 282})));
  const QPoint at(280, 18);
  EXPECT_EQ(window->events, (std::vector<std::pair<QEvent::Type, QPoint>>{{QEvent::MouseButtonPress, at},
                                                                           {QEvent::MouseButtonRelease, at},
                                                                           {QEvent::MouseButtonDblClick, at},
                                                                           {QEvent::MouseButtonRelease, at}}));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(QApplication::mouseButtons(), Qt::NoButton);

  // Two clicks in a row stay two single clicks.
  window->events.clear();
  SuiteInput::click(*window, at);
  SuiteInput::click(*window, at);
  for (const auto& [type, point] : window->events) EXPECT_NE(type, QEvent::MouseButtonDblClick);

  // The origin is QTest's "centre of the window": refused.
  window->events.clear();
  EXPECT_FALSE(SuiteInput::click(*window, QPointF(0.2, 0.3)));
  EXPECT_TRUE(window->events.empty());
}

TEST(SuiteInput, ReportsTheActionsThatTookAShortcut) {
  const auto window = shownRecorder();
  auto* newTab = new QAction(window.get());
  newTab->setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_T));
  auto* reopen = new QAction(window.get());
  reopen->setShortcut(QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_T));
  reopen->setEnabled(false);
  window->addAction(newTab);
  window->addAction(reopen);
  int newTabs = 0;
  QObject::connect(newTab, &QAction::triggered, [&newTabs] { ++newTabs; });

  const std::optional<QKeyCombination> commandT = SuiteInput::shortcutKey(QStringLiteral("t"), CommandModifier::Command);
  ASSERT_TRUE(commandT.has_value());
  EXPECT_EQ(*commandT, QKeyCombination(Qt::ControlModifier, Qt::Key_T));
  EXPECT_EQ(SuiteInput::shortcut(*window, *commandT), QList<QAction*>{newTab});
  EXPECT_EQ(newTabs, 1);

  // A disabled action takes nothing, and neither does a key without one.
  const auto commandShiftT =
      SuiteInput::shortcutKey(QStringLiteral("t"), CommandModifier::Command | CommandModifier::Shift);
  ASSERT_TRUE(commandShiftT.has_value());
  EXPECT_TRUE(SuiteInput::shortcut(*window, *commandShiftT).isEmpty());
  EXPECT_TRUE(SuiteInput::shortcut(*window, QKeyCombination(Qt::ControlModifier, Qt::Key_K)).isEmpty());
  EXPECT_EQ(newTabs, 1);

  // A key the table cannot type has no stroke.
  EXPECT_FALSE(SuiteInput::shortcutKey(QString(), CommandModifier::Command).has_value());
  EXPECT_FALSE(SuiteInput::shortcutKey(QStringLiteral("tt"), CommandModifier::Command).has_value());
}

}  // namespace
