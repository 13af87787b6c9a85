// The kit's surfaces in both schemes, checked in the drawn pixels: a dialog
// card and an open popup panel fill with the scheme's surface colour, and a
// card's confirm button with its own fill. The pictures of every control are
// drawn by tools/pictures.
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include "kit/kit_test_support.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"
#include "kit/kivo_select.h"
#include "kit/motion.h"
#include "kit/palette.h"

namespace {

class KitSchemes : public testing::TestWithParam<BrowserAppearance> {
protected:
  void SetUp() override {
    Motion::setReduceMotionOverride(true);
    preferences = KitTest::preferences(QStringLiteral("kit-schemes-test"));
    preferences->setAppearance(GetParam());
    colors = &Palette::colors(PreferencesTheme::of(preferences.get()));
  }
  void TearDown() override {
    Motion::setReduceMotionOverride(std::nullopt);
    preferences->storage()->removeAll();
  }

  std::shared_ptr<BrowserPreferences> preferences;
  const PaletteColors* colors = nullptr;
};

// A point a few pixels inside the leading edge, halfway down: past the
// hairline and the rounding, before any content.
QRgb leadingPixel(QWidget& widget) {
  return widget.grab().toImage().pixelColor(4, widget.height() / 2).rgb();
}

TEST_P(KitSchemes, DialogCardsFillWithTheSurfaceAndTheirConfirmColour) {
  struct Case {
    const char* name;
    bool destructive;
    QColor confirmFill;
  };
  const std::vector<Case> cases{{"destructive", true, Palette::destructive()},
                                {"plain", false, Palette::accent(PreferencesTheme::of(preferences.get()))}};
  for (const Case& c : cases) {
    KivoDialogCard card(QStringLiteral("Geçmiş silinsin mi?"), QStringLiteral("Bu işlem geri alınamaz."),
                        std::nullopt, QStringLiteral("Tamam"), c.destructive, QStringLiteral("Vazgeç"),
                        [](bool) {}, PreferencesTheme::of(preferences));
    card.adjustSize();
    EXPECT_EQ(card.width(), KivoDialogCard::kWidth) << c.name;
    EXPECT_EQ(leadingPixel(card), colors->surface.rgb()) << c.name;
    EXPECT_EQ(leadingPixel(*card.confirmButton()), c.confirmFill.rgb()) << c.name;
  }
}

TEST_P(KitSchemes, OpenSelectListIsASurfacePanel) {
  auto window = KitTest::window();
  auto* select = new KivoSelect(QStringLiteral("Geçmiş dönemi"),
                                {{0, QStringLiteral("Tüm zamanlar")}, {24, QStringLiteral("Son 24 saat")}}, 24,
                                PreferencesTheme::of(preferences), window.get());
  select->move(300, 60);
  select->show();
  QTest::mouseClick(select, Qt::LeftButton);
  QApplication::processEvents();
  KivoPanel* panel = select->popup()->panel();
  ASSERT_TRUE(panel);
  EXPECT_GE(panel->width(), select->width());
  EXPECT_EQ(leadingPixel(*panel), colors->surface.rgb());
}

INSTANTIATE_TEST_SUITE_P(Schemes, KitSchemes, testing::Values(BrowserAppearance::Light, BrowserAppearance::Dark),
                         [](const auto& info) { return info.param == BrowserAppearance::Dark ? "Dark" : "Light"; });

}  // namespace
