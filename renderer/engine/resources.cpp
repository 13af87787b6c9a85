#include "resources.h"

#include <array>

#include "dom/text.h"
#include "json/write.h"
#include "support/frame_length.h"

namespace kivo_engine {

namespace {

using kivo_dom::Document;
using kivo_dom::Node;
using kivo_dom::NodeId;
using kivo_dom::Result;
using kivo_json::IoError;
using kivo_json::Output;

IoError invalid_envelope() { return IoError::invalid_data(std::string(resources::kInvalidEnvelope)); }

std::uint32_t read_u32_be(std::string_view bytes, std::size_t offset) {
  KIVO_CHECK(offset + kivo_wire::kFrameLengthBytes <= bytes.size());
  return kivo_wire::read_be32(bytes.substr(offset));
}

bool usable_url(const std::optional<std::string_view>& url) {
  return url.has_value() && !url->empty() && url->size() <= Manifest::kMaxUrlBytes;
}

// Elements whose content never yields a resource.
bool is_opaque_container(std::string_view name) {
  static constexpr std::array<std::string_view, 5> kNames = {"template", "svg", "script", "iframe", "object"};
  for (std::string_view opaque : kNames) {
    if (name == opaque) return true;
  }
  return false;
}

// The rel attribute's tokens hold "stylesheet" and not "alternate", letters folded.
bool rel_is_stylesheet(std::string_view rel) {
  bool stylesheet = false;
  std::size_t i = 0;
  while (i < rel.size()) {
    if (kivo_dom::text::is_ascii_white_space(rel[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < rel.size() && !kivo_dom::text::is_ascii_white_space(rel[end])) ++end;
    const std::string_view token = rel.substr(i, end - i);
    if (kivo_dom::text::ascii_equal_ignore_case(token, "alternate")) return false;
    if (kivo_dom::text::ascii_equal_ignore_case(token, "stylesheet")) stylesheet = true;
    i = end;
  }
  return stylesheet;
}

bool media_is_screen(std::string_view media) {
  const std::string_view value = kivo_dom::text::trim_unicode_white_space(media);
  return value.empty() || kivo_dom::text::ascii_equal_ignore_case(value, "all") ||
         kivo_dom::text::ascii_equal_ignore_case(value, "screen");
}

// The href of a link that is an applicable stylesheet, or nothing.
std::optional<std::string_view> stylesheet_href(const Node& link) {
  if (!rel_is_stylesheet(link.attribute("rel").value_or(""))) return std::nullopt;
  if (link.attribute("disabled").has_value()) return std::nullopt;
  if (!media_is_screen(link.attribute("media").value_or(""))) return std::nullopt;
  std::optional<std::string_view> href = link.attribute("href");
  if (!usable_url(href)) return std::nullopt;
  return href;
}

// Checks and stores one entry's payload under the element of its resource.
struct EntryReader {
  Loaded& loaded;
  std::uint64_t stylesheet_bytes = 0;
  std::uint64_t image_area = 0;

  Result<void, IoError> store(const Resource& resource, std::uint32_t index, std::string_view payload) {
    if (resource.kind == Resource::kStylesheet) {
      stylesheet_bytes += payload.size();
      if (stylesheet_bytes > resources::kMaxStylesheetBytes) return kivo_dom::err(invalid_envelope());
      if (!kivo_dom::text::is_valid_utf8(payload)) return kivo_dom::err(invalid_envelope());
      loaded.stylesheets.insert_or_assign(resource.node, std::string(payload));
      return {};
    }
    if (payload.size() != 8) return kivo_dom::err(invalid_envelope());
    const std::uint32_t width = read_u32_be(payload, 0);
    const std::uint32_t height = read_u32_be(payload, 4);
    const auto side_ok = [](std::uint32_t side) { return side >= 1 && side <= resources::kMaxImageSide; };
    if (!side_ok(width) || !side_ok(height)) return kivo_dom::err(invalid_envelope());
    image_area += static_cast<std::uint64_t>(width) * height;
    if (image_area > resources::kMaxImageArea) return kivo_dom::err(invalid_envelope());
    loaded.images.insert_or_assign(resource.node,
                                   LoadedImage{index, static_cast<float>(width), static_cast<float>(height)});
    return {};
  }
};

}  // namespace

Manifest Manifest::discover(const Document& document) {
  Manifest manifest;
  const auto offer = [&manifest](std::string_view url, NodeId node, std::uint8_t kind) {
    if (manifest.resources.size() == kMaxResources) {
      manifest.limited = true;
      return;
    }
    manifest.resources.push_back(Resource{std::string(url), node, kind});
  };
  std::vector<NodeId> stack{document.root()};
  while (!stack.empty()) {
    const NodeId id = stack.back();
    stack.pop_back();
    if (!document.contains(id)) continue;
    const Node& node = document.node(id);
    if (const std::string* name = node.kind.element_name()) {
      if (is_opaque_container(*name)) continue;
      if (*name == "base") {
        const std::optional<std::string_view> href = node.attribute("href");
        if (!manifest.base.has_value() && href.has_value() && href->size() <= kMaxUrlBytes) {
          manifest.base = std::string(*href);
        }
      } else if (*name == "link") {
        if (const auto href = stylesheet_href(node)) offer(*href, id, Resource::kStylesheet);
      } else if (*name == "img") {
        const std::optional<std::string_view> src = node.attribute("src");
        if (usable_url(src)) offer(*src, id, Resource::kImage);
      }
    }
    stack.insert(stack.end(), node.children.rbegin(), node.children.rend());
  }
  return manifest;
}

Result<void, IoError> Manifest::write_json(Output& out) const {
  KIVO_TRY(out.write("{\"resources\":["));
  for (std::size_t i = 0; i < resources.size(); ++i) {
    KIVO_TRY(out.write(i == 0 ? "{\"id\":" : ",{\"id\":"));
    KIVO_TRY(kivo_json::write_u64(i, out));
    KIVO_TRY(out.write(",\"kind\":"));
    KIVO_TRY(kivo_json::write_u64(resources[i].kind, out));
    KIVO_TRY(out.write(",\"url\":"));
    KIVO_TRY(kivo_json::write_string(resources[i].url, out));
    KIVO_TRY(out.write("}"));
  }
  KIVO_TRY(out.write("],\"base\":"));
  if (base.has_value()) {
    KIVO_TRY(kivo_json::write_string(*base, out));
  } else {
    KIVO_TRY(out.write("null"));
  }
  KIVO_TRY(out.write(",\"limited\":"));
  KIVO_TRY(kivo_json::write_bool(limited, out));
  return out.write("}\n");
}

Result<Loaded, IoError> Loaded::decode(const Document& document, std::string_view blob) {
  // 1. An empty blob delivers nothing.
  if (blob.empty()) return Loaded{};
  // 2. Bound the blob before any work is done for it.
  if (blob.size() > resources::kMaxBlobBytes) return kivo_dom::err(invalid_envelope());
  // 3. Recompute the manifest whose positions the entries name.
  const Manifest manifest = Manifest::discover(document);
  // 4. Read the entry count.
  if (blob.size() < 4) return kivo_dom::err(IoError::unexpected_eof());
  const std::uint32_t count = read_u32_be(blob, 0);
  if (count > resources::kMaxEntries) return kivo_dom::err(invalid_envelope());
  // 5. Read every entry, checking its header before its payload.
  Loaded loaded;
  EntryReader reader{loaded};
  std::array<bool, Manifest::kMaxResources> used{};
  std::size_t offset = 4;
  for (std::uint32_t entry = 0; entry < count; ++entry) {
    const std::size_t remaining = blob.size() - offset;
    if (remaining < 8) return kivo_dom::err(IoError::unexpected_eof());
    const std::uint32_t index = read_u32_be(blob, offset);
    if (index >= manifest.resources.size()) return kivo_dom::err(invalid_envelope());
    const std::uint32_t length = read_u32_be(blob, offset + 4);
    if (used[index] || length > remaining - 8) return kivo_dom::err(invalid_envelope());
    used[index] = true;
    const std::string_view payload = blob.substr(offset + 8, length);
    KIVO_TRY(reader.store(manifest.resources[index], index, payload));
    offset += 8 + static_cast<std::size_t>(length);
  }
  // 6. Nothing may follow the last entry.
  if (offset != blob.size()) return kivo_dom::err(invalid_envelope());
  return loaded;
}

namespace resources {

Result<Unpacked, IoError> unpack(std::string_view input, std::size_t html_limit) {
  // 1. Plain HTML: the whole input is the text.
  if (input.size() < kMagic.size() || input.substr(0, kMagic.size()) != kMagic) {
    if (input.size() > html_limit || !kivo_dom::text::is_valid_utf8(input)) {
      return kivo_dom::err(invalid_envelope());
    }
    return Unpacked{input, input.substr(input.size())};
  }
  // 2. Read the HTML length.
  if (input.size() < 12) return kivo_dom::err(IoError::unexpected_eof());
  const std::uint32_t length = read_u32_be(input, 8);
  if (length > html_limit) return kivo_dom::err(invalid_envelope());
  // 3. Bound the text and the blob that follows it.
  const std::size_t after_header = input.size() - 12;
  if (length > after_header || after_header - length > kMaxBlobBytes) return kivo_dom::err(invalid_envelope());
  // 4. Split and check the text.
  const std::string_view html = input.substr(12, length);
  if (!kivo_dom::text::is_valid_utf8(html)) return kivo_dom::err(invalid_envelope());
  return Unpacked{html, input.substr(12 + static_cast<std::size_t>(length))};
}

}  // namespace resources

}  // namespace kivo_engine
