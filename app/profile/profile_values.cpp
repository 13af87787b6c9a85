#include "profile/profile_values.h"

#include <QTextBoundaryFinder>

#include <chrono>
#include <cmath>

namespace ProfileValues {

double now() {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  const double seconds = std::chrono::duration<double>(sinceEpoch).count();
  return seconds - kReferenceEpochOffset;
}

bool isValidDate(double secondsSinceReference) {
  // The comparisons are false for NaN, so it is refused too.
  return secondsSinceReference >= kEarliestDate && secondsSinceReference < kEndOfDates;
}

QDateTime toDateTime(double secondsSinceReference) {
  if (!isValidDate(secondsSinceReference)) return QDateTime();
  const double millis = std::round((secondsSinceReference + kReferenceEpochOffset) * 1000.0);
  return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(millis), Qt::UTC);
}

double fromDateTime(const QDateTime& moment) {
  return static_cast<double>(moment.toMSecsSinceEpoch()) / 1000.0 - kReferenceEpochOffset;
}

namespace {

// The end of the first `limit` characters of `text`, or -1 when it has fewer.
qsizetype endOfCharacters(QStringView text, qsizetype limit) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
  for (qsizetype count = 0; count < limit; ++count) {
    if (finder.toNextBoundary() < 0) return -1;
  }
  return finder.position();
}

}  // namespace

bool fitsUtf8(const QString& text, qsizetype bytes) {
  // A text of more UTF-16 units than the limit has more UTF-8 bytes too, so
  // an overlong text is never converted.
  return text.size() <= bytes && text.toUtf8().size() <= bytes;
}

QString firstCharacters(const QString& text, qsizetype limit) {
  if (text.size() <= limit) return text;
  // A break between two characters depends only on what comes before it and
  // the character after it, so the breaks inside a prefix are those of the
  // whole text: a huge text costs only a prefix, unless its first characters
  // are unusually long clusters.
  const qsizetype prefix = limit * 16;
  if (prefix < text.size()) {
    const qsizetype end = endOfCharacters(QStringView(text).left(prefix), limit);
    if (end >= 0 && end < prefix) return text.left(end);
  }
  const qsizetype end = endOfCharacters(text, limit);
  return end < 0 ? text : text.left(end);
}

QString uuidText(const QUuid& id) {
  return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseUuid(const QString& text) {
  if (text.size() != 36) return std::nullopt;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text.at(i).unicode();
    const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
    if (hyphenPlace) {
      if (c != u'-') return std::nullopt;
      continue;
    }
    const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    if (!hex) return std::nullopt;
  }
  const QUuid id = QUuid::fromString(text);
  if (id.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000")) return std::nullopt;
  return id;
}

}  // namespace ProfileValues
