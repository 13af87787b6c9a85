// The main of the renderer's, the tools' and the benchmarks' unit tests.
#include <gtest/gtest.h>

#include "support/test_listener.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  kivo_testing::installSkippedRunMarker();
  return RUN_ALL_TESTS();
}
