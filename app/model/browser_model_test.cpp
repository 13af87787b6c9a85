#include "model/browser_model.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <QThread>

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <deque>
#include <future>
#include <limits>
#include <thread>

#include "base/bridge_error.h"
#include "model/background_work.h"
#include "model/web_address.h"
#include "network/network_error.h"
#include "platform/event_wait.h"
#include "profile/browsing_profile.h"
#include "support/test_names.h"

namespace {

using namespace std::chrono_literals;

// A model whose worker jobs, timers, fetches and renders the test drives by
// hand, so every completion order can be forced.
class ModelTest : public testing::Test {
protected:
  struct Timer {
    std::chrono::milliseconds delay;
    std::function<void()> action;
    bool cancelled = false;
  };

  void SetUp() override {
    ASSERT_TRUE(m_folder.isValid());
    m_cache = std::make_shared<DocumentCache>(16, 33'554'432, [this](const QByteArray& source, double width) {
      ++m_renders;
      const QString text = QString::fromUtf8(source);
      if (m_failRenders || text.startsWith(QLatin1String("fail"))) throw BridgeError(QStringLiteral("Motor bu belgeyi işleyemedi."));
      PageDocument document;
      document.version = 2;
      document.title = text;
      document.width = width;
      document.height = 100;
      document.warnings = {QStringLiteral("uyarı")};
      document.commands = {PaintCommand{}};
      InspectedNode node;
      node.id = 7;
      node.name = QStringLiteral("h1");
      document.nodes = QList<InspectedNode>{node};
      return document;
    });
    m_profile = std::make_shared<BrowsingProfile>(false, QString(), m_cache);
  }

  std::unique_ptr<BrowserModel> makeModel(std::shared_ptr<BrowsingProfile> profile = nullptr,
                                          std::optional<BrowserTab> tab = std::nullopt) {
    auto model = std::make_unique<BrowserModel>(nullptr, nullptr, tab, profile ? profile : m_profile);
    BrowserModel::Services services;
    services.background = [this](std::function<void()> job) { m_jobs.push_back(std::move(job)); };
    services.schedule = [this](std::chrono::milliseconds delay, std::function<void()> action) {
      auto timer = std::make_shared<Timer>(Timer{delay, std::move(action)});
      m_timers.push_back(timer);
      return std::function<void()>([timer] { timer->cancelled = true; });
    };
    services.page = [this](const QUrl& url, bool bypass, std::stop_token) {
      m_fetches.append(QString::fromUtf8(url.toEncoded()) + (bypass ? QStringLiteral(" bypass") : QString()));
      return m_page(url);
    };
    services.prepare = [this](const QByteArray& source, const QUrl&, bool, std::stop_token) {
      ++m_prepares;
      if (m_whilePreparing) m_whilePreparing();
      WebResourcePack pack;
      pack.source = source;
      for (int i = 0; i < m_packWarnings; ++i) pack.warnings.append(QStringLiteral("alt kaynak atlandı"));
      return pack;
    };
    model->setServices(services);
    return model;
  }

  // A local HTML file whose text is its rendered title.
  QString writeFile(const QString& name, const QByteArray& text) {
    const QString path = m_folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    return WebAddress::fromLocalPath(path).text();
  }

  static NetworkResponse response(const char* url, const char* body) {
    NetworkResponse answer;
    answer.url = QUrl(QString::fromUtf8(url));
    answer.status = 200;
    answer.mime = QStringLiteral("text/html");
    answer.byteCount = static_cast<qint64>(std::strlen(body));
    answer.source = QByteArray(body);
    answer.suggestedFilename = QStringLiteral("sayfa.html");
    return answer;
  }

  // Runs the worker job `index` and delivers what it posted.
  void runJob(std::size_t index = 0) {
    ASSERT_LT(index, m_jobs.size());
    std::function<void()> job = std::move(m_jobs[index]);
    m_jobs.erase(m_jobs.begin() + static_cast<std::ptrdiff_t>(index));
    job();
    QCoreApplication::sendPostedEvents();
  }

  // Runs every job, including those the results start, in order.
  void runAll() {
    for (int guard = 0; !m_jobs.empty() && guard < 100; ++guard) runJob(0);
  }

  // Fires the timers that are not cancelled, oldest first.
  void fireTimers() {
    std::vector<std::shared_ptr<Timer>> due;
    due.swap(m_timers);
    for (const auto& timer : due) {
      if (!timer->cancelled) timer->action();
    }
  }

  std::size_t liveTimers() const {
    return static_cast<std::size_t>(
        std::count_if(m_timers.begin(), m_timers.end(), [](const auto& timer) { return !timer->cancelled; }));
  }

  static QString title(const BrowserModel& model) { return model.current().title; }

