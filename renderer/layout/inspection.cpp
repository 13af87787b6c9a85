#include "layout/inspection.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "layout/protocol.h"
#include "layout/scene.h"
#include "style/cascade.h"

// Returns early from the enclosing writer with the first write error.
#define KIVO_TRY_WRITE(expr)              \
  do {                                    \
    if (auto r_ = (expr); !r_) return r_; \
  } while (false)

namespace kivo_layout::inspection {

namespace {

// The used line height: a multiplier of the font size or pixels, never below the font size.
float line_height_px(const kivo_style::Style& s) {
  const float value =
      s.line_height.kind == kivo_style::LineHeight::Number ? s.line_height.value * s.font_size : s.line_height.value;
  return std::max(value, s.font_size);
}

struct Entry {
  kivo_dom::NodeId node;
  std::int32_t depth = 0;
};

// The style record of a node, or nullptr when the cascade gave it none.
const kivo_style::Style* style_of(const kivo_style::StyledDocument& styled, kivo_dom::NodeId node) {
  return styled.find(node);
}

bool style_is_finite(const kivo_style::Style& s) {
  const auto finite_length = [](const std::optional<kivo_style::Length>& l) {
    return !l || std::isfinite(l->value);
  };
  bool finite = std::isfinite(s.font_size) && std::isfinite(s.line_height.value) &&
                std::isfinite(s.border_width) && std::isfinite(s.border_radius) && std::isfinite(s.min_height) &&
                std::isfinite(s.flex_grow) && std::isfinite(s.flex_shrink) && std::isfinite(s.gap[0]) &&
                std::isfinite(s.gap[1]) && finite_length(s.width) && finite_length(s.max_width) &&
                finite_length(s.min_width) && finite_length(s.flex_basis) && (!s.height || std::isfinite(*s.height));
  for (std::size_t i = 0; i < 4; ++i) finite = finite && std::isfinite(s.margin[i]) && std::isfinite(s.padding[i]);
  for (const auto& track : s.grid_template_columns) finite = finite && std::isfinite(track.value);
  // The line height is a product and may overflow even when its factors are finite.
  return finite && std::isfinite(line_height_px(s));
}

std::string px(float value) { return protocol::f32_text(value) + "px"; }

std::string optional_length(const std::optional<kivo_style::Length>& value, std::string_view absent) {
  return value ? length(*value) : std::string(absent);
}

std::string margin(const kivo_style::Style& s, std::size_t edge) {
  return s.margin_auto[edge] ? std::string("auto") : px(s.margin[edge]);
}

std::string display_text(kivo_style::Display display) {
  switch (display) {
    case kivo_style::Display::Block: return "block";
    case kivo_style::Display::Inline: return "inline";
    case kivo_style::Display::Flex: return "flex";
    case kivo_style::Display::Grid: return "grid";
    case kivo_style::Display::None: return "none";
  }
  KIVO_CHECK(false);
  return {};
}

std::string tracks_text(const std::vector<kivo_style::Track>& tracks) {
  std::string text;
  for (const auto& track : tracks) {
    if (!text.empty()) text.push_back(' ');
    text += protocol::f32_text(track.value);
    text += track.kind == kivo_style::Track::Fr ? "fr" : "px";
  }
  return text;
}

Result<void, IoError> write_node(const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                                 const Scene& scene, const Entry& entry, std::int32_t id,
                                 const std::unordered_map<kivo_dom::NodeId, std::int32_t>& ids, Output& out) {
  const kivo_dom::Node& node = document.node(entry.node);
  KIVO_TRY_WRITE(out.write("{\"id\":"));
  KIVO_TRY_WRITE(protocol::write_i32(id, out));
  KIVO_TRY_WRITE(out.write(",\"depth\":"));
  KIVO_TRY_WRITE(protocol::write_i32(entry.depth, out));
  KIVO_TRY_WRITE(out.write(",\"parent\":"));
  const auto parent_id = node.parent ? ids.find(*node.parent) : ids.end();
  if (parent_id == ids.end()) {
    KIVO_TRY_WRITE(out.write("null"));
  } else {
    KIVO_TRY_WRITE(protocol::write_i32(parent_id->second, out));
  }

  KIVO_TRY_WRITE(out.write(",\"name\":"));
  std::string_view text;
  if (node.kind.is_document()) {
    KIVO_TRY_WRITE(protocol::write_string("#document", out));
  } else if (node.kind.is_text()) {
    KIVO_TRY_WRITE(protocol::write_string("#text", out));
    text = cut_chars(node.kind.data, kMaxTextChars);
  } else {
    KIVO_TRY_WRITE(protocol::write_string(node.kind.data, out));
  }
  KIVO_TRY_WRITE(out.write(",\"text\":"));
  KIVO_TRY_WRITE(protocol::write_string(text, out));

  // The attribute map is already ordered by the bytes of the names.
  KIVO_TRY_WRITE(out.write(",\"attributes\":{"));
  bool first = true;
  for (const auto& [name, value] : node.attributes) {
    if (!first) KIVO_TRY_WRITE(out.write(","));
    first = false;
    KIVO_TRY_WRITE(protocol::write_string(name, out));
    KIVO_TRY_WRITE(out.write(":"));
    KIVO_TRY_WRITE(protocol::write_string(cut_chars(value, kMaxAttributeValueChars), out));
  }

  KIVO_TRY_WRITE(out.write("},\"computed\":"));
  KIVO_TRY_WRITE(write_computed(style_of(styled, entry.node), out));

  KIVO_TRY_WRITE(out.write(",\"bounds\":"));
  const auto bounds = scene.bounds.find(entry.node);
  if (bounds == scene.bounds.end()) {
    KIVO_TRY_WRITE(out.write("null"));
  } else {
    KIVO_TRY_WRITE(out.write("{"));
    KIVO_TRY_WRITE(protocol::rect(bounds->second, out));
    KIVO_TRY_WRITE(out.write("}"));
  }
  return out.write("}");
}

}  // namespace

Result<void, IoError> write_nodes(const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                                  const Scene& scene, Output& out) {
  // 1. Open the array.
  KIVO_TRY_WRITE(out.write(",\"nodes\":["));
  // 2. Start from the root with nothing written.
  std::vector<Entry> stack{Entry{document.root(), 0}};
  std::unordered_map<kivo_dom::NodeId, std::int32_t> ids;
  std::int32_t count = 0;
  // 3. Write nodes in pre-order until the stack is empty or the cap is reached.
  while (!stack.empty() && static_cast<std::size_t>(count) < kMaxNodes) {
    const Entry entry = stack.back();
    stack.pop_back();
    // 4. An entry that names no node of this document is skipped without an id.
    if (!document.contains(entry.node)) continue;
    // 5. Write the node under the next output id.
    if (count >= 1) KIVO_TRY_WRITE(out.write(","));
    ids.emplace(entry.node, count);
    KIVO_TRY_WRITE(write_node(document, styled, scene, entry, count, ids, out));
    // 6. Push the children last first, so the first child is taken next.
    const auto& children = document.node(entry.node).children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(Entry{*it, entry.depth + 1});
    ++count;
  }
  // 7. Close the array and tell whether entries were left.
  KIVO_TRY_WRITE(out.write("],\"inspectorTruncated\":"));
  return protocol::write_bool(!stack.empty(), out);
}

Result<void, IoError> write_computed(const kivo_style::Style* style, Output& out) {
  if (style == nullptr) return out.write("{}");
  const kivo_style::Style& s = *style;
  if (!style_is_finite(s)) return kivo_dom::err(non_finite_number_error());
  const std::pair<std::string_view, std::string> entries[] = {
      {"display", display_text(s.display)},
      {"color", color_text(s.color)},
      {"background-color", color_text(s.background_color)},
      {"font-size", px(s.font_size)},
      {"width", optional_length(s.width, "auto")},
      {"max-width", optional_length(s.max_width, "none")},
      {"height", s.height ? px(*s.height) : std::string("auto")},
      {"min-height", px(s.min_height)},
      {"min-width", optional_length(s.min_width, "auto")},
      {"flex-direction", s.flex_direction == kivo_style::FlexDirection::Column ? "column" : "row"},
      {"flex-wrap", s.flex_wrap == kivo_style::FlexWrap::Wrap ? "wrap" : "nowrap"},
      {"flex-grow", protocol::f32_text(s.flex_grow)},
      {"flex-shrink", protocol::f32_text(s.flex_shrink)},
      {"flex-basis", optional_length(s.flex_basis, "auto")},
      {"row-gap", px(s.gap[0])},
      {"column-gap", px(s.gap[1])},
      {"grid-template-columns", tracks_text(s.grid_template_columns)},
      {"font-weight", s.bold ? "700" : "400"},
      {"line-height", px(line_height_px(s))},
      {"border", px(s.border_width) + " solid " + color_text(s.border_color)},
      {"border-radius", px(s.border_radius)},
      {"box-sizing", s.box_sizing == kivo_style::BoxSizing::BorderBox ? "border-box" : "content-box"},
      {"margin-top", margin(s, 0)},
      {"padding-top", px(s.padding[0])},
      {"margin-right", margin(s, 1)},
      {"padding-right", px(s.padding[1])},
      {"margin-bottom", margin(s, 2)},
      {"padding-bottom", px(s.padding[2])},
      {"margin-left", margin(s, 3)},
      {"padding-left", px(s.padding[3])},
  };
  KIVO_TRY_WRITE(out.write("{"));
  bool first = true;
  for (const auto& [key, value] : entries) {
    if (!first) KIVO_TRY_WRITE(out.write(","));
    first = false;
    KIVO_TRY_WRITE(protocol::write_string(key, out));
    KIVO_TRY_WRITE(out.write(":"));
    KIVO_TRY_WRITE(protocol::write_string(value, out));
  }
  return out.write("}");
}

std::string length(const kivo_style::Length& length) {
  return protocol::f32_text(length.value) + (length.kind == kivo_style::Length::Percent ? "%" : "px");
}

std::string_view cut_chars(std::string_view text, std::size_t max_chars) {
  // Each scalar starts at a byte that is not a continuation byte (10xxxxxx).
  std::size_t starts = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (starts == max_chars) return text.substr(0, i);
    ++starts;
  }
  return text;
}

std::string color_text(std::uint32_t color) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(9, '#');
  for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(8 - i)] = kHex[(color >> (4 * i)) & 15];
  return out;
}

}  // namespace kivo_layout::inspection
