#include "kit/kivo_button.h"

#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

#include "kit/kit_test_support.h"

namespace {

struct FeedbackCase {
  bool enabled, pressed, hovered, reduce;
  KivoButton::Feedback expected;
};

TEST(KivoButton, FeedbackFollowsTheStateTable) {
  const std::vector<FeedbackCase> cases = {
      {false, false, false, false, {0, 1, 1}},   {false, true, true, false, {0, 1, 1}},
      {true, false, false, false, {0, 1, 1}},    {true, false, true, false, {0.065, 1, 1}},
      {true, true, true, false, {0.12, 0.75, 0.98}}, {true, true, false, true, {0.12, 0.75, 1}},
  };
  for (const auto& test : cases)
    EXPECT_EQ(KivoButton::feedback(test.enabled, test.pressed, test.hovered, test.reduce), test.expected)
        << test.enabled << test.pressed << test.hovered << test.reduce;
}

class KivoButtonWidget : public testing::Test {
protected:
  void SetUp() override { Motion::setReduceMotionOverride(true); }
  void TearDown() override { Motion::setReduceMotionOverride(std::nullopt); }
  void enter(QWidget* widget) {
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(widget, &event);
  }
  void leave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
  }
};

TEST_F(KivoButtonWidget, DisablingUnderThePointerDropsHoverUntilThePointerReenters) {
  KivoButton button(nullptr);
  button.setText(QStringLiteral("Satır"));
  enter(&button);
  EXPECT_TRUE(button.hoverInside());
  EXPECT_EQ(button.targetFeedback().fill, 0.065);
  button.setEnabled(false);
  EXPECT_FALSE(button.hoverInside());
  EXPECT_EQ(button.targetFeedback().fill, 0);
  button.setEnabled(true);
  EXPECT_FALSE(button.hoverInside());
  leave(&button);
  enter(&button);
  EXPECT_TRUE(button.hoverInside());
}

TEST_F(KivoButtonWidget, HoveringADisabledButtonChangesNothing) {
  KivoButton button(nullptr);
  button.setEnabled(false);
  enter(&button);
  EXPECT_FALSE(button.hoverInside());
  EXPECT_EQ(button.targetFeedback(), (KivoButton::Feedback{0, 1, 1}));
}

TEST_F(KivoButtonWidget, PressWithReduceMotionAppliesAtOnceWithoutShrinking) {
  KivoButton button(nullptr);
  button.resize(40, 20);
  int clicks = 0;
  QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
  button.setDown(true);
  Q_EMIT button.pressed();
  EXPECT_EQ(button.targetFeedback(), (KivoButton::Feedback{0.12, 0.75, 1}));
  button.setDown(false);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

TEST_F(KivoButtonWidget, PointerIsTheHandOnlyWhileEnabled) {
  KivoButton button(nullptr);
  EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
  button.setEnabled(false);
  EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
  button.setEnabled(true);
  EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
}

}  // namespace
