#include "network/text_decoding.h"

#include <QTextBoundaryFinder>

#include <array>
#include <cstdint>

namespace TextDecoding {
namespace {

// Code page 1252 from 0x80 to 0x9F. The five bytes the code page leaves
// unassigned decode to the C1 control of the same value, so no byte is
// refused and the text stays reversible.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool equalsIgnoringAsciiCase(const QByteArray& text, const char* expected) {
  qsizetype index = 0;
  for (; expected[index] != '\0'; ++index) {
    if (index >= text.size()) return false;
    char c = text[index];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != expected[index]) return false;
  }
  return index == text.size();
}

void appendUtf8(QByteArray& out, char32_t code) {
  if (code < 0x80) {
    out.append(static_cast<char>(code));
  } else if (code < 0x800) {
    out.append(static_cast<char>(0xC0 | (code >> 6)));
    out.append(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.append(static_cast<char>(0xE0 | (code >> 12)));
    out.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.append(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

std::optional<Charset> charsetNamed(const std::optional<QByteArray>& name) {
  if (!name) return Charset::utf8;
  if (equalsIgnoringAsciiCase(*name, "utf-8") || equalsIgnoringAsciiCase(*name, "utf8") ||
      equalsIgnoringAsciiCase(*name, "us-ascii")) {
    return Charset::utf8;
  }
  if (equalsIgnoringAsciiCase(*name, "iso-8859-1")) return Charset::latin1;
  if (equalsIgnoringAsciiCase(*name, "windows-1252")) return Charset::windows1252;
  return std::nullopt;
}

bool isValidUtf8(QByteArrayView bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const qsizetype size = bytes.size();
  qsizetype i = 0;
  while (i < size) {
    const std::uint8_t lead = data[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    qsizetype length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    // The bounds of the second byte exclude overlong forms, surrogates and
    // code points above U+10FFFF.
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead == 0xE0) {
      length = 3;
      low = 0xA0;
    } else if (lead >= 0xE1 && lead <= 0xEC) {
      length = 3;
    } else if (lead == 0xED) {
      length = 3;
      high = 0x9F;
    } else if (lead >= 0xEE && lead <= 0xEF) {
      length = 3;
    } else if (lead == 0xF0) {
      length = 4;
      low = 0x90;
    } else if (lead >= 0xF1 && lead <= 0xF3) {
      length = 4;
    } else if (lead == 0xF4) {
      length = 4;
      high = 0x8F;
    } else {
      return false;
    }
    if (size - i < length) return false;
    if (data[i + 1] < low || data[i + 1] > high) return false;
    for (qsizetype k = 2; k < length; ++k) {
      if (data[i + k] < 0x80 || data[i + k] > 0xBF) return false;
    }
    i += length;
  }
  return true;
}

std::optional<QByteArray> toUtf8(QByteArrayView bytes, Charset charset) {
  if (charset == Charset::utf8) {
    if (!isValidUtf8(bytes)) return std::nullopt;
    return bytes.toByteArray();
  }
  QByteArray out;
  out.reserve(bytes.size() * 2);
  for (const char byte : bytes) {
    const auto value = static_cast<std::uint8_t>(byte);
    char32_t code = value;
    if (charset == Charset::windows1252 && value >= 0x80 && value <= 0x9F) code = kWindows1252High[value - 0x80];
    appendUtf8(out, code);
  }
  return out;
}

QString leadingCharacters(const QString& text, qsizetype count) {
  if (count <= 0) return QString();
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype taken = 0;
  qsizetype position = 0;
  while (taken < count) {
    const qsizetype next = finder.toNextBoundary();
    if (next < 0) return text;
    position = next;
    ++taken;
  }
  return text.left(position);
}

QString leadingCharactersWithinBytes(const QString& text, qsizetype byteLimit) {
  if (text.toUtf8().size() <= byteLimit) return text;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype kept = 0;
  qsizetype bytes = 0;
  for (qsizetype next = finder.toNextBoundary(); next >= 0; next = finder.toNextBoundary()) {
    const qsizetype added = text.mid(kept, next - kept).toUtf8().size();
    if (bytes + added > byteLimit) break;
    bytes += added;
    kept = next;
  }
  return text.left(kept);
}

}  // namespace TextDecoding
