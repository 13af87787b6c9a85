#include "layout/block.h"

#include <utility>

#include "layout/context.h"

namespace kivo_layout {

namespace {

using kivo_style::Display;
using kivo_style::Edge;
using kivo_style::Style;

// The first bullet of a list item: U+2022 and one space.
constexpr std::string_view kBullet = "\xE2\x80\xA2 ";

// The link of a box: an "a" element's href replaces the one it sits in.
LayoutResult<std::optional<std::string_view>> box_link(const kivo_dom::Node& element,
                                                       std::optional<std::string_view> link) {
  if (element.kind.is_element_named("a")) {
    if (auto href = element.attribute("href")) link = *href;
  }
  if (link && link->size() > kMaxLinkBytes) return kivo_dom::err(layout_error(kLinkError));
  return link;
}

// The content width and the x of the border box of a block.
struct Horizontal {
  float content_width = 0;
  float box_x = 0;
};

Horizontal horizontal(const Style& style, std::optional<float> forced_width, float x, float available) {
  const float extras = horizontal_extras(style);
  const bool border_box = is_border_box(style);
  const float margin_right = edge(style.margin, Edge::Right);
  const float margin_left = edge(style.margin, Edge::Left);
  float w = style.width ? specified_content(*style.width, available, extras, border_box)
                        : max_f(available - margin_right - margin_left - extras, 0);
  if (style.max_width) w = min_f(w, specified_content(*style.max_width, available, extras, border_box));
  if (style.min_width) w = max_f(w, specified_content(*style.min_width, available, extras, border_box));
  float box_x = x + margin_left;
  if (forced_width) {
    w = max_f(*forced_width, 0);
  } else if (edge(style.margin_auto, Edge::Left)) {
    const float free = max_f(available - w - extras - margin_right - margin_left, 0);
    box_x = box_x + (edge(style.margin_auto, Edge::Right) ? free / 2 : free);
  }
  return Horizontal{w, box_x};
}

}  // namespace

float horizontal_extras(const Style& style) {
  return edge(style.padding, Edge::Left) + edge(style.padding, Edge::Right) + 2 * style.border_width;
}

float vertical_extras(const Style& style) {
  return edge(style.padding, Edge::Top) + edge(style.padding, Edge::Bottom) + 2 * style.border_width;
}

float specified_content(const kivo_style::Length& length, float reference, float extras, bool border_box) {
  return max_f(resolve_length(length, reference) - (border_box ? extras : 0.0f), 0);
}

float resolve_length(const kivo_style::Length& length, float reference) {
  return length.kind == kivo_style::Length::Percent ? length.value * reference / 100 : length.value;
}

LayoutResult<float> Context::sized_block(kivo_dom::NodeId node, std::size_t depth,
                                         std::optional<std::string_view> link, std::optional<float> forced_width,
                                         float x, float y, float available_width) {
  // Refuse nesting beyond the depth limit and blocks below the height limit.
  KIVO_TRY(block_limits(depth, y));

  // A node that is not displayed takes no space and leaves no trace.
  KIVO_TRY_ASSIGN(const Style* styled, style(node));
  const Style& s = *styled;
  if (s.display == Display::None) return 0.0f;

  // Find the node.
  KIVO_TRY_ASSIGN(const kivo_dom::Node* found, find_node(node));
  return styled_block(node, *found, s, depth, link, forced_width, x, y, available_width);
}

LayoutResult<float> Context::styled_block(kivo_dom::NodeId node, const kivo_dom::Node& element, const Style& s,
                                          std::size_t depth, std::optional<std::string_view> link,
                                          std::optional<float> forced_width, float x, float y,
                                          float available_width) {
  // Take up the link of an "a" element.
  KIVO_TRY_ASSIGN(link, box_link(element, link));

  // Note a list item and record the element's anchor.
  const bool list_item = element.kind.is_element_named("li");
  const float margin_top = edge(s.margin, Edge::Top);
  if (auto id = element.attribute("id")) anchor(node, *id, y + margin_top);

  // Resolve the content width and the auto margins.
  const Horizontal h = horizontal(s, forced_width, x, available_width);
  const float extras = horizontal_extras(s);
  const float w = h.content_width;

  // Push the box now, so that it paints below its content; its height is set once the content is laid out.
  const std::size_t box_index = scene.paints.size();
  KIVO_TRY_ASSIGN(Paint* const pushed, append_paint(Rect{h.box_x, y + margin_top, w + extras, 0}, link, 0));
  pushed->content = Paint::Box{s.background_color, s.border_color, s.border_width, s.border_radius};

  // Open the line box of the content box.
  const float cx = h.box_x + s.border_width + edge(s.padding, Edge::Left);
  const float cy = y + margin_top + s.border_width + edge(s.padding, Edge::Top);
  LineBox line{cx, cy, w, 0, 0, false};

  // A list item starts with its bullet.
  if (list_item) {
    KIVO_TRY(text(kBullet, s, line, link));
  }

  // Lay out the content.
  KIVO_TRY(block_content(node, element, s, depth, link, w, line));

  // The height: the content's, or the specified one, and at least the minimum.
  const float bottom = line.y + max_f(line.height, 0);
  const float vertical = vertical_extras(s);
  const bool border_box = is_border_box(s);
  float content_height = s.height ? max_f(*s.height - (border_box ? vertical : 0.0f), 0) : bottom - cy;
  content_height = max_f(content_height, max_f(s.min_height - (border_box ? vertical : 0.0f), 0));
  const float border_height = vertical + content_height;

  // The page reaches the content's real bottom, even below a shorter fixed height.
  scene.height = max_f(scene.height, bottom + edge(s.padding, Edge::Bottom) + s.border_width);

  // No box may end below the height limit.
  if (y + margin_top + border_height > kMaxDocumentHeight) return kivo_dom::err(layout_error(kHeightError));

  // Finish the box and record its bounds.
  Paint& box = scene.paints[box_index];
  KIVO_CHECK(box.is_box());
  box.rect.height = border_height;
  scene.bounds.insert_or_assign(node, box.rect);

  // The page reaches the margin box's right edge.
  scene.width = max_f(scene.width, h.box_x + w + extras + edge(s.margin, Edge::Right));

  // Vertical margins add up; they never collapse.
  return margin_top + border_height + edge(s.margin, Edge::Bottom);
}

LayoutResult<void> Context::block_content(kivo_dom::NodeId node, const kivo_dom::Node& element, const Style& s,
                                          std::size_t depth, std::optional<std::string_view> link,
                                          float content_width, LineBox& line) {
  // An image that is itself a block (a flex or grid item): its box holds the
  // image at the content width, or its alternative text.
  if (element.kind.is_element_named("img")) {
    const auto alt = element.attribute("alt");
    const auto image = images.find(node);
    if (image == images.end()) {
      if (alt) return text(*alt, s, line, link);
      return {};
    }
    const ImageSize& size = image->second;
    KIVO_CHECK(size.width > 0 && size.height > 0);
    float height = content_width * size.height / size.width;
    if (auto attribute = element.attribute("height")) {
      const std::optional<float> parsed = parse_attribute_f32(*attribute);
      if (parsed && *parsed >= 0 && *parsed <= kMaxImageExtent) height = *parsed;
    }
    if (s.height) height = *s.height;
    height = min_f(height, kMaxImageExtent);
    std::optional<std::string> href;
    if (link) href.emplace(*link);
    KIVO_TRY(push(Paint::image(Rect{line.x, line.y, content_width, height}, size.id,
                               alt ? std::string(*alt) : std::string(), std::move(href))));
    line.y = line.y + height;
    return {};
  }

  // Flex and grid containers: their own layouts take the children over in the
  // content box and return the height the line box's y grows by.
  if (s.display == Display::Flex || s.display == Display::Grid) {
    KIVO_TRY_ASSIGN(const float height,
                    s.display == Display::Flex
                        ? flex_children(element.children, s, depth + 1, link, line.x, line.y, content_width)
                        : grid_children(element.children, s, depth + 1, link, line.x, line.y, content_width));
    line.y = line.y + height;
    return {};
  }

  // A text laid out as a block (a flex or grid item).
  if (const std::string* characters = element.kind.text_content()) return text(*characters, s, line, link);

  return flow_children(element, depth, link, line);
}

LayoutResult<void> Context::flow_children(const kivo_dom::Node& element, std::size_t depth,
                                          std::optional<std::string_view> link, LineBox& line) {
  // Every child in order; block-level children come back through sized_block.
  for (const kivo_dom::NodeId child : element.children) {
    KIVO_TRY(inline_node(child, line, depth + 1, link));
  }
  return {};
}

}  // namespace kivo_layout
