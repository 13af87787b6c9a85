#include "pages/site_suggestions.h"

#include <QHash>
#include <QUrl>

#include <algorithm>

#include "network/network_transport.h"

namespace SiteSuggestions {

std::optional<QString> origin(const QString& address) {
  const QUrl url(address, QUrl::StrictMode);
  if (!url.isValid() || !NetworkTransport::isAllowed(url)) return std::nullopt;
  if (url.host().isEmpty()) return std::nullopt;
  // Only the scheme, the lower-cased host and an explicit port survive.
  QUrl built;
  built.setScheme(url.scheme());
  built.setHost(url.host().toLower());
  if (url.port() >= 0) built.setPort(url.port());
  if (!built.isValid()) return std::nullopt;
  return built.toString(QUrl::FullyEncoded);
}

QString displayHost(const QString& host) {
  // Every top-level domain, not only those on Qt's short default list: a
  // Turkish name under ".com" reads as written. The tile's help text and
  // target keep the ASCII form, so the real address is always one hover away.
  return QUrl::fromAce(host.toLatin1(), QUrl::IgnoreIDNWhitelist);
}

QList<SiteSuggestion> fromEntries(const QList<HistoryEntry>& entries, bool frequent) {
  // Group the visits by origin, keeping the stored order within a group.
  QHash<QString, QList<const HistoryEntry*>> groups;
  for (const HistoryEntry& entry : entries) {
    const std::optional<QString> key = origin(entry.address);
    if (key) groups[*key].append(&entry);
  }
  // One tile per origin, dated by its newest visit.
  QList<SiteSuggestion> tiles;
  tiles.reserve(groups.size());
  for (auto group = groups.cbegin(); group != groups.cend(); ++group) {
    const HistoryEntry* newest = group.value().first();
    for (const HistoryEntry* entry : group.value()) {
      if (entry->visitedAt > newest->visitedAt) newest = entry;
    }
    const QUrl parsed(group.key());
    if (!parsed.isValid() || parsed.host().isEmpty()) continue;
    QString title = displayHost(parsed.host(QUrl::FullyEncoded));
    if (title.startsWith(QLatin1String("www."))) title = title.mid(4);
    tiles.append(SiteSuggestion{group.key(), title, group.value().size(), newest->visitedAt});
  }
  // Order them; ids are unique, so the order is total.
  std::sort(tiles.begin(), tiles.end(), [frequent](const SiteSuggestion& a, const SiteSuggestion& b) {
    if (frequent && a.count != b.count) return a.count > b.count;
    if (a.visitedAt == b.visitedAt) return a.id < b.id;
    return a.visitedAt > b.visitedAt;
  });
  // Keep the first eight.
  if (tiles.size() > kLimit) tiles.resize(kLimit);
  return tiles;
}

QList<SiteSuggestion> suggestions(const HistoryStore& store, bool frequent) {
  return fromEntries(store.entries(), frequent);
}

}  // namespace SiteSuggestions
