#include "layout/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "layout/inline.h"

namespace kivo_layout {
namespace {

// The number of words of a text: the bytes that are not white space and
// follow white space or start the text.
std::size_t words(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  // A short text in one pass that carries whether the byte before was white space.
  constexpr std::size_t kShort = 16;
  if (text.size() < kShort) {
    std::size_t count = 0;
    std::uint8_t before = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const std::uint8_t now = kWhiteSpaceBits[bytes[i]];
      count += before & (now ^ 1);
      before = now;
    }
    return count;
  }
  // A long one compares every byte with the one before it, which runs over
  // whole vectors of bytes; a 32-bit sum keeps the loop vectorised, and blocks
  // of 1 MiB cannot overflow it.
  std::size_t count = white_space_bit(bytes[0]) ^ 1;
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  for (std::size_t start = 1; start < text.size(); start += kBlock) {
    const std::size_t end = std::min(text.size(), start + kBlock);
    std::uint32_t block = 0;
    for (std::size_t i = start; i < end; ++i) block += white_space_bit(bytes[i - 1]) & (white_space_bit(bytes[i]) ^ 1);
    count += block;
  }
  return count;
}

// How many paints layout will push for the document, as far as it is cheap
// to tell: a box for the root, a box or an image per element and a run per
// word of text (a word too long for its line is painted character by
// character and pushes more).
// Capped by the paint limit, which no run passes.
std::size_t expected_paints(const kivo_dom::Document& document) {
  std::size_t count = 0;
  for (const kivo_dom::Node& node : document.nodes) {
    if (const std::string* text = node.kind.text_content()) {
      count += words(*text);
    } else {
      ++count;
    }
    if (count >= kMaxPaints) return kMaxPaints;
  }
  return count;
}

}  // namespace

LayoutResult<Scene> layout_with_images(const kivo_dom::Document& document, const kivo_style::StyledDocument& styles,
                                       TextMeasurer& measurer, const ImageTable& images, float width) {
  // 1. Refuse a viewport width outside the supported range.
  if (!std::isfinite(width) || width < kMinViewportWidth || width > kMaxViewportWidth) {
    return kivo_dom::err(layout_error(kViewportWidthError));
  }
  // 2. Start an empty scene as wide as the viewport, with room for what the
  // document can paint and bound, so that the lists are not copied as they grow.
  Context context(document, styles, measurer, images, width);
  context.scene.paints.reserve(expected_paints(document));
  context.scene.bounds.reserve(document.nodes.size());
  // 3. Lay the root out as the outermost block.
  KIVO_TRY_ASSIGN(const float height, context.sized_block(document.root(), 0, std::nullopt, std::nullopt, 0, 0, width));
  // 4. The page is at least as tall as the root block and never empty.
  context.scene.height = max_f(max_f(context.scene.height, height), 1);
  return std::move(context.scene);
}

}  // namespace kivo_layout
