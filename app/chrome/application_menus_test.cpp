#include "chrome/application_menus.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

#include "model/command_test_support.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_panel.h"

namespace {

class FakeTarget : public MenuTarget {
public:
  BrowserModel* activeModel() const override { return active; }
  void openNewWindow(bool privateMode) override { newWindows.append(privateMode); }
  QWidget* aboutDialogParent() const override { return dialogParent; }
  void hideApplication() override { ++hides; }
  void quitApplication() override { ++quits; }

  BrowserModel* active = nullptr;
  QWidget* dialogParent = nullptr;
  QList<bool> newWindows;
  int hides = 0;
  int quits = 0;
};

// The titles of a menu's items, a rule written as "—".
QStringList titles(const QMenu* menu) {
  QStringList list;
  for (const QAction* item : menu->actions()) list.append(item->isSeparator() ? QStringLiteral("—") : item->text());
  return list;
}

class ApplicationMenusTest : public testing::Test {
protected:
  void SetUp() override {
    window = std::make_unique<QWidget>();
    window->setGeometry(100, 100, 800, 600);
    model = CommandTest::model(QStringLiteral("chrome-menus-test"));
  }

  // Shows the window and waits until it is the active one, as shortcuts
  // fire only there.
  void showActive() {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), 10000));
  }

  FakeTarget target;
  std::unique_ptr<QWidget> window;
  std::unique_ptr<BrowserModel> model;
};

