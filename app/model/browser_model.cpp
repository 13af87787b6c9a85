#include "model/browser_model.h"

#include <QRegularExpression>

#include <QFileDialog>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <exception>

#include "model/background_work.h"
#include "model/library_page.h"
#include "model/web_address.h"
#include "network/network_error.h"
#include "platform/check.h"
#include "profile/browsing_profile.h"
#include "profile/history_store.h"

// Everything a load carries from its start to its end.
struct BrowserModel::LoadJob {
  TabLoader::Request request;
  QUuid tabId;
  QUuid generation;
  bool preserveDocument = false;
  qint64 historyRevision = 0;  // the history's revision at the start
  std::shared_ptr<LoadTask> task;
};

BrowserModel::BrowserModel(std::shared_ptr<BrowserPreferences> preferences, std::shared_ptr<DocumentCache> cache,
                           std::optional<BrowserTab> initialTab, std::shared_ptr<BrowsingProfile> profile,
                           QObject* parent)
    : QObject(parent) {
  // The profile, or a non-private one that stores nothing over `cache`.
  m_profile = profile ? std::move(profile) : std::make_shared<BrowsingProfile>(false, QString(), std::move(cache));
  // The model renders with its profile's cache.
  m_cache = m_profile->cache();
  // The preferences, or new ones over the standard store.
  m_preferences = preferences ? std::move(preferences) : std::make_shared<BrowserPreferences>();
  // The first tab, selected, and its address in the field.
  const BrowserTab first = initialTab ? *initialTab : BrowserTab();
  m_tabs = {first};
  m_selectedID = first.id();
  m_addressDraft = first.address();

  m_services.page = TabLoader::fetchOn(m_profile->network());
  m_services.prepare = TabLoader::prepareOn(m_profile->network());
  BackgroundWork::watchApplication();
  m_services.background = [](std::function<void()> job) { BackgroundWork::run(std::move(job)); };
  m_services.schedule = [this](std::chrono::milliseconds delay, std::function<void()> action) {
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [timer, action = std::move(action)] {
      timer->deleteLater();
      action();
    });
    timer->start(delay);
    return std::function<void()>([guard = QPointer<QTimer>(timer)] {
      if (!guard) return;
      guard->stop();
      guard->deleteLater();
    });
  };
  // A profile that cannot save (another process owns its files) says so
  // once, in the first window that uses it.
  if (std::optional<QString> text = m_profile->takeNotice()) notify(*text);
}

BrowserModel::~BrowserModel() {
  // Nobody can receive the results any more, so the work may stop early.
  for (const std::shared_ptr<LoadTask>& task : std::as_const(m_loads)) task->stop.request_stop();
}

void BrowserModel::setServices(Services services) {
  m_services = std::move(services);
}

// ---------------------------------------------------------------------------
// Properties

void BrowserModel::setAddressDraft(const QString& text) {
  m_addressDraft = text;
  Q_EMIT addressDraftChanged();
}

void BrowserModel::setSearchDraft(const QString& text) {
  m_searchDraft = text;
  Q_EMIT searchDraftChanged();
}

void BrowserModel::setDevToolsVisible(bool visible) {
  m_devToolsVisible = visible;
  Q_EMIT devToolsVisibleChanged();
}

void BrowserModel::setInspectorTab(InspectorTab tab) {
  m_inspectorTab = tab;
  Q_EMIT inspectorTabChanged();
}

void BrowserModel::setOpenMenu(const std::optional<BrowserMenu>& menu) {
  m_openMenu = menu;
  Q_EMIT openMenuChanged();
}

void BrowserModel::setTabs(const QList<BrowserTab>& tabs) {
  KIVO_CHECK(!tabs.isEmpty());
  m_tabs = tabs;
  Q_EMIT tabsChanged();
}

void BrowserModel::setSelectedID(const QUuid& id) {
  m_selectedID = id;
  Q_EMIT selectedIDChanged();
}

void BrowserModel::setClosedTabs(const QList<ClosedTab>& closedTabs) {
  m_closedTabs = closedTabs;
  Q_EMIT closedTabsChanged();
}

void BrowserModel::setCacheEntries(qint64 entries) {
  m_cacheEntries = entries;
  Q_EMIT cacheEntriesChanged();
}

void BrowserModel::setCacheBytes(qint64 bytes) {
  m_cacheBytes = bytes;
  Q_EMIT cacheBytesChanged();
}

void BrowserModel::setNotice(const std::optional<QString>& notice) {
  m_notice = notice;
  Q_EMIT noticeChanged();
}

