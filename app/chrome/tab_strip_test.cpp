#include "chrome/tab_strip.h"

#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "pages/pages_test_support.h"

namespace {

class BrowserTabStripTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = PagesTest::preferences(QStringLiteral("chrome-strip-test"));
    model = PagesTest::model(preferences);
    strip = std::make_unique<BrowserTabStrip>(*model);
    strip->resize(600, 38);
    strip->show();
  }
  QList<QUuid> cellIDs() const {
    QList<QUuid> ids;
    for (BrowserTabCell* cell : strip->cells()) ids.append(cell->id());
    return ids;
  }
  QList<QUuid> tabIDs() const {
    QList<QUuid> ids;
    for (const BrowserTab& tab : model->tabs()) ids.append(tab.id());
    return ids;
  }
  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
  std::unique_ptr<BrowserTabStrip> strip;
};

TEST_F(BrowserTabStripTest, CellsShareTheWidthUpToTheirMaximum) {
  EXPECT_DOUBLE_EQ(BrowserTabStrip::cellWidth(1000, 1), 194);
  EXPECT_DOUBLE_EQ(BrowserTabStrip::cellWidth(594, 3), 194);
  EXPECT_DOUBLE_EQ(BrowserTabStrip::cellWidth(180, 2), 88);
  EXPECT_DOUBLE_EQ(BrowserTabStrip::cellWidth(180, 0), 0);

  model->newTab();
  model->newTab();
  strip->resize(594, 38);
  const QList<BrowserTabCell*> cells = strip->cells();
  ASSERT_EQ(cells.size(), 3);
  EXPECT_EQ(cells.at(0)->geometry(), QRect(0, 6, 194, 32));
  EXPECT_EQ(cells.at(1)->geometry(), QRect(198, 6, 194, 32));
  EXPECT_EQ(cells.at(2)->geometry(), QRect(396, 6, 194, 32));
  strip->resize(180, 38);
  EXPECT_EQ(strip->cells().at(2)->geometry(), QRect(123, 6, 57, 32));
}

TEST_F(BrowserTabStripTest, CellsFollowTheModelsTabsAndSelection) {
  model->newTab();
  model->navigate(QStringLiteral("kivo://settings"));
  model->newTab();
  EXPECT_EQ(cellIDs(), tabIDs());
  const QList<BrowserTabCell*> cells = strip->cells();
  EXPECT_EQ(cells.at(1)->title(), model->tabs().at(1).title);
  EXPECT_EQ(cells.at(1)->accessibleName(), model->tabs().at(1).title);
  for (BrowserTabCell* cell : cells) {
    const bool selected = cell->id() == model->selectedID();
    EXPECT_EQ(cell->isSelected(), selected);
    EXPECT_EQ(cell->accessibleDescription(), selected ? QStringLiteral("Seçili sekme") : QStringLiteral("Sekme"));
    // The cross shows on the selected tab (and under the pointer).
    EXPECT_EQ(cell->closeButton()->isVisibleTo(cell), selected);
  }

  // A press on a cell selects its tab.
  QTest::mousePress(cells.at(0), Qt::LeftButton, Qt::NoModifier, QPoint(60, 16));
  EXPECT_EQ(model->selectedID(), cells.at(0)->id());
  EXPECT_TRUE(cells.at(0)->isSelected());
  EXPECT_FALSE(cells.at(2)->isSelected());

  // A reorder keeps the cells and follows the order.
  model->moveTab(model->tabs().at(2).id(), 0);
  EXPECT_EQ(cellIDs(), tabIDs());
  EXPECT_EQ(strip->cells().at(0), cells.at(2));
  EXPECT_EQ(strip->cells().at(0)->x(), 0);
}

TEST_F(BrowserTabStripTest, CloseButtonClosesItsTabAndTheCellGoesLater) {
  model->newTab();
  model->newTab();
  const QUuid closing = model->tabs().at(1).id();
  QPointer<BrowserTabCell> cell = strip->cell(closing);
  ASSERT_TRUE(cell);
  // The click is still on the stack when the model drops the tab.
  cell->closeButton()->click();
  EXPECT_EQ(model->tabs().size(), 2);
  EXPECT_FALSE(tabIDs().contains(closing));
  EXPECT_EQ(cellIDs(), tabIDs());
  ASSERT_TRUE(cell);
  EXPECT_TRUE(cell->isHidden());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(cell);

  // Another tab's cell is left alone.
  EXPECT_EQ(strip->cells().size(), 2);
  EXPECT_EQ(strip->cells().at(1)->x(), 198);
}

}  // namespace
