#include "profile/json_text_writer.h"

#include <charconv>
#include <cmath>

#include "platform/check.h"

void JsonTextWriter::beforeValue() {
  if (m_afterKey) {
    m_afterKey = false;
    return;
  }
  if (!m_first.empty()) {
    if (!m_first.back()) m_bytes.append(',');
    m_first.back() = false;
  }
}

void JsonTextWriter::beginObject() {
  beforeValue();
  m_bytes.append('{');
  m_first.push_back(true);
}

void JsonTextWriter::endObject() {
  KIVO_CHECK(!m_first.empty() && !m_afterKey);
  m_first.pop_back();
  m_bytes.append('}');
}

void JsonTextWriter::beginArray() {
  beforeValue();
  m_bytes.append('[');
  m_first.push_back(true);
}

void JsonTextWriter::endArray() {
  KIVO_CHECK(!m_first.empty() && !m_afterKey);
  m_first.pop_back();
  m_bytes.append(']');
}

void JsonTextWriter::key(std::string_view name) {
  KIVO_CHECK(!m_first.empty() && !m_afterKey);
  beforeValue();
  appendString(m_bytes, QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  m_bytes.append(':');
  m_afterKey = true;
}

void JsonTextWriter::string(const QString& text) {
  beforeValue();
  appendString(m_bytes, text);
}

void JsonTextWriter::integer(qint64 value) {
  beforeValue();
  m_bytes.append(QByteArray::number(value));
}

void JsonTextWriter::number(double value) {
  beforeValue();
  m_bytes.append(numberText(value));
}

void JsonTextWriter::appendString(QByteArray& out, const QString& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const QByteArray utf8 = text.toUtf8();
  out.reserve(out.size() + utf8.size() + 2);
  out.append('"');
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    switch (byte) {
      case '"': out.append("\\\""); break;
      case '\\': out.append("\\\\"); break;
      case '/': out.append("\\/"); break;
      case '\b': out.append("\\b"); break;
      case '\f': out.append("\\f"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      case '\t': out.append("\\t"); break;
      default:
        if (byte < 0x20) {
          const char escape[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
          out.append(escape, sizeof escape);
        } else {
          out.append(c);
        }
    }
  }
  out.append('"');
}

QByteArray JsonTextWriter::numberText(double value) {
  KIVO_CHECK(std::isfinite(value));
  if (value == 0) return std::signbit(value) ? "-0" : "0";
  // Plain decimals between 1e-4 and 1e16, exponent form outside: the form the
  // files were first written in.
  const double magnitude = std::fabs(value);
  const auto format = magnitude >= 1e-4 && magnitude < 1e16 ? std::chars_format::fixed : std::chars_format::scientific;
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
  KIVO_CHECK(result.ec == std::errc());
  QByteArray text(buffer, static_cast<qsizetype>(result.ptr - buffer));
  if (text.endsWith(".0")) text.chop(2);
  return text;
}

QByteArray JsonTextWriter::arrayWithin(const QList<QByteArray>& elements, qint64 limit, qsizetype* written) {
  QByteArray out("[");
  qint64 size = 2;  // the brackets
  qsizetype count = 0;
  for (const QByteArray& element : elements) {
    const qint64 grown = size + element.size() + (count > 0 ? 1 : 0);
    if (grown > limit) break;
    if (count > 0) out.append(',');
    out.append(element);
    size = grown;
    ++count;
  }
  out.append(']');
  if (written) *written = count;
  return out;
}
