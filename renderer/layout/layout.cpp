#include "layout/layout.h"

#include <cmath>
#include <optional>
#include <utility>

namespace kivo_layout {

LayoutResult<Scene> layout_with_images(const kivo_dom::Document& document, const kivo_style::StyledDocument& styles,
                                       TextMeasurer& measurer, const ImageTable& images, float width) {
  // 1. Refuse a viewport width outside the supported range.
  if (!std::isfinite(width) || width < kMinViewportWidth || width > kMaxViewportWidth) {
    return kivo_dom::err(layout_error(kViewportWidthError));
  }
  // 2. Start an empty scene as wide as the viewport.
  Context context(document, styles, measurer, images, width);
  // 3. Lay the root out as the outermost block.
  KIVO_TRY_ASSIGN(const float height, context.sized_block(document.root(), 0, std::nullopt, std::nullopt, 0, 0, width));
  // 4. The page is at least as tall as the root block and never empty.
  context.scene.height = max_f(max_f(context.scene.height, height), 1);
  return std::move(context.scene);
}

}  // namespace kivo_layout
