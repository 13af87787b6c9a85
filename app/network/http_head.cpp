#include "network/http_head.h"

#include <QStringList>

#include <limits>

namespace {

bool isHttpSpace(char c) {
  return c == ' ' || c == '\t';
}

QByteArray lowerAscii(QByteArray text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

QByteArray trimmed(QByteArrayView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isHttpSpace(text[begin])) ++begin;
  while (end > begin && isHttpSpace(text[end - 1])) --end;
  return text.sliced(begin, end - begin).toByteArray();
}

// The parameters after the first ';' of a field value, as (lower-cased name,
// value) pairs; quoted values lose their quotes and backslash escapes.
QList<std::pair<QByteArray, QByteArray>> parameters(QByteArrayView value) {
  QList<std::pair<QByteArray, QByteArray>> result;
  qsizetype i = value.indexOf(';');
  if (i < 0) return result;
  ++i;
  while (i < value.size()) {
    while (i < value.size() && (isHttpSpace(value[i]) || value[i] == ';')) ++i;
    const qsizetype nameStart = i;
    while (i < value.size() && value[i] != '=' && value[i] != ';') ++i;
    const QByteArray name = lowerAscii(trimmed(value.sliced(nameStart, i - nameStart)));
    QByteArray parameter;
    if (i < value.size() && value[i] == '=') {
      ++i;
      while (i < value.size() && isHttpSpace(value[i])) ++i;
      if (i < value.size() && value[i] == '"') {
        ++i;
        while (i < value.size() && value[i] != '"') {
          if (value[i] == '\\' && i + 1 < value.size()) ++i;
          parameter.append(value[i]);
          ++i;
        }
        if (i < value.size()) ++i;  // the closing quote
        while (i < value.size() && value[i] != ';') ++i;
      } else {
        const qsizetype start = i;
        while (i < value.size() && value[i] != ';') ++i;
        parameter = trimmed(value.sliced(start, i - start));
      }
    }
    if (!name.isEmpty()) result.append({name, parameter});
  }
  return result;
}

std::optional<QByteArray> parameter(QByteArrayView value, QByteArrayView name) {
  for (const auto& [key, parameterValue] : parameters(value)) {
    if (key == name) return parameterValue;
  }
  return std::nullopt;
}

// An extended parameter value: charset'language'percent-encoded-text. Only
// UTF-8 and ISO-8859-1 are understood.
std::optional<QString> extendedValue(const QByteArray& value) {
  const qsizetype first = value.indexOf('\'');
  if (first < 0) return std::nullopt;
  const qsizetype second = value.indexOf('\'', first + 1);
  if (second < 0) return std::nullopt;
  const QByteArray charset = lowerAscii(value.left(first));
  const QByteArray decoded = QByteArray::fromPercentEncoding(value.mid(second + 1));
  if (charset == "utf-8") return QString::fromUtf8(decoded);
  if (charset == "iso-8859-1") return QString::fromLatin1(decoded);
  return std::nullopt;
}

constexpr qint64 kNotANumber = -1;
constexpr qint64 kOutOfRange = -2;

// The lengths that the Content-Length fields name, one per list member
// (empty members skipped): kNotANumber for a member that is not a decimal
// number, kOutOfRange for one above the largest signed 64-bit integer.
QList<qint64> contentLengths(const QList<std::pair<QByteArray, QByteArray>>& fields) {
  QList<qint64> lengths;
  for (const auto& [key, value] : fields) {
    if (key != "content-length") continue;
    for (const QByteArray& member : value.split(',')) {
      const QByteArray text = trimmed(member);
      if (text.isEmpty()) continue;
      qint64 parsed = 0;
      for (const char c : text) {
        if (c < '0' || c > '9') {
          parsed = kNotANumber;
          break;
        }
        if (parsed == kOutOfRange) continue;
        const int digit = c - '0';
        parsed = parsed > (std::numeric_limits<qint64>::max() - digit) / 10 ? kOutOfRange : parsed * 10 + digit;
      }
      lengths.append(parsed);
    }
  }
  return lengths;
}

}  // namespace

std::optional<QByteArray> HttpHead::field(QByteArrayView name) const {
  for (const auto& [key, value] : fields) {
    if (key == name) return value;
  }
  return std::nullopt;
}

std::optional<QByteArray> HttpHead::joinedField(QByteArrayView name) const {
  std::optional<QByteArray> joined;
  for (const auto& [key, value] : fields) {
    if (key != name) continue;
    if (joined) {
      joined->append(", ");
      joined->append(value);
    } else {
      joined = value;
    }
  }
  return joined;
}

qint64 HttpHead::declaredLength() const {
  if (field("transfer-encoding")) return -1;
  const QList<qint64> lengths = contentLengths(fields);
  if (lengths.isEmpty()) return -1;
  for (const qint64 length : lengths) {
    if (length < 0 || length != lengths.front()) return -1;
  }
  return lengths.front();
}

bool HttpHead::hasConflictingLengths() const {
  std::optional<qint64> seen;
  for (const qint64 length : contentLengths(fields)) {
    if (length < 0) continue;
    if (seen && *seen != length) return true;
    seen = length;
  }
  return false;
}

bool HttpHead::hasOversizedLength() const {
  return contentLengths(fields).contains(kOutOfRange);
}

QString HttpHead::mimeType() const {
  const std::optional<QByteArray> type = field("content-type");
  if (!type) return QString();
  const qsizetype semicolon = type->indexOf(';');
  return QString::fromLatin1(lowerAscii(trimmed(semicolon < 0 ? QByteArrayView(*type) : QByteArrayView(*type).first(semicolon))));
}

std::optional<QByteArray> HttpHead::charset() const {
  const std::optional<QByteArray> type = field("content-type");
  if (!type) return std::nullopt;
  return parameter(*type, "charset");
}

bool HttpHead::isAttachment() const {
  const std::optional<QByteArray> disposition = field("content-disposition");
  return disposition && lowerAscii(*disposition).startsWith("attachment");
}

std::optional<QString> HttpHead::suggestedFilename() const {
  if (const std::optional<QByteArray> disposition = field("content-disposition")) {
    if (const auto extended = parameter(*disposition, "filename*")) {
      if (const auto name = extendedValue(*extended); name && !name->isEmpty()) return name;
    }
    if (const auto plain = parameter(*disposition, "filename"); plain && !plain->isEmpty()) {
      return QString::fromUtf8(*plain);
    }
  }
  const QString path = url.path(QUrl::FullyDecoded);
  const QString last = path.section(QLatin1Char('/'), -1);
  if (last.isEmpty()) return std::nullopt;
  return last;
}

std::optional<QUrl> HttpHead::redirectTarget() const {
  if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308) return std::nullopt;
  const std::optional<QByteArray> location = field("location");
  if (!location || location->isEmpty()) return std::nullopt;
  const QUrl relative = QUrl::fromEncoded(*location, QUrl::TolerantMode);
  if (!relative.isValid()) return std::nullopt;
  const QUrl target = url.resolved(relative);
  if (!target.isValid()) return std::nullopt;
  return target;
}

qint64 HttpHead::byteSize() const {
  qint64 size = 64;
  for (const auto& [key, value] : fields) size += key.size() + value.size() + 4;
  return size;
}
