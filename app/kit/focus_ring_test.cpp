// The focus ring and the keyboard reach of the kit's buttons: Tab reaches
// them, the ring shows for keyboard focus only, and Return and Space act.
#include "kit/focus_ring.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "kit/kit_test_support.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_button.h"
#include "kit/motion.h"
#include "kit/palette.h"

namespace {

struct ReasonCase {
  Qt::FocusReason reason;
  bool showed;
  bool shows;
};

TEST(FocusRing, KeyboardFocusShowsPointerFocusHidesReturningFocusKeeps) {
  const std::vector<ReasonCase> cases{
      {Qt::TabFocusReason, false, true},         {Qt::BacktabFocusReason, false, true},
      {Qt::ShortcutFocusReason, false, true},    {Qt::OtherFocusReason, false, true},
      {Qt::MouseFocusReason, true, false},       {Qt::PopupFocusReason, true, true},
      {Qt::PopupFocusReason, false, false},      {Qt::ActiveWindowFocusReason, true, true},
      {Qt::ActiveWindowFocusReason, false, false},
  };
  for (const ReasonCase& c : cases) EXPECT_EQ(FocusRing::showsFor(c.reason, c.showed), c.shows) << c.reason << c.showed;
}

class FocusRingWidgets : public testing::TestWithParam<BrowserAppearance> {
protected:
  void SetUp() override {
    Motion::setReduceMotionOverride(true);
    preferences = KitTest::preferences(QStringLiteral("kit-focus-ring-test"));
    preferences->setAppearance(GetParam());
    theme = PreferencesTheme::of(preferences);
    window = KitTest::window();
  }
  void TearDown() override {
    Motion::setReduceMotionOverride(std::nullopt);
    preferences->storage()->removeAll();
  }
  // The colour halfway down the widget, `x` points in.
  static QColor at(QWidget* widget, int x) { return widget->grab().toImage().pixelColor(x, widget->height() / 2); }
  // Equal up to the rasteriser's rounding of an edge's coverage.
  static bool near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 6 && std::abs(a.green() - b.green()) <= 6 &&
           std::abs(a.blue() - b.blue()) <= 6;
  }

  std::shared_ptr<BrowserPreferences> preferences;
  std::shared_ptr<KitTheme> theme;
  std::unique_ptr<QWidget> window;
};

TEST_P(FocusRingWidgets, TabReachesKitButtonsWhichActOnReturnAndSpace) {
  auto* quiet = new KivoButton(theme, window.get());
  quiet->setText(QStringLiteral("Satır"));
  auto* action = new KivoActionButton(QStringLiteral("Geçmişi sil"), KivoActionStyle{}, theme, window.get());
  quiet->setGeometry(10, 10, 120, 30);
  action->setGeometry(10, 60, 120, 38);
  quiet->show();
  action->show();
  const std::vector<QAbstractButton*> buttons{quiet, action};
  for (QAbstractButton* button : buttons) {
    // Tab reaches the button; a click does not take the focus.
    EXPECT_EQ(button->focusPolicy(), Qt::TabFocus);
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    window->setFocus();
    QTest::keyClick(window.get(), Qt::Key_Tab);
    if (!button->hasFocus()) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(button->hasFocus()) << button->text().toStdString();
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 1);
    QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicks.count(), 2);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 3);
    // A modified Return is someone else's shortcut.
    QTest::keyClick(button, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(clicks.count(), 3);
  }
}

TEST_P(FocusRingWidgets, RingShowsForKeyboardFocusAndReadsOnAnAccentFill) {
  auto* prominent = new KivoActionButton(QStringLiteral("Tamam"), KivoActionStyle{true, false}, theme, window.get());
  prominent->setGeometry(10, 10, 120, 38);
  prominent->show();
  const QColor accent = Palette::accent(theme.get());
  const QColor surface = Palette::colors(theme.get()).surface;
  // At rest: the fill runs to the hairline.
  EXPECT_FALSE(near(at(prominent, 2), surface));
  // Focused from the keyboard: the accent outline, and the surface line
  // inside it that sets the ring apart from the accent fill.
  prominent->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(prominent->hasFocus());
  EXPECT_TRUE(prominent->focusRing()->isVisible());
  EXPECT_TRUE(near(at(prominent, 1), accent));
  EXPECT_TRUE(near(at(prominent, 2), surface));
  // A press of the pointer hides it; focus that returns after a popup keeps
  // that.
  QTest::mousePress(prominent, Qt::LeftButton);
  QTest::mouseRelease(prominent, Qt::LeftButton);
  EXPECT_FALSE(prominent->focusRing()->isVisible());
  prominent->clearFocus();
  prominent->setFocus(Qt::PopupFocusReason);
  EXPECT_FALSE(prominent->focusRing()->isVisible());
  EXPECT_FALSE(near(at(prominent, 2), surface));
}

TEST_P(FocusRingWidgets, AttachedRingDrawsOverAWidgetTheKitDidNotDraw) {
  auto* push = new QPushButton(QStringLiteral("Önbelleği temizle"), window.get());
  push->setGeometry(10, 10, 160, 30);
  push->show();
  FocusRing* ring = FocusRing::attach(push, theme, 6);
  push->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(ring->isVisible());
  EXPECT_TRUE(near(at(push, 1), Palette::accent(theme.get())));
  push->clearFocus();
  EXPECT_FALSE(ring->isVisible());
  EXPECT_FALSE(near(at(push, 1), Palette::accent(theme.get())));
}

INSTANTIATE_TEST_SUITE_P(Schemes, FocusRingWidgets, testing::Values(BrowserAppearance::Light, BrowserAppearance::Dark),
                         [](const auto& info) { return info.param == BrowserAppearance::Dark ? "Dark" : "Light"; });

}  // namespace
