#include "loading/scene_plain_forms.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include <QString>

#include "loading/json_scanner.h"

namespace {

// The renderer writes every paint command in one of three forms, members in
// a fixed order, numbers without exponent and no white space:
//   {"kind":"box",RECT,"background":C,"border":C,"borderWidth":N,"radius":N,"href":H}
//   {"kind":"text",RECT,"size":N,"bold":B,"color":C,"text":S,"href":H}
//   {"kind":"image",RECT,"imageId":I,"text":S,"href":H}
// with RECT "x":N,"y":N,"width":N,"height":N. A command of exactly such a
// form, with strings without escapes, is read here directly into what the
// full decoder makes of it; anything else is left to that.
class PlainCommandReader {
public:
  explicit PlainCommandReader(std::string_view text)
      : m_at(text.data()), m_start(text.data()), m_end(text.data() + text.size()) {}

  // The bytes the command took, or 0 when the text does not start with one
  // of the forms.
  std::size_t read(PaintCommand& c) {
    static const QString kBox = QStringLiteral("box");
    static const QString kText = QStringLiteral("text");
    static const QString kImage = QStringLiteral("image");
    if (!take("{\"kind\":\"")) return 0;
    bool ok;
    if (take("box\",")) {
      c.kind = kBox;
      ok = rect(c) && take(",\"background\":") && color(c.background) && take(",\"border\":") && color(c.border) &&
           take(",\"borderWidth\":") && number(c.borderWidth) && take(",\"radius\":") && number(c.radius);
    } else if (take("text\",")) {
      c.kind = kText;
      ok = rect(c) && take(",\"size\":") && number(c.size) && take(",\"bold\":") && boolean(c.bold) &&
           take(",\"color\":") && color(c.color) && take(",\"text\":") && string(c.text, kMaxCommandTextBytes);
    } else if (take("image\",")) {
      c.kind = kImage;
      ok = rect(c) && take(",\"imageId\":") && imageId(c.imageId) && take(",\"text\":") &&
           string(c.text, kMaxCommandTextBytes);
    } else {
      return 0;
    }
    if (!ok || !take(",\"href\":")) return 0;
    if (!take("null") && !string(c.href)) return 0;
    if (!take("}")) return 0;
    return static_cast<std::size_t>(m_at - m_start);
  }

private:
  template <std::size_t N>
  bool take(const char (&literal)[N]) {
    if (static_cast<std::size_t>(m_end - m_at) < N - 1 || std::memcmp(m_at, literal, N - 1) != 0) return false;
    m_at += N - 1;
    return true;
  }

  bool rect(PaintCommand& c) {
    return take("\"x\":") && number(c.x) && take(",\"y\":") && number(c.y) && take(",\"width\":") &&
           number(c.width) && take(",\"height\":") && number(c.height);
  }

  bool digit() const { return m_at < m_end && *m_at >= '0' && *m_at <= '9'; }

  // The digits of a JSON integer part: "0" or no leading zero.
  bool integerDigits() {
    if (!digit()) return false;
    if (*m_at++ == '0') return !digit();
    while (digit()) ++m_at;
    return true;
  }

  // A number as the scanner reads it: an integer of up to 64 bits exactly
  // (negative zero as zero), anything else through from_chars. No exponent.
  bool number(double& value) {
    const char* first = m_at;
    const bool negative = m_at < m_end && *m_at == '-';
    if (negative) ++m_at;
    if (!integerDigits()) return false;
    bool integral = true;
    if (m_at < m_end && *m_at == '.') {
      ++m_at;
      integral = false;
      if (!digit()) return false;
      while (digit()) ++m_at;
    }
    if (m_at < m_end && (*m_at == 'e' || *m_at == 'E')) return false;
    if (integral) {
      std::uint64_t magnitude = 0;
      bool fits = true;
      for (const char* d = negative ? first + 1 : first; d != m_at && fits; ++d) {
        fits = !__builtin_mul_overflow(magnitude, 10u, &magnitude) &&
               !__builtin_add_overflow(magnitude, static_cast<unsigned>(*d - '0'), &magnitude);
      }
      if (fits && !negative) {
        value = static_cast<double>(magnitude);
        return true;
      }
      if (fits && magnitude <= std::uint64_t{1} << 63) {
        value = static_cast<double>(static_cast<std::int64_t>(std::uint64_t{0} - magnitude));
        return true;
      }
    }
    return std::from_chars(first, m_at, value).ec == std::errc();
  }
  bool number(std::optional<double>& value) {
    double read = 0;
    if (!number(read)) return false;
    value = read;
    return true;
  }

