// The head of one HTTP response as the transport reads it: the address that
// answered, the status and the header fields, with the readings every fetch
// needs (declared length, MIME type, charset, attachment, file name, cache
// directives).
//
// Limits: a head is built by the transfer, which refuses heads above 256 KiB
// or 1,000 fields before they are stored here.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>
#include <utility>

struct HttpHead {
  static constexpr qint64 kByteLimit = 262'144;
  static constexpr qsizetype kFieldLimit = 1'000;

  QUrl url;    // the address of the request that this head answers
  int status = 0;
  QList<std::pair<QByteArray, QByteArray>> fields;  // names in ASCII lower case, values trimmed

  // The value of the first field named `name` (lower case), if any.
  std::optional<QByteArray> field(QByteArrayView name) const;
  // Every value of the fields named `name`, joined with ", ".
  std::optional<QByteArray> joinedField(QByteArrayView name) const;

  // The declared body length, or -1 when the answer declares none (no valid
  // Content-Length, conflicting ones, or a transfer coding). Repeated fields
  // and comma-separated lists that all name the same length declare it.
  qint64 declaredLength() const;
  // True when the Content-Length fields, across lines and list members, name
  // two different lengths: such an answer cannot be framed safely.
  bool hasConflictingLengths() const;
  // True when a Content-Length member is a decimal number above the largest
  // signed 64-bit integer. The transfer library would read such a body up to
  // the end of the connection, so the answer is refused like any other
  // answer with an invalid length.
  bool hasOversizedLength() const;
  // The media type without parameters in ASCII lower case; empty when the
  // answer names none.
  QString mimeType() const;
  // The charset parameter of the Content-Type, unquoted; nothing when absent.
  std::optional<QByteArray> charset() const;
  // True when the Content-Disposition, lower-cased, begins with "attachment".
  bool isAttachment() const;
  // The file name the answer suggests: the Content-Disposition's filename*
  // or filename, else the last segment of the address; nothing when neither
  // names one. Not yet sanitised.
  std::optional<QString> suggestedFilename() const;
  // The target of a redirect status (301, 302, 303, 307, 308) with a
  // Location that resolves against the address; nothing otherwise.
  std::optional<QUrl> redirectTarget() const;
  // The bytes the head occupies, for cache accounting.
  qint64 byteSize() const;
};
