#include "platform/event_wait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

bool runEventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound) {
  if (condition()) return true;
  bool expired = false;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&expired] { expired = true; });
  watchdog.start(bound);
  QTimer wakeUp;
  wakeUp.start(std::chrono::milliseconds(10));
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (condition()) return true;
    if (expired) return false;
  }
}
