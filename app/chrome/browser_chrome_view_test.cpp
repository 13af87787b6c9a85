#include "chrome/browser_chrome_view.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <algorithm>

#include "chrome/address_field.h"
#include "frame/browser_window.h"
#include "frame/browser_window_state.h"
#include "chrome/tab_strip.h"
#include "frame/window_controls.h"
#include "frame/window_drag_area.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"
#include "kit/palette.h"
#include "platform/window_compositing.h"
#include "kit/page_controls.h"
#include "pages/pages_test_support.h"

namespace {

// One chrome in a top-level window of its own, over a model whose loads never
// finish (they stay in the loading state until stopped).
struct Chrome {
  explicit Chrome(const std::shared_ptr<BrowserPreferences>& preferences, int width = 1200)
      : model(PagesTest::model(preferences)), view(new BrowserChromeView(*model, state)) {
    view->resize(width, BrowserChromeView::kHeight);
  }
  ~Chrome() { delete view; }
  void show() {
    view->show();
    // The activation arrives through the event loop, on a real display some
    // turns later. It is waited for, never set by hand: the platform's own
    // activation would come later still and take the focus from a popup
    // opened meanwhile.
    view->activateWindow();
    if (!QTest::qWaitForWindowActive(view, 10000)) ADD_FAILURE() << "the chrome's window never became active";
    QCoreApplication::processEvents();
  }
  QLineEdit* field() const { return view->addressLineEdit(); }

