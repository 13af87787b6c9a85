// The end of every fuzzed scene run: lay the styled document out with the
// in-process measurer, write the scene JSON and prove it well formed.
#pragma once

#include "dom/document.h"
#include "layout/image_table.h"
#include "style/cascade.h"

namespace kivo_fuzz {

// Lays out, writes and checks one scene; aborts with a message when the
// written JSON is malformed or writing failed. A layout error is a normal end.
void check_scene(const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                 const kivo_layout::ImageTable& images, float width);

}  // namespace kivo_fuzz
