#include "chrome/browser_view.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "chrome/browser_chrome_view.h"
#include "frame/browser_window_state.h"
#include "document/document_canvas.h"
#include "pages/page_states.h"
#include "document/scene_view.h"
#include "pages/search_view.h"
#include "kit/kit_label.h"
#include "kit/palette.h"
#include "pages/developer_tools_view.h"
#include "pages/downloads_view.h"
#include "pages/history_view.h"
#include "pages/home_view.h"
#include "pages/pages_test_support.h"
#include "pages/settings_view.h"
#include "profile/download_store.h"
#include "profile/save_panel.h"

namespace {

// A transferred tab that is still loading loads its address again; a file
// keeps it loading, because the test model's background work never runs.
const QString kLoadingAddress = QStringLiteral("file:///tmp/kivo-root-view-loading.html");

PageDocument document(const QString& title, const QStringList& warnings = {}) {
  PageDocument made;
  made.title = title;
  made.width = 600;
  made.height = 2000;
  made.warnings = warnings;
  InspectedNode root;
  root.id = 1;
  root.name = QStringLiteral("#document");
  InspectedNode heading;
  heading.id = 7;
  heading.parent = 1;
  heading.depth = 1;
  heading.name = QStringLiteral("h1");
  heading.bounds = InspectorBounds{10, 20, 300, 40};
  made.nodes = QList<InspectedNode>{root, heading};
  return made;
}

NetworkResponse response(const QString& address) {
  NetworkResponse made;
  made.url = QUrl(address);
  made.status = 200;
  made.mime = QStringLiteral("text/html");
  made.source = QByteArray("<h1>x</h1>");
  return made;
}

// A window stand-in that only offers its dialog parent.
class FakeWindow : public WindowServices {
public:
  void performClose() override {}
  QWidget* dialogParent() override { return &parent; }
  QWidget parent;
};

// A save panel that records what it was asked and never answers.
class RecordingPanel : public SavePanel {
public:
  void begin(const Request& request, QWidget* window, Completion) override {
    requests.append(request);
    windows.append(window);
  }
  QList<Request> requests;
  QList<QWidget*> windows;
};

class BrowserViewTest : public testing::Test {
protected:
  void SetUp() override { preferences = PagesTest::preferences(QStringLiteral("chrome-browser-view-test")); }

  void makeModel(bool isPrivate = false) { model = PagesTest::model(preferences, isPrivate); }

  std::unique_ptr<BrowserView> makeView(int width = 1000, int height = 760) {
    auto view = std::make_unique<BrowserView>(*model, state);
    view->resize(width, height);
    view->show();
    return view;
  }

  // Opens a new selected tab at `address` that shows `content`.
  // Without an address, a document or loading tab gets a local file (whose
  // relayout never finishes here), any other tab "kivo://home".
  QUuid open(const PageContent& content, const QString& address = {},
             std::optional<NetworkResponse> networkResponse = std::nullopt) {
    QString shown = address;
    if (shown.isEmpty() && content.is(PageContent::Kind::Loading)) shown = kLoadingAddress;
    if (shown.isEmpty() && content.is(PageContent::Kind::Document)) shown = QStringLiteral("file:///tmp/kivo-root.html");
    if (shown.isEmpty()) shown = QStringLiteral("kivo://home");
    BrowserTab tab({shown}, 0);
    tab.content = content;
    tab.networkResponse = std::move(networkResponse);
    model->receiveTransferredTab(tab, model->tabs().size());
    return tab.id();
  }

  // Lets the view show the model's newest state and deletes retired widgets.
  static void settle() {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // A changed text asks its layout again, which asks the layout above it
    // on the next pass: a few passes let nested pages settle.
    for (int pass = 0; pass < 3; ++pass) QApplication::processEvents();
  }

