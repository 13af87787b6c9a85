#include "loading/document_cache.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <condition_variable>
#include <future>
#include <limits>
#include <mutex>
#include <thread>

#include "base/bridge_error.h"
#include "platform/system_error.h"
#include "platform/temporary_folder.h"

namespace {

using namespace std::chrono_literals;

// A render function under the test's control: it counts its calls, renders a
// document titled with the source's text ("fail" throws), can be held at a gate,
// and runs an optional hook while it renders.
class ControlledRender {
public:
  DocumentCache::RenderFunction function() {
    return [this](const QByteArray& source, double width) { return render(source, width); };
  }

  int calls() {
    std::lock_guard lock(m_mutex);
    return m_calls;
  }
  void pauseNext() {
    std::lock_guard lock(m_mutex);
    m_pauseNext = true;
  }
  // Waits for a render to pause; the bound is for a render that never
  // comes, far beyond what a busy machine needs to start one.
  bool waitUntilPaused() {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, 60s, [this] { return m_paused; });
  }
  void resume() {
    std::lock_guard lock(m_mutex);
    m_paused = false;
    m_changed.notify_all();
  }
  void setHook(std::function<void()> hook) { m_hook = std::move(hook); }

private:
  PageDocument render(const QByteArray& source, double width) {
    {
      std::unique_lock lock(m_mutex);
      ++m_calls;
      if (m_pauseNext) {
        m_pauseNext = false;
        m_paused = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_paused; });
      }
    }
    if (m_hook) m_hook();
    const QString text = QString::fromUtf8(source);
    if (text == QLatin1String("fail")) throw BridgeError(QStringLiteral("Test render failure"));
    PageDocument document;
    document.version = 2;
    document.title = text.left(64);
    document.width = width;
    document.height = 100;
    document.nodes = QList<InspectedNode>();
    document.inspectorTruncated = false;
    return document;
  }

  std::mutex m_mutex;
  std::condition_variable m_changed;
  int m_calls = 0;
  bool m_pauseNext = false;
  bool m_paused = false;
  std::function<void()> m_hook;
};

