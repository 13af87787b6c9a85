#include "pages/settings_view.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cerrno>

#include "kit/kivo_action_button.h"
#include "kit/kit_label.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_panel.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/window_services.h"
#include "kit/kivo_color_picker.h"
#include "pages/keyboard_test_support.h"
#include "pages/page_widgets.h"
#include "pages/pages_test_support.h"
#include "pages/updates_view.h"
#include "platform/event_wait.h"
#include "platform/system_error.h"

namespace {

using PagesTest::FakeWindow;

// Waits for queued work of the worker pool to reach the main thread.
bool waitFor(const std::function<bool()>& done) {
  return runEventsUntil(done, std::chrono::seconds(5));
}

class SettingsViewTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = PagesTest::preferences(QStringLiteral("pages-settings-test"));
    model = PagesTest::model(preferences);
  }
  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
};

TEST_F(SettingsViewTest, TabReachesEveryControlAndEachActsFromTheKeyboard) {
  SettingsView view(*model);
  KeyboardTest::show(view);
  const QList<QWidget*> chain = KeyboardTest::tabChain(view);
  KeyboardTest::expectAllReached(view, chain);
  // In reading order: the appearance cards first, the footer's link last,
  // and the accent swatches before the picker.
  ASSERT_FALSE(chain.isEmpty());
  EXPECT_EQ(chain.first(), view.appearanceCards().first());
  EXPECT_EQ(chain.last(), view.developerToolsButton());
  EXPECT_EQ(chain.indexOf(view.colorPicker()), chain.indexOf(view.swatches().last()) + 1);
  // Scrolling follows the focus down the column.
  auto* area = view.findChild<QScrollArea*>();
  ASSERT_TRUE(area);
  KeyboardTest::focus(view.appearanceCards().first());
  QTest::keyClick(view.appearanceCards().first(), Qt::Key_Backtab);
  ASSERT_TRUE(view.developerToolsButton()->hasFocus());
  EXPECT_EQ(area->verticalScrollBar()->value(), area->verticalScrollBar()->maximum());
  EXPECT_GT(area->verticalScrollBar()->value(), 0);
  // A swatch, the switch and an appearance card do what a click does.
  KeyboardTest::focus(view.swatches().at(2));
  QTest::keyClick(view.swatches().at(2), Qt::Key_Space);
  EXPECT_EQ(preferences->accentHex(), SettingsView::colors().at(2));
  const bool shortcuts = preferences->showShortcuts();
  KeyboardTest::focus(view.shortcutsSwitch());
  QTest::keyClick(view.shortcutsSwitch(), Qt::Key_Return);
  EXPECT_EQ(preferences->showShortcuts(), !shortcuts);
  KeyboardTest::focus(view.appearanceCards().last());
  QTest::keyClick(view.appearanceCards().last(), Qt::Key_Return);
  EXPECT_EQ(preferences->appearance(), view.appearanceCards().last()->appearance());
  KeyboardTest::expectButtonsAct(chain);
}

TEST_F(SettingsViewTest, AppearanceCardsWriteAndFollowThePreference) {
  SettingsView view(*model);
  ASSERT_EQ(view.appearanceCards().size(), 3);
  for (SettingsAppearanceCard* card : view.appearanceCards()) {
    QTest::mouseClick(card, Qt::LeftButton);
    EXPECT_EQ(preferences->appearance(), card->appearance());
    EXPECT_EQ(preferences->storage()->value(QStringLiteral("kivo.appearance")),
              nlohmann::json(BrowserAppearances::rawValue(card->appearance()).toStdString()));
    int selected = 0;
    for (SettingsAppearanceCard* other : view.appearanceCards()) selected += other->selected() ? 1 : 0;
    EXPECT_EQ(selected, 1);
    EXPECT_TRUE(card->selected());
  }
}

