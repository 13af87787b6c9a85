#include "style/selectors.h"

#include <utility>

#include "dom/text.h"

namespace kivo_style {

using kivo_dom::Document;
using kivo_dom::Node;
using kivo_dom::NodeId;
using kivo_dom::Result;

namespace {

// Selector white space is the five ASCII bytes; vertical tab and non-ASCII
// spaces are ordinary bytes here.
bool is_selector_space(char c) { return kivo_dom::text::is_ascii_white_space(c); }

bool is_ident_byte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '-';
}

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::size_t skip_spaces(std::string_view text, std::size_t position) {
  while (position < text.size() && is_selector_space(text[position])) ++position;
  return position;
}

std::optional<PseudoClass> pseudo_class_named(std::string_view name) {
  if (name == "root") return PseudoClass::Root;
  if (name == "first-child") return PseudoClass::FirstChild;
  if (name == "last-child") return PseudoClass::LastChild;
  if (name == "empty") return PseudoClass::Empty;
  return std::nullopt;
}

// Reads one attribute selector after its "[" up to and including its "]".
std::optional<AttributeSelector> parse_attribute(std::string_view text, std::size_t& position) {
  position = skip_spaces(text, position);
  auto name = selectors::ident(text, position);
  if (!name) return std::nullopt;
  AttributeSelector attribute{kivo_dom::ascii_lowercase(*name), std::nullopt};
  position = skip_spaces(text, position);
  if (position < text.size() && text[position] == '=') {
    position = skip_spaces(text, position + 1);
    if (position < text.size() && (text[position] == '"' || text[position] == '\'')) {
      const char quote = text[position];
      const std::size_t close = text.find(quote, position + 1);
      if (close == std::string_view::npos) return std::nullopt;
      const std::string_view value = text.substr(position + 1, close - position - 1);
      if (value.find('\\') != std::string_view::npos) return std::nullopt;
      attribute.value = std::string(value);
      position = close + 1;
    } else {
      auto value = selectors::ident(text, position);
      if (!value) return std::nullopt;
      attribute.value = std::move(*value);
    }
    position = skip_spaces(text, position);
  }
  if (position >= text.size() || text[position] != ']') return std::nullopt;
  ++position;
  return attribute;
}

// Reads the simple selectors of one compound starting at position.
std::optional<Compound> parse_compound(std::string_view text, std::size_t& position) {
  Compound compound;
  if (position < text.size() && text[position] == '*') {
    ++position;
  } else if (position < text.size() && is_ascii_letter(text[position])) {
    compound.tag = kivo_dom::ascii_lowercase(*selectors::ident(text, position));
  }
  while (position < text.size()) {
    const char c = text[position];
    if (c == '#' || c == '.') {
      ++position;
      auto name = selectors::ident(text, position);
      if (!name) return std::nullopt;
      (c == '#' ? compound.ids : compound.classes).push_back(std::move(*name));
    } else if (c == ':') {
      ++position;
      auto name = selectors::ident(text, position);
      if (!name) return std::nullopt;
      auto pseudo = pseudo_class_named(*name);
      if (!pseudo) return std::nullopt;
      compound.pseudo_classes.push_back(*pseudo);
    } else if (c == '[') {
      ++position;
      auto attribute = parse_attribute(text, position);
      if (!attribute) return std::nullopt;
      compound.attributes.push_back(std::move(*attribute));
    } else {
      break;
    }
  }
  return compound;
}

bool class_list_contains(std::string_view list, std::string_view name) {
  std::size_t i = 0;
  while (i < list.size()) {
    while (i < list.size() && is_selector_space(list[i])) ++i;
    const std::size_t start = i;
    while (i < list.size() && !is_selector_space(list[i])) ++i;
    if (i > start && list.substr(start, i - start) == name) return true;
  }
  return false;
}

// Attribute names are stored lowercased by the tree, and selector names are
// lowercased when parsed, so a direct lookup finds what Node::attribute would.
const std::string* attribute_of(const Node& node, std::string_view lowercase_name) {
  const auto it = node.attributes.find(lowercase_name);
  return it == node.attributes.end() ? nullptr : &it->second;
}

// The parent of node when it names a node of this document.
const Node* parent_node(const Document& document, const Node& node) {
  if (!node.parent || !document.contains(*node.parent)) return nullptr;
  return &document.node(*node.parent);
}

// Walks the parent's children for first-child (stop at the first element) or
// last-child (examine them all), one step per child examined.
Result<bool, StyleError> is_edge_child(const Document& document, NodeId element, const Node& node, bool first,
                                       std::size_t& steps) {
  const Node* parent = parent_node(document, node);
  if (parent == nullptr || parent->children.empty()) return false;
  std::optional<std::size_t> found;
  for (const NodeId child : parent->children) {
    KIVO_TRY(selectors::count_step(steps));
    if (!document.contains(child) || !document.node(child).kind.is_element()) continue;
    found = child.index;
    if (first) break;
  }
  return found.has_value() && *found == element.index;
}

Result<bool, StyleError> is_empty(const Document& document, const Node& node, std::size_t& steps) {
  for (const NodeId child : node.children) {
    KIVO_TRY(selectors::count_step(steps));
    if (!document.contains(child)) continue;
    const kivo_dom::NodeKind& kind = document.node(child).kind;
    if (kind.is_element() || (kind.is_text() && !kind.data.empty())) return false;
  }
  return true;
}

// One matching call for one compound and one node: counts its step, then tests
// the compound's simple selectors in order, stopping at the first miss.
Result<bool, StyleError> match_compound(const Compound& compound, const Document& document, NodeId id,
                                        std::size_t& steps) {
  KIVO_TRY(selectors::count_step(steps));
  if (!document.contains(id)) return false;
  const Node& node = document.node(id);
  if (!node.kind.is_element()) return false;
  if (compound.tag && *compound.tag != node.kind.data) return false;
  if (!compound.ids.empty()) {
    const std::string* value = attribute_of(node, "id");
    for (const std::string& name : compound.ids) {
      if (value == nullptr || *value != name) return false;
    }
  }
  if (!compound.classes.empty()) {
    const std::string* value = attribute_of(node, "class");
    for (const std::string& name : compound.classes) {
      if (value == nullptr || !class_list_contains(*value, name)) return false;
    }
  }
  for (const AttributeSelector& attribute : compound.attributes) {
    const std::string* value = attribute_of(node, attribute.name);
    if (value == nullptr) return false;
    if (attribute.value && *value != *attribute.value) return false;
  }
  for (const PseudoClass pseudo : compound.pseudo_classes) {
    Result<bool, StyleError> matched = false;
    switch (pseudo) {
      case PseudoClass::Root: {
        const Node* parent = parent_node(document, node);
        matched = parent != nullptr && parent->kind.is_document();
        break;
      }
      case PseudoClass::FirstChild:
        matched = is_edge_child(document, id, node, true, steps);
        break;
      case PseudoClass::LastChild:
        matched = is_edge_child(document, id, node, false, steps);
        break;
      case PseudoClass::Empty:
        matched = is_empty(document, node, steps);
        break;
    }
    if (!matched || !*matched) return matched;
  }
  return true;
}

// The next ancestor to try after `current`: its parent, provided `current`
// names a node of this document.
std::optional<NodeId> parent_of(const Document& document, NodeId current) {
  if (!document.contains(current)) return std::nullopt;
  return document.node(current).parent;
}

}  // namespace

