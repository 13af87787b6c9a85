#include "profile/download_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <exception>

#include "base/bridge_error.h"
#include "base/decoding_error.h"
#include "network/network_error.h"
#include "network/network_transport.h"
#include "platform/file_mode.h"
#include "platform/file_rename.h"
#include "platform/folder_entries.h"
#include "platform/system_error.h"
#include "profile/file_reveal.h"
#include "profile/list_file.h"
#include "profile/profile_values.h"
#include "profile/quarantine.h"

namespace {

const QString kRefusal = QStringLiteral(
    "En fazla dört indirme aynı anda çalışabilir; yalnızca HTTP/HTTPS adresleri desteklenir.");
const QString kNotAFile = QStringLiteral("İndirme başlatılamadı: hedef, yerel bir dosyanın tam yolu değil.");
const QString kNoDate = QStringLiteral("İndirme başlatılamadı: sistem saati geçerli bir tarih göstermiyor.");
const QString kLongAddress = QStringLiteral("İndirme başlatılamadı: adres çok uzun.");

const ListFile::Texts kTexts{
    QStringLiteral("İndirme listesi okunamadı: "),
    QStringLiteral("İndirme listesi kullanılamadı ve kenara alınamadı: "),
    QStringLiteral("İndirme listesi bu oturumda kaydedilmiyor: "),
    QStringLiteral("İndirme listesi kaydedilemedi: "),
    QStringLiteral("İndirme listesi dosyası boyut sınırına ulaştı; en eski %1 kayıt dosyaya yazılmadı."),
};

// Removes a staging file; there may be none, and a leftover one is removed
// again at the next start.
void removeStaging(const QString& path) {
  removeFile(path);
}

bool isLocalDestination(const QUrl& destination) {
  return destination.isLocalFile() && QDir::isAbsolutePath(destination.toLocalFile()) &&
         !QFileInfo(destination.toLocalFile()).fileName().isEmpty();
}

// Puts the finished staging file at the destination: replacing a file that
// is there, or moving it into a free place without ever overwriting one that
// appeared meanwhile. The staging file stays private while it fills; what is
// published gets the mode that any new file of the user gets (0666 less the
// umask), also where it replaces a file.
void publish(const QString& staging, const QString& destination) {
  if (const int code = setFileMode(staging, newFileMode()); code != 0) {
    throw SystemError(code, "set permissions of " + destination.toStdString());
  }
  if (pathExists(destination)) {
    if (const int code = renameFile(staging, destination); code != 0) {
      throw SystemError(code, "replace " + destination.toStdString());
    }
    return;
  }
  if (const int code = renameWithoutReplacing(staging, destination); code != 0) {
    throw SystemError(code, "move to " + destination.toStdString());
  }
}

DownloadStore::Transfer transportTransfer(const std::shared_ptr<NetworkTransport>& network) {
  return [network](const QUrl& source, const QString& staging, const std::optional<QString>& expectedSHA256,
                   const std::optional<qint64>& expectedBytes, const DownloadStore::ProgressFunction& progress,
                   std::stop_token stop) {
    return network->download(source, staging, expectedSHA256, expectedBytes, progress, stop);
  };
}

}  // namespace

DownloadStore::DownloadStore(std::shared_ptr<NetworkTransport> network, const QString& file,
                             ProfileFiles::Access access, const QString& readOnlyReason, QObject* parent)
    : QObject(parent),
      m_network(std::move(network)),
      m_list(file, kFileLimit, access, kTexts),
      m_savePanel(std::make_shared<FileDialogSavePanel>()),
      m_reveal(&FileReveal::showInFileManager) {
  load(readOnlyReason);
}

DownloadStore::~DownloadStore() {
  // A worker must not outlive the objects it reports to; each stops at its
  // transfer's next cancellation test and is joined by its handle.
  for (auto& [id, job] : m_tasks) job.stop.request_stop();
}

void DownloadStore::load(const QString& readOnlyReason) {
  // Every element is decoded (and so checked); the first 500 are kept, and
  // the staging files of all running ones are collected.
  QStringList stagingFiles;
  setPersistenceError(m_list.load(
      [&](const QByteArray& text) {
        QStringList running;
        m_entries = ListFile::decode<DownloadEntry>(text, kEntryLimit, [&](const nlohmann::json& value) {
          DownloadEntry entry = DownloadEntry::decode(value);
          if (entry.state == DownloadEntry::State::Running) running.append(stagingPath(entry.destination, entry.id));
          return entry;
        });
        stagingFiles = std::move(running);
      },
      readOnlyReason));
  // A download that was running when the application ended was interrupted.
  // A store that does not own the profile sees another process's running
  // jobs here, and leaves them and their staging files alone.
  if (!savesToFile() || stagingFiles.isEmpty()) return;
  for (DownloadEntry& entry : m_entries) {
    if (entry.state == DownloadEntry::State::Running) entry.state = DownloadEntry::State::Interrupted;
  }
  for (const QString& staging : stagingFiles) removeStaging(staging);
  // The file says so at once: another process that reads it meanwhile must
  // not show those downloads as still running.
  persist();
}

