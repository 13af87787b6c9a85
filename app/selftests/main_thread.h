// Lets a suite that runs on a worker thread drive objects that live on the
// main thread: each call runs there, between two turns of its event loop, and
// its result or exception comes back to the calling thread. On the main
// thread itself a call simply runs.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace MainThread {

// True on the application's main thread (or without an application).
inline bool isCurrent() {
  QCoreApplication* application = QCoreApplication::instance();
  return !application || QThread::currentThread() == application->thread();
}

// Runs `function` on the main thread and returns its result; rethrows what it
// threw. Blocks the calling thread meanwhile.
template <typename Function>
auto call(Function&& function) -> std::invoke_result_t<Function> {
  using Result = std::invoke_result_t<Function>;
  if (isCurrent()) return function();
  std::exception_ptr failure;
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
          try {
            function();
          } catch (...) {
            failure = std::current_exception();
          }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
  } else {
    std::optional<Result> result;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
          try {
            result.emplace(function());
          } catch (...) {
            failure = std::current_exception();
          }
        },
        Qt::BlockingQueuedConnection);
    if (failure) std::rethrow_exception(failure);
    return std::move(*result);
  }
}

// Makes a T on the main thread, owned by a pointer that also destroys it
// there, whichever thread lets go of it last.
template <typename T, typename... Arguments>
std::shared_ptr<T> make(Arguments&&... arguments) {
  T* object = call([&] { return new T(std::forward<Arguments>(arguments)...); });
  return std::shared_ptr<T>(object, [](T* doomed) { call([doomed] { delete doomed; }); });
}

// Runs the main thread's events until `condition` holds there, for at most
// `bound` (runEventsUntil); true when it held. A worker blocks meanwhile.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound);

// Lets the main thread run for `duration`: sleeps on a worker thread, or
// processes the main thread's events while waiting on the main thread.
void pause(std::chrono::milliseconds duration);

}  // namespace MainThread
