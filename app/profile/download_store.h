// The download list of one browsing profile and the jobs that fill it.
//
// The list is observable, most recently started first, and mirrored after
// every change into "downloads.json" when the profile stores files. A job
// streams the body on a worker thread into a hidden staging file beside the
// destination (".kivo-<ID>.download", private to the user while it fills),
// and on the main thread marks the file as downloaded, gives it the mode of a
// new file under the user's umask and publishes it at the destination by
// rename; a cancelled,
// failed or mismatched download publishes nothing and leaves no staging file.
//
// Limits: the list file is read only when it holds at most 4 MiB; at most 500
// entries are kept (running ones are never dropped); at most four jobs run at
// once. The file written never passes the 4 MiB read limit: the oldest entries
// are left out of it instead, and persistenceError() says how many. Only
// entries that the reader accepts are ever written: a start whose entry the
// reader would refuse is refused. Lives on the main thread.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QUuid>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>

#include "profile/download_entry.h"
#include "profile/list_file.h"
#include "profile/profile_files.h"
#include "profile/save_panel.h"

class NetworkTransport;
class QWidget;

class DownloadStore : public QObject {
  Q_OBJECT

public:
  static constexpr qint64 kFileLimit = 4'194'304;
  static constexpr qsizetype kEntryLimit = 500;
  static constexpr qsizetype kJobLimit = 4;

  // Receives (bytes received, announced total or -1); called on the worker.
  using ProgressFunction = std::function<void(qint64 received, qint64 total)>;
  // Streams `source` into the file at `staging`, verifying the expectations;
  // returns the final address after redirects. Runs on a worker thread and
  // throws on failure; stops soon after `stop` is requested.
  using Transfer = std::function<QUrl(const QUrl& source, const QString& staging,
                                      const std::optional<QString>& expectedSHA256,
                                      const std::optional<qint64>& expectedBytes, const ProgressFunction& progress,
                                      std::stop_token stop)>;

  // Loads `file` (an empty path: memory only); entries still running when the
  // application last ended become interrupted and lose their staging files,
  // and the list is saved at once when there were any.
  // Never fails. A missing file gives an empty list; so does an oversized or
  // undecodable one, which the owner keeps aside (ProfileFiles::keepAside). A
  // file that is there but cannot be read is left alone: the list starts
  // empty, persistenceError() says why, and nothing is saved for the rest of
  // the store's life. A ReadOnly store only reads: running entries stay as
  // the file has them (they are another process's jobs), no staging file is
  // touched, nothing is kept aside or saved, and persistenceError() says so,
  // ending with `readOnlyReason` (by default: another process owns the
  // profile). Jobs transfer through `network`.
  explicit DownloadStore(std::shared_ptr<NetworkTransport> network, const QString& file = {},
                         ProfileFiles::Access access = ProfileFiles::Access::Owner,
                         const QString& readOnlyReason = {}, QObject* parent = nullptr);
  // Cancels the jobs still running and waits for their workers to stop.
  ~DownloadStore() override;

  // The downloads, most recently started first.
  const QList<DownloadEntry>& entries() const { return m_entries; }
  // The text of the last failed save; nothing after a successful one.
  const std::optional<QString>& persistenceError() const { return m_persistenceError; }
  // Where the refused list of this store's load was moved
  // ("downloads.json.bad-<time>"); nothing when no file was kept aside.
  const std::optional<QString>& keptAside() const { return m_list.keptAside(); }
  // Where the list is saved; empty for a memory-only store.
  const QString& file() const { return m_list.path(); }
  // True while changes reach the file: a store with a file that it may write.
  bool savesToFile() const { return m_list.savesToFile(); }
  // The number of jobs started and not yet finished.
  qsizetype runningJobs() const { return static_cast<qsizetype>(m_tasks.size()); }

  // Removes the finished entry with `id` (a running one stays) and saves.
  void remove(const QUuid& id);
  // Removes every finished entry and saves.
  void clearFinished();
  // Shows the entry's destination in the file manager.
  void reveal(const DownloadEntry& entry);

