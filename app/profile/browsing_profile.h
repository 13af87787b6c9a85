// The per-session services that the windows of one kind of browsing share:
// visit history, download list and jobs, network transport (with its cookies
// and HTTP cache) and the cache of rendered documents.
//
// A normal profile with a directory keeps "history.json" and
// "downloads.json" there; without a directory, and always for a private
// profile, both lists live in memory only. One profile folder has one owner:
// a normal profile with a directory takes the folder's lock (ProfileLock)
// before its stores read anything. When another process holds it, or when it
// cannot be had at all (something else in the lock file's place, a file
// system without locks), the profile shows the lists as they are on disk but
// writes nothing at all: no save, no clean-up of running downloads or staging
// files, no bad file kept aside; it offers a notice that says so and why,
// once. Ending a private session cancels
// its downloads, clears its history at once and then, on a worker, empties
// its document cache and closes its transport. Lives on the main thread.
#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "loading/document_cache.h"
#include "network/network_transport.h"
#include "profile/download_store.h"
#include "profile/history_store.h"
#include "profile/profile_lock.h"

class BrowsingProfile {
public:
  // Creates the profile's transport and stores. A normal profile with a
  // directory first creates the directory (0700) and takes its lock, then
  // reads the lists. A null `cache` gets a new cache with the default limits.
  // `lock` replaces the lock call on the folder's lock file (tests). Never
  // fails.
  explicit BrowsingProfile(bool isPrivate, const QString& directory = {},
                           std::shared_ptr<DocumentCache> cache = nullptr, const ProfileLock::LockCall& lock = {});
  // Waits for a private session's closing work, if it still runs; releases
  // the folder's lock after the stores are gone.
  ~BrowsingProfile();

  BrowsingProfile(const BrowsingProfile&) = delete;
  BrowsingProfile& operator=(const BrowsingProfile&) = delete;

  bool isPrivate() const { return m_isPrivate; }
  HistoryStore& history() { return *m_history; }
  DownloadStore& downloads() { return *m_downloads; }
  const std::shared_ptr<NetworkTransport>& network() const { return m_network; }
  const std::shared_ptr<DocumentCache>& cache() const { return m_cache; }

  // The normal profile's folder: "Kivo/Profile" in the user's data folder.
  // Reading it creates nothing.
  static QString directory();

  // For a private profile: cancels every download, clears the history, and
  // starts emptying the document cache and closing the transport; returns
  // without waiting. Does nothing for a normal profile.
  void endPrivateSession();

  // True once the closing work of endPrivateSession() has finished.
  bool privateSessionClosed() const;

  // False when another process owns the profile folder, or its lock cannot
  // be had, so that nothing of this profile reaches its files.
  bool ownsFiles() const { return m_ownsFiles; }
  // The notice that this profile's lists are not saved, and why (another
  // process owns them, or the folder cannot be locked): given once, nothing afterwards (and nothing for a
  // profile that owns its files).
  std::optional<QString> takeNotice();

private:
  const bool m_isPrivate;
  bool m_ownsFiles = true;
  std::optional<QString> m_notice;
  std::unique_ptr<ProfileLock> m_lock;
  std::shared_ptr<DocumentCache> m_cache;
  std::shared_ptr<NetworkTransport> m_network;
  std::unique_ptr<HistoryStore> m_history;
  std::unique_ptr<DownloadStore> m_downloads;
  std::shared_ptr<std::atomic<bool>> m_closed;
  std::jthread m_closing;
};
