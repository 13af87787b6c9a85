#include "envelope.h"

#include "dom/result.h"
#include "engine/resources.h"
#include "html/parser.h"
#include "support/frame_length.h"

namespace bench_renderer {

using kivo_wire::append_be32;

std::string pack_envelope(std::string_view html, const std::vector<std::pair<std::uint32_t, std::string>>& entries) {
  std::string out(kivo_engine::resources::kMagic);
  append_be32(out, static_cast<std::uint32_t>(html.size()));
  out.append(html);
  append_be32(out, static_cast<std::uint32_t>(entries.size()));
  for (const auto& [index, payload] : entries) {
    append_be32(out, index);
    append_be32(out, static_cast<std::uint32_t>(payload.size()));
    out.append(payload);
  }
  return out;
}

std::string image_payload(ImagePixels size) {
  std::string out;
  append_be32(out, size.width);
  append_be32(out, size.height);
  return out;
}

std::string deliver(std::string_view html, const std::vector<std::string>& stylesheets,
                    const std::vector<ImagePixels>& images) {
  auto document = kivo_html::parser::parse_web(html, kivo_html::kRendererLimits);
  KIVO_CHECK(document.ok());
  const auto manifest = kivo_engine::Manifest::discover(*document);
  std::vector<std::pair<std::uint32_t, std::string>> entries;
  std::size_t next_sheet = 0;
  std::size_t next_image = 0;
  for (std::uint32_t index = 0; index < manifest.resources.size(); ++index) {
    if (manifest.resources[index].kind == kivo_engine::Resource::kStylesheet) {
      entries.emplace_back(index, next_sheet < stylesheets.size() ? stylesheets[next_sheet] : std::string());
      ++next_sheet;
    } else if (!images.empty()) {
      entries.emplace_back(index, image_payload(images[next_image++ % images.size()]));
    }
  }
  return pack_envelope(html, entries);
}

}  // namespace bench_renderer
