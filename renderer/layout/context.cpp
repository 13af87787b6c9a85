#include "layout/context.h"

#include <charconv>
#include <limits>
#include <system_error>
#include <utility>

#include "dom/text.h"

namespace kivo_layout {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Decides the direction of a value too large or too small for a float: the
// decimal exponent of its first significant digit is at least 0 for an
// overflow and negative for an underflow. The text is an already validated
// unsigned decimal number.
bool overflows(std::string_view text) {
  std::size_t i = 0;
  long long position = 0;  // decimal exponent of the first significant digit
  bool found = false;
  bool after_point = false;
  long long integer_digits = 0;
  long long leading_fraction_zeros = 0;
  for (; i < text.size() && (is_digit(text[i]) || text[i] == '.'); ++i) {
    const char c = text[i];
    if (c == '.') {
      after_point = true;
      continue;
    }
    if (!found && c == '0') {
      if (after_point) ++leading_fraction_zeros;
      continue;
    }
    if (!found) found = true;
    if (!after_point) ++integer_digits;
  }
  if (!found) return false;
  position = integer_digits > 0 ? integer_digits - 1 : -(leading_fraction_zeros + 1);
  long long exponent = 0;
  if (i < text.size()) {
    ++i;  // the letter e
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    for (; i < text.size(); ++i) {
      // Saturates: any exponent beyond a billion decides the direction alone.
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return position + exponent >= 0;
}

}  // namespace

float line_height(const kivo_style::Style& style) {
  const float base = style.line_height.kind == kivo_style::LineHeight::Number
                         ? style.line_height.value * style.font_size
                         : style.line_height.value;
  return max_f(base, style.font_size);
}

std::optional<float> parse_attribute_f32(std::string_view text) {
  bool negative = false;
  std::string_view rest = text;
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  using kivo_dom::text::ascii_equal_ignore_case;
  if (ascii_equal_ignore_case(rest, "inf") || ascii_equal_ignore_case(rest, "infinity")) {
    return negative ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
  }
  if (ascii_equal_ignore_case(rest, "nan")) return std::numeric_limits<float>::quiet_NaN();

  // Digits with at most one point and at least one digit, then an optional
  // exponent with at least one digit; nothing else.
  std::size_t i = 0;
  std::size_t digits = 0;
  bool point = false;
  for (; i < rest.size(); ++i) {
    if (is_digit(rest[i])) {
      ++digits;
    } else if (rest[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < rest.size()) {
    if (rest[i] != 'e' && rest[i] != 'E') return std::nullopt;
    ++i;
    if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) ++i;
    std::size_t exponent_digits = 0;
    for (; i < rest.size() && is_digit(rest[i]); ++i) ++exponent_digits;
    if (exponent_digits == 0 || i != rest.size()) return std::nullopt;
  }

  float value = 0;
  const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    value = overflows(rest) ? std::numeric_limits<float>::infinity() : 0.0f;
  } else if (ec != std::errc() || end != rest.data() + rest.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

Context::Context(const kivo_dom::Document& document_, const kivo_style::StyledDocument& styles_,
                 TextMeasurer& measurer_, const ImageTable& images_, float viewport_width)
    : document(document_), images(images_), styles(styles_), measurer(measurer_) {
  scene.width = viewport_width;
  scene.height = 0;
}

LayoutResult<const kivo_style::Style*> Context::style(kivo_dom::NodeId node) const {
  const auto found = styles.styles.find(node);
  if (found == styles.styles.end()) return kivo_dom::err(layout_error(kMissingStyleError));
  return &found->second;
}

LayoutResult<const kivo_dom::Node*> Context::find_node(kivo_dom::NodeId node) const {
  if (!document.contains(node)) return kivo_dom::err(layout_error(kMissingNodeError));
  return &document.node(node);
}

void Context::anchor(kivo_dom::NodeId node, std::string_view name, float y) {
  if (scene.anchors.find(name) != scene.anchors.end()) return;
  scene.anchors.emplace(std::string(name), y);
  anchor_owners.emplace(std::string(name), node);
}

LayoutResult<void> Context::push(Paint paint) {
  // 1. Refuse a paint beyond the count limit.
  if (scene.paints.size() >= kMaxPaints) return kivo_dom::err(layout_error(kPaintCountError));
  // 2. Count its data before testing the budget.
  std::uint64_t bytes = kPaintBaseBytes + (paint.href ? paint.href->size() : 0);
  if (const Paint::Text* run = paint.as_text()) bytes += run->text.size();
  if (const Paint::Image* image = paint.as_image()) bytes += image->alt.size();
  paint_bytes += bytes;
  // 3. Refuse it when the data total now exceeds the budget.
  if (paint_bytes > kMaxPaintBytes) return kivo_dom::err(layout_error(kPaintBytesError));
  // 4. Append it.
  scene.paints.push_back(std::move(paint));
  return {};
}

LayoutResult<void> Context::paint_text(std::string_view text, const kivo_style::Style& style, LineBox& line,
                                       std::optional<std::string_view> link, float width) {
  // 1. No run may start below the height limit.
  if (line.y > kMaxDocumentHeight) return kivo_dom::err(layout_error(kHeightError));
  // 2. Push the run at the cursor.
  const float height = line_height(style);
  const Rect rect{line.x + line.cursor, line.y, width, height};
  std::optional<std::string> href;
  if (link) href.emplace(*link);
  if (auto pushed = push(Paint::text_run(rect, std::string(text), style.font_size, style.bold, style.color,
                                         std::move(href)));
      !pushed) {
    return pushed;
  }
  // 3. Advance the line and widen the page to the run's right edge.
  line.cursor = line.cursor + width;
  line.height = max_f(line.height, height);
  scene.width = max_f(scene.width, rect.x + width);
  return {};
}

}  // namespace kivo_layout
