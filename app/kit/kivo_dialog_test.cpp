#include "kit/kivo_dialog.h"

#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include "kit/kit_test_support.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_button.h"
#include "kit/kivo_panel.h"

namespace {

class KivoDialogTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = KitTest::preferences(QStringLiteral("kit-dialog-test"));
    theme = PreferencesTheme::of(preferences);
    window = KitTest::window();
    field = new QLineEdit(window.get());
    field->setGeometry(10, 10, 200, 30);
    field->show();
    field->setFocus();
    QApplication::processEvents();
  }
  void TearDown() override { preferences->storage()->removeAll(); }

  KivoPanel* ask(bool withCancel, bool destructive = false) {
    return KivoDialog::show(window.get(), theme, QStringLiteral("Başlık"), QStringLiteral("İleti"),
                            std::nullopt, QStringLiteral("Tamam"), destructive,
                            withCancel ? std::optional<QString>(QStringLiteral("Vazgeç")) : std::nullopt,
                            [this] { ++actions; });
  }
  static KivoDialogCard* card(KivoPanel* panel) { return qobject_cast<KivoDialogCard*>(panel->content()); }
  // Sends a key to the widget that has the panel's focus, as the keyboard would.
  static void press(KivoPanel* panel, Qt::Key key) {
    QWidget* target = panel->focusWidget() ? panel->focusWidget() : panel;
    QTest::keyClick(target, key);
  }

  std::shared_ptr<BrowserPreferences> preferences;
  std::shared_ptr<KitTheme> theme;
  std::unique_ptr<QWidget> window;
  QLineEdit* field = nullptr;
  int actions = 0;
};

TEST_F(KivoDialogTest, ReturnRightAfterOpeningCancelsWhenThereIsACancelButton) {
  for (bool destructive : {false, true}) {
    QPointer<KivoPanel> panel = ask(true, destructive);
    ASSERT_TRUE(panel);
    EXPECT_TRUE(card(panel)->cancelButton()->hasFocus() || panel->focusWidget() == card(panel)->cancelButton());
    press(panel, Qt::Key_Return);
    EXPECT_FALSE(panel && panel->isVisible());
    EXPECT_EQ(actions, 0);
    QApplication::processEvents();
  }
}

TEST_F(KivoDialogTest, ReturnConfirmsOnceWithoutACancelButton) {
  QPointer<KivoPanel> panel = ask(false);
  ASSERT_TRUE(panel);
  KivoDialogCard* shown = card(panel);
  press(panel, Qt::Key_Return);
  EXPECT_EQ(actions, 1);
  // A second confirmation of the same dialog does nothing.
  QTest::mouseClick(shown->confirmButton(), Qt::LeftButton);
  EXPECT_EQ(actions, 1);
}

TEST_F(KivoDialogTest, TabToConfirmThenReturnConfirms) {
  QPointer<KivoPanel> panel = ask(true);
  ASSERT_TRUE(panel);
  card(panel)->confirmButton()->setFocus();
  press(panel, Qt::Key_Return);
  EXPECT_EQ(actions, 1);
}

TEST_F(KivoDialogTest, EscapeCancelsWhetherTheCardOrThePanelReceivesIt) {
  QPointer<KivoPanel> first = ask(true);
  ASSERT_TRUE(first);
  press(first, Qt::Key_Escape);
  EXPECT_FALSE(first && first->isVisible());
  QApplication::processEvents();
  QPointer<KivoPanel> second = ask(true);
  ASSERT_TRUE(second);
  QTest::keyClick(second.data(), Qt::Key_Escape);
  EXPECT_FALSE(second && second->isVisible());
  EXPECT_EQ(actions, 0);
}

TEST_F(KivoDialogTest, CloseButtonCancels) {
  QPointer<KivoPanel> panel = ask(true);
  ASSERT_TRUE(panel);
  QTest::mouseClick(card(panel)->closeButton(), Qt::LeftButton);
  EXPECT_FALSE(panel && panel->isVisible());
  EXPECT_EQ(actions, 0);
}

TEST_F(KivoDialogTest, OneSheetPerWindowAndNoneWithoutAWindow) {
  QPointer<KivoPanel> first = ask(true);
  ASSERT_TRUE(first);
  EXPECT_EQ(ask(true), nullptr);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(KivoDialog::show(nullptr, theme, QStringLiteral("x"), QStringLiteral("y"), std::nullopt), nullptr);
  EXPECT_EQ(first->windowModality(), Qt::WindowModal);
}

TEST_F(KivoDialogTest, FocusReturnsToTheEarlierResponderBeforeTheActionRuns) {
  QWidget* focusedDuringAction = nullptr;
  QPointer<KivoPanel> panel =
      KivoDialog::show(window.get(), theme, QStringLiteral("t"), QStringLiteral("m"), std::nullopt,
                       QStringLiteral("Tamam"), false, std::nullopt,
                       [&] { focusedDuringAction = window->focusWidget(); });
  ASSERT_TRUE(panel);
  QTest::mouseClick(card(panel)->confirmButton(), Qt::LeftButton);
  EXPECT_EQ(focusedDuringAction, field);
  EXPECT_EQ(window->focusWidget(), field);
}

TEST_F(KivoDialogTest, CardShowsTheGivenTextsAndSymbols) {
  QPointer<KivoPanel> panel =
      KivoDialog::show(window.get(), theme, QStringLiteral("Başlık"), QStringLiteral("İleti"),
                       QStringLiteral("Ayrıntı"), QStringLiteral("Sil"), true, QStringLiteral("Vazgeç"));
  ASSERT_TRUE(panel);
  KivoDialogCard* shown = card(panel);
  EXPECT_EQ(panel->windowTitle(), QStringLiteral("Başlık"));
  EXPECT_EQ(shown->detail(), QStringLiteral("Ayrıntı"));
  EXPECT_EQ(shown->headerSymbol(), QStringLiteral("trash"));
  EXPECT_EQ(shown->confirmButton()->style().destructive, true);
  EXPECT_EQ(shown->closeButton()->accessibleName(), QStringLiteral("Pencereyi kapat"));
  EXPECT_EQ(shown->width(), KivoDialogCard::kWidth);
}

}  // namespace
