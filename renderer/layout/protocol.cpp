#include "protocol.h"

#include <charconv>
#include <cmath>

namespace kivo_layout::protocol {

Result<void, IoError> write_string(std::string_view text, Output& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  if (auto r = out.write("\""); !r) return r;
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const char* escape = nullptr;
    char unicode[6];
    switch (c) {
      case '"': escape = "\\\""; break;
      case '\\': escape = "\\\\"; break;
      case '\n': escape = "\\n"; break;
      case '\r': escape = "\\r"; break;
      case '\t': escape = "\\t"; break;
      default:
        if (c < 0x20) {
          unicode[0] = '\\';
          unicode[1] = 'u';
          unicode[2] = '0';
          unicode[3] = '0';
          unicode[4] = kHex[c >> 4];
          unicode[5] = kHex[c & 15];
        }
    }
    if (escape == nullptr && c >= 0x20) continue;
    if (i > run) {
      if (auto r = out.write(text.substr(run, i - run)); !r) return r;
    }
    if (auto r = out.write(escape ? std::string_view(escape) : std::string_view(unicode, 6)); !r) return r;
    run = i + 1;
  }
  if (text.size() > run) {
    if (auto r = out.write(text.substr(run)); !r) return r;
  }
  return out.write("\"");
}

std::string f32_text(float value) {
  KIVO_CHECK(std::isfinite(value));
  // The shortest round-trip digits come from the scientific form; they are then
  // laid out positionally, padded with zeros, never with an exponent.
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  KIVO_CHECK(ec == std::errc());
  const std::string_view sci(buffer, static_cast<std::size_t>(end - buffer));
  const std::size_t e_pos = sci.find('e');
  KIVO_CHECK(e_pos != std::string_view::npos);
  std::string_view mantissa = sci.substr(0, e_pos);
  std::string out;
  if (!mantissa.empty() && mantissa.front() == '-') {
    out.push_back('-');
    mantissa.remove_prefix(1);
  }
  std::string digits;
  for (char c : mantissa) {
    if (c != '.') digits.push_back(c);
  }
  int exponent = 0;
  const std::string_view exp_text = sci.substr(e_pos + 1);
  const char* exp_begin = exp_text.data() + (exp_text.front() == '+' ? 1 : 0);
  std::from_chars(exp_begin, exp_text.data() + exp_text.size(), exponent);
  if (digits == "0") {
    out.push_back('0');
    return out;
  }
  // The value is 0.d1d2d3... times ten to the (exponent + 1).
  const int point = exponent + 1;
  const int count = static_cast<int>(digits.size());
  if (point <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-point), '0');
    out += digits;
  } else if (point >= count) {
    out += digits;
    out.append(static_cast<std::size_t>(point - count), '0');
  } else {
    out.append(digits, 0, static_cast<std::size_t>(point));
    out.push_back('.');
    out.append(digits, static_cast<std::size_t>(point), std::string::npos);
  }
  return out;
}

Result<void, IoError> write_f32(float value, Output& out) { return out.write(f32_text(value)); }

Result<void, IoError> write_u64(std::uint64_t value, Output& out) {
  char buffer[24];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  KIVO_CHECK(ec == std::errc());
  return out.write(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

Result<void, IoError> write_i32(std::int32_t value, Output& out) {
  char buffer[16];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  KIVO_CHECK(ec == std::errc());
  return out.write(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

Result<void, IoError> write_bool(bool value, Output& out) { return out.write(value ? "true" : "false"); }

}  // namespace kivo_layout::protocol