// The window of the revealed-bar tests: a field that has the keyboard, in
// an active window whose bar is hidden.
class RevealedMenuBarTest : public ApplicationMenusTest {
public:
  void SetUp() override {
    ApplicationMenusTest::SetUp();
    target.active = model.get();
    target.dialogParent = window.get();
    menus = std::make_unique<ApplicationMenus>(target, window.get(), model.get());
    field = new QLineEdit(window.get());
    field->setGeometry(20, 200, 300, 30);
    showActive();
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return field->hasFocus(); }));
  }
  void TearDown() override {
    menus.reset();
    QCoreApplication::processEvents();
  }

  QWindow* handle() { return window->windowHandle(); }
  void alt() {
    QTest::keyPress(handle(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(handle(), Qt::Key_Alt);
  }
  // Waits until the bar has left the window (it does after the bar's own
  // handling of the key or press has run).
  bool concealed() {
    return QTest::qWaitFor([this] { return !menus->isMenuBarRevealed() && !menus->menuBar()->isVisible(); });
  }
  QAction* title(int index) { return menus->menus()[index]->menuAction(); }

  std::unique_ptr<ApplicationMenus> menus;
  QLineEdit* field = nullptr;
};

TEST_F(ApplicationMenusTest, BuildsTheFourMenusInOrder) {
  ApplicationMenus menus(target, window.get(), model.get());
  QStringList bar;
  for (const QAction* item : menus.menuBar()->actions()) bar.append(item->text());
  EXPECT_EQ(bar, (QStringList{"Kivo", "Dosya", "Düzen", "Gezinme"}));
  const QList<QMenu*> list = menus.menus();
  ASSERT_EQ(list.size(), 4);
  EXPECT_EQ(titles(list[0]), (QStringList{"Kivo Hakkında", "Ayarlar", "—", "Kivo'yı Gizle", "Kivo'dan Çık"}));
  EXPECT_EQ(titles(list[1]), (QStringList{"Yeni pencere", "Yeni gizli pencere", "Yeni sekme",
                                          "Sekmeyi yeni pencereye taşı", "Sekmeyi kapat", "Kapatılan sekmeyi aç",
                                          "Yerel dosya aç…", "Bağlantıyı dosya olarak indir…"}));
  EXPECT_EQ(titles(list[2]), (QStringList{"Geri Al", "—", "Kes", "Kopyala", "Yapıştır", "Tümünü Seç"}));
  EXPECT_EQ(titles(list[3]),
            (QStringList{"Adres çubuğuna git", "Geri", "İleri", "Yenile", "Önbelleği temizle ve yenile", "—", "Geçmiş",
                         "İndirmeler", "Önceki sekme", "Sonraki sekme", "Geliştirici araçları",
                         "Tam ekranı aç / kapat", "Sekmeye git"}));
  EXPECT_EQ(list[3]->actions().last()->menu(), menus.tabsMenu());
  EXPECT_EQ(menus.tabsMenu()->objectName(), "Sekmeler");
  EXPECT_EQ(titles(menus.tabsMenu()), (QStringList{"1. sekme", "2. sekme", "3. sekme", "4. sekme", "5. sekme",
                                                   "6. sekme", "7. sekme", "8. sekme", "Son sekme"}));
  // Command items carry the command's case name.
  EXPECT_EQ(menus.commandItem(BrowserCommand::Settings)->data().toString(), "settings");
  EXPECT_EQ(menus.commandItem(BrowserCommand::Settings)->parent(), list[0]);
}

TEST_F(ApplicationMenusTest, ShortcutsAreDistinctAndLiveOnTheWindowToo) {
  ApplicationMenus menus(target, window.get(), model.get());
  EXPECT_EQ(menus.commandItem(BrowserCommand::NewTab)->shortcut().toString(QKeySequence::NativeText), "Ctrl+T");
  EXPECT_EQ(menus.commandItem(BrowserCommand::ReopenTab)->shortcut().toString(QKeySequence::NativeText),
            "Ctrl+Shift+T");
  EXPECT_TRUE(menus.commandItem(BrowserCommand::DetachTab)->shortcuts().isEmpty());
  EXPECT_EQ(menus.numberedTabItems().last()->shortcut(), QKeySequence(Qt::ControlModifier | Qt::Key_9));

  QSet<QString> seen;
  qsizetype count = 0;
  const QList<QAction*> own = window->actions();
  for (QAction* item : menus.items()) {
    EXPECT_TRUE(own.contains(item)) << item->text().toStdString();
    for (const QKeySequence& sequence : item->shortcuts()) {
      seen.insert(sequence.toString(QKeySequence::PortableText));
      ++count;
    }
  }
  EXPECT_EQ(seen.size(), count);
  // Hiding has no shortcut here.
  for (QAction* item : menus.items()) {
    if (menus.itemAction(item) == ApplicationMenus::ItemAction::Hide) {
      EXPECT_TRUE(item->shortcuts().isEmpty());
    }
  }
}

TEST_F(ApplicationMenusTest, TheBarIsHiddenWithoutAGlobalMenu) {
  ApplicationMenus menus(target, window.get(), model.get());
  window->show();
  // The offscreen platform has no global menu.
  EXPECT_FALSE(menus.menuBar()->isNativeMenuBar());
  EXPECT_FALSE(menus.menuBar()->isVisible());
}

TEST_F(ApplicationMenusTest, RemovingTheMenusTakesTheirShortcutsAway) {
  target.active = model.get();
  auto menus = std::make_unique<ApplicationMenus>(target, window.get(), model.get());
  QPointer<QMenuBar> bar = menus->menuBar();
  ASSERT_FALSE(window->actions().isEmpty());
  menus.reset();
  EXPECT_FALSE(bar);
  EXPECT_TRUE(window->actions().isEmpty());
}

TEST_F(ApplicationMenusTest, NewWindowsNeedNoActiveWindow) {
  ApplicationMenus menus(target, nullptr, nullptr);
  ASSERT_EQ(target.activeModel(), nullptr);
  for (BrowserCommand command : {BrowserCommand::NewWindow, BrowserCommand::PrivateWindow}) {
    EXPECT_TRUE(menus.validateMenuItem(menus.commandItem(command)));
    EXPECT_TRUE(menus.commandItem(command)->isEnabled());
    menus.executeCommand(menus.commandItem(command));
  }
  EXPECT_EQ(target.newWindows, (QList<bool>{false, true}));
  // Every other command waits for a window.
  EXPECT_FALSE(menus.validateMenuItem(menus.commandItem(BrowserCommand::NewTab)));
  EXPECT_FALSE(menus.validateMenuItem(menus.numberedTabItems().last()));
  menus.executeCommand(menus.commandItem(BrowserCommand::NewTab));
  menus.selectNumberedTab(menus.numberedTabItems().first());
  menus.about();
  EXPECT_EQ(target.newWindows.size(), 2);
}

TEST_F(ApplicationMenusTest, CommandsRunOnTheActiveModel) {
  ApplicationMenus menus(target, window.get(), model.get());
  auto other = CommandTest::model(QStringLiteral("chrome-menus-other"));
  target.active = other.get();
  menus.executeCommand(menus.commandItem(BrowserCommand::NewTab));
  EXPECT_EQ(other->tabs().size(), 2);
  EXPECT_EQ(model->tabs().size(), 1);

  // An item whose data names no command does nothing.
  QAction stray(QStringLiteral("Yenile"));
  stray.setData(QStringLiteral("Yenile"));
  menus.executeCommand(&stray);
  EXPECT_EQ(other->tabs().size(), 2);
  EXPECT_TRUE(menus.validateMenuItem(&stray));
}

TEST_F(ApplicationMenusTest, NumberedTabsFollowTheTabCount) {
  model->newTab();
  model->newTab();
  target.active = model.get();
  ApplicationMenus menus(target, window.get(), model.get());
  const QList<QAction*>& items = menus.numberedTabItems();
  ASSERT_EQ(items.size(), 9);
  for (int tag = 1; tag <= 9; ++tag) {
    const bool expected = tag <= 3 || tag == 9;
    EXPECT_EQ(menus.validateMenuItem(items[tag - 1]), expected) << tag;
    EXPECT_EQ(items[tag - 1]->isEnabled(), expected) << tag;
  }
  menus.selectNumberedTab(items[0]);
  EXPECT_EQ(model->selectedIndex(), 0);
  menus.selectNumberedTab(items[8]);
  EXPECT_EQ(model->selectedIndex(), 2);
  menus.selectNumberedTab(items[4]);
  EXPECT_EQ(model->selectedIndex(), 2);
  // Closing a tab disables its item at once.
  model->close(model->selectedID());
  EXPECT_FALSE(items[2]->isEnabled());
  EXPECT_TRUE(items[1]->isEnabled());
}

TEST_F(ApplicationMenusTest, EnabledStatesFollowTheWindowsModel) {
  target.active = model.get();
  ApplicationMenus menus(target, window.get(), model.get());
  QAction* back = menus.commandItem(BrowserCommand::Back);
  QAction* reopen = menus.commandItem(BrowserCommand::ReopenTab);
  QAction* next = menus.commandItem(BrowserCommand::NextTab);
  EXPECT_FALSE(back->isEnabled());
  EXPECT_FALSE(reopen->isEnabled());
  EXPECT_FALSE(next->isEnabled());
  EXPECT_TRUE(menus.commandItem(BrowserCommand::NewWindow)->isEnabled());

  model->navigate(QStringLiteral("kivo://history"));
  EXPECT_TRUE(back->isEnabled());
  model->newTab();
  EXPECT_TRUE(next->isEnabled());
  EXPECT_FALSE(back->isEnabled());
  model->close(model->selectedID());
  EXPECT_TRUE(reopen->isEnabled());
  EXPECT_TRUE(back->isEnabled());
}

TEST_F(ApplicationMenusTest, ShortcutsFireInTheActiveWindow) {
  target.active = model.get();
  ApplicationMenus menus(target, window.get(), model.get());
  showActive();
  QWindow* handle = window->windowHandle();
  QTest::keyClick(handle, Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(model->tabs().size(), 2);
  QTest::keyClick(handle, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(model->selectedIndex(), 0);
  QTest::keyClick(handle, Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(model->selectedIndex(), 1);
  QTest::keyClick(handle, Qt::Key_W, Qt::ControlModifier);
  EXPECT_EQ(model->tabs().size(), 1);
  QTest::keyClick(handle, Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(model->tabs().size(), 2);
  QTest::keyClick(handle, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(target.quits, 1);
}

TEST_F(ApplicationMenusTest, AFocusedFieldKeepsItsEditingKeys) {
  target.active = model.get();
  ApplicationMenus menus(target, window.get(), model.get());
  auto* field = new QLineEdit(QStringLiteral("kivo://home"), window.get());
  showActive();
  field->setFocus();
  field->deselect();
  QAction* selectAll = menus.items()[0];
  for (QAction* item : menus.items()) {
    if (menus.itemAction(item) == ApplicationMenus::ItemAction::SelectAll) selectAll = item;
  }
  QSignalSpy fired(selectAll, &QAction::triggered);
  QWindow* handle = window->windowHandle();
  QTest::keyClick(handle, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(field->selectedText(), "kivo://home");
  EXPECT_EQ(fired.count(), 0);
  // Typing replaces the selection; command keys still reach the menus.
  QTest::keyClick(handle, 'a');
  QTest::keyClick(handle, 'b');
  EXPECT_EQ(field->text(), "ab");
  QTest::keyClick(handle, Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(model->tabs().size(), 2);
}

TEST_F(ApplicationMenusTest, EditItemsActOnTheFieldFocusedWhenTheMenuOpened) {
  ApplicationMenus menus(target, window.get(), model.get());
  auto* field = new QLineEdit(QStringLiteral("kopya"), window.get());
  auto* button = new QPushButton(QStringLiteral("x"), window.get());
  button->move(0, 100);
  showActive();
  field->setFocus();
  QMenu* edit = menus.menus()[2];
  Q_EMIT edit->aboutToShow();
  // The open menu may take the focus; the items still act on the field.
  button->setFocus();
  Q_EMIT edit->aboutToHide();
  QAction* selectAll = edit->actions().last();
  ASSERT_EQ(menus.itemAction(selectAll), ApplicationMenus::ItemAction::SelectAll);
  selectAll->trigger();
  EXPECT_EQ(field->selectedText(), "kopya");
  // Once the choice has run, the items act on the focus of the moment.
  QCoreApplication::processEvents();
  field->deselect();
  selectAll->trigger();
  EXPECT_TRUE(field->selectedText().isEmpty());
}

TEST_F(ApplicationMenusTest, HideAndQuitGoToTheTarget) {
  ApplicationMenus menus(target, window.get(), model.get());
  for (QAction* item : menus.menus()[0]->actions()) {
    if (!item->isSeparator()) item->trigger();
  }
  EXPECT_EQ(target.hides, 1);
  EXPECT_EQ(target.quits, 1);
}

TEST_F(ApplicationMenusTest, AboutShowsTheVersionOnceOnTheActiveWindow) {
  QCoreApplication::setApplicationVersion(QStringLiteral("0.4"));
  target.active = model.get();
  target.dialogParent = window.get();
  ApplicationMenus menus(target, window.get(), model.get());
  showActive();
  menus.about();
  QPointer<KivoPanel> sheet = KivoPanel::attachedSheet(window.get());
  ASSERT_TRUE(sheet);
  auto* card = qobject_cast<KivoDialogCard*>(sheet->content());
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(card->title(), "Kivo 0.4");
  EXPECT_EQ(card->message(), ApplicationMenus::kAboutMessage);
  EXPECT_EQ(card->detail(), ApplicationMenus::kAboutDetail);
  EXPECT_EQ(card->cancelButton(), nullptr);
  // A second request while the sheet shows changes nothing.
  menus.about();
  EXPECT_EQ(KivoPanel::attachedSheet(window.get()), sheet.data());
  card->confirmButton()->click();
  QCoreApplication::processEvents();
  QCoreApplication::setApplicationVersion(QString());
}

TEST_F(RevealedMenuBarTest, OnlyALoneAltOrF10ShowsTheBar) {
  struct Case {
    const char* name;
    std::function<void(RevealedMenuBarTest&)> input;
    bool reveals;
  };
  const std::vector<Case> cases = {
      {"lone Alt", [](RevealedMenuBarTest& t) { t.alt(); }, true},
      {"F10", [](RevealedMenuBarTest& t) { QTest::keyClick(t.handle(), Qt::Key_F10); }, true},
      {"Alt with a key between",
       [](RevealedMenuBarTest& t) {
         QTest::keyPress(t.handle(), Qt::Key_Alt, Qt::AltModifier);
         QTest::keyClick(t.handle(), Qt::Key_Left, Qt::AltModifier);
         QTest::keyRelease(t.handle(), Qt::Key_Alt);
       },
       false},
      {"Alt with Control held",
       [](RevealedMenuBarTest& t) {
         QTest::keyPress(t.handle(), Qt::Key_Control, Qt::ControlModifier);
         QTest::keyPress(t.handle(), Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
         QTest::keyRelease(t.handle(), Qt::Key_Alt, Qt::ControlModifier);
         QTest::keyRelease(t.handle(), Qt::Key_Control);
       },
       false},
      {"Alt with a click between",
       [](RevealedMenuBarTest& t) {
         QTest::keyPress(t.handle(), Qt::Key_Alt, Qt::AltModifier);
         QTest::mouseClick(t.handle(), Qt::LeftButton, Qt::AltModifier, t.field->geometry().center());
         QTest::keyRelease(t.handle(), Qt::Key_Alt);
       },
       false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    test.input(*this);
    EXPECT_EQ(menus->isMenuBarRevealed(), test.reveals);
    EXPECT_EQ(menus->menuBar()->isVisible(), test.reveals);
    if (test.reveals) {
      // The first title is active for the keyboard, and no menu is open.
      EXPECT_EQ(menus->menuBar()->activeAction(), title(0));
      EXPECT_EQ(QApplication::focusWidget(), menus->menuBar());
      EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
      QTest::keyClick(handle(), Qt::Key_Escape);
      EXPECT_TRUE(concealed());
    }
    EXPECT_TRUE(field->hasFocus());
  }
}

TEST_F(RevealedMenuBarTest, EscapeASecondAltOrAPressElsewhereHidesIt) {
  const std::vector<std::pair<const char*, std::function<void(RevealedMenuBarTest&)>>> cases = {
      {"Escape", [](RevealedMenuBarTest& t) { QTest::keyClick(t.handle(), Qt::Key_Escape); }},
      {"second Alt", [](RevealedMenuBarTest& t) { t.alt(); }},
      {"F10 again", [](RevealedMenuBarTest& t) { QTest::keyClick(t.handle(), Qt::Key_F10); }},
      {"press elsewhere",
       [](RevealedMenuBarTest& t) { QTest::mouseClick(t.handle(), Qt::LeftButton, {}, QPoint(400, 400)); }},
  };
  for (const auto& [name, input] : cases) {
    SCOPED_TRACE(name);
    alt();
    ASSERT_TRUE(menus->isMenuBarRevealed());
    input(*this);
    EXPECT_TRUE(concealed());
    // The keyboard is back where it was, not on the next widget along.
    EXPECT_TRUE(field->hasFocus());
  }
}

TEST_F(RevealedMenuBarTest, TheKeysMoveOpenAndChooseAboutIncluded) {
  QCoreApplication::setApplicationVersion(QStringLiteral("0.4"));
  alt();
  QTest::keyClick(handle(), Qt::Key_Right);
  EXPECT_EQ(menus->menuBar()->activeAction(), title(1));
  QTest::keyClick(handle(), Qt::Key_Left);
  EXPECT_EQ(menus->menuBar()->activeAction(), title(0));
  // Escape in an open menu closes it and keeps the bar on its title.
  QTest::keyClick(handle(), Qt::Key_Down);
  ASSERT_TRUE(QTest::qWaitFor([this] { return menus->menus()[0]->isVisible(); }));
  QTest::keyClick(handle(), Qt::Key_Escape);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !menus->menus()[0]->isVisible(); }));
  QCoreApplication::processEvents();
  EXPECT_TRUE(menus->isMenuBarRevealed());
  EXPECT_EQ(menus->menuBar()->activeAction(), title(0));
  // Return opens the menu on its first item, "Kivo Hakkında"; Return chooses.
  QTest::keyClick(handle(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([this] { return menus->menus()[0]->isVisible(); }));
  EXPECT_EQ(menus->menus()[0]->activeAction()->text(), "Kivo Hakkında");
  QTest::keyClick(menus->menus()[0]->windowHandle(), Qt::Key_Return);
  EXPECT_TRUE(concealed());
  QPointer<KivoPanel> sheet = KivoPanel::attachedSheet(window.get());
  ASSERT_TRUE(sheet);
  auto* card = qobject_cast<KivoDialogCard*>(sheet->content());
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(card->title(), "Kivo 0.4");
  card->confirmButton()->click();
  QCoreApplication::processEvents();
  QCoreApplication::setApplicationVersion(QString());
}

}  // namespace

