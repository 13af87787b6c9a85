#include "pages/page_widgets.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <functional>

#include "kit/overlay_scroll_bar.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/downloads_view.h"
#include "pages/history_view.h"
#include "pages/home_view.h"
#include "pages/pages_test_support.h"
#include "pages/settings_view.h"
#include "profile/download_store.h"

namespace {

struct PageCase {
  const char* name;
  std::function<std::unique_ptr<QWidget>(BrowserModel&, DownloadStore&)> make;
};

const std::vector<PageCase>& pageCases() {
  static const std::vector<PageCase> cases{
      {"home", [](BrowserModel& model, DownloadStore&) { return std::make_unique<HomeView>(model); }},
      {"history",
       [](BrowserModel& model, DownloadStore&) {
         return std::make_unique<HistoryView>(model, model.profile()->history());
       }},
      {"downloads",
       [](BrowserModel& model, DownloadStore& store) {
         return std::make_unique<DownloadsView>(store, false, model.preferences());
       }},
      {"settings", [](BrowserModel& model, DownloadStore&) { return std::make_unique<SettingsView>(model); }},
  };
  return cases;
}

// The pages used to show the platform's scroll bar, light and with arrows
// even on a dark page, and the settings page kept it when everything fit.
// Their bars now float over the page, show only while the page is taller
// than its area, take none of its width, and are drawn for the scheme.
class PageScrollBars : public testing::TestWithParam<BrowserAppearance> {};

TEST_P(PageScrollBars, ShowOnlyWhenTheColumnDoesNotFitAndFollowTheScheme) {
  const bool dark = GetParam() == BrowserAppearance::Dark;
  auto preferences = PagesTest::preferences(QStringLiteral("pages-scroll-bars-test"));
  preferences->setAppearance(GetParam());
  auto model = PagesTest::model(preferences);
  DownloadStore downloads(nullptr);
  for (const PageCase& page : pageCases()) {
    SCOPED_TRACE(page.name);
    const std::unique_ptr<QWidget> view = page.make(*model, downloads);
    auto* area = view->findChild<QScrollArea*>();
    ASSERT_TRUE(area);
    const auto overlays = area->viewport()->findChildren<OverlayScrollBar*>();
    ASSERT_EQ(overlays.size(), 2);
    OverlayScrollBar* vertical = overlays.at(0)->orientation() == Qt::Vertical ? overlays.at(0) : overlays.at(1);

    // Everything fits: no bar of either kind.
    view->resize(1200, 6000);
    view->show();
    QApplication::processEvents();
    EXPECT_EQ(area->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(vertical->isHidden());
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    const int wideColumn = area->widget()->width();
    EXPECT_EQ(wideColumn, area->width());

    // A short page scrolls: the thin bar shows over the page and the
    // column keeps its width.
    view->resize(1200, 150);
    QApplication::processEvents();
    EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
    EXPECT_FALSE(vertical->isHidden());
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    EXPECT_EQ(area->widget()->width(), wideColumn);
    EXPECT_EQ(vertical->darkBackdrop(), dark);

    // A change of scheme redraws the thumb for the other one.
    preferences->setAppearance(dark ? BrowserAppearance::Light : BrowserAppearance::Dark);
    EXPECT_EQ(vertical->darkBackdrop(), !dark);
    preferences->setAppearance(GetParam());
  }
  preferences->storage()->removeAll();
}

INSTANTIATE_TEST_SUITE_P(Schemes, PageScrollBars,
                         testing::Values(BrowserAppearance::Light, BrowserAppearance::Dark));

// The error lines of the history and downloads pages used to be the light
// scheme's red on the dark scheme's surfaces too, where it reads poorly.
TEST(PageRedTest, TheDarkSchemeHasARedThatReadsOnItsSurfaces) {
  auto preferences = PagesTest::preferences(QStringLiteral("pages-red-test"));
  const KitTheme* theme = PreferencesTheme::of(preferences.get());
  preferences->setAppearance(BrowserAppearance::Light);
  const QColor light = PageLayout::red(theme);
  EXPECT_EQ(light, QColor::fromRgbF(1.0f, 0.231f, 0.188f));
  preferences->setAppearance(BrowserAppearance::Dark);
  const QColor dark = PageLayout::red(theme);
  EXPECT_NE(dark, light);
  const PaletteColors& colors = Palette::colors(ColorScheme::Dark);
  EXPECT_GE(Palette::contrast(dark, colors.background), 4.5);
  EXPECT_GE(Palette::contrast(dark, colors.surface), 4.5);

  // Both pages draw their error texts in the red of the scheme shown.
  auto model = PagesTest::model(preferences);
  HistoryView history(*model, model->profile()->history());
  DownloadStore store(nullptr);
  DownloadCard card(store, preferences);
  history.resize(900, 600);
  history.show();
  card.show();
  for (const BrowserAppearance appearance : {BrowserAppearance::Dark, BrowserAppearance::Light}) {
    preferences->setAppearance(appearance);
    for (QLabel* line : std::initializer_list<QLabel*>{history.errorLine(), card.detailLine()}) {
      line->setText(QStringLiteral("Kaydedilemedi"));
      line->setVisible(true);
      QApplication::processEvents();
      line->grab();
      EXPECT_EQ(line->palette().color(QPalette::WindowText), PageLayout::red(theme));
    }
  }
  preferences->storage()->removeAll();
}

}  // namespace
