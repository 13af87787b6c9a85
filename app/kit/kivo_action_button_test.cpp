#include "kit/kivo_action_button.h"

#include <QEnterEvent>
#include <gtest/gtest.h>

#include <vector>

#include "kit/kit_test_support.h"
#include "kit/palette.h"

namespace {

struct FeedbackCase {
  bool enabled, pressed, hovered, reduce;
  KivoActionButton::Feedback expected;
};

TEST(KivoActionButton, FeedbackFollowsTheStateTable) {
  const std::vector<FeedbackCase> cases = {
      {false, false, true, false, {0, 0.45, 1}},        {false, true, true, false, {0, 0.45, 1}},
      {true, false, false, false, {0, 1, 1}},           {true, false, true, false, {0.045, 1, 1}},
      {true, true, true, false, {0.045, 0.72, 0.98}},   {true, true, true, true, {0.045, 0.72, 1}},
  };
  for (const auto& test : cases)
    EXPECT_EQ(KivoActionButton::feedback(test.enabled, test.pressed, test.hovered, test.reduce), test.expected);
}

TEST(KivoActionButton, VariantsPickTheirColours) {
  auto preferences = KitTest::preferences(QStringLiteral("kit-action-test"));
  preferences->setAppearance(BrowserAppearance::Light);
  const auto theme = PreferencesTheme::of(preferences);
  const PaletteColors& light = Palette::colors(ColorScheme::Light);
  KivoActionButton plain(QStringLiteral("Vazgeç"), KivoActionStyle{}, theme);
  KivoActionButton plainDestructive(QStringLiteral("Vazgeç"), KivoActionStyle{false, true}, theme);
  KivoActionButton prominent(QStringLiteral("Tamam"), KivoActionStyle{true, false}, theme);
  KivoActionButton destructive(QStringLiteral("Sil"), KivoActionStyle{true, true}, theme);
  EXPECT_EQ(plain.fillColor(), light.chrome);
  EXPECT_EQ(plain.labelColor(), light.ink);
  EXPECT_EQ(plainDestructive.fillColor(), plain.fillColor());
  EXPECT_EQ(plainDestructive.labelColor(), plain.labelColor());
  EXPECT_EQ(prominent.fillColor(), QColor(0x66, 0x58, 0xD3));
  EXPECT_EQ(prominent.labelColor(), QColor(Qt::white));
  EXPECT_EQ(destructive.fillColor(), Palette::destructive());
  // A new accent re-colours the prominent button at once; red stays red.
  preferences->setAccentHex(QStringLiteral("25846a"));
  EXPECT_EQ(prominent.fillColor(), QColor(0x25, 0x84, 0x6a));
  EXPECT_EQ(destructive.fillColor(), Palette::destructive());
  EXPECT_EQ(prominent.sizeHint().height(), 38);
  preferences->storage()->removeAll();
}

TEST(KivoActionButton, DisabledButtonIsDimmedShowsTheArrowAndStillTracksHover) {
  KivoActionButton button(QStringLiteral("Uygula"), KivoActionStyle{}, nullptr);
  button.setEnabled(false);
  QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(&button, &event);
  EXPECT_TRUE(button.hovered());
  EXPECT_EQ(button.targetFeedback(), (KivoActionButton::Feedback{0, 0.45, 1}));
  EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
}

}  // namespace
