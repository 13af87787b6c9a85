#include "layout/context.h"

#include <utility>

#include "dom/float_parse.h"
#include "dom/text.h"

namespace kivo_layout {

float line_height(const kivo_style::Style& style) {
  const float base = style.line_height.kind == kivo_style::LineHeight::Number
                         ? style.line_height.value * style.font_size
                         : style.line_height.value;
  return max_f(base, style.font_size);
}

std::optional<float> parse_attribute_f32(std::string_view text) {
  auto parsed = kivo_dom::parse_f32(text);
  if (!parsed) return std::nullopt;
  return *parsed;
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
  // One search finds the name or where it goes.
  const auto place = scene.anchors.lower_bound(name);
  if (place != scene.anchors.end() && place->first == name) return;
  scene.anchors.emplace_hint(place, std::string(name), y);
  if (!document.contains(node)) return;
  if (anchor_owners.size() <= node.index) anchor_owners.resize(document.nodes.size());
  anchor_owners[node.index] = true;
}

LayoutResult<void> Context::push(Paint paint) {
  std::size_t data = paint.href ? paint.href->size() : 0;
  if (const Paint::Text* run = paint.as_text()) data += run->text.size();
  if (const Paint::Image* image = paint.as_image()) data += image->alt.size();
  KIVO_TRY(admit_paint(data));
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
  KIVO_TRY_ASSIGN(Paint* const paint, append_paint(rect, link, text.size()));
  paint->content.emplace<Paint::Text>(Paint::Text{std::string(text), style.font_size, style.bold, style.color});
  // 3. Advance the line and widen the page to the run's right edge.
  line.cursor = line.cursor + width;
  line.height = max_f(line.height, height);
  scene.width = max_f(scene.width, rect.x + width);
  return {};
}

}  // namespace kivo_layout
