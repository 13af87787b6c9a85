#include "kit/kivo_popup.h"

#include <QLabel>
#include <QLineEdit>
#include <QAnimationDriver>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

#include "kit/kit_test_support.h"
#include "kit/kivo_panel.h"
#include "kit/motion.h"
#include "platform/window_compositing.h"

namespace {

struct PlacementCase {
  const char* name;
  QRectF anchor;
  std::optional<QRectF> area;
  QSizeF size;
  QPointF expected;
};

TEST(KivoPopupPlacement, FollowsTheAnchorAndKeepsInsideTheArea) {
  const QRectF area(0, 0, 1000, 800);
  const std::vector<PlacementCase> cases = {
      {"below, right edges aligned", QRectF(500, 100, 100, 30), area, QSizeF(200, 100), QPointF(400, 137)},
      {"anchor 3 pt from the right edge", QRectF(897, 100, 100, 30), area, QSizeF(200, 100), QPointF(792, 137)},
      {"kept 8 pt from the left edge", QRectF(0, 100, 50, 30), area, QSizeF(200, 100), QPointF(8, 137)},
      {"wider than the area: the right bound wins", QRectF(500, 100, 100, 30), area, QSizeF(1000, 100),
       QPointF(-8, 137)},
      {"no room below: above with a 7-pt gap", QRectF(500, 700, 100, 30), area, QSizeF(200, 100), QPointF(400, 593)},
      {"bottom exactly at the margin stays below", QRectF(500, 655, 100, 30), area, QSizeF(200, 100),
       QPointF(400, 692)},
      {"no room either way: 8 pt under the top", QRectF(500, 60, 100, 700), area, QSizeF(200, 100), QPointF(400, 8)},
      {"no screen: the anchor enlarged", QRectF(500, 100, 100, 30), std::nullopt, QSizeF(200, 100), QPointF(400, 137)},
  };
  for (const auto& test : cases) {
    QPointF at = KivoPopup::placement(test.anchor, test.area, test.size);
    EXPECT_DOUBLE_EQ(at.x(), test.expected.x()) << test.name;
    EXPECT_DOUBLE_EQ(at.y(), test.expected.y()) << test.name;
  }
}

class KivoPopupTest : public testing::Test {
protected:
  void SetUp() override {
    Motion::setReduceMotionOverride(true);
    preferences = KitTest::preferences(QStringLiteral("kit-popup-test"));
    window = KitTest::window();
    field = new QLineEdit(window.get());
    field->setGeometry(10, 10, 200, 30);
    anchor = new QPushButton(QStringLiteral("Aç"), window.get());
    anchor->setGeometry(500, 100, 100, 30);
    field->show();
    anchor->show();
    field->setFocus();
    popup = new KivoPopup(anchor, [] { auto* label = new QLabel(QStringLiteral("içerik")); label->setFixedSize(150, 80); return label; },
                          PreferencesTheme::of(preferences));
    QObject::connect(popup, &KivoPopup::presentedChanged, [this](bool value) { written.push_back(value); });
    QApplication::processEvents();
  }
  void TearDown() override {
    Motion::setReduceMotionOverride(std::nullopt);
    WindowCompositing::setOverride(std::nullopt);
    preferences->storage()->removeAll();
  }
  void open() {
    // A popup closed just before gives the activation back to the window
    // some loop turns later on a real display; one opened before that would
    // lose it again.
    ASSERT_TRUE(KitTest::waitUntilActive(window.get()));
    popup->setPresented(true);
    QApplication::processEvents();
    ASSERT_TRUE(popup->isOpen());
    ASSERT_TRUE(KitTest::waitUntilActive(popup->panel()));
  }

  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<QWidget> window;
  QLineEdit* field = nullptr;
  QPushButton* anchor = nullptr;
  QPointer<KivoPopup> popup;
  std::vector<bool> written;
};

TEST_F(KivoPopupTest, OpensOnTheNextTurnUnderTheAnchorAtFullOpacityWithReduceMotion) {
  popup->setPresented(true);
  EXPECT_FALSE(popup->isOpen());
  QApplication::processEvents();
  ASSERT_TRUE(popup->isOpen());
  KivoPanel* panel = popup->panel();
  QPoint anchorBottomRight = anchor->mapToGlobal(QPoint(anchor->width(), anchor->height()));
  EXPECT_EQ(panel->geometry().right() + 1, anchorBottomRight.x());
  EXPECT_EQ(panel->geometry().top(), anchorBottomRight.y() + 7);
  EXPECT_EQ(panel->size(), QSize(150, 80));
  EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
  EXPECT_EQ(panel->parentWidget(), window.get());
}

TEST_F(KivoPopupTest, TrueThenFalseInOneTurnShowsNothing) {
  popup->setPresented(true);
  popup->setPresented(false);
  QApplication::processEvents();
  EXPECT_FALSE(popup->isOpen());
  EXPECT_TRUE(written.empty());
}

TEST_F(KivoPopupTest, OutsidePressClosesConsumesTheClickAndWritesFalse) {
  open();
  int clicks = 0;
  QObject::connect(anchor, &QPushButton::clicked, [&] { ++clicks; });
  QTest::mouseClick(anchor, Qt::LeftButton);
  EXPECT_FALSE(popup->isOpen());
  EXPECT_FALSE(popup->isPresented());
  EXPECT_EQ(written, std::vector<bool>{false});
  EXPECT_EQ(clicks, 0);
  // The next click reaches the control again.
  QTest::mouseClick(anchor, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

TEST_F(KivoPopupTest, RightPressClosesButMiddlePressAndKeysDoNot) {
  open();
  QTest::mouseClick(field, Qt::MiddleButton);
  QTest::keyClick(field, Qt::Key_A);
  EXPECT_TRUE(popup->isOpen());
  QTest::mouseClick(field, Qt::RightButton);
  EXPECT_FALSE(popup->isOpen());
}

TEST_F(KivoPopupTest, PressInsideThePanelKeepsItOpen) {
  open();
  QTest::mouseClick(popup->panel()->content(), Qt::LeftButton);
  EXPECT_TRUE(popup->isOpen());
}

TEST_F(KivoPopupTest, EscapeClosesAndGivesTheFocusBack) {
  open();
  KivoPanel* panel = popup->panel();
  EXPECT_TRUE(panel->isActiveWindow());
  QTest::keyClick(panel, Qt::Key_Escape);
  EXPECT_FALSE(popup->isOpen());
  EXPECT_EQ(written, std::vector<bool>{false});
  EXPECT_EQ(window->focusWidget(), field);
}

TEST_F(KivoPopupTest, MovingOrResizingTheWindowCloses) {
  open();
  window->move(window->pos() + QPoint(30, 0));
  QApplication::processEvents();
  EXPECT_FALSE(popup->isOpen());
  open();
  window->resize(700, 500);
  QApplication::processEvents();
  EXPECT_FALSE(popup->isOpen());
  EXPECT_EQ(written, (std::vector<bool>{false, false}));
}

TEST_F(KivoPopupTest, OwnerClosingWritesNothingBack) {
  open();
  popup->setPresented(false);
  QApplication::processEvents();
  EXPECT_FALSE(popup->isOpen());
  EXPECT_TRUE(written.empty());
}

TEST_F(KivoPopupTest, RemovingTheAnchorRemovesThePanelSilently) {
  open();
  QPointer<KivoPanel> panel = popup->panel();
  delete anchor;
  EXPECT_FALSE(popup);
  EXPECT_TRUE(!panel || !panel->isVisible());
  EXPECT_TRUE(written.empty());
}

// An animation clock that moves only when the test moves it, so a fade can
// be watched step by step however busy the machine is.
class SteppedAnimationClock : public QAnimationDriver {
public:
  SteppedAnimationClock() { install(); }
  ~SteppedAnimationClock() override { uninstall(); }
  qint64 elapsed() const override { return m_elapsed; }
  void step(qint64 milliseconds) {
    m_elapsed += milliseconds;
    advance();
  }

private:
  qint64 m_elapsed = 0;
};

TEST_F(KivoPopupTest, FadesInWithoutReduceMotion) {
  SteppedAnimationClock clock;
  Motion::setReduceMotionOverride(false);
  WindowCompositing::setOverride(true);
  open();
  // The animation system hands a new animation to its clock through a few
  // queued calls; no time passes for the fade meanwhile.
  for (int turn = 0; turn < 10 && !clock.isRunning(); ++turn) QApplication::processEvents();
  ASSERT_TRUE(clock.isRunning());
  KivoPanel* panel = popup->panel();
  EXPECT_DOUBLE_EQ(panel->windowOpacity(), 0.0);
  clock.step(Motion::kFeedbackMilliseconds / 2);
  EXPECT_GT(panel->windowOpacity(), 0.0);
  EXPECT_LT(panel->windowOpacity(), 1.0);
  clock.step(Motion::kFeedbackMilliseconds / 2);
  EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1.0);
}

TEST_F(KivoPopupTest, OpensAtFullOpacityWhereNothingComposites) {
  // A window's opacity shows nowhere without a compositor: the panel is
  // opaque from its first frame, whatever the motion setting.
  SteppedAnimationClock clock;
  Motion::setReduceMotionOverride(false);
  WindowCompositing::setOverride(false);
  open();
  for (int turn = 0; turn < 10; ++turn) QApplication::processEvents();
  EXPECT_FALSE(clock.isRunning());
  EXPECT_DOUBLE_EQ(popup->panel()->windowOpacity(), 1.0);
}

}  // namespace
