#include "document.h"

#include <algorithm>
#include <atomic>

namespace kivo_dom {

namespace {
std::atomic<std::uint64_t> g_next_document_id{1};
}  // namespace

Document::Document() : id(g_next_document_id.fetch_add(1, std::memory_order_relaxed)) {
  nodes.push_back(Node{std::nullopt, NodeKind::document(), {}, {}});
}

NodeId Document::insert(NodeKind kind) {
  const NodeId node{id, nodes.size()};
  nodes.emplace_back().kind = std::move(kind);
  return node;
}

Result<void, DomError> Document::append_child(NodeId parent, NodeId child) {
  if (!contains(parent)) return err(DomError::NoSuchNode);
  if (child.document != parent.document || child.index >= nodes.size()) return err(DomError::NoSuchNode);
  if (child.index == 0) return err(DomError::RootAsChild);
  if (nodes[parent.index].kind.is_text()) return err(DomError::TextParent);
  // Refuse to attach a node under itself or under one of its own descendants.
  std::optional<NodeId> walk = parent;
  while (walk) {
    if (*walk == child) return err(DomError::Cycle);
    walk = nodes[walk->index].parent;
  }
  Node& moved = nodes[child.index];
  if (moved.parent) {
    auto& siblings = nodes[moved.parent->index].children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), child), siblings.end());
  }
  moved.parent = parent;
  nodes[parent.index].children.push_back(child);
  return {};
}

Result<void, DomError> Document::set_attribute(NodeId node, std::string_view name, std::string value) {
  if (!contains(node)) return err(DomError::NoSuchNode);
  Node& target = nodes[node.index];
  if (!target.kind.is_element()) return err(DomError::NotElement);
  target.attributes.insert_or_assign(ascii_lowercase(name), std::move(value));
  return {};
}

}  // namespace kivo_dom
