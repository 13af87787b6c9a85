#include "pages/search_view.h"

#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

#include "kit/kit_label.h"
#include "pages/pages_test_support.h"

namespace {

class SearchViewTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = PagesTest::preferences(QStringLiteral("chrome-search-view-test"));
    model = PagesTest::model(preferences);
  }
  static QStringList ids(const SearchView& view) {
    QStringList result;
    for (const SearchResultRow* row : view.rows()) result.append(row->page().id);
    return result;
  }
  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
};

TEST_F(SearchViewTest, EmptyQueryListsEveryShippedPageInTableOrder) {
  SearchView view(QString(), *model);
  EXPECT_EQ(view.headingLabel()->plainText(), "Yerel sayfalar");
  EXPECT_EQ(view.countLabel()->plainText(), "3 sonuç · Yalnızca Kivo'nın yerel sayfaları");
  EXPECT_EQ(ids(view), QStringList({"welcome", "engine", "principles"}));
  EXPECT_TRUE(view.hintLabel()->isHidden());
}

TEST_F(SearchViewTest, QueryWithoutMatchesShowsQuotedHeadingZeroAndTheHint) {
  SearchView view(QStringLiteral("zeplin"), *model);
  EXPECT_EQ(view.headingLabel()->plainText(), QString::fromUtf8("\u201Czeplin\u201D"));
  EXPECT_EQ(view.countLabel()->plainText(), "0 sonuç · Yalnızca Kivo'nın yerel sayfaları");
  EXPECT_TRUE(view.rows().isEmpty());
  EXPECT_FALSE(view.hintLabel()->isHidden());
  EXPECT_EQ(view.hintLabel()->plainText(),
            "Eşleşme bulunamadı. “motor”, “Kivo” veya “ilkeler” sözcüklerini deneyebilirsin.");
}

struct MatchCase {
  const char* query;
  QStringList ids;
};

TEST_F(SearchViewTest, MatchesTitleSpaceDescriptionWithoutCaseOrDiacritics) {
  const std::vector<MatchCase> cases{
      {"motor", {"welcome", "engine"}},
      {"günlüğü", {"engine"}},
      // The end of the title, the joining space and the start of the description.
      {"tanış kendi", {"welcome"}},
      {"YERLESIM", {"welcome"}},
      {"KENDİ html", {"welcome"}},
      {"günlüğü bugün", {"engine"}},
      {"kivo", {"welcome", "principles"}},
      {"ilkeler", {"principles"}},
      // Title and description are not joined without the space.
      {"tanışkendi", {}},
  };
  for (const MatchCase& c : cases) {
    SearchView view(QString::fromUtf8(c.query), *model);
    EXPECT_EQ(ids(view), c.ids) << c.query;
    EXPECT_EQ(view.countLabel()->plainText(),
              QString::number(c.ids.size()) + " sonuç · Yalnızca Kivo'nın yerel sayfaları")
        << c.query;
    EXPECT_EQ(view.hintLabel()->isHidden(), !c.ids.isEmpty()) << c.query;
  }
}

TEST_F(SearchViewTest, ClickingARowOpensItsAddressInTheSameTab) {
  SearchView view(QStringLiteral("günlüğü"), *model);
  view.resize(900, 700);
  view.show();
  const QUuid tab = model->selectedID();
  ASSERT_EQ(view.rows().size(), 1);
  QTest::mouseClick(view.rows().first(), Qt::LeftButton, {}, view.rows().first()->rect().center());
  EXPECT_EQ(model->selectedID(), tab);
  EXPECT_EQ(model->tabs().size(), 1);
  EXPECT_EQ(model->current().address(), "kivo://engine");
}

TEST_F(SearchViewTest, ANewQueryReplacesTheRows) {
  SearchView view(QStringLiteral("motor"), *model);
  view.setQuery(QStringLiteral("zeplin"));
  EXPECT_TRUE(view.rows().isEmpty());
  EXPECT_FALSE(view.hintLabel()->isHidden());
  view.setQuery(QString());
  EXPECT_EQ(view.rows().size(), 3);
  EXPECT_TRUE(view.hintLabel()->isHidden());
  EXPECT_EQ(view.headingLabel()->plainText(), "Yerel sayfalar");
}

TEST_F(SearchViewTest, ColumnIsAtMost800WideAndCentred) {
  SearchView view(QString(), *model);
  view.resize(1400, 700);
  view.show();
  QApplication::processEvents();
  QWidget* column = view.headingLabel()->parentWidget();
  ASSERT_NE(column, nullptr);
  EXPECT_EQ(column->width(), SearchView::kMaximumWidth);
  const QPoint left = column->mapTo(&view, QPoint(0, 0));
  const int right = view.scrollArea()->viewport()->width() - (left.x() + column->width());
  EXPECT_LE(std::abs(left.x() - right), 1);
  // Rows fill the column between its insets and wrap their text in narrow pages.
  EXPECT_EQ(view.rows().first()->width(), SearchView::kMaximumWidth - 2 * 45);
  view.resize(300, 700);
  QApplication::processEvents();
  const SearchResultRow* row = view.rows().first();
  EXPECT_GE(row->height(), row->heightForWidth(row->width()));
  EXPECT_GT(row->heightForWidth(120), row->heightForWidth(700));
}

}  // namespace
