#include "selftests/profile_network_tests.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <stdexcept>

#include <atomic>
#include <exception>
#include <thread>

#include "loading/web_resources.h"
#include "network/network_transport.h"
#include "profile/browsing_profile.h"
#include "profile/quarantine.h"
#include "profile/update_checker.h"
#include "selftests/main_thread.h"
#include "selftests/smoke_failure.h"

namespace {

using State = DownloadEntry::State;

// The width at which a page is laid out when no window gives one.
constexpr double kPageWidth = 997.0;

bool onMainThread() {
  QCoreApplication* application = QCoreApplication::instance();
  return application && QThread::currentThread() == application->thread();
}

// The reference body: the bytes 0 to 255, 4,096 times.
QByteArray referenceBody() {
  QByteArray body;
  body.reserve(1'048'576);
  for (int round = 0; round < 4096; ++round) {
    for (int value = 0; value < 256; ++value) body.append(static_cast<char>(value));
  }
  return body;
}

// The profile's own road for a page: fetch, subresources, render, and the
// visit a window model records for a normal profile.
void showWithProfileServices(BrowsingProfile& profile, const QUrl& address, const Patience& patience) {
  std::shared_ptr<NetworkTransport> network = profile.network();
  std::shared_ptr<DocumentCache> cache = profile.cache();
  const qint64 revision = profile.history().revision();
  std::atomic<bool> done{false};
  std::exception_ptr failure;
  QString title;
  QUrl finalUrl;
  std::jthread load([&] {
    try {
      const NetworkResponse response = network->page(address);
      if (!response.source) throw SmokeFailure(QStringLiteral("private page"));
      const WebResourcePack pack = WebResources::prepare(*response.source, response.url, *network, false);
      const DocumentLoad loaded = cache->load(pack.source, response.url.toString(QUrl::FullyEncoded), kPageWidth);
      title = loaded.document.title;
      finalUrl = response.url;
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
  });
  untilHolds(QStringLiteral("private page"), [&] { return done.load(); }, patience);
  load.join();
  if (failure) std::rethrow_exception(failure);
  if (!profile.isPrivate()) profile.history().record(finalUrl.toString(QUrl::FullyEncoded), title, revision);
}

// The first entry of `store` with `id`, or null.
const DownloadEntry* entryOf(const DownloadStore& store, const QUuid& id) {
  for (const DownloadEntry& entry : store.entries()) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

bool notRunning(const DownloadStore& store, const QUuid& id) {
  const DownloadEntry* entry = entryOf(store, id);
  return !entry || entry->state != State::Running;
}

bool newestReceived(const DownloadStore& store) {
  return !store.entries().isEmpty() && store.entries().first().received > 0;
}

bool newestCancelled(const DownloadStore& store) {
  return !store.entries().isEmpty() && store.entries().first().state == State::Cancelled;
}

QByteArray readWhole(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("read " + path.toStdString() + ": " + file.errorString().toStdString());
  return file.readAll();
}

}  // namespace

void runOnMainThread(const std::function<void()>& work) {
  if (onMainThread()) {
    work();
    return;
  }
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) throw std::runtime_error("no application object to run the profile checks on");
  std::exception_ptr failure;
  QMetaObject::invokeMethod(
      application, [&] {
        try {
          work();
        } catch (...) {
          failure = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (failure) std::rethrow_exception(failure);
}

void untilHolds(const QString& name, const std::function<bool()>& condition, const Patience& patience) {
  if (!MainThread::waitUntil(condition, patience.bound)) throw SmokeFailure(name);
}

void runPrivateProfileChecks(const ProfileSuiteFrame& frame, BrowsingProfile& normal, BrowsingProfile& privateProfile,
                             const PageShower& showPage) {
  // The private window shows base/page.
  const QUrl page = frame.fixture(QStringLiteral("page"));
  if (showPage) {
    showPage(privateProfile, page);
  } else {
    showWithProfileServices(privateProfile, page, frame.patience);
  }
  // Neither profile's history holds the visit.
  const bool privateEmpty = privateProfile.history().entries().isEmpty();
  frame.check(privateEmpty && normal.history().entries().isEmpty(), QStringLiteral("private visit writes no history"));
  // The private profile's folder was never made.
  frame.check(!QFile::exists(QDir(frame.folder).filePath(QStringLiteral("private"))),
              QStringLiteral("private profile creates no persistent profile directory"));
}

void runUpdateRuleChecks(const ProfileSuiteFrame& frame) {
  // Numbers, not texts, are compared.
  const bool newer = UpdateChecker::isNewer(QStringLiteral("0.10.0"), QStringLiteral("0.9.9"));
  frame.check(newer && !UpdateChecker::isNewer(QStringLiteral("0.3.0"), QStringLiteral("0.4.0")),
              QStringLiteral("updates compare numeric versions"));
  // A package name cannot leave the downloads folder.
  const ReleasePackage traversal{QStringLiteral("0.5.0"), QStringLiteral("../evil.zip"), 100, QString(64, QLatin1Char('a'))};
  frame.check(!UpdateChecker::valid(traversal), QStringLiteral("update manifest rejects path traversal"));
}

void runDownloadChecks(const ProfileSuiteFrame& frame, BrowsingProfile& normal, BrowsingProfile& privateProfile) {
  const QDir folder(frame.folder);
  const QString first = folder.filePath(QStringLiteral("download.bin"));
  const QString verified = folder.filePath(QStringLiteral("verified.bin"));
  const QString invalid = folder.filePath(QStringLiteral("invalid.bin"));
  const QString cancelled = folder.filePath(QStringLiteral("cancelled.bin"));
  const QString privateTarget = folder.filePath(QStringLiteral("private-cancel.bin"));
  const QUrl download = frame.fixture(QStringLiteral("download"));
  const QUrl slowDownload = frame.fixture(QStringLiteral("slow-download"));
  DownloadStore& store = normal.downloads();

  // A file already stands at the first destination.
  {
    QFile existing(first);
    if (!existing.open(QIODevice::WriteOnly | QIODevice::Truncate) || existing.write("existing file") != 13) {
      throw std::runtime_error("write " + first.toStdString() + ": " + existing.errorString().toStdString());
    }
  }
  // The download replaces it.
  const QUuid firstId = store.start(download, QUrl::fromLocalFile(first));
  untilHolds(QStringLiteral("download finishes"), [&] { return notRunning(store, firstId); }, frame.patience);
  const DownloadEntry* firstEntry = entryOf(store, firstId);
  const QString completes = QStringLiteral("download completes: ") + (firstEntry ? firstEntry->detail : QString());
  frame.check(firstEntry && firstEntry->state == State::Complete, completes);
  // Byte for byte the server's body.
  const QByteArray reference = referenceBody();
  frame.check(readWhole(first) == reference, QStringLiteral("download bytes match source exactly"));
  // The replaced file carries this download's marks.
  frame.check(Quarantine::read(first, Quarantine::kQuarantineAttribute).has_value(),
              QStringLiteral("replacing an existing file preserves new macOS quarantine"));
  // The list reads back with the download complete.
  const auto reread = std::make_unique<DownloadStore>(normal.network(), store.file());
  frame.check(!reread->entries().isEmpty() && reread->entries().first().state == State::Complete,
              QStringLiteral("download list survives restart"));
  // The announced digest and length are met.
  const QString digest = QString::fromLatin1(QCryptographicHash::hash(reference, QCryptographicHash::Sha256).toHex());
  const QUuid verifiedId = store.start(download, QUrl::fromLocalFile(verified), digest, qint64{1'048'576});
  untilHolds(QStringLiteral("verified download"), [&] { return notRunning(store, verifiedId); }, frame.patience);
  const DownloadEntry* verifiedEntry = entryOf(store, verifiedId);
  frame.check(verifiedEntry && verifiedEntry->state == State::Complete,
              QStringLiteral("update download verifies SHA-256 and length"));
  // A wrong digest publishes nothing.
  const QUuid invalidId = store.start(download, QUrl::fromLocalFile(invalid), QString(64, QLatin1Char('0')));
  untilHolds(QStringLiteral("invalid download"), [&] { return notRunning(store, invalidId); }, frame.patience);
  const DownloadEntry* invalidEntry = entryOf(store, invalidId);
  frame.check(invalidEntry && invalidEntry->state == State::Failed && !QFile::exists(invalid),
              QStringLiteral("wrong update digest prevents publishing file"));
  // Removing the list entry keeps the file.
  store.remove(firstId);
  frame.check(QFile::exists(first), QStringLiteral("removing download list item keeps file"));
  // A slow download reports progress and is cancelled cleanly.
  const QUuid cancelledId = store.start(slowDownload, QUrl::fromLocalFile(cancelled));
  untilHolds(QStringLiteral("download reports progress"), [&] { return newestReceived(store); }, frame.patience);
  store.cancel(cancelledId);
  untilHolds(QStringLiteral("download cancellation"), [&] { return newestCancelled(store); }, frame.patience);
  frame.check(!QFile::exists(cancelled), QStringLiteral("cancelled download does not publish partial file"));
  const QStringList names = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  const bool noStaging =
      std::none_of(names.begin(), names.end(), [](const QString& name) { return name.endsWith(QStringLiteral(".download")); });
  frame.check(noStaging, QStringLiteral("cancelled download removes staging file"));
  // Ending the private session cancels its download.
  DownloadStore& privateStore = privateProfile.downloads();
  privateStore.start(slowDownload, QUrl::fromLocalFile(privateTarget));
  untilHolds(QStringLiteral("private download starts"), [&] { return newestReceived(privateStore); }, frame.patience);
  privateProfile.endPrivateSession();
  untilHolds(QStringLiteral("private close cancels download"), [&] { return newestCancelled(privateStore); }, frame.patience);
  frame.check(!QFile::exists(privateTarget), QStringLiteral("closing private session cancels incomplete downloads"));
}
