#include "json/write.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kivo_json {

namespace {

// True for the bytes a JSON string cannot hold as they are.
constexpr bool needs_escape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

// The escape of one byte that needs one; returns its length (2 or 6).
std::size_t escape_of(unsigned char c, char* buffer) {
  static constexpr char kHex[] = "0123456789abcdef";
  buffer[0] = '\\';
  switch (c) {
    case '"': buffer[1] = '"'; return 2;
    case '\\': buffer[1] = '\\'; return 2;
    case '\n': buffer[1] = 'n'; return 2;
    case '\r': buffer[1] = 'r'; return 2;
    case '\t': buffer[1] = 't'; return 2;
    default: break;
  }
  buffer[1] = 'u';
  buffer[2] = '0';
  buffer[3] = '0';
  buffer[4] = kHex[c >> 4];
  buffer[5] = kHex[c & 15];
  return 6;
}

// The length of the run at the start of text that needs no escape.
std::size_t plain_run(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && !needs_escape(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

// Writes a positive non-integer below 2^24 with at most 13 fraction bits
// directly, and returns its length; 0 when the value is not of that kind.
// Such a value's exact decimal has k fraction digits, the last a 5, so every
// decimal with fewer fraction digits lies at least 5 x 10^-k away. When the
// float's spacing is below 10^(1-k), none of those reads back to it, and the
// exact decimal is the shortest round-trip text (layout's halves, quarters
// and sixty-fourths of a pixel are such values).
std::size_t dyadic_chars(float magnitude, char* out) {
  const auto bits = std::bit_cast<std::uint32_t>(magnitude);
  const int biased = static_cast<int>(bits >> 23);
  // Normal values of at least 1/8 and below 2^24 only.
  if (biased < 124 || biased >= 150) return 0;
  const std::uint32_t significand = (bits & 0x7FFFFFu) | 0x800000u;
  const int scale = 150 - biased;  // the value is significand / 2^scale
  const int zeros = std::countr_zero(significand);
  if (zeros >= scale) return 0;  // a whole number
  const int k = scale - zeros;
  static constexpr std::uint64_t kPow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000,
                                            100000000, 1000000000, 10000000000ULL, 100000000000ULL,
                                            1000000000000ULL, 10000000000000ULL};
  if (k > 13 || kPow10[k - 1] >= (std::uint64_t{1} << scale)) return 0;
  const std::uint32_t whole = significand >> scale;
  const std::uint64_t fraction_bits = (significand & ((std::uint32_t{1} << scale) - 1)) >> zeros;
  std::uint64_t fraction = fraction_bits;
  for (int i = 0; i < k; ++i) fraction *= 5;
  // The whole part, the point and k fraction digits, zero-padded.
  char* p = out;
  const auto [end, ec] = std::to_chars(p, p + 16, whole);
  KIVO_CHECK(ec == std::errc());
  p = end;
  *p++ = '.';
  for (int i = k - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  KIVO_CHECK(fraction == 0);
  return static_cast<std::size_t>(p + k - out);
}

// Writes a positive non-integer of at least 2^-20 and below 2^23 by its
// shortest positional digits, and returns its length; 0 when it leaves the
// value to the general digit search.
// The value is m / 2^s with m of 24 bits. For k = 1, 2, ... fraction digits
// the k-digit decimal nearest to it is d / 10^k, d = round(m 10^k / 2^s), and
// it reads back to the float when it lies closer than half the float's
// spacing 1 / 2^s: when 2 |d 2^s - m 10^k| < 10^k. The first such k gives
// the fewest digits, and d the nearest decimal of that length; no whole
// number reads back to a non-integer below 2^23, so k starts at 1. The
// fraction digits come one a step, as in long division, and the remainder
// m 10^k mod 2^s is what decides both the rounding and the reading back. A
// decimal exactly halfway (a tie in the rounding, or on the edge of what
// reads back) and a power of two (whose spacing below is half the one above)
// are left to the general search, which settles them.
std::size_t fixed_chars(float magnitude, char* out) {
  const auto bits = std::bit_cast<std::uint32_t>(magnitude);
  const int biased = static_cast<int>(bits >> 23);
  if (biased < 107 || biased >= 150) return 0;
  const std::uint32_t significand = (bits & 0x7FFFFFu) | 0x800000u;
  if (significand == 0x800000u) return 0;
  const int scale = 150 - biased;  // 1 to 43
  const std::uint64_t unit = std::uint64_t{1} << scale;
  std::uint64_t rest = significand & (unit - 1);
  std::uint64_t pow10 = 1;
  char fraction[15];
  for (int k = 1; k <= 15; ++k) {
    pow10 *= 10;
    rest *= 10;
    fraction[k - 1] = static_cast<char>('0' + (rest >> scale));
    rest &= unit - 1;
    // The nearest decimal: these digits, or one more in the last place.
    std::uint64_t distance = rest;
    const bool up = 2 * rest > unit;
    if (up) distance = unit - rest;
    if (2 * rest == unit || 2 * distance == pow10) return 0;
    if (2 * distance > pow10) continue;
    if (up) {
      // A carry would end the digits in a zero, which the shorter search
      // would have found; never taken, kept for safety.
      if (fraction[k - 1] == '9') return 0;
      ++fraction[k - 1];
    }
    const auto [end, ec] = std::to_chars(out, out + 16, std::uint64_t{significand} >> scale);
    KIVO_CHECK(ec == std::errc());
    char* p = end;
    *p++ = '.';
    std::memcpy(p, fraction, static_cast<std::size_t>(k));
    return static_cast<std::size_t>(p + k - out);
  }
  return 0;
}

// The decimal digits of 00 to 99, two by two.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

int decimal_length(std::uint32_t value) {
  static constexpr std::uint32_t kPow10[] = {1,      10,      100,      1000,      10000,
                                             100000, 1000000, 10000000, 100000000, 1000000000};
  // Zero has one digit, as one does (and no power of ten lies between them).
  value |= 1;
  // 1233 / 4096 is just above log10(2): the number has t or t + 1 digits.
  const int bits = 32 - std::countl_zero(value);
  const int t = (bits * 1233) >> 12;
  return t + (value >= kPow10[t] ? 1 : 0);
}

// Writes the decimal digits of value (at most ten) and returns the end.
char* put_u32(char* to, std::uint32_t value) {
  char* const end = to + decimal_length(value);
  char* p = end;
  while (value >= 100) {
    p -= 2;
    std::memcpy(p, &kDigitPairs[2 * (value % 100)], 2);
    value /= 100;
  }
  if (value >= 10) {
    std::memcpy(p - 2, &kDigitPairs[2 * value], 2);
  } else {
    p[-1] = static_cast<char>('0' + value);
  }
  return end;
}

// The F form of a value that is not a whole number from 0 to 2^24 (see
// f32_chars).
[[gnu::noinline]] std::size_t general_f32_chars(float value, char* buffer);

}  // namespace

Result<void, IoError> write_string(std::string_view text, Output& out) {
  KIVO_TRY(out.write("\""));
  while (!text.empty()) {
    const std::size_t run = plain_run(text);
    if (run > 0) {
      KIVO_TRY(out.write(text.substr(0, run)));
      text.remove_prefix(run);
      continue;
    }
    char escape[6];
    const std::size_t length = escape_of(static_cast<unsigned char>(text.front()), escape);
    KIVO_TRY(out.write(std::string_view(escape, length)));
    text.remove_prefix(1);
  }
  return out.write("\"");
}

void append_string(std::string& text, std::string_view value) {
  text.push_back('"');
  while (!value.empty()) {
    const std::size_t run = plain_run(value);
    if (run > 0) {
      text.append(value.data(), run);
      value.remove_prefix(run);
      continue;
    }
    char escape[6];
    text.append(escape, escape_of(static_cast<unsigned char>(value.front()), escape));
    value.remove_prefix(1);
  }
  text.push_back('"');
}

std::size_t f32_chars(float value, char* buffer) {
  // A whole number from +0 to below 2^24 (the most frequent values by far:
  // zero and whole pixels) is its integer digits, found without the general
  // search; a float whose bits lie below that bound is finite and not negative.
  if (std::bit_cast<std::uint32_t>(value) < std::bit_cast<std::uint32_t>(16777216.0f)) {
    const auto whole = static_cast<std::uint32_t>(value);
    if (static_cast<float>(whole) == value) return static_cast<std::size_t>(put_u32(buffer, whole) - buffer);
  }
  return general_f32_chars(value, buffer);
}

namespace {

std::size_t general_f32_chars(float value, char* buffer) {
  KIVO_CHECK(std::isfinite(value));
  char* out = buffer;
  if (std::signbit(value)) *out++ = '-';
  // Zero is the most frequent value of all (margins, paddings, gaps).
  if (value == 0) {
    *out++ = '0';
    return static_cast<std::size_t>(out - buffer);
  }
  const float magnitude = std::fabs(value);
  // Below 2^24 every whole number is a float of its own, so its shortest
  // round-trip digits are all of its decimal digits: the integer form is the
  // same text, found without the general digit search. Zero is "0" or "-0".
  if (magnitude < 16777216.0f) {
    const auto whole = static_cast<std::uint32_t>(magnitude);
    if (static_cast<float>(whole) == magnitude) return static_cast<std::size_t>(put_u32(out, whole) - buffer);
  }
  if (const std::size_t length = dyadic_chars(magnitude, out); length > 0) {
    return static_cast<std::size_t>(out - buffer) + length;
  }
  if (const std::size_t length = fixed_chars(magnitude, out); length > 0) {
    return static_cast<std::size_t>(out - buffer) + length;
  }
  // The shortest round-trip digits come from the scientific form; they are then
  // laid out positionally, padded with zeros, never with an exponent.
  char sci[32];
  const auto [sci_end, ec] = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific);
  KIVO_CHECK(ec == std::errc());
  const std::string_view text(sci, static_cast<std::size_t>(sci_end - sci));
  const std::size_t e_pos = text.find('e');
  KIVO_CHECK(e_pos != std::string_view::npos);
  char digits[16];
  int count = 0;
  for (char c : text.substr(0, e_pos)) {
    if (c != '.') {
      KIVO_CHECK(count < static_cast<int>(sizeof digits));
      digits[count++] = c;
    }
  }
  int exponent = 0;
  const std::string_view exp_text = text.substr(e_pos + 1);
  const char* exp_begin = exp_text.data() + (exp_text.front() == '+' ? 1 : 0);
  std::from_chars(exp_begin, exp_text.data() + exp_text.size(), exponent);
  // The value is 0.d1d2d3... times ten to the (exponent + 1).
  const int point = exponent + 1;
  KIVO_CHECK(point > -64 && point < 64);
  if (point <= 0) {
    *out++ = '0';
    *out++ = '.';
    std::memset(out, '0', static_cast<std::size_t>(-point));
    out += -point;
    std::memcpy(out, digits, static_cast<std::size_t>(count));
    out += count;
  } else if (point >= count) {
    std::memcpy(out, digits, static_cast<std::size_t>(count));
    out += count;
    std::memset(out, '0', static_cast<std::size_t>(point - count));
    out += point - count;
  } else {
    std::memcpy(out, digits, static_cast<std::size_t>(point));
    out += point;
    *out++ = '.';
    std::memcpy(out, digits + point, static_cast<std::size_t>(count - point));
    out += count - point;
  }
  KIVO_CHECK(out <= buffer + kF32TextCapacity);
  return static_cast<std::size_t>(out - buffer);
}

}  // namespace

std::string f32_text(float value) {
  char buffer[kF32TextCapacity];
  return std::string(buffer, f32_chars(value, buffer));
}

void append_f32(std::string& text, float value) {
  char buffer[kF32TextCapacity];
  text.append(buffer, f32_chars(value, buffer));
}

Result<void, IoError> write_f32(float value, Output& out) {
  char buffer[kF32TextCapacity];
  return out.write(std::string_view(buffer, f32_chars(value, buffer)));
}

void append_u64(std::string& text, std::uint64_t value) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  KIVO_CHECK(ec == std::errc());
  text.append(buffer, static_cast<std::size_t>(end - buffer));
}