void BrowserModel::changeTab(qsizetype index, const std::function<void(BrowserTab&)>& change) {
  KIVO_CHECK(index >= 0 && index < m_tabs.size());
  change(m_tabs[index]);
  Q_EMIT tabsChanged();
}

bool BrowserModel::isPrivate() const {
  return m_profile->isPrivate();
}

// ---------------------------------------------------------------------------
// Derived values

qsizetype BrowserModel::indexOf(const QUuid& id) const {
  for (qsizetype i = 0; i < m_tabs.size(); ++i) {
    if (m_tabs[i].id() == id) return i;
  }
  return -1;
}

qsizetype BrowserModel::indexOf(const QUuid& id, const QUuid& generation) const {
  const qsizetype index = indexOf(id);
  if (index < 0 || m_tabs[index].generation != generation) return -1;
  return index;
}

qsizetype BrowserModel::selectedIndex() const {
  return std::max<qsizetype>(indexOf(m_selectedID), 0);
}

BrowserTab BrowserModel::current() const {
  return m_tabs.at(selectedIndex());
}

std::optional<PageDocument> BrowserModel::currentDocument() const {
  const PageDocument* document = m_tabs.at(selectedIndex()).content.documentValue();
  if (!document) return std::nullopt;
  return *document;
}

bool BrowserModel::canGoBack() const {
  return m_tabs.at(selectedIndex()).position > 0;
}

bool BrowserModel::canGoForward() const {
  const BrowserTab& tab = m_tabs.at(selectedIndex());
  return tab.position + 1 < tab.history.size();
}

std::optional<QString> BrowserModel::fragment() const {
  const std::optional<WebAddress> address = WebAddress::parse(m_tabs.at(selectedIndex()).address());
  if (!address) return std::nullopt;
  return address->decodedFragment();
}

std::optional<InspectedNode> BrowserModel::inspectedNode() const {
  const BrowserTab& tab = m_tabs.at(selectedIndex());
  const PageDocument* document = tab.content.documentValue();
  if (!document || !document->nodes || !tab.inspectedNodeID) return std::nullopt;
  for (const InspectedNode& node : *document->nodes) {
    if (node.id == *tab.inspectedNodeID) return node;
  }
  return std::nullopt;
}

// ---------------------------------------------------------------------------
// Notice, cache and closing

void BrowserModel::notify(const QString& text) {
  // The older notice's timer must never clear the newer text.
  if (m_cancelNotice) m_cancelNotice();
  // Show the text at once.
  setNotice(text);
  // Clear it when the time is up.
  QPointer<BrowserModel> self(this);
  m_cancelNotice = m_services.schedule(kNoticeDuration, [self] {
    if (self) self->setNotice(std::nullopt);
  });
}

void BrowserModel::refreshCacheStatistics() {
  const DocumentCache::Statistics statistics = m_cache->statistics();
  setCacheEntries(statistics.count);
  setCacheBytes(statistics.bytes);
}

void BrowserModel::clearCache() {
  QPointer<BrowserModel> self(this);
  std::shared_ptr<DocumentCache> cache = m_cache;
  std::shared_ptr<NetworkTransport> network = m_profile->network();
  m_services.background([self, cache, network] {
    cache->clear();
    network->clearCache();
    BackgroundWork::postToMain([self] {
      if (!self) return;
      self->refreshCacheStatistics();
      self->notify(QStringLiteral("Belge ve ağ önbelleği temizlendi."));
    });
  });
}

void BrowserModel::closeWindow() {
  // Cancel every load.
  for (const std::shared_ptr<LoadTask>& task : std::as_const(m_loads)) task->stop.request_stop();
  m_loads.clear();
  // Cancel the pending re-layout and the notice timer.
  if (m_cancelResize) m_cancelResize();
  if (m_cancelNotice) m_cancelNotice();
  // Forget the closed tabs.
  setClosedTabs({});
  // One new tab, selected.
  const BrowserTab fresh;
  setTabs({fresh});
  setSelectedID(fresh.id());
}

// ---------------------------------------------------------------------------
// Tabs

void BrowserModel::cancelLoad(const QUuid& id) {
  const auto found = m_loads.find(id);
  if (found == m_loads.end()) return;
  found.value()->stop.request_stop();
  m_loads.erase(found);
}

void BrowserModel::newTab() {
  const BrowserTab tab;
  QList<BrowserTab> tabs = m_tabs;
  tabs.append(tab);
  setTabs(tabs);
  select(tab.id());
}

