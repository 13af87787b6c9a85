// The home page's site tiles: one tile per web origin (scheme, host, port)
// found in a profile's visit history, in recent or frequent order.
//
// A tile never carries a path, query, fragment or user name of a visited
// address. Limits: one pass over the history (at most 5,000 visits, one
// address parse each) and at most 8 tiles. Main thread; changes nothing.
#pragma once

#include <QList>
#include <QString>

#include "profile/history_store.h"

// One tile: an origin and how it was visited.
struct SiteSuggestion {
  QString id;             // scheme "://" host, plus ":" port when the address named one
  QString title;          // the host in its Unicode form, without a leading "www."
  qint64 count = 0;       // visits of this origin
  double visitedAt = 0;   // the newest of those visits
  bool operator==(const SiteSuggestion&) const = default;
};

namespace SiteSuggestions {

inline constexpr qsizetype kLimit = 8;

// `host` (ASCII, internationalised labels in their "xn--" form) as a reader
// writes it: every such label decoded to Unicode; a label that does not
// decode stays as it is.
QString displayHost(const QString& host);

// The tiles of `entries` (newest first): newest visit first, or with
// `frequent` most visits first, then newest, then id ascending; at most 8.
QList<SiteSuggestion> fromEntries(const QList<HistoryEntry>& entries, bool frequent);

// fromEntries() over the store's visits.
QList<SiteSuggestion> suggestions(const HistoryStore& store, bool frequent);

// The origin text of a visited address, or nothing when the address is not
// an allowed http(s) address with a host.
std::optional<QString> origin(const QString& address);

}  // namespace SiteSuggestions
