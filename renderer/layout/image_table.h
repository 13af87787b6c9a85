// The sizes of the images the application delivered, by the img element they
// belong to. Filled from the resource envelope, read by layout.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "dom/node.h"

namespace kivo_layout {

struct ImageSize {
  // The image's manifest index (0 to 15), carried by the scene as its image id.
  std::uint32_t id = 0;
  // The natural size in CSS pixels.
  float width = 0;
  float height = 0;
};

using ImageTable = std::unordered_map<kivo_dom::NodeId, ImageSize>;

}  // namespace kivo_layout
