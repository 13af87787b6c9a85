#include "selftests/self_tests.h"

#include "selftests/cache_tests.h"

void runAsyncTests() {
  // 1. The document cache against its controllable renderer.
  runCacheTests();
}
