#include "profile/browsing_profile.h"

#include <QDir>
#include <QStandardPaths>

BrowsingProfile::BrowsingProfile(bool isPrivate, const QString& directory, std::shared_ptr<DocumentCache> cache)
    : m_isPrivate(isPrivate),
      // 1. The document cache, shared or new.
      m_cache(cache ? std::move(cache) : std::make_shared<DocumentCache>()),
      // 2. A transport of this profile's own.
      m_network(std::make_shared<NetworkTransport>()),
      m_closed(std::make_shared<std::atomic<bool>>(false)) {
  // 3, 4. The two lists, on disk only for a normal profile with a directory.
  const bool stores = !isPrivate && !directory.isEmpty();
  m_history = std::make_unique<HistoryStore>(stores ? QDir(directory).filePath(QStringLiteral("history.json")) : QString());
  m_downloads =
      std::make_unique<DownloadStore>(m_network, stores ? QDir(directory).filePath(QStringLiteral("downloads.json")) : QString());
}

BrowsingProfile::~BrowsingProfile() {
  // The stores go first: their workers still use the transport.
  m_downloads.reset();
  m_history.reset();
}

QString BrowsingProfile::directory() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Kivo/Profile");
}

void BrowsingProfile::endPrivateSession() {
  // 1. A normal profile keeps everything.
  if (!m_isPrivate) return;
  // 2. Cancel the downloads; 3. clear the history.
  m_downloads->cancelAll();
  m_history->clear(ProfileValues::kDistantPast);
  // 4. Empty the cache, then close the transport, without waiting.
  if (m_closing.joinable()) m_closing.join();
  m_closed->store(false);
  m_closing = std::jthread([cache = m_cache, network = m_network, closed = m_closed] {
    cache->clear();
    network->close();
    closed->store(true);
  });
}

bool BrowsingProfile::privateSessionClosed() const {
  return m_closed->load();
}
