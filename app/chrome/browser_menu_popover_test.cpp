#include "chrome/browser_menu_popover.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "model/browser_command.h"
#include "model/command_test_support.h"
#include "kit/kivo_button.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"
#include "kit/preferences_theme.h"
#include "kit/kit_symbols.h"

namespace {

QStringList ids(const QList<BrowserMenuPopover::Entry>& entries) {
  QStringList list;
  for (const auto& entry : entries) list.append(entry.id);
  return list;
}

TEST(BrowserCommandSymbols, EverySymbolOfTheWindowHasADrawing) {
  QStringList names;
  for (BrowserCommand command : BrowserCommands::allCases()) names.append(BrowserCommands::symbol(command));
  // The chrome's, the root view's and the popover menu's own.
  names << "chevron.down" << "lock" << "exclamationmark.triangle" << "globe" << "doc.text" << "house" << "ellipsis"
        << "eye.slash.fill" << "arrow.down.doc" << "square.on.square" << "circle.lefthalf.filled" << "gearshape"
        << "checkmark";
  for (const QString& name : names) EXPECT_TRUE(KitSymbols::exists(name)) << name.toStdString();
}

class BrowserMenuPopoverTest : public testing::Test {
protected:
  std::unique_ptr<BrowserModel> model = CommandTest::model(QStringLiteral("chrome-popover-test"));
  CommandTest::FakeWorkspace workspace;

  // Shows `popover` on its own and gives it the keyboard, once the window
  // system has made it the active window.
  static void show(BrowserMenuPopover& popover) {
    popover.show();
    popover.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&popover, 10000));
    QApplication::processEvents();
  }
};

TEST_F(BrowserMenuPopoverTest, MainMenuListsFourteenCommandsWithTheirStates) {
  BrowserMenuPopover popover(*model, BrowserMenu::Main);
  const auto entries = popover.entries();
  EXPECT_EQ(ids(entries), (QStringList{"newTab", "newWindow", "privateWindow", "detachTab", "reopenTab", "history",
                                       "downloads", "saveDownload", "openFile", "reload", "hardReload", "settings",
                                       "developerTools", "fullScreen"}));
  // One home tab, no workspace and nothing closed.
  QStringList disabled;
  for (const auto& entry : entries) {
    if (!entry.enabled) disabled.append(entry.id);
    EXPECT_FALSE(entry.subtitle.has_value());
    EXPECT_FALSE(entry.selected);
  }
  EXPECT_EQ(disabled, (QStringList{"newWindow", "privateWindow", "detachTab", "reopenTab", "saveDownload"}));
  EXPECT_EQ(entries[0].title, "Yeni sekme");
  EXPECT_EQ(entries[0].shortcut, "Ctrl+T");
  EXPECT_EQ(entries[0].symbol, "plus");
  EXPECT_EQ(popover.highlighted(), 0);
  // The rows are drawn the same way.
  ASSERT_EQ(popover.rowButtons().size(), 14);
  EXPECT_FALSE(popover.rowButtons()[1]->isEnabled());
  EXPECT_TRUE(popover.rowButtons()[0]->isEnabled());
}

TEST_F(BrowserMenuPopoverTest, VisibleDeveloperToolsAreTheFirstHighlight) {
  model->setDevToolsVisible(true);
  BrowserMenuPopover popover(*model, BrowserMenu::Main);
  const auto entries = popover.entries();
  ASSERT_EQ(entries[12].id, "developerTools");
  EXPECT_TRUE(entries[12].selected);
  EXPECT_EQ(popover.highlighted(), 12);
}

TEST_F(BrowserMenuPopoverTest, TabsMenuListsTheTabsAndHighlightsTheSelectedOne) {
  model->openSettings();
  model->newTab();
  model->select(model->tabs()[1].id());
  BrowserMenuPopover popover(*model, BrowserMenu::Tabs);
  const auto entries = popover.entries();
  ASSERT_EQ(entries.size(), 3);
  EXPECT_EQ(entries[1].id, model->tabs()[1].id().toString(QUuid::WithoutBraces));
  EXPECT_EQ(entries[1].subtitle, "kivo://settings");
  EXPECT_EQ(entries[1].symbol, "gearshape");
  EXPECT_EQ(entries[0].symbol, "globe");
  EXPECT_TRUE(entries[1].selected);
  EXPECT_TRUE(entries[0].shortcut.isEmpty());
  EXPECT_EQ(popover.highlighted(), 1);
}

TEST_F(BrowserMenuPopoverTest, ListHeightIsCapped) {
  EXPECT_EQ(BrowserMenuPopover::listHeight(BrowserMenu::Main, 14), 440);
  EXPECT_EQ(BrowserMenuPopover::listHeight(BrowserMenu::Tabs, 7), 408);
  EXPECT_EQ(BrowserMenuPopover::listHeight(BrowserMenu::Tabs, 8), 440);
  EXPECT_EQ(BrowserMenuPopover::listHeight(BrowserMenu::Tabs, 1), 72);
}

TEST_F(BrowserMenuPopoverTest, ArrowsSkipDisabledRowsAndWrap) {
  BrowserMenuPopover popover(*model, BrowserMenu::Main);
  // Rows 1 to 4 are disabled: Down from "Yeni sekme" lands on "Geçmiş".
  popover.move(+1);
  EXPECT_EQ(popover.highlighted(), 5);
  popover.move(-1);
  EXPECT_EQ(popover.highlighted(), 0);
  popover.move(-1);
  EXPECT_EQ(popover.highlighted(), 13);
  popover.move(+1);
  EXPECT_EQ(popover.highlighted(), 0);
  // Hovering a disabled row leaves the highlight; an enabled one takes it.
  popover.hover(3);
  EXPECT_EQ(popover.highlighted(), 0);
  popover.hover(9);
  EXPECT_EQ(popover.highlighted(), 9);
}

