#include "layout/layout.h"

#include <cmath>
#include <optional>
#include <utility>

#include "dom/text.h"

namespace kivo_layout {
namespace {

// How many paints layout will push for the document, as far as it is cheap
// to tell: a box or an image per element and a run per word of text (a word
// too long for its line is painted character by character and pushes more).
// Capped by the paint limit, which no run passes.
std::size_t expected_paints(const kivo_dom::Document& document) {
  std::size_t count = 0;
  for (const kivo_dom::Node& node : document.nodes) {
    if (node.kind.is_element()) {
      ++count;
    } else if (const std::string* text = node.kind.text_content()) {
      bool in_word = false;
      for (const char c : *text) {
        const bool word = !kivo_dom::text::is_ascii_white_space(c);
        count += word && !in_word;
        in_word = word;
      }
    }
    if (count >= kMaxPaints) return kMaxPaints;
  }
  return count;
}

}  // namespace

LayoutResult<Scene> layout_with_images(const kivo_dom::Document& document, const kivo_style::StyledDocument& styles,
                                       TextMeasurer& measurer, const ImageTable& images, float width) {
  // 1. Refuse a viewport width outside the supported range.
  if (!std::isfinite(width) || width < kMinViewportWidth || width > kMaxViewportWidth) {
    return kivo_dom::err(layout_error(kViewportWidthError));
  }
  // 2. Start an empty scene as wide as the viewport, with room for what the
  // document can paint and bound, so that the lists are not copied as they grow.
  Context context(document, styles, measurer, images, width);
  context.scene.paints.reserve(expected_paints(document));
  context.scene.bounds.reserve(document.nodes.size());
  // 3. Lay the root out as the outermost block.
  KIVO_TRY_ASSIGN(const float height, context.sized_block(document.root(), 0, std::nullopt, std::nullopt, 0, 0, width));
  // 4. The page is at least as tall as the root block and never empty.
  context.scene.height = max_f(max_f(context.scene.height, height), 1);
  return std::move(context.scene);
}

}  // namespace kivo_layout