  QTemporaryDir m_folder;
  std::shared_ptr<DocumentCache> m_cache;
  std::shared_ptr<BrowsingProfile> m_profile;
  std::deque<std::function<void()>> m_jobs;
  std::vector<std::shared_ptr<Timer>> m_timers;
  std::function<NetworkResponse(const QUrl&)> m_page = [](const QUrl&) -> NetworkResponse {
    throw BridgeError(QStringLiteral("Sunucuya ulaşılamadı."));
  };
  QStringList m_fetches;
  int m_renders = 0;
  int m_prepares = 0;
  std::function<void()> m_whilePreparing;
  int m_packWarnings = 1;
  bool m_failRenders = false;
};

// ---------------------------------------------------------------------------
// State and lifecycle

TEST_F(ModelTest, StartsWithOneHomeTab) {
  const auto model = makeModel();
  ASSERT_EQ(model->tabs().size(), 1);
  EXPECT_EQ(model->selectedID(), model->tabs()[0].id());
  EXPECT_EQ(model->addressDraft(), QStringLiteral("kivo://home"));
  EXPECT_FALSE(model->devToolsVisible());
  EXPECT_EQ(model->inspectorTab(), InspectorTab::Elements);
  EXPECT_FALSE(model->openMenu() || model->notice());
  EXPECT_EQ(model->viewportWidth(), 997);
  EXPECT_EQ(model->cache(), m_cache);
  EXPECT_TRUE(m_jobs.empty());
}

TEST_F(ModelTest, AGivenProfileDecidesTheCache) {
  auto other = std::make_shared<DocumentCache>();
  const BrowserModel model(nullptr, other, std::nullopt, m_profile);
  EXPECT_EQ(model.cache(), m_cache);
  const BrowserModel own(nullptr, other);
  EXPECT_EQ(own.cache(), other);
  EXPECT_FALSE(own.isPrivate());
}

TEST_F(ModelTest, InitialTabIsSelectedWithItsAddress) {
  const BrowserTab tab({QStringLiteral("kivo://settings"), QStringLiteral("kivo://history")}, 0);
  const auto model = makeModel(nullptr, tab);
  EXPECT_EQ(model->selectedID(), tab.id());
  EXPECT_EQ(model->addressDraft(), QStringLiteral("kivo://settings"));
}

TEST_F(ModelTest, NoticeLastsThreeSecondsAfterTheLastCall) {
  const auto model = makeModel();
  model->notify(QStringLiteral("A"));
  model->notify(QStringLiteral("B"));
  EXPECT_EQ(model->notice(), QStringLiteral("B"));
  ASSERT_EQ(m_timers.size(), 2u);
  EXPECT_TRUE(m_timers[0]->cancelled) << "the older timer would clear the newer notice";
  EXPECT_EQ(m_timers[1]->delay, 3000ms);
  fireTimers();
  EXPECT_FALSE(model->notice().has_value());
}

TEST_F(ModelTest, AProfileThatCannotSaveSaysSoOnceInItsFirstWindow) {
  const QString folder = m_folder.filePath(QStringLiteral("Profile"));
  const auto owner = std::make_shared<BrowsingProfile>(false, folder, m_cache);
  const auto lockedOut = std::make_shared<BrowsingProfile>(false, folder, m_cache);
  EXPECT_FALSE(makeModel(owner)->notice());
  const auto first = makeModel(lockedOut);
  EXPECT_EQ(first->notice(),
            QStringLiteral("Bu profil başka bir Kivo sürecinde açık; geçmiş ve indirmeler bu oturumda kaydedilmeyecek."));
  EXPECT_FALSE(makeModel(lockedOut)->notice());
}

TEST_F(ModelTest, CloseWindowResetsAndCancelsEverything) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("a.html"), "A"));
  model->newTab();
  model->close(model->selectedID());
  model->notify(QStringLiteral("kalır"));
  model->setViewportWidth(500);
  model->closeWindow();
  ASSERT_EQ(model->tabs().size(), 1);
  EXPECT_EQ(model->current().title, QStringLiteral("Yeni sekme"));
  EXPECT_EQ(model->selectedID(), model->tabs()[0].id());
  EXPECT_TRUE(model->closedTabs().isEmpty());
  EXPECT_EQ(liveTimers(), 0u);
  EXPECT_EQ(model->notice(), QStringLiteral("kalır"));
  runAll();
  EXPECT_TRUE(model->current().content.is(PageContent::Kind::Home));
}

TEST_F(ModelTest, ClearCacheEmptiesTheCacheAndTellsTheUser) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("a.html"), "A"));
  runAll();
  EXPECT_EQ(model->cacheEntries(), 1);
  model->clearCache();
  runAll();
  EXPECT_EQ(model->cacheEntries(), 0);
  EXPECT_EQ(model->cacheBytes(), 0);
  EXPECT_EQ(model->notice(), QStringLiteral("Belge ve ağ önbelleği temizlendi."));
}

TEST_F(ModelTest, EveryAssignmentNotifies) {
  const auto model = makeModel();
  QSignalSpy drafts(model.get(), &BrowserModel::addressDraftChanged);
  QSignalSpy tabs(model.get(), &BrowserModel::tabsChanged);
  model->setAddressDraft(model->addressDraft());
  model->inspect(3);
  EXPECT_EQ(drafts.count(), 1);
  EXPECT_EQ(tabs.count(), 1);
}

// ---------------------------------------------------------------------------
// Tabs

TEST_F(ModelTest, ClosingPassesTheSelectionToTheRightNeighbour) {
  const auto model = makeModel();
  model->newTab();
  model->newTab();
  const QList<BrowserTab> tabs = model->tabs();
  model->select(tabs[1].id());
  model->close(tabs[1].id());
  EXPECT_EQ(model->selectedID(), tabs[2].id());
  model->close(tabs[2].id());
  EXPECT_EQ(model->selectedID(), tabs[0].id());
  model->newTab();
  model->setAddressDraft(QStringLiteral("yarım"));
  model->close(tabs[0].id());
  EXPECT_EQ(model->addressDraft(), QStringLiteral("yarım")) << "closing another tab keeps the field";
}

TEST_F(ModelTest, ClosingTheLastTabLeavesAHomeTabOrClosesTheWindow) {
  const auto model = makeModel();
  model->navigate(QStringLiteral("kivo://settings"));
  model->close(model->selectedID());
  ASSERT_EQ(model->tabs().size(), 1);
  EXPECT_EQ(model->current().address(), QStringLiteral("kivo://home"));
  ASSERT_EQ(model->closedTabs().size(), 1);
  model->reopenClosedTab();
  EXPECT_EQ(model->tabs().size(), 2);
  EXPECT_EQ(model->current().history,
            (QStringList{QStringLiteral("kivo://home"), QStringLiteral("kivo://settings")}));
  EXPECT_TRUE(model->current().content.is(PageContent::Kind::Settings));

  struct Window : WindowServices {
    int closes = 0;
    void performClose() override { ++closes; }
    QWidget* dialogParent() override { return nullptr; }
  } window;
  struct Workspace : WorkspaceServices {
    QList<BrowserModel*> windowModels() const override { return {}; }
  } workspace;
  const auto windowed = makeModel();
  windowed->setBrowserWindow(&window);
  windowed->setWorkspace(&workspace);
  const QUuid only = windowed->selectedID();
  windowed->close(only);
  EXPECT_EQ(window.closes, 1);
  EXPECT_EQ(windowed->tabs()[0].id(), only) << "the window's closing resets the model";
}