namespace selectors {

std::optional<std::string> ident(std::string_view text, std::size_t& position) {
  std::size_t end = position;
  while (end < text.size() && is_ident_byte(text[end])) ++end;
  if (end == position || position >= text.size()) return std::nullopt;
  std::string name(text.substr(position, end - position));
  position = end;
  return name;
}

bool rejects_by_name(const Compound& compound, const ElementFacts& element) {
  if (compound.tag && *compound.tag != *element.tag) return true;
  for (const std::string& name : compound.ids) {
    if (element.id == nullptr || *element.id != name) return true;
  }
  for (const std::string& name : compound.classes) {
    if (element.class_list == nullptr || !class_list_contains(*element.class_list, name)) return true;
  }
  return false;
}

}  // namespace selectors

ElementFacts ElementFacts::of(const Node& element) {
  KIVO_CHECK(element.kind.is_element());
  ElementFacts facts{&element.kind.data, nullptr, nullptr};
  // Elements carry few attributes: one pass that compares lengths first costs
  // less than two tree lookups that compare bytes at every level.
  for (const auto& [name, value] : element.attributes) {
    const std::string_view key = name;
    if (key == std::string_view("id")) {
      facts.id = &value;
    } else if (key == std::string_view("class")) {
      facts.class_list = &value;
    }
  }
  return facts;
}

