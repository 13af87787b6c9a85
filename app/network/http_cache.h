// A session's memory-only HTTP cache: complete 200 answers that carry an
// explicit freshness lifetime (Cache-Control max-age, or Expires against
// Date), served again while they are fresh. Answers are never revalidated, so
// an answer marked no-cache or no-store, or varying on every header, is not
// kept.
//
// Thread-safe: every access happens under one lock.
//
// Limits: the bodies and heads of all entries together stay within the
// capacity given at construction; one entry may take at most an eighth of it;
// the least recently used entries are evicted first.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "network/http_head.h"

class HttpCache {
public:
  using Clock = std::chrono::steady_clock;

  struct Entry {
    HttpHead head;
    QByteArray body;
  };

  explicit HttpCache(qint64 capacity);

  // The stored answer for `url` when it is still fresh at `now`.
  std::optional<Entry> fresh(const QUrl& url, Clock::time_point now);

  // Keeps the complete answer `head` + `body` for `url`, received at
  // `received` (steady) and `receivedSystem` (wall clock, for Date and
  // Expires), when it is cacheable; otherwise drops any older entry.
  void store(const QUrl& url, const HttpHead& head, const QByteArray& body, Clock::time_point received,
             std::time_t receivedSystem);

  void remove(const QUrl& url);
  void clear();

  qsizetype count() const;
  qint64 bytes() const;

  // How long an answer stays fresh, or nothing when it must not be kept.
  static std::optional<std::chrono::seconds> freshnessLifetime(const HttpHead& head, std::time_t receivedSystem);

private:
  struct Stored {
    Entry entry;
    Clock::time_point received;
    std::chrono::seconds lifetime;
    std::chrono::seconds initialAge;
    qint64 cost = 0;
    std::list<std::string>::iterator use;
  };

  static std::string keyOf(const QUrl& url);
  void removeLocked(const std::string& key);

  const qint64 m_capacity;
  mutable std::mutex m_mutex;
  std::unordered_map<std::string, Stored> m_entries;
  std::list<std::string> m_uses;  // most recently used first
  qint64 m_bytes = 0;
};