void BrowserModel::select(const QUuid& id) {
  const qsizetype index = indexOf(id);
  if (index < 0) return;
  setOpenMenu(std::nullopt);
  setSelectedID(id);
  setAddressDraft(m_tabs[index].address());
  // A document laid out at another width is laid out again.
  const BrowserTab& tab = m_tabs[index];
  if (tab.content.is(PageContent::Kind::Document) &&
      (!tab.renderedWidth || *tab.renderedWidth != m_viewportWidth)) {
    load(index, true, false);
  }
}

void BrowserModel::cycleTab(int step) {
  const qsizetype count = m_tabs.size();
  const qsizetype index = ((selectedIndex() + step) % count + count) % count;
  select(m_tabs[index].id());
}

void BrowserModel::close(const QUuid& id) {
  // Find the tab.
  const qsizetype index = indexOf(id);
  if (index < 0) return;
  // Cancel its load.
  cancelLoad(id);
  // Remember it for reopening; the last 20 are kept.
  QList<ClosedTab> closed = m_closedTabs;
  closed.append(ClosedTab{m_tabs[index].history, m_tabs[index].position});
  while (closed.size() > kClosedTabLimit) closed.removeFirst();
  setClosedTabs(closed);
  // The last tab closes the window, or is replaced by a new one.
  if (m_tabs.size() == 1) {
    if (m_browserWindow && m_workspace) {
      m_browserWindow->performClose();
      return;
    }
    const BrowserTab fresh;
    setTabs({fresh});
    select(fresh.id());
    return;
  }
  // Remove it; a closed selected tab passes the selection on.
  const bool wasSelected = m_tabs[index].id() == m_selectedID;
  QList<BrowserTab> tabs = m_tabs;
  tabs.removeAt(index);
  setTabs(tabs);
  if (wasSelected) select(m_tabs[std::min(index, m_tabs.size() - 1)].id());
}

void BrowserModel::reopenClosedTab() {
  // Take the newest closed tab.
  if (m_closedTabs.isEmpty()) return;
  QList<ClosedTab> closed = m_closedTabs;
  const ClosedTab entry = closed.takeLast();
  setClosedTabs(closed);
  // A fresh tab with its history, at the end, selected and loaded.
  const BrowserTab tab(entry.history, entry.position);
  QList<BrowserTab> tabs = m_tabs;
  tabs.append(tab);
  setTabs(tabs);
  select(tab.id());
  load(m_tabs.size() - 1, false, false);
}

void BrowserModel::moveTab(const QUuid& id, qsizetype index) {
  const qsizetype from = indexOf(id);
  if (from < 0) return;
  if (index == from || index < 0 || index >= m_tabs.size()) return;
  QList<BrowserTab> tabs = m_tabs;
  const BrowserTab tab = tabs.takeAt(from);
  tabs.insert(index, tab);
  setTabs(tabs);
}

void BrowserModel::restoreTabOrder(const QList<QUuid>& order) {
  if (order.size() != m_tabs.size()) return;
  const QSet<QUuid> wanted(order.begin(), order.end());
  QSet<QUuid> present;
  for (const BrowserTab& tab : m_tabs) present.insert(tab.id());
  if (wanted != present) return;
  QList<BrowserTab> tabs;
  tabs.reserve(order.size());
  for (const QUuid& id : order) tabs.append(m_tabs[indexOf(id)]);
  setTabs(tabs);
}

std::optional<BrowserTab> BrowserModel::takeTabForTransfer(const QUuid& id) {
  // Find the tab.
  const qsizetype index = indexOf(id);
  if (index < 0) return std::nullopt;
  // Cancel its load.
  cancelLoad(id);
  // Remove it with a new generation, so no earlier load can reach it.
  const bool wasSelected = id == m_selectedID;
  QList<BrowserTab> tabs = m_tabs;
  BrowserTab taken = tabs.takeAt(index);
  taken.generation = QUuid::createUuid();
  // The model keeps at least one tab.
  if (tabs.isEmpty()) tabs.append(BrowserTab());
  setTabs(tabs);
  // Pass the selection on.
  if (wasSelected) select(m_tabs[std::min(index, m_tabs.size() - 1)].id());
  // The tab leaves as it was; it is not a closed tab.
  return taken;
}

