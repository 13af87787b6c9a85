#include "engine/node_report.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/scene_json.h"
#include "style/cascade.h"

namespace kivo_engine::inspection {

using kivo_json::Output;
using kivo_layout::Scene;
using kivo_style::Edge;
using scene_json::append_rect;
using scene_json::non_finite_number_error;
using namespace std::string_view_literals;

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

// The appenders below write the values of the computed entries. Every value
// is ASCII without quotes, backslashes or controls (numbers, units, keywords,
// hexadecimal colours), so it goes into its JSON string as it is.

void append_px(kivo_json::Batch& text, float value) {
  kivo_json::append_f32(text, value);
  text.put("px"sv);
}

void append_length(kivo_json::Batch& text, const kivo_style::Length& length) {
  kivo_json::append_f32(text, length.value);
  text.put(length.kind == kivo_style::Length::Percent ? "%"sv : "px"sv);
}

void append_optional_length(kivo_json::Batch& text, const std::optional<kivo_style::Length>& value,
                            std::string_view absent) {
  if (value) {
    append_length(text, *value);
  } else {
    text.put(absent);
  }
}

void append_margin(kivo_json::Batch& text, const kivo_style::Style& s, Edge which) {
  if (edge(s.margin_auto, which)) {
    text.put("auto"sv);
  } else {
    append_px(text, edge(s.margin, which));
  }
}

void append_color(kivo_json::Batch& text, std::uint32_t color) {
  static constexpr char kHex[] = "0123456789abcdef";
  char digits[9];
  digits[0] = '#';
  for (int i = 0; i < 8; ++i) digits[8 - i] = kHex[(color >> (4 * i)) & 15];
  text.put(std::string_view(digits, sizeof digits));
}

std::string_view display_text(kivo_style::Display display) {
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

void append_tracks(kivo_json::Batch& text, const std::vector<kivo_style::Track>& tracks) {
  bool first = true;
  for (const auto& track : tracks) {
    if (!first) text.put(' ');
    first = false;
    kivo_json::append_f32(text, track.value);
    text.put(track.kind == kivo_style::Track::Fr ? "fr"sv : "px"sv);
  }
}

// Appends the "computed" object of a style whose numbers are all finite: the
// 30 entries in their fixed order, each key with its quotes and colon written
// as one constant piece.
void append_computed(kivo_json::Batch& text, const kivo_style::Style& s) {
  text.put("{\"display\":\""sv);
  text.put(display_text(s.display));
  text.put("\",\"color\":\""sv);
  append_color(text, s.color);
  text.put("\",\"background-color\":\""sv);
  append_color(text, s.background_color);
  text.put("\",\"font-size\":\""sv);
  append_px(text, s.font_size);
  text.put("\",\"width\":\""sv);
  append_optional_length(text, s.width, "auto");
  text.put("\",\"max-width\":\""sv);
  append_optional_length(text, s.max_width, "none");
  text.put("\",\"height\":\""sv);
  if (s.height) {
    append_px(text, *s.height);
  } else {
    text.put("auto"sv);
  }
  text.put("\",\"min-height\":\""sv);
  append_px(text, s.min_height);
  text.put("\",\"min-width\":\""sv);
  append_optional_length(text, s.min_width, "auto");
  text.put("\",\"flex-direction\":\""sv);
  text.put(s.flex_direction == kivo_style::FlexDirection::Column ? "column"sv : "row"sv);
  text.put("\",\"flex-wrap\":\""sv);
  text.put(s.flex_wrap == kivo_style::FlexWrap::Wrap ? "wrap"sv : "nowrap"sv);
  text.put("\",\"flex-grow\":\""sv);
  kivo_json::append_f32(text, s.flex_grow);
  text.put("\",\"flex-shrink\":\""sv);
  kivo_json::append_f32(text, s.flex_shrink);
  text.put("\",\"flex-basis\":\""sv);
  append_optional_length(text, s.flex_basis, "auto");
  text.put("\",\"row-gap\":\""sv);
  append_px(text, s.gap[0]);
  text.put("\",\"column-gap\":\""sv);
  append_px(text, s.gap[1]);
  text.put("\",\"grid-template-columns\":\""sv);
  append_tracks(text, s.grid_template_columns);
  text.put("\",\"font-weight\":\""sv);
  text.put(s.bold ? "700"sv : "400"sv);
  text.put("\",\"line-height\":\""sv);
  append_px(text, line_height_px(s));
  text.put("\",\"border\":\""sv);
  append_px(text, s.border_width);
  text.put(" solid "sv);
  append_color(text, s.border_color);
  text.put("\",\"border-radius\":\""sv);
  append_px(text, s.border_radius);
  text.put("\",\"box-sizing\":\""sv);
  text.put(s.box_sizing == kivo_style::BoxSizing::BorderBox ? "border-box"sv : "content-box"sv);
  text.put("\",\"margin-top\":\""sv);
  append_margin(text, s, Edge::Top);
  text.put("\",\"padding-top\":\""sv);
  append_px(text, edge(s.padding, Edge::Top));
  text.put("\",\"margin-right\":\""sv);
  append_margin(text, s, Edge::Right);
  text.put("\",\"padding-right\":\""sv);
  append_px(text, edge(s.padding, Edge::Right));
  text.put("\",\"margin-bottom\":\""sv);
  append_margin(text, s, Edge::Bottom);
  text.put("\",\"padding-bottom\":\""sv);
  append_px(text, edge(s.padding, Edge::Bottom));
  text.put("\",\"margin-left\":\""sv);
  append_margin(text, s, Edge::Left);
  text.put("\",\"padding-left\":\""sv);
  append_px(text, edge(s.padding, Edge::Left));
  text.put("\"}"sv);
}

// Equal floats by their bits: 0 and -0 are written differently.
bool same_bits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

bool same_length(const std::optional<kivo_style::Length>& a, const std::optional<kivo_style::Length>& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (a->kind == b->kind && same_bits(a->value, b->value));
}

template <std::size_t N>
bool same_floats(const std::array<float, N>& a, const std::array<float, N>& b) {
  for (std::size_t i = 0; i < N; ++i) {
    if (!same_bits(a[i], b[i])) return false;
  }
  return true;
}

// True when two styles have the same computed text: every field it is made
// from holds the same value, numbers compared by their bits (so two styles
// that are the same here are both finite or both not).
bool same_computed(const kivo_style::Style& a, const kivo_style::Style& b) {
  if (a.display != b.display || a.color != b.color || a.background_color != b.background_color ||
      a.bold != b.bold || a.border_color != b.border_color || a.box_sizing != b.box_sizing ||
      a.flex_direction != b.flex_direction || a.flex_wrap != b.flex_wrap || a.margin_auto != b.margin_auto ||
      a.line_height.kind != b.line_height.kind) {
    return false;
  }
  if (!same_bits(a.font_size, b.font_size) || !same_bits(a.line_height.value, b.line_height.value) ||
      !same_bits(a.border_width, b.border_width) || !same_bits(a.border_radius, b.border_radius) ||
      !same_bits(a.min_height, b.min_height) || !same_bits(a.flex_grow, b.flex_grow) ||
      !same_bits(a.flex_shrink, b.flex_shrink) || !same_floats(a.margin, b.margin) ||
      !same_floats(a.padding, b.padding) || !same_floats(a.gap, b.gap)) {
    return false;
  }
  if (!same_length(a.width, b.width) || !same_length(a.max_width, b.max_width) ||
      !same_length(a.min_width, b.min_width) || !same_length(a.flex_basis, b.flex_basis)) {
    return false;
  }
  if (a.height.has_value() != b.height.has_value() || (a.height && !same_bits(*a.height, *b.height))) return false;
  if (a.grid_template_columns.size() != b.grid_template_columns.size()) return false;
  for (std::size_t i = 0; i < a.grid_template_columns.size(); ++i) {
    const auto& x = a.grid_template_columns[i];
    const auto& y = b.grid_template_columns[i];
    if (x.kind != y.kind || !same_bits(x.value, y.value)) return false;
  }
  return true;
}

// The "computed" texts of the last few distinct styles written. Siblings
// built alike share their computed values, so most nodes of a long list find
// their text here instead of formatting it again. A style is known by its
// record's address or, failing that, by the values its text is made from;
// only finite styles are kept, so a style found here is finite too.
class ComputedMemo {
 public:
  // Appends the computed object of a style; false (nothing appended) when
  // one of its numbers is not finite.
  bool append(kivo_json::Batch& text, const kivo_style::Style& s) {
    for (Slot& slot : m_slots) {
      if (slot.style != nullptr && (slot.style == &s || same_computed(*slot.style, s))) {
        slot.style = &s;
        text.put(std::string_view(slot.text));
        return true;
      }
    }
    if (!style_is_finite(s)) return false;
    const std::size_t from = text.size();
    append_computed(text, s);
    Slot& slot = m_slots[m_next];
    m_next = (m_next + 1) % m_slots.size();
    slot.style = &s;
    slot.text.assign(text.since(from));
    return true;
  }

 private:
  struct Slot {
    // A style record of the styled document, which outlives the memo.
    const kivo_style::Style* style = nullptr;
    std::string text;
  };
  std::array<Slot, 4> m_slots;
  std::size_t m_next = 0;
};

// Output ids of the nodes written so far, by node index; -1 for none yet.
using IdTable = std::vector<std::int32_t>;

// Appends one node; false when its style or box holds a number that is not
// finite, after the text that precedes that number.
bool append_node(kivo_json::Batch& text, const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                 const Scene& scene, const Entry& entry, std::int32_t id, const IdTable& ids, ComputedMemo& memo) {
  const kivo_dom::Node& node = document.node(entry.node);
  text.put("{\"id\":"sv);
  kivo_json::append_i32(text, id);
  text.put(",\"depth\":"sv);
  kivo_json::append_i32(text, entry.depth);
  text.put(",\"parent\":"sv);
  const bool has_parent = node.parent && document.contains(*node.parent) && ids[node.parent->index] >= 0;
  if (has_parent) {
    kivo_json::append_i32(text, ids[node.parent->index]);
  } else {
    text.put("null"sv);
  }

  text.put(",\"name\":"sv);
  std::string_view node_text;
  if (node.kind.is_document()) {
    text.put("\"#document\""sv);
  } else if (node.kind.is_text()) {
    text.put("\"#text\""sv);
    node_text = cut_chars(node.kind.data, kMaxTextChars);
  } else {
    kivo_json::append_string(text, node.kind.data);
  }
  text.put(",\"text\":"sv);
  kivo_json::append_string(text, node_text);

  // The attribute map is already ordered by the bytes of the names.
  text.put(",\"attributes\":{"sv);
  bool first = true;
  for (const auto& [name, value] : node.attributes) {
    if (!first) text.put(","sv);
    first = false;
    kivo_json::append_string(text, name);
    text.put(":"sv);
    kivo_json::append_string(text, cut_chars(value, kMaxAttributeValueChars));
  }

  text.put("},\"computed\":"sv);
  const kivo_style::Style* style = style_of(styled, entry.node);
  if (style == nullptr) {
    text.put("{}"sv);
  } else {
    if (!memo.append(text, *style)) return false;
  }

  text.put(",\"bounds\":"sv);
  const auto bounds = scene.bounds.find(entry.node);
  if (bounds == scene.bounds.end()) {
    text.put("null"sv);
  } else {
    text.put("{"sv);
    if (!append_rect(text, bounds->second)) return false;
    text.put("}"sv);
  }
  text.put("}"sv);
  return true;
}

}  // namespace

Result<void, IoError> write_nodes(const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                                  const Scene& scene, Output& out) {
  kivo_json::Batch batch(out);
  KIVO_TRY(write_nodes(document, styled, scene, batch));
  return batch.pass_all();
}

Result<void, IoError> write_nodes(const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                                  const Scene& scene, kivo_json::Batch& batch) {
  // 1. Open the array.
  batch.put(",\"nodes\":["sv);
  // 2. Start from the root with nothing written.
  std::vector<Entry> stack{Entry{document.root(), 0}};
  IdTable ids(document.nodes.size(), -1);
  std::int32_t count = 0;
  ComputedMemo memo;
  // 3. Write nodes in pre-order until the stack is empty or the cap is reached.
  while (!stack.empty() && static_cast<std::size_t>(count) < kMaxNodes) {
    const Entry entry = stack.back();
    stack.pop_back();
    // 4. An entry that names no node of this document is skipped without an id.
    if (!document.contains(entry.node)) continue;
    // 5. Write the node under the next output id; the first id a node gets is kept.
    if (count >= 1) batch.put(","sv);
    if (ids[entry.node.index] < 0) ids[entry.node.index] = count;
    if (!append_node(batch, document, styled, scene, entry, count, ids, memo)) {
      // What came before the broken number still goes out, then the error.
      KIVO_TRY(batch.pass_all());
      return kivo_dom::err(non_finite_number_error());
    }
    KIVO_TRY(batch.pass());
    // 6. Push the children last first, so the first child is taken next.
    const auto& children = document.node(entry.node).children;
    for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(Entry{*it, entry.depth + 1});
    ++count;
  }
  // 7. Close the array and tell whether entries were left.
  batch.put(stack.empty() ? "],\"inspectorTruncated\":false"sv : "],\"inspectorTruncated\":true"sv);
  return {};
}

Result<void, IoError> write_computed(const kivo_style::Style* style, Output& out) {
  if (style == nullptr) return out.write("{}");
  if (!style_is_finite(*style)) return kivo_dom::err(non_finite_number_error());
  kivo_json::Batch batch(out);
  append_computed(batch, *style);
  return batch.pass_all();
}

std::string length(const kivo_style::Length& length) {
  return kivo_json::f32_text(length.value) + (length.kind == kivo_style::Length::Percent ? "%" : "px");
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

}  // namespace kivo_engine::inspection
