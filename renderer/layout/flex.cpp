#include "layout/flex.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "dom/text.h"
#include "layout/block.h"
#include "layout/inline.h"

namespace kivo_layout {

namespace {

using kivo_dom::NodeId;
using kivo_style::Align;
using kivo_style::Display;
using kivo_style::Edge;
using kivo_style::Style;

constexpr std::size_t kRowGap = 0;
constexpr std::size_t kColumnGap = 1;

template <class T>
LayoutResult<T> fail(std::string_view message) {
  return kivo_dom::err(layout_error(message));
}

// Sizes one item from its style and its intrinsic widths; percentages are
// taken of the container's content width.
flex::Item size_item(const Style& s, NodeId node, IntrinsicWidths widths, float container_width) {
  const float extras = horizontal_extras(s);
  const bool border_box = is_border_box(s);
  const std::optional<kivo_style::Length>& asked = s.flex_basis ? s.flex_basis : s.width;
  const float basis = asked ? resolve_length(*asked, container_width) - (border_box ? extras : 0.0f)
                            : widths.maximum - extras;
  const float max_width =
      s.max_width ? specified_content(*s.max_width, container_width, extras, border_box) : kUnlimitedWidth;
  const float width_cap = s.width ? specified_content(*s.width, container_width, extras, border_box) : kUnlimitedWidth;
  const float min = s.min_width ? specified_content(*s.min_width, container_width, extras, border_box)
                                : min_f(min_f(max_f(widths.minimum - extras, 0), width_cap), max_width);
  flex::Item item;
  item.style = &s;
  item.node = node;
  item.basis = max_f(basis, 0);
  item.min = min;
  item.max = max_f(max_width, min);
  item.outer = edge(s.margin, Edge::Left) + edge(s.margin, Edge::Right) + extras;
  item.size = clamp_f(item.basis, item.min, item.max);
  return item;
}

// The items that take part, each measured and sized.
LayoutResult<void> collect_items(Context& context, std::span<const NodeId> children, std::size_t depth,
                                 float width, std::vector<flex::Item>& items) {
  for (const NodeId child : children) {
    KIVO_TRY_ASSIGN(const Style* styled, context.style(child));
    const Style& s = *styled;
    if (!context.document.contains(child)) return fail<void>(kMissingFlexItemError);
    const kivo_dom::Node& node = context.document.node(child);
    if (!takes_part(s, node)) continue;
    if (items.size() >= kMaxFlexItems) return fail<void>(kFlexItemBudgetError);
    KIVO_TRY_ASSIGN(const IntrinsicWidths widths, context.styled_intrinsic(child, node, s, depth));
    items.push_back(size_item(s, child, widths, width));
  }
  return {};
}

// Lays out one item as a block, as sized_block would: collecting the items
// found its style and node.
LayoutResult<float> item_block(Context& context, const flex::Item& item, std::size_t depth,
                               std::optional<std::string_view> link, float forced_width, float x, float y,
                               float available_width) {
  KIVO_TRY(context.block_limits(depth, y));
  return context.styled_block(item.node, context.document.node(item.node), *item.style, depth, link, forced_width, x,
                              y, available_width);
}

// Direction column: the items stacked with the row gap between them, each
// aligned horizontally in the container's width. Returns the height used.
LayoutResult<float> stack_column(Context& context, std::span<const flex::Item> items, const Style& container,
                                 std::size_t depth, std::optional<std::string_view> link, float x, float y,
                                 float width) {
  float cy = y;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const flex::Item& item = items[i];
    const Style& s = *item.style;
    const Align align = item_alignment(s, container);
    float w = 0;
    float offset = 0;
    if (align == Align::Stretch && !s.width) {
      w = clamp_f(max_f(width - item.outer, 0), item.min, item.max);
    } else {
      const float asked = s.width ? resolve_length(*s.width, width) - (is_border_box(s) ? horizontal_extras(s) : 0.0f)
                                  : item.basis;
      w = clamp_f(asked, item.min, item.max);
      const float free = max_f(width - w - item.outer, 0);
      if (align == Align::Center) offset = free / 2;
      if (align == Align::End) offset = free;
    }
    if (i > 0) cy = cy + container.gap[kRowGap];
    KIVO_TRY_ASSIGN(const float height, item_block(context, item, depth, link, w, x + offset, cy, width));
    cy = cy + height;
  }
  return cy - y;
}

// The end of the line that starts at item `begin`: every item while it fits
// after the column gap; an item always fits on an empty line.
std::size_t line_end(std::span<const flex::Item> items, std::size_t begin, const Style& container, float width) {
  if (container.flex_wrap == kivo_style::FlexWrap::NoWrap) return items.size();
  float total = items[begin].size + items[begin].outer;
  std::size_t end = begin + 1;
  for (; end < items.size(); ++end) {
    const float joined = total + container.gap[kColumnGap] + items[end].size + items[end].outer;
    if (!(joined <= width)) break;
    total = joined;
  }
  return end;
}

// Where the items of a line start and the space they get between them and
// from their auto margins.
struct Spacing {
  float start = 0;
  float between = 0;
  // The share of each auto margin on the main axis; 0 when there is none.
  float auto_margin = 0;
};

Spacing line_spacing(std::span<const flex::Item> line, const Style& container, float free) {
  Spacing spacing;
  std::size_t auto_margins = 0;
  for (const flex::Item& item : line) {
    auto_margins += edge(item.style->margin_auto, Edge::Left) ? 1 : 0;
    auto_margins += edge(item.style->margin_auto, Edge::Right) ? 1 : 0;
  }
  if (auto_margins > 0) {
    // Auto margins take all the free space; justify-content has nothing left to share.
    spacing.auto_margin = free / static_cast<float>(auto_margins);
    return spacing;
  }
  const float n = static_cast<float>(line.size());
  switch (container.justify_content) {
    case kivo_style::Justify::Start:
      break;
    case kivo_style::Justify::Center:
      spacing.start = free / 2;
      break;
    case kivo_style::Justify::End:
      spacing.start = free;
      break;
    case kivo_style::Justify::SpaceBetween:
      if (line.size() > 1) spacing.between = free / (n - 1);
      break;
    case kivo_style::Justify::SpaceAround:
      spacing.between = free / n;
      spacing.start = free / (2 * n);
      break;
    case kivo_style::Justify::SpaceEvenly:
      spacing.start = free / (n + 1);
      spacing.between = spacing.start;
      break;
  }
  return spacing;
}

// The cross size a single-line container gives its line: its definite
// content height, at least 0.
float definite_content_height(const Style& container) {
  const float specified = max_f(container.height ? *container.height : 0.0f, container.min_height);
  return max_f(specified - (is_border_box(container) ? vertical_extras(container) : 0.0f), 0);
}

// Direction row: the items broken into lines, each line distributed,
// justified, laid out and aligned. Returns the height of the lines.
LayoutResult<float> lay_out_rows(Context& context, std::span<flex::Item> items, const Style& container,
                                 std::size_t depth, std::optional<std::string_view> link, float x, float y,
                                 float width) {
  const float column_gap = container.gap[kColumnGap];
  std::vector<PlacedItem> placed;
  float top = y;
  float cross = 0;
  for (std::size_t begin = 0; begin < items.size();) {
    // Break off the next line.
    const std::size_t end = line_end(items, begin, container, width);
    const std::span<flex::Item> line = items.subspan(begin, end - begin);
    if (begin > 0) top = top + cross + container.gap[kRowGap];
    begin = end;

    // Grow or shrink the line's items into the width left by the gaps.
    const float gaps = column_gap * static_cast<float>(line.size() - 1);
    flex::distribute(line, max_f(width - gaps, 0));

    // Share the free space by auto margins or justify-content.
    float used = 0;
    for (const flex::Item& item : line) used = used + (item.size + item.outer);
    const float free = max_f(width - gaps - used, 0);
    const Spacing spacing = line_spacing(line, container, free);

    // Lay the items out from the line's start, each at its final width.
    placed.clear();
    float cx = x + spacing.start;
    for (const flex::Item& item : line) {
      const Style& s = *item.style;
      const float item_x = edge(s.margin_auto, Edge::Left) ? cx + spacing.auto_margin : cx;
      const std::size_t first = context.scene.paints.size();
      KIVO_TRY_ASSIGN(const float height, item_block(context, item, depth, link, item.size, item_x, top, width));
      placed.push_back(PlacedItem{item.node, first, context.scene.paints.size(), height, item_alignment(s, container),
                                  !s.height});
      cx = item_x + item.size + item.outer + column_gap + spacing.between;
      if (edge(s.margin_auto, Edge::Right)) cx = cx + spacing.auto_margin;
    }

    // The line is as tall as its tallest item; a single line at least fills the container.
    cross = 0;
    for (const PlacedItem& item : placed) cross = max_f(cross, item.height);
    if (container.flex_wrap == kivo_style::FlexWrap::NoWrap) cross = max_f(cross, definite_content_height(container));

    // Align the items in the line.
    KIVO_TRY(align_placed(context, placed, cross));
  }
  // The height reaches the bottom of the last line.
  return top + cross - y;
}

// A node measured whole, without looking at its children: a delivered image
// or a text. nullopt for any other node.
LayoutResult<std::optional<IntrinsicWidths>> leaf_widths(Context& context, NodeId id, const kivo_dom::Node& node,
                                                         const Style& s) {
  // An image with a delivered size: its width attribute or its natural width.
  if (const auto image = context.images.find(id); image != context.images.end()) {
    float width = image->second.width;
    if (const auto attribute = node.attribute("width")) {
      const std::optional<float> parsed = parse_attribute_f32(*attribute);
      if (parsed && std::isfinite(*parsed) && *parsed >= 0 && *parsed <= kMaxImageExtent) width = *parsed;
    }
    return std::optional<IntrinsicWidths>(IntrinsicWidths{width, width});
  }
  // A text: its widest word and all its words on one line.
  const std::string* characters = node.kind.text_content();
  if (characters == nullptr) return std::optional<IntrinsicWidths>();
  KIVO_TRY_ASSIGN(const float space, context.measured(" ", s.font_size, s.bold));
  IntrinsicWidths widths;
  bool first = true;
  Segments segments(*characters);
  Segment segment;
  while (segments.next(segment)) {
    if (segment.word.empty()) continue;
    KIVO_TRY_ASSIGN(const float w, context.measured(segment.word, s.font_size, s.bold));
    widths.minimum = max_f(widths.minimum, w);
    widths.maximum = first ? w : widths.maximum + space + w;
    first = false;
  }
  widths.maximum = min_f(widths.maximum, kUnlimitedWidth);
  return std::optional<IntrinsicWidths>(widths);
}

IntrinsicFrame open_frame(const kivo_dom::Node& node, const Style& s, std::size_t depth) {
  IntrinsicFrame frame;
  frame.node = &node;
  frame.style = &s;
  frame.depth = depth;
  frame.row = s.display == Display::Flex && s.flex_direction == kivo_style::FlexDirection::Row;
  return frame;
}

// Adds a measured child to its parent's sums.
void add_child(IntrinsicFrame& frame, IntrinsicWidths child) {
  const float m = frame.child_margins;
  if (frame.row) {
    const float gap = frame.counted ? frame.style->gap[kColumnGap] : 0.0f;
    frame.maximum += gap + m + child.maximum;
    if (frame.style->flex_wrap == kivo_style::FlexWrap::Wrap) {
      frame.minimum = max_f(frame.minimum, m + child.minimum);
    } else {
      frame.minimum += gap + m + child.minimum;
    }
    frame.counted = true;
    return;
  }
  if (frame.child_inline) {
    frame.run = frame.run + child.maximum;
  } else {
    frame.maximum = max_f(max_f(frame.maximum, frame.run), child.maximum);
    frame.run = 0;
  }
  frame.minimum = max_f(frame.minimum, child.minimum);
}

// The widths of a node once all its children are summed.
IntrinsicWidths close_frame(const IntrinsicFrame& frame) {
  const Style& s = *frame.style;
  const float extras = horizontal_extras(s);
  float maximum = max_f(frame.maximum, frame.run);
  if (s.width && s.width->kind == kivo_style::Length::Px) {
    maximum = max_f(s.width->value - (is_border_box(s) ? extras : 0.0f), 0);
  }
  return IntrinsicWidths{extras + frame.minimum, extras + maximum};
}

}  // namespace