TEST_F(BrowserMenuPopoverTest, KeysMoveRunAndClose) {
  model->newTab();
  model->select(model->tabs()[0].id());
  model->setOpenMenu(BrowserMenu::Tabs);
  {
    BrowserMenuPopover popover(*model, BrowserMenu::Tabs);
    show(popover);
    ASSERT_TRUE(popover.hasFocus());
    QTest::keyClick(&popover, Qt::Key_Left);
    QTest::keyClick(&popover, Qt::Key_Right);
    EXPECT_EQ(popover.highlighted(), 0);
    QTest::keyClick(&popover, Qt::Key_Down);
    QTest::keyClick(&popover, Qt::Key_Return);
    EXPECT_EQ(model->selectedIndex(), 1);
    EXPECT_EQ(model->openMenu(), std::nullopt);
  }
  model->setOpenMenu(BrowserMenu::Tabs);
  {
    BrowserMenuPopover popover(*model, BrowserMenu::Tabs);
    show(popover);
    QTest::keyClick(&popover, Qt::Key_Up);
    QTest::keyClick(&popover, Qt::Key_Escape);
    EXPECT_EQ(model->openMenu(), std::nullopt);
    EXPECT_EQ(model->selectedIndex(), 1);
  }
  model->setOpenMenu(BrowserMenu::Main);
  {
    BrowserMenuPopover popover(*model, BrowserMenu::Main);
    show(popover);
    QTest::keyClick(&popover, Qt::Key_Space);
    EXPECT_EQ(model->tabs().size(), 3);
    EXPECT_EQ(model->openMenu(), std::nullopt);
  }
}

TEST_F(BrowserMenuPopoverTest, InsideAPopupTheMenuTakesTheKeyboard) {
  model->newTab();
  model->select(model->tabs()[0].id());
  QWidget window;
  window.setGeometry(100, 100, 800, 600);
  auto* anchor = new QWidget(&window);
  anchor->setGeometry(700, 10, 30, 30);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 10000));
  KivoPopup popup(anchor, [this] { return new BrowserMenuPopover(*model, BrowserMenu::Tabs); },
                  PreferencesTheme::of(model->preferences()));
  model->setOpenMenu(BrowserMenu::Tabs);
  popup.setPresented(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return popup.panel() && popup.panel()->isActiveWindow(); }));
  QWindow* panel = popup.panel()->windowHandle();
  QTest::keyClick(panel, Qt::Key_Down);
  QTest::keyClick(panel, Qt::Key_Return);
  EXPECT_EQ(model->selectedIndex(), 1);
  EXPECT_EQ(model->openMenu(), std::nullopt);
  popup.setPresented(false);
  QApplication::processEvents();
}

TEST_F(BrowserMenuPopoverTest, ClicksRunEnabledRowsOnly) {
  model->setWorkspace(&workspace);
  model->setOpenMenu(BrowserMenu::Main);
  BrowserMenuPopover popover(*model, BrowserMenu::Main);
  show(popover);
  const QList<KivoButton*> rows = popover.rowButtons();
  // "Sekmeyi yeni pencereye taşı" needs a second tab.
  QTest::mouseClick(rows[3], Qt::LeftButton);
  EXPECT_EQ(model->openMenu(), BrowserMenu::Main);
  EXPECT_TRUE(workspace.detached.isEmpty());
  QTest::mouseClick(rows[1], Qt::LeftButton);
  EXPECT_EQ(model->openMenu(), std::nullopt);
  EXPECT_EQ(workspace.newWindows, (QList<bool>{false}));
  model->setWorkspace(nullptr);
}

TEST_F(BrowserMenuPopoverTest, RowsFollowTheModelAndAStaleHighlightRunsNothing) {
  model->newTab();
  model->newTab();
  BrowserMenuPopover popover(*model, BrowserMenu::Tabs);
  EXPECT_EQ(popover.highlighted(), 2);
  model->close(model->tabs()[2].id());
  model->close(model->tabs()[1].id());
  EXPECT_EQ(popover.rowButtons().size(), 1);
  EXPECT_EQ(popover.entries().size(), 1);
  model->setOpenMenu(BrowserMenu::Tabs);
  popover.activate();
  EXPECT_EQ(model->openMenu(), BrowserMenu::Tabs);
  // A new tab shows as a new row.
  model->newTab();
  EXPECT_EQ(popover.rowButtons().size(), 2);
  QApplication::processEvents();
}

TEST_F(BrowserMenuPopoverTest, MovingPastTheVisibleRowsScrolls) {
  BrowserMenuPopover popover(*model, BrowserMenu::Main);
  show(popover);
  QScrollArea* list = popover.list();
  QScrollBar* bar = list->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), 0);
  const auto shown = [&](int index) {
    const QRect row = popover.rowButtons()[index]->geometry();
    return row.top() >= bar->value() && row.bottom() < bar->value() + list->viewport()->height();
  };
  ASSERT_FALSE(shown(13));
  popover.move(-1);  // wraps to the last row, below the visible ones
  EXPECT_TRUE(shown(13));
  EXPECT_GT(bar->value(), 0);
  popover.move(+1);
  EXPECT_TRUE(shown(0));
}

}  // namespace
