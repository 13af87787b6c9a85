#include "loading/document_cache.h"

#include <QHashFunctions>

#include <cmath>
#include <limits>
#include <optional>

#include "base/bridge_error.h"
#include "loading/engine_bridge.h"
#include "platform/canonical_path.h"

namespace {

const QString kBudgetExceeded = QStringLiteral("Belge veya görünüm bütçesi aşıldı.");
const QString kBadLocalDocument = QStringLiteral("Geçersiz yerel belge veya görünüm boyutu.");
const QString kFileTooLarge = QStringLiteral("Belge 1 MiB boyut sınırını aşıyor.");
const QString kFileChanged = QStringLiteral("Dosya yüklenirken değişti. Yeniden yükle.");

bool usableWidth(double width) {
  return std::isfinite(width) && width >= kivo_wire::kMinViewportWidth && width <= kivo_wire::kMaxViewportWidth;
}

// The number of bytes `text` takes in UTF-8, without converting it.
qint64 utf8Length(const QString& text) {
  qint64 length = 0;
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t unit = text.at(i).unicode();
    if (unit < 0x80) {
      length += 1;
    } else if (unit < 0x800) {
      length += 2;
    } else if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
      length += 4;
      ++i;
    } else {
      length += 3;
    }
  }
  return length;
}

qint64 utf8Length(const std::optional<QString>& text) {
  return text ? utf8Length(*text) : 0;
}

qint64 mapCost(const QMap<QString, QString>& map) {
  qint64 cost = 0;
  for (auto it = map.cbegin(); it != map.cend(); ++it) cost += 128 + utf8Length(it.key()) + utf8Length(it.value());
  return cost;
}

// Reads a local document: a regular file of at most 1 MiB.
QByteArray readSource(const QString& path) {
  QByteArray bytes = EngineBridge::readLocalFile(path, DocumentCache::kFileLimit);
  if (bytes.size() > DocumentCache::kFileLimit) throw BridgeError(kFileTooLarge);
  return bytes;
}

}  // namespace

std::size_t DocumentCache::KeyHash::operator()(const Key& key) const {
  return qHashMulti(0, key.path, key.source, key.width);
}

DocumentCache::DocumentCache(qsizetype entryLimit, qint64 byteLimit, RenderFunction render)
    : m_render(std::move(render)),
      m_entryLimit(entryLimit < 0 ? 0 : entryLimit),
      m_byteLimit(byteLimit < 0 ? 0 : byteLimit) {}

std::unique_ptr<EngineBridge::StartedRenderer> DocumentCache::startRender(double width) const {
  if (m_render) return nullptr;
  return EngineBridge::startRenderer(EngineBridge::Runner::standard(), width);
}

qint64 DocumentCache::estimatedCost(const PageDocument& document, qint64 sourceBytes) {
  qint64 cost = 1024 + sourceBytes + utf8Length(document.title);
  for (const PaintCommand& command : document.commands) cost += 256 + utf8Length(command.text) + utf8Length(command.href);
  if (document.nodes) {
    for (const InspectedNode& node : *document.nodes) {
      cost += 512 + utf8Length(node.name) + utf8Length(node.text) + mapCost(node.attributes) + mapCost(node.computed);
    }
  }
  for (const QString& warning : document.warnings) cost += 64 + utf8Length(warning);
  for (auto it = document.anchors.cbegin(); it != document.anchors.cend(); ++it) cost += 128 + utf8Length(it.key());
  return cost;
}

DocumentCache::Statistics DocumentCache::statistics() const {
  std::lock_guard lock(m_mutex);
  return Statistics{static_cast<qsizetype>(m_entries.size()), m_bytes};
}

void DocumentCache::clear() {
  std::lock_guard lock(m_mutex);
  ++m_epoch;
  m_entries.clear();
  m_bytes = 0;
}