TEST_F(ModelTest, OnlyTheTwentyNewestClosedTabsCanBeReopened) {
  const auto model = makeModel();
  for (int i = 0; i < 21; ++i) {
    model->newTab();
    model->search(QString::number(i));
    model->close(model->selectedID());
  }
  EXPECT_EQ(model->closedTabs().size(), 20);
  model->reopenClosedTab();
  EXPECT_EQ(model->current().address(), QStringLiteral("kivo://search?q=20"));
  EXPECT_EQ(model->closedTabs().first().history.last(), QStringLiteral("kivo://search?q=1"));
}

TEST_F(ModelTest, CyclingWrapsAround) {
  const auto model = makeModel();
  model->newTab();
  model->newTab();
  const QList<BrowserTab> tabs = model->tabs();
  model->cycleTab(1);
  EXPECT_EQ(model->selectedID(), tabs[0].id());
  model->cycleTab(-1);
  EXPECT_EQ(model->selectedID(), tabs[2].id());
}

TEST_F(ModelTest, MovingAndRestoringIgnoreBadArguments) {
  const auto model = makeModel();
  model->newTab();
  model->newTab();
  const QList<BrowserTab> tabs = model->tabs();
  const auto order = [&] {
    QList<QUuid> ids;
    for (const BrowserTab& tab : model->tabs()) ids.append(tab.id());
    return ids;
  };
  const QList<QUuid> original = order();
  for (const qsizetype index : {qsizetype(0), qsizetype(-1), qsizetype(3)}) model->moveTab(tabs[0].id(), index);
  EXPECT_EQ(order(), original);
  model->moveTab(tabs[0].id(), 2);
  EXPECT_EQ(order(), (QList<QUuid>{tabs[1].id(), tabs[2].id(), tabs[0].id()}));
  model->restoreTabOrder({tabs[0].id(), tabs[1].id()});
  model->restoreTabOrder({tabs[0].id(), tabs[1].id(), tabs[2].id(), QUuid::createUuid()});
  model->restoreTabOrder({tabs[0].id(), tabs[1].id(), QUuid::createUuid()});
  EXPECT_EQ(order(), (QList<QUuid>{tabs[1].id(), tabs[2].id(), tabs[0].id()}));
  model->restoreTabOrder(original);
  EXPECT_EQ(order(), original);
}

TEST_F(ModelTest, SettingsOpensOnce) {
  const auto model = makeModel();
  model->openSettings();
  const QUuid settings = model->selectedID();
  model->newTab();
  model->openSettings();
  EXPECT_EQ(model->tabs().size(), 3);
  EXPECT_EQ(model->selectedID(), settings);
}

TEST_F(ModelTest, SelectingResetsTheAddressField) {
  const auto model = makeModel();
  model->setOpenMenu(BrowserMenu::Main);
  model->setAddressDraft(QStringLiteral("yarım adres"));
  model->select(model->selectedID());
  EXPECT_EQ(model->addressDraft(), QStringLiteral("kivo://home"));
  EXPECT_FALSE(model->openMenu().has_value());
  model->select(QUuid::createUuid());
  EXPECT_EQ(model->tabs().size(), 1);
}

TEST_F(ModelTest, ATransferredTabCarriesANewGenerationAndResumesItsLoad) {
  const auto source = makeModel();
  const QString file = writeFile(QStringLiteral("t.html"), "Taşınan");
  source->navigate(file);
  const QUuid generation = source->current().generation;
  std::optional<BrowserTab> taken = source->takeTabForTransfer(source->selectedID());
  ASSERT_TRUE(taken.has_value());
  EXPECT_NE(taken->generation, generation);
  EXPECT_EQ(source->tabs().size(), 1);
  EXPECT_TRUE(source->closedTabs().isEmpty());
  runAll();  // the cancelled load finds no tab
  EXPECT_TRUE(taken->content.is(PageContent::Kind::Loading));

  const auto target = makeModel();
  target->receiveTransferredTab(*taken, -5);
  EXPECT_EQ(target->tabs().first().id(), taken->id());
  EXPECT_EQ(target->selectedID(), taken->id());
  target->receiveTransferredTab(*taken, 0);
  EXPECT_EQ(target->tabs().size(), 2);
  runAll();
  EXPECT_EQ(target->current().title, QStringLiteral("Taşınan"));
  EXPECT_TRUE(target->current().console.isEmpty()) << "a resumed load preserves the console";
}

// ---------------------------------------------------------------------------
// Routing

struct RouteCase {
  const char* address;
  PageContent::Kind kind;
  const char* title;
};

void PrintTo(const RouteCase& c, std::ostream* out) { *out << c.address; }

class Routing : public ModelTest, public testing::WithParamInterface<RouteCase> {};

TEST_P(Routing, RoutesEveryAddressByTheFirstMatchingRow) {
  const RouteCase& c = GetParam();
  const auto model = makeModel();
  model->navigate(QString::fromUtf8(c.address));
  EXPECT_EQ(model->current().content.kind(), c.kind) << c.address;
  EXPECT_EQ(title(*model), QString::fromUtf8(c.title)) << c.address;
  EXPECT_EQ(model->current().address(), QString::fromUtf8(c.address)) << "history keeps the typed case";
}

INSTANTIATE_TEST_SUITE_P(
    Table, Routing,
    testing::Values(RouteCase{"kivo://home", PageContent::Kind::Home, "Yeni sekme"},
                    RouteCase{"kivo://history", PageContent::Kind::History, "Geçmiş"},
                    RouteCase{"kivo://downloads", PageContent::Kind::Downloads, "İndirmeler"},
                    RouteCase{"kivo://settings", PageContent::Kind::Settings, "Ayarlar"},
                    RouteCase{"kivo://search", PageContent::Kind::Search, "Ara: "},
                    RouteCase{"kivo://search?q=a%20b", PageContent::Kind::Search, "Ara: a b"},
                    RouteCase{"kivo://welcome", PageContent::Kind::Loading, "Açılıyor…"},
                    RouteCase{"KIVO://HOME", PageContent::Kind::Message, "Henüz desteklenmiyor"},
                    RouteCase{"kivo://HOME", PageContent::Kind::Message, "Henüz desteklenmiyor"},
                    RouteCase{"kivo://nothing", PageContent::Kind::Message, "Henüz desteklenmiyor"},
                    RouteCase{"ftp://x.y/", PageContent::Kind::Message, "Henüz desteklenmiyor"},
                    RouteCase{"mailto:a@b.c", PageContent::Kind::Message, "Henüz desteklenmiyor"},
                    RouteCase{"HTTPS://A.B", PageContent::Kind::Loading, "Bağlanıyor…"},
                    RouteCase{"http://a.b/", PageContent::Kind::Loading, "Bağlanıyor…"},
                    RouteCase{"file:///tmp/x.html", PageContent::Kind::Loading, "Açılıyor…"},
                    RouteCase{"FILE:///tmp/x.html", PageContent::Kind::Loading, "Açılıyor…"}),
    [](const testing::TestParamInfo<RouteCase>& info) { return kivo_testing::name_from_text(info.param.address); });

