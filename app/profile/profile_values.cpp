#include "profile/profile_values.h"

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
