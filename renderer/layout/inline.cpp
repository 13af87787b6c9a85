#include "layout/inline.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "layout/block.h"
#include "layout/context.h"

namespace kivo_layout {

namespace {

using kivo_style::Display;
using kivo_style::Style;

std::optional<std::string> owned(std::optional<std::string_view> link) {
  if (!link) return std::nullopt;
  return std::string(*link);
}

// An img size attribute as the inline image reads it: a finite number above 0
// and at most 8,192, else absent.
std::optional<float> image_attribute(const kivo_dom::Node& element, std::string_view name) {
  const auto value = element.attribute(name);
  if (!value) return std::nullopt;
  const std::optional<float> parsed = parse_attribute_f32(*value);
  if (!parsed || !std::isfinite(*parsed) || !(*parsed > 0) || *parsed > kMaxImageExtent) return std::nullopt;
  return parsed;
}

}  // namespace

bool Segments::next(Segment& segment) {
  const std::size_t size = m_text.size();
  if (m_position >= size) return false;
  const std::size_t start = m_position;
  const auto byte = [this](std::size_t i) { return static_cast<unsigned char>(m_text[i]); };
  while (m_position < size && !kWhiteSpaceBits[byte(m_position)]) ++m_position;
  segment.word = m_text.substr(start, m_position - start);
  segment.trailing_space = m_position < size;
  while (m_position < size && kWhiteSpaceBits[byte(m_position)]) ++m_position;
  return true;
}

std::size_t utf8_sequence_length(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

LayoutResult<float> Context::measured(std::string_view text, float size, bool bold) {
  // 1. Count the request, cache hits included, and refuse it beyond the limit.
  measurements += 1;
  if (measurements > kMaxMeasurements) return kivo_dom::err(layout_error(kMeasurementLimitError));
  // 2. Ask the measurer; its own failure passes through unchanged.
  auto answer = measurer.width(text, size, bold);
  if (!answer) return kivo_dom::err(LayoutError{std::move(answer).error()});
  // 3. Refuse a width that no text can have.
  const float width = answer.value();
  if (!std::isfinite(width) || width < 0 || width > kMaxMeasuredWidth) {
    return kivo_dom::err(layout_error(kInvalidMeasurementError));
  }
  return width;
}

LayoutResult<void> Context::text(std::string_view characters, const Style& style, LineBox& line,
                                 std::optional<std::string_view> link) {
  const float size = style.font_size;
  const bool bold = style.bold;
  // Walk the text segment by segment.
  Segments segments(characters);
  Segment segment;
  while (segments.next(segment)) {
    // Leading white space only marks a pending space when the line holds something.
    if (segment.word.empty()) {
      line.space = line.cursor > 0;
      continue;
    }
    // Measure the word, then the space before it.
    KIVO_TRY_ASSIGN(const float w, measured(segment.word, size, bold));
    float space = 0;
    if (line.space && line.cursor > 0) {
      KIVO_TRY_ASSIGN(space, measured(" ", size, bold));
    }
    // Wrap when the word does not fit after the space; the space is dropped then.
    if (line.cursor > 0 && line.cursor + space + w > line.width) {
      line.break_line();
    } else {
      line.cursor = line.cursor + space;
    }
    if (w > max_f(line.width, 1)) {
      // A word too long for any line goes character by character.
      const std::string_view rest = segment.word;
      for (std::size_t i = 0; i < rest.size();) {
        const std::size_t length = std::min(utf8_sequence_length(static_cast<unsigned char>(rest[i])),
                                            rest.size() - i);
        const std::string_view character = rest.substr(i, length);
        i += length;
        KIVO_TRY_ASSIGN(const float cw, measured(character, size, bold));
        if (line.cursor > 0 && line.cursor + cw > line.width) line.break_line();
        KIVO_TRY(paint_text(character, style, line, link, cw));
      }
    } else {
      // The word as one run.
      KIVO_TRY(paint_text(segment.word, style, line, link, w));
    }
    // White space after the word leaves a pending space.
    line.space = false;
    if (segment.trailing_space) line.space = line.cursor > 0;
  }
  return {};
}

LayoutResult<void> Context::inline_node(kivo_dom::NodeId node, LineBox& line, std::size_t depth,
                                        std::optional<std::string_view> link) {
  // 1. Refuse nesting beyond the depth limit; skip what is not displayed.
  if (depth > kMaxLayoutDepth) return kivo_dom::err(layout_error(kDepthError));
  KIVO_TRY_ASSIGN(const Style* styled, style(node));
  const Style& s = *styled;
  if (s.display == Display::None) return {};

  // 2. Find the node.
  KIVO_TRY_ASSIGN(const kivo_dom::Node* found, find_node(node));
  const kivo_dom::Node& element = *found;

  // 3. Place it by kind and display.
  if (element.kind.is_document()) return {};
  if (const std::string* characters = element.kind.text_content()) return text(*characters, s, line, link);
  if (element.kind.is_element_named("img")) return inline_image(node, element, s, line, link);

  if (s.display == Display::Block || s.display == Display::Flex || s.display == Display::Grid) {
    // A block-level child stands below the current line; content after it starts a fresh line.
    line.break_line();
    // The style and node are at hand.
    KIVO_TRY(block_limits(depth, line.y));
    KIVO_TRY_ASSIGN(const float height,
                    styled_block(node, element, s, depth, link, std::nullopt, line.x, line.y, line.width));
    line.y = line.y + height;
    return {};
  }

  // An inline element: it draws nothing itself, its children flow on.
  if (auto id = element.attribute("id")) anchor(node, *id, line.y);
  if (element.kind.is_element_named("br")) {
    line.y = line.y + max_f(line.height, line_height(s));
    line.cursor = 0;
    line.height = 0;
    line.space = false;
    return {};
  }
  if (element.kind.is_element_named("a")) {
    if (auto href = element.attribute("href")) link = *href;
  }
  if (link && link->size() > kMaxLinkBytes) return kivo_dom::err(layout_error(kLinkError));
  for (const kivo_dom::NodeId child : element.children) {
    KIVO_TRY(inline_node(child, line, depth + 1, link));
  }
  return {};
}

LayoutResult<void> Context::inline_image(kivo_dom::NodeId node, const kivo_dom::Node& element, const Style& s,
                                         LineBox& line, std::optional<std::string_view> link) {
  const float available = line.width;
  const auto alt = element.attribute("alt");

  // 1. Without a delivered image only the alternative text is placed.
  const auto image = images.find(node);
  if (image == images.end()) {
    if (alt) return text(*alt, s, line, link);
    return {};
  }

  // 2. The size: style, then attributes, then the natural size; limits keep the aspect ratio.
  const ImageSize& natural = image->second;
  KIVO_CHECK(natural.width > 0 && natural.height > 0);
  float w = natural.width;
  if (s.width) {
    w = resolve_length(*s.width, available);
  } else if (auto attribute = image_attribute(element, "width")) {
    w = *attribute;
  }
  float h = 0;
  if (s.height) {
    h = *s.height;
  } else if (auto attribute = image_attribute(element, "height")) {
    h = *attribute;
  } else {
    h = natural.height * w / natural.width;
  }
  float widest = s.max_width ? min_f(resolve_length(*s.max_width, available), available) : available;
  widest = max_f(widest, 0);
  if (h > kMaxImageExtent) {
    w = w * kMaxImageExtent / h;
    h = kMaxImageExtent;
  }
  if (w > widest) {
    h = h * widest / w;
    w = widest;
  }

  // 3. A block image stands on its own line; an inline one wraps when it does not fit.
  const bool block = s.display == Display::Block;
  if (block) {
    line.break_line();
  } else if (line.cursor > 0 && line.cursor + w > available) {
    line.break_line();
  }

  // 4. Record its box and anchor.
  const Rect rect{line.x + line.cursor, line.y, w, h};
  scene.bounds.insert_or_assign(node, rect);
  if (auto id = element.attribute("id")) anchor(node, *id, line.y);

  // 5. Paint it; its link was tested where it was taken up.
  KIVO_TRY(push(Paint::image(rect, natural.id, alt ? std::string(*alt) : std::string(), owned(link))));

  // 6. Advance the line; a block image ends it again.
  line.cursor = line.cursor + w;
  line.height = max_f(line.height, h);
  line.space = false;
  if (block) line.break_line();
  return {};
}

}  // namespace kivo_layout