  std::unique_ptr<BrowserModel> model;
  BrowserWindowState state;
  BrowserChromeView* view;
};

class BrowserChromeViewTest : public testing::Test {
protected:
  void SetUp() override { preferences = PagesTest::preferences(QStringLiteral("chrome-view-test")); }
  // Lets queued work (select-all, popups, deferred deletes) run.
  static void settle() {
    for (int i = 0; i < 3; ++i) {
      QCoreApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }
  std::shared_ptr<BrowserPreferences> preferences;
};

struct StripCase {
  double rowWidth;
  bool fullScreen;
  qsizetype tabs;
  double expected;
};

TEST_F(BrowserChromeViewTest, StripWidthSharesTheRowWithinItsBounds) {
  const std::vector<StripCase> cases{
      {1200, false, 3, 594},   // 198 a tab
      {1200, false, 10, 1010}, // what the row leaves: 1200 - 79 - 111
      {1200, true, 10, 1077},  // full screen leaves 67 more
      {1200, false, 1, 198},   {300, false, 3, 180},  // never below 180, even when the row overflows
      {100, true, 2, 180},     {360, false, 1, 180},
  };
  for (const StripCase& c : cases) {
    EXPECT_DOUBLE_EQ(BrowserChromeView::stripWidth(c.rowWidth, c.fullScreen, c.tabs), c.expected)
        << c.rowWidth << " " << c.fullScreen << " " << c.tabs;
  }
}

TEST_F(BrowserChromeViewTest, TabRowPlacesStripButtonsAndDragAreas) {
  Chrome chrome(preferences);
  chrome.show();
  chrome.model->newTab();
  chrome.model->newTab();
  BrowserChromeView& view = *chrome.view;
  EXPECT_EQ(view.leadingDragArea()->geometry(), QRect(0, 0, 79, 38));
  EXPECT_EQ(view.tabStrip()->geometry(), QRect(79, 0, 594, 38));
  EXPECT_EQ(view.newTabButton()->geometry(), QRect(79 + 594 + 4, 8, 28, 28));
  EXPECT_EQ(view.tabsMenuButton()->geometry(), QRect(1200 - 9 - 28, 8, 28, 28));
  EXPECT_EQ(view.trailingDragArea()->geometry(), QRect(79 + 594 + 36, 0, 1200 - 37 - (79 + 594 + 36), 38));

  // Entering full screen narrows the leading area; the chrome keeps its height.
  chrome.state.setFullScreen(true);
  EXPECT_EQ(view.leadingDragArea()->width(), 12);
  EXPECT_EQ(view.tabStrip()->geometry(), QRect(12, 0, 594, 38));
  EXPECT_EQ(view.height(), 84);

  // A narrow row: the strip stays at 180 and the tabs menu follows the row.
  chrome.state.setFullScreen(false);
  view.resize(300, 84);
  EXPECT_EQ(view.tabStrip()->width(), 180);
  EXPECT_GE(view.tabsMenuButton()->x(), view.newTabButton()->geometry().right());
  EXPECT_GE(view.trailingDragArea()->width(), 0);

  // Closing tabs gives the width back to the trailing drag area.
  view.resize(1200, 84);
  chrome.model->close(chrome.model->tabs().first().id());
  chrome.model->close(chrome.model->tabs().first().id());
  EXPECT_EQ(view.tabStrip()->width(), 198);
}

TEST_F(BrowserChromeViewTest, HistoryButtonsFollowTheCurrentTab) {
  Chrome chrome(preferences);
  BrowserModel& model = *chrome.model;
  BrowserChromeView& view = *chrome.view;
  EXPECT_FALSE(view.backButton()->isEnabled());
  EXPECT_FALSE(view.forwardButton()->isEnabled());

  model.navigate(QStringLiteral("kivo://history"));
  EXPECT_TRUE(view.backButton()->isEnabled());
  EXPECT_FALSE(view.forwardButton()->isEnabled());

  view.backButton()->click();
  EXPECT_EQ(model.current().address(), QStringLiteral("kivo://home"));
  EXPECT_FALSE(view.backButton()->isEnabled());
  EXPECT_TRUE(view.forwardButton()->isEnabled());
  // A disabled button does nothing.
  view.backButton()->click();
  EXPECT_EQ(model.current().position, 0);

  // Another tab brings its own history.
  model.newTab();
  EXPECT_FALSE(view.backButton()->isEnabled());
  EXPECT_FALSE(view.forwardButton()->isEnabled());
  model.select(model.tabs().first().id());
  EXPECT_TRUE(view.forwardButton()->isEnabled());
}

TEST_F(BrowserChromeViewTest, ReloadSlotShowsStopWhileTheCurrentTabLoads) {
  Chrome chrome(preferences);
  BrowserModel& model = *chrome.model;
  PageButton* slot = chrome.view->reloadButton();
  EXPECT_FALSE(chrome.view->showsStop());
  EXPECT_EQ(slot->pageSymbol(), QStringLiteral("arrow.clockwise"));
  EXPECT_TRUE(slot->toolTip().startsWith(QStringLiteral("Yenile · ")));
  EXPECT_EQ(slot->accessibleName(), slot->toolTip());

  model.navigate(QStringLiteral("https://example.com/"));
  ASSERT_TRUE(model.current().content.is(PageContent::Kind::Loading));
  EXPECT_TRUE(chrome.view->showsStop());
  EXPECT_EQ(slot->pageSymbol(), QStringLiteral("xmark"));
  EXPECT_EQ(slot->toolTip(), QStringLiteral("Yüklemeyi durdur"));

  // A loading tab that is not selected leaves the slot alone.
  const QUuid loadingTab = model.selectedID();
  model.newTab();
  EXPECT_FALSE(chrome.view->showsStop());
  model.select(loadingTab);
  EXPECT_TRUE(chrome.view->showsStop());

  // Stop leaves a message page and the reload button returns.
  slot->click();
  EXPECT_TRUE(model.current().content.is(PageContent::Kind::Message));
  EXPECT_FALSE(chrome.view->showsStop());
  EXPECT_EQ(slot->pageSymbol(), QStringLiteral("arrow.clockwise"));

  // Reload loads the address again.
  slot->click();
  EXPECT_TRUE(model.current().content.is(PageContent::Kind::Loading));
}

struct SchemeCase {
  const char* address;
  const char* responseURL;  // none when null
  const char* symbol;
};

TEST_F(BrowserChromeViewTest, SchemeIconTellsHowThePageCame) {
  const std::vector<SchemeCase> cases{
      {"https://example.com/", "https://example.com/", "lock"},
      {"https://example.com/", nullptr, "globe"},
      {"http://example.com/", nullptr, "exclamationmark.triangle"},
      // A page redirected from https to http does not get the lock.
      {"http://example.com/", "http://example.com/", "exclamationmark.triangle"},
      // The lock only while the address itself is https.
      {"http://example.com/", "https://example.com/", "exclamationmark.triangle"},
      {"kivo://home", nullptr, "doc.text"},
      {"file:///tmp/a.html", nullptr, "doc.text"},
      // The prefix tests are case-sensitive.
      {"HTTPS://example.com/", nullptr, "doc.text"},
  };
  for (const SchemeCase& c : cases) {
    BrowserTab tab(QStringList{QString::fromUtf8(c.address)}, 0);
    if (c.responseURL) {
      NetworkResponse response;
      response.url = QUrl(QString::fromUtf8(c.responseURL));
      response.source = QByteArray("<p>");
      tab.networkResponse = response;
    }
    EXPECT_EQ(AddressField::schemeSymbol(tab), QString::fromUtf8(c.symbol)) << c.address;
  }

  // The field shows the current tab's icon, never one of the typed text.
  Chrome chrome(preferences);
  AddressField* field = chrome.view->addressField();
  EXPECT_EQ(field->schemeIcon(), QStringLiteral("doc.text"));
  chrome.model->navigate(QStringLiteral("http://example.com/"));
  EXPECT_EQ(field->schemeIcon(), QStringLiteral("exclamationmark.triangle"));
  QTest::keyClicks(chrome.field(), QStringLiteral("s"));
  EXPECT_EQ(field->schemeIcon(), QStringLiteral("exclamationmark.triangle"));
  chrome.model->select(chrome.model->tabs().first().id());
  chrome.model->newTab();
  EXPECT_EQ(field->schemeIcon(), QStringLiteral("doc.text"));
}

TEST_F(BrowserChromeViewTest, ReturnNavigatesToTheTypedTextAndGivesUpFocus) {
  Chrome chrome(preferences);
  chrome.show();
  QLineEdit* field = chrome.field();
  field->setFocus();
  ASSERT_TRUE(field->hasFocus());
  field->selectAll();
  QTest::keyClicks(field, QStringLiteral("kivo://history"));
  EXPECT_EQ(chrome.model->addressDraft(), QStringLiteral("kivo://history"));
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(chrome.model->current().address(), QStringLiteral("kivo://history"));
  EXPECT_FALSE(field->hasFocus());

  // Blank text: the page stays, the focus goes, the text stays.
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, QStringLiteral("   "));
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(chrome.model->current().address(), QStringLiteral("kivo://history"));
  EXPECT_EQ(chrome.model->current().history.size(), 2);
  EXPECT_FALSE(field->hasFocus());
  EXPECT_EQ(field->text(), QStringLiteral("   "));
}

TEST_F(BrowserChromeViewTest, ModelWritesNeverReplaceWhatTheUserTypes) {
  Chrome chrome(preferences);
  BrowserModel& model = *chrome.model;
  chrome.show();
  QLineEdit* field = chrome.field();

  // At rest the field follows every write of the model.
  model.setAddressDraft(QStringLiteral("https://one.example/"));
  EXPECT_EQ(field->text(), QStringLiteral("https://one.example/"));
  // Focused but not edited: still follows.
  field->setFocus();
  model.setAddressDraft(QStringLiteral("https://two.example/"));
  EXPECT_EQ(field->text(), QStringLiteral("https://two.example/"));

  // Typing: a write of the model (a redirect's final address) is kept off.
  field->selectAll();
  QTest::keyClicks(field, QStringLiteral("kivo://downloads"));
  QTest::keyClick(field, Qt::Key_Left);
  const int cursor = field->cursorPosition();
  model.setAddressDraft(QStringLiteral("https://redirected.example/"));
  EXPECT_EQ(field->text(), QStringLiteral("kivo://downloads"));
  EXPECT_EQ(field->cursorPosition(), cursor);
  // Return takes the typed text, not the model's late write.
  QTest::keyClick(field, Qt::Key_Return);
  EXPECT_EQ(model.current().address(), QStringLiteral("kivo://downloads"));

  // Another tab ends the edit: its address shows even in the focused field.
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, QStringLiteral("yarim"));
  model.newTab();
  model.setAddressDraft(QStringLiteral("kivo://home"));
  EXPECT_EQ(field->text(), QStringLiteral("kivo://home"));

