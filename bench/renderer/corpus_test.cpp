#include "corpus.h"

#include <gtest/gtest.h>

#include "engine/resources.h"
#include "html/parser.h"
#include "tally.h"

namespace bench_renderer {
namespace {

// Each generated case must reach what it is named after; checked in process.
struct Expectation {
  const char* name;
  std::uint64_t min_bytes;
  std::uint64_t max_bytes;
};

TEST(Corpus, CasesReachTheirBudgets) {
  const std::vector<Expectation> expectations = {
      {"typical", 55'000, 70'000},         {"text-1mib", 1'040'000, 1'048'576},
      {"manifest-50k", 200'000, 1'048'576}, {"cascade-2000x500", 100'000, 1'048'576},
      {"flex-nested-128", 1'000, 100'000},  {"flex-wrap-512", 10'000, 100'000},
      {"grid-12col", 50'000, 200'000},      {"paints-near-limit", 90'000, 200'000},
      {"paints-over-limit", 50'000, 200'000},
  };
  for (const auto& e : expectations) {
    SCOPED_TRACE(e.name);
    const auto& kinds = case_kinds();
    const auto kind = std::find_if(kinds.begin(), kinds.end(), [&](const CaseKind& k) { return k.name == e.name; });
    ASSERT_NE(kind, kinds.end());
    const Case c = kind->make(1.0);
    EXPECT_EQ(c.name, e.name);
    EXPECT_GE(c.input.size(), e.min_bytes);
    EXPECT_LE(c.input.size(), e.max_bytes);
    const Tally t = tally(c.input, c.width);
    EXPECT_EQ(t.error, c.expected_error);
  }
}

TEST(Corpus, BudgetsAreApproachedClosely) {
  const Tally manifest = tally(pages::manifest(1.0).input, "0");
  EXPECT_GE(manifest.nodes, 49'990u);
  EXPECT_LE(manifest.nodes, 50'000u);

  const Tally paints = tally(pages::paints(1.0).input, "1024");
  EXPECT_GE(paints.paints, 18'000u);
  EXPECT_LT(paints.widths_asked, 40'000u);

  const Tally text = tally(pages::text(1.0).input, "1024");
  EXPECT_EQ(text.widths_asked, 40'000u);

  // The matching budget runs out, and the page is styled again without its CSS.
  const Tally cascade = tally(pages::cascade(1.0).input, "1024");
  EXPECT_TRUE(cascade.fallback);
  EXPECT_FALSE(tally(pages::cascade(0.125).input, "1024").fallback);
}

}  // namespace
}  // namespace bench_renderer
