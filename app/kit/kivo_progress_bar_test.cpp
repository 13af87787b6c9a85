#include "kit/kivo_progress_bar.h"

#include <QApplication>
#include <gtest/gtest.h>

#include "kit/kit_test_support.h"
#include "kit/loading_spinner.h"
#include "kit/palette.h"

namespace {

class KivoProgressBarTest : public testing::Test {
protected:
  void SetUp() override { preferences = KitTest::preferences(QStringLiteral("kit-progress-test")); }
  void TearDown() override { preferences->storage()->removeAll(); }
  std::shared_ptr<BrowserPreferences> preferences;
};

TEST_F(KivoProgressBarTest, FillFollowsTheValueInsideTheRange) {
  KivoProgressBar bar(PreferencesTheme::of(preferences));
  bar.resize(200, KivoProgressBar::kBarHeight);
  bar.setRange(0, 1000);
  struct Case {
    int value;
    int shown;
    double width;
  };
  // Values outside the range are held at its ends.
  const std::vector<Case> cases{{0, 0, 0}, {250, 250, 50}, {1000, 1000, 200}, {-5, 0, 0}, {1200, 1000, 200}};
  for (const Case& c : cases) {
    bar.setValue(c.value);
    EXPECT_EQ(bar.value(), c.shown) << c.value;
    EXPECT_DOUBLE_EQ(bar.fillRect().width(), c.width) << c.value;
  }
  // A range that runs backwards is taken as empty, never as a division by
  // zero or a negative share.
  bar.setRange(10, 5);
  EXPECT_EQ(bar.maximum(), 10);
  EXPECT_DOUBLE_EQ(bar.fraction(), 0);
}

// The unknown total shows a turning spinner in the accent and no track; a
// known one the track and no spinner, whose timer then stops.
TEST_F(KivoProgressBarTest, UnknownTotalTurnsTheSpinner) {
  QWidget window;
  auto* bar = new KivoProgressBar(PreferencesTheme::of(preferences), &window);
  bar->setRange(0, 0);
  window.show();
  QApplication::processEvents();
  EXPECT_TRUE(bar->isIndeterminate());
  EXPECT_TRUE(bar->spinner()->isVisible());
  EXPECT_TRUE(bar->spinner()->isTurning());
  EXPECT_EQ(bar->spinner()->arcColor(), Palette::accent(PreferencesTheme::of(preferences.get())));
  EXPECT_GE(bar->sizeHint().height(), LoadingSpinner::kSide);
  EXPECT_TRUE(bar->fillRect().isEmpty());
  bar->setRange(0, 100);
  bar->setValue(40);
  EXPECT_FALSE(bar->spinner()->isVisible());
  EXPECT_FALSE(bar->spinner()->isTurning());
  EXPECT_EQ(bar->sizeHint().height(), KivoProgressBar::kBarHeight);
}

// The track is drawn in the palette's hairline colour and the fill in the
// accent, in both schemes: no platform blue on a white track.
TEST_F(KivoProgressBarTest, TrackAndFillComeFromThePaletteAndTheAccent) {
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  for (const BrowserAppearance appearance : {BrowserAppearance::Light, BrowserAppearance::Dark}) {
    preferences->setAppearance(appearance);
    const PaletteColors& colors = Palette::colors(theme.get());
    QWidget frame;
    frame.setAutoFillBackground(true);
    QPalette palette = frame.palette();
    palette.setColor(QPalette::Window, colors.surface);
    frame.setPalette(palette);
    auto* bar = new KivoProgressBar(theme, &frame);
    bar->setRange(0, 100);
    bar->setValue(50);
    frame.resize(200, KivoProgressBar::kBarHeight);
    bar->setGeometry(frame.rect());
    const QImage image = frame.grab().toImage();
    const QPoint middle(0, KivoProgressBar::kBarHeight / 2);
    EXPECT_EQ(image.pixelColor(middle + QPoint(50, 0)).rgb(), Palette::accent(theme.get()).rgb());
    const QColor track = image.pixelColor(middle + QPoint(150, 0));
    EXPECT_NE(track.rgb(), colors.surface.rgb());
    EXPECT_LT(Palette::contrast(track, colors.surface), 1.5) << "the track is a faint line, not a white bar";
  }
}

}  // namespace