TEST_F(ModelTest, UnparseableAddressesShowAMessageWithoutAConsoleLine) {
  const auto model = makeModel();
  model->navigate(QStringLiteral("a.b<c"));
  EXPECT_EQ(model->current().address(), QStringLiteral("https://a.b<c"));
  EXPECT_EQ(title(*model), QStringLiteral("Geçersiz adres"));
  EXPECT_EQ(model->current().content.messageValue()->title, QStringLiteral("Bu adresi anlayamadık."));
  EXPECT_TRUE(model->current().console.isEmpty());
  EXPECT_TRUE(m_jobs.empty());
}

TEST_F(ModelTest, BlankTextChangesNothingAndTheSameAddressReloads) {
  const auto model = makeModel();
  QSignalSpy tabs(model.get(), &BrowserModel::tabsChanged);
  model->setAddressDraft(QStringLiteral("taslak"));
  model->navigate(QStringLiteral("  \n"));
  EXPECT_EQ(tabs.count(), 0);
  EXPECT_EQ(model->addressDraft(), QStringLiteral("taslak"));
  const QString file = writeFile(QStringLiteral("a.html"), "A");
  model->navigate(file);
  const QUuid first = model->current().generation;
  model->navigate(file);
  EXPECT_EQ(model->current().history.size(), 2);
  EXPECT_NE(model->current().generation, first);
  runAll();
  EXPECT_EQ(m_renders, 1) << "the first load was cancelled before it rendered";
}

TEST_F(ModelTest, EmptySearchOpensTheSearchPage) {
  const auto model = makeModel();
  model->search(QStringLiteral("   "));
  EXPECT_EQ(model->current().address(), QStringLiteral("kivo://search?q="));
  EXPECT_EQ(title(*model), QStringLiteral("Ara: "));
  EXPECT_EQ(*model->current().content.searchQuery(), QString());
}

TEST_F(ModelTest, HardReloadTellsOnlyBuiltInPages) {
  const auto model = makeModel();
  model->navigate(QStringLiteral("kivo://settings"));
  model->hardReload();
  EXPECT_EQ(model->notice(), QStringLiteral("Sayfa yenilendi."));
  const auto other = makeModel();
  other->navigate(writeFile(QStringLiteral("a.html"), "A"));
  other->hardReload();
  EXPECT_FALSE(other->notice().has_value());
}

// ---------------------------------------------------------------------------
// Local documents

TEST_F(ModelTest, LocalDocumentLogsRenderThenCacheHit) {
  const auto model = makeModel();
  const QString file = writeFile(QStringLiteral("a.html"), "Belge");
  model->navigate(file);
  EXPECT_TRUE(model->current().content.is(PageContent::Kind::Loading));
  runAll();
  ASSERT_TRUE(model->currentDocument().has_value());
  EXPECT_EQ(title(*model), QStringLiteral("Belge"));
  EXPECT_EQ(model->current().renderedWidth, 997);
  ASSERT_EQ(model->current().console.size(), 2);
  EXPECT_EQ(model->current().console[0].message, QStringLiteral("Motor tarafından işlendi: a.html · 1 çizim komutu"));
  EXPECT_EQ(model->current().console[1].level, QStringLiteral("warning"));
  EXPECT_EQ(model->cacheEntries(), 1);
  model->reload();
  runAll();
  EXPECT_TRUE(model->current().console[0].message.startsWith(QStringLiteral("Önbellekten yüklendi")));
  model->hardReload();
  runAll();
  EXPECT_TRUE(model->current().console[0].message.startsWith(QStringLiteral("Motor tarafından işlendi")));
  EXPECT_EQ(model->notice(), QStringLiteral("Sayfanın önbelleği temizlendi ve belge yeniden işlendi."));
}

TEST_F(ModelTest, LongTitlesAreCutToSixtyCharacters) {
  const auto model = makeModel();
  const QString longTitle = QString(61, QChar(u'ş'));
  model->navigate(writeFile(QStringLiteral("a.html"), longTitle.toUtf8()));
  runAll();
  EXPECT_EQ(title(*model), QString(60, QChar(u'ş')));
}

TEST_F(ModelTest, LocalFailureBecomesAMessageAndAnErrorLine) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("bad.html"), "fail"));
  runAll();
  EXPECT_EQ(title(*model), QStringLiteral("Belge açılamadı"));
  EXPECT_EQ(model->current().content.messageValue()->title, QStringLiteral("Belgeyi henüz açamıyoruz."));
  EXPECT_EQ(model->current().content.messageValue()->detail, QStringLiteral("Motor bu belgeyi işleyemedi."));
  ASSERT_EQ(model->current().console.size(), 1);
  EXPECT_EQ(model->current().console[0].level, QStringLiteral("error"));
}

TEST_F(ModelTest, ConsoleStaysCappedOnSuccessAndFailure) {
  m_packWarnings = 250;
  m_page = [](const QUrl&) { return response("http://a.b/", "Çok uyarı"); };
  const auto model = makeModel();
  model->navigate(QStringLiteral("http://a.b/"));
  runAll();
  ASSERT_TRUE(model->currentDocument().has_value());
  EXPECT_EQ(model->current().console.size(), BrowserModel::kConsoleLimit);
  // A failing re-layout appends its error line and keeps the cap.
  m_failRenders = true;
  model->setViewportWidth(700);
  fireTimers();
  runAll();
  EXPECT_EQ(model->current().content.messageValue()->title,
            QStringLiteral("Sayfa alındı; motor henüz bu HTML'i desteklemiyor."));
  ASSERT_EQ(model->current().console.size(), BrowserModel::kConsoleLimit);
  EXPECT_EQ(model->current().console.last().level, QStringLiteral("error"));
}