  // Asks the user where `source` goes and then starts it; returns at once.
  // Does nothing for an address that is not an allowed http(s) address.
  void chooseDestination(const QUrl& source, const QString& suggestedFilename, QWidget* window,
                         const std::optional<QString>& expectedSHA256 = std::nullopt,
                         const std::optional<qint64>& expectedBytes = std::nullopt);
  // Adds a running entry and starts its job; with four jobs running, or for an
  // address that is not allowed, the entry fails at once. Returns its id.
  // An entry that the list file's reader would refuse (an address longer than
  // the reader takes, a destination that is not an absolute local file URL, a
  // clock outside the dates a file may hold) fails at once with a detail that says why, and is never saved.
  QUuid start(const QUrl& source, const QUrl& destination,
              const std::optional<QString>& expectedSHA256 = std::nullopt,
              const std::optional<qint64>& expectedBytes = std::nullopt);
  // Requests cancellation of the job of `id`, if it has one.
  void cancel(const QUuid& id);
  // Requests cancellation of every job.
  void cancelAll();
  // At termination: cancels every job and removes the staging files of the
  // running entries that this store's jobs write; saves nothing.
  void shutdown();

  // The staging file of the download `id` to `destination`.
  static QString stagingPath(const QUrl& destination, const QUuid& id);
  // Drops the oldest finished entries while more than 500 remain; running
  // entries are never dropped, so the list may stay longer.
  static void trim(QList<DownloadEntry>& entries);
  // The file text of `entries` as the store writes it, at most `limit` bytes:
  // the entries that DownloadEntry::validate() accepts, as many as fit, newest
  // first. `leftOut`, when given, receives how many of the oldest did not fit.
  static QByteArray encode(const QList<DownloadEntry>& entries, qint64 limit = kFileLimit,
                           qsizetype* leftOut = nullptr);

  // Replaces the panel of chooseDestination (the application's is a file
  // dialog).
  void setSavePanel(std::shared_ptr<SavePanel> panel) { m_savePanel = std::move(panel); }
  // Replaces the transfer of the jobs (by default the transport's download).
  void setTransfer(Transfer transfer) { m_transfer = std::move(transfer); }
  // Replaces what reveal() does with a destination (by default the file
  // manager is asked to show it).
  void setRevealHandler(std::function<void(const QUrl&)> handler) { m_reveal = std::move(handler); }

Q_SIGNALS:
  // Emitted after every change of entries(), progress included.
  void entriesChanged();
  // Emitted after every change of persistenceError().
  void persistenceErrorChanged();

private:
  struct Job {
    std::stop_source stop;
    std::jthread worker;
  };
  // How a transfer ended, as the worker saw it.
  struct TransferOutcome {
    std::optional<QUrl> finalUrl;  // set when the body arrived and was verified
    QString error;                 // the failure's description otherwise
  };

  void load(const QString& readOnlyReason);
  void launch(const DownloadEntry& entry, const QUrl& source, const std::optional<QString>& expectedSHA256,
              const std::optional<qint64>& expectedBytes);
  void applyProgress(const QUuid& id, qint64 received, qint64 total);
  static void completeJob(const QPointer<DownloadStore>& store, const QUuid& id, const TransferOutcome& outcome,
                          bool cancelled, const QString& staging, const QUrl& destination);
  void finish(const QUuid& id, DownloadEntry::State state, const QString& detail);
  void persist();
  void setPersistenceError(const std::optional<QString>& error);

  std::shared_ptr<NetworkTransport> m_network;
  ListFile m_list;
  QList<DownloadEntry> m_entries;
  std::optional<QString> m_persistenceError;
  std::map<QUuid, Job> m_tasks;
  Transfer m_transfer;
  std::shared_ptr<SavePanel> m_savePanel;
  std::function<void(const QUrl&)> m_reveal;
};
