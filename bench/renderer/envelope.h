// Writing the resource envelope the application would send: the page's HTML
// followed by the delivered stylesheet texts and image sizes, each entry keyed
// by the resource's position in the renderer's own manifest of that HTML.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bench_renderer {

struct ImagePixels {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// Packs "KIVO-R1\0", the HTML and a blob of the given (index, payload) entries.
std::string pack_envelope(std::string_view html, const std::vector<std::pair<std::uint32_t, std::string>>& entries);

// The 8-byte payload of an image entry.
std::string image_payload(ImagePixels size);

// Delivers every resource of the page's manifest: stylesheets in turn get the
// texts of `stylesheets` (an empty text once they run out), images the sizes
// of `images` in turn (cycling). The HTML must parse within the renderer's limits.
std::string deliver(std::string_view html, const std::vector<std::string>& stylesheets,
                    const std::vector<ImagePixels>& images);

}  // namespace bench_renderer