TEST_F(ModelTest, WidthChangeDuringARenderLoadsAgainAtTheNewWidth) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("a.html"), "A"));
  model->setViewportWidth(700);
  runAll();
  ASSERT_TRUE(model->currentDocument().has_value());
  EXPECT_EQ(model->currentDocument()->width, 700);
  EXPECT_TRUE(model->current().console.isEmpty()) << "the second load preserves the document";
  model->setViewportWidth(700.6);
  EXPECT_EQ(model->viewportWidth(), 700);
}

TEST_F(ModelTest, LateResultOfAClosedOrRenavigatedTabIsDropped) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("a.html"), "A"));
  model->navigate(QStringLiteral("kivo://settings"));
  runAll();
  EXPECT_TRUE(model->current().content.is(PageContent::Kind::Settings));
  EXPECT_EQ(model->cacheEntries(), 1) << "the figures are refreshed even for a dropped result";

  model->newTab();
  model->navigate(writeFile(QStringLiteral("b.html"), "B"));
  const QUuid closed = model->selectedID();
  model->newTab();
  model->close(closed);
  runAll();
  for (const BrowserTab& tab : model->tabs()) EXPECT_NE(tab.title, QStringLiteral("B"));
}

TEST_F(ModelTest, SecondOfTwoNavigationsWinsWhateverFinishesFirst) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("a.html"), "Birinci"));
  model->navigate(writeFile(QStringLiteral("b.html"), "İkinci"));
  ASSERT_EQ(m_jobs.size(), 2u);
  runJob(1);
  runJob(0);
  EXPECT_EQ(title(*model), QStringLiteral("İkinci"));
}

TEST_F(ModelTest, StopShowsTheStoppedPageAndDropsTheLateResult) {
  const auto model = makeModel();
  const QString file = writeFile(QStringLiteral("a.html"), "A");
  model->navigate(file);
  model->stopLoading();
  EXPECT_EQ(title(*model), QStringLiteral("Durduruldu"));
  EXPECT_EQ(model->current().content.messageValue()->title, QStringLiteral("Yükleme durduruldu."));
  runAll();
  EXPECT_EQ(title(*model), QStringLiteral("Durduruldu"));
  model->reload();
  runAll();
  EXPECT_EQ(title(*model), QStringLiteral("A"));
  model->stopLoading();
  EXPECT_TRUE(model->currentDocument().has_value()) << "a shown document stays";
}

TEST_F(ModelTest, ReorderedTabsStillReceiveTheirOwnDocuments) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("a.html"), "A"));
  const QUuid a = model->selectedID();
  model->newTab();
  model->navigate(writeFile(QStringLiteral("b.html"), "B"));
  model->moveTab(a, 1);
  runJob(1);
  runJob(0);
  EXPECT_EQ(model->tabs()[0].title, QStringLiteral("B"));
  EXPECT_EQ(model->tabs()[1].title, QStringLiteral("A"));
}

// ---------------------------------------------------------------------------
// Remote pages

TEST_F(ModelTest, RemotePageFollowsTheRedirectAndRecordsTheVisit) {
  m_page = [](const QUrl&) { return response("http://a.b/page", "Uzak sayfa"); };
  const auto model = makeModel();
  model->navigate(QStringLiteral("http://a.b/redirect"));
  EXPECT_EQ(title(*model), QStringLiteral("Bağlanıyor…"));
  runAll();
  ASSERT_TRUE(model->currentDocument().has_value());
  EXPECT_EQ(model->current().address(), QStringLiteral("http://a.b/page"));
  EXPECT_EQ(model->current().history.size(), 2) << "the redirect replaces the entry";
  EXPECT_EQ(model->addressDraft(), QStringLiteral("http://a.b/page"));
  EXPECT_EQ(model->currentDocument()->warnings,
            (QStringList{QStringLiteral("uyarı"), QStringLiteral("alt kaynak atlandı")}));
  const QList<ConsoleEntry> console = model->current().console;
  ASSERT_EQ(console.size(), 3);
  EXPECT_EQ(console[0].message, QStringLiteral("GET http://a.b/page · HTTP 200 · 10 bayt"));
  ASSERT_EQ(m_profile->history().entries().size(), 1);
  EXPECT_EQ(m_profile->history().entries()[0].address, QStringLiteral("http://a.b/page"));

  // A re-layout renders again from the kept response and resources.
  model->setViewportWidth(700);
  fireTimers();
  runAll();
  EXPECT_EQ(model->currentDocument()->width, 700);
  EXPECT_EQ(m_fetches.size(), 1);
  EXPECT_EQ(m_prepares, 1);
  EXPECT_EQ(m_profile->history().entries().size(), 1);
  EXPECT_EQ(model->current().console.size(), 5) << "warnings repeat, the GET line does not";
}

TEST_F(ModelTest, TheResponseShowsWhileThePageIsPrepared) {
  m_page = [](const QUrl&) { return response("http://a.b/page", "Uzak sayfa"); };
  const auto model = makeModel();
  QString draft;
  QString entry;
  bool placeholder = false;
  m_whilePreparing = [&] {
    QCoreApplication::sendPostedEvents();
    draft = model->addressDraft();
    entry = model->current().history.last();
    placeholder = model->current().content.is(PageContent::Kind::Loading);
    if (!model->current().console.isEmpty()) entry += QStringLiteral(" | ") + model->current().console[0].message;
  };
  model->navigate(QStringLiteral("http://a.b/redirect"));
  runAll();
  EXPECT_EQ(draft, QStringLiteral("http://a.b/page"));
  EXPECT_EQ(entry, QStringLiteral("http://a.b/page | GET http://a.b/page · HTTP 200 · 10 bayt"));
  EXPECT_TRUE(placeholder) << "the placeholder stays until the render";
  EXPECT_TRUE(model->currentDocument().has_value());
}

