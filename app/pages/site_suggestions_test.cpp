#include "pages/site_suggestions.h"

#include <gtest/gtest.h>

#include "pages/pages_test_support.h"
#include "support/test_names.h"

namespace {

using PagesTest::visit;

QStringList ids(const QList<SiteSuggestion>& tiles) {
  QStringList out;
  for (const SiteSuggestion& tile : tiles) out.append(tile.id);
  return out;
}

struct OriginCase {
  const char* address;
  const char* origin;  // nullptr: no tile
};

void PrintTo(const OriginCase& c, std::ostream* out) { *out << '"' << c.address << '"'; }

class OriginTest : public testing::TestWithParam<OriginCase> {};

TEST_P(OriginTest, KeepsSchemeHostAndExplicitPortOnly) {
  const std::optional<QString> origin = SiteSuggestions::origin(QString::fromUtf8(GetParam().address));
  if (GetParam().origin) {
    ASSERT_TRUE(origin.has_value()) << GetParam().address;
    EXPECT_EQ(origin->toStdString(), GetParam().origin);
  } else {
    EXPECT_FALSE(origin.has_value()) << GetParam().address;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, OriginTest,
    testing::Values(OriginCase{"https://Example.COM/a/b?q=1#frag", "https://example.com"},
                    OriginCase{"http://example.com:8080/x", "http://example.com:8080"},
                    OriginCase{"https://example.com:443/", "https://example.com:443"},
                    OriginCase{"https://user:pw@example.com/", nullptr},
                    OriginCase{"file:///tmp/a.html", nullptr}, OriginCase{"kivo://history", nullptr},
                    OriginCase{"https:///nohost", nullptr}, OriginCase{"not a url", nullptr}),
    [](const testing::TestParamInfo<OriginCase>& info) { return kivo_testing::name_from_text(info.param.address); });

TEST(SiteSuggestions, GroupsByOriginAndDatesTileByNewestVisit) {
  const QList<HistoryEntry> entries{visit("https://b.example/x", 50), visit("https://A.example/1", 10),
                                    visit("https://a.example/2?q", 100), visit("http://a.example/", 20)};
  const QList<SiteSuggestion> tiles = SiteSuggestions::fromEntries(entries, false);
  ASSERT_EQ(tiles.size(), 3);
  EXPECT_EQ(ids(tiles), (QStringList{"https://a.example", "https://b.example", "http://a.example"}));
  EXPECT_EQ(tiles[0].count, 2);
  EXPECT_EQ(tiles[0].visitedAt, 100);
  EXPECT_EQ(tiles[0].title, "a.example");
  EXPECT_EQ(tiles[2].title, "a.example");
}

TEST(SiteSuggestions, FrequentOrderFallsBackToNewestThenId) {
  const QList<HistoryEntry> entries{visit("https://one.example/", 5), visit("https://two.example/", 9),
                                    visit("https://two.example/b", 1), visit("https://three.example/", 9),
                                    visit("https://four.example/", 9)};
  EXPECT_EQ(ids(SiteSuggestions::fromEntries(entries, true)),
            (QStringList{"https://two.example", "https://four.example", "https://three.example",
                         "https://one.example"}));
  EXPECT_EQ(ids(SiteSuggestions::fromEntries(entries, false)),
            (QStringList{"https://four.example", "https://three.example", "https://two.example",
                         "https://one.example"}));
}

TEST(SiteSuggestions, DropsWwwFromTitleOnlyAndKeepsEight) {
  QList<HistoryEntry> entries{visit("https://www.example.net/", 100)};
  for (int index = 0; index < 9; ++index) {
    entries.append(visit(QStringLiteral("https://site%1.example/").arg(index), index));
  }
  const QList<SiteSuggestion> tiles = SiteSuggestions::fromEntries(entries, false);
  ASSERT_EQ(tiles.size(), 8);
  EXPECT_EQ(tiles[0].id, "https://www.example.net");
  EXPECT_EQ(tiles[0].title, "example.net");
}

// Internationalised hosts used to show as their "xn--" form, with the
// initial "X"; the title now reads as the name is written, while the id (the
// tile's target and help text) keeps the form the address was visited in.
TEST(SiteSuggestions, TitlesShowInternationalHostsInUnicode) {
  const QList<HistoryEntry> entries{visit("https://xn--rnek-4qa.com/a", 3),
                                    visit("https://www.xn--kitaplk-wfb.com.tr/", 2),
                                    visit("https://xn--slak-kza.example:8443/", 1)};
  const QList<SiteSuggestion> tiles = SiteSuggestions::fromEntries(entries, false);
  ASSERT_EQ(tiles.size(), 3);
  EXPECT_EQ(tiles[0].title, QStringLiteral("örnek.com"));
  EXPECT_EQ(tiles[0].id, QStringLiteral("https://xn--rnek-4qa.com"));
  EXPECT_EQ(tiles[1].title, QStringLiteral("kitaplık.com.tr"));
  EXPECT_EQ(tiles[1].id, QStringLiteral("https://www.xn--kitaplk-wfb.com.tr"));
  EXPECT_EQ(tiles[2].title, QStringLiteral("ıslak.example"));
  EXPECT_EQ(SiteSuggestions::displayHost(QStringLiteral("example.com")), QStringLiteral("example.com"));
}

}  // namespace
