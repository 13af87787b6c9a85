// The in-window suites as coroutines on the main thread. A suite step waits
// by suspending and letting the main event loop run (timers resume it), never
// in a nested event loop: deferred deletions, window activation and closing
// happen between the steps exactly as with real input.
//
//   SuiteTask steps(BrowserModel& model) {
//     model.newTab();
//     co_await SuiteWait::sleep(180ms);
//     const std::function<bool()> loaded = [&] { return ...; };
//     const bool held = co_await SuiteWait::poll(loaded, 40, 50ms);
//     if (!held) throw SmokeFailure(...);
//     co_await otherSteps(model);  // a sub-task; its error passes through
//   }
//   SuiteTask::start(steps(model), [](std::exception_ptr error) { ... });
//
// g++ 12 mishandles two forms, so suites avoid them: it destroys temporaries
// made inside a co_await expression twice (a lambda holding a shared_ptr or
// a QPointer by value, converted there, is freed twice), and a coroutine
// that tests a co_await directly in a condition ("if (!co_await ...)") never
// starts. Await named values and test the result of an await afterwards.
//
// A task starts suspended; start() runs it from the event loop and reports
// its end (null, or the exception it threw) exactly once. Main thread only.
#pragma once

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <coroutine>
#include <exception>
#include <functional>
#include <utility>

class SuiteTask {
public:
  struct promise_type;
  using Handle = std::coroutine_handle<promise_type>;

  struct FinalStep {
    bool await_ready() noexcept { return false; }
    std::coroutine_handle<> await_suspend(Handle handle) noexcept {
      promise_type& promise = handle.promise();
      if (promise.continuation) return promise.continuation;
      // A started task owns itself: it reports and goes.
      std::function<void(std::exception_ptr)> done = std::move(promise.done);
      const std::exception_ptr error = promise.error;
      handle.destroy();
      if (done) done(error);
      return std::noop_coroutine();
    }
    void await_resume() noexcept {}
  };

  struct promise_type {
    std::exception_ptr error;
    std::coroutine_handle<> continuation;
    std::function<void(std::exception_ptr)> done;

    SuiteTask get_return_object() { return SuiteTask(Handle::from_promise(*this)); }
    std::suspend_always initial_suspend() noexcept { return {}; }
    FinalStep final_suspend() noexcept { return {}; }
    void return_void() {}
    void unhandled_exception() { error = std::current_exception(); }
  };

  SuiteTask(SuiteTask&& other) noexcept : m_handle(std::exchange(other.m_handle, {})) {}
  SuiteTask& operator=(SuiteTask&&) = delete;
  SuiteTask(const SuiteTask&) = delete;
  ~SuiteTask() {
    if (m_handle) m_handle.destroy();
  }

  // Awaiting a sub-task runs it to its end; its error is rethrown here.
  bool await_ready() const noexcept { return false; }
  std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
    m_handle.promise().continuation = awaiting;
    return m_handle;
  }
  void await_resume() {
    if (m_handle.promise().error) std::rethrow_exception(m_handle.promise().error);
  }

  // Runs `task` from the event loop; `done` gets null on success or the
  // exception the task threw.
  static void start(SuiteTask task, std::function<void(std::exception_ptr)> done) {
    const Handle handle = std::exchange(task.m_handle, {});
    handle.promise().done = std::move(done);
    QTimer::singleShot(0, QCoreApplication::instance(), [handle] { handle.resume(); });
  }

private:
  explicit SuiteTask(Handle handle) : m_handle(handle) {}
  Handle m_handle;
};

namespace SuiteWait {

// Resumes after `duration`, the event loop running meanwhile.
struct Sleep {
  std::chrono::milliseconds duration;
  bool await_ready() const noexcept { return false; }
  void await_suspend(std::coroutine_handle<> handle) const {
    QTimer::singleShot(duration, QCoreApplication::instance(), [handle] { handle.resume(); });
  }
  void await_resume() const noexcept {}
};

inline Sleep sleep(std::chrono::milliseconds duration) {
  return Sleep{duration};
}

// Evaluates `condition` at once and then every `interval`, at most
// `evaluations` times in all; the result is whether it held.
struct Poll {
  std::function<bool()> condition;
  int evaluations;
  std::chrono::milliseconds interval;
  bool held = false;

  bool await_ready() {
    held = condition();
    return held || evaluations <= 1;
  }
  void await_suspend(std::coroutine_handle<> handle) { evaluateLater(handle, 1); }
  bool await_resume() const noexcept { return held; }

  // Evaluates once more after the interval, `done` evaluations made so far;
  // resumes the waiting coroutine when the condition holds or none are left.
  void evaluateLater(std::coroutine_handle<> handle, int done) {
    QTimer::singleShot(interval, QCoreApplication::instance(), [this, handle, done] {
      held = condition();
      if (held || done + 1 >= evaluations) {
        handle.resume();
        return;
      }
      evaluateLater(handle, done + 1);
    });
  }
};

inline Poll poll(std::function<bool()> condition, int evaluations, std::chrono::milliseconds interval) {
  return Poll{std::move(condition), evaluations, interval};
}

// A wait for the window system: activation, exposure, focus, window state
// and geometry come a loop turn or more after they are asked for on a real
// display (offscreen they come at once). The condition is evaluated every
// 10 ms, at most 1,000 times: a bound that only a hang reaches. Await it as
// a named value (see above); its result is whether the condition held.
inline constexpr int kWindowSystemEvaluations = 1000;
inline constexpr std::chrono::milliseconds kWindowSystemInterval{10};

inline Poll windowSystem(std::function<bool()> condition) {
  return poll(std::move(condition), kWindowSystemEvaluations, kWindowSystemInterval);
}

// Waits as windowSystem() does, as a sub-task: a step awaits it at once and
// then checks its own condition, which decides. `condition` is a named value
// of the step (see above), which outlives the wait.
inline SuiteTask until(const std::function<bool()>& condition) {
  Poll wait = windowSystem(condition);
  co_await wait;
}

}  // namespace SuiteWait
