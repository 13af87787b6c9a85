#include "envelope.h"

#include "dom/result.h"
#include "engine/resources.h"
#include "html/parser.h"

namespace bench_renderer {
namespace {

void append_u32(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value >> 24));
  out.push_back(static_cast<char>(value >> 16));
  out.push_back(static_cast<char>(value >> 8));
  out.push_back(static_cast<char>(value));
}

}  // namespace

std::string pack_envelope(std::string_view html, const std::vector<std::pair<std::uint32_t, std::string>>& entries) {
  std::string out(kivo_engine::resources::kMagic);
  append_u32(out, static_cast<std::uint32_t>(html.size()));
  out.append(html);
  append_u32(out, static_cast<std::uint32_t>(entries.size()));
  for (const auto& [index, payload] : entries) {
    append_u32(out, index);
    append_u32(out, static_cast<std::uint32_t>(payload.size()));
    out.append(payload);
  }
  return out;
}

std::string image_payload(ImagePixels size) {
  std::string out;
  append_u32(out, size.width);
  append_u32(out, size.height);
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
