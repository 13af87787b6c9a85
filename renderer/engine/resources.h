// The page's subresources on both sides of the process boundary: the manifest
// the renderer lists for the application to fetch, and the resource envelope in
// which the application hands the fetched stylesheets and image sizes back.
//
// Envelope layout (integers unsigned 32-bit big-endian):
//   "KIVO-R1\0", L, L bytes of UTF-8 HTML, then the resource blob.
// Resource blob: empty, or C (0 to 16) then C entries of
//   manifest index, P, P bytes of payload (stylesheet text, or for an image
//   its width and height, 1 to 4,096 each).
//
// Limits, enforced before anything is stored:
//   HTML text                     the caller's limit (1,048,576 in the renderer)
//   resource blob                 66,560 bytes
//   entries                       16, each manifest index at most once
//   stylesheet payloads, summed   65,536 bytes
//   image width, image height     1 to 4,096
//   width x height, summed        4,000,000
// The manifest lists at most 16 resources with URLs of 1 to 4,096 bytes; a base
// href longer than 4,096 bytes is not taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dom/document.h"
#include "dom/result.h"
#include "json/io.h"
#include "layout/image_table.h"
#include "support/wire_contract.h"

namespace kivo_engine {

// One stylesheet link or image the application should fetch.
struct Resource {
  static constexpr std::uint8_t kStylesheet = 1;
  static constexpr std::uint8_t kImage = 2;

  // The attribute value as the parser stored it, 1 to 4,096 bytes.
  std::string url;
  // The link or img element it came from.
  kivo_dom::NodeId node;
  // kStylesheet or kImage.
  std::uint8_t kind = 0;

  friend bool operator==(const Resource&, const Resource&) = default;
};

// The document's subresources in document order; a resource's position is its
// manifest index, shared with the application.
struct Manifest {
  static constexpr std::size_t kMaxResources = kivo_wire::kMaxResources;
  static constexpr std::size_t kMaxUrlBytes = kivo_wire::kMaxResourceUrlBytes;

  std::vector<Resource> resources;
  // The href of the first base element with a usable href.
  std::optional<std::string> base;
  // True when a further resource was found after 16 had been listed.
  bool limited = false;

  // Lists the document's stylesheet links and images; never fails.
  static Manifest discover(const kivo_dom::Document& document);
  // Writes {"resources":[...],"base":...,"limited":...} and one line feed.
  kivo_dom::Result<void, kivo_json::IoError> write_json(kivo_json::Output& out) const;
};

using LoadedImage = kivo_layout::ImageSize;

// What the application delivered, keyed by the element each resource belongs to.
struct Loaded {
  std::unordered_map<kivo_dom::NodeId, std::string> stylesheets;
  kivo_layout::ImageTable images;

  // Reads the resource blob against the manifest of the same document.
  static kivo_dom::Result<Loaded, kivo_json::IoError> decode(const kivo_dom::Document& document,
                                                               std::string_view blob);
};

namespace resources {

inline constexpr std::string_view kMagic = kivo_wire::kEnvelopeMagic;
inline constexpr std::size_t kMaxBlobBytes = kivo_wire::kMaxBlobBytes;
inline constexpr std::uint32_t kMaxEntries = kivo_wire::kMaxResources;
inline constexpr std::uint64_t kMaxStylesheetBytes = kivo_wire::kMaxStylesheetBytes;
inline constexpr std::uint32_t kMaxImageSide = kivo_wire::kMaxImageSide;
inline constexpr std::uint64_t kMaxImageArea = kivo_wire::kMaxImagePixels;
// The display text of every refused envelope or blob other than a short read.
inline constexpr std::string_view kInvalidEnvelope = "Invalid or oversized resource envelope";

// The HTML text and the resource blob of one input, as views into it.
struct Unpacked {
  std::string_view html;
  std::string_view blob;
};

// Splits an input into its HTML text and resource blob: an envelope when it
// starts with the magic, else plain HTML with an empty blob.
kivo_dom::Result<Unpacked, kivo_json::IoError> unpack(std::string_view input, std::size_t html_limit);

}  // namespace resources

}  // namespace kivo_engine
