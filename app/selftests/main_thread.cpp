#include "selftests/main_thread.h"

#include <QDeadlineTimer>
#include <QEventLoop>

#include "platform/event_wait.h"

bool MainThread::waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound) {
  return call([&] { return runEventsUntil(condition, bound); });
}

void MainThread::pause(std::chrono::milliseconds duration) {
  if (!isCurrent()) {
    std::this_thread::sleep_for(duration);
    return;
  }
  const QDeadlineTimer deadline(duration, Qt::PreciseTimer);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}