bool takes_part(const Style& style, const kivo_dom::Node& node) {
  if (style.display == Display::None) return false;
  const std::string* characters = node.kind.text_content();
  if (characters == nullptr) return true;
  // A text that starts with a printable ASCII character has one that is not
  // white space; only the others need the trim.
  if (!characters->empty()) {
    const auto first = static_cast<unsigned char>(characters->front());
    if (first > ' ' && first < 0x80) return true;
  }
  return !kivo_dom::text::trim_unicode_white_space(*characters).empty();
}

Align item_alignment(const Style& item, const Style& container) {
  return item.align_self ? *item.align_self : container.align_items;
}

LayoutResult<void> align_placed(Context& context, std::span<const PlacedItem> items, float cross) {
  for (const PlacedItem& item : items) {
    const float free = max_f(cross - item.height, 0);
    float dy = 0;
    if (item.align == Align::Center) {
      dy = free / 2;
    } else if (item.align == Align::End) {
      dy = free;
    } else if (item.align == Align::Stretch && item.auto_height && item.first < item.end &&
               context.scene.paints[item.first].is_box()) {
      // Only the item's own box grows; its content keeps its place at the top.
      Rect& box = context.scene.paints[item.first].rect;
      box.height = box.height + free;
      context.scene.bounds.insert_or_assign(item.node, box);
    }
    KIVO_TRY(context.translate(item.node, item.first, item.end, dy));
  }
  return {};
}