void append_i32(std::string& text, std::int32_t value) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  KIVO_CHECK(ec == std::errc());
  text.append(buffer, static_cast<std::size_t>(end - buffer));
}

Result<void, IoError> write_u64(std::uint64_t value, Output& out) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  KIVO_CHECK(ec == std::errc());
  return out.write(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

Result<void, IoError> write_i32(std::int32_t value, Output& out) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  KIVO_CHECK(ec == std::errc());
  return out.write(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

Result<void, IoError> write_bool(bool value, Output& out) { return out.write(value ? "true" : "false"); }

Result<void, IoError> Batch::pass_all() {
  if (m_used == 0) return {};
  auto r = m_out.write_piece(m_buffer, m_used, m_capacity);
  m_used = 0;
  // A piece the output kept without handing back another is replaced by a
  // fresh one.
  if (!m_buffer) m_buffer.reset(new char[m_capacity]);
  return r;
}

void Batch::grow(std::size_t more) {
  const std::size_t capacity = std::max(m_capacity * 2, m_used + more);
  std::unique_ptr<char[]> larger(new char[capacity]);
  std::memcpy(larger.get(), m_buffer.get(), m_used);
  m_buffer = std::move(larger);
  m_capacity = capacity;
}

void append_string(Batch& batch, std::string_view value) {
  // Most strings need no escape: both quotes and the bytes in one piece.
  if (const std::size_t run = plain_run(value); run == value.size()) {
    char* to = batch.room(run + 2);
    to[0] = '"';
    Batch::copy_bytes(to + 1, value.data(), run);
    to[run + 1] = '"';
    batch.advance(run + 2);
    return;
  }
  batch.put('"');
  while (!value.empty()) {
    const std::size_t run = plain_run(value);
    if (run > 0) {
      batch.put(value.substr(0, run));
      value.remove_prefix(run);
      continue;
    }
    char escape[6];
    batch.put(std::string_view(escape, escape_of(static_cast<unsigned char>(value.front()), escape)));
    value.remove_prefix(1);
  }
  batch.put('"');
}

void append_u64(Batch& batch, std::uint64_t value) {
  constexpr std::size_t kRoom = 24;
  char* to = batch.room(kRoom);
  // Colours and ids fit in 32 bits, whose digits come two at a time.
  if (value <= UINT32_MAX) {
    batch.advance(static_cast<std::size_t>(put_u32(to, static_cast<std::uint32_t>(value)) - to));
    return;
  }
  const auto [end, ec] = std::to_chars(to, to + kRoom, value);
  KIVO_CHECK(ec == std::errc());
  batch.advance(static_cast<std::size_t>(end - to));
}

void append_i32(Batch& batch, std::int32_t value) {
  constexpr std::size_t kRoom = 24;
  char* to = batch.room(kRoom);
  char* p = to;
  if (value < 0) *p++ = '-';
  // The magnitude in unsigned arithmetic, so that INT32_MIN needs no care.
  const std::uint32_t magnitude =
      value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  batch.advance(static_cast<std::size_t>(put_u32(p, magnitude) - to));
}

}  // namespace kivo_json
