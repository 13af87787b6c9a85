// Bounded reads of regular files and plain writes of new private files.
//
// Limits: a read never returns more than its bound, and never blocks on a FIFO
// or device: the file is opened without blocking and refused unless the opened
// file itself is a regular file.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The answer of the file system to "is this path a regular file?", following
// symbolic links. Throws SystemError when the path cannot be examined (for
// example when it does not exist).
bool isRegularFile(const QString& path);

// Reads at most `bound` bytes of the file at `path`. Returns nothing when the
// opened file is not a regular file. Throws SystemError when opening or reading
// fails.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 bound);

// Creates the file at `path` (it must not exist) with permissions 0600 and
// writes `bytes` to it. Throws SystemError on failure.
void writeNewFile(const QString& path, const QByteArray& bytes);
