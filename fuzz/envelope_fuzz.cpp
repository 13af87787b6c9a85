// Fuzz target: the resource envelope. The input is split as a renderer input
// (`resources::unpack`) and its blob decoded against its own HTML; the whole
// input is also decoded as a blob against a fixed page with many resources.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "dom/result.h"
#include "engine/resources.h"
#include "html/parser.h"

namespace {

// Stylesheets and images at manifest indexes 0 to 7, with a base element.
constexpr std::string_view kPage =
    "<html><head><base href=\"https://example.test/\"><link rel=stylesheet href=a.css>"
    "<link rel=stylesheet href=b.css></head><body><img src=0.png><img src=1.png alt=one>"
    "<link rel=stylesheet href=c.css><img src=2.png><img src=3.png><img src=4.png></body></html>";

// Every delivered value stays inside the limits the decoder promises.
void check_loaded(const kivo_engine::Loaded& loaded) {
  namespace r = kivo_engine::resources;
  KIVO_CHECK(loaded.stylesheets.size() + loaded.images.size() <= r::kMaxEntries);
  std::uint64_t text = 0;
  for (const auto& [node, sheet] : loaded.stylesheets) text += sheet.size();
  KIVO_CHECK(text <= r::kMaxStylesheetBytes);
  double area = 0;
  for (const auto& [node, image] : loaded.images) {
    KIVO_CHECK(image.id < r::kMaxEntries);
    KIVO_CHECK(image.width >= 1 && image.width <= static_cast<float>(r::kMaxImageSide));
    KIVO_CHECK(image.height >= 1 && image.height <= static_cast<float>(r::kMaxImageSide));
    area += static_cast<double>(image.width) * static_cast<double>(image.height);
  }
  KIVO_CHECK(area <= static_cast<double>(r::kMaxImageArea));
}

const kivo_dom::Document& page() {
  static const kivo_dom::Document document = [] {
    auto parsed = kivo_html::parser::parse_web(kPage, kivo_html::kRendererLimits);
    KIVO_CHECK(parsed.ok());
    return std::move(*parsed);
  }();
  return document;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  auto unpacked = kivo_engine::resources::unpack(input, kivo_html::kRendererLimits.max_input_bytes);
  if (unpacked) {
    // Both parts are views into the input, one after the other.
    KIVO_CHECK(unpacked->html.size() + unpacked->blob.size() <= input.size());
    KIVO_CHECK(unpacked->blob.size() <= kivo_engine::resources::kMaxBlobBytes);
    auto document = kivo_html::parser::parse_web(unpacked->html, kivo_html::kRendererLimits);
    if (document) {
      auto loaded = kivo_engine::Loaded::decode(*document, unpacked->blob);
      if (loaded) check_loaded(*loaded);
    }
  }

  auto loaded = kivo_engine::Loaded::decode(page(), input);
  if (loaded) check_loaded(*loaded);
  return 0;
}
