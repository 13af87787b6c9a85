// The per-session services that the windows of one kind of browsing share:
// visit history, download list and jobs, network transport (with its cookies
// and HTTP cache) and the cache of rendered documents.
//
// A normal profile with a directory keeps "history.json" and
// "downloads.json" there; without a directory, and always for a private
// profile, both lists live in memory only. Ending a private session cancels
// its downloads, clears its history at once and then, on a worker, empties
// its document cache and closes its transport. Lives on the main thread.
#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <thread>

#include "loading/document_cache.h"
#include "loading/network_transport.h"
#include "profile/download_store.h"
#include "profile/history_store.h"

class BrowsingProfile {
public:
  // Creates the profile's transport and stores; reads the lists of a normal
  // profile with a directory (creating nothing). A null `cache` gets a new
  // cache with the default limits. Never fails.
  explicit BrowsingProfile(bool isPrivate, const QString& directory = {},
                           std::shared_ptr<DocumentCache> cache = nullptr);
  // Waits for a private session's closing work, if it still runs.
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

private:
  const bool m_isPrivate;
  std::shared_ptr<DocumentCache> m_cache;
  std::shared_ptr<NetworkTransport> m_network;
  std::unique_ptr<HistoryStore> m_history;
  std::unique_ptr<DownloadStore> m_downloads;
  std::shared_ptr<std::atomic<bool>> m_closed;
  std::jthread m_closing;
};