TEST_F(SettingsViewTest, SwatchesWriteTheAccentAndMarkOnlyAnExactMatch) {
  SettingsView view(*model);
  ASSERT_EQ(view.swatches().size(), 6);
  QTest::mouseClick(view.swatches().at(2), Qt::LeftButton);
  EXPECT_EQ(preferences->accentHex(), "25846a");
  EXPECT_EQ(view.swatches().at(2)->toolTip(), "#25846a");
  EXPECT_EQ(view.swatches().at(2)->accessibleName(), "Vurgu rengi 25846a");
  const struct {
    const char* accent;
    int marked;  // index of the marked swatch, -1 for none
  } cases[] = {{"6658d3", 0}, {"64748b", 5}, {"6658D3", -1}, {"123456", -1}};
  for (const auto& c : cases) {
    preferences->setAccentHex(QString::fromLatin1(c.accent));
    for (int index = 0; index < 6; ++index) {
      EXPECT_EQ(view.swatches().at(index)->marked(), index == c.marked) << c.accent << " " << index;
    }
  }
}

TEST_F(SettingsViewTest, BackdropCardsAndSwitchWriteAndFollowPreferences) {
  SettingsView view(*model);
  ASSERT_EQ(view.backdropCards().size(), 4);
  QTest::mouseClick(view.backdropCards().at(2), Qt::LeftButton);
  EXPECT_EQ(preferences->backdrop(), Backdrop::Forest);
  EXPECT_TRUE(view.backdropCards().at(2)->selected());
  EXPECT_FALSE(view.backdropCards().at(0)->selected());

  EXPECT_TRUE(view.shortcutsSwitch()->isChecked());
  QTest::mouseClick(view.shortcutsSwitch(), Qt::LeftButton);
  EXPECT_FALSE(preferences->showShortcuts());
  EXPECT_EQ(preferences->storage()->value(QStringLiteral("kivo.shortcuts")), nlohmann::json(false));
  preferences->setShowShortcuts(true);
  EXPECT_TRUE(view.shortcutsSwitch()->isChecked());
}

TEST_F(SettingsViewTest, ResetPutsEverySettingBackAtOnce) {
  SettingsView view(*model);
  preferences->setAppearance(BrowserAppearance::Dark);
  preferences->setAccentHex(QStringLiteral("c87936"));
  preferences->setBackdrop(Backdrop::Plain);
  preferences->setShowShortcuts(false);
  QTest::mouseClick(view.resetButton(), Qt::LeftButton);
  EXPECT_TRUE(view.appearanceCards().at(0)->selected());
  EXPECT_TRUE(view.swatches().at(0)->marked());
  EXPECT_TRUE(view.backdropCards().at(0)->selected());
  EXPECT_TRUE(view.shortcutsSwitch()->isChecked());
}

// A full disk under the settings: the page shows why while saves fail, and
// the window where the user made the change tells the start of the failures
// once in its notice.
TEST_F(SettingsViewTest, AFailedSaveShowsOnThePageAndOnceInTheWindowNotice) {
  const std::shared_ptr<SettingsStore>& store = preferences->storage();
  SettingsView view(*model);
  KeyboardTest::show(view);
  EXPECT_TRUE(view.storageNoticeLine()->isHidden());
  QSignalSpy notices(model.get(), &BrowserModel::noticeChanged);
  store->setWriter([](const QByteArray&, const QString& path) {
    throw SystemError(ENOSPC, "write " + path.toStdString());
  });

  QTest::mouseClick(view.appearanceCards().at(2), Qt::LeftButton);
  const std::optional<QString> told = preferences->storageNotice();
  ASSERT_TRUE(told);
  EXPECT_TRUE(told->startsWith(QStringLiteral("Ayarlar kaydedilemedi: diskte yer kalmadı ("))) << told->toStdString();
  EXPECT_TRUE(told->contains(store->file()));
  EXPECT_FALSE(view.storageNoticeLine()->isHidden());
  EXPECT_EQ(view.storageNoticeLine()->text(), *told);
  EXPECT_EQ(model->notice(), told);
  EXPECT_EQ(notices.count(), 1);

  // The next failures of the same run are on the page only.
  QTest::mouseClick(view.backdropCards().at(1), Qt::LeftButton);
  QTest::mouseClick(view.shortcutsSwitch(), Qt::LeftButton);
  EXPECT_EQ(notices.count(), 1);
  EXPECT_FALSE(view.storageNoticeLine()->isHidden());

  // A save that works again clears the line and keeps every choice.
  store->setWriter(ProfileFiles::write);
  QTest::mouseClick(view.swatches().at(2), Qt::LeftButton);
  EXPECT_TRUE(view.storageNoticeLine()->isHidden());
  const auto reread = SettingsStore::open(QFileInfo(store->file()).completeBaseName());
  EXPECT_EQ(reread->text(QStringLiteral("kivo.appearance")), QStringLiteral("dark"));
  EXPECT_EQ(reread->text(QStringLiteral("kivo.backdrop")), QStringLiteral("dawn"));
  EXPECT_EQ(reread->boolean(QStringLiteral("kivo.shortcuts")), false);
  EXPECT_EQ(reread->text(QStringLiteral("kivo.accent")), QStringLiteral("25846a"));

  // A failure that starts with a change made elsewhere (another window's
  // page) is not told in this window; one that starts in the colour editor
  // opened on this page is.
  store->setWriter([](const QByteArray&, const QString& path) {
    throw SystemError(EROFS, "create temporary file for " + path.toStdString());
  });
  preferences->setAccentHex(QStringLiteral("c87936"));
  EXPECT_EQ(notices.count(), 1);
  EXPECT_FALSE(view.storageNoticeLine()->isHidden());
  store->setWriter(ProfileFiles::write);
  preferences->setAccentHex(QStringLiteral("c87936"));
  store->setWriter([](const QByteArray&, const QString& path) {
    throw SystemError(EROFS, "create temporary file for " + path.toStdString());
  });
  QTest::mouseClick(view.colorPicker(), Qt::LeftButton);
  QCoreApplication::processEvents();
  ASSERT_TRUE(view.colorPicker()->editor());
  view.colorPicker()->editor()->setChannel(0, 0.5);
  EXPECT_EQ(notices.count(), 2);
  EXPECT_TRUE(model->notice()->startsWith(QStringLiteral("Ayarlar kaydedilemedi: klasör salt okunur (")));
}

