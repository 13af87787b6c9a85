#include "selftests/suite_task.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Runs `task` to its end in an event loop of the test's own; the error it
// ended with, or null.
std::exception_ptr runToEnd(SuiteTask task) {
  QEventLoop loop;
  std::exception_ptr result;
  bool ended = false;
  SuiteTask::start(std::move(task), [&](std::exception_ptr error) {
    result = error;
    ended = true;
    loop.quit();
  });
  if (!ended) loop.exec();
  return result;
}

SuiteTask inner(std::vector<std::string>& log, bool fail) {
  log.push_back("inner starts");
  co_await SuiteWait::sleep(1ms);
  if (fail) throw std::runtime_error("inner failed");
  log.push_back("inner ends");
}

SuiteTask outer(std::vector<std::string>& log, bool fail) {
  log.push_back("outer starts");
  co_await inner(log, fail);
  log.push_back("outer ends");
}

TEST(SuiteTask, RunsStepsInOrderAndPassesAnErrorThrough) {
  std::vector<std::string> log;
  EXPECT_EQ(runToEnd(outer(log, false)), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"outer starts", "inner starts", "inner ends", "outer ends"}));

  log.clear();
  const std::exception_ptr error = runToEnd(outer(log, true));
  ASSERT_NE(error, nullptr);
  EXPECT_THROW(std::rethrow_exception(error), std::runtime_error);
  EXPECT_EQ(log, (std::vector<std::string>{"outer starts", "inner starts"})) << "nothing runs after a failure";
}

TEST(SuiteTask, StartsOnlyFromTheEventLoop) {
  bool ran = false;
  auto task = [](bool& flag) -> SuiteTask {
    flag = true;
    co_return;
  };
  QEventLoop loop;
  SuiteTask::start(task(ran), [&](std::exception_ptr) { loop.quit(); });
  EXPECT_FALSE(ran);
  loop.exec();
  EXPECT_TRUE(ran);
}

SuiteTask polls(int& evaluations, int limit, int holdsAt, bool& held) {
  held = co_await SuiteWait::poll(
      [&] {
        ++evaluations;
        return evaluations >= holdsAt;
      },
      limit, 1ms);
}

TEST(SuiteWait, PollStopsWhenTheConditionHoldsOrTheEvaluationsRunOut) {
  struct Case {
    int limit;
    int holdsAt;
    bool held;
    int evaluations;
  };
  for (const Case& c : {Case{5, 1, true, 1}, Case{5, 3, true, 3}, Case{5, 99, false, 5}, Case{1, 99, false, 1}}) {
    int evaluations = 0;
    bool held = false;
    EXPECT_EQ(runToEnd(polls(evaluations, c.limit, c.holdsAt, held)), nullptr);
    EXPECT_EQ(held, c.held) << c.limit << " " << c.holdsAt;
    EXPECT_EQ(evaluations, c.evaluations) << c.limit << " " << c.holdsAt;
  }
}

}  // namespace