void BrowserModel::receiveTransferredTab(const BrowserTab& tab, qsizetype index) {
  if (indexOf(tab.id()) >= 0) return;
  QList<BrowserTab> tabs = m_tabs;
  tabs.insert(std::clamp<qsizetype>(index, 0, tabs.size()), tab);
  setTabs(tabs);
  select(tab.id());
  resumeTransferredTab(tab.id());
}

void BrowserModel::resumeTransferredTab(const QUuid& id) {
  const qsizetype index = indexOf(id);
  if (index < 0 || !m_tabs[index].content.is(PageContent::Kind::Loading)) return;
  load(index, true, false);
}

void BrowserModel::openSettings() {
  for (const BrowserTab& tab : m_tabs) {
    if (tab.address() == BuiltinPages::kSettings) {
      select(tab.id());
      return;
    }
  }
  newTab();
  navigate(BuiltinPages::kSettings);
}

// ---------------------------------------------------------------------------
// Addresses and routing

namespace {

// The text percent-encoded (and its host in its ASCII form) when it begins with
// "scheme://" and only its characters keep it from being a well-formed address.
std::optional<QString> encodedSchemeAddress(const QString& text) {
  static const QRegularExpression schemeAndAuthority(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://[^/?#\\s]"));
  if (!schemeAndAuthority.match(text).hasMatch()) return std::nullopt;
  const QUrl tolerant(text, QUrl::TolerantMode);
  if (!tolerant.isValid()) return std::nullopt;
  const QString encoded = QString::fromLatin1(tolerant.toEncoded());
  const std::optional<WebAddress> parsed = WebAddress::parse(encoded);
  if (!parsed || !parsed->scheme()) return std::nullopt;
  return encoded;
}

}  // namespace

std::optional<QString> BrowserModel::typedAddress(const QString& text) {
  // Blank text stands for nothing.
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty()) return std::nullopt;
  // Text with a scheme is used as typed.
  const std::optional<WebAddress> parsed = WebAddress::parse(trimmed);
  if (parsed && parsed->scheme()) return trimmed;
  // A text that plainly starts with a scheme and an authority but holds
  // characters outside the URI grammar (a non-ASCII path, an international
  // host) is encoded rather than taken for a host name: "https://a.com/çay"
  // must never become "https://https://a.com/çay".
  if (const std::optional<QString> encoded = encodedSchemeAddress(trimmed)) return encoded;
  // An absolute path names a local file.
  if (trimmed.startsWith(QLatin1Char('/'))) return WebAddress::fromLocalPath(trimmed).text();
  // A dotted word without spaces is a web host.
  if (trimmed.contains(QLatin1Char('.')) && !trimmed.contains(QLatin1Char(' '))) {
    return QStringLiteral("https://") + trimmed;
  }
  // Anything else is a search.
  return WebAddress::searchAddress(trimmed);
}

void BrowserModel::navigate(const QString& text) {
  const std::optional<QString> address = typedAddress(text);
  if (!address) return;
  const qsizetype index = selectedIndex();
  changeTab(index, [&](BrowserTab& tab) { tab.visit(*address); });
  setAddressDraft(*address);
  load(index, false, false);
}

void BrowserModel::search(const QString& query) {
  navigate(WebAddress::searchAddress(query.trimmed()));
}

