// The inspected nodes of the scene JSON: the document tree in pre-order with
// each node's attributes, computed style and box, for the developer tools.
//
// Limits: at most 2,000 nodes are written (the flag "inspectorTruncated" tells
// that more were left); a text node shows its first 160 characters and an
// attribute value its first 256 (Unicode scalars; names are not cut). The walk
// uses an explicit stack, so the tree's depth costs no call depth.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dom/document.h"
#include "dom/result.h"
#include "json/io.h"
#include "json/write.h"
#include "style/values.h"

namespace kivo_style {
struct StyledDocument;
}  // namespace kivo_style

namespace kivo_layout {
struct Scene;
}  // namespace kivo_layout

namespace kivo_engine::inspection {

using kivo_dom::Result;
using kivo_json::IoError;

inline constexpr std::size_t kMaxNodes = 2000;
inline constexpr std::size_t kMaxTextChars = 160;
inline constexpr std::size_t kMaxAttributeValueChars = 256;

// Writes ,"nodes":[...],"inspectorTruncated":B into the open scene object.
Result<void, IoError> write_nodes(const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                                  const kivo_layout::Scene& scene, kivo_json::Output& out);
// The same into a batch (the scene writer's); on failure what was collected
// before the failing token has been handed on.
Result<void, IoError> write_nodes(const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                                  const kivo_layout::Scene& scene, kivo_json::Batch& batch);

// Writes the "computed" object of one node: the 30 entries of the style in
// their fixed order, or {} when the node has no style. Fails without writing
// anything when one of the style's numbers is not finite.
Result<void, IoError> write_computed(const kivo_style::Style* style, kivo_json::Output& out);

// A length as "50%" or "12.5px".
std::string length(const kivo_style::Length& length);

// The prefix of text holding at most max_chars Unicode scalars; never splits a
// UTF-8 sequence.
std::string_view cut_chars(std::string_view text, std::size_t max_chars);

// A colour 0xRRGGBBAA as "#" and eight lowercase hexadecimal digits.
std::string color_text(std::uint32_t color);

}  // namespace kivo_engine::inspection
