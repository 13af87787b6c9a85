// Waiting in the profile's tests: for something to happen, never for a
// stretch of time. Test code only.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "platform/event_wait.h"

namespace ProfileTestSupport {

// How long a wait may last before its case counts as stuck: far beyond what
// any case needs on a loaded machine, so that only a hung case reaches it.
inline constexpr std::chrono::milliseconds kWatchdog{120'000};

// Runs the main thread's events until `condition` holds; false when the
// watchdog ended the wait (see platform/event_wait.h).
inline bool runEventsUntil(const std::function<bool()>& condition) {
  return ::runEventsUntil(condition, kWatchdog);
}

// A one-way handshake between threads: one side raises it, the other waits
// for it.
class Signal {
public:
  void raise() {
    {
      std::lock_guard lock(m_mutex);
      m_raised = true;
    }
    m_changed.notify_all();
  }
  // Blocks until the signal is raised; false when the watchdog ended the wait.
  bool wait() {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, kWatchdog, [this] { return m_raised; });
  }
  bool raised() {
    std::lock_guard lock(m_mutex);
    return m_raised;
  }

private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_raised = false;
};

}  // namespace ProfileTestSupport
