// Panels in both depths, with the window system's answer injected: a
// translucent panel with a shadow in its margin where windows are
// composited, an opaque square panel with an edge where they are not.
#include "kit/kivo_panel.h"

#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include "kit/kit_test_support.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_popup.h"
#include "kit/motion.h"
#include "kit/palette.h"
#include "platform/window_compositing.h"

namespace {

class KivoPanelDepth : public testing::TestWithParam<BrowserAppearance> {
protected:
  void SetUp() override {
    Motion::setReduceMotionOverride(true);
    preferences = KitTest::preferences(QStringLiteral("kit-panel-test"));
    preferences->setAppearance(GetParam());
    theme = PreferencesTheme::of(preferences);
    window = KitTest::window();
    anchor = new QPushButton(QStringLiteral("Aç"), window.get());
    anchor->setGeometry(500, 100, 100, 30);
    anchor->show();
    popup = new KivoPopup(
        anchor,
        [] {
          auto* label = new QLabel;
          label->setFixedSize(150, 80);
          return label;
        },
        theme);
    QApplication::processEvents();
  }
  void TearDown() override {
    WindowCompositing::setOverride(std::nullopt);
    Motion::setReduceMotionOverride(std::nullopt);
    preferences->storage()->removeAll();
  }
  KivoPanel* open() {
    popup->setPresented(true);
    QApplication::processEvents();
    return popup->panel();
  }