// The renderer processes this test process has started and not yet reaped.
// Each is told by its program (a process's name changes a moment after the
// start returns, its program does not).
int rendererChildren() {
  int count = 0;
  for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile children(QStringLiteral("/proc/self/task/") + task + QStringLiteral("/children"));
    if (!children.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& pid : children.readAll().split(' ')) {
      if (pid.trimmed().isEmpty()) continue;
      const QString link = QStringLiteral("/proc/") + QString::fromLatin1(pid.trimmed()) + QStringLiteral("/exe");
      const QString program = QFileInfo(link).symLinkTarget();
      if (program.endsWith(QLatin1String("/kivo-document"))) ++count;
    }
  }
  return count;
}

TEST_F(ModelTest, TheRendererStartsWhileThePageIsFetchedAndNeverOutlivesTheLoad) {
  if (!QFile::exists(QStringLiteral("/proc/self/task/%1/children").arg(::gettid()))) {
    GTEST_SKIP() << "this kernel does not list a task's children";
  }
  // The standard cache renders with the built renderer.
  auto profile = std::make_shared<BrowsingProfile>(false, QString(), std::make_shared<DocumentCache>());
  if (profile->cache()->startRender(997) == nullptr) GTEST_SKIP() << "kivo-document was not built beside the test";
  const int before = rendererChildren();
  struct Case {
    const char* name;
    bool cancel;
  };
  for (const Case c : {Case{"rendered", false}, Case{"cancelled", true}}) {
    SCOPED_TRACE(c.name);
    const auto model = makeModel(profile);
    int duringFetch = -1;
    m_page = [&](const QUrl&) {
      duringFetch = rendererChildren() - before;
      if (c.cancel) model->stopLoading();
      return response("http://a.b/page", "<p>Uzak sayfa</p>");
    };
    model->navigate(QStringLiteral("http://a.b/page"));
    runAll();
    EXPECT_EQ(duringFetch, 1) << "the scene's renderer is up while the page is fetched";
    EXPECT_EQ(model->currentDocument().has_value(), !c.cancel);
    EXPECT_EQ(rendererChildren(), before);
  }
}

TEST_F(ModelTest, RemoteFailuresSayWhetherThePageArrived) {
  const auto model = makeModel();
  model->navigate(QStringLiteral("https://a.b/"));
  runAll();
  EXPECT_EQ(title(*model), QStringLiteral("Sayfa açılamadı"));
  EXPECT_EQ(model->current().content.messageValue()->title, QStringLiteral("Siteye bağlanılamadı."));
  EXPECT_EQ(model->current().content.messageValue()->detail, QStringLiteral("Sunucuya ulaşılamadı."));

  m_page = [](const QUrl&) { return response("https://a.b/", "fail"); };
  model->reload();
  runAll();
  EXPECT_EQ(model->current().content.messageValue()->title,
            QStringLiteral("Sayfa alındı; motor henüz bu HTML'i desteklemiyor."));
  EXPECT_EQ(model->current().content.messageValue()->detail,
            QStringLiteral("Motor bu belgeyi işleyemedi.\nJavaScript ve tam HTML/CSS uyumluluğu henüz yok."));
  EXPECT_EQ(model->current().console.last().level, QStringLiteral("error"));
  EXPECT_TRUE(m_profile->history().entries().isEmpty());
}

TEST_F(ModelTest, ANetworkFailureShowsItsSentenceAndLogsItsDetail) {
  m_page = [](const QUrl&) -> NetworkResponse {
    throw NetworkError(NetworkError::Kind::cannotConnect, "Failed to connect to a.b port 443: Connection refused", 7);
  };
  const auto model = makeModel();
  model->navigate(QStringLiteral("https://a.b/"));
  runAll();
  EXPECT_EQ(model->current().content.messageValue()->detail, QStringLiteral("Sunucuya bağlanılamadı."));
  EXPECT_EQ(model->current().console.last().level, QStringLiteral("error"));
  EXPECT_EQ(model->current().console.last().message,
            QStringLiteral("Sunucuya bağlanılamadı. (Failed to connect to a.b port 443: Connection refused)"));
}

TEST_F(ModelTest, ADownloadAnswerIsOfferedAndNotRecorded) {
  m_page = [](const QUrl&) {
    NetworkResponse answer = response("https://a.b/f.zip", "");
    answer.source.reset();
    answer.suggestedFilename = QStringLiteral("f.zip");
    return answer;
  };
  const auto model = makeModel();
  model->navigate(QStringLiteral("https://a.b/f.zip"));
  runAll();
  EXPECT_TRUE(model->current().content.is(PageContent::Kind::Download));
  EXPECT_EQ(title(*model), QStringLiteral("f.zip"));
  EXPECT_EQ(model->current().console.size(), 1);
  EXPECT_TRUE(m_profile->history().entries().isEmpty());
}

TEST_F(ModelTest, LateResponseAfterANewerNavigationChangesNothing) {
  m_page = [](const QUrl&) { return response("http://a.b/late", "Geç"); };
  const auto model = makeModel();
  model->navigate(QStringLiteral("http://a.b/slow"));
  model->navigate(QStringLiteral("kivo://home"));
  runAll();
  EXPECT_EQ(model->current().address(), QStringLiteral("kivo://home"));
  EXPECT_EQ(model->addressDraft(), QStringLiteral("kivo://home"));
  EXPECT_FALSE(model->current().history.contains(QStringLiteral("http://a.b/late")));
  EXPECT_TRUE(m_profile->history().entries().isEmpty());
}

TEST_F(ModelTest, HistoryClearedDuringALoadKeepsTheVisitOut) {
  m_page = [](const QUrl&) { return response("http://a.b/slow", "Yavaş"); };
  const auto model = makeModel();
  model->navigate(QStringLiteral("http://a.b/slow"));
  model->clearHistory();
  runAll();
  EXPECT_TRUE(model->currentDocument().has_value());
  EXPECT_TRUE(m_profile->history().entries().isEmpty());
}

