#include "pages/home_view.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "kit/palette.h"
#include "pages/home_sites_view.h"
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

// Renders every page in both schemes into /tmp/page-shots for a person to
// look at; the check only makes sure each shot has content.
class PageShots : public testing::TestWithParam<BrowserAppearance> {};

TEST_P(PageShots, RenderEveryPage) {
  auto preferences = PagesTest::preferences(QStringLiteral("pages-shots-test"));
  preferences->setAppearance(GetParam());
  const QString suffix = GetParam() == BrowserAppearance::Dark ? QStringLiteral("-dark") : QStringLiteral("-light");
  auto model = PagesTest::model(preferences);
  HistoryStore& store = model->profile()->history();
  for (const char* address : {"https://example.com/a", "https://www.wikipedia.example/", "https://news.example/",
                              "https://example.com/b", "http://localhost.example:8080/"}) {
    store.record(QString::fromUtf8(address), QStringLiteral("Örnek sayfa başlığı"), store.revision());
  }
  {
    HomeView home(*model);
    PagesTest::shot(&home, QStringLiteral("home") + suffix);
  }
  {
    HistoryView history(*model, store);
    PagesTest::shot(&history, QStringLiteral("history") + suffix);
  }
  {
    DownloadStore downloads(nullptr);
    downloads.setTransfer([](const QUrl&, const QString&, const std::optional<QString>&, const std::optional<qint64>&,
                             const DownloadStore::ProgressFunction&, std::stop_token) -> QUrl {
      throw std::runtime_error("Sunucu yanıt vermedi");
    });
    downloads.start(QUrl(QStringLiteral("https://example.com/rapor.pdf")),
                    QUrl::fromLocalFile(QStringLiteral("/tmp/kivo-shot-rapor.pdf")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return downloads.runningJobs() == 0; }, 5000));
    DownloadsView view(downloads, false, preferences);
    PagesTest::shot(&view, QStringLiteral("downloads") + suffix);
    EXPECT_FALSE(view.grab().isNull());
  }
}

INSTANTIATE_TEST_SUITE_P(Schemes, PageShots, testing::Values(BrowserAppearance::Light, BrowserAppearance::Dark));

}  // namespace
