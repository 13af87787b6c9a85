// Renames within one file system. Both return 0 or the errno value of the
// failed call, so that each caller names the failure in its own words.
#pragma once

#include <QString>

// Renames `from` to `to`, replacing whatever file is at `to`, in one step.
int renameFile(const QString& from, const QString& to);

// Renames `from` to `to` unless something (a file, a folder, also a symbolic
// link, dangling or not) is at `to`; that case returns EEXIST and leaves both
// as they were. On a file system without the kernel's no-replace rename it
// falls back to renameWithoutReplacingByLooking().
int renameWithoutReplacing(const QString& from, const QString& to);

// The fallback: looks at `to` first and renames only when nothing is there.
// Unlike the kernel's rename, it replaces what appears between the look and
// the rename, so it is sound only in a folder no one else writes at the same
// time.
int renameWithoutReplacingByLooking(const QString& from, const QString& to);
