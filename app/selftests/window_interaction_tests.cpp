#include "selftests/window_interaction_tests.h"

#include "selftests/smoke_failure.h"

SuiteTask runWindowInteractionTests(BrowserWorkspace&) {
  throw SmokeFailure(QStringLiteral("window suite not built"));
  co_return;
}