  // So does a navigation started elsewhere (a link, the menu).
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, QStringLiteral("yarim"));
  model.navigate(QStringLiteral("kivo://history"));
  EXPECT_EQ(field->text(), QStringLiteral("kivo://history"));
}

TEST_F(BrowserChromeViewTest, FocusAddressAnswersOnlyForItsOwnModel) {
  Chrome first(preferences);
  Chrome second(preferences);
  first.model->setAddressDraft(QStringLiteral("https://first.example/"));
  second.model->setAddressDraft(QStringLiteral("https://second.example/"));
  first.show();
  second.show();
  const auto focused = [](const Chrome& chrome) { return chrome.view->window()->focusWidget() == chrome.field(); };

  // A model's request is answered by that model's chrome alone, whichever
  // window was shown last.
  for (Chrome* asking : {&first, &second}) {
    first.field()->clearFocus();
    second.field()->clearFocus();
    Q_EMIT asking->model->addressFocusRequested();
    settle();
    EXPECT_EQ(focused(first), asking == &first);
    EXPECT_EQ(focused(second), asking == &second);
    EXPECT_EQ(asking->field()->selectedText(), asking->model->addressDraft());
  }
}

TEST_F(BrowserChromeViewTest, MenuButtonsToggleTheOpenMenu) {
  Chrome chrome(preferences);
  BrowserModel& model = *chrome.model;
  chrome.show();
  PageButton* tabs = chrome.view->tabsMenuButton();
  PageButton* main = chrome.view->mainMenuButton();
  EXPECT_EQ(tabs->toolTip(), QStringLiteral("Sekmeler"));
  EXPECT_EQ(main->accessibleName(), QStringLiteral("Kivo menüsü"));

  tabs->click();
  EXPECT_EQ(model.openMenu(), BrowserMenu::Tabs);
  settle();
  EXPECT_TRUE(chrome.view->menuPopup(BrowserMenu::Tabs)->isOpen());
  EXPECT_FALSE(chrome.view->menuPopup(BrowserMenu::Main)->isOpen());

  // The other kind replaces it; its popup shows and the first one goes
  // without clearing the model's new menu.
  main->click();
  EXPECT_EQ(model.openMenu(), BrowserMenu::Main);
  settle();
  EXPECT_FALSE(chrome.view->menuPopup(BrowserMenu::Tabs)->isOpen());
  EXPECT_TRUE(chrome.view->menuPopup(BrowserMenu::Main)->isOpen());
  EXPECT_EQ(model.openMenu(), BrowserMenu::Main);

  main->click();
  EXPECT_EQ(model.openMenu(), std::nullopt);
  settle();
  EXPECT_FALSE(chrome.view->menuPopup(BrowserMenu::Main)->isOpen());
  // The closed popups handed the activation back to the window; a real
  // display answers that some loop turns later, and the next popup opens
  // once it has.
  ASSERT_TRUE(KitTest::waitUntilActive(chrome.view->window()));

  // The popup closing itself (Escape in its panel) clears the model.
  model.setOpenMenu(BrowserMenu::Tabs);
  settle();
  KivoPopup* popup = chrome.view->menuPopup(BrowserMenu::Tabs);
  ASSERT_TRUE(popup->isOpen());
  QTest::keyClick(popup->panel(), Qt::Key_Escape);
  settle();
  EXPECT_FALSE(popup->isOpen());
  EXPECT_EQ(model.openMenu(), std::nullopt);
}

