#include "dom/float_parse.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

#include "dom/text.h"

namespace kivo_dom {
namespace {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Where a validated number's first significant digit stands: its decimal
// exponent (0 for a value in [1, 10)), or all_zero when there is none.
struct Shape {
  bool all_zero = true;
  std::int64_t leading_exponent = 0;
};

// The written exponent, saturated so that absurdly long exponents cannot
// overflow; any value past the cap is already far out of a float's range.
std::int64_t saturating_exponent(std::string_view digits, bool negative) {
  constexpr std::int64_t kCap = 1'000'000'000;
  std::int64_t value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > kCap) {
      value = kCap;
      break;
    }
  }
  return negative ? -value : value;
}

Shape shape_of(std::string_view integer, std::string_view fraction, std::int64_t exponent) {
  Shape shape;
  for (std::size_t i = 0; i < integer.size(); ++i) {
    if (integer[i] != '0') {
      shape.all_zero = false;
      shape.leading_exponent = static_cast<std::int64_t>(integer.size() - i - 1) + exponent;
      return shape;
    }
  }
  for (std::size_t i = 0; i < fraction.size(); ++i) {
    if (fraction[i] != '0') {
      shape.all_zero = false;
      shape.leading_exponent = exponent - static_cast<std::int64_t>(i + 1);
      return shape;
    }
  }
  return shape;
}

// Matches inf, infinity and nan in any letter case.
bool is_word(std::string_view text, std::string_view word) {
  return text::ascii_equal_ignore_case(text, word);
}

}  // namespace

Result<float, std::string> parse_f32(std::string_view text) {
  if (text.empty()) return err(std::string(kEmptyFloatText));
  const auto invalid = [] { return err(std::string(kInvalidFloatText)); };

  std::string_view rest = text;
  bool negative = false;
  if (rest.front() == '+' || rest.front() == '-') {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  if (rest.empty()) return invalid();

  if (is_word(rest, "inf") || is_word(rest, "infinity")) {
    const float inf = std::numeric_limits<float>::infinity();
    return negative ? -inf : inf;
  }
  if (is_word(rest, "nan")) {
    return std::copysign(std::numeric_limits<float>::quiet_NaN(), negative ? -1.0f : 1.0f);
  }

  // Split the number into its integer digits, fraction digits and exponent.
  std::size_t i = 0;
  while (i < rest.size() && is_digit(rest[i])) ++i;
  const std::string_view integer = rest.substr(0, i);
  std::string_view fraction;
  if (i < rest.size() && rest[i] == '.') {
    const std::size_t start = ++i;
    while (i < rest.size() && is_digit(rest[i])) ++i;
    fraction = rest.substr(start, i - start);
  }
  if (integer.empty() && fraction.empty()) return invalid();
  std::int64_t exponent = 0;
  if (i < rest.size() && (rest[i] == 'e' || rest[i] == 'E')) {
    ++i;
    bool exponent_negative = false;
    if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) {
      exponent_negative = rest[i] == '-';
      ++i;
    }
    const std::size_t start = i;
    while (i < rest.size() && is_digit(rest[i])) ++i;
    if (i == start) return invalid();
    exponent = saturating_exponent(rest.substr(start, i - start), exponent_negative);
  }
  if (i != rest.size()) return invalid();

  const Shape shape = shape_of(integer, fraction, exponent);
  const float sign = negative ? -1.0f : 1.0f;
  if (shape.all_zero) return std::copysign(0.0f, sign);

  // The text is now known to be a plain decimal number that the library reads
  // with correct rounding; only the sign was taken off.
  float magnitude = 0.0f;
  const char* begin = rest.data();
  const char* end = rest.data() + rest.size();
  const auto [ptr, ec] = std::from_chars(begin, end, magnitude, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Out of range means past the largest float or below half the smallest
    // one; the position of the first significant digit tells which.
    magnitude = shape.leading_exponent > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
  } else {
    KIVO_CHECK(ec == std::errc() && ptr == end);
  }
  return std::copysign(magnitude, sign);
}

}  // namespace kivo_dom
