// The cascade: gives every node of a document its computed style for one
// viewport width, from built-in element styles, the document's author CSS (its
// style elements and delivered stylesheets) and its style attributes.
//
// Limits: viewport width 160 to 8192; 64 KiB of collected author CSS; 8 KiB per
// style attribute; tree depth 128 below the document node; 2,000,000 matching
// steps per run; the rules parser's 512 rules (parser.h). When author CSS fails
// any of its budgets, the document is styled again with built-in styles only
// and a warning says why.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "dom/document.h"
#include "dom/result.h"
#include "style/error.h"
#include "style/values.h"
#include "support/wire_contract.h"

namespace kivo_style {

inline constexpr float kMinViewportWidth = kivo_wire::kMinViewportWidth;
inline constexpr float kMaxViewportWidth = kivo_wire::kMaxViewportWidth;
inline constexpr std::size_t kMaxAuthorCssBytes = 65'536;
inline constexpr std::size_t kMaxInlineCssBytes = 8'192;
inline constexpr std::size_t kMaxStyleDepth = 128;

struct StyledDocument {
  // One entry for every node reachable from the root, text and document nodes included.
  std::unordered_map<kivo_dom::NodeId, Style> styles;
  // Sorted by byte value without duplicates; a fallback warning, if any, comes last.
  std::vector<std::string> warnings;

  // The computed style of a node, or nullptr when the node was not styled.
  const Style* find(kivo_dom::NodeId node) const {
    const auto it = styles.find(node);
    return it == styles.end() ? nullptr : &it->second;
  }
};

// Styles a document for one viewport width, falling back to built-in styles
// (with a warning) when its author CSS cannot be applied.
kivo_dom::Result<StyledDocument, StyleError> compute_web_at_width(
    const kivo_dom::Document& document, const std::unordered_map<kivo_dom::NodeId, std::string>& stylesheets,
    float viewport_width);

// One cascade run; with author false, style elements, delivered stylesheets
// and style attributes are ignored.
kivo_dom::Result<StyledDocument, StyleError> compute_mode(
    const kivo_dom::Document& document, bool author,
    const std::unordered_map<kivo_dom::NodeId, std::string>& stylesheets, float viewport_width);

}  // namespace kivo_style
