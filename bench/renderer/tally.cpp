#include "tally.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <chrono>
#include <unordered_set>

#include "dom/text.h"
#include "engine/engine.h"
#include "engine/presentation.h"
#include "engine/resources.h"
#include "engine/scene_json.h"
#include "html/parser.h"
#include "json/io.h"
#include "layout/layout.h"
#include "layout/text_measurer.h"
#include "request.h"
#include "style/cascade.h"

namespace bench_renderer {
namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Answers like the harness and counts what it is asked.
class CountingMeasurer final : public kivo_layout::TextMeasurer {
 public:
  kivo_dom::Result<float, std::string> width(std::string_view text, float size, bool bold) override {
    ++asked;
    // The key holds the size's bits: formatting the number would cost more
    // than the layout's own work on the width.
    std::string key(text);
    key += bold ? '\1' : '\0';
    const auto bits = std::bit_cast<std::uint32_t>(size);
    key.append(reinterpret_cast<const char*>(&bits), sizeof bits);
    distinct.insert(std::move(key));
    measure_harness::Request request;
    request.size = size;
    request.bold = bold;
    for (const char c : text) request.characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return measure_harness::rule_width(request);
  }

  std::uint64_t asked = 0;
  std::unordered_set<std::string> distinct;
};

// Counts the document's bytes and keeps none, as a pipe to the application
// would take them.
class CountingOutput final : public kivo_json::Output {
 public:
  kivo_dom::Result<void, kivo_json::IoError> write(std::string_view bytes) override {
    written += bytes.size();
    return {};
  }
  kivo_dom::Result<void, kivo_json::IoError> flush() override { return {}; }
  std::uint64_t written = 0;
};

// The stages one after the other, each timed; the first failure ends them.
Tally stages(std::string_view input, const std::string& width_text) {
  Tally result;
  auto start = Clock::now();
  auto unpacked = kivo_engine::resources::unpack(input, kivo_html::kRendererLimits.max_input_bytes);
  if (!unpacked) {
    result.error = unpacked.error().display();
    return result;
  }
  const kivo_engine::Engine engine{kivo_html::kRendererLimits};
  auto document = engine.load_web_html(unpacked->html);
  if (!document) {
    result.error = document.error().display();
    return result;
  }
  result.nodes = document->nodes.size();
  if (width_text == "0") {
    const auto manifest = kivo_engine::Manifest::discover(*document);
    result.parse_ms = since(start);
    start = Clock::now();
    CountingOutput out;
    (void)manifest.write_json(out);
    result.write_ms = since(start);
    return result;
  }
  auto loaded = kivo_engine::Loaded::decode(*document, unpacked->blob);
  result.parse_ms = since(start);
  if (!loaded) {
    result.error = loaded.error().display();
    return result;
  }

  float width = 0;
  std::from_chars(width_text.data(), width_text.data() + width_text.size(), width);
  start = Clock::now();
  auto styled = kivo_style::compute_web_at_width(*document, loaded->stylesheets, width);
  result.style_ms = since(start);
  if (!styled) {
    result.error = styled.error().message;
    return result;
  }
  // The fallback warning is always the last one.
  result.fallback = !styled->warnings.empty() &&
                    styled->warnings.back().rfind("Author CSS could not be applied", 0) == 0;

  CountingMeasurer measurer;
  start = Clock::now();
  auto scene = kivo_layout::layout_with_images(*document, *styled, measurer, loaded->images, width);
  result.layout_ms = since(start);
  result.widths_asked = measurer.asked;
  result.distinct_widths = measurer.distinct.size();
  if (!scene) {
    result.error = scene.error().message;
    return result;
  }
  result.paints = scene->paints.size();

  start = Clock::now();
  CountingOutput out;
  const std::string title = kivo_engine::presentation::document_title(*document);
  (void)kivo_engine::scene_json::write(*scene, title, styled->warnings, *document, *styled, out);
  result.write_ms = since(start);
  return result;
}

}  // namespace

Tally tally(std::string_view input, const std::string& width_text) {
  const auto start = Clock::now();
  Tally result = stages(input, width_text);
  result.total_ms = since(start);
  return result;
}

}  // namespace bench_renderer
