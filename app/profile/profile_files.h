// The one writer and reader of profile files ("history.json",
// "downloads.json").
//
// Writing: the missing folders are created 0700; the bytes go to a new
// temporary file (0600, in the same folder, never following a link), are
// flushed to storage, and the file replaces the old one in one rename, after
// which the folder itself is flushed. A failed write leaves the old file as it
// was and removes the temporary file.
//
// Reading: only "no such file" counts as missing. Any other failure (no
// permission, an I/O error, a FIFO, a device or a folder in the file's place)
// is reported as unreadable, so that a store never replaces what it could not
// read. A regular file is read through its size limit. A file that is too
// large or cannot be decoded is kept aside under a name of its own with the
// time in it ("<file>.bad-20261210T234501Z"); the three newest of those are
// kept, so that neither the next save nor the next bad file destroys what an
// earlier one held.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>

namespace ProfileFiles {

// How many files kept aside from one profile file survive.
inline constexpr int kKeptAsideGenerations = 3;

// How a store may use its file.
enum class Access {
  Owner,     // reads, keeps bad files aside, cleans up and saves
  ReadOnly,  // only reads: another process owns the profile, or its lock
             // cannot be had
};

// Why a ReadOnly store saves nothing, as the end of its persistence error,
// when no other reason is given.
inline QString heldElsewhereReason() {
  return QStringLiteral("profil başka bir Kivo sürecinde açık");
}

// Writes `bytes` as the new content of the file at `path`. Throws SystemError
// with the failed step, the path and the system's description.
void write(const QByteArray& bytes, const QString& path);

// What reading a profile file found.
struct ReadResult {
  enum class Kind {
    Missing,     // no such file (nor any folder that could hold it)
    Unreadable,  // something is there that could not be read; see `error`
    Oversized,   // a regular file larger than the limit
    Read,        // `bytes` holds the whole file
  };
  Kind kind = Kind::Missing;
  QByteArray bytes;
  QString error;  // for Unreadable: the system's description of the failure
};

// Reads the regular file at `path` when it holds at most `limit` bytes.
ReadResult read(const QString& path, qint64 limit);

// Moves the file at `path` aside to "<path>.bad-<time>" (the UTC time `now`
// as 20261210T234501Z, followed by "-2", "-3", ... when that name is taken;
// an existing file is never replaced) and then removes all but the newest
// kKeptAsideGenerations such files, the one just made always among them.
// Returns the new path. Throws SystemError when the file cannot be moved; it
// then stays where it is.
QString keepAside(const QString& path, const QDateTime& now = QDateTime::currentDateTimeUtc());

// Decodes `text` as one JSON array whose elements are objects, handing every
// element to `element` as soon as it has been read, so that a long list never
// exists twice in memory. Throws DecodingError for text that is not JSON (or
// not UTF-8), for a top level that is not an array, for an element that is not
// an object, for nesting deeper than 32 levels, and whatever `element` throws.
void decodeObjectArray(const QByteArray& text, const std::function<void(const nlohmann::json&)>& element);

}  // namespace ProfileFiles
