#include "network/http_cache.h"

#include <curl/curl.h>

#include <algorithm>

namespace {

QByteArray lowerAscii(QByteArrayView text) {
  QByteArray out = text.toByteArray();
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// A non-negative decimal number of seconds; nothing when malformed. Values
// beyond a century are clamped, as they mean "forever" anyway.
std::optional<qint64> seconds(QByteArrayView text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.sliced(1, text.size() - 2);
  if (text.isEmpty()) return std::nullopt;
  qint64 value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    if (value < 3'155'760'000) value = value * 10 + (c - '0');
  }
  return std::min<qint64>(value, 3'155'760'000);
}

std::optional<std::time_t> httpDate(const std::optional<QByteArray>& text) {
  if (!text) return std::nullopt;
  const std::time_t parsed = curl_getdate(text->constData(), nullptr);
  if (parsed == -1) return std::nullopt;
  return parsed;
}

}  // namespace

HttpCache::HttpCache(qint64 capacity) : m_capacity(std::max<qint64>(capacity, 0)) {}

std::string HttpCache::keyOf(const QUrl& url) {
  return url.adjusted(QUrl::RemoveFragment).toEncoded().toStdString();
}

std::optional<std::chrono::seconds> HttpCache::freshnessLifetime(const HttpHead& head, std::time_t receivedSystem) {
  // 1. Only complete 200 answers that do not vary on everything.
  if (head.status != 200) return std::nullopt;
  if (const auto vary = head.joinedField("vary"); vary && vary->contains('*')) return std::nullopt;
  // 2. Cache-Control decides when it is present.
  if (const auto control = head.joinedField("cache-control")) {
    std::optional<qint64> maxAge;
    for (const QByteArray& part : control->split(',')) {
      QByteArray directive = lowerAscii(part.trimmed());
      const qsizetype equals = directive.indexOf('=');
      const QByteArray name = equals < 0 ? directive : directive.left(equals).trimmed();
      if (name == "no-store" || name == "no-cache") return std::nullopt;
      if (name == "max-age") {
        const std::optional<qint64> value =
            equals < 0 ? std::nullopt : seconds(QByteArrayView(directive).sliced(equals + 1).trimmed());
        if (!value) return std::nullopt;
        maxAge = value;
      }
    }
    if (maxAge) {
      if (*maxAge <= 0) return std::nullopt;
      return std::chrono::seconds(*maxAge);
    }
  }
  // 3. Otherwise Expires, measured from the server's Date.
  if (const auto expiresField = head.field("expires")) {
    const std::optional<std::time_t> expires = httpDate(expiresField);
    if (!expires) return std::nullopt;
    const std::time_t date = httpDate(head.field("date")).value_or(receivedSystem);
    if (*expires <= date) return std::nullopt;
    return std::chrono::seconds(*expires - date);
  }
  // 4. No heuristic freshness: without an explicit lifetime nothing is kept.
  return std::nullopt;
}

std::optional<HttpCache::Entry> HttpCache::fresh(const QUrl& url, Clock::time_point now) {
  std::lock_guard lock(m_mutex);
  const auto found = m_entries.find(keyOf(url));
  if (found == m_entries.end()) return std::nullopt;
  Stored& stored = found->second;
  if (now - stored.received + stored.initialAge >= stored.lifetime) {
    const std::string key = found->first;
    removeLocked(key);
    return std::nullopt;
  }
  m_uses.splice(m_uses.begin(), m_uses, stored.use);
  return stored.entry;
}

void HttpCache::store(const QUrl& url, const HttpHead& head, const QByteArray& body, Clock::time_point received,
                      std::time_t receivedSystem) {
  const std::string key = keyOf(url);
  const std::optional<std::chrono::seconds> lifetime = freshnessLifetime(head, receivedSystem);
  const qint64 cost = body.size() + head.byteSize() + static_cast<qint64>(key.size());
  std::lock_guard lock(m_mutex);
  removeLocked(key);
  if (!lifetime || cost > m_capacity / 8) return;
  const std::chrono::seconds initialAge(seconds(head.field("age").value_or(QByteArray("0"))).value_or(0));
  if (initialAge >= *lifetime) return;
  // Evict the least recently used entries until the new one fits.
  while (m_bytes + cost > m_capacity && !m_uses.empty()) {
    const std::string victim = m_uses.back();
    removeLocked(victim);
  }
  m_uses.push_front(key);
  Stored stored{Entry{head, body}, received, *lifetime, initialAge, cost, m_uses.begin()};
  m_entries.emplace(key, std::move(stored));
  m_bytes += cost;
}

void HttpCache::remove(const QUrl& url) {
  std::lock_guard lock(m_mutex);
  removeLocked(keyOf(url));
}

void HttpCache::clear() {
  std::lock_guard lock(m_mutex);
  m_entries.clear();
  m_uses.clear();
  m_bytes = 0;
}

qsizetype HttpCache::count() const {
  std::lock_guard lock(m_mutex);
  return static_cast<qsizetype>(m_entries.size());
}

qint64 HttpCache::bytes() const {
  std::lock_guard lock(m_mutex);
  return m_bytes;
}

void HttpCache::removeLocked(const std::string& key) {
  const auto found = m_entries.find(key);
  if (found == m_entries.end()) return;
  m_bytes -= found->second.cost;
  m_uses.erase(found->second.use);
  m_entries.erase(found);
}
