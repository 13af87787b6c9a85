// Layout: turns a styled document into the paint scene for one viewport width,
// asking the measurer for every text width.
//
// Limits: the viewport width must be 160 to 8,192 px; the budgets of one run
// (paints, paint data, width requests, depth, document height, link length)
// are those of context.h.
#pragma once

#include "dom/document.h"
#include "layout/context.h"
#include "layout/image_table.h"
#include "layout/scene.h"
#include "layout/text_measurer.h"
#include "style/cascade.h"

namespace kivo_layout {

// Lays the document out at the viewport width: the scene with its paints,
// bounds, anchors and page size, or the first failure.
LayoutResult<Scene> layout_with_images(const kivo_dom::Document& document, const kivo_style::StyledDocument& styles,
                                       TextMeasurer& measurer, const ImageTable& images, float width);

}  // namespace kivo_layout
