// An in-process text measurer for the fuzz targets: answers every width at
// once with a fixed rule, so a whole scene run needs no second process.
//
// Width rule: every character (Unicode scalar) is 0.5 x size wide and bold
// text 10% wider, the same rule the measuring harness answers with.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dom/result.h"
#include "layout/text_measurer.h"

namespace kivo_fuzz {

class FakeMeasurer final : public kivo_layout::TextMeasurer {
 public:
  kivo_dom::Result<float, std::string> width(std::string_view text, float size, bool bold) override;

  // How many widths layout asked for.
  std::size_t calls() const { return m_calls; }

 private:
  std::size_t m_calls = 0;
};

}  // namespace kivo_fuzz