TEST_F(BrowserChromeViewTest, ControlsCarryTheirTitles) {
  Chrome chrome(preferences);
  BrowserChromeView& view = *chrome.view;
  const std::vector<std::pair<PageButton*, QString>> cases{
      {view.newTabButton(), QStringLiteral("Yeni sekme · Ctrl+T")},
      {view.backButton(), QStringLiteral("Geri · Ctrl+[")},
      {view.forwardButton(), QStringLiteral("İleri · Ctrl+]")},
      {view.reloadButton(), QStringLiteral("Yenile · Ctrl+R / Önbelleksiz · Ctrl+Shift+R")},
      {view.homeButton(), QStringLiteral("Yeni sekme sayfası")},
      {view.downloadsButton(), QStringLiteral("İndirmeler · Ctrl+J")},
      {view.settingsButton(), QStringLiteral("Ayarlar")},
  };
  for (const auto& [button, title] : cases) {
    EXPECT_EQ(button->toolTip(), title);
    EXPECT_EQ(button->accessibleName(), title);
    EXPECT_EQ(button->size(), QSize(28, 28)) << title.toStdString();
  }
  EXPECT_EQ(chrome.field()->placeholderText(), QStringLiteral("Adres yaz veya Kivo'da ara"));
  EXPECT_EQ(chrome.field()->accessibleName(), QStringLiteral("Adres ve yerel arama çubuğu"));

  view.homeButton()->click();
  view.downloadsButton()->click();
  EXPECT_EQ(chrome.model->current().address(), QStringLiteral("kivo://downloads"));
  view.settingsButton()->click();
  EXPECT_EQ(chrome.model->current().address(), QStringLiteral("kivo://settings"));
  const qsizetype tabs = chrome.model->tabs().size();
  view.newTabButton()->click();
  EXPECT_EQ(chrome.model->tabs().size(), tabs + 1);
}