std::optional<Selector> Selector::parse(std::string_view text) {
  if (text.empty() || text.size() > selectors::kMaxSelectorBytes) return std::nullopt;
  Selector selector;
  std::size_t position = 0;
  while (true) {
    // 1. Read one compound; it must consume at least one byte.
    if (selector.compounds.size() == selectors::kMaxCompounds) return std::nullopt;
    const std::size_t start = position;
    auto compound = parse_compound(text, position);
    if (!compound || position == start) return std::nullopt;
    selector.compounds.push_back(std::move(*compound));
    if (position == text.size()) return selector;
    // 2. White space may end the selector or stand for a descendant combinator.
    const std::size_t before_spaces = position;
    position = skip_spaces(text, position);
    if (position == text.size()) return selector;
    // 3. Read the combinator before the next compound.
    if (text[position] == '>') {
      position = skip_spaces(text, position + 1);
      selector.combinators.push_back(Combinator::Child);
    } else if (position > before_spaces) {
      selector.combinators.push_back(Combinator::Descendant);
    } else {
      return std::nullopt;
    }
    if (position == text.size()) return std::nullopt;
  }
}

Specificity Selector::specificity() const {
  Specificity result;
  for (const Compound& compound : compounds) {
    result.a += compound.ids.size();
    result.b += compound.classes.size() + compound.attributes.size() + compound.pseudo_classes.size();
    if (compound.tag) ++result.c;
  }
  return result;
}

Result<bool, StyleError> Selector::at(const Document& document, NodeId node, std::size_t index,
                                      std::size_t& steps) const {
  KIVO_CHECK(index < compounds.size());
  KIVO_CHECK(combinators.size() + 1 == compounds.size());
  auto subject = match_compound(compounds[index], document, node, steps);
  if (!subject || !*subject) return subject;
  return left_of(document, node, index, steps);
}

// Each frame stands for one pending ancestor walk: compound `index - 1` is being
// tried against `ancestor`, for the combinator left of compound `index`. The
// frames replace the recursion of a straightforward matcher; the outcome and
// the steps counted are the same, and no call depth grows with the tree.
Result<bool, StyleError> Selector::left_of(const Document& document, NodeId node, std::size_t index,
                                           std::size_t& steps) const {
  KIVO_CHECK(index < compounds.size());
  KIVO_CHECK(combinators.size() + 1 == compounds.size());
  struct Frame {
    std::size_t index;
    NodeId ancestor;
  };

  if (index == 0) return true;
  const std::optional<NodeId> first = parent_of(document, node);
  if (!first) return false;

  // Every frame stands for a compound left of `index`, so at most `index`
  // frames are open at once; a parsed selector's fit in a buffer on the stack.
  Frame inline_frames[selectors::kMaxCompounds];
  std::vector<Frame> spilled;
  Frame* frames = inline_frames;
  if (index > selectors::kMaxCompounds) {
    spilled.resize(index);
    frames = spilled.data();
  }
  std::size_t open = 0;
  frames[open++] = Frame{index, *first};
  while (open > 0) {
    Frame& frame = frames[open - 1];
    const std::size_t left = frame.index - 1;
    KIVO_TRY_ASSIGN(const bool matched, match_compound(compounds[left], document, frame.ancestor, steps));
    if (matched) {
      if (left == 0) return true;
      if (const std::optional<NodeId> next = parent_of(document, frame.ancestor)) {
        frames[open++] = Frame{left, *next};
        continue;
      }
    }
    // The attempt failed: move the innermost walk up one ancestor, and unwind
    // every walk that cannot move (a child combinator or the top of the tree).
    while (open > 0) {
      Frame& walk = frames[open - 1];
      if (combinators[walk.index - 1] == Combinator::Descendant) {
        if (const std::optional<NodeId> up = parent_of(document, walk.ancestor)) {
          walk.ancestor = *up;
          break;
        }
      }
      --open;
    }
  }
  return false;
}

}  // namespace kivo_style