  // A non-negative integer of at most `limit`.
  bool unsignedUpTo(std::uint64_t limit, std::uint64_t& value) {
    const char* first = m_at;
    if (!integerDigits() || m_at - first > 19) return false;
    value = 0;
    for (const char* d = first; d != m_at; ++d) value = value * 10 + static_cast<unsigned>(*d - '0');
    return value <= limit;
  }
  bool color(std::optional<quint32>& value) {
    std::uint64_t read = 0;
    if (!unsignedUpTo(0xFFFFFFFFu, read)) return false;
    value = static_cast<quint32>(read);
    return true;
  }
  bool imageId(std::optional<qint64>& value) {
    std::uint64_t read = 0;
    if (!unsignedUpTo(static_cast<std::uint64_t>(std::numeric_limits<qint64>::max()), read)) return false;
    value = static_cast<qint64>(read);
    return true;
  }

  bool boolean(std::optional<bool>& value) {
    if (take("true")) {
      value = true;
    } else if (take("false")) {
      value = false;
    } else {
      return false;
    }
    return true;
  }

  // A string of UTF-8 as the scanner accepts it, without escapes, of at most
  // `limit` bytes (a longer one is left to the full decoder, which refuses it).
  bool string(std::optional<QString>& value, std::size_t limit = std::numeric_limits<std::size_t>::max()) {
    if (m_at == m_end || *m_at != '"') return false;
    const char* first = ++m_at;
    for (;;) {
      if (m_at == m_end) return false;
      const auto c = static_cast<unsigned char>(*m_at);
      if (c == '"') break;
      if (c == '\\' || c < 0x20) return false;
      if (c < 0x80) {
        ++m_at;
        continue;
      }
      const int length =
          utf8SequenceLength(reinterpret_cast<const unsigned char*>(m_at), static_cast<std::size_t>(m_end - m_at));
      if (length <= 0) return false;
      m_at += length;
    }
    if (static_cast<std::size_t>(m_at - first) > limit) return false;
    value = QString::fromUtf8(first, static_cast<qsizetype>(m_at - first));
    ++m_at;
    return true;
  }

  const char* m_at;
  const char* m_start;
  const char* m_end;
};

}  // namespace

std::size_t readPlainCommand(std::string_view text, PaintCommand& command) {
  return PlainCommandReader(text).read(command);
}

// The renderer writes every request in one form,
// {"measure":true,"size":N,"bold":B,"text":"S"}. A line of exactly that form,
// with a plain number and a text without escapes, is read here directly; it
// gives what the full decoder gives for it. Anything else is left to that.
std::optional<SceneLine> readPlainRequest(std::string_view line) {
  constexpr std::string_view kHead = "{\"measure\":true,\"size\":";
  if (line.substr(0, kHead.size()) != kHead) return std::nullopt;
  std::size_t at = kHead.size();
  const auto digit = [&](std::size_t i) { return i < line.size() && line[i] >= '0' && line[i] <= '9'; };
  // The size: an unsigned integer of at most 15 digits (exact as a double
  // whichever way it is read), with an optional fraction.
  const std::size_t sizeStart = at;
  if (line.substr(at, 1) == "0") {
    ++at;
  } else {
    while (digit(at)) ++at;
    if (at == sizeStart || at - sizeStart > 15) return std::nullopt;
  }
  if (line.substr(at, 1) == ".") {
    ++at;
    const std::size_t fraction = at;
    while (digit(at)) ++at;
    if (at == fraction) return std::nullopt;
  }
  double size = 0;
  if (std::from_chars(line.data() + sizeStart, line.data() + at, size).ec != std::errc()) return std::nullopt;
  bool bold;
  constexpr std::string_view kBoldTrue = ",\"bold\":true,\"text\":\"";
  constexpr std::string_view kBoldFalse = ",\"bold\":false,\"text\":\"";
  if (line.substr(at, kBoldTrue.size()) == kBoldTrue) {
    bold = true;
    at += kBoldTrue.size();
  } else if (line.substr(at, kBoldFalse.size()) == kBoldFalse) {
    bold = false;
    at += kBoldFalse.size();
  } else {
    return std::nullopt;
  }
  // The text, up to the closing quote, which must end the object and the line.
  const std::size_t textStart = at;
  for (;;) {
    if (at >= line.size()) return std::nullopt;
    const auto c = static_cast<unsigned char>(line[at]);
    if (c == '"') break;
    if (c == '\\' || c < 0x20) return std::nullopt;
    if (c < 0x80) {
      ++at;
      continue;
    }
    const int length = utf8SequenceLength(reinterpret_cast<const unsigned char*>(line.data()) + at, line.size() - at);
    if (length <= 0) return std::nullopt;
    at += static_cast<std::size_t>(length);
  }
  if (line.substr(at) != "\"}") return std::nullopt;
  SceneLine result;
  result.request = MeasurementRequest{std::string(line.substr(textStart, at - textStart)), size, bold};
  // The line has none of a document's members.
  result.error = "scene: a required member is missing";
  return result;
}
