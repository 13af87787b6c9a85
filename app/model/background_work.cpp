#include "model/background_work.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

class WorkerPool {
public:
  static constexpr std::size_t kThreadLimit = 8;

  ~WorkerPool() {
    {
      std::lock_guard lock(m_mutex);
      m_stopping = true;
      m_jobs.clear();
    }
    m_wake.notify_all();
    m_threads.clear();  // joins
  }

  void run(std::function<void()> job) {
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(std::move(job));
    if (m_idle == 0 && m_threads.size() < kThreadLimit) {
      m_threads.emplace_back([this] { work(); });
    } else {
      m_wake.notify_one();
    }
  }

private:
  void work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
      ++m_idle;
      m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
      --m_idle;
      if (m_stopping) return;
      std::function<void()> job = std::move(m_jobs.front());
      m_jobs.pop_front();
      lock.unlock();
      job();
      lock.lock();
    }
  }

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_jobs;
  std::size_t m_idle = 0;
  bool m_stopping = false;
  std::vector<std::jthread> m_threads;
};

// Posting and the application's destruction exclude each other, so a worker
// finishing while the program ends never posts to a dying application.
std::mutex& postMutex() {
  static std::mutex mutex;
  return mutex;
}

bool g_applicationGone = false;
bool g_watching = false;

void applicationEnding() {
  const std::lock_guard lock(postMutex());
  g_applicationGone = true;
  g_watching = false;
}

WorkerPool& pool() {
  static WorkerPool instance;
  return instance;
}

}  // namespace

void BackgroundWork::run(std::function<void()> job) {
  pool().run(std::move(job));
}

void BackgroundWork::postToMain(std::function<void()> job) {
  const std::lock_guard lock(postMutex());
  QCoreApplication* application = QCoreApplication::instance();
  if (!application || g_applicationGone) return;
  QMetaObject::invokeMethod(application, std::move(job), Qt::QueuedConnection);
}

void BackgroundWork::watchApplication() {
  const std::lock_guard lock(postMutex());
  if (g_watching || !QCoreApplication::instance()) return;
  g_watching = true;
  g_applicationGone = false;
  qAddPostRoutine(applicationEnding);
}