void expectBridgeError(const std::function<void()>& call, const QString& expected) {
  try {
    call();
    ADD_FAILURE() << "expected BridgeError: " << expected.toStdString();
  } catch (const BridgeError& error) {
    EXPECT_EQ(error.message(), expected);
  }
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

const QString kBudget = QStringLiteral("Belge veya görünüm bütçesi aşıldı.");
const QString kBadLocal = QStringLiteral("Geçersiz yerel belge veya görünüm boyutu.");

TEST(DocumentCacheTest, HitsOnlyForTheSameIdentityBytesAndWidth) {
  ControlledRender render;
  DocumentCache cache(16, DocumentCache::kDefaultByteLimit, render.function());
  EXPECT_FALSE(cache.load("first", QStringLiteral("a"), 900).cacheHit);
  const DocumentLoad again = cache.load("first", QStringLiteral("a"), 900);
  EXPECT_TRUE(again.cacheHit);
  EXPECT_EQ(again.document.title, QStringLiteral("first"));
  EXPECT_EQ(render.calls(), 1);
  EXPECT_FALSE(cache.load("first", QStringLiteral("a"), 620).cacheHit);
  EXPECT_FALSE(cache.load("first", QStringLiteral("b"), 900).cacheHit);
  EXPECT_EQ(render.calls(), 3);
  EXPECT_EQ(cache.statistics().count, 3);
}

// True when no process of this id exists any more, not even unreaped.
bool processGone(qint64 id) {
  return ::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH;
}

TEST(DocumentCacheTest, TheStandardRenderUsesARendererStartedAheadAndEndsItOnAHit) {
  DocumentCache cache;
  const QByteArray source("<p>Merhaba</p>");
  // A miss renders with the started renderer...
  std::unique_ptr<EngineBridge::StartedRenderer> first = cache.startRender(800);
  if (first == nullptr) GTEST_SKIP() << "kivo-document was not built beside the test";
  const qint64 firstId = first->processId();
  const DocumentLoad rendered = cache.load(source, QStringLiteral("/a.html"), 800, false, std::move(first));
  EXPECT_FALSE(rendered.cacheHit);
  EXPECT_TRUE(processGone(firstId));
  // ...and a hit needs none: the one started is ended and reaped.
  std::unique_ptr<EngineBridge::StartedRenderer> second = cache.startRender(800);
  ASSERT_NE(second, nullptr);
  const qint64 secondId = second->processId();
  const DocumentLoad hit = cache.load(source, QStringLiteral("/a.html"), 800, false, std::move(second));
  EXPECT_TRUE(hit.cacheHit);
  EXPECT_TRUE(processGone(secondId));
  EXPECT_EQ(hit.document.commands.size(), rendered.document.commands.size());
}

TEST(DocumentCacheTest, ARenderFunctionOfTheCallersOwnStartsNothingAhead) {
  ControlledRender render;
  DocumentCache cache(16, DocumentCache::kDefaultByteLimit, render.function());
  EXPECT_EQ(cache.startRender(800), nullptr);
}

TEST(DocumentCacheTest, EvictsTheLeastRecentlyUsedEntry) {
  struct Case {
    const char* name;
    std::vector<const char*> loads;
    const char* kept;     // loaded again afterwards: a hit
    const char* evicted;  // loaded again afterwards: a miss
  };
  const Case cases[] = {
      {"oldest goes", {"A", "B", "C"}, "C", "A"},
      {"a hit refreshes", {"A", "B", "A", "C"}, "A", "B"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ControlledRender render;
    DocumentCache cache(2, DocumentCache::kDefaultByteLimit, render.function());
    for (const char* source : c.loads) cache.load(source, QString::fromLatin1(source), 900);
    EXPECT_EQ(cache.statistics().count, 2);
    EXPECT_TRUE(cache.load(c.kept, QString::fromLatin1(c.kept), 900).cacheHit);
    EXPECT_FALSE(cache.load(c.evicted, QString::fromLatin1(c.evicted), 900).cacheHit);
  }
}

TEST(DocumentCacheTest, EvictsByEstimatedBytes) {
  ControlledRender render;
  PageDocument probe;
  probe.title = QStringLiteral("A");
  const qint64 cost = DocumentCache::estimatedCost(probe, 1);
  DocumentCache cache(16, 2 * cost + cost / 2, render.function());
  for (const char* source : {"A", "B", "C"}) cache.load(source, QString::fromLatin1(source), 900);
  EXPECT_EQ(cache.statistics().count, 2);
  EXPECT_EQ(cache.statistics().bytes, 2 * cost);
  EXPECT_FALSE(cache.load("A", QStringLiteral("A"), 900).cacheHit);
}

TEST(DocumentCacheTest, LimitsThatHoldNothingStoreNothing) {
  struct Case {
    qsizetype entries;
    qint64 bytes;
  };
  for (const Case c : {Case{16, 1}, Case{0, DocumentCache::kDefaultByteLimit}, Case{-3, DocumentCache::kDefaultByteLimit},
                       Case{16, -1}}) {
    SCOPED_TRACE(testing::Message() << c.entries << " entries, " << c.bytes << " bytes");
    ControlledRender render;
    DocumentCache cache(c.entries, c.bytes, render.function());
    EXPECT_FALSE(cache.load("A", QStringLiteral("A"), 900).cacheHit);
    EXPECT_FALSE(cache.load("A", QStringLiteral("A"), 900).cacheHit);
    EXPECT_EQ(render.calls(), 2);
    EXPECT_EQ(cache.statistics().count, 0);
    EXPECT_EQ(cache.statistics().bytes, 0);
  }
}

TEST(DocumentCacheTest, RenderInFlightDuringClearIsReturnedButNotStored) {
  ControlledRender render;
  DocumentCache cache(16, DocumentCache::kDefaultByteLimit, render.function());
  cache.load("other", QStringLiteral("other"), 900);
  render.pauseNext();
  auto pending = std::async(std::launch::async, [&] { return cache.load("first", QStringLiteral("a"), 900); });
  ASSERT_TRUE(render.waitUntilPaused());
  // The render holds no lock: the cache answers while it waits.
  EXPECT_EQ(cache.statistics().count, 1);
  EXPECT_TRUE(cache.load("other", QStringLiteral("other"), 900).cacheHit);
  cache.clear();
  render.resume();
  const DocumentLoad result = pending.get();
  EXPECT_FALSE(result.cacheHit);
  EXPECT_EQ(result.document.title, QStringLiteral("first"));
  EXPECT_EQ(cache.statistics().count, 0);
  EXPECT_EQ(cache.statistics().bytes, 0);
}

TEST(DocumentCacheTest, BypassRendersAgainAndDropsEveryWidthOfTheIdentity) {
  ControlledRender render;
  DocumentCache cache(16, DocumentCache::kDefaultByteLimit, render.function());
  cache.load("first", QStringLiteral("a"), 900);
  cache.load("first", QStringLiteral("a"), 620);
  cache.load("first", QStringLiteral("b"), 900);
  EXPECT_FALSE(cache.load("first", QStringLiteral("a"), 900, true).cacheHit);
  EXPECT_EQ(cache.statistics().count, 2);
  EXPECT_TRUE(cache.load("first", QStringLiteral("a"), 900).cacheHit);
  EXPECT_TRUE(cache.load("first", QStringLiteral("b"), 900).cacheHit);
  EXPECT_FALSE(cache.load("first", QStringLiteral("a"), 620).cacheHit);
}

TEST(DocumentCacheTest, NewSourceReplacesTheOldSourceAtEveryWidth) {
  ControlledRender render;
  DocumentCache cache(16, DocumentCache::kDefaultByteLimit, render.function());
  cache.load("first", QStringLiteral("a"), 900);
  cache.load("first", QStringLiteral("a"), 620);
  cache.load("second", QStringLiteral("a"), 900);
  EXPECT_EQ(cache.statistics().count, 1);
  EXPECT_TRUE(cache.load("second", QStringLiteral("a"), 900).cacheHit);
}

TEST(DocumentCacheTest, FailedRenderStoresNothing) {
  ControlledRender render;
  DocumentCache cache(16, DocumentCache::kDefaultByteLimit, render.function());
  cache.load("first", QStringLiteral("a"), 900);
  expectBridgeError([&] { cache.load("fail", QStringLiteral("b"), 900); }, QStringLiteral("Test render failure"));
  EXPECT_EQ(cache.statistics().count, 1);
  EXPECT_TRUE(cache.load("first", QStringLiteral("a"), 900).cacheHit);
  // A failure is never remembered: the next load renders again.
  EXPECT_THROW(cache.load("fail", QStringLiteral("b"), 900), BridgeError);
  EXPECT_EQ(render.calls(), 3);
}

TEST(DocumentCacheTest, SourceAndWidthBudgetsComeFirst) {
  ControlledRender render;
  DocumentCache cache(16, DocumentCache::kDefaultByteLimit, render.function());
  cache.load("first", QStringLiteral("a"), 900);
  EXPECT_FALSE(cache.load(QByteArray(DocumentCache::kSourceLimit, 'x'), QStringLiteral("big"), 900).cacheHit);
  struct Case {
    qsizetype size;
    double width;
  };
  for (const Case c : {Case{DocumentCache::kSourceLimit + 1, 900}, Case{5, 159.5}, Case{5, 8192.5},
                       Case{5, std::numeric_limits<double>::infinity()}, Case{5, std::nan("")}}) {
    SCOPED_TRACE(c.width);
    // Even a bypassing load is refused before it forgets anything.
    expectBridgeError([&] { cache.load(QByteArray(c.size, 'x'), QStringLiteral("a"), c.width, true); }, kBudget);
  }
  EXPECT_TRUE(cache.load("first", QStringLiteral("a"), 900).cacheHit);
  EXPECT_EQ(render.calls(), 2);
}

TEST(DocumentCacheTest, EstimatedCostCountsEveryString) {
  PageDocument document;
  document.title = QStringLiteral("ç");  // 2 bytes
  PaintCommand text;
  text.text = QStringLiteral("ab");
  text.href = QStringLiteral("https://x/");  // 10 bytes
  document.commands = {text, PaintCommand()};
  InspectedNode node;
  node.name = QStringLiteral("div");
  node.text = QString();
  node.attributes.insert(QStringLiteral("id"), QStringLiteral("x"));
  node.computed.insert(QStringLiteral("color"), QStringLiteral("#000000ff"));
  document.nodes = QList<InspectedNode>{node};
  document.warnings = {QStringLiteral("w")};
  document.anchors.insert(QStringLiteral("top"), 0);
  document.anchors.insert(QStringLiteral("\U0001F600"), 5);  // 4 bytes
  const qint64 expected = 1024 + 7 + 2 + (256 + 2 + 10) + 256 + (512 + 3 + 0 + (128 + 2 + 1) + (128 + 5 + 9)) +
                          (64 + 1) + (128 + 3) + (128 + 4);
  EXPECT_EQ(DocumentCache::estimatedCost(document, 7), expected);
  EXPECT_EQ(DocumentCache::estimatedCost(PageDocument(), 0), 1024);
}

class DocumentCacheFileTest : public testing::Test {
protected:
  DocumentCacheFileTest() : m_folder(QStringLiteral("kivo-cache-file-test-")), m_cache(2, DocumentCache::kDefaultByteLimit, m_render.function()) {}

  QString path(const char* name) const { return m_folder.filePath(QString::fromLatin1(name)); }

  TemporaryFolder m_folder;
  ControlledRender m_render;
  DocumentCache m_cache;
};

TEST_F(DocumentCacheFileTest, SharesOneIdentityAcrossLinksAndDotSegments) {
  writeFile(path("page.html"), "first");
  ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("sub")));
  ASSERT_EQ(::symlink(path("page.html").toLocal8Bit().constData(), path("link.html").toLocal8Bit().constData()), 0);
  EXPECT_FALSE(m_cache.load(QUrl::fromLocalFile(path("page.html")), 900).cacheHit);
  EXPECT_TRUE(m_cache.load(QUrl::fromLocalFile(path("link.html")), 900).cacheHit);
  EXPECT_TRUE(m_cache.load(QUrl::fromLocalFile(m_folder.path() + QStringLiteral("/sub/../page.html")), 900).cacheHit);
  QUrl localhost = QUrl::fromLocalFile(path("page.html"));
  localhost.setHost(QStringLiteral("localhost"));
  EXPECT_TRUE(m_cache.load(localhost, 900).cacheHit);
  EXPECT_EQ(m_cache.statistics().count, 1);
}

