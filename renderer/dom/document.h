// The document tree: one array of nodes, built only by the HTML parser and
// read-only afterwards. Nodes are never removed, so a NodeId stays valid for the
// document's life. The tree itself has no size limit; the parser enforces the
// node count and depth limits while it builds.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "node.h"
#include "result.h"

namespace kivo_dom {

enum class DomError : std::uint8_t { NoSuchNode, RootAsChild, TextParent, Cycle, NotElement };

class Document {
 public:
  // Creates a document holding only its root and takes the next process-wide id.
  Document();

  std::vector<Node> nodes;
  std::uint64_t id = 0;

  // The root's id: index 0 of this document.
  NodeId root() const { return NodeId{id, 0}; }
  // True when the id names a node of this document.
  bool contains(NodeId node) const { return node.document == id && node.index < nodes.size(); }
  // The node an id names; the id must name a node of this document.
  const Node& node(NodeId node) const {
    KIVO_CHECK(contains(node));
    return nodes[node.index];
  }

  // Appends a node without parent and returns its id.
  NodeId insert(NodeKind kind);
  // Attaches child as the last child of parent, moving it if attached elsewhere.
  Result<void, DomError> append_child(NodeId parent, NodeId child);
  // Stores one attribute of an element under its ASCII-lowercased name.
  Result<void, DomError> set_attribute(NodeId node, std::string_view name, std::string value);
};

}  // namespace kivo_dom