  std::shared_ptr<BrowserPreferences> preferences;
  std::shared_ptr<KitTheme> theme;
  std::unique_ptr<QWidget> window;
  QPushButton* anchor = nullptr;
  KivoPopup* popup = nullptr;
};

TEST(KivoPanel, DepthIsAShadowExactlyWhereWindowsAreComposited) {
  EXPECT_EQ(KivoPanel::depthFor(true), KivoPanel::Depth::Shadow);
  EXPECT_EQ(KivoPanel::depthFor(false), KivoPanel::Depth::Edge);
  for (bool composites : {true, false}) {
    WindowCompositing::setOverride(composites);
    KivoPanel panel(KivoPanel::Role::Popup, nullptr);
    EXPECT_EQ(panel.depth(), KivoPanel::depthFor(composites));
    EXPECT_EQ(panel.testAttribute(Qt::WA_TranslucentBackground), composites);
  }
  WindowCompositing::setOverride(std::nullopt);
}

TEST_P(KivoPanelDepth, EachShowAsksTheWindowSystemAgainAndKeepsTheCardInPlace) {
  // A compositor that starts after the panel was made, then stops again
  // while the panel is hidden: every show follows the answer of its moment.
  WindowCompositing::setOverride(false);
  KivoPanel panel(KivoPanel::Role::Popup, window.get(), theme);
  auto* card = new QLabel;
  card->setFixedSize(150, 80);
  panel.setContent(card);
  const QRect placed(300, 200, 150, 80);
  panel.setCardGeometry(placed);
  for (bool composites : {true, false, true}) {
    WindowCompositing::setOverride(composites);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    EXPECT_EQ(panel.depth(), KivoPanel::depthFor(composites));
    EXPECT_EQ(panel.testAttribute(Qt::WA_TranslucentBackground), composites);
    EXPECT_EQ(panel.windowHandle()->requestedFormat().alphaBufferSize() > 0, composites)
        << "the native window is made anew";
    EXPECT_EQ(panel.cardGeometry(), placed);
    EXPECT_EQ(panel.geometry(), placed.marginsAdded(panel.margins()));
    // The answer changing while the panel is on screen leaves it alone.
    WindowCompositing::setOverride(!composites);
    panel.show();
    EXPECT_EQ(panel.depth(), KivoPanel::depthFor(composites));
    panel.hide();
  }
}

TEST_P(KivoPanelDepth, CompositedPanelCastsAShadowAroundThePlacedCard) {
  WindowCompositing::setOverride(true);
  KivoPanel* panel = open();
  ASSERT_TRUE(panel);
  ASSERT_EQ(panel->depth(), KivoPanel::Depth::Shadow);
  // The card sits where the placement puts it; the margin lies around it.
  const QPoint anchorBottomRight = anchor->mapToGlobal(QPoint(anchor->width(), anchor->height()));
  EXPECT_EQ(panel->cardGeometry(), QRect(anchorBottomRight.x() - 150, anchorBottomRight.y() + 7, 150, 80));
  EXPECT_EQ(panel->geometry(), panel->cardGeometry().marginsAdded(KivoPanel::kShadowMargins));
  const QImage shadow = panel->shadow();
  ASSERT_EQ(shadow.size(), panel->size());
  const QRect card = panel->cardRect();
  // Nothing at the panel's corner, a shadow under the card's bottom edge
  // that fades outwards, and less of it above the card than below.
  EXPECT_EQ(qAlpha(shadow.pixel(0, 0)), 0);
  const int below = qAlpha(shadow.pixel(card.center().x(), card.bottom() + 6));
  const int further = qAlpha(shadow.pixel(card.center().x(), card.bottom() + 20));
  const int above = qAlpha(shadow.pixel(card.center().x(), card.top() - 6));
  EXPECT_GT(below, 0);
  EXPECT_LT(further, below);
  EXPECT_LT(above, below);
}

TEST_P(KivoPanelDepth, UncompositedPanelIsOpaqueAndSquareWithAnEdge) {
  WindowCompositing::setOverride(false);
  KivoPanel* panel = open();
  ASSERT_TRUE(panel);
  ASSERT_EQ(panel->depth(), KivoPanel::Depth::Edge);
  EXPECT_EQ(panel->margins(), QMargins());
  EXPECT_EQ(panel->geometry(), panel->cardGeometry());
  EXPECT_TRUE(panel->shadow().isNull());
  // Every corner pixel is the edge grey (never black, never transparent),
  // and the fill just inside it is the surface.
  const QImage image = panel->grab().toImage();
  const QColor surface = Palette::colors(theme.get()).surface;
  for (const QPoint corner : {QPoint(0, 0), QPoint(image.width() - 1, 0), QPoint(0, image.height() - 1),
                              QPoint(image.width() - 1, image.height() - 1)}) {
    EXPECT_EQ(image.pixelColor(corner).rgba(), Palette::edge().rgba()) << corner.x() << "," << corner.y();
  }
  EXPECT_EQ(image.pixelColor(2, 2).rgba(), surface.rgba());
}

TEST_P(KivoPanelDepth, PressInTheShadowMarginClosesThePopup) {
  WindowCompositing::setOverride(true);
  KivoPanel* panel = open();
  ASSERT_TRUE(panel);
  // Inside the card the popup stays; in the margin beside it, it closes.
  QTest::mouseClick(panel, Qt::LeftButton, {}, panel->cardRect().center());
  EXPECT_TRUE(popup->isOpen());
  QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(4, panel->height() / 2));
  EXPECT_FALSE(popup->isOpen());
  EXPECT_FALSE(popup->isPresented());
}

TEST_P(KivoPanelDepth, DialogCardIsCentredAcrossTheWindowInBothDepths) {
  for (bool composites : {true, false}) {
    WindowCompositing::setOverride(composites);
    QPointer<KivoPanel> panel = KivoDialog::show(window.get(), theme, QStringLiteral("Başlık"), QStringLiteral("İleti"),
                                                 std::nullopt, QStringLiteral("Tamam"), false, std::nullopt);
    ASSERT_TRUE(panel);
    const QRect card = panel->cardGeometry();
    EXPECT_EQ(card.width(), KivoDialogCard::kWidth);
    EXPECT_NEAR(card.center().x(), window->geometry().center().x(), 1);
    EXPECT_EQ(panel->geometry(), card.marginsAdded(panel->margins()));
    EXPECT_EQ(panel->cornerRadius(), 20);
    QTest::keyClick(panel->focusWidget(), Qt::Key_Escape);
    QApplication::processEvents();
  }
}

INSTANTIATE_TEST_SUITE_P(Schemes, KivoPanelDepth, testing::Values(BrowserAppearance::Light, BrowserAppearance::Dark),
                         [](const auto& info) { return info.param == BrowserAppearance::Dark ? "Dark" : "Light"; });

}  // namespace
