// The value forms that the profile files share: identities as upper-case
// UUID texts and moments as seconds since 1 January 2001 00:00:00 UTC.
#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <optional>

namespace ProfileValues {

// Seconds since 2001-01-01 00:00:00 UTC of 0001-01-01 00:00:00 UTC: the
// moment before every visit, used to clear a whole list.
inline constexpr double kDistantPast = -63114076800.0;

// Seconds from 1970-01-01 to 2001-01-01, both UTC.
inline constexpr double kReferenceEpochOffset = 978307200.0;

// The range of moments a profile file may hold, in seconds since 2001-01-01
// UTC: from 1970-01-01 00:00:00 UTC up to, not including, 10000-01-01
// 00:00:00 UTC. A value outside it is no real visit or download, and a larger
// one would overflow every integer form of a time.
inline constexpr double kEarliestDate = -978307200.0;
inline constexpr double kEndOfDates = 252423993600.0;

// The current moment in seconds since 2001-01-01 UTC, with fraction.
double now();

// True for a finite moment within the range above.
bool isValidDate(double secondsSinceReference);

// The moment as a date and time, to the millisecond; an invalid QDateTime for
// a moment that is not a valid date (so nothing ever converts it to an
// integer).
QDateTime toDateTime(double secondsSinceReference);
// A date and time as seconds since 2001-01-01 UTC.
double fromDateTime(const QDateTime& moment);

// True when `text` takes at most `bytes` bytes in UTF-8.
bool fitsUtf8(const QString& text, qsizetype bytes);

// The first `limit` user-perceived characters (extended grapheme clusters)
// of `text`; a shorter text stays whole.
QString firstCharacters(const QString& text, qsizetype limit);

// The canonical text of an identity: 8-4-4-4-12 upper-case hexadecimal digits.
QString uuidText(const QUuid& id);
// Reads exactly 36 characters 8-4-4-4-12 of hexadecimal digits in either case;
// anything else (braces, missing hyphens, other lengths) gives nothing.
std::optional<QUuid> parseUuid(const QString& text);

}  // namespace ProfileValues
