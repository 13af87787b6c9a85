#include "selftests/cache_tests.h"

#include <fcntl.h>

#include <QUrl>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "base/bridge_error.h"
#include "loading/document_cache.h"
#include "platform/file_descriptor.h"
#include "platform/folder_entries.h"
#include "platform/system_error.h"
#include "platform/temporary_folder.h"
#include "selftests/smoke_failure.h"

namespace {

using namespace std::chrono_literals;

// The fake renderer of the suite. A render counts itself, waits at the gate
// when the gate is armed, and renders the source's text as the title; the text
// "fail" fails the render instead.
class CacheRenderProbe {
public:
  PageDocument render(const QByteArray& source, double width) {
    {
      std::unique_lock lock(m_mutex);
      // Count the call, paused or failing ones too.
      ++m_calls;
      // Wait at an armed gate until resumed.
      if (m_shouldPause) {
        m_shouldPause = false;
        m_holding = true;
        m_released = false;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released; });
      }
    }
    const QString text = QString::fromUtf8(source);
    // Fail on request.
    if (text == QLatin1String("fail")) throw BridgeError(QStringLiteral("Test render failure"));
    // A document that names its source.
    PageDocument document;
    document.version = 2;
    document.title = text;
    document.width = width;
    document.height = 100;
    document.nodes = QList<InspectedNode>();
    document.inspectorTruncated = false;
    return document;
  }

  // Lets the render waiting at the gate go on; does nothing when none waits.
  void resume() {
    std::lock_guard lock(m_mutex);
    if (m_holding) {
      m_released = true;
      m_changed.notify_all();
    }
    m_holding = false;
  }

  qint64 calls() {
    std::lock_guard lock(m_mutex);
    return m_calls;
  }
  void armGate() {
    std::lock_guard lock(m_mutex);
    m_shouldPause = true;
  }
  // Waits until a render waits at the gate; false when none did within five
  // seconds, a bound that only a render that never comes reaches.
  bool reachesGate() {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, 5s, [this] { return m_holding; });
  }

private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  qint64 m_calls = 0;
  bool m_shouldPause = false;
  bool m_holding = false;  // a render waits at the gate
  bool m_released = false;
};

// Overwrites the whole file in place, without replacing it, as an editor
// that saves plainly would.
void writeContent(const QString& path, const QByteArray& bytes) {
  FileDescriptor file = FileDescriptor::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (!file.isOpen()) throw SystemError(errno, "open " + path.toStdString());
  if (const int code = file.writeAll(bytes); code != 0) throw SystemError(code, "write " + path.toStdString());
  if (const int code = file.close(); code != 0) throw SystemError(code, "close " + path.toStdString());
}

// Rewrites the file with `bytes` and gives it back the modification time it
// had, so that only its content tells the edit.
void writeKeepingModificationTime(const QString& path, const QByteArray& bytes) {
  const timespec before = modificationTime(path);
  writeContent(path, bytes);
  setModificationTime(path, before);
}

// A load started on its own thread, awaited later. The thread is detached:
// a load left waiting at the gate after a failed check never blocks the exit.
std::shared_future<DocumentLoad> startLoad(std::shared_ptr<DocumentCache> cache, const QUrl& page) {
  auto promise = std::make_shared<std::promise<DocumentLoad>>();
  std::shared_future<DocumentLoad> result = promise->get_future().share();
  std::thread([cache, page, promise] {
    try {
      promise->set_value(cache->load(page, 900));
    } catch (...) {
      promise->set_exception(std::current_exception());
    }
  }).detach();
  return result;
}

// Runs `operation`, which must fail with a BridgeError; any other error
// passes through.
template <class Operation>
void requireBridgeError(Operation operation, const QString& check) {
  try {
    operation();
  } catch (const BridgeError&) {
    return;
  }
  throw SmokeFailure(check);
}

}  // namespace

void runCacheTests() {
  // Set-up: a folder of the suite's own, removed on every exit.
  const TemporaryFolder folder(QStringLiteral("kivo-cache-tests-"));
  const QString pagePath = folder.filePath(QStringLiteral("page.html"));
  const QUrl page = QUrl::fromLocalFile(pagePath);
  writeContent(pagePath, "first");
  auto probe = std::make_shared<CacheRenderProbe>();
  auto renderWith = [probe](const QByteArray& source, double width) { return probe->render(source, width); };
  auto cache = std::make_shared<DocumentCache>(2, DocumentCache::kDefaultByteLimit, renderWith);

  // A repeated load is served without rendering.
  const DocumentLoad a = cache->load(page, 900);
  const DocumentLoad b = cache->load(page, 900);
  require(!a.cacheHit && b.cacheHit, QStringLiteral("second load reuses engine output"));
  require(probe->calls() == 1, QStringLiteral("cache hit never invokes renderer"));

  // An edit that keeps size and modification time still invalidates.
  writeKeepingModificationTime(pagePath, "other");
  const DocumentLoad c = cache->load(page, 900);
  require(!c.cacheHit && c.document.title == QLatin1String("other"),
          QStringLiteral("same-size, same-timestamp edits invalidate output"));

  // A hard reload renders again and forgets every viewport of the file.
  cache->load(page, 620);
  const DocumentLoad d = cache->load(page, 900, true);
  require(!d.cacheHit, QStringLiteral("hard reload renders again"));
  require(cache->statistics().count == 1, QStringLiteral("hard reload clears all viewport variants of that file"));

  // The least recently used viewport goes first.
  cache->load(page, 620);
  cache->load(page, 900);
  cache->load(page, 800);
  const DocumentLoad e = cache->load(page, 620);
  require(!e.cacheHit && cache->statistics().count == 2, QStringLiteral("least recently used viewport is evicted"));

  // A document larger than the whole budget is not kept.
  DocumentCache smallCache(DocumentCache::kDefaultEntryLimit, 1, renderWith);
  smallCache.load(page, 900);
  require(smallCache.statistics().count == 0, QStringLiteral("oversized entry is not retained"));

  // A render in flight during a clear does not refill the cache.
  cache->clear();
  probe->armGate();
  std::shared_future<DocumentLoad> first = startLoad(cache, page);
  require(probe->reachesGate(), QStringLiteral("renderer did not reach test gate"));
  cache->clear();
  probe->resume();
  first.get();
  require(cache->statistics().count == 0, QStringLiteral("in-flight render cannot repopulate cleared cache"));

  // Failures propagate, are not cached, and the next load recovers.
  writeContent(pagePath, "fail");
  requireBridgeError([&] { cache->load(page, 900); }, QStringLiteral("render error must propagate"));
  require(cache->statistics().count == 0, QStringLiteral("failures are not cached"));
  writeContent(pagePath, "fixed");
  const DocumentLoad f = cache->load(page, 900);
  require(f.document.title == QLatin1String("fixed") && !f.cacheHit, QStringLiteral("load recovers after failure"));

  // A file that changes while it renders is neither shown nor kept.
  cache->clear();
  probe->armGate();
  std::shared_future<DocumentLoad> second = startLoad(cache, page);
  require(probe->reachesGate(), QStringLiteral("second renderer gate"));
  writeContent(pagePath, "edited");
  probe->resume();
  requireBridgeError([&] { second.get(); },
                     QStringLiteral("source changing during rendering must not be cached or displayed"));
  require(cache->statistics().count == 0, QStringLiteral("changed source is not cached under an old key"));

  // Input over 1 MiB is refused.
  writeContent(pagePath, QByteArray(0x100001, 'A'));
  requireBridgeError([&] { cache->load(page, 900); }, QStringLiteral("input size budget"));
}
