#include "kit/kivo_select.h"

#include <QTest>
#include <gtest/gtest.h>

#include "kit/kit_test_support.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"

namespace {

class KivoSelectTest : public testing::Test {
protected:
  void SetUp() override {
    Motion::setReduceMotionOverride(true);
    preferences = KitTest::preferences(QStringLiteral("kit-select-test"));
    window = KitTest::window();
    select = new KivoSelect(QStringLiteral("Geçmiş dönemi"),
                            {{0, QStringLiteral("Tüm zamanlar")}, {1, QStringLiteral("Son 1 saat")},
                             {24, QStringLiteral("Son 24 saat")}, {168, QStringLiteral("Son 7 gün")}},
                            0, PreferencesTheme::of(preferences), window.get());
    select->move(400, 100);
    select->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    Motion::setReduceMotionOverride(std::nullopt);
    preferences->storage()->removeAll();
  }
  KivoSelectOptions* openList() {
    // A list closed just before gives the activation back to the window
    // some loop turns later on a real display; a list opened before that
    // would lose it again.
    EXPECT_TRUE(KitTest::waitUntilActive(window.get()));
    QTest::mouseClick(select, Qt::LeftButton);
    QApplication::processEvents();
    KivoPanel* panel = select->popup()->panel();
    if (panel) {
      EXPECT_TRUE(KitTest::waitUntilActive(panel));
    }
    panel = select->popup()->panel();
    return panel ? panel->findChild<KivoSelectOptions*>() : nullptr;
  }
  void key(KivoSelectOptions* list, Qt::Key which) {
    QTest::keyClick(list, which);
    QApplication::processEvents();
  }

  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<QWidget> window;
  KivoSelect* select = nullptr;
};

TEST_F(KivoSelectTest, DownTwiceAndReturnPicksTheThirdOptionAndCloses) {
  KivoSelectOptions* list = openList();
  ASSERT_TRUE(list);
  EXPECT_TRUE(select->isOpen());
  EXPECT_TRUE(list->hasFocus() || list->window()->focusWidget() == list);
  EXPECT_EQ(list->highlighted(), 0);
  key(list, Qt::Key_Down);
  key(list, Qt::Key_Down);
  key(list, Qt::Key_Return);
  EXPECT_EQ(select->selection(), 24);
  EXPECT_EQ(select->currentLabel(), QStringLiteral("Son 24 saat"));
  EXPECT_FALSE(select->isOpen());
  EXPECT_FALSE(select->popup()->isOpen());
}

TEST_F(KivoSelectTest, HighlightWrapsBothWaysAndStartsAtTheSelection) {
  select->setSelection(168);
  KivoSelectOptions* list = openList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->highlighted(), 3);
  key(list, Qt::Key_Down);
  EXPECT_EQ(list->highlighted(), 0);
  key(list, Qt::Key_Up);
  EXPECT_EQ(list->highlighted(), 3);
  key(list, Qt::Key_Left);
  EXPECT_EQ(list->highlighted(), 3);
}

TEST_F(KivoSelectTest, SpacePicksAndEscapeClosesWithoutChanging) {
  KivoSelectOptions* list = openList();
  ASSERT_TRUE(list);
  key(list, Qt::Key_Up);
  key(list, Qt::Key_Space);
  EXPECT_EQ(select->selection(), 168);
  list = openList();
  ASSERT_TRUE(list);
  key(list, Qt::Key_Down);
  key(list, Qt::Key_Escape);
  EXPECT_EQ(select->selection(), 168);
  EXPECT_FALSE(select->isOpen());
}

TEST_F(KivoSelectTest, ClickingARowPicksItAndTheButtonWhileOpenCloses) {
  KivoSelectOptions* list = openList();
  ASSERT_TRUE(list);
  EXPECT_EQ(list->width(), KivoSelectOptions::kWidth);
  QTest::mouseClick(list->rows()[1], Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(select->selection(), 1);
  EXPECT_FALSE(select->isOpen());
  ASSERT_TRUE(openList());
  QTest::mouseClick(select, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_FALSE(select->isOpen());
  EXPECT_FALSE(select->popup()->isOpen());
}

TEST_F(KivoSelectTest, HoverThenReturnPicksTheHoveredRow) {
  KivoSelectOptions* list = openList();
  ASSERT_TRUE(list);
  QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
  QApplication::sendEvent(list->rows()[2], &enter);
  EXPECT_EQ(list->highlighted(), 2);
  key(list, Qt::Key_Return);
  EXPECT_EQ(select->selection(), 24);
}

TEST_F(KivoSelectTest, UnmatchedSelectionShowsTheTitleAndDuplicatesUseTheFirst) {
  select->setSelection(5);
  EXPECT_EQ(select->currentLabel(), QStringLiteral("Geçmiş dönemi"));
  EXPECT_EQ(select->accessibleValue(), QString());
  select->setOptions({{7, QStringLiteral("ilk")}, {7, QStringLiteral("ikinci")}});
  select->setSelection(7);
  EXPECT_EQ(select->currentLabel(), QStringLiteral("ilk"));
  EXPECT_EQ(select->accessibleName(), QStringLiteral("Geçmiş dönemi"));
}

// An empty list used to reach the keyboard's modulo and divide by zero on the
// first Up or Down; it is refused where it is given instead.
TEST(KivoSelectDeathTest, AnEmptyOptionListIsRefusedWhereItIsSet) {
  // The child process starts afresh: forking a process with Qt's threads
  // running is not safe.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto preferences = KitTest::preferences(QStringLiteral("kit-select-empty-test"));
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  EXPECT_DEATH(KivoSelect(QStringLiteral("Dönem"), {}, 0, theme), "isEmpty");
  KivoSelect select(QStringLiteral("Dönem"), {{1, QStringLiteral("Bir")}}, 1, theme);
  EXPECT_DEATH(select.setOptions({}), "isEmpty");
  EXPECT_DEATH(KivoSelectOptions({}, 0, [](qint64) {}, [] {}, theme), "isEmpty");
  EXPECT_EQ(select.options().size(), 1);
  preferences->storage()->removeAll();
}

}  // namespace
