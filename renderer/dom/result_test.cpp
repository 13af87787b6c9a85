#include "dom/result.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo_dom {
namespace {

// A step that records each call and fails when asked to.
struct Steps {
  std::vector<std::string> calls;

  Result<int, std::string> number(int value, bool fail) {
    calls.push_back("number " + std::to_string(value));
    if (fail) return err(std::string("no number"));
    return value;
  }
  Result<void, std::string> check(bool fail) {
    calls.push_back("check");
    if (fail) return err(std::string("check failed"));
    return {};
  }
};

// Adds two numbers after a check; every step may fail.
Result<int, std::string> add(Steps& steps, bool fail_check, bool fail_first, bool fail_second) {
  KIVO_TRY(steps.check(fail_check));
  KIVO_TRY_ASSIGN(const int first, steps.number(1, fail_first));
  int second = -1;
  KIVO_TRY_ASSIGN(second, steps.number(2, fail_second));
  return first + second;
}

TEST(ResultTryTest, ReturnsTheFirstErrorAndStopsThere) {
  struct Case {
    const char* name;
    bool fail_check, fail_first, fail_second;
    const char* expected;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"every step succeeds", false, false, false, "3", {"check", "number 1", "number 2"}},
      {"void step fails", true, false, false, "check failed", {"check"}},
      {"declared value fails", false, true, false, "no number", {"check", "number 1"}},
      {"assigned value fails", false, false, true, "no number", {"check", "number 1", "number 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Steps steps;
    const auto result = add(steps, c.fail_check, c.fail_first, c.fail_second);
    EXPECT_EQ(result.ok() ? std::to_string(*result) : result.error(), c.expected);
    // Each expression ran exactly once, and nothing after a failure ran.
    EXPECT_EQ(steps.calls, c.calls);
  }
}

}  // namespace
}  // namespace kivo_dom
