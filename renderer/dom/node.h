// One node of a parsed document and the id that names it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kivo_dom {

// Names a node by its document's id and its position in that document's nodes.
struct NodeId {
  std::uint64_t document = 0;
  std::size_t index = 0;

  friend bool operator==(const NodeId&, const NodeId&) = default;
  friend auto operator<=>(const NodeId&, const NodeId&) = default;
};

// What a node is: the root, an element (lowercase tag name) or text.
struct NodeKind {
  enum class Tag : std::uint8_t { Document, Element, Text };

  Tag tag = Tag::Document;
  // The element's name or the text's characters; empty for the root.
  std::string data;

  static NodeKind document() { return {Tag::Document, {}}; }
  static NodeKind element(std::string name) { return {Tag::Element, std::move(name)}; }
  static NodeKind text(std::string text) { return {Tag::Text, std::move(text)}; }

  bool is_document() const { return tag == Tag::Document; }
  bool is_element() const { return tag == Tag::Element; }
  bool is_text() const { return tag == Tag::Text; }
  // The element name, or nullptr for a root or text node.
  const std::string* element_name() const { return tag == Tag::Element ? &data : nullptr; }
  // The text, or nullptr for a root or element node.
  const std::string* text_content() const { return tag == Tag::Text ? &data : nullptr; }
  // True for an element with exactly this (lowercase) name.
  bool is_element_named(std::string_view name) const { return tag == Tag::Element && data == name; }
};

struct Node {
  std::optional<NodeId> parent;
  NodeKind kind;
  std::vector<NodeId> children;
  // Ordered by the bytes of the (lowercase) names.
  std::map<std::string, std::string, std::less<>> attributes;

  // The value of the attribute of that name, compared ASCII case-insensitively.
  std::optional<std::string_view> attribute(std::string_view name) const;
};

// Lowercases ASCII letters A-Z only; every other byte is kept.
std::string ascii_lowercase(std::string_view text);

}  // namespace kivo_dom

template <>
struct std::hash<kivo_dom::NodeId> {
  std::size_t operator()(const kivo_dom::NodeId& id) const noexcept {
    return std::hash<std::uint64_t>{}(id.document * 0x9E3779B97F4A7C15ULL ^ id.index);
  }
};
