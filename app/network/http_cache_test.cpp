#include "network/http_cache.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono_literals;

HttpHead headWith(int status, const QList<std::pair<QByteArray, QByteArray>>& fields) {
  HttpHead head;
  head.url = QUrl(QStringLiteral("http://example.com/a"));
  head.status = status;
  head.fields = fields;
  return head;
}

TEST(HttpCache, FreshnessLifetimeNeedsAnExplicitLifetime) {
  // 2026-12-10 12:00:00 UTC.
  const std::time_t received = 1'796'904'000;
  struct Case {
    int status;
    QList<std::pair<QByteArray, QByteArray>> fields;
    std::optional<std::chrono::seconds> expected;
  };
  const std::vector<Case> cases = {
      {200, {{"cache-control", "max-age=60"}}, 60s},
      {200, {{"cache-control", "public, MAX-AGE=120"}}, 120s},
      {200, {{"cache-control", "max-age=0"}}, std::nullopt},
      {200, {{"cache-control", "no-store, max-age=60"}}, std::nullopt},
      {200, {{"cache-control", "no-cache"}, {"expires", "Thu, 10 Dec 2026 13:00:00 GMT"}}, std::nullopt},
      {200, {{"cache-control", "max-age=abc"}}, std::nullopt},
      {200, {{"expires", "Thu, 10 Dec 2026 13:00:00 GMT"}, {"date", "Thu, 10 Dec 2026 12:30:00 GMT"}}, 1800s},
      {200, {{"expires", "Thu, 10 Dec 2026 13:00:00 GMT"}}, 3600s},
      {200, {{"expires", "0"}}, std::nullopt},
      {200, {{"cache-control", "max-age=60"}, {"vary", "*"}}, std::nullopt},
      {200, {{"last-modified", "Thu, 10 Dec 2020 13:00:00 GMT"}}, std::nullopt},
      {404, {{"cache-control", "max-age=60"}}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HttpCache::freshnessLifetime(headWith(c.status, c.fields), received), c.expected)
        << c.status << " " << (c.fields.isEmpty() ? "" : c.fields.front().second.constData());
  }
}

TEST(HttpCache, ServesUntilStaleAndCountsAge) {
  HttpCache cache(1'000'000);
  const auto now = HttpCache::Clock::now();
  const QUrl url(QStringLiteral("http://example.com/a#fragment"));
  cache.store(url, headWith(200, {{"cache-control", "max-age=10"}, {"age", "4"}}), "body", now, 0);
  EXPECT_TRUE(cache.fresh(QUrl(QStringLiteral("http://example.com/a")), now + 5s));
  EXPECT_FALSE(cache.fresh(url, now + 6s));
  EXPECT_EQ(cache.count(), 0);
}

TEST(HttpCache, UncacheableAnswerReplacesStoredOne) {
  HttpCache cache(1'000'000);
  const auto now = HttpCache::Clock::now();
  const QUrl url(QStringLiteral("http://example.com/a"));
  cache.store(url, headWith(200, {{"cache-control", "max-age=10"}}), "old", now, 0);
  cache.store(url, headWith(200, {{"cache-control", "no-store"}}), "new", now, 0);
  EXPECT_FALSE(cache.fresh(url, now));
}

TEST(HttpCache, EvictsLeastRecentlyUsedWithinCapacity) {
  HttpCache cache(8'000);
  const auto now = HttpCache::Clock::now();
  const auto head = headWith(200, {{"cache-control", "max-age=60"}});
  const auto url = [](int i) { return QUrl(QStringLiteral("http://example.com/%1").arg(i)); };
  for (int i = 0; i < 12; ++i) {
    cache.store(url(i), head, QByteArray(600, 'x'), now, 0);
    // Keep the first entry in use so it survives.
    EXPECT_TRUE(cache.fresh(url(0), now)) << i;
  }
  EXPECT_LE(cache.bytes(), 8'000);
  EXPECT_FALSE(cache.fresh(url(1), now));
  EXPECT_TRUE(cache.fresh(url(11), now));
  // One entry may take at most an eighth of the capacity.
  cache.store(url(99), head, QByteArray(1'001, 'x'), now, 0);
  EXPECT_FALSE(cache.fresh(url(99), now));
  cache.clear();
  EXPECT_EQ(cache.count(), 0);
  EXPECT_EQ(cache.bytes(), 0);
}

}  // namespace