void BrowserModel::load(qsizetype index, bool preserveDocument, bool bypassCache) {
  if (index < 0 || index >= m_tabs.size()) return;
  // Close the popover menu.
  setOpenMenu(std::nullopt);
  // The tab and its address.
  const QUuid tabId = m_tabs[index].id();
  const QString addressText = m_tabs[index].address();
  // Cancel the tab's previous load.
  cancelLoad(tabId);
  // A new generation: from now on only this load may change the tab.
  const QUuid generation = QUuid::createUuid();
  // A new page starts with a clean inspector and console.
  // An address that does not parse becomes a message page.
  const std::optional<WebAddress> address =
      addressText.isEmpty() ? std::nullopt : WebAddress::parse(addressText);
  // Only web pages keep their response and subresources.
  const QString scheme = address ? address->lowerScheme() : QString();
  const bool web = scheme == QLatin1String("http") || scheme == QLatin1String("https");
  changeTab(index, [&](BrowserTab& tab) {
    tab.generation = generation;
    if (!preserveDocument) {
      tab.inspectedNodeID.reset();
      tab.collapsedInspectorNodes.clear();
      tab.console.clear();
    }
    if (!address) {
      tab.title = QStringLiteral("Geçersiz adres");
      tab.content = PageContent::message(QStringLiteral("Bu adresi anlayamadık."),
                                         QStringLiteral("kivo://home adresini veya yerel bir HTML dosyasını deneyebilirsin."));
      return;
    }
    if (!web) {
      tab.networkResponse.reset();
      tab.resources.reset();
    }
  });
  if (!address) return;

  // Route: the built-in pages, the shipped pages, the web, local files.
  const auto builtIn = [&](const QString& title, const PageContent& content) {
    changeTab(index, [&](BrowserTab& tab) {
      tab.title = title;
      tab.content = content;
    });
  };
  if (const std::optional<BuiltinPages::Route> route = BuiltinPages::route(*address)) {
    switch (route->page) {
      case BuiltinPages::Page::Home:
        return builtIn(QStringLiteral("Yeni sekme"), PageContent::home());
      case BuiltinPages::Page::History:
        return builtIn(QStringLiteral("Geçmiş"), PageContent::history());
      case BuiltinPages::Page::Downloads:
        return builtIn(QStringLiteral("İndirmeler"), PageContent::downloads());
      case BuiltinPages::Page::Settings:
        return builtIn(QStringLiteral("Ayarlar"), PageContent::settings());
      case BuiltinPages::Page::Search: {
        const QString query = address->queryItem(QStringLiteral("q")).value_or(QString());
        return builtIn(QStringLiteral("Ara: ") + query, PageContent::search(query));
      }
      case BuiltinPages::Page::Shipped:
        if (const std::optional<QString> file = LibraryPage::filePath(route->shippedId)) {
          return startLocal(QUrl::fromLocalFile(*file), index, generation, preserveDocument, bypassCache);
        }
        break;
    }
  }
  if (web) return startRemote(*address, index, generation, preserveDocument, bypassCache);
  if (address->isFileAddress()) {
    return startLocal(address->toUrl(), index, generation, preserveDocument, bypassCache);
  }
  builtIn(QStringLiteral("Henüz desteklenmiyor"),
          PageContent::message(QStringLiteral("Bu adres türü desteklenmiyor."),
                               QStringLiteral("HTTP, HTTPS, yerel HTML veya kivo:// adreslerini kullanabilirsin.")));
}

// ---------------------------------------------------------------------------
// Local documents

void BrowserModel::startLocal(const QUrl& file, qsizetype index, const QUuid& generation, bool preserveDocument,
                              bool bypassCache) {
  // The tab and the width at the start.
  std::shared_ptr<LoadJob> job = newJob(index, file, generation, preserveDocument, bypassCache);
  job->request.local = true;
  // A new page shows the placeholder meanwhile.
  if (!preserveDocument) {
    changeTab(index, [](BrowserTab& tab) {
      tab.title = QStringLiteral("Açılıyor…");
      tab.content = PageContent::loading();
    });
  }
  startLoad(job);
}

void BrowserModel::localFinished(const LoadJob& job, const TabLoader::Outcome& outcome) {
  // The figures follow every render attempt.
  refreshCacheStatistics();
  // Only the latest load of a tab that still exists may apply.
  const qsizetype index = liveIndex(job);
  if (index < 0) return;
  // The width moved meanwhile: lay the tab out again instead.
  if (std::abs(job.request.width - m_viewportWidth) >= 1) {
    load(index, true, false);
    return;
  }
  // A failure becomes a message page and an error line.
  if (!outcome.load) {
    const QString error = userMessage(outcome.failure);
    changeTab(index, [&](BrowserTab& tab) {
      tab.console.append(ConsoleEntry(QStringLiteral("error"), error));
      capConsole(tab);
      tab.title = QStringLiteral("Belge açılamadı");
      tab.content = PageContent::message(QStringLiteral("Belgeyi henüz açamıyoruz."), error);
    });
    return;
  }
  // Show the document.
  if (job.request.bypass) notify(QStringLiteral("Sayfanın önbelleği temizlendi ve belge yeniden işlendi."));
  const PageDocument& document = outcome.load->document;
  changeTab(index, [&](BrowserTab& tab) {
    tab.title = shortTitle(document.title);
    tab.renderedWidth = job.request.width;
    tab.content = PageContent::document(document);
    if (job.preserveDocument) return;
    const QString label =
        outcome.load->cacheHit ? QStringLiteral("Önbellekten yüklendi") : QStringLiteral("Motor tarafından işlendi");
    const QString name = job.request.url.fileName();
    QList<ConsoleEntry> console;
    console.append(ConsoleEntry(QStringLiteral("info"), label + QStringLiteral(": ") + name + QStringLiteral(" · ") +
                                                            QString::number(document.commands.size()) +
                                                            QStringLiteral(" çizim komutu")));
    for (const QString& warning : document.warnings) console.append(ConsoleEntry(QStringLiteral("warning"), warning));
    tab.console = console;
    capConsole(tab);
  });
}