// The window controls over the tab row, in both schemes: coloured and
// clearly apart from the row while the window system has the window active,
// grey yet visible while another window is.
class WindowControlsContrast : public BrowserChromeViewTest, public testing::WithParamInterface<BrowserAppearance> {};

TEST_P(WindowControlsContrast, ActiveControlsStandOutFromTheTabRowAndInactiveOnesStayVisible) {
  preferences->setAppearance(GetParam());
  Chrome chrome(preferences);
  chrome.show();
  ASSERT_TRUE(QTest::qWaitFor([&] { return chrome.view->isActiveWindow(); }, 5000));
  WindowControls* controls = chrome.view->leadingDragArea()->controls();
  ASSERT_TRUE(controls);
  const auto discs = [&] {
    const QImage row = chrome.view->grab().toImage();
    // Beside the discs, in the leading area: the tab row itself.
    const QColor ground = row.pixelColor(4, 4);
    std::vector<std::pair<QColor, QColor>> found;
    for (QWidget* button : {static_cast<QWidget*>(controls->closeButton()), static_cast<QWidget*>(controls->minimizeButton()),
                            static_cast<QWidget*>(controls->zoomButton())}) {
      found.emplace_back(row.pixelColor(button->mapTo(chrome.view, button->rect().center())), ground);
    }
    return found;
  };
  for (const auto& [disc, ground] : discs()) {
    EXPECT_GE(Palette::contrast(disc, ground), 3.0) << disc.name().toStdString() << " on " << ground.name().toStdString();
  }

  // A panel of the window's own takes the activation: the window's turn goes
  // on.
  QWidget panel(chrome.view, Qt::Tool);
  panel.setGeometry(40, 600, 200, 100);
  panel.show();
  panel.activateWindow();
  QApplication::setActiveWindow(&panel);
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &panel; }, 5000));
  EXPECT_TRUE(controls->windowActive());
  for (const auto& [disc, ground] : discs()) EXPECT_GE(Palette::contrast(disc, ground), 3.0);
  panel.hide();

  // Another window takes the activation: the discs turn grey but stay apart
  // from the row.
  QWidget other;
  other.setGeometry(40, 600, 200, 100);
  other.show();
  other.activateWindow();
  QApplication::setActiveWindow(&other);
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }, 5000));
  EXPECT_FALSE(controls->windowActive());
  for (const auto& [disc, ground] : discs()) {
    // Grey over the row's own faint tint.
    EXPECT_LE(std::max({disc.red(), disc.green(), disc.blue()}) - std::min({disc.red(), disc.green(), disc.blue()}), 3)
        << disc.name().toStdString();
    EXPECT_GE(Palette::contrast(disc, ground), 1.5) << disc.name().toStdString() << " on " << ground.name().toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Schemes, WindowControlsContrast,
                         testing::Values(BrowserAppearance::Light, BrowserAppearance::Dark),
                         [](const auto& info) { return info.param == BrowserAppearance::Dark ? "Dark" : "Light"; });

