#include "selftests/home_feature_tests.h"

#include <cstdio>
#include <memory>

#include "base/bridge_error.h"
#include "loading/document_cache.h"
#include "pages/site_suggestions.h"
#include "profile/browsing_profile.h"
#include "profile/history_store.h"

void runHomeFeatureTests() {
  // 1. A store without a file.
  HistoryStore store;
  // 2. Four visits; the store refuses the local file.
  store.record(QStringLiteral("https://example.com/a?token=quazel"), QStringLiteral("First"), store.revision());
  store.record(QStringLiteral("https://example.com/b#fragment"), QStringLiteral("Second"), store.revision());
  store.record(QStringLiteral("https://example.org/"), QStringLiteral("Other"), store.revision());
  store.record(QStringLiteral("file:///private.html"), QStringLiteral("Local"), store.revision());
  // 3. Grouping and counting.
  const QList<SiteSuggestion> frequent = SiteSuggestions::suggestions(store, true);
  if (frequent.size() != 2 || frequent.first().count != 2) {
    throw BridgeError(QStringLiteral("Home test: origin grouping and frequency"));
  }
  // 4. No query or fragment in the tile.
  const QString& id = frequent.first().id;
  if (id.contains(QLatin1String("token")) || id.contains(QLatin1String("fragment"))) {
    throw BridgeError(QStringLiteral("Home test: suggestions omit sensitive URL components"));
  }
  // 5. Clearing the history clears the tiles.
  store.clear();
  if (!SiteSuggestions::suggestions(store, false).isEmpty()) {
    throw BridgeError(QStringLiteral("Home test: history clearing clears suggestions"));
  }
  // 6. A private profile starts empty.
  BrowsingProfile profile(true, QString(), std::make_shared<DocumentCache>());
  if (!profile.history().entries().isEmpty()) {
    throw BridgeError(QStringLiteral("Home test: private profile does not inherit normal history"));
  }
  // 7. Report.
  std::printf("%s\n", "PASS: real history grouping, deletion, sensitive URL omission and private isolation.");
  std::fflush(stdout);
}