// ---------------------------------------------------------------------------
// Remote pages

void BrowserModel::startRemote(const WebAddress& address, qsizetype index, const QUuid& generation,
                               bool preserveDocument, bool bypass) {
  // The tab, the width and the history revision at the start.
  std::shared_ptr<LoadJob> job = newJob(index, address.toUrl(), generation, preserveDocument, bypass);
  job->historyRevision = m_profile->history().revision();
  // A re-layout keeps the response and subresources; a new page shows the
  // placeholder and forgets them.
  if (preserveDocument) {
    job->request.keptResponse = m_tabs[index].networkResponse;
    job->request.keptResources = m_tabs[index].resources;
  } else {
    changeTab(index, [](BrowserTab& tab) {
      tab.title = QStringLiteral("Bağlanıyor…");
      tab.content = PageContent::loading();
      tab.networkResponse.reset();
      tab.resources.reset();
    });
  }
  startLoad(job);
}

void BrowserModel::remoteResponded(const LoadJob& job, const NetworkResponse& response) {
  // Only the latest load of a tab that still exists may apply.
  const qsizetype index = liveIndex(job);
  if (index < 0) return;
  applyResponse(index, job, response);
}

void BrowserModel::applyResponse(qsizetype index, const LoadJob& job, const NetworkResponse& response) {
  // The response, the final address and the GET line.
  const QString finalAddress = TabLoader::addressText(response.url);
  changeTab(index, [&](BrowserTab& tab) {
    tab.networkResponse = response;
    tab.history[tab.position] = finalAddress;
    if (!job.preserveDocument) {
      tab.console.append(ConsoleEntry(QStringLiteral("info"),
                                      QStringLiteral("GET ") + finalAddress + QStringLiteral(" · HTTP ") +
                                          QString::number(response.status) + QStringLiteral(" · ") +
                                          QString::number(response.byteCount) + QStringLiteral(" bayt")));
      capConsole(tab);
    }
  });
  if (m_tabs[index].id() == m_selectedID) setAddressDraft(finalAddress);
}

void BrowserModel::remoteFinished(const LoadJob& job, const TabLoader::Outcome& outcome) {
  // Only the latest load of a tab that still exists may apply.
  const qsizetype index = liveIndex(job);
  if (index < 0) return;
  if (outcome.load) return remoteRendered(index, job, outcome);
  if (outcome.failure) return remoteFailed(index, outcome.failure);
  // An answer without a page is offered as a download.
  if (outcome.response && outcome.response->isDownload()) {
    const NetworkResponse& response = *outcome.response;
    applyResponse(index, job, response);
    changeTab(index, [&](BrowserTab& tab) {
      tab.title = response.suggestedFilename;
      tab.content = PageContent::download(response.url, response.suggestedFilename);
    });
  }
}

void BrowserModel::remoteRendered(qsizetype index, const LoadJob& job, const TabLoader::Outcome& outcome) {
  // Show the page with its images and all warnings.
  const WebResourcePack& pack = *outcome.resources;
  PageDocument document = outcome.load->document;
  document.images = pack.images;
  document.warnings += pack.warnings;
  changeTab(index, [&](BrowserTab& tab) {
    tab.title = shortTitle(document.title);
    tab.renderedWidth = job.request.width;
    tab.resources = pack;
    tab.content = PageContent::document(document);
    for (const QString& warning : document.warnings) tab.console.append(ConsoleEntry(QStringLiteral("warning"), warning));
    capConsole(tab);
  });
  if (!job.preserveDocument && !m_profile->isPrivate()) {
    m_profile->history().record(TabLoader::addressText(outcome.response->url), document.title, job.historyRevision);
  }
  // The figures.
  refreshCacheStatistics();
  // The width moved meanwhile: lay the page out again.
  if (std::abs(job.request.width - m_viewportWidth) >= 1) {
    const qsizetype again = indexOf(job.tabId);
    if (again >= 0) load(again, true, false);
  }
}

