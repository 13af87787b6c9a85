#include "pages/home_view.h"

#include <QApplication>
#include <QLayout>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/home_sites_view.h"
#include "pages/keyboard_test_support.h"
#include "pages/history_view.h"
#include "pages/downloads_view.h"
#include "pages/page_widgets.h"
#include "pages/pages_test_support.h"
#include "pages/tab_backdrop.h"
#include "profile/download_store.h"

namespace {

class HomeViewTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = PagesTest::preferences(QStringLiteral("pages-home-test"));
    model = PagesTest::model(preferences);
  }
  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
};

TEST_F(HomeViewTest, ReturnAndArrowNavigateWithTheSearchDraft) {
  HomeView view(*model);
  QTest::keyClicks(view.searchField(), QStringLiteral("kivo://history"));
  EXPECT_EQ(model->searchDraft(), "kivo://history");
  QTest::keyClick(view.searchField(), Qt::Key_Return);
  EXPECT_EQ(model->current().address(), "kivo://history");
  view.searchField()->clear();
  QTest::keyClicks(view.searchField(), QStringLiteral("kivo://downloads"));
  QTest::mouseClick(view.goButton(), Qt::LeftButton);
  EXPECT_EQ(model->current().address(), "kivo://downloads");
  // Blank text does nothing.
  model->setSearchDraft(QStringLiteral("   "));
  EXPECT_EQ(view.searchField()->text(), "   ");
  QTest::keyClick(view.searchField(), Qt::Key_Return);
  EXPECT_EQ(model->current().address(), "kivo://downloads");
}

TEST_F(HomeViewTest, TabReachesEveryControlAndEachActsFromTheKeyboard) {
  HistoryStore& history = model->profile()->history();
  history.record(QStringLiteral("https://example.com/a"), QStringLiteral("Örnek"), history.revision());
  history.record(QStringLiteral("https://news.example/"), QStringLiteral("Haberler"), history.revision());
  HomeView view(*model);
  KeyboardTest::show(view);
  ASSERT_TRUE(view.sites());
  ASSERT_EQ(view.sites()->tiles().size(), 2);
  const QList<QWidget*> chain = KeyboardTest::tabChain(view);
  KeyboardTest::expectAllReached(view, chain);
  // The field first, the footer's button last, the tiles in between.
  ASSERT_FALSE(chain.isEmpty());
  EXPECT_EQ(chain.first(), view.searchField());
  EXPECT_EQ(chain.last(), view.customizeButton());
  EXPECT_LT(chain.indexOf(view.aiChip()), chain.indexOf(view.sites()->tiles().first()));
  // A tile opens its site on Return, as a click does.
  KeyboardTest::focus(view.sites()->tiles().at(1));
  QTest::keyClick(view.sites()->tiles().at(1), Qt::Key_Return);
  EXPECT_EQ(model->current().address(), view.sites()->tiles().at(1)->suggestion().id);
  KeyboardTest::expectButtonsAct(chain);
}

TEST_F(HomeViewTest, ShortcutSettingShowsFileChipAndTiles) {
  HomeView view(*model);
  EXPECT_FALSE(view.fileChip()->isHidden());
  EXPECT_NE(view.sites(), nullptr);
  preferences->setShowShortcuts(false);
  EXPECT_TRUE(view.fileChip()->isHidden());
  EXPECT_EQ(view.sites(), nullptr);
  EXPECT_EQ(view.privateChip()->text(), "Gizli pencere");
}

TEST_F(HomeViewTest, PrivateWindowShowsTheNoteInsteadOfTiles) {
  auto privateModel = PagesTest::model(preferences, true);
  HomeView view(*privateModel);
  EXPECT_EQ(view.privateChip()->text(), "Gizli pencere açık");
  EXPECT_EQ(view.sites(), nullptr);
  EXPECT_NE(view.privateNote(), nullptr);
}

TEST_F(HomeViewTest, TopInsetNeverBelow45) {
  EXPECT_EQ(HomeView::topInset(1000), 160);
  EXPECT_EQ(HomeView::topInset(200), 45);
}

TEST_F(HomeViewTest, SitesFollowTheStoreAndTheSwitch) {
  HistoryStore& store = model->profile()->history();
  HomeSitesView sites(store, *model);
  EXPECT_TRUE(sites.showsEmptyLine());
  store.record(QStringLiteral("https://a.example/1"), {}, store.revision());
  store.record(QStringLiteral("https://a.example/2"), {}, store.revision());
  store.record(QStringLiteral("https://www.b.example/"), {}, store.revision());
  ASSERT_EQ(sites.tiles().size(), 2);
  EXPECT_FALSE(sites.showsEmptyLine());
  QTest::mouseClick(sites.segment(true), Qt::LeftButton);
  EXPECT_TRUE(sites.frequent());
  EXPECT_EQ(sites.tiles().at(0)->suggestion().id, "https://a.example");
  EXPECT_EQ(sites.tiles().at(0)->suggestion().count, 2);
  QTest::mouseClick(sites.tiles().at(1), Qt::LeftButton);
  EXPECT_EQ(model->current().address(), "https://www.b.example");
  QTest::mouseClick(sites.historyButton(), Qt::LeftButton);
  EXPECT_EQ(model->current().address(), "kivo://history");
  store.clear();
  EXPECT_TRUE(sites.showsEmptyLine());
}

