// The one way layout learns text widths: the renderer has no fonts, so every
// width is asked of whoever drives the run.
#pragma once

#include <string>
#include <string_view>

#include "dom/result.h"

namespace kivo_layout {

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // The width of the text at the font size (CSS pixels) and weight, or the
  // display text of what went wrong.
  virtual kivo_dom::Result<float, std::string> width(std::string_view text, float size, bool bold) = 0;
};

}  // namespace kivo_layout
