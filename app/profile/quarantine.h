// The marks of a file downloaded from the network: extended attributes that
// file managers and tools can read.
//
// "user.xdg.origin.url" holds the address the file came from (after
// redirects); "user.kivo.quarantine" holds a JSON object with the members
// "LSQuarantineAgentName" ("Kivo"), "LSQuarantineType"
// ("LSQuarantineTypeWebDownload"), "LSQuarantineDataURL" (the same address)
// and "LSQuarantineTimeStamp" (seconds since 2001-01-01 UTC).
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

namespace Quarantine {

inline constexpr const char* kOriginAttribute = "user.xdg.origin.url";
inline constexpr const char* kQuarantineAttribute = "user.kivo.quarantine";

// The value of the quarantine attribute for `origin` at `moment`.
QByteArray describe(const QUrl& origin, double moment);

// Sets both attributes on the file at `path` (never following a link).
// Throws SystemError; a file system that keeps no extended attributes at all
// is not an error, since the download itself is sound.
void mark(const QString& path, const QUrl& origin, double moment);

// The value of attribute `name` of the file at `path`, or nothing when it has
// none or it cannot be read.
std::optional<QByteArray> read(const QString& path, const char* name);

}  // namespace Quarantine