namespace flex {

void distribute(std::span<Item> items, float available) {
  const std::size_t n = items.size();
  // 1. Grow when the hypothetical sizes leave room, else shrink.
  float hypothetical = 0;
  for (const Item& item : items) hypothetical = hypothetical + (item.outer + item.size);
  const bool growing = hypothetical < available;
  const auto factor = [growing](const Item& item) {
    return growing ? item.style->flex_grow : item.style->flex_shrink;
  };
  const auto weight = [growing](const Item& item) {
    return growing ? item.style->flex_grow : item.style->flex_shrink * item.basis;
  };

  // 2. Freeze the items that cannot flex in this direction; the others start from their basis.
  for (Item& item : items) {
    item.violation = 0;
    if (factor(item) == 0 || (growing && item.basis > item.size) || (!growing && item.basis < item.size)) {
      item.frozen = true;
    } else {
      item.frozen = false;
      item.size = item.basis;
    }
  }

  // 3. The free space before any flexing.
  float used = 0;
  for (const Item& item : items) used = used + (item.outer + item.size);
  const float initial_free = available - used;

  // 4. Share the remaining space, freezing the items whose limits it violates.
  for (std::size_t pass = 0; pass <= n; ++pass) {
    // 4.1. Stop when every item is frozen.
    bool all_frozen = true;
    for (const Item& item : items) all_frozen = all_frozen && item.frozen;
    if (all_frozen) break;

    // 4.2. The space left beside the frozen sizes and the unfrozen bases.
    float taken = 0;
    for (std::size_t i = 0; i < n; ++i) {
      taken = taken + (items[i].outer + (items[i].frozen ? items[i].size : items[i].basis));
    }
    float remaining = available - taken;

    // 4.3. Factors that add up to less than 1 take only that part of the free space.
    float factors = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (!items[i].frozen) factors = factors + factor(items[i]);
    }
    if (factors < 1) {
      const float scaled = initial_free * factors;
      if (std::fabs(scaled) < std::fabs(remaining)) remaining = scaled;
    }

    // 4.4. Weights: the grow factor, or the shrink factor scaled by the basis.
    float weights = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (!items[i].frozen) weights = weights + weight(items[i]);
    }