// What the X server shows with the main menu popover open, on a screen
// without a compositing manager: the popover's card and edge, never black.
// The window is tall enough that the popover lies wholly inside it.
class BrowserChromeViewX11 : public BrowserChromeViewTest, public testing::WithParamInterface<BrowserAppearance> {
protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "not on X11";
    BrowserChromeViewTest::SetUp();
  }
};

TEST_P(BrowserChromeViewX11, TheOpenMainMenuShowsItsOwnColoursOnTheScreen) {
  ASSERT_FALSE(WindowCompositing::composites()) << "the server runs without a compositing manager";
  preferences->setAppearance(GetParam());
  Chrome chrome(preferences);
  BrowserWindow window;
  auto* root = new QWidget;
  auto* column = new QVBoxLayout(root);
  column->setContentsMargins(0, 0, 0, 0);
  column->addWidget(chrome.view);
  column->addStretch(1);
  window.installBrowserContent(root);
  window.setGeometry(200, 100, 1200, 800);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  chrome.model->setOpenMenu(BrowserMenu::Main);
  KivoPopup* popup = chrome.view->menuPopup(BrowserMenu::Main);
  ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isOpen(); }, 10000));
  KivoPanel* panel = popup->panel();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
  EXPECT_EQ(panel->depth(), KivoPanel::Depth::Edge);
  const QRect card = panel->cardGeometry();
  ASSERT_TRUE(window.geometry().contains(card));

  const PaletteColors& colors = Palette::colors(chrome.view->leadingDragArea()->controls()->scheme());
  const QColor surface = colors.surface;
  // The server shows the card once the panel has painted; wait for it.
  QImage shot;
  const auto grabCard = [&] {
    shot = QGuiApplication::primaryScreen()->grabWindow(0, card.x(), card.y(), card.width(), card.height()).toImage();
    return shot.pixelColor(3, shot.height() - 3) == surface;
  };
  ASSERT_TRUE(QTest::qWaitFor(grabCard, 10000)) << "the card's corner shows " << shot.pixelColor(3, shot.height() - 3).name().toStdString();
  for (const QPoint corner : {QPoint(0, 0), QPoint(shot.width() - 1, 0), QPoint(0, shot.height() - 1),
                              QPoint(shot.width() - 1, shot.height() - 1)}) {
    EXPECT_EQ(shot.pixelColor(corner).rgb(), Palette::edge().rgb()) << corner.x() << "," << corner.y();
  }
  qsizetype black = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) black += qGray(shot.pixel(x, y)) < 8 ? 1 : 0;
  }
  EXPECT_LT(black, qsizetype(shot.width()) * shot.height() / 50) << "the card is no black rectangle";
  chrome.model->setOpenMenu(std::nullopt);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !popup->isOpen(); }, 10000));
  window.hide();
  // The chrome belongs to the window now; the fixture must not delete it.
  chrome.view = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Schemes, BrowserChromeViewX11, testing::Values(BrowserAppearance::Light, BrowserAppearance::Dark),
                         [](const auto& info) { return info.param == BrowserAppearance::Dark ? "Dark" : "Light"; });

}  // namespace
