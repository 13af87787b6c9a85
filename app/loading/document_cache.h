// Rendered documents remembered by (identity, exact source bytes, viewport
// width), so that a repeated request is answered without starting the
// renderer.
//
// A serialized service object: every access to the entries happens under one
// lock, and the render of a miss runs with the lock released, so other loads,
// statistics() and clear() go on meanwhile. A render that started before a
// clear() or a bypassing load is returned to its caller but not stored.
//
// Limits: at most `entryLimit` entries whose estimated costs sum to at most
// `byteLimit` bytes (least recently used entries are evicted first; a document
// costing more than the whole budget is not kept); sources of at most
// 1,115,148 bytes, local files of at most 1 MiB, widths from 160 to 8,192.
// load() blocks its thread while it renders: call it off the main thread.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "loading/engine_bridge.h"
#include "loading/page_document.h"
#include "support/wire_contract.h"

class DocumentCache {
public:
  // Renders the source bytes for the width; may throw. Must be callable from
  // any thread, and is called with no lock held.
  using RenderFunction = std::function<PageDocument(const QByteArray& source, double width)>;

  struct Statistics {
    qsizetype count = 0;
    qint64 bytes = 0;
  };

  static constexpr qsizetype kDefaultEntryLimit = 16;
  static constexpr qint64 kDefaultByteLimit = 33'554'432;
  static constexpr qint64 kSourceLimit = kivo_wire::kMaxFrameBytes;
  static constexpr qint64 kFileLimit = kivo_wire::kMaxHtmlBytes;

  // A new, empty cache; a negative limit counts as 0. Without a render
  // function the cache renders with EngineBridge::render and the standard
  // renderer.
  explicit DocumentCache(qsizetype entryLimit = kDefaultEntryLimit, qint64 byteLimit = kDefaultByteLimit,
                         RenderFunction render = {});

  // Starts, ahead of a load at `width`, what that load's render needs before
  // its source: with the standard render, the renderer process, which then
  // waits for its input. Hand it to load(); dropped unused, it ends and reaps
  // the process. Nothing with a render function of the caller's own, or when
  // no renderer can start.
  std::unique_ptr<EngineBridge::StartedRenderer> startRender(double width) const;

  // Renders `source` under `identity` at `width`, or returns the stored
  // document. With `bypass` every entry of the identity is dropped first and
  // the document is rendered again. A renderer from startRender() serves the
  // render, or is ended when the stored document serves. Throws BridgeError
  // for an oversized source or a bad width, and whatever the render function
  // throws.
  DocumentLoad load(const QByteArray& source, const QString& identity, double width, bool bypass = false,
                    std::unique_ptr<EngineBridge::StartedRenderer> started = nullptr);

  // Renders the local HTML file at `file` under its canonical path, and
  // refuses the result when the file changed while it rendered.
  DocumentLoad load(const QUrl& file, double width, bool bypass = false);

  // The number of entries and the sum of their estimated costs.
  Statistics statistics() const;

  // Drops every entry; a render begun before the call is not stored.
  void clear();

  // The memory a document is estimated to hold with a source of
  // `sourceBytes` bytes; at least 1,024.
  static qint64 estimatedCost(const PageDocument& document, qint64 sourceBytes);

private:
  struct Key {
    QString path;
    QByteArray source;
    double width;
    bool operator==(const Key& other) const {
      return width == other.width && path == other.path && source == other.source;
    }
  };
  struct KeyHash {
    std::size_t operator()(const Key& key) const;
  };
  struct Entry {
    PageDocument document;
    qint64 cost = 0;
    std::uint64_t used = 0;
  };

  void removeIdentity(const QString& identity);
  void store(Key key, PageDocument document, qint64 cost);
  qint64 bytesLocked() const;

  const RenderFunction m_render;
  const qsizetype m_entryLimit;
  const qint64 m_byteLimit;
  mutable std::mutex m_mutex;
  std::unordered_map<Key, Entry, KeyHash> m_entries;
  qint64 m_bytes = 0;  // the sum of the entries' costs
  std::uint64_t m_clock = 0;
  std::uint64_t m_epoch = 0;
};
