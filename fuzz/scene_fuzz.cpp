// Fuzz target: the whole scene run in one process. The input is a renderer
// input (plain HTML or a resource envelope): it is split, parsed, its blob
// decoded, styled, laid out with the in-process measurer and written.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dom/result.h"
#include "engine/resources.h"
#include "html/parser.h"
#include "scene_check.h"
#include "style/cascade.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  auto unpacked = kivo_engine::resources::unpack(input, kivo_html::kRendererLimits.max_input_bytes);
  if (!unpacked) return 0;
  auto document = kivo_html::parser::parse_web(unpacked->html, kivo_html::kRendererLimits);
  if (!document) return 0;
  auto loaded = kivo_engine::Loaded::decode(*document, unpacked->blob);
  if (!loaded) return 0;
  // The width varies with the input, from the narrowest allowed to a wide one.
  static constexpr float kWidths[] = {kivo_style::kMinViewportWidth, 800, 1999.5f};
  const float width = kWidths[size % 3];
  auto styled = kivo_style::compute_web_at_width(*document, loaded->stylesheets, width);
  if (!styled) return 0;
  kivo_fuzz::check_scene(*document, *styled, loaded->images, width);
  return 0;
}
