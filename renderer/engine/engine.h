// The engine's entry to the HTML parser: the parse limits of a run and the one
// call that turns the HTML text of an input into a document.
#pragma once

#include <string_view>

#include "dom/document.h"
#include "dom/result.h"
#include "html/error.h"
#include "html/parser.h"

namespace kivo_engine {

struct Engine {
  // The renderer runs with 1,048,576 input bytes, 50,000 nodes and depth 128.
  kivo_html::ParseLimits limits;

  // Parses the HTML text of an input within this engine's limits.
  kivo_dom::Result<kivo_dom::Document, kivo_html::ParseError> load_web_html(std::string_view html) const;
};

}  // namespace kivo_engine
