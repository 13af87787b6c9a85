// The HTML parser: turns the text of one page into a document tree.
//
// It is forgiving about structure and strict about budgets. It never invents
// elements, keeps every character of text, and applies only void elements,
// raw-text elements and a short table of implied end tags. A parse fails only
// at a limit, at a NUL or at malformed tag syntax, and then returns no tree at
// all. It builds the tree itself, one node after the other, so no tree
// operation can refuse it.
//
// Limits, all enforced before and while reading: the text's size
// (max_input_bytes, checked before anything is read), the number of nodes
// including the root (max_nodes, checked before each node is inserted) and the
// number of simultaneously open elements (max_depth, checked before each start
// tag). Tags are further bounded to 128 attributes each. The parser never
// recurses; open elements live on an explicit stack.
//
// The text must already be valid UTF-8 (the envelope reader checks it). The
// parser only ever splits it at ASCII bytes, so no multi-byte character is
// cut and every error offset lies on a character boundary.
#pragma once

#include <cstdint>
#include <string_view>

#include "dom/document.h"
#include "dom/result.h"
#include "html/error.h"
#include "html/tag.h"
#include "support/wire_contract.h"

namespace kivo_html {

struct ParseLimits {
  // Largest accepted HTML text, in bytes (equal is accepted).
  std::uint64_t max_input_bytes = 0;
  // Largest number of nodes of the document, the root included.
  std::uint64_t max_nodes = 0;
  // Largest number of elements open at the same time.
  std::uint64_t max_depth = 0;
};

// The limits every renderer run parses with.
inline constexpr ParseLimits kRendererLimits{kivo_wire::kMaxHtmlBytes, 50'000, 128};

namespace parser {

// Parses a page's HTML text in web mode.
kivo_dom::Result<kivo_dom::Document, ParseError> parse_web(std::string_view html, ParseLimits limits);

// The parsing loop in the given mode; parse_web is the only caller's entry.
kivo_dom::Result<kivo_dom::Document, ParseError> parse_mode(std::string_view html, ParseLimits limits, Mode mode);

}  // namespace parser
}  // namespace kivo_html