    // 4.5. Each unfrozen item takes its share, clamped to its limits.
    float total = 0;
    for (std::size_t i = 0; i < n; ++i) {
      Item& item = items[i];
      if (item.frozen) continue;
      const float target = item.basis + (weights > 0 ? remaining * weight(item) / weights : 0.0f);
      item.size = clamp_f(target, item.min, item.max);
      item.violation = item.size - target;
      total = total + item.violation;
    }

    // 4.6. Stop when the limits hold; else freeze the items on the side that overshot.
    if (std::fabs(total) < 0.01f) break;
    for (Item& item : items) {
      if (!item.frozen && ((total > 0 && item.violation > 0) || (total < 0 && item.violation < 0))) item.frozen = true;
    }
  }
}

}  // namespace flex

LayoutResult<float> Context::flex_children(std::span<const NodeId> children, const Style& style, std::size_t depth,
                                           std::optional<std::string_view> link, float x, float y, float width) {
  // Collect the items, each measured and sized.
  std::vector<flex::Item> items;
  KIVO_TRY(collect_items(*this, children, depth, width, items));
  // Without items the container's content is empty.
  if (items.empty()) return 0.0f;
  // A column stacks its items.
  if (style.flex_direction == kivo_style::FlexDirection::Column) {
    return stack_column(*this, items, style, depth, link, x, y, width);
  }
  // A row lays its items out in lines.
  return lay_out_rows(*this, items, style, depth, link, x, y, width);
}

