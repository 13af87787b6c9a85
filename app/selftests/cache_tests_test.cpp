#include "selftests/cache_tests.h"

#include <gtest/gtest.h>

#include "selftests/smoke_failure.h"

namespace {

TEST(CacheTestsTest, SuitePassesAgainstTheRealCache) {
  EXPECT_NO_THROW(runCacheTests());
}

TEST(SmokeFailureTest, DescribesTheCaseAndItsCheck) {
  try {
    require(false, QStringLiteral("input size budget"));
    FAIL() << "require must throw";
  } catch (const SmokeFailure& failure) {
    EXPECT_STREQ(failure.what(), "failed(\"input size budget\")");
    EXPECT_EQ(failure.check(), QStringLiteral("input size budget"));
  }
  EXPECT_NO_THROW(require(true, QStringLiteral("never thrown")));
}

}  // namespace