  // The widgets of the root column, top to bottom, without hidden ones.
  static QList<QWidget*> column(const BrowserView& view) {
    QList<QWidget*> result;
    QLayout* layout = view.pageArea()->parentWidget()->layout();
    for (int i = 0; i < layout->count(); ++i) {
      QWidget* widget = layout->itemAt(i)->widget();
      if (widget && !widget->isHidden()) result.append(widget);
    }
    return result;
  }

  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
  BrowserWindowState state;
};

struct KindCase {
  const char* name;
  PageContent content;
  std::function<bool(QWidget*)> isExpectedPage;
};

TEST_F(BrowserViewTest, ShowsThePageOfTheSelectedTabsContent) {
  const std::vector<KindCase> cases{
      {"download", PageContent::download(QUrl("https://example.com/a.zip"), "a.zip"),
       [](QWidget* page) { return qobject_cast<DownloadOfferPage*>(page) != nullptr; }},
      {"document", PageContent::document(document("Belge")),
       [](QWidget* page) { return page->findChild<SceneView*>() != nullptr; }},
      {"search", PageContent::search("motor"), [](QWidget* page) { return qobject_cast<SearchView*>(page); }},
      {"message", PageContent::message("Başlık", "Ayrıntı"),
       [](QWidget* page) { return qobject_cast<MessagePage*>(page) != nullptr; }},
      {"home", PageContent::home(), [](QWidget* page) { return qobject_cast<HomeView*>(page) != nullptr; }},
      {"settings", PageContent::settings(),
       [](QWidget* page) { return qobject_cast<SettingsView*>(page) != nullptr; }},
      {"history", PageContent::history(), [](QWidget* page) { return qobject_cast<HistoryView*>(page) != nullptr; }},
      {"downloads", PageContent::downloads(),
       [](QWidget* page) { return qobject_cast<DownloadsView*>(page) != nullptr; }},
      {"loading", PageContent::loading(), [](QWidget* page) { return qobject_cast<LoadingPage*>(page) != nullptr; }},
  };
  makeModel();
  auto view = makeView();
  for (const KindCase& c : cases) {
    open(c.content);
    settle();
    ASSERT_NE(view->page(), nullptr) << c.name;
    EXPECT_TRUE(c.isExpectedPage(view->page())) << c.name;
    EXPECT_EQ(view->pageKind(), c.content.kind()) << c.name;
    EXPECT_TRUE(view->page()->isVisible()) << c.name;
    // Exactly one page lives in the page area once the old ones are gone.
    EXPECT_EQ(view->pageArea()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 1) << c.name;
    EXPECT_EQ(view->sceneView() != nullptr, c.content.is(PageContent::Kind::Document)) << c.name;
  }
}

TEST_F(BrowserViewTest, ThePageFollowsTheModelOncePerTurnOfTheLoop) {
  makeModel();
  auto view = makeView();
  ASSERT_EQ(view->pageKind(), PageContent::Kind::Home);
  open(PageContent::history());
  open(PageContent::loading());
  // Nothing is built for the intermediate state.
  EXPECT_EQ(view->pageKind(), PageContent::Kind::Home);
  settle();
  EXPECT_EQ(view->pageKind(), PageContent::Kind::Loading);
}

TEST_F(BrowserViewTest, PrivateBannerOnlyInPrivateWindowsOnEveryPageUnderTheChrome) {
  for (const bool isPrivate : {false, true}) {
    makeModel(isPrivate);
    auto view = makeView();
    for (const PageContent& content : {PageContent::home(), PageContent::history(),
                                       PageContent::document(document("Belge"))}) {
      open(content);
      settle();
      const QList<QWidget*> shown = column(*view);
      ASSERT_GE(shown.size(), 2);
      EXPECT_EQ(shown.at(0), view->chrome());
      if (isPrivate) {
        ASSERT_NE(view->privateBanner(), nullptr);
        EXPECT_EQ(shown.at(1), view->privateBanner());
        EXPECT_EQ(view->privateBanner()->text(), BrowserView::privateBannerText());
        EXPECT_EQ(view->privateBanner()->symbol(), "eye.slash.fill");
      } else {
        EXPECT_EQ(view->privateBanner(), nullptr);
        EXPECT_EQ(shown.at(1), view->pageArea());
      }
    }
  }
}

TEST_F(BrowserViewTest, FullScreenRemovesTheChromeAndLeavingPutsItBack) {
  makeModel(true);
  auto view = makeView();
  QPointer<BrowserChromeView> chrome = view->chrome();
  ASSERT_TRUE(chrome);
  state.setFullScreen(true);
  settle();
  EXPECT_FALSE(chrome);
  EXPECT_EQ(view->chrome(), nullptr);
  EXPECT_EQ(column(*view).first(), view->privateBanner());
  state.setFullScreen(false);
  settle();
  ASSERT_NE(view->chrome(), nullptr);
  EXPECT_EQ(column(*view).first(), view->chrome());
  EXPECT_EQ(view->chrome()->height(), BrowserChromeView::kHeight);
}

TEST_F(BrowserViewTest, DeveloperToolsSit285HighBelowThePageWithoutNarrowingIt) {
  makeModel();
  auto view = makeView();
  open(PageContent::document(document("Belge")));
  settle();
  const int pageHeight = view->pageArea()->height();
  model->setDevToolsVisible(true);
  settle();
  ASSERT_NE(view->developerTools(), nullptr);
  EXPECT_EQ(column(*view).last(), view->developerTools());
  EXPECT_EQ(view->developerTools()->height(), BrowserView::kDeveloperToolsHeight);
  EXPECT_EQ(view->pageArea()->height(), pageHeight - BrowserView::kDeveloperToolsHeight);
  EXPECT_EQ(model->viewportWidth(), 1000);
  QPointer<DeveloperToolsView> tools = view->developerTools();
  model->setDevToolsVisible(false);
  settle();
  EXPECT_FALSE(tools);
  EXPECT_EQ(view->pageArea()->height(), pageHeight);
}

TEST_F(BrowserViewTest, DocumentBannersFollowTheResponseAndTheWarnings) {
  struct Case {
    const char* name;
    bool web;
    QStringList warnings;
  };
  const std::vector<Case> cases{
      {"local", false, {}}, {"web", true, {}}, {"warned", false, {"grid"}}, {"both", true, {"grid", "float"}}};
  makeModel();
  auto view = makeView();
  for (const Case& c : cases) {
    const QString address = c.web ? QStringLiteral("https://example.com/") : QStringLiteral("file:///tmp/a.html");
    open(PageContent::document(document("Belge", c.warnings)), address,
         c.web ? std::optional(response(address)) : std::nullopt);
    settle();
    ASSERT_NE(view->sceneView(), nullptr) << c.name;
    EXPECT_EQ(view->webPreviewBanner()->isVisible(), c.web) << c.name;
    EXPECT_EQ(view->warningsBanner()->isVisible(), !c.warnings.isEmpty()) << c.name;
    // The web-preview banner comes first, the document view takes the rest.
    if (c.web && !c.warnings.isEmpty()) {
      EXPECT_LT(view->webPreviewBanner()->y(), view->warningsBanner()->y()) << c.name;
    }
    EXPECT_EQ(view->sceneView()->geometry().bottom(), view->page()->height() - 1) << c.name;
  }
  EXPECT_EQ(view->webPreviewBanner()->text(), BrowserView::webPreviewText());
  EXPECT_EQ(view->warningsBanner()->text(), BrowserView::warningsText());
}

TEST_F(BrowserViewTest, HighlightIsPassedOnlyWhileTheDeveloperToolsAreOpen) {
  makeModel();
  open(PageContent::document(document("Belge")), QStringLiteral("file:///tmp/a.html#giris"));
  model->inspect(7);
  SceneInputs closed = BrowserView::sceneInputs(*model, model->current());
  EXPECT_FALSE(closed.highlightedBounds);
  EXPECT_FALSE(closed.highlightedNodeID);
  EXPECT_EQ(closed.address, "file:///tmp/a.html#giris");
  EXPECT_EQ(closed.fragment, "giris");
  EXPECT_EQ(closed.pagePosition, model->current().pagePosition());
  EXPECT_EQ(closed.document.title, "Belge");

  model->setDevToolsVisible(true);
  SceneInputs open = BrowserView::sceneInputs(*model, model->current());
  ASSERT_TRUE(open.highlightedBounds);
  EXPECT_EQ(open.highlightedBounds->rect(), QRectF(10, 20, 300, 40));
  EXPECT_EQ(open.highlightedNodeID, 7);

  // A node id that names no node gives no highlight.
  model->inspect(99);
  SceneInputs missing = BrowserView::sceneInputs(*model, model->current());
  EXPECT_FALSE(missing.highlightedBounds);
  EXPECT_FALSE(missing.highlightedNodeID);
}

TEST_F(BrowserViewTest, LinksFromTheDocumentAreFollowedByTheModel) {
  makeModel();
  open(PageContent::document(document("Belge")), QStringLiteral("file:///tmp/a.html"));
  const QUuid tab = model->selectedID();
  BrowserView::sceneInputs(*model, model->current()).onLink(QStringLiteral("kivo://history"));
  EXPECT_EQ(model->selectedID(), tab);
  EXPECT_EQ(model->current().address(), "kivo://history");
  EXPECT_TRUE(model->current().content.is(PageContent::Kind::History));
}

TEST_F(BrowserViewTest, TwoHistoryTabsShareOnePageAndItsSearchText) {
  makeModel();
  auto view = makeView();
  const QUuid first = open(PageContent::history());
  settle();
  QPointer<HistoryView> history = qobject_cast<HistoryView*>(view->page());
  ASSERT_TRUE(history);
  QTest::keyClicks(history->searchField(), QStringLiteral("cay"));
  open(PageContent::history());
  settle();
  EXPECT_EQ(view->page(), history.data());
  EXPECT_EQ(history->query(), "cay");
  model->select(first);
  settle();
  EXPECT_EQ(view->page(), history.data());
  EXPECT_EQ(history->searchField()->text(), "cay");
  // Another kind in between builds a fresh history page afterwards.
  open(PageContent::home());
  settle();
  EXPECT_FALSE(history);
  model->select(first);
  settle();
  ASSERT_NE(qobject_cast<HistoryView*>(view->page()), nullptr);
  EXPECT_EQ(qobject_cast<HistoryView*>(view->page())->query(), "");
}

TEST_F(BrowserViewTest, TwoDocumentTabsShareOneDocumentViewFedWithEachTabsInputs) {
  makeModel();
  auto view = makeView();
  const QUuid first = open(PageContent::document(document("Bir")), QStringLiteral("file:///tmp/bir.html"));
  settle();
  QPointer<SceneView> scene = view->sceneView();
  ASSERT_TRUE(scene);
  EXPECT_EQ(scene->canvas()->address(), "file:///tmp/bir.html");
  open(PageContent::document(document("İki")), QStringLiteral("file:///tmp/iki.html"));
  settle();
  EXPECT_EQ(view->sceneView(), scene.data());
  EXPECT_EQ(scene->canvas()->address(), "file:///tmp/iki.html");
  ASSERT_TRUE(scene->canvas()->document());
  EXPECT_EQ(scene->canvas()->document()->title, "İki");
  model->select(first);
  settle();
  EXPECT_EQ(view->sceneView(), scene.data());
  EXPECT_EQ(scene->canvas()->document()->title, "Bir");
}

TEST_F(BrowserViewTest, SearchPageIsBuiltAnewForEveryNavigation) {
  makeModel();
  auto view = makeView();
  const QUuid first = open(PageContent::search("kivo"));
  settle();
  QPointer<QWidget> firstPage = view->page();
  open(PageContent::search("kivo"));
  settle();
  QPointer<QWidget> secondPage = view->page();
  EXPECT_FALSE(firstPage);
  ASSERT_NE(qobject_cast<SearchView*>(secondPage.data()), nullptr);
  model->select(first);
  settle();
  EXPECT_FALSE(secondPage);
  ASSERT_NE(qobject_cast<SearchView*>(view->page()), nullptr);
  // The same query typed again is a new navigation of the tab.
  QPointer<QWidget> before = view->page();
  model->navigate(QStringLiteral("kivo://search?q=kivo"));
  settle();
  EXPECT_FALSE(before);
  auto* again = qobject_cast<SearchView*>(view->page());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->query(), "kivo");
  EXPECT_EQ(again->scrollArea()->verticalScrollBar()->value(), 0);
}