LayoutResult<IntrinsicWidths> Context::intrinsic(NodeId node, std::size_t depth) {
  // Refuse depth beyond the limit; a node that is not displayed has no width.
  if (depth > kMaxLayoutDepth) return fail<IntrinsicWidths>(kIntrinsicDepthError);
  KIVO_TRY_ASSIGN(const Style* styled, style(node));
  const Style& s = *styled;
  if (s.display == Display::None) return IntrinsicWidths{};
  if (!document.contains(node)) return fail<IntrinsicWidths>(kMissingIntrinsicNodeError);
  return styled_intrinsic(node, document.node(node), s, depth);
}

LayoutResult<IntrinsicWidths> Context::styled_intrinsic(NodeId node, const kivo_dom::Node& element, const Style& s,
                                                        std::size_t depth) {
  if (depth > kMaxLayoutDepth) return fail<IntrinsicWidths>(kIntrinsicDepthError);

  // Images and texts are measured whole.
  KIVO_TRY_ASSIGN(const std::optional<IntrinsicWidths> leaf, leaf_widths(*this, node, element, s));
  if (leaf) return *leaf;

  // Any other node sums its children, walked in document order with an
  // explicit stack whose height the depth limit bounds.
  std::vector<IntrinsicFrame>& stack = m_intrinsic_stack;
  stack.clear();
  stack.push_back(open_frame(element, s, depth));
  for (;;) {
    IntrinsicFrame& frame = stack.back();
    if (frame.next_child == frame.node->children.size()) {
      const IntrinsicWidths widths = close_frame(frame);
      stack.pop_back();
      if (stack.empty()) return widths;
      add_child(stack.back(), widths);
      continue;
    }
    const NodeId child = frame.node->children[frame.next_child++];
    KIVO_TRY_ASSIGN(const Style* child_styled, style(child));
    const Style& cs = *child_styled;
    if (!document.contains(child)) return fail<IntrinsicWidths>(kMissingIntrinsicNodeError);
    const kivo_dom::Node& child_node = document.node(child);
    if (!takes_part(cs, child_node)) continue;
    const std::size_t child_depth = frame.depth + 1;
    if (child_depth > kMaxLayoutDepth) return fail<IntrinsicWidths>(kIntrinsicDepthError);
    frame.child_margins = edge(cs.margin, Edge::Left) + edge(cs.margin, Edge::Right);
    frame.child_inline = child_node.kind.is_text() || cs.display == Display::Inline;
    KIVO_TRY_ASSIGN(const std::optional<IntrinsicWidths> child_leaf, leaf_widths(*this, child, child_node, cs));
    if (child_leaf) {
      add_child(frame, *child_leaf);
    } else {
      stack.push_back(open_frame(child_node, cs, child_depth));
    }
  }
}

LayoutResult<void> Context::translate(NodeId node, std::size_t first, std::size_t end, float dy) {
  KIVO_CHECK(first <= end && end <= scene.paints.size());
  // 1. Move the paints and raise the page's extent to them, also when they stay.
  for (std::size_t i = first; i < end; ++i) {
    Rect& rect = scene.paints[i].rect;
    rect.y = rect.y + dy;
    const float bottom = rect.y + rect.height;
    if (bottom > kMaxDocumentHeight) return fail<void>(kHeightError);
    scene.height = max_f(scene.height, bottom);
    scene.width = max_f(scene.width, rect.x + rect.width);
  }

  // 2. Move the bounds and anchors of the subtree. Adding zero changes no
  // coordinate (none of them is -0), so a move by zero skips the walk.
  if (dy == 0) return {};
  std::vector<NodeId>& stack = m_translate_stack;
  stack.clear();
  stack.push_back(node);
  while (!stack.empty()) {
    const NodeId id = stack.back();
    stack.pop_back();
    if (!document.contains(id)) continue;
    const kivo_dom::Node& current = document.node(id);
    if (const auto bounds = scene.bounds.find(id); bounds != scene.bounds.end()) {
      bounds->second.y = bounds->second.y + dy;
    }
    if (owns_anchor(id)) {
      if (const auto name = current.attribute("id")) {
        const auto anchor = scene.anchors.find(*name);
        KIVO_CHECK(anchor != scene.anchors.end());
        anchor->second = anchor->second + dy;
      }
    }
    for (auto child = current.children.rbegin(); child != current.children.rend(); ++child) stack.push_back(*child);
  }
  return {};
}

}  // namespace kivo_layout