TEST_F(ModelTest, PrivateProfilesRecordNoVisits) {
  m_page = [](const QUrl&) { return response("http://a.b/", "Gizli"); };
  const auto privateProfile = std::make_shared<BrowsingProfile>(true, QString(), m_cache);
  const auto model = makeModel(privateProfile);
  model->navigate(QStringLiteral("http://a.b/"));
  runAll();
  EXPECT_TRUE(model->currentDocument().has_value());
  EXPECT_TRUE(privateProfile->history().entries().isEmpty());
  EXPECT_TRUE(model->isPrivate());
}

// ---------------------------------------------------------------------------
// History, links and viewport

TEST_F(ModelTest, BackAndForwardMoveWithinTheTab) {
  const auto model = makeModel();
  model->back();
  model->forward();
  EXPECT_EQ(model->current().address(), QStringLiteral("kivo://home"));
  model->navigate(QStringLiteral("kivo://settings"));
  model->navigate(QStringLiteral("kivo://history"));
  model->back();
  EXPECT_EQ(model->addressDraft(), QStringLiteral("kivo://settings"));
  EXPECT_TRUE(model->canGoForward());
  model->navigate(QStringLiteral("kivo://downloads"));
  EXPECT_FALSE(model->canGoForward());
  EXPECT_TRUE(model->canGoBack());
}

struct LinkCase {
  const char* page;
  const char* link;
  const char* address;  // the address afterwards
  bool notice;
};

void PrintTo(const LinkCase& c, std::ostream* out) { *out << c.link << " from " << c.page; }

class Links : public ModelTest, public testing::WithParamInterface<LinkCase> {};

TEST_P(Links, WebPagesOpenOnlyWebAddresses) {
  const LinkCase& c = GetParam();
  const auto model = makeModel(nullptr, BrowserTab({QString::fromUtf8(c.page)}, 0));
  model->followLink(QString::fromUtf8(c.link));
  EXPECT_EQ(model->current().address(), QString::fromUtf8(c.address)) << c.link;
  EXPECT_EQ(model->notice().has_value(), c.notice) << c.link;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Links,
    testing::Values(LinkCase{"https://a.b/x", "file:///etc/hosts", "https://a.b/x", true},
                    LinkCase{"https://a.b/x", "kivo://settings", "https://a.b/x", true},
                    LinkCase{"HTTPS://a.b/x", "kivo://settings", "HTTPS://a.b/x", true},
                    LinkCase{"http://a.b/x", "https://user@c.d/", "http://a.b/x", true},
                    LinkCase{"https://a.b/x", "https://c.d/", "https://c.d/", false},
                    LinkCase{"https://a.b/x", "/next", "https://a.b/next", false},
                    LinkCase{"https://a.b/x", "javascript:alert(1)", "https://a.b/x", false},
                    LinkCase{"https://a.b/x", "mailto:a@b.c", "https://a.b/x", false},
                    LinkCase{"file:///tmp/kivo/index.html", "next.html#section", "file:///tmp/kivo/next.html#section", false},
                    LinkCase{"file:///tmp/kivo/index.html", "kivo://settings", "kivo://settings", false},
                    LinkCase{"kivo://welcome", "#details", "kivo://welcome#details", false}),
    [](const testing::TestParamInfo<LinkCase>& info) { return kivo_testing::indexed_name(info.index, info.param.link); });

TEST_F(ModelTest, FragmentIsDecoded) {
  const auto model = makeModel(nullptr, BrowserTab({QStringLiteral("kivo://welcome#%C3%A7")}, 0));
  EXPECT_EQ(model->fragment(), QStringLiteral("ç"));
  const auto bad = makeModel(nullptr, BrowserTab({QStringLiteral("kivo://welcome#%C3")}, 0));
  EXPECT_FALSE(bad->fragment().has_value());
}

TEST_F(ModelTest, ClearingHistoryCutsEveryWindowOfTheSameProfile) {
  struct Workspace : WorkspaceServices {
    QList<BrowserModel*> models;
    QList<BrowserModel*> windowModels() const override { return models; }
  } workspace;
  const auto first = makeModel();
  const auto second = makeModel();
  const auto privateModel = makeModel(std::make_shared<BrowsingProfile>(true));
  workspace.models = {first.get(), second.get(), privateModel.get()};
  for (BrowserModel* model : workspace.models) {
    model->setWorkspace(&workspace);
    model->navigate(QStringLiteral("kivo://settings"));
    model->newTab();
    model->close(model->selectedID());
  }
  first->clearHistory();
  for (BrowserModel* model : {first.get(), second.get()}) {
    EXPECT_FALSE(model->canGoBack());
    EXPECT_TRUE(model->closedTabs().isEmpty());
    EXPECT_EQ(model->current().address(), QStringLiteral("kivo://settings"));
  }
  EXPECT_TRUE(privateModel->canGoBack());
  EXPECT_EQ(privateModel->closedTabs().size(), 1);
}

struct WidthCase {
  double width;
  double stored;
};

void PrintTo(const WidthCase& c, std::ostream* out) { *out << c.width; }

class ViewportWidth : public ModelTest, public testing::WithParamInterface<WidthCase> {};

TEST_P(ViewportWidth, IsFlooredAndClamped) {
  const auto model = makeModel();
  model->setViewportWidth(GetParam().width);
  EXPECT_EQ(model->viewportWidth(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Table, ViewportWidth,
                         testing::Values(WidthCase{1200.7, 1200}, WidthCase{100, 160}, WidthCase{10000, 8192},
                                         WidthCase{std::numeric_limits<double>::quiet_NaN(), 8192},
                                         WidthCase{std::numeric_limits<double>::infinity(), 8192},
                                         WidthCase{-std::numeric_limits<double>::infinity(), 160},
                                         WidthCase{997.9, 997}),
                         [](const testing::TestParamInfo<WidthCase>& info) -> std::string {
                           const double width = info.param.width;
                           if (std::isnan(width)) return "NaN";
                           if (std::isinf(width)) return width > 0 ? "Infinity" : "MinusInfinity";
                           return kivo_testing::name_from_text(QString::number(width).toStdString());
                         });

TEST_F(ModelTest, ContinuousResizeLaysTheFrontDocumentOutOnce) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("a.html"), "A"));
  runAll();
  model->setViewportWidth(800);
  model->setViewportWidth(700);
  model->setViewportWidth(700.4);
  model->setViewportWidth(600);
  EXPECT_EQ(liveTimers(), 1u);
  EXPECT_EQ(m_timers.back()->delay, 160ms);
  fireTimers();
  runAll();
  EXPECT_EQ(m_renders, 2);
  EXPECT_EQ(model->currentDocument()->width, 600);
  model->setViewportWidth(600);
  EXPECT_TRUE(m_timers.empty());
}