TEST_F(SettingsViewTest, ClearHistoryAsksAndThenClearsTheModelsHistory) {
  QWidget window;
  FakeWindow fake(&window);
  HistoryStore& history = model->profile()->history();
  history.record(QStringLiteral("https://example.com/"), QStringLiteral("Örnek"), history.revision());
  ASSERT_EQ(history.entries().size(), 1);
  SettingsView view(*model);
  // Without a window nothing is asked and nothing changes.
  QTest::mouseClick(view.clearHistoryButton(), Qt::LeftButton);
  EXPECT_EQ(history.entries().size(), 1);
  model->setBrowserWindow(&fake);
  QTest::mouseClick(view.clearHistoryButton(), Qt::LeftButton);
  QPointer<KivoPanel> panel = KivoPanel::attachedSheet(&window);
  ASSERT_TRUE(panel);
  KivoDialogCard* card = panel->findChild<KivoDialogCard*>();
  ASSERT_NE(card, nullptr);
  EXPECT_TRUE(card->message().startsWith(QStringLiteral("Tüm zamanlar dönemindeki")));
  QTest::mouseClick(card->confirmButton(), Qt::LeftButton);
  EXPECT_TRUE(history.entries().isEmpty());
  model->setBrowserWindow(nullptr);
}

TEST_F(SettingsViewTest, SiteDataAndFooterButtonsReachTheModel) {
  SettingsView view(*model);
  QTest::mouseClick(view.developerToolsButton(), Qt::LeftButton);
  EXPECT_TRUE(model->devToolsVisible());
  QTest::mouseClick(view.developerToolsButton(), Qt::LeftButton);
  EXPECT_TRUE(model->devToolsVisible());

  QTest::mouseClick(view.clearCookiesButton(), Qt::LeftButton);
  EXPECT_TRUE(waitFor([&] { return model->notice().has_value(); }));
  EXPECT_EQ(model->notice().value_or(QString()), "Bu oturumun çerezleri silindi.");

  QTest::mouseClick(view.viewHistoryButton(), Qt::LeftButton);
  EXPECT_EQ(model->current().address(), "kivo://history");
}

