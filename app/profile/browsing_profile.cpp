#include "profile/browsing_profile.h"

#include <QDir>
#include <QStandardPaths>

#include <utility>

BrowsingProfile::BrowsingProfile(bool isPrivate, const QString& directory, std::shared_ptr<DocumentCache> cache,
                                 const ProfileLock::LockCall& lock)
    : m_isPrivate(isPrivate),
      // The document cache, shared or new.
      m_cache(cache ? std::move(cache) : std::make_shared<DocumentCache>()),
      // A transport of this profile's own.
      m_network(std::make_shared<NetworkTransport>()),
      m_closed(std::make_shared<std::atomic<bool>>(false)) {
  // The two lists, on disk only for a normal profile with a directory,
  // and written only while this process owns the folder. The lock comes
  // before any store reads, so a second process never acts on what it read.
  const bool stores = !isPrivate && !directory.isEmpty();
  ProfileFiles::Access access = ProfileFiles::Access::Owner;
  QString readOnlyReason;
  if (stores) {
    m_lock = std::make_unique<ProfileLock>(directory, lock);
    // Without the lock nobody can tell whether another process writes the
    // folder: a lock held elsewhere, and one that cannot be had at all, both
    // leave this profile reading only, so that neither process loses the
    // other's saves.
    if (m_lock->state() != ProfileLock::State::Owner) {
      m_ownsFiles = false;
      access = ProfileFiles::Access::ReadOnly;
      if (m_lock->state() == ProfileLock::State::HeldElsewhere) {
        readOnlyReason = ProfileFiles::heldElsewhereReason();
        m_notice = QStringLiteral(
            "Bu profil başka bir Kivo sürecinde açık; geçmiş ve indirmeler bu oturumda kaydedilmeyecek.");
      } else {
        readOnlyReason = QStringLiteral("profil klasörü kilitlenemedi (%1)").arg(m_lock->error());
        m_notice = QStringLiteral("Profil klasörü kilitlenemedi (%1); geçmiş ve indirmeler bu oturumda kaydedilmeyecek.")
                       .arg(m_lock->error());
      }
    }
  }
  m_history = std::make_unique<HistoryStore>(stores ? QDir(directory).filePath(QStringLiteral("history.json")) : QString(),
                                             access, readOnlyReason);
  m_downloads = std::make_unique<DownloadStore>(
      m_network, stores ? QDir(directory).filePath(QStringLiteral("downloads.json")) : QString(), access, readOnlyReason);
}

BrowsingProfile::~BrowsingProfile() {
  // The stores go first: their workers still use the transport. The lock
  // goes last, once nothing of this profile can write any more.
  m_downloads.reset();
  m_history.reset();
  m_lock.reset();
}

std::optional<QString> BrowsingProfile::takeNotice() {
  return std::exchange(m_notice, std::nullopt);
}

QString BrowsingProfile::directory() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Kivo/Profile");
}

void BrowsingProfile::endPrivateSession() {
  // A normal profile keeps everything.
  if (!m_isPrivate) return;
  // Cancel the downloads, then clear the history.
  m_downloads->cancelAll();
  m_history->clear(ProfileValues::kDistantPast);
  // Empty the cache, then close the transport, without waiting.
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