TEST_F(ModelTest, InactiveDocumentTabsReflowWhenSelected) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("a.html"), "A"));
  runAll();
  const QUuid document = model->selectedID();
  model->newTab();
  model->setViewportWidth(900);
  fireTimers();
  EXPECT_TRUE(m_jobs.empty()) << "the home page in front needs no layout";
  model->select(document);
  runAll();
  EXPECT_EQ(model->currentDocument()->width, 900);
  EXPECT_EQ(model->current().renderedWidth, 900);
}

// ---------------------------------------------------------------------------
// Developer tools

TEST_F(ModelTest, InspectorStateFollowsTheTab) {
  const auto model = makeModel();
  EXPECT_FALSE(model->inspectedNode().has_value());
  model->navigate(writeFile(QStringLiteral("a.html"), "A"));
  runAll();
  model->inspect(7);
  ASSERT_TRUE(model->inspectedNode().has_value());
  EXPECT_EQ(model->inspectedNode()->name, QStringLiteral("h1"));
  model->inspect(8);
  EXPECT_FALSE(model->inspectedNode().has_value());
  model->inspect(7);
  model->toggleInspectorNode(3);
  model->toggleInspectorNode(4);
  model->toggleInspectorNode(3);
  EXPECT_EQ(model->current().collapsedInspectorNodes, QSet<qint64>{4});
  model->setViewportWidth(700);
  fireTimers();
  runAll();
  EXPECT_EQ(model->current().inspectedNodeID, 7) << "a re-layout keeps the selection";
  model->reload();
  EXPECT_FALSE(model->current().inspectedNodeID.has_value());
  model->toggleDeveloperTools();
  model->toggleDeveloperTools();
  EXPECT_FALSE(model->devToolsVisible());
}

TEST_F(ModelTest, ClearConsoleEmptiesOnlyTheSelectedTab) {
  const auto model = makeModel();
  model->navigate(writeFile(QStringLiteral("a.html"), "A"));
  runAll();
  model->newTab();
  model->navigate(writeFile(QStringLiteral("b.html"), "B"));
  runAll();
  model->clearConsole();
  EXPECT_TRUE(model->current().console.isEmpty());
  EXPECT_FALSE(model->tabs()[0].console.isEmpty());
}

}  // namespace

namespace {

// Runs the main thread's events until `condition` holds. The bound is for a
// fault only: nothing these tests wait for comes near it.
bool processUntil(const std::function<bool()>& condition) {
  return runEventsUntil(condition, std::chrono::seconds(60));
}

TEST(BrowserModelWorkers, ResultsComeBackOnTheMainThreadAndOnlyTheLatestApplies) {
  auto cache = std::make_shared<DocumentCache>(16, 33'554'432, [](const QByteArray&, double width) {
    PageDocument document;
    document.version = 2;
    document.title = QStringLiteral("Gerçek iş parçacığı");
    document.width = width;
    document.height = 100;
    return document;
  });
  BrowserModel model(nullptr, cache);
  // Each fetch waits at its own gate, so the test decides which answer
  // comes first: the fast page's, then the superseded slow page's.
  std::promise<void> fastGate;
  std::promise<void> slowGate;
  std::shared_future<void> fastOpened = fastGate.get_future().share();
  std::shared_future<void> slowOpened = slowGate.get_future().share();
  std::atomic<int> fetches{0};
  // Counts the worker jobs that have ended; a job posts its result to the
  // main thread before it ends. Shared, as a job may outlive a failed test.
  const auto finishedJobs = std::make_shared<std::atomic<int>>(0);
  BrowserModel::Services services;
  services.background = [finishedJobs](std::function<void()> job) {
    BackgroundWork::run([job = std::move(job), finishedJobs] {
      job();
      ++*finishedJobs;
    });
  };
  services.schedule = [](std::chrono::milliseconds, std::function<void()>) { return std::function<void()>([] {}); };
  services.page = [&, fastOpened, slowOpened](const QUrl& url, bool, std::stop_token) {
    ++fetches;
    (url.path() == QLatin1String("/slow") ? slowOpened : fastOpened).wait();
    NetworkResponse answer;
    answer.url = url;
    answer.status = 200;
    answer.source = QByteArray("<p>x</p>");
    return answer;
  };
  services.prepare = [](const QByteArray& source, const QUrl&, bool, std::stop_token) {
    WebResourcePack pack;
    pack.source = source;
    return pack;
  };
  model.setServices(services);
  const Qt::HANDLE mainThread = QThread::currentThreadId();
  Qt::HANDLE appliedOn = nullptr;
  QObject::connect(&model, &BrowserModel::tabsChanged, [&] { appliedOn = QThread::currentThreadId(); });

  model.navigate(QStringLiteral("http://a.b/slow"));
  model.navigate(QStringLiteral("http://a.b/fast"));
  ASSERT_TRUE(processUntil([&] { return fetches == 2; }));
  fastGate.set_value();
  ASSERT_TRUE(processUntil([&] { return model.currentDocument().has_value(); }));
  EXPECT_EQ(model.current().address(), QStringLiteral("http://a.b/fast"));
  EXPECT_EQ(model.current().history.size(), 3);
  EXPECT_EQ(appliedOn, mainThread);
  // The slower, superseded load answers afterwards and never changes the
  // tab: once its job has ended (the second job, after the fast page's) and
  // what it posted has been delivered, the fast page still stands.
  slowGate.set_value();
  ASSERT_TRUE(processUntil([&] { return *finishedJobs >= 2; }));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(model.current().address(), QStringLiteral("http://a.b/fast"));
  EXPECT_EQ(model.current().history.size(), 3);
}

}  // namespace
