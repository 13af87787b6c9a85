#include "pages/history_view.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "kit/kivo_select.h"
#include "pages/pages_test_support.h"

namespace {

class HistoryViewTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = PagesTest::preferences(QStringLiteral("pages-history-test"));
    model = PagesTest::model(preferences);
    store().record(QStringLiteral("https://example.com/cay"), QStringLiteral("Çay Evi"), store().revision());
    store().record(QStringLiteral("https://example.org/"), QString(), store().revision());
    store().record(QStringLiteral("https://news.example/"), QStringLiteral("Haberler"), store().revision());
  }
  HistoryStore& store() { return model->profile()->history(); }
  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
};

struct QueryCase {
  const char* query;
  int count;
};

TEST_F(HistoryViewTest, SearchFiltersCaseAndDiacriticInsensitively) {
  const std::vector<QueryCase> cases{{"", 3},        {"cay", 1},        {"ÇAY", 1}, {"evi https", 1},
                                     {" ", 3},       {"example.org", 1}, {"yok", 0}};
  HistoryView view(*model, store());
  for (const QueryCase& c : cases) {
    view.searchField()->clear();
    QTest::keyClicks(view.searchField(), QString::fromUtf8(c.query));
    EXPECT_EQ(view.list()->entries().size(), c.count) << c.query;
    EXPECT_EQ(view.emptyState()->isHidden(), c.count != 0) << c.query;
  }
}

TEST_F(HistoryViewTest, TrashRemovesExactlyThatVisitAndRowOpensAddress) {
  HistoryView view(*model, store());
  view.resize(1000, 800);
  view.show();
  ASSERT_EQ(view.list()->entries().size(), 3);
  const QUuid middle = store().entries().at(1).id;
  QTest::mouseClick(view.list(), Qt::LeftButton, {}, view.list()->trashRect(1).center());
  ASSERT_EQ(store().entries().size(), 2);
  EXPECT_NE(store().entries().at(0).id, middle);
  EXPECT_NE(store().entries().at(1).id, middle);
  EXPECT_EQ(view.list()->entries().size(), 2);
  EXPECT_EQ(view.list()->entries().at(1).address, "https://example.com/cay");

  QTest::mouseClick(view.list(), Qt::LeftButton, {}, view.list()->openRect(1).center());
  EXPECT_EQ(model->current().address(), "https://example.com/cay");
}

TEST_F(HistoryViewTest, PeriodSelectDoesNotFilter) {
  HistoryView view(*model, store());
  view.periodSelect()->setSelection(24);
  EXPECT_EQ(view.period(), 24);
  EXPECT_EQ(view.list()->entries().size(), 3);
  EXPECT_EQ(HistoryView::periodLabel(24), "Son 24 saat");
  EXPECT_EQ(HistoryView::periodLabel(5), "Tüm zamanlar");
}

TEST_F(HistoryViewTest, PrivateWindowShowsOnlyTitleAndNote) {
  auto privateModel = PagesTest::model(preferences, true);
  HistoryView view(*privateModel, privateModel->profile()->history());
  EXPECT_EQ(view.noteText(), "Gizli pencere ziyaretleri geçmişe kaydedilmez.");
  EXPECT_EQ(view.searchField(), nullptr);
  EXPECT_EQ(view.list(), nullptr);
  EXPECT_EQ(view.clearButton(), nullptr);
}

}  // namespace
