// Helpers of the engine's tests: small document trees built straight through
// the tree's own operations (so the tests do not depend on the HTML parser),
// and an output that fails on demand.
#pragma once

#include <cerrno>
#include <cstddef>
#include <string_view>
#include <string>
#include <utility>
#include <vector>

#include "dom/document.h"
#include "dom/result.h"
#include "json/io.h"

namespace kivo_engine::test {

// A node to build: an element with attributes and children, or a text.
struct Tree {
  kivo_dom::NodeKind kind;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<Tree> children;
};

inline Tree T(std::string text) { return Tree{kivo_dom::NodeKind::text(std::move(text)), {}, {}}; }

inline Tree E(std::string name, std::vector<Tree> children = {}) {
  return Tree{kivo_dom::NodeKind::element(std::move(name)), {}, std::move(children)};
}

inline Tree E(std::string name, std::vector<std::pair<std::string, std::string>> attributes,
              std::vector<Tree> children = {}) {
  return Tree{kivo_dom::NodeKind::element(std::move(name)), std::move(attributes), std::move(children)};
}

// Inserts the trees under the root in document order, so node indices grow in
// document order as they do for a parsed page.
inline kivo_dom::Document build(const std::vector<Tree>& top) {
  kivo_dom::Document document;
  std::vector<std::pair<const Tree*, kivo_dom::NodeId>> stack;
  for (auto it = top.rbegin(); it != top.rend(); ++it) stack.emplace_back(&*it, document.root());
  while (!stack.empty()) {
    const auto [tree, parent] = stack.back();
    stack.pop_back();
    const kivo_dom::NodeId id = document.insert(tree->kind);
    for (const auto& [name, value] : tree->attributes) {
      KIVO_CHECK(document.set_attribute(id, name, value).ok());
    }
    KIVO_CHECK(document.append_child(parent, id).ok());
    for (auto it = tree->children.rbegin(); it != tree->children.rend(); ++it) stack.emplace_back(&*it, id);
  }
  return document;
}

// The id of the n-th element (from 0, in document order) with that name.
inline kivo_dom::NodeId nth_element(const kivo_dom::Document& document, std::string_view name, std::size_t n) {
  for (std::size_t i = 0; i < document.nodes.size(); ++i) {
    if (document.nodes[i].kind.is_element_named(name) && n-- == 0) return kivo_dom::NodeId{document.id, i};
  }
  kivo_dom::fail_invariant("no such element");
}

// Accepts a number of writes, then fails every later one with EPIPE.
class FailingOutput final : public kivo_json::Output {
 public:
  explicit FailingOutput(int writes_left) : m_writes_left(writes_left) {}
  kivo_dom::Result<void, kivo_json::IoError> write(std::string_view bytes) override {
    if (m_writes_left-- <= 0) return kivo_dom::err(kivo_json::IoError::os(EPIPE));
    text.append(bytes);
    return {};
  }
  kivo_dom::Result<void, kivo_json::IoError> flush() override { return {}; }
  std::string text;

 private:
  int m_writes_left;
};

}  // namespace kivo_engine::test
