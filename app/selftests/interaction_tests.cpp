#include "selftests/interaction_tests.h"

#include "selftests/smoke_failure.h"

SuiteTask runInteractionTests(BrowserModel&, BrowserWindow&) {
  throw SmokeFailure(QStringLiteral("interaction suite not built"));
  co_return;
}