TEST_F(BrowserViewTest, ClickingASearchResultReplacesThePageSafely) {
  makeModel();
  auto view = makeView();
  open(PageContent::search(""));
  settle();
  auto* search = qobject_cast<SearchView*>(view->page());
  ASSERT_NE(search, nullptr);
  QPointer<QWidget> page = search;
  SearchResultRow* row = search->rows().at(1);
  QTest::mouseClick(row, Qt::LeftButton, {}, row->rect().center());
  EXPECT_EQ(model->current().address(), "kivo://engine");
  settle();
  EXPECT_FALSE(page);
  EXPECT_NE(view->pageKind(), PageContent::Kind::Search);
}

TEST_F(BrowserViewTest, DocumentWidthIsReportedOnShowAndOnResizeOnly) {
  makeModel();
  auto view = makeView(1100);
  ASSERT_NE(model->viewportWidth(), 1100);
  // A page other than a document reports nothing, also when resized.
  view->resize(1050, 760);
  settle();
  EXPECT_EQ(model->viewportWidth(), BrowserModel::kDefaultViewportWidth);

  const QUuid documentTab = open(PageContent::document(document("Belge")), QStringLiteral("file:///tmp/a.html"));
  settle();
  EXPECT_EQ(model->viewportWidth(), 1050);
  view->resize(1234, 700);
  settle();
  EXPECT_EQ(model->viewportWidth(), 1234);
  // Height alone reports nothing new; full screen does not change the width.
  view->resize(1234, 900);
  state.setFullScreen(true);
  settle();
  EXPECT_EQ(model->viewportWidth(), 1234);

  open(PageContent::history());
  settle();
  view->resize(1300, 900);
  settle();
  EXPECT_EQ(model->viewportWidth(), 1234);
  // Coming back into view reports the width again.
  model->select(documentTab);
  settle();
  EXPECT_EQ(model->viewportWidth(), 1300);
}

