// Waiting in the profile's tests: for something to happen, never for a
// stretch of time. Test code only.
#pragma once

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace ProfileTestSupport {

// How long a wait may last before its case counts as stuck: far beyond what
// any case needs on a loaded machine, so that only a hung case reaches it.
inline constexpr std::chrono::milliseconds kWatchdog{120'000};

// Runs the main thread's events until `condition` holds; false when the
// watchdog ended the wait. The thread sleeps until an event arrives (a job's
// progress or end, a reply) and then looks again; a short wake-up also looks
// at what other threads change without an event, such as the closing work of
// a private session.
inline bool runEventsUntil(const std::function<bool()>& condition) {
  bool expired = false;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&expired] { expired = true; });
  watchdog.start(kWatchdog);
  QTimer wakeUp;
  wakeUp.start(10);
  while (!condition()) {
    if (expired) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
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