void BrowserModel::remoteFailed(qsizetype index, const std::exception_ptr& failure) {
  // The page shows the user's sentence; the console also keeps the details.
  const QString description = userMessage(failure);
  // A message page that says whether the page itself arrived.
  changeTab(index, [&](BrowserTab& tab) {
    tab.title = QStringLiteral("Sayfa açılamadı");
    if (!tab.networkResponse) {
      tab.content = PageContent::message(QStringLiteral("Siteye bağlanılamadı."), description);
    } else {
      tab.content = PageContent::message(QStringLiteral("Sayfa alındı; motor henüz bu HTML'i desteklemiyor."),
                                         description + QStringLiteral("\nJavaScript ve tam HTML/CSS uyumluluğu henüz yok."));
    }
    tab.console.append(ConsoleEntry(QStringLiteral("error"), diagnosticMessage(failure)));
    capConsole(tab);
  });
}

// ---------------------------------------------------------------------------
// The loader's hop off the main thread and back

std::shared_ptr<BrowserModel::LoadJob> BrowserModel::newJob(qsizetype index, const QUrl& url,
                                                            const QUuid& generation, bool preserveDocument,
                                                            bool bypassCache) const {
  auto job = std::make_shared<LoadJob>();
  job->request.url = url;
  job->request.width = m_viewportWidth;
  job->request.bypass = bypassCache;
  job->tabId = m_tabs[index].id();
  job->generation = generation;
  job->preserveDocument = preserveDocument;
  return job;
}

void BrowserModel::startLoad(const std::shared_ptr<LoadJob>& job) {
  job->task = std::make_shared<LoadTask>();
  m_loads.insert(job->tabId, job->task);
  QPointer<BrowserModel> self(this);
  const TabLoader loader(m_cache, m_services.page, m_services.prepare);
  m_services.background([self, job, loader] {
    // A web page's response is shown as it arrives, while the page is
    // prepared and rendered.
    const auto responded = [self, job](const NetworkResponse& response) {
      BackgroundWork::postToMain([self, job, response] {
        if (self) self->remoteResponded(*job, response);
      });
    };
    TabLoader::Outcome outcome = loader.run(job->request, job->task->stop.get_token(), responded);
    BackgroundWork::postToMain([self, job, outcome = std::move(outcome)] {
      if (!self) return;
      if (job->request.local) {
        self->localFinished(*job, outcome);
      } else {
        self->remoteFinished(*job, outcome);
      }
    });
  });
}

qsizetype BrowserModel::liveIndex(const LoadJob& job) const {
  if (job.task->stop.stop_requested()) return -1;
  return indexOf(job.tabId, job.generation);
}

void BrowserModel::downloadCurrent() {
  const std::optional<WebAddress> address = WebAddress::parse(current().address());
  if (!address || !address->isAllowedWebAddress()) return;
  const BrowserTab tab = current();
  const QString name = tab.networkResponse ? tab.networkResponse->suggestedFilename : address->lastPathComponent();
  m_profile->downloads().chooseDestination(address->toUrl(), name,
                                           m_browserWindow ? m_browserWindow->dialogParent() : nullptr);
}

void BrowserModel::openFile() {
  // A free-standing dialog, not a sheet of the window; any file may be
  // chosen, and one that is not HTML goes to the renderer like any other.
  QPointer<BrowserModel> self(this);
  auto* dialog = new QFileDialog(nullptr, QStringLiteral("Kivo motoruyla yerel HTML aç"));
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QFileDialog::fileSelected, dialog, [self](const QString& path) {
    if (self && !path.isEmpty()) self->navigate(WebAddress::fromLocalPath(path).text());
  });
  dialog->show();
}

// ---------------------------------------------------------------------------
// History, reload and stop

void BrowserModel::back() {
  const qsizetype index = selectedIndex();
  if (m_tabs[index].position == 0) return;
  changeTab(index, [](BrowserTab& tab) { --tab.position; });
  setAddressDraft(m_tabs[index].address());
  load(index, false, false);
}

void BrowserModel::forward() {
  if (!canGoForward()) return;
  const qsizetype index = selectedIndex();
  changeTab(index, [](BrowserTab& tab) { ++tab.position; });
  setAddressDraft(m_tabs[index].address());
  load(index, false, false);
}

void BrowserModel::reload() {
  load(selectedIndex(), false, false);
}

void BrowserModel::hardReload() {
  load(selectedIndex(), false, true);
  switch (current().content.kind()) {
    case PageContent::Kind::Search:
    case PageContent::Kind::Home:
    case PageContent::Kind::Settings:
    case PageContent::Kind::History:
    case PageContent::Kind::Downloads:
      notify(QStringLiteral("Sayfa yenilendi."));
      break;
    default:
      break;
  }
}

