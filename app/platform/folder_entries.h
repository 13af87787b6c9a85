// The names in folders: private folders made on the way to a file, whether a
// name leads to something, and the removal of a file.
#pragma once

#include <QString>

#include <ctime>

// Creates the folder at `path` and its missing ancestors, outermost first,
// each 0700 whatever the process's umask; an existing folder keeps its
// permissions. Throws SystemError naming the step and the path: "examine"
// when a name on the way cannot be looked at, "create folder" when something
// other than a folder stands in the way (ENOTDIR) or a folder cannot be made,
// "set permissions of" when a new folder cannot be made private.
void createPrivateFolder(const QString& path);

// True when `path` leads to something once symbolic links are followed; a
// dangling link leads nowhere, and a path that cannot be examined counts as
// leading nowhere.
bool pathExists(const QString& path);

// Removes the name `path` (a symbolic link itself, never what it leads to).
// Returns 0 or the errno value of the failure: ENOENT when nothing is there,
// EISDIR for a folder.
int removeFile(const QString& path);

// The modification time of what `path` leads to, to the nanosecond; throws
// SystemError "examine <path>" when it cannot be looked at.
timespec modificationTime(const QString& path);

// Gives what `path` leads to the modification time `time`, leaving its access
// time; throws SystemError "set the modification time of <path>".
void setModificationTime(const QString& path, const timespec& time);
