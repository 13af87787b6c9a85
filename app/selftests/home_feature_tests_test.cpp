#include "selftests/home_feature_tests.h"

#include <gtest/gtest.h>

namespace {

TEST(HomeFeatureTests, PassesWithTheRealStores) {
  testing::internal::CaptureStdout();
  EXPECT_NO_THROW(runHomeFeatureTests());
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "PASS: real history grouping, deletion, sensitive URL omission and private isolation.\n");
}

}  // namespace
