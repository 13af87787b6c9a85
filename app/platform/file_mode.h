// The permission bits of new files.
#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>

#include <optional>

// The process's file-creation mask. It is read from the kernel's status of
// the process, which leaves it untouched; where that is not available, it is
// read by setting it for a moment to 077, so that a file another thread makes
// meanwhile is only more private, never less.
mode_t currentUmask();

// The "Umask:" value of a /proc/<pid>/status text; nothing when the line is
// missing or is not an octal number of at most four digits.
std::optional<mode_t> parseStatusUmask(const QByteArray& status);

// The permissions a new file gets when made with mode 0666 now: 0666 less the
// umask.
mode_t newFileMode();

// Sets the permission bits of the regular file at `path` to `mode`; a
// symbolic link at `path` is not followed. Returns 0 or the errno value of the
// failed call (ELOOP for a link, EINVAL for something that is not a regular
// file).
int setFileMode(const QString& path, mode_t mode);
