#include "kit/overlay_scroll_bar.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "kit/kit_test_support.h"

namespace {

constexpr int kThickness = OverlayScrollBar::kThickness;
constexpr int kInset = OverlayScrollBar::kInset;

// A shown 300 x 200 scroll area with overlay bars; its content is set after
// the bars, as a page that fills itself later does.
class OverlayScrollBarsTest : public testing::Test {
protected:
  void SetUp() override {
    area.setFrameShape(QFrame::NoFrame);
    area.resize(300, 200);
    bars = new OverlayScrollBars(&area);
    content = new QWidget;
    area.setWidget(content);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
  }

  void setContent(const QSize& size) {
    content->resize(size);
    QCoreApplication::processEvents();
  }
  // The widget that takes the pointer at `point` of the viewport.
  QWidget* under(const QPoint& point) const { return area.viewport()->childAt(point); }

  QScrollArea area;
  OverlayScrollBars* bars = nullptr;
  QWidget* content = nullptr;
};

TEST_F(OverlayScrollBarsTest, BarsFloatOverTheWholeViewportOnlyWhereTheContentScrolls) {
  struct Case {
    QSize content;
    QRect vertical;  // empty: hidden
    QRect horizontal;
  };
  const std::vector<Case> cases{
      {{300, 200}, {}, {}},
      {{300, 1000}, {300 - kThickness, 0, kThickness, 200}, {}},
      {{900, 200}, {}, {0, 200 - kThickness, 300, kThickness}},
      {{900, 1000},
       {300 - kThickness, 0, kThickness, 200 - kThickness},
       {0, 200 - kThickness, 300 - kThickness, kThickness}},
  };
  for (const Case& c : cases) {
    const std::string name = std::to_string(c.content.width()) + "x" + std::to_string(c.content.height());
    setContent(c.content);
    EXPECT_EQ(area.viewport()->size(), QSize(300, 200)) << name;
    EXPECT_EQ(bars->vertical()->isVisible(), !c.vertical.isEmpty()) << name;
    EXPECT_EQ(bars->horizontal()->isVisible(), !c.horizontal.isEmpty()) << name;
    if (!c.vertical.isEmpty()) {
      EXPECT_EQ(bars->vertical()->geometry(), c.vertical) << name;
      EXPECT_EQ(under(c.vertical.center()), bars->vertical()) << name;
    }
    if (!c.horizontal.isEmpty()) {
      EXPECT_EQ(bars->horizontal()->geometry(), c.horizontal) << name;
      EXPECT_EQ(under(c.horizontal.center()), bars->horizontal()) << name;
    }
  }
  // Anywhere else the pointer reaches the content.
  EXPECT_EQ(under(QPoint(150, 100)), content);
}

TEST_F(OverlayScrollBarsTest, ThumbShowsThePageAndTheRange) {
  OverlayScrollBar* bar = bars->vertical();
  const int track = 200 - 2 * kInset;
  struct Case {
    int height;
    int value;
    int length;
    int start;
  };
  // The thumb is to the track as the visible page is to the content, never
  // shorter than its minimum, and lies along the track as the value along the
  // range.
  for (const Case& c : {Case{400, 0, track / 2, kInset}, Case{400, 200, track / 2, kInset + track / 2},
                        Case{800, 300, track / 4, kInset + qRound(0.5 * (track - track / 4))},
                        Case{100000, 99800, OverlayScrollBar::kMinimumThumbLength,
                             200 - kInset - OverlayScrollBar::kMinimumThumbLength}}) {
    setContent(QSize(300, c.height));
    area.verticalScrollBar()->setValue(c.value);
    const QRect thumb = bar->thumbRect();
    EXPECT_EQ(thumb.height(), c.length) << c.height << " at " << c.value;
    EXPECT_EQ(thumb.top(), c.start) << c.height << " at " << c.value;
    EXPECT_EQ(thumb.width(), OverlayScrollBar::kThumbThickness);
    EXPECT_EQ(thumb.right(), kThickness - kInset - 1);
  }
}

TEST_F(OverlayScrollBarsTest, PointerOverTheBarWidensAndStrengthensTheThumb) {
  setContent(QSize(300, 1000));
  OverlayScrollBar* bar = bars->vertical();
  QWindow* window = area.windowHandle();
  const QColor resting = bar->thumbColor();
  QTest::mouseMove(window, bar->mapTo(&area, QPoint(kThickness / 2, 100)));
  EXPECT_TRUE(bar->highlighted());
  EXPECT_EQ(bar->thumbRect().width(), OverlayScrollBar::kHoverThumbThickness);
  EXPECT_GT(bar->thumbColor().alpha(), resting.alpha());
  QTest::mouseMove(window, QPoint(100, 100));
  EXPECT_FALSE(bar->highlighted());
  EXPECT_EQ(bar->thumbRect().width(), OverlayScrollBar::kThumbThickness);

  // Dark on a light ground, light on a dark one.
  EXPECT_LT(bar->thumbColor().lightness(), 128);
  bar->setDarkBackdrop(true);
  EXPECT_GT(bar->thumbColor().lightness(), 128);
}

// Bars over a page of the kit take their tone from the page's scheme, so a
// dark page never shows a dark thumb, and they follow every change of it.
TEST(OverlayScrollBarsThemeTest, ThumbsFollowTheThemesScheme) {
  auto preferences = KitTest::preferences(QStringLiteral("kit-overlay-theme-test"));
  preferences->setAppearance(BrowserAppearance::Dark);
  QScrollArea area;
  auto* bars = new OverlayScrollBars(&area, PreferencesTheme::of(preferences));
  EXPECT_TRUE(bars->vertical()->darkBackdrop());
  EXPECT_TRUE(bars->horizontal()->darkBackdrop());
  const int lightThumb = bars->vertical()->thumbColor().lightness();
  preferences->setAppearance(BrowserAppearance::Light);
  EXPECT_FALSE(bars->vertical()->darkBackdrop());
  EXPECT_FALSE(bars->horizontal()->darkBackdrop());
  EXPECT_LT(bars->vertical()->thumbColor().lightness(), lightThumb);
  preferences->storage()->removeAll();
}

}  // namespace