// The initial is the first letter as a reader sees it, upper-cased without
// regard to the locale, however it is encoded.
TEST(SiteTileTest, InitialIsTheFirstLetterUpperCased) {
  const std::vector<std::pair<QString, QString>> cases{
      {QStringLiteral("örnek.com"), QStringLiteral("Ö")},
      {QStringLiteral("ıslak.example"), QStringLiteral("I")},
      {QStringLiteral("çay.example"), QStringLiteral("Ç")},
      {QStringLiteral("e\u0301cole.example"), QStringLiteral("E\u0301")},
      {QStringLiteral("\U0001D41Aa.example"), QStringLiteral("\U0001D41A")},
      {QString(), QString()},
  };
  for (const auto& [title, initial] : cases) EXPECT_EQ(SiteTile::initial(title), initial) << title.toStdString();
}

TEST_F(HomeViewTest, TilesOfInternationalHostsShowTheirUnicodeName) {
  HistoryStore& store = model->profile()->history();
  HomeSitesView sites(store, *model);
  store.record(QStringLiteral("https://xn--rnek-4qa.com/yol"), {}, store.revision());
  ASSERT_EQ(sites.tiles().size(), 1);
  EXPECT_EQ(sites.tiles().at(0)->suggestion().title, QStringLiteral("örnek.com"));
  EXPECT_EQ(SiteTile::initial(sites.tiles().at(0)->suggestion().title), QStringLiteral("Ö"));
  EXPECT_EQ(sites.tiles().at(0)->accessibleName(), QStringLiteral("örnek.com"));
  QTest::mouseClick(sites.tiles().at(0), Qt::LeftButton);
  EXPECT_EQ(model->current().address(), QStringLiteral("https://xn--rnek-4qa.com"));
}

// Each time the shortcuts were turned on, the row that centres the tiles was
// left behind in the section, empty, when they were turned off again.
TEST_F(HomeViewTest, TogglingTheShortcutsLeavesNothingBehind) {
  HomeView view(*model);
  QLayout* section = view.lowerSection()->layout();
  const qsizetype objects = view.lowerSection()->findChildren<QObject*>().size();
  EXPECT_EQ(section->count(), 1);
  for (int round = 0; round < 25; ++round) {
    preferences->setShowShortcuts(false);
    ASSERT_EQ(section->count(), 0);
    EXPECT_EQ(view.sites(), nullptr);
    preferences->setShowShortcuts(true);
    ASSERT_EQ(section->count(), 1);
    ASSERT_NE(view.sites(), nullptr);
  }
  QApplication::processEvents();
  EXPECT_EQ(view.lowerSection()->findChildren<QObject*>().size(), objects);
}

TEST(TabBackdropTest, ColoursAndWaves) {
  EXPECT_NE(TabBackdrop::colors(Backdrop::Mist, ColorScheme::Light), TabBackdrop::colors(Backdrop::Mist, ColorScheme::Dark));
  const auto plain = TabBackdrop::colors(Backdrop::Plain, ColorScheme::Dark);
  EXPECT_EQ(plain.first, Palette::colors(ColorScheme::Dark).background);
  EXPECT_EQ(plain.first, plain.second);
  const QPainterPath wave = TabBackdrop::wave(0, QSizeF(1000, 500));
  EXPECT_EQ(wave.elementAt(0), QPointF(0, 400));
  EXPECT_EQ(QPointF(wave.elementAt(3)), QPointF(1000, 290));
  const QPainterPath second = TabBackdrop::wave(1, QSizeF(1000, 500));
  EXPECT_EQ(second.elementAt(0), QPointF(0, 475));
  EXPECT_EQ(QPointF(second.elementAt(3)), QPointF(1000, 380));
}

// The history and downloads pages fill their whole area with the scheme's
// background, so no colour of the other scheme or of the platform shows
// through at the edges. tools/pictures draws every page for a person to see.
class PageSchemes : public testing::TestWithParam<BrowserAppearance> {};

TEST_P(PageSchemes, HistoryAndDownloadsFillTheSchemesBackground) {
  auto preferences = PagesTest::preferences(QStringLiteral("pages-schemes-test"));
  preferences->setAppearance(GetParam());
  const QRgb background = Palette::colors(PreferencesTheme::of(preferences.get())).background.rgb();
  auto model = PagesTest::model(preferences);
  HistoryStore& store = model->profile()->history();
  store.record(QStringLiteral("https://example.com/a"), QStringLiteral("Örnek sayfa başlığı"), store.revision());
  DownloadStore downloads(nullptr);
  HistoryView history(*model, store);
  DownloadsView list(downloads, false, preferences);
  for (QWidget* page : std::initializer_list<QWidget*>{&history, &list}) {
    page->resize(1200, 800);
    const QImage image = page->grab().toImage();
    for (const QPoint corner : {QPoint(1, 1), QPoint(1, 798)}) {
      EXPECT_EQ(image.pixelColor(corner).rgb(), background) << page->metaObject()->className();
    }
  }
  preferences->storage()->removeAll();
}

INSTANTIATE_TEST_SUITE_P(Schemes, PageSchemes, testing::Values(BrowserAppearance::Light, BrowserAppearance::Dark));

}  // namespace
