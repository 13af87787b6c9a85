#include "selftests/self_tests.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QUrl>
#include <QUuid>

#include <chrono>
#include <cmath>
#include <memory>
#include <optional>

#include "model/browser_command.h"
#include "frame/browser_window.h"
#include "loading/document_cache.h"
#include "loading/engine_bridge.h"
#include "model/browser_model.h"
#include "model/browser_preferences.h"
#include "model/library_page.h"
#include "model/settings_store.h"
#include "model/web_address.h"
#include "selftests/cache_tests.h"
#include "selftests/main_thread.h"
#include "selftests/smoke_failure.h"

namespace {

using namespace std::chrono_literals;

// Removes the suite's settings file on every exit.
class StoreRemoval {
public:
  explicit StoreRemoval(std::shared_ptr<SettingsStore> store) : m_store(std::move(store)) {}
  ~StoreRemoval() { m_store->removeAll(); }
  StoreRemoval(const StoreRemoval&) = delete;
  StoreRemoval& operator=(const StoreRemoval&) = delete;

private:
  std::shared_ptr<SettingsStore> m_store;
};

// The box of the first inspection node whose "id" attribute is `id`.
InspectorBounds layoutBounds(const PageDocument& document, const QString& id) {
  if (!document.nodes) throw SmokeFailure(QStringLiteral("layout probe missing"));
  for (const InspectedNode& node : *document.nodes) {
    if (node.attributes.value(QStringLiteral("id")) != id || !node.attributes.contains(QStringLiteral("id"))) continue;
    if (!node.bounds) throw SmokeFailure(QStringLiteral("layout probe missing"));
    return *node.bounds;
  }
  throw SmokeFailure(QStringLiteral("layout probe missing"));
}

// The shipped page `id` rendered by the real renderer at `width`.
PageDocument renderShippedPage(const QString& id, double width) {
  const std::optional<QString> file = LibraryPage::filePath(id);
  require(file.has_value(), QStringLiteral("resources"));
  return EngineBridge::load(QUrl::fromLocalFile(*file), width);
}

bool hasTextCommand(const PageDocument& document) {
  for (const PaintCommand& command : document.commands) {
    if (command.kind == QLatin1String("text")) return true;
  }
  return false;
}

// Preferences written through one object are read by the next.
void preferenceChecks(const std::shared_ptr<SettingsStore>& store, BrowserPreferences& first) {
  first.setAppearance(BrowserAppearance::Dark);
  first.setAccentHex(QStringLiteral("25846a"));
  first.setBackdrop(Backdrop::Forest);
  first.setShowShortcuts(false);
  BrowserPreferences second(store);
  require(second.appearance() == BrowserAppearance::Dark && second.accentHex() == QLatin1String("25846a") &&
              second.backdrop() == Backdrop::Forest && !second.showShortcuts(),
          QStringLiteral("appearance settings survive reconstruction"));
  second.reset();
  const BrowserPreferences third(store);
  // Every preference the suite changed must be back at its default, not only
  // the appearance.
  require(third.appearance() == BrowserAppearance::System && third.accentHex() == QLatin1String("6658d3") &&
              third.backdrop() == Backdrop::Mist && third.showShortcuts(),
          QStringLiteral("settings reset persists"));
}

// History, tabs and the local search on a model without a window.
void modelChecks(BrowserModel& model) {
  const QUuid firstTab = model.selectedID();
  model.search(QStringLiteral("motor"));
  require(model.current().address().contains(QLatin1String("search")), QStringLiteral("search address"));
  require(model.canGoBack(), QStringLiteral("back availability"));
  model.back();
  require(model.current().address() == QLatin1String("kivo://home"), QStringLiteral("back history"));
  model.forward();
  require(model.current().address().contains(QLatin1String("search")), QStringLiteral("forward history"));
  model.back();
  model.navigate(QStringLiteral("unsupported://example.invalid"));
  require(!model.canGoForward(), QStringLiteral("navigation truncates forward history"));
  require(model.current().content.is(PageContent::Kind::Message), QStringLiteral("unsupported schemes must not load"));
  model.newTab();
  require(model.tabs().size() == 2, QStringLiteral("new tab"));
  require(!model.canGoBack(), QStringLiteral("tab history isolation"));
  model.close(model.selectedID());
  require(model.selectedID() == firstTab, QStringLiteral("close selects surviving tab"));
  model.close(firstTab);
  require(model.tabs().size() == 1 && model.current().address() == QLatin1String("kivo://home"),
          QStringLiteral("closing last tab resets"));
  const QString query = QStringLiteral("İlkeler & düzen");
  model.search(query);
  const std::optional<WebAddress> address = WebAddress::parse(model.current().address());
  const std::optional<QString> value = address ? address->queryItem(QStringLiteral("q")) : std::nullopt;
  require(value && *value == query, QStringLiteral("unicode search round trip"));
  require(!LibraryPage::search(QStringLiteral("motor")).isEmpty(), QStringLiteral("local search match"));
  require(LibraryPage::search(QStringLiteral("zzznomatch")).isEmpty(), QStringLiteral("local search empty state"));
}

// The shipped pages through the real renderer.
void shippedPageChecks() {
  require(LibraryPage::resourceFolder().has_value(), QStringLiteral("resources"));
  for (const LibraryPage& page : LibraryPage::all()) {
    const PageDocument document = renderShippedPage(page.id, BrowserModel::kDefaultViewportWidth);
    require(document.version == 2, QStringLiteral("bridge protocol"));
    bool body = false;
    bool styled = false;
    if (document.nodes) {
      for (const InspectedNode& node : *document.nodes) {
        body = body || node.name == QLatin1String("body");
        styled = styled || (node.bounds && !node.computed.isEmpty() && node.computed.contains(QStringLiteral("font-size")));
      }
    }
    require(document.nodes && !document.nodes->isEmpty() && body, QStringLiteral("real DOM inspection data"));
    require(styled, QStringLiteral("computed styles and layout bounds"));
    require(document.warnings.isEmpty(), QStringLiteral("bundled CSS is fully supported"));
    require(!document.commands.isEmpty(), QStringLiteral("bundled document ") + page.id);
    require(hasTextCommand(document), QStringLiteral("document heading"));
  }

  const PageDocument wideEngine = renderShippedPage(QStringLiteral("engine"), 800);
  const PageDocument narrowEngine = renderShippedPage(QStringLiteral("engine"), 400);
  const InspectorBounds a = layoutBounds(wideEngine, QStringLiteral("layout-first"));
  const InspectorBounds b = layoutBounds(wideEngine, QStringLiteral("layout-second"));
  const InspectorBounds c = layoutBounds(narrowEngine, QStringLiteral("layout-first"));
  const InspectorBounds d = layoutBounds(narrowEngine, QStringLiteral("layout-second"));
  require(a.x < b.x && std::abs(b.y - a.y) < 0.1, QStringLiteral("grid columns use native renderer"));
  require(std::abs(d.x - c.x) < 0.1 && c.y < d.y, QStringLiteral("viewport media query reflows grid"));
  require(wideEngine.warnings.isEmpty() && narrowEngine.warnings.isEmpty(),
          QStringLiteral("supported layout CSS has no fallback"));

  const PageDocument wide = renderShippedPage(QStringLiteral("welcome"), 1000);
  const PageDocument narrow = renderShippedPage(QStringLiteral("welcome"), 620);
  require(narrow.height > wide.height, QStringLiteral("native font measurements reflow on resize"));
  for (const PaintCommand& command : narrow.commands) {
    if (command.kind == QLatin1String("text")) {
      require(command.x + command.width <= 620.01, QStringLiteral("narrow text stays in viewport"));
    }
  }
  require(!wide.anchors.isEmpty() && wide.anchors.contains(QStringLiteral("details")),
          QStringLiteral("fragment destination"));
  bool engineLink = false;
  for (const PaintCommand& command : wide.commands) {
    engineLink = engineLink || (command.href && *command.href == QLatin1String("kivo://engine"));
  }
  require(engineLink, QStringLiteral("local navigation hit region"));
}

// Links and routing on the model.
void linkChecks(BrowserModel& model) {
  const QString before = model.current().address();
  model.followLink(QStringLiteral("javascript:alert(1)"));
  require(model.current().address() == before, QStringLiteral("unsupported link scheme cannot navigate"));
  model.navigate(QStringLiteral("file:///tmp/kivo/index.html"));
  model.followLink(QStringLiteral("next.html#section"));
  require(model.current().address() == QLatin1String("file:///tmp/kivo/next.html#section"),
          QStringLiteral("relative file link resolves against document"));
  require(model.fragment() == QStringLiteral("section"), QStringLiteral("fragment routing"));
  model.openSettings();
  const QUuid settings = model.selectedID();
  const qsizetype count = model.tabs().size();
  model.openSettings();
  require(model.tabs().size() == count && model.selectedID() == settings, QStringLiteral("settings reuses its tab"));
  model.clearHistory();
  bool cleared = true;
  for (const BrowserTab& tab : model.tabs()) cleared = cleared && tab.history.size() == 1 && tab.position == 0;
  require(cleared, QStringLiteral("clear session history"));
  model.toggleDeveloperTools();
  require(model.devToolsVisible(), QStringLiteral("developer tools toggle"));
}

// The command table on the model: reopening, tab cycling and the shortcuts.
void commandChecks(BrowserModel& model) {
  using BrowserCommands::isEnabled;
  using BrowserCommands::perform;
  perform(BrowserCommand::NewTab, model);
  model.search(QStringLiteral("geri aç"));
  const QString closed = model.current().address();
  perform(BrowserCommand::CloseTab, model);
  require(isEnabled(BrowserCommand::ReopenTab, model), QStringLiteral("reopen availability"));
  perform(BrowserCommand::ReopenTab, model);
  require(model.current().address() == closed && model.canGoBack(), QStringLiteral("reopen restores tab history"));
  const QUuid reopened = model.selectedID();
  perform(BrowserCommand::NextTab, model);
  require(model.selectedIndex() == 0, QStringLiteral("next tab wraps"));
  perform(BrowserCommand::PreviousTab, model);
  require(model.selectedID() == reopened, QStringLiteral("previous tab wraps"));
  model.clearHistory();
  require(!isEnabled(BrowserCommand::ReopenTab, model), QStringLiteral("cleared history cannot be reopened"));

  QSet<QString> shortcuts;
  for (const BrowserCommand command : BrowserCommands::allCases()) {
    shortcuts.insert(QString::number(BrowserCommands::modifiers(command).toInt()) + QLatin1Char(':') +
                     BrowserCommands::key(command));
  }
  require(shortcuts.size() == BrowserCommands::allCases().size(), QStringLiteral("command shortcuts do not collide"));
  require(BrowserCommands::key(BrowserCommand::HardReload) == QLatin1String("r") &&
              BrowserCommands::modifiers(BrowserCommand::HardReload).toInt() == 0x120000,
          QStringLiteral("hard reload shortcut"));
}

// The window's own maximise and restore, on a window that is never shown.
void maximizeChecks() {
  QScreen* screen = QGuiApplication::primaryScreen();
  require(screen != nullptr, QStringLiteral("screen for maximize test"));
  const QRect visible = screen->availableGeometry();
  BrowserWindow window;
  window.setGeometry(visible.x() + 40, visible.y() + 40, 600, 400);
  const QRect original = window.geometry();
  window.toggleMaximize(false);
  require(window.geometry() == visible, QStringLiteral("maximize uses available screen"));
  window.toggleMaximize(false);
  require(window.geometry() == original, QStringLiteral("second maximize restores original frame"));
  window.toggleMaximize(false);
  window.setGeometry(original.translated(10, 10));
  const QRect moved = window.geometry();
  window.toggleMaximize(false);
  window.toggleMaximize(false);
  require(window.geometry() == moved, QStringLiteral("manual resizing replaces the restore frame"));
}

// Runs the main thread's events until `condition` holds there, for at most
// five seconds.
void waitFor(const QString& name, const std::function<bool()>& condition) {
  if (!MainThread::waitUntil(condition, 5s)) throw SmokeFailure(name);
}

// True when the selected tab shows a document that satisfies `test`.
bool showsDocument(const BrowserModel& model, const std::function<bool(const PageDocument&)>& test = {}) {
  const std::optional<PageDocument> document = model.currentDocument();
  return document && (!test || test(*document));
}

// Navigation races, reloads, inspector, reflow, links and tab races.
void navigationChecks() {
  const auto model = MainThread::make<BrowserModel>(nullptr, std::make_shared<DocumentCache>());
  BrowserModel& m = *model;

  // The second of two quick navigations wins.
  MainThread::call([&] {
    m.navigate(QStringLiteral("kivo://welcome"));
    m.navigate(QStringLiteral("kivo://engine"));
  });
  waitFor(QStringLiteral("latest navigation wins"), [&] {
    return showsDocument(m, [](const PageDocument& d) { return d.title == QStringLiteral("Motor günlüğü"); });
  });

  // A reload comes from the cache; a hard reload renders again.
  MainThread::call([&] { m.navigate(QStringLiteral("kivo://welcome")); });
  waitFor(QStringLiteral("welcome loaded"), [&] {
    return showsDocument(m, [](const PageDocument& d) { return d.anchors.contains(QStringLiteral("details")); });
  });
  const auto consoleMentions = [&](const QString& text) {
    for (const ConsoleEntry& entry : m.current().console) {
      if (entry.message.contains(text)) return true;
    }
    return false;
  };
  MainThread::call([&] { m.reload(); });
  waitFor(QStringLiteral("regular reload uses cache"),
          [&] { return m.currentDocument().has_value() && consoleMentions(QStringLiteral("Önbellekten")); });
  MainThread::call([&] { m.hardReload(); });
  waitFor(QStringLiteral("hard reload bypasses cache"),
          [&] { return m.currentDocument().has_value() && consoleMentions(QStringLiteral("Motor tarafından")); });

  // The inspector follows the selected node.
  const PageDocument wide = MainThread::call([&] {
    const std::optional<PageDocument> document = m.currentDocument();
    require(document.has_value(), QStringLiteral("missing wide scene"));
    std::optional<qint64> heading;
    for (const InspectedNode& node : document->nodes.value_or(QList<InspectedNode>())) {
      if (node.name == QLatin1String("h1")) {
        heading = node.id;
        break;
      }
    }
    require(heading.has_value(), QStringLiteral("inspector heading"));
    m.inspect(*heading);
    const std::optional<InspectedNode> inspected = m.inspectedNode();
    require(inspected && inspected->bounds, QStringLiteral("selecting a DOM node exposes its real box"));
    m.toggleInspectorNode(*heading);
    require(m.current().collapsedInspectorNodes.contains(*heading), QStringLiteral("DOM folding"));
    m.clearConsole();
    require(m.current().console.isEmpty(), QStringLiteral("console clear"));
    return *document;
  });

  // A narrower viewport lays the page out again.
  MainThread::call([&] { m.setViewportWidth(620); });
  waitFor(QStringLiteral("resizing replaces the scene"), [&] {
    return showsDocument(m, [&](const PageDocument& d) { return d.height > wide.height && d.width <= 620.01; });
  });

  // Fragment and document links.
  MainThread::call([&] { m.followLink(QStringLiteral("#details")); });
  waitFor(QStringLiteral("fragment navigation preserves document"), [&] {
    return showsDocument(m) && m.fragment() == QStringLiteral("details") &&
           m.currentDocument()->anchors.contains(QStringLiteral("details"));
  });
  MainThread::call([&] { m.followLink(QStringLiteral("kivo://principles")); });
  waitFor(QStringLiteral("document link navigation"), [&] {
    return showsDocument(m, [](const PageDocument& d) { return d.title == QStringLiteral("Kivo'nın ilkeleri"); });
  });

  // A closed tab's late load cannot reach the surviving tab.
  const QUuid survivor = MainThread::call([&] {
    m.navigate(QStringLiteral("kivo://welcome"));
    m.newTab();
    const QUuid selected = m.selectedID();
    m.close(m.tabs().first().id());
    return selected;
  });
  MainThread::pause(250ms);
  MainThread::call([&] {
    require(m.tabs().size() == 1 && m.selectedID() == survivor && m.current().address() == QLatin1String("kivo://home"),
            QStringLiteral("closed tab cannot overwrite surviving tab"));
  });

  // An inactive tab is laid out again when it is selected.
  MainThread::call([&] { m.navigate(QStringLiteral("kivo://principles")); });
  waitFor(QStringLiteral("document loaded before inactive-tab resize"), [&] { return showsDocument(m); });
  MainThread::call([&] {
    const QUuid principles = m.selectedID();
    m.newTab();
    m.setViewportWidth(900);
    m.select(principles);
  });
  waitFor(QStringLiteral("inactive tab reflows when selected"),
          [&] { return showsDocument(m, [](const PageDocument& d) { return d.width == 900; }); });

  // Tabs reordered while loading keep their own documents.
  const auto second = MainThread::make<BrowserModel>(nullptr, std::make_shared<DocumentCache>());
  BrowserModel& n = *second;
  const auto [a, b] = MainThread::call([&] {
    n.navigate(QStringLiteral("kivo://welcome"));
    const QUuid first = n.selectedID();
    n.newTab();
    n.navigate(QStringLiteral("kivo://engine"));
    const QUuid other = n.selectedID();
    n.moveTab(first, 1);
    return std::pair(first, other);
  });
  waitFor(QStringLiteral("reordering in-flight tabs retains each document"), [&] {
    const QList<BrowserTab>& tabs = n.tabs();
    if (tabs.size() < 2 || tabs[0].id() != b || tabs[1].id() != a) return false;
    const PageDocument* left = tabs[0].content.documentValue();
    const PageDocument* right = tabs[1].content.documentValue();
    return left && left->title == QStringLiteral("Motor günlüğü") && right &&
           right->anchors.contains(QStringLiteral("details"));
  });
}

}  // namespace

void runSelfTests() {
  // An isolated settings store, removed on every exit.
  const std::shared_ptr<SettingsStore> store =
      SettingsStore::open(QStringLiteral("com.kivo.browser.tests.") + QUuid::createUuid().toString(QUuid::WithoutBraces));
  require(store != nullptr, QStringLiteral("isolated settings store"));
  const StoreRemoval removal(store);
  auto preferences = std::make_shared<BrowserPreferences>(store);
  preferenceChecks(store, *preferences);

  // The model, whose loads never run while the suite runs.
  BrowserModel model(preferences, std::make_shared<DocumentCache>());
  modelChecks(model);
  shippedPageChecks();
  linkChecks(model);
  commandChecks(model);
  maximizeChecks();
}

void runAsyncTests() {
  // The document cache against its controllable renderer.
  runCacheTests();
  // Browser models over time.
  navigationChecks();
}