TEST_F(DocumentCacheFileTest, ReadsOnlyRegularFilesOfAtMostOneMebibyte) {
  writeFile(path("exact.html"), QByteArray(DocumentCache::kFileLimit, 'a'));
  writeFile(path("over.html"), QByteArray(DocumentCache::kFileLimit + 1, 'a'));
  ASSERT_EQ(::mkfifo(path("pipe.html").toLocal8Bit().constData(), 0600), 0);
  EXPECT_FALSE(m_cache.load(QUrl::fromLocalFile(path("exact.html")), 900).cacheHit);
  EXPECT_EQ(m_render.calls(), 1);
  expectBridgeError([&] { m_cache.load(QUrl::fromLocalFile(path("over.html")), 900); },
                    QStringLiteral("Belge 1 MiB boyut sınırını aşıyor."));
  for (const char* name : {"pipe.html", "."}) {
    SCOPED_TRACE(name);
    expectBridgeError([&] { m_cache.load(QUrl::fromLocalFile(path(name)), 900); },
                      QStringLiteral("Yalnızca yerel normal HTML dosyaları açılabilir."));
  }
  EXPECT_THROW(m_cache.load(QUrl::fromLocalFile(path("missing.html")), 900), SystemError);
  EXPECT_EQ(m_render.calls(), 1);
}

