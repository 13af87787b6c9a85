#include "profile/background_writer.h"

#include <utility>

BackgroundWriter::BackgroundWriter(QObject* context, Report report)
    : m_context(context), m_delivery(std::make_shared<Delivery>(Delivery{std::move(report)})) {}

BackgroundWriter::~BackgroundWriter() {
  {
    std::unique_lock lock(m_mutex);
    waitUntilIdle(lock);
  }
  m_delivery->open = false;
  // The worker now waits for work; the stop request ends it, and the
  // jthread joins it.
  m_worker.request_stop();
}

void BackgroundWriter::save(Save save) {
  {
    std::lock_guard lock(m_mutex);
    m_waiting = std::move(save);
    if (!m_worker.joinable()) m_worker = std::jthread([this](std::stop_token stop) { run(stop); });
  }
  m_changed.notify_all();
}

void BackgroundWriter::flush() {
  std::unique_lock lock(m_mutex);
  waitUntilIdle(lock);
  const std::uint64_t sequence = m_made;
  const std::optional<QString> outcome = m_lastOutcome;
  lock.unlock();
  deliver(*m_delivery, sequence, outcome);
}

void BackgroundWriter::waitUntilIdle(std::unique_lock<std::mutex>& lock) {
  m_changed.wait(lock, [this] { return !m_running && !m_waiting; });
}

void BackgroundWriter::run(std::stop_token stop) {
  std::unique_lock lock(m_mutex);
  for (;;) {
    // A stop is asked for only once nothing waits.
    if (!m_changed.wait(lock, stop, [this] { return m_waiting.has_value(); })) return;
    Save save = std::move(*m_waiting);
    m_waiting.reset();
    m_running = true;
    lock.unlock();
    std::optional<QString> outcome = save();
    lock.lock();
    m_running = false;
    const std::uint64_t sequence = ++m_made;
    m_lastOutcome = outcome;
    // A call queued to the context is dropped if the context goes first.
    QMetaObject::invokeMethod(
        m_context, [delivery = m_delivery, sequence, outcome] { deliver(*delivery, sequence, outcome); },
        Qt::QueuedConnection);
    m_changed.notify_all();
  }
}

void BackgroundWriter::deliver(Delivery& delivery, std::uint64_t sequence, const std::optional<QString>& outcome) {
  // Each outcome once, never an older one after a newer, and nothing once
  // the writer has gone.
  if (!delivery.open || sequence <= delivery.delivered) return;
  delivery.delivered = sequence;
  if (delivery.report) delivery.report(outcome);
}