void DocumentCache::removeIdentity(const QString& identity) {
  for (auto it = m_entries.begin(); it != m_entries.end();) {
    if (it->first.path == identity) {
      m_bytes -= it->second.cost;
      it = m_entries.erase(it);
    } else {
      ++it;
    }
  }
}

void DocumentCache::store(Key key, PageDocument document, qint64 cost) {
  // Evict least recently used entries until the new one fits.
  while (!m_entries.empty()) {
    if (static_cast<qsizetype>(m_entries.size()) < m_entryLimit && m_bytes + cost <= m_byteLimit) break;
    auto oldest = m_entries.begin();
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
      if (it->second.used < oldest->second.used) oldest = it;
    }
    m_bytes -= oldest->second.cost;
    m_entries.erase(oldest);
  }
  ++m_clock;
  const auto existing = m_entries.find(key);
  if (existing != m_entries.end()) {
    m_bytes -= existing->second.cost;
    m_entries.erase(existing);
  }
  m_bytes += cost;
  m_entries.emplace(std::move(key), Entry{std::move(document), cost, m_clock});
}

DocumentLoad DocumentCache::load(const QByteArray& source, const QString& identity, double width, bool bypass,
                                 std::unique_ptr<EngineBridge::StartedRenderer> started) {
  // 1. The budgets come before anything else.
  if (source.size() > kSourceLimit || !usableWidth(width)) throw BridgeError(kBudgetExceeded);

  Key key{identity, source, width};
  std::uint64_t startEpoch;
  {
    std::lock_guard lock(m_mutex);
    // 2. A bypassing load forgets every version of the identity.
    if (bypass) {
      ++m_epoch;
      removeIdentity(identity);
    }
    // 3. Note the generation this render belongs to.
    startEpoch = m_epoch;
    ++m_clock;
    // 4. Serve a stored document.
    if (!bypass) {
      const auto found = m_entries.find(key);
      if (found != m_entries.end()) {
        found->second.used = m_clock;
        return DocumentLoad{found->second.document, true};
      }
    }
  }

  // 5. Render with no lock held.
  PageDocument document = m_render ? m_render(source, width)
                                   : EngineBridge::render(EngineBridge::Runner::standard(), source, width,
                                                          std::move(started));

  // 6. Store it only if no clear() or bypassing load happened meanwhile.
  {
    std::lock_guard lock(m_mutex);
    if (m_epoch == startEpoch) {
      for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->first.path == identity && it->first.source != source) {
          m_bytes -= it->second.cost;
          it = m_entries.erase(it);
        } else {
          ++it;
        }
      }
      const qint64 cost = estimatedCost(document, source.size());
      if (m_entryLimit >= 1 && cost <= m_byteLimit) store(std::move(key), document, cost);
    }
  }
  // 7. Hand the document back.
  return DocumentLoad{std::move(document), false};
}

DocumentLoad DocumentCache::load(const QUrl& file, double width, bool bypass) {
  // 1. A local file and a usable width.
  if (!EngineBridge::isLocalFileAddress(file) || !usableWidth(width)) throw BridgeError(kBadLocalDocument);
  // 2. One identity per file, however it is reached.
  const QString identity = canonicalPath(file.path(QUrl::FullyDecoded));
  // 3. A bypassing load forgets the file's documents before reading it.
  if (bypass) {
    std::lock_guard lock(m_mutex);
    ++m_epoch;
    removeIdentity(identity);
  }
  // 4. Read the file.
  const QByteArray first = readSource(identity);
  // 5. Render or reuse.
  DocumentLoad result = load(first, identity, width, bypass);
  // 6. Refuse a document whose file changed while it rendered.
  const QByteArray second = readSource(identity);
  if (second != first) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_entries.begin(); it != m_entries.end();) {
      if (it->first.path == identity && it->first.source == first) {
        m_bytes -= it->second.cost;
        it = m_entries.erase(it);
      } else {
        ++it;
      }
    }
    throw BridgeError(kFileChanged);
  }
  return result;
}