TEST_F(BrowserViewTest, DocumentWidthWaitsUntilTheViewIsShown) {
  makeModel();
  open(PageContent::document(document("Belge")), QStringLiteral("file:///tmp/a.html"));
  BrowserView view(*model, state);
  view.resize(1111, 700);
  settle();
  EXPECT_EQ(model->viewportWidth(), BrowserModel::kDefaultViewportWidth);
  view.show();
  EXPECT_EQ(model->viewportWidth(), 1111);
}

TEST_F(BrowserViewTest, NoticeFloatsAtTheBottomCentreAndLetsClicksThrough) {
  makeModel();
  auto view = makeView(1000, 760);
  EXPECT_TRUE(view->notice()->isHidden());
  model->setDevToolsVisible(true);
  model->notify(QStringLiteral("Belge ve ağ önbelleği temizlendi."));
  settle();
  NoticeBubble* notice = view->notice();
  ASSERT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->text(), "Belge ve ağ önbelleği temizlendi.");
  EXPECT_TRUE(notice->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_EQ(notice->geometry().bottom() + 1, view->height() - BrowserView::kNoticeLift);
  EXPECT_LE(std::abs(notice->geometry().center().x() - view->width() / 2), 1);
  // It floats over the developer tools, and the pointer reaches them.
  const QPoint centre = notice->geometry().center();
  EXPECT_TRUE(view->developerTools()->geometry().contains(centre));
  QWidget* under = view->childAt(centre);
  ASSERT_NE(under, nullptr);
  EXPECT_NE(under, notice);
  EXPECT_TRUE(under == view->developerTools() || view->developerTools()->isAncestorOf(under));
  // It keeps its place when the window is resized, and goes with the text.
  view->resize(1200, 800);
  EXPECT_EQ(notice->geometry().bottom() + 1, 800 - BrowserView::kNoticeLift);
  EXPECT_LE(std::abs(notice->geometry().center().x() - 600), 1);
  model->setDevToolsVisible(false);
  settle();
  EXPECT_TRUE(notice->isVisible());
}

