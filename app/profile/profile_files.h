// The one writer and reader of profile files ("history.json",
// "downloads.json").
//
// Writing: the missing folders are created 0700; the bytes go to a new
// temporary file (0600, in the same folder, never following a link), are
// flushed to storage, and the file replaces the old one in one rename, after
// which the folder itself is flushed. A failed write leaves the old file as it
// was and removes the temporary file.
//
// Reading: only a regular file is read (a FIFO, a device or a folder is
// treated as missing), through its size limit. A file that is too large or
// cannot be decoded is kept aside under the name "<file>.bad", so that the
// next save does not silently destroy what it held.
#pragma once

#include <QByteArray>
#include <QString>

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>

namespace ProfileFiles {

// Writes `bytes` as the new content of the file at `path`. Throws SystemError
// with the failed step, the path and the system's description.
void write(const QByteArray& bytes, const QString& path);

// What reading a profile file found.
struct ReadResult {
  enum class Kind {
    Missing,    // no such file, not a regular file, or not readable
    Oversized,  // a regular file larger than the limit
    Read,       // `bytes` holds the whole file
  };
  Kind kind = Kind::Missing;
  QByteArray bytes;
};

// Reads the regular file at `path` when it holds at most `limit` bytes.
ReadResult read(const QString& path, qint64 limit);

// Renames the file at `path` to "<path>.bad", replacing an older one; a
// failure is ignored (the file then stays where it is).
void keepAside(const QString& path);

// Decodes `text` as one JSON array whose elements are objects, handing every
// element to `element` as soon as it has been read, so that a long list never
// exists twice in memory. Throws DecodingError for text that is not JSON (or
// not UTF-8), for a top level that is not an array, for an element that is not
// an object, for nesting deeper than 32 levels, and whatever `element` throws.
void decodeObjectArray(const QByteArray& text, const std::function<void(const nlohmann::json&)>& element);

}  // namespace ProfileFiles
