// Saves one file of a store on a worker thread, so that writing and flushing
// a large list never holds up the main thread.
//
// At most one save runs and at most one waits: a save asked for while another
// runs replaces the one waiting, so the file always ends with the latest state
// and saves that were overtaken are never made. Saves run in the order they
// were asked for. The outcome of each save made is reported on the thread of
// `context` (the main thread), in order; flush() reports the last one at once.
// Destroying the writer waits for the running and the waiting save.
#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class BackgroundWriter {
public:
  // Writes the state it holds; returns the error text to show, or nothing
  // after a save that fully succeeded. Runs on the worker and must not throw.
  using Save = std::function<std::optional<QString>()>;
  // Receives the outcome of a save on the thread of the context.
  using Report = std::function<void(const std::optional<QString>& error)>;

  // Reports through queued calls to `context` (the store that owns the
  // writer).
  BackgroundWriter(QObject* context, Report report);
  // Waits for the running and the waiting save; their outcomes are no longer
  // reported. Call on the context's thread.
  ~BackgroundWriter();

  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Asks for `save` to run after the running one, in place of any save still
  // waiting. Returns at once.
  void save(Save save);
  // Waits until no save runs or waits, then reports the outcome of the last
  // save made unless it has been reported already. Call on the context's
  // thread.
  void flush();

private:
  // What the context's thread alone touches: reports queued there may still
  // arrive after the writer has gone, and then find it closed.
  struct Delivery {
    Report report;
    std::uint64_t delivered = 0;
    bool open = true;
  };

  void run(std::stop_token stop);
  void waitUntilIdle(std::unique_lock<std::mutex>& lock);
  static void deliver(Delivery& delivery, std::uint64_t sequence, const std::optional<QString>& outcome);

  QObject* m_context;
  std::shared_ptr<Delivery> m_delivery;
  std::mutex m_mutex;
  std::condition_variable_any m_changed;
  std::optional<Save> m_waiting;
  bool m_running = false;
  std::uint64_t m_made = 0;  // saves made so far
  std::optional<QString> m_lastOutcome;
  std::jthread m_worker;  // started by the first save
};