TEST_F(BrowserViewTest, MessagePageShowsItsTextsAndGoesHome) {
  makeModel();
  auto view = makeView();
  open(PageContent::message("Yükleme durduruldu.", "Yenile düğmesiyle tekrar deneyebilirsin."),
       QStringLiteral("https://example.com/"));
  settle();
  auto* message = qobject_cast<MessagePage*>(view->page());
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->titleLabel()->plainText(), "Yükleme durduruldu.");
  EXPECT_EQ(message->detailLabel()->plainText(), "Yenile düğmesiyle tekrar deneyebilirsin.");
  EXPECT_LE(message->block()->width(), MessagePage::kMaximumWidth + 2 * 40);
  // Another message tab reuses the page with its own texts.
  open(PageContent::message("Bu adres türü desteklenmiyor.", "Kısa."));
  settle();
  EXPECT_EQ(view->page(), message);
  EXPECT_EQ(message->titleLabel()->plainText(), "Bu adres türü desteklenmiyor.");
  QPointer<MessagePage> page = message;
  QTest::mouseClick(message->homeButton(), Qt::LeftButton);
  EXPECT_EQ(model->current().address(), "kivo://home");
  settle();
  EXPECT_FALSE(page);
  EXPECT_EQ(view->pageKind(), PageContent::Kind::Home);
}