TEST_F(SettingsViewTest, CacheLineFollowsTheModelAndClearingReachesIt) {
  // A model whose background work runs at once, so clearing completes.
  auto profile = std::make_shared<BrowsingProfile>(false);
  BrowserModel live(preferences, nullptr, std::nullopt, profile);
  live.setServices(PagesTest::offlineServices(true));
  SettingsView view(live);
  EXPECT_EQ(SettingsView::cacheLine(0, 0), "0 belge görünümü · yaklaşık 0 bayt");
  EXPECT_TRUE(SettingsView::cacheLine(12345, 2048).startsWith(QStringLiteral("12345 belge görünümü · yaklaşık 2")));
  EXPECT_EQ(view.cacheLabel()->plainText(), SettingsView::cacheLine(0, 0));
  QTest::mouseClick(view.clearCacheButton(), Qt::LeftButton);
  EXPECT_TRUE(waitFor([&] { return live.notice().has_value(); }));
  EXPECT_EQ(live.notice().value_or(QString()), "Belge ve ağ önbelleği temizlendi.");
  EXPECT_EQ(view.cacheLabel()->plainText(), SettingsView::cacheLine(0, 0));
}

TEST_F(SettingsViewTest, ShortcutListShowsTheCommandTable) {
  {
    SettingsView view(*model);
    const QList<QPair<QString, QString>>& rows = view.shortcutRows();
    ASSERT_EQ(rows.size(), 20);
    EXPECT_EQ(rows.at(0), qMakePair(QStringLiteral("Yeni gizli pencere"), QStringLiteral("Ctrl+Shift+N")));
    EXPECT_EQ(rows.at(5), qMakePair(QStringLiteral("Sekmeyi yeni pencereye taşı"), QString()));
  }
  SettingsView view(*model, {{QStringLiteral("Yeni sekme"), QStringLiteral("plus"), QStringLiteral("Ctrl+T")}});
  EXPECT_EQ(view.shortcutRows(), (QList<QPair<QString, QString>>{{QStringLiteral("Yeni sekme"), QStringLiteral("Ctrl+T")}}));
}

TEST_F(SettingsViewTest, PrivateWindowKeepsEveryControlActive) {
  auto privateModel = PagesTest::model(preferences, true);
  SettingsView view(*privateModel);
  for (QWidget* control : std::initializer_list<QWidget*>{view.clearHistoryButton(), view.clearCookiesButton(),
                                                          view.clearCacheButton(), view.resetButton()}) {
    EXPECT_TRUE(control->isVisibleTo(&view));
    EXPECT_TRUE(control->isEnabled());
  }
}

TEST_F(SettingsViewTest, ColumnIsAtMost850WideAndCentred) {
  SettingsView view(*model);
  view.resize(1200, 800);
  view.show();
  QCoreApplication::processEvents();
  QWidget* card = view.appearanceCards().at(0)->parentWidget();
  while (card && !qobject_cast<PageCard*>(card)) card = card->parentWidget();
  ASSERT_NE(card, nullptr);
  const QRect column = card->parentWidget()->geometry();
  EXPECT_LE(column.width(), SettingsView::kMaximumWidth);
  EXPECT_GE(column.width(), SettingsView::kMaximumWidth - 1);
  view.hide();
}

// The page and its scroll area's viewport fill with the scheme's background
// at the top and at the end of the column, in both schemes. tools/pictures
// draws the page for a person to see.
TEST_F(SettingsViewTest, BothEndsOfTheColumnShowTheSchemesBackground) {
  SettingsView view(*model);
  view.resize(1200, 800);
  view.show();
  // A card that lays itself out posts the next layout request for its
  // parent; a few rounds give every card its final geometry.
  for (int round = 0; round < 10; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
  auto* area = view.findChild<QScrollArea*>();
  ASSERT_NE(area, nullptr);
  ASSERT_GT(area->verticalScrollBar()->maximum(), 0) << "the column is taller than the page";
  for (BrowserAppearance appearance : {BrowserAppearance::Light, BrowserAppearance::Dark}) {
    preferences->setAppearance(appearance);
    const QRgb background = Palette::colors(PreferencesTheme::of(preferences.get())).background.rgb();
    for (const int position : {0, area->verticalScrollBar()->maximum()}) {
      area->verticalScrollBar()->setValue(position);
      QCoreApplication::processEvents();
      const QImage image = view.grab().toImage();
      EXPECT_EQ(image.pixelColor(1, 1).rgb(), background) << position;
      EXPECT_EQ(image.pixelColor(1, 798).rgb(), background) << position;
    }
  }
  view.hide();
}

}  // namespace
