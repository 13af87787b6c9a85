// Files only their owner may read: new files, and the replacement of a file's
// whole content in one step.
#pragma once

#include <QByteArray>
#include <QString>

#include "platform/file_descriptor.h"

// Creates a new file at `path`, open for writing, with permissions 0600
// whatever the process's umask. Nothing may be at `path`: an existing file,
// and also a symbolic link (which is never followed), fails with EEXIST.
// Returns an empty descriptor when the file cannot be made; errno then says
// why, and no file is left behind.
FileDescriptor createPrivateFile(const QString& path);

// Makes `bytes` the whole content of the file at `path`, so that a reader
// finds either the old file or the new one, also after a power loss: the bytes
// go to a new private temporary file in the same folder (never following a
// link), are flushed to storage, and the file replaces the old one in one
// rename, after which the folder itself is flushed. The folder must exist.
// When `path` is a symbolic link (a file kept elsewhere), the link stays and
// the file it leads to is replaced this way in its own folder; a dangling
// link gets its file made, and a link into a missing folder fails with
// ENOENT, the link left as it was.
// Throws SystemError with the failed step and `path` (the temporary file has
// a new name on every attempt, so it is not named); a failure before the
// rename leaves the old file as it was and removes the temporary file.
void replaceFileAtomically(const QString& path, const QByteArray& bytes);