TEST_F(BrowserViewTest, LongMessageDetailWrapsAt500PointsAndShortOneKeepsTheBlockNarrow) {
  makeModel();
  auto view = makeView(1400, 900);
  open(PageContent::message("Sayfa açılamadı.", QString("uzun ayrıntı ").repeated(60)));
  settle();
  auto* message = qobject_cast<MessagePage*>(view->page());
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(message->detailLabel()->width(), MessagePage::kMaximumWidth);
  EXPECT_GT(message->detailLabel()->height(), 3 * message->detailLabel()->fontMetrics().height());
  EXPECT_EQ(message->detailLabel()->height(), message->detailLabel()->heightForWidth(MessagePage::kMaximumWidth));
  open(PageContent::message("Yükleme durduruldu.", "Kısa."));
  settle();
  EXPECT_LT(message->block()->width() - 2 * 40, 300);
  // A short title is not broken although it would fit into the block.
  EXPECT_EQ(message->titleLabel()->height(), message->titleLabel()->heightForWidth(10000));
  // The block is centred; its texts start at its leading edge.
  const QRect block = message->block()->geometry();
  EXPECT_LE(std::abs(block.center().x() - message->width() / 2), 1);
  EXPECT_LE(std::abs(block.center().y() - message->height() / 2), 1);
  EXPECT_EQ(message->titleLabel()->x(), message->detailLabel()->x());
  EXPECT_EQ(message->titleLabel()->x(), message->homeButton()->x());
}

TEST_F(BrowserViewTest, DownloadOfferSavesThroughTheProfileAndShowsDownloads) {
  makeModel();
  auto panel = std::make_shared<RecordingPanel>();
  model->profile()->downloads().setSavePanel(panel);
  FakeWindow window;
  model->setBrowserWindow(&window);
  auto view = makeView();
  open(PageContent::download(QUrl("https://example.com/files/rapor.pdf"), "rapor (son).pdf"),
       QStringLiteral("https://example.com/files/rapor.pdf"));
  settle();
  auto* offer = qobject_cast<DownloadOfferPage*>(view->page());
  ASSERT_NE(offer, nullptr);
  EXPECT_EQ(offer->nameLabel()->plainText(), "rapor (son).pdf");
  QTest::mouseClick(offer->downloadButton(), Qt::LeftButton);
  ASSERT_EQ(panel->requests.size(), 1);
  EXPECT_EQ(panel->requests.first().title, "Dosyayı indir");
  EXPECT_EQ(panel->windows.first(), &window.parent);

  const QUuid tab = model->selectedID();
  QTest::mouseClick(offer->showDownloadsButton(), Qt::LeftButton);
  EXPECT_EQ(model->selectedID(), tab);
  EXPECT_EQ(model->current().address(), "kivo://downloads");
  settle();
  EXPECT_EQ(view->pageKind(), PageContent::Kind::Downloads);
  model->setBrowserWindow(nullptr);
}

TEST_F(BrowserViewTest, BannerColoursFollowTheScheme) {
  makeModel(true);
  auto view = makeView();
  preferences->setAppearance(BrowserAppearance::Light);
  const QColor light = view->privateBanner()->fillColor();
  preferences->setAppearance(BrowserAppearance::Dark);
  const QColor dark = view->privateBanner()->fillColor();
  EXPECT_EQ(light, Palette::withOpacity(BrowserView::systemPurple(ColorScheme::Light), 0.12));
  EXPECT_EQ(dark, Palette::withOpacity(BrowserView::systemPurple(ColorScheme::Dark), 0.12));
  EXPECT_NE(light, dark);
}

}  // namespace
