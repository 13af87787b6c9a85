#include "kit/kivo_dialog.h"

#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "kit/kit_test_support.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_button.h"
#include "kit/kivo_panel.h"
#include "model/browser_model.h"
#include "profile/browsing_profile.h"
#include "profile/history_store.h"
#include "profile/profile_values.h"

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

// The window layer of a model, as the chrome gives it.
class FakeWindow : public WindowServices {
public:
  explicit FakeWindow(QWidget* widget) : m_widget(widget) {}
  void performClose() override {}
  QWidget* dialogParent() override { return m_widget; }

private:
  QWidget* m_widget;
};

class ClearHistoryTest : public KivoDialogTest {
protected:
  void SetUp() override {
    KivoDialogTest::SetUp();
    ASSERT_TRUE(folder.isValid());
    double now = ProfileValues::now();
    QList<HistoryEntry> entries = {
        {QUuid::createUuid(), QStringLiteral("https://recent.example/"), QStringLiteral("Yeni"), now - 3600},
        {QUuid::createUuid(), QStringLiteral("https://old.example/"), QStringLiteral("Eski"), now - 3 * 86400},
    };
    QFile file(folder.path() + QStringLiteral("/history.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(HistoryStore::encode(entries));
    file.close();
    profile = std::make_shared<BrowsingProfile>(false, folder.path());
    model = std::make_unique<BrowserModel>(preferences, nullptr, std::nullopt, profile);
    ASSERT_EQ(profile->history().entries().size(), 2);
  }

  QTemporaryDir folder;
  std::shared_ptr<BrowsingProfile> profile;
  std::unique_ptr<BrowserModel> model;
};

TEST_F(ClearHistoryTest, DefaultsAskAboutTheWholeHistoryAndClearItOnConfirmation) {
  FakeWindow fake(window.get());
  model->setBrowserWindow(&fake);
  KivoDialog::clearHistory(*model);
  QPointer<KivoPanel> panel = KivoPanel::attachedSheet(window.get());
  ASSERT_TRUE(panel);
  KivoDialogCard* shown = card(panel);
  EXPECT_EQ(shown->title(), QStringLiteral("Geçmiş silinsin mi?"));
  EXPECT_EQ(shown->message(),
            QStringLiteral("Tüm zamanlar dönemindeki ziyaret kayıtları ve bunlardan oluşan başlangıç kısayolları "
                           "kaldırılacak. Bu işlem geri alınamaz."));
  EXPECT_EQ(shown->detail(), QStringLiteral("Geri/ileri ve kapatılan sekme listeleri de temizlenir. Açık sayfalar "
                                            "kapanmaz; indirilen dosyalar silinmez."));
  EXPECT_EQ(shown->confirmButton()->text(), QStringLiteral("Geçmişi sil"));
  EXPECT_EQ(shown->cancelButton()->text(), QStringLiteral("Vazgeç"));
  QTest::mouseClick(shown->confirmButton(), Qt::LeftButton);
  EXPECT_TRUE(profile->history().entries().isEmpty());
  model->setBrowserWindow(nullptr);
}

TEST_F(ClearHistoryTest, APeriodRemovesOnlyItsVisits) {
  FakeWindow fake(window.get());
  model->setBrowserWindow(&fake);
  KivoDialog::clearHistory(*model, 24, QStringLiteral("Son 24 saat"));
  QPointer<KivoPanel> panel = KivoPanel::attachedSheet(window.get());
  ASSERT_TRUE(panel);
  EXPECT_EQ(card(panel)->detail(), QStringLiteral("Diğer dönemlerdeki ziyaretler ve açık sayfalar korunur."));
  EXPECT_TRUE(card(panel)->message().startsWith(QStringLiteral("Son 24 saat dönemindeki")));
  QTest::mouseClick(card(panel)->confirmButton(), Qt::LeftButton);
  ASSERT_EQ(profile->history().entries().size(), 1);
  EXPECT_EQ(profile->history().entries().front().address, QStringLiteral("https://old.example/"));
  model->setBrowserWindow(nullptr);
}

TEST_F(ClearHistoryTest, CancellingOrHavingNoWindowDeletesNothing) {
  KivoDialog::clearHistory(*model);
  EXPECT_EQ(KivoPanel::attachedSheet(window.get()), nullptr);
  FakeWindow fake(window.get());
  model->setBrowserWindow(&fake);
  KivoDialog::clearHistory(*model);
  QPointer<KivoPanel> panel = KivoPanel::attachedSheet(window.get());
  ASSERT_TRUE(panel);
  press(panel, Qt::Key_Escape);
  EXPECT_EQ(profile->history().entries().size(), 2);
  model->setBrowserWindow(nullptr);
}

}  // namespace
