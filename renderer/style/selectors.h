// The renderer's selector language: type, universal, id, class and attribute
// selectors, the pseudo-classes root, first-child, last-child and empty, and
// the descendant and child combinators.
//
// Limits: a selector text is at most 256 bytes and holds at most 16 compound
// selectors. Matching counts every call, every ancestor tried and every child
// examined by a pseudo-class against one budget of 2,000,000 steps per cascade
// run; the step that would pass it fails with "CSS matching budget exceeded".
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dom/document.h"
#include "dom/result.h"
#include "style/error.h"

namespace kivo_style {

namespace selectors {

inline constexpr std::size_t kMaxSelectorBytes = 256;
inline constexpr std::size_t kMaxCompounds = 16;
inline constexpr std::size_t kMatchingBudget = 2'000'000;
inline constexpr const char* kBudgetExceeded = "CSS matching budget exceeded";

// Reads the longest run of identifier bytes (ASCII letters, digits, "_", "-")
// at position and moves position past it; absent, with position unchanged,
// when there is none.
std::optional<std::string> ident(std::string_view text, std::size_t& position);

// Adds one step to a cascade run's counter; fails once the budget is passed.
inline kivo_dom::Result<void, StyleError> count_step(std::size_t& steps) {
  ++steps;
  if (steps > kMatchingBudget) return kivo_dom::err(StyleError{kBudgetExceeded});
  return {};
}

}  // namespace selectors

enum class Combinator : std::uint8_t { Descendant = 0, Child = 1 };

enum class PseudoClass : std::uint8_t { Root = 0, FirstChild = 1, LastChild = 2, Empty = 3 };

struct AttributeSelector {
  // ASCII-lowercased.
  std::string name;
  // Absent for a bare [name]; compared case-sensitively.
  std::optional<std::string> value;

  friend bool operator==(const AttributeSelector&, const AttributeSelector&) = default;
};

struct Compound {
  // ASCII-lowercased type selector; absent for "*" or no type selector.
  std::optional<std::string> tag;
  std::vector<std::string> ids;
  std::vector<std::string> classes;
  std::vector<AttributeSelector> attributes;
  std::vector<PseudoClass> pseudo_classes;

  friend bool operator==(const Compound&, const Compound&) = default;
};

// (ids, classes + attributes + pseudo-classes, type selectors), compared in that order.
struct Specificity {
  std::size_t a = 0;
  std::size_t b = 0;
  std::size_t c = 0;

  friend bool operator==(const Specificity&, const Specificity&) = default;
  friend auto operator<=>(const Specificity&, const Specificity&) = default;
};

// What subject matching reads from one element, looked up once per element
// rather than once per rule.
struct ElementFacts {
  // The element's (lowercase) name.
  const std::string* tag = nullptr;
  // The values of its id and class attributes, or nullptr without them.
  const std::string* id = nullptr;
  const std::string* class_list = nullptr;

  // The facts of an element node.
  static ElementFacts of(const kivo_dom::Node& element);
};

namespace selectors {

// True when the compound's type, id or class selectors rule the element out.
// Matching the compound against that element would then end within its first
// step, before any attribute or pseudo-class is tested; false says nothing.
bool rejects_by_name(const Compound& compound, const ElementFacts& element);

}  // namespace selectors

struct Selector {
  // Left to right; the last compound is tested against the subject node.
  std::vector<Compound> compounds;
  // combinators[i] stands between compounds[i] and compounds[i + 1].
  std::vector<Combinator> combinators;

  // Parses one selector (no lists); absent when the text is outside the subset.
  static std::optional<Selector> parse(std::string_view text);

  // The selector's specificity, summed over all its compounds.
  Specificity specificity() const;

  // Tests compounds[index] and everything left of it against node, counting
  // steps against the run's budget; index must be below the number of compounds.
  kivo_dom::Result<bool, StyleError> at(const kivo_dom::Document& document, kivo_dom::NodeId node, std::size_t index,
                                        std::size_t& steps) const;

  // The rest of at() once compounds[index] has matched node: tests the
  // compounds left of it against node's ancestors, counting the same steps.
  kivo_dom::Result<bool, StyleError> left_of(const kivo_dom::Document& document, kivo_dom::NodeId node,
                                             std::size_t index, std::size_t& steps) const;

  friend bool operator==(const Selector&, const Selector&) = default;
};

}  // namespace kivo_style
