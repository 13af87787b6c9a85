#include "engine.h"

namespace kivo_engine {

kivo_dom::Result<kivo_dom::Document, kivo_html::ParseError> Engine::load_web_html(std::string_view html) const {
  return kivo_html::parser::parse_web(html, limits);
}

}  // namespace kivo_engine