void BrowserModel::stopLoading() {
  const qsizetype index = selectedIndex();
  // Cancel the load.
  cancelLoad(m_tabs[index].id());
  // A new generation, and a stopped page instead of the placeholder.
  changeTab(index, [](BrowserTab& tab) {
    tab.generation = QUuid::createUuid();
    if (!tab.content.is(PageContent::Kind::Loading)) return;
    tab.title = QStringLiteral("Durduruldu");
    tab.content = PageContent::message(QStringLiteral("Yükleme durduruldu."),
                                       QStringLiteral("Yenile düğmesiyle tekrar deneyebilirsin."));
  });
}

void BrowserModel::followLink(const QString& link) {
  // Resolve the link against the current address.
  const std::optional<WebAddress> base = WebAddress::parse(current().address());
  if (!base) return;
  const std::optional<WebAddress> target = base->resolved(link);
  if (!target) return;
  // Only the schemes a tab can show are followed.
  static const QStringList followable = {BuiltinPages::kScheme, QStringLiteral("file"), QStringLiteral("https"),
                                         QStringLiteral("http")};
  if (!target->scheme() || !followable.contains(target->lowerScheme())) return;
  // A web page may open only web addresses.
  const QString baseScheme = base->lowerScheme();
  if ((baseScheme == QLatin1String("http") || baseScheme == QLatin1String("https")) &&
      !target->isAllowedWebAddress()) {
    notify(QStringLiteral("Web sayfaları yerel dosya veya tarayıcı içi sayfa açamaz."));
    return;
  }
  // Navigate.
  navigate(target->text());
}

void BrowserModel::clearHistory() {
  // The profile's whole history.
  m_profile->history().clear();
  // The back/forward lists of every window of the same profile.
  const QList<BrowserModel*> models = m_workspace ? m_workspace->windowModels() : QList<BrowserModel*>{this};
  for (BrowserModel* model : models) {
    if (model && model->m_profile == m_profile) model->clearNavigationHistory();
  }
}

void BrowserModel::clearNavigationHistory() {
  setClosedTabs({});
  setOpenMenu(std::nullopt);
  const qsizetype count = m_tabs.size();
  for (qsizetype i = 0; i < count; ++i) {
    changeTab(i, [](BrowserTab& tab) {
      tab.history = QStringList{tab.address()};
      tab.position = 0;
    });
  }
}

// ---------------------------------------------------------------------------
// Viewport

void BrowserModel::setViewportWidth(double width) {
  // Whole points within the renderer's range; not a number counts as the
  // widest.
  const double floored = std::isnan(width) ? kMaximumViewportWidth : std::floor(width);
  const double clamped = std::max(std::min(floored, kMaximumViewportWidth), kMinimumViewportWidth);
  // Changes below one point do nothing.
  if (std::abs(clamped - m_viewportWidth) < 1) return;
  // Store it at once.
  m_viewportWidth = clamped;
  // One re-layout of the tab in front, after the width settles.
  if (m_cancelResize) m_cancelResize();
  QPointer<BrowserModel> self(this);
  m_cancelResize = m_services.schedule(kRelayoutDelay, [self] {
    if (!self) return;
    const qsizetype index = self->selectedIndex();
    if (self->m_tabs[index].content.is(PageContent::Kind::Document)) self->load(index, true, false);
  });
}

// ---------------------------------------------------------------------------
// Developer tools

void BrowserModel::toggleDeveloperTools() {
  setDevToolsVisible(!m_devToolsVisible);
}

void BrowserModel::inspect(qint64 nodeID) {
  changeTab(selectedIndex(), [nodeID](BrowserTab& tab) { tab.inspectedNodeID = nodeID; });
}

void BrowserModel::toggleInspectorNode(qint64 nodeID) {
  changeTab(selectedIndex(), [nodeID](BrowserTab& tab) {
    if (!tab.collapsedInspectorNodes.remove(nodeID)) tab.collapsedInspectorNodes.insert(nodeID);
  });
}

void BrowserModel::clearConsole() {
  changeTab(selectedIndex(), [](BrowserTab& tab) { tab.console.clear(); });
}

// ---------------------------------------------------------------------------
// Helpers

void BrowserModel::capConsole(BrowserTab& tab) {
  if (tab.console.size() > kConsoleLimit) tab.console.erase(tab.console.begin(), tab.console.end() - kConsoleLimit);
}

QString BrowserModel::shortTitle(const QString& title) {
  return HistoryStore::firstCharacters(title, kTitleLimit);
}
