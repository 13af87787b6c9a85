// Extended attributes of files: named values that file managers and tools can
// read beside a file's content. Neither function follows a symbolic link: a
// link's own attributes are meant, and Linux keeps no user attributes on
// links.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Sets attribute `name` (e.g. "user.xdg.origin.url") of the file at `path` to
// `value`. Returns 0 or the errno value of the failure; ENOTSUP (also spelt
// EOPNOTSUPP) means the file system keeps no such attributes.
int setExtendedAttribute(const QString& path, const char* name, const QByteArray& value);

// The value of attribute `name` of the file at `path`, or nothing when it has
// none or it cannot be read.
std::optional<QByteArray> extendedAttribute(const QString& path, const char* name);