QString DownloadStore::stagingPath(const QUrl& destination, const QUuid& id) {
  const QString folder = QFileInfo(destination.toLocalFile()).absolutePath();
  return folder + QStringLiteral("/.kivo-") + ProfileValues::uuidText(id) + QStringLiteral(".download");
}

QByteArray DownloadStore::encode(const QList<DownloadEntry>& entries, qint64 limit, qsizetype* leftOut) {
  return ListFile::encode(entries, limit, leftOut, [](const DownloadEntry& entry) {
    DownloadEntry::validate(entry);
    return entry.encode();
  });
}

void DownloadStore::remove(const QUuid& id) {
  const qsizetype removed = m_entries.removeIf(
      [&](const DownloadEntry& entry) { return entry.id == id && entry.isFinished(); });
  if (removed > 0) Q_EMIT entriesChanged();
  persist();
}

void DownloadStore::clearFinished() {
  const qsizetype removed = m_entries.removeIf([](const DownloadEntry& entry) { return entry.isFinished(); });
  if (removed > 0) Q_EMIT entriesChanged();
  persist();
}

void DownloadStore::reveal(const DownloadEntry& entry) {
  if (!isLocalDestination(entry.destination)) return;
  if (m_reveal) m_reveal(entry.destination);
}

void DownloadStore::chooseDestination(const QUrl& source, const QString& suggestedFilename, QWidget* window,
                                      const std::optional<QString>& expectedSHA256,
                                      const std::optional<qint64>& expectedBytes) {
  // Only an allowed address is offered.
  if (!NetworkTransport::isAllowed(source)) return;
  // The panel's texts and first folder.
  SavePanel::Request request;
  request.title = QStringLiteral("Dosyayı indir");
  request.message = source.host() + QStringLiteral(" kaynağından indirilecek. Dosya otomatik açılmaz.");
  request.fileName = NetworkTransport::safeFilename(suggestedFilename);
  request.directory = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
  request.canCreateDirectories = true;
  // Show it, and start the download when the user chose a place.
  const QPointer<DownloadStore> store(this);
  m_savePanel->begin(request, window, [store, source, expectedSHA256, expectedBytes](const std::optional<QUrl>& chosen) {
    if (!chosen || !store) return;
    store->start(source, *chosen, expectedSHA256, expectedBytes);
  });
}

QUuid DownloadStore::start(const QUrl& source, const QUrl& destination, const std::optional<QString>& expectedSHA256,
                           const std::optional<qint64>& expectedBytes) {
  // Build the entry, put it first, trim the list and save it before any byte.
  DownloadEntry entry;
  entry.id = QUuid::createUuid();
  entry.address = source.toString(QUrl::FullyEncoded);
  entry.destination = destination;
  entry.startedAt = ProfileValues::now();
  // An entry that the list's reader would refuse is never saved (encode()
  // leaves it out), so it must not start either.
  std::optional<QString> invalid;
  try {
    DownloadEntry::validate(entry);
  } catch (const DecodingError&) {
    if (!ProfileValues::fitsUtf8(entry.address, DownloadEntry::kAddressLimit)) {
      invalid = kLongAddress;
    } else {
      invalid = ProfileValues::isValidDate(entry.startedAt) ? kNotAFile : kNoDate;
    }
  }
  m_entries.prepend(entry);
  trim(m_entries);
  Q_EMIT entriesChanged();
  persist();
  // Start the job when a place is free and the address allowed.
  if (static_cast<qsizetype>(m_tasks.size()) >= kJobLimit || !NetworkTransport::isAllowed(source)) {
    finish(entry.id, DownloadEntry::State::Failed, kRefusal);
  } else if (invalid) {
    finish(entry.id, DownloadEntry::State::Failed, *invalid);
  } else if (!isLocalDestination(destination)) {
    finish(entry.id, DownloadEntry::State::Failed, QStringLiteral("İndirme geçici dosyası oluşturulamadı."));
  } else {
    launch(entry, source, expectedSHA256, expectedBytes);
  }
  // Return the id.
  return entry.id;
}

