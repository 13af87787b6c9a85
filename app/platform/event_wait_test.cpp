#include "platform/event_wait.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Far beyond any case that holds: only a wait that never sees its condition
// reaches it.
constexpr std::chrono::milliseconds kWatchdog{60'000};

// One wait: what it starts, the condition it waits for, and what it must
// return.
struct WaitCase {
  const char* name;
  std::function<std::function<bool()>()> begin;
  std::chrono::milliseconds bound;
  bool holds;
};

void PrintTo(const WaitCase& c, std::ostream* out) {
  *out << c.name;
}

// The other thread changes a value with no event, once the wait has looked
// a first time: only the wait's own wake-up can see it.
std::function<bool()> changedByAnotherThread() {
  struct State {
    std::mutex mutex;
    std::condition_variable looked;
    bool first = true;
    std::atomic<bool> changed{false};
    std::jthread writer;
  };
  auto state = std::make_shared<State>();
  state->writer = std::jthread([state = state.get()] {
    std::unique_lock lock(state->mutex);
    state->looked.wait(lock, [state] { return !state->first; });
    state->changed = true;
  });
  return [state] {
    {
      std::lock_guard lock(state->mutex);
      state->first = false;
    }
    state->looked.notify_all();
    return state->changed.load();
  };
}

const WaitCase kCases[] = {
    {"HoldsAtOnce", [] { return std::function<bool()>([] { return true; }); }, kWatchdog, true},
    {"AQueuedCallMakesItHold",
     [] {
       auto done = std::make_shared<bool>(false);
       QMetaObject::invokeMethod(
           QCoreApplication::instance(), [done] { *done = true; }, Qt::QueuedConnection);
       return std::function<bool()>([done] { return *done; });
     },
     kWatchdog, true},
    {"AnotherThreadsChangeWithoutAnEvent", changedByAnotherThread, kWatchdog, true},
    {"ADeferredDeletionGoes",
     [] {
       auto* doomed = new QObject;
       doomed->deleteLater();
       const QPointer<QObject> guard(doomed);
       return std::function<bool()>([guard] { return guard.isNull(); });
     },
     kWatchdog, true},
    {"NeverHoldsWithinItsBound", [] { return std::function<bool()>([] { return false; }); }, 20ms, false},
};

class EventWait : public testing::TestWithParam<WaitCase> {};

TEST_P(EventWait, ReturnsWhetherTheConditionHeld) {
  const WaitCase& c = GetParam();
  const std::function<bool()> condition = c.begin();
  EXPECT_EQ(runEventsUntil(condition, c.bound), c.holds);
}

INSTANTIATE_TEST_SUITE_P(Cases, EventWait, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<WaitCase>& info) { return std::string(info.param.name); });

TEST(EventWaitAtOnce, AConditionThatHoldsRunsNoEvent) {
  bool ran = false;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [&ran] { ran = true; }, Qt::QueuedConnection);
  EXPECT_TRUE(runEventsUntil([] { return true; }, kWatchdog));
  EXPECT_FALSE(ran);
  EXPECT_TRUE(runEventsUntil([&ran] { return ran; }, kWatchdog));
}

}  // namespace