TEST_F(DocumentCacheFileTest, RefusesOtherAddressesAndWidths) {
  writeFile(path("page.html"), "first");
  QUrl otherHost = QUrl::fromLocalFile(path("page.html"));
  otherHost.setHost(QStringLiteral("example.com"));
  struct Case {
    const char* name;
    QUrl url;
    double width;
  };
  const Case cases[] = {
      {"web address", QUrl(QStringLiteral("https://example.com/page.html")), 900},
      {"other host", otherHost, 900},
      {"narrow", QUrl::fromLocalFile(path("page.html")), 159},
      {"wide", QUrl::fromLocalFile(path("page.html")), 8193},
      {"not a number", QUrl::fromLocalFile(path("page.html")), std::nan("")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expectBridgeError([&] { m_cache.load(c.url, c.width); }, kBadLocal);
  }
  EXPECT_EQ(m_render.calls(), 0);
}

TEST_F(DocumentCacheFileTest, FileEditedWhileRenderingIsNeitherShownNorKept) {
  writeFile(path("page.html"), "first");
  m_render.setHook([&] { writeFile(path("page.html"), "edited"); });
  expectBridgeError([&] { m_cache.load(QUrl::fromLocalFile(path("page.html")), 900); },
                    QStringLiteral("Dosya yüklenirken değişti. Yeniden yükle."));
  EXPECT_EQ(m_cache.statistics().count, 0);
  m_render.setHook({});
  const DocumentLoad next = m_cache.load(QUrl::fromLocalFile(path("page.html")), 900);
  EXPECT_FALSE(next.cacheHit);
  EXPECT_EQ(next.document.title, QStringLiteral("edited"));
}

}  // namespace