void DownloadStore::launch(const DownloadEntry& entry, const QUrl& source,
                           const std::optional<QString>& expectedSHA256, const std::optional<qint64>& expectedBytes) {
  const QUuid id = entry.id;
  const QUrl destination = entry.destination;
  // The staging file beside the destination.
  const QString staging = stagingPath(destination, id);
  const QPointer<DownloadStore> store(this);
  const Transfer transfer = m_transfer ? m_transfer : transportTransfer(m_network);
  Job& job = m_tasks[id];
  const std::stop_source stop = job.stop;
  job.worker = std::jthread([store, id, source, destination, staging, transfer, stop, expectedSHA256, expectedBytes] {
    // Progress reaches the entry on the main thread; nothing is saved.
    const ProgressFunction progress = [store, id](qint64 received, qint64 total) {
      QCoreApplication* application = QCoreApplication::instance();
      if (!application) return;
      QMetaObject::invokeMethod(
          application, [store, id, received, total] {
            if (store) store->applyProgress(id, received, total);
          },
          Qt::QueuedConnection);
    };
    // The transfer into the staging file.
    TransferOutcome outcome;
    try {
      outcome.finalUrl = transfer(source, staging, expectedSHA256, expectedBytes, progress, stop.get_token());
    } catch (const BridgeError& error) {
      outcome.error = error.message();
    } catch (const std::exception& error) {
      // The list shows the user's sentence; the details go to developers.
      outcome.error = QString::fromUtf8(error.what());
      NetworkError::logDetail("Kivo download failed", error);
    }
    // Publishing the file and recording the end run on the main thread, where
    // cancellation is decided.
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) {
      removeStaging(staging);
      return;
    }
    QMetaObject::invokeMethod(
        application, [store, id, outcome, stop, staging, destination] {
          completeJob(store, id, outcome, stop.stop_requested(), staging, destination);
        },
        Qt::QueuedConnection);
  });
}

void DownloadStore::completeJob(const QPointer<DownloadStore>& store, const QUuid& id, const TransferOutcome& outcome,
                                bool cancelled, const QString& staging, const QUrl& destination) {
  DownloadEntry::State state = DownloadEntry::State::Complete;
  QString detail;
  if (cancelled) {
    // A job cancelled meanwhile publishes nothing.
    state = DownloadEntry::State::Cancelled;
  } else if (!outcome.finalUrl) {
    state = DownloadEntry::State::Failed;
    detail = outcome.error;
  } else {
    try {
      // Mark the file as downloaded, then publish it.
      Quarantine::mark(staging, *outcome.finalUrl, ProfileValues::now());
      publish(staging, destination.toLocalFile());
    } catch (const std::exception& error) {
      state = DownloadEntry::State::Failed;
      detail = QString::fromUtf8(error.what());
    }
  }
  // Record the end when the store still exists.
  if (store) store->finish(id, state, detail);
  // No staging file survives a job.
  removeStaging(staging);
}

void DownloadStore::applyProgress(const QUuid& id, qint64 received, qint64 total) {
  for (DownloadEntry& entry : m_entries) {
    if (entry.id != id) continue;
    entry.received = received;
    entry.expected = total;
    Q_EMIT entriesChanged();
    return;
  }
}

void DownloadStore::finish(const QUuid& id, DownloadEntry::State state, const QString& detail) {
  // The job's place is free again (its worker has finished its work).
  m_tasks.erase(id);
  // Find the entry, set its end and save.
  for (DownloadEntry& entry : m_entries) {
    if (entry.id != id) continue;
    entry.state = state;
    entry.detail = detail;
    Q_EMIT entriesChanged();
    persist();
    return;
  }
}

void DownloadStore::cancel(const QUuid& id) {
  const auto found = m_tasks.find(id);
  if (found != m_tasks.end()) found->second.stop.request_stop();
}

void DownloadStore::cancelAll() {
  for (auto& [id, job] : m_tasks) job.stop.request_stop();
}

void DownloadStore::shutdown() {
  cancelAll();
  // Only this store's own jobs have staging files to lose: a running entry
  // without a job here belongs to another process's list.
  for (const DownloadEntry& entry : m_entries) {
    if (entry.state == DownloadEntry::State::Running && m_tasks.count(entry.id) > 0 &&
        isLocalDestination(entry.destination)) {
      removeStaging(stagingPath(entry.destination, entry.id));
    }
  }
}

void DownloadStore::trim(QList<DownloadEntry>& entries) {
  qsizetype searchFrom = entries.size() - 1;
  while (entries.size() > kEntryLimit) {
    // The oldest finished entry is searched from the end; what lies behind a
    // removed one is running, so the search goes on from there.
    qsizetype oldestFinished = -1;
    for (qsizetype i = std::min(searchFrom, entries.size() - 1); i >= 0; --i) {
      if (entries.at(i).isFinished()) {
        oldestFinished = i;
        break;
      }
    }
    if (oldestFinished < 0) return;
    entries.removeAt(oldestFinished);
    searchFrom = oldestFinished - 1;
  }
}

void DownloadStore::persist() {
  if (!savesToFile()) return;
  setPersistenceError(m_list.save([this](qsizetype& leftOut) { return encode(m_entries, kFileLimit, &leftOut); }));
}

void DownloadStore::setPersistenceError(const std::optional<QString>& error) {
  if (error == m_persistenceError) return;
  m_persistenceError = error;
  Q_EMIT persistenceErrorChanged();
}
