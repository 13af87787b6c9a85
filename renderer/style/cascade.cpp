#include "style/cascade.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "dom/text.h"
#include "style/declarations.h"
#include "style/parser.h"
#include "style/selectors.h"
#include "style/syntax.h"

namespace kivo_style {

using kivo_dom::Document;
using kivo_dom::Node;
using kivo_dom::NodeId;
using kivo_dom::Result;
using Stylesheets = std::unordered_map<NodeId, std::string>;

namespace {

constexpr std::string_view kFallbackWarning = "Author CSS could not be applied; basic document styles used: ";

StyleError style_error(std::string message) { return StyleError{std::move(message)}; }

StyleError invalid_dom() { return style_error("invalid DOM"); }

// A rule with what matching needs from it, worked out once per run rather than
// once per element.
struct PreparedRule {
  const Rule* rule;
  std::size_t last_compound;
  Specificity specificity;
  // True when the subject compound has only type, id and class selectors, so
  // that passing the name test is the whole subject match.
  bool subject_is_names;
  // True when the subject compound has a pseudo-class, whose outcome depends
  // on the element's place among its siblings or on its children.
  bool subject_has_pseudo_class;
};

// One declaration that applies to the element, with its precedence key:
// importance, then inline, then specificity, rule order and declaration index.
struct Matched {
  bool important;
  bool is_inline;
  Specificity specificity;
  std::size_t order;
  std::size_t index;
  const Declaration* declaration;

  auto key() const { return std::tie(important, is_inline, specificity, order, index); }
};

// Orders matched declarations from weakest to strongest, equal keys in the
// order they were matched. An element matches a few declarations as a rule,
// which a plain insertion sort orders without the merge sort's buffer.
void sort_weakest_first(std::vector<Matched>& matched) {
  const auto weaker = [](const Matched& a, const Matched& b) { return a.key() < b.key(); };
  constexpr std::size_t kInsertionLimit = 16;
  if (matched.size() > kInsertionLimit) {
    std::stable_sort(matched.begin(), matched.end(), weaker);
    return;
  }
  for (std::size_t i = 1; i < matched.size(); ++i) {
    const Matched entry = matched[i];
    std::size_t j = i;
    for (; j > 0 && weaker(entry, matched[j - 1]); --j) matched[j] = matched[j - 1];
    matched[j] = entry;
  }
}

// True when the tree was walked more often than it has nodes: a node reached
// twice means the parent links do not form a tree.
bool walked_too_often(std::size_t popped, const Document& document) { return popped > document.nodes.size(); }

// Collects the texts of style elements and delivered stylesheets in document
// order, each followed by a line feed; without author CSS it only checks ids.
Result<std::string, StyleError> collect_author_css(const Document& document, bool author,
                                                   const Stylesheets& stylesheets) {
  std::string css;
  std::vector<NodeId> stack{document.root()};
  std::size_t popped = 0;
  while (!stack.empty()) {
    const NodeId id = stack.back();
    stack.pop_back();
    if (!document.contains(id) || walked_too_often(++popped, document)) return kivo_dom::err(invalid_dom());
    const Node& node = document.node(id);
    if (author) {
      if (!stylesheets.empty()) {
        if (const auto sheet = stylesheets.find(id); sheet != stylesheets.end()) {
          if (css.size() + sheet->second.size() >= kMaxAuthorCssBytes) {
            return kivo_dom::err(style_error("CSS exceeds 64 KiB"));
          }
          css += sheet->second;
          css += '\n';
        }
      }
      if (node.kind.is_element_named("style")) {
        for (const NodeId child : node.children) {
          if (!document.contains(child)) continue;
          const std::string* text = document.node(child).kind.text_content();
          if (text == nullptr) continue;
          if (css.size() + text->size() > kMaxAuthorCssBytes) {
            return kivo_dom::err(style_error("CSS exceeds 64 KiB"));
          }
          css += *text;
          css += '\n';
        }
      }
    }
    for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) stack.push_back(*child);
  }
  return css;
}

// A heading is "h" and a level of 1 to 6 written as an unsigned decimal number.
std::optional<std::uint64_t> heading_level(std::string_view name) {
  if (name.size() < 2 || name.front() != 'h') return std::nullopt;
  const std::optional<std::uint64_t> level = syntax::unsigned_decimal(name.substr(1));
  if (!level || *level < 1 || *level > 6) return std::nullopt;
  return level;
}

bool is_one_of(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The values every element of a name has before author CSS.
void apply_built_in(std::string_view name, Style& style) {
  if (name == "a") {
    style.display = Display::Inline;
    style.color = 0x6355C7FF;
  } else if (name == "b" || name == "strong") {
    style.display = Display::Inline;
    style.bold = true;
  } else if (is_one_of(name, {"i", "em", "br", "span"})) {
    style.display = Display::Inline;
  } else if (name == "p") {
    style.display = Display::Block;
    style.margin = {0, 0, 16, 0};
  } else if (name == "ul" || name == "ol") {
    style.display = Display::Block;
    edge(style.padding, Edge::Left) = 24;
    edge(style.margin, Edge::Bottom) = 16;
  } else if (name == "li") {
    style.display = Display::Block;
    edge(style.margin, Edge::Bottom) = 8;
  } else if (name == "body") {
    style.display = Display::Block;
    style.margin = {8, 8, 8, 8};
  } else if (const std::optional<std::uint64_t> level = heading_level(name)) {
    static constexpr float kHeadingSizes[] = {36, 28, 23, 20, 18, 16};
    style.display = Display::Block;
    style.bold = true;
    style.font_size = kHeadingSizes[*level - 1];
    style.margin = {18, 0, 14, 0};
  } else if (is_one_of(name, {"head", "meta", "link", "math", "style", "title", "embed", "svg", "script", "iframe",
                              "object", "template"})) {
    style.display = Display::None;
  } else {
    style.display = Display::Block;
  }
}

// Padding, margins, a border, a background or a width on an inline box are
// not drawn by layout, so the page is told.
bool has_box_decorations(const Style& style) {
  const auto nonzero = [](float value) { return value != 0; };
  return style.background_color != 0 || std::any_of(style.margin.begin(), style.margin.end(), nonzero) ||
         std::any_of(style.padding.begin(), style.padding.end(), nonzero) || style.border_width > 0 ||
         style.width.has_value() || style.max_width.has_value();
}

// The rules of a subject's first attribute selector, by the attribute's name.
struct AttributeBucket {
  // Rules whose first attribute selector has no value ("[name]").
  std::vector<std::size_t> present;
  // Rules whose first attribute selector requires a value, by that value.
  std::unordered_map<std::string_view, std::vector<std::size_t>> by_value;
};

// The rules by the one name each subject must carry: its first id, else its
// first class, else its type, else its first attribute (with its value, if
// the selector gives one). A rule can only match an element that carries its
// name; every other rule fails in the subject's first matching step, before
// any pseudo-class is tested, which costs its two steps and nothing else.
struct RuleIndex {
  std::unordered_map<std::string_view, std::vector<std::size_t>> by_id;
  std::unordered_map<std::string_view, std::vector<std::size_t>> by_class;
  std::unordered_map<std::string_view, std::vector<std::size_t>> by_tag;
  std::unordered_map<std::string_view, AttributeBucket> by_attribute;
  // Rules whose subject names nothing (only "*" or pseudo-classes).
  std::vector<std::size_t> any;

  explicit RuleIndex(const std::vector<PreparedRule>& rules) {
    for (std::size_t i = 0; i < rules.size(); ++i) {
      const Compound& subject = rules[i].rule->selector.compounds[rules[i].last_compound];
      if (!subject.ids.empty()) {
        by_id[subject.ids.front()].push_back(i);
      } else if (!subject.classes.empty()) {
        by_class[subject.classes.front()].push_back(i);
      } else if (subject.tag) {
        by_tag[*subject.tag].push_back(i);
      } else if (!subject.attributes.empty()) {
        const AttributeSelector& first = subject.attributes.front();
        AttributeBucket& bucket = by_attribute[first.name];
        (first.value ? bucket.by_value[*first.value] : bucket.present).push_back(i);
      } else {
        any.push_back(i);
      }
    }
  }
};

// The last element styled at one depth, kept so that a later sibling with
// the same name and attributes can take its computed style. Such a sibling
// has the same parent, hence the same ancestors and, from the same parent
// entry, the same inherited values; its rules match by its name, attributes
// and ancestors alone unless a candidate rule's subject has a pseudo-class,
// and its style attribute (the same text) adds no warning the first parse did
// not. It so counts the same matching steps and computes the same style.
struct SiblingMemo {
  // Null when nothing may be reused at this depth.
  const Node* element = nullptr;
  NodeId parent;
  // The parent's entry it inherited from, or nullptr when there was none.
  const Style* parent_style = nullptr;
  // The steps its rule matching counted.
  std::size_t steps = 0;
  // Its entry in the result, once it is there.
  const Style* style = nullptr;
};

// The per-run state of the tree walk.
struct Run {
  const Document& document;
  bool author;
  const Stylesheets& stylesheets;
  std::vector<PreparedRule> rules;
  WarningList& warnings;
  std::size_t steps = 0;
  // Working lists of match_rules, kept to reuse their memory.
  std::vector<std::string_view> classes = {};
  std::vector<std::size_t> candidates = {};
  // The matched declarations of the element being styled, likewise.
  std::vector<Matched> matched = {};
  // By depth below the document node.
  std::vector<SiblingMemo> memos = {};
};

// Appends the rules of one bucket, if there is one for the name.
void add_bucket(const std::unordered_map<std::string_view, std::vector<std::size_t>>& buckets, std::string_view name,
                std::vector<std::size_t>& out) {
  const auto found = buckets.find(name);
  if (found != buckets.end()) out.insert(out.end(), found->second.begin(), found->second.end());
}

// The indices of the rules that carry a name of the element, ascending and
// each once; every other rule fails on the subject's names.
void candidate_rules(Run& run, const RuleIndex& index, const Node& node, const ElementFacts& element) {
  std::vector<std::size_t>& out = run.candidates;
  out.clear();
  out.insert(out.end(), index.any.begin(), index.any.end());
  add_bucket(index.by_tag, *element.tag, out);
  if (element.id != nullptr) add_bucket(index.by_id, *element.id, out);
  if (!index.by_attribute.empty()) {
    // Attribute names are unique within an element, so each bucket comes once.
    for (const auto& [name, value] : node.attributes) {
      const auto bucket = index.by_attribute.find(name);
      if (bucket == index.by_attribute.end()) continue;
      out.insert(out.end(), bucket->second.present.begin(), bucket->second.present.end());
      add_bucket(bucket->second.by_value, value, out);
    }
  }
  if (element.class_list != nullptr && !index.by_class.empty()) {
    // A class named twice in the list must not bring its rules twice.
    std::vector<std::string_view>& classes = run.classes;
    classes.clear();
    const std::string_view list = *element.class_list;
    std::size_t i = 0;
    while (i < list.size()) {
      while (i < list.size() && kivo_dom::text::is_ascii_white_space(list[i])) ++i;
      const std::size_t start = i;
      while (i < list.size() && !kivo_dom::text::is_ascii_white_space(list[i])) ++i;
      if (i > start) classes.push_back(list.substr(start, i - start));
    }
    std::sort(classes.begin(), classes.end());
    classes.erase(std::unique(classes.begin(), classes.end()), classes.end());
    for (const std::string_view name : classes) add_bucket(index.by_class, name, out);
  }
  std::sort(out.begin(), out.end());
}

// Reports the element kinds that the renderer shows without running or loading.
void report_unsupported_element(const Run& run, NodeId id, const Node& node, WarningList& warnings) {
  if (node.kind.is_element_named("script")) {
    warnings.push("JavaScript execution is not supported");
  } else if (node.kind.is_element_named("link")) {
    if (run.stylesheets.find(id) != run.stylesheets.end()) return;
    const std::optional<std::string_view> rel = node.attribute("rel");
    if (rel && kivo_dom::text::ascii_equal_ignore_case(*rel, "stylesheet")) {
      warnings.push("External stylesheets are not loaded");
    }
  }
}

// Adds the declarations of every matching rule, in rule order.
// Sets `by_position` when a candidate rule's subject has a pseudo-class.
Result<void, StyleError> match_rules(Run& run, const RuleIndex& index, NodeId id, const Node& node,
                                     std::vector<Matched>& matched, bool& by_position) {
  const ElementFacts element = ElementFacts::of(node);
  candidate_rules(run, index, node, element);
  by_position = false;
  // 1. A rule without a name of the element costs its own step and the
  // subject's one step. The count only grows, so counting these first ends
  // the run exactly when counting them in rule order would.
  const std::size_t skipped = run.rules.size() - run.candidates.size();
  run.steps += 2 * skipped;
  if (run.steps > selectors::kMatchingBudget) return kivo_dom::err(StyleError{selectors::kBudgetExceeded});
  // 2. Try the others in rule order.
  for (const std::size_t rule_index : run.candidates) {
    const PreparedRule& prepared = run.rules[rule_index];
    by_position = by_position || prepared.subject_has_pseudo_class;
    KIVO_TRY(selectors::count_step(run.steps));
    // Most rules fail on the subject's names; the full match would count one
    // step for that, so the same step is counted without it.
    const Selector& selector = prepared.rule->selector;
    if (selectors::rejects_by_name(selector.compounds[prepared.last_compound], element)) {
      KIVO_TRY(selectors::count_step(run.steps));
      continue;
    }
    bool hit = false;
    if (prepared.subject_is_names) {
      // The subject matched by its names: count the step its match would
      // count, and go on to the ancestors without testing it again.
      KIVO_TRY(selectors::count_step(run.steps));
      KIVO_TRY_ASSIGN(hit, selector.left_of(run.document, id, prepared.last_compound, run.steps));
    } else {
      KIVO_TRY_ASSIGN(hit, selector.at(run.document, id, prepared.last_compound, run.steps));
    }
    if (!hit) continue;
    const std::vector<Declaration>& declarations = prepared.rule->declarations;
    for (std::size_t i = 0; i < declarations.size(); ++i) {
      matched.push_back(
          Matched{declarations[i].important, false, prepared.specificity, prepared.rule->order, i, &declarations[i]});
    }
  }
  return {};
}

// Parses the element's style attribute into `inline_declarations` and adds them.
Result<void, StyleError> match_style_attribute(Run& run, const Node& node,
                                               std::vector<Declaration>& inline_declarations,
                                               std::vector<Matched>& matched) {
  const std::optional<std::string_view> text = node.attribute("style");
  if (!text) return {};
  if (text->size() > kMaxInlineCssBytes) return kivo_dom::err(style_error("inline CSS exceeds 8 KiB"));
  auto parsed = parser::declarations(*text, run.warnings);
  if (!parsed) return kivo_dom::err(style_error(std::move(parsed).error()));
  inline_declarations = std::move(*parsed);
  for (std::size_t i = 0; i < inline_declarations.size(); ++i) {
    matched.push_back(Matched{inline_declarations[i].important, true, Specificity{}, 0, i, &inline_declarations[i]});
  }
  return {};
}

// The memo of an earlier sibling at this depth whose computed style the
// element may take, or nullptr.
const SiblingMemo* reusable_sibling(const Run& run, std::size_t depth, const Node& node,
                                    const Style* parent_style) {
  if (depth >= run.memos.size()) return nullptr;
  const SiblingMemo& memo = run.memos[depth];
  if (memo.element == nullptr || memo.style == nullptr || !node.parent || memo.parent != *node.parent) return nullptr;
  if (memo.parent_style != parent_style || memo.element->kind.data != node.kind.data ||
      memo.element->attributes != node.attributes) {
    return nullptr;
  }
  return &memo;
}

// Styles one element on top of its initial values and those it inherited
// from `parent_style` (nullptr when none); `depth` is its depth below the
// document node.
Result<void, StyleError> style_element(Run& run, const RuleIndex& index, NodeId id, const Node& node, std::size_t depth,
                                       const Style* parent_style, Style& style) {
  const std::string& name = node.kind.data;
  // Say what the renderer does not do for this element; this reads and
  // changes nothing of the style.
  report_unsupported_element(run, id, node, run.warnings);
  const SiblingMemo* sibling = reusable_sibling(run, depth, node, parent_style);
  if (sibling != nullptr) {
    // The element would take the sibling's built-in values and match the
    // same rules: it counts the sibling's matching steps and takes its style.
    run.steps += sibling->steps;
    if (run.steps > selectors::kMatchingBudget) return kivo_dom::err(StyleError{selectors::kBudgetExceeded});
    // The hiding below already ran on that style and gives the same again.
    style = *sibling->style;
  } else {
    // This element's outcome replaces the memo at its depth once it is known.
    if (run.memos.size() <= depth) run.memos.resize(depth + 1);
    SiblingMemo& memo = run.memos[depth];
    memo.element = nullptr;
    // Built-in values of the element's name.
    apply_built_in(name, style);
    // Collect the matching declarations of rules and of the style attribute.
    std::vector<Matched>& matched = run.matched;
    matched.clear();
    const std::size_t steps_before = run.steps;
    bool by_position = false;
    KIVO_TRY(match_rules(run, index, id, node, matched, by_position));
    const std::size_t steps = run.steps - steps_before;
    std::vector<Declaration> inline_declarations;
    if (run.author) {
      KIVO_TRY(match_style_attribute(run, node, inline_declarations, matched));
    }
    // Apply them from weakest to strongest.
    sort_weakest_first(matched);
    for (const Matched& entry : matched) Property::apply(entry.declaration->property, style);
    // Keep the outcome for the next siblings like this element.
    if (!by_position && node.parent) {
      // The style entry is filled in once the tree walk has stored it.
      memo = SiblingMemo{&node, *node.parent, parent_style, steps, nullptr};
    }
  }
  // Hidden and never-rendered elements stay hidden whatever the CSS says.
  if (node.attribute("hidden").has_value() ||
      is_one_of(name, {"style", "embed", "template", "head", "script", "iframe", "object"})) {
    style.display = Display::None;
  } else if (style.display == Display::Inline && has_box_decorations(style)) {
    if (!run.warnings.contains("inline box decorations are not supported")) {
      run.warnings.push("inline box decorations are not supported");
    }
  }
  return {};
}

// Walks the tree in document order and computes every reachable node's style.
Result<std::unordered_map<NodeId, Style>, StyleError> style_tree(Run& run) {
  const RuleIndex index(run.rules);
  struct Entry {
    NodeId id;
    std::size_t depth;
  };
  std::unordered_map<NodeId, Style> styles;
  styles.reserve(run.document.nodes.size());
  std::vector<Entry> stack{{run.document.root(), 0}};
  std::size_t popped = 0;
  while (!stack.empty()) {
    const Entry entry = stack.back();
    stack.pop_back();
    // 1. Check the depth and the id.
    if (entry.depth > kMaxStyleDepth) return kivo_dom::err(style_error("style depth exceeds 128"));
    if (!run.document.contains(entry.id) || walked_too_often(++popped, run.document)) {
      return kivo_dom::err(invalid_dom());
    }
    const Node& node = run.document.node(entry.id);
    // 2. Start from the initial style and inherit from the parent.
    Style style = Style::initial();
    const Style* parent_style = nullptr;
    if (node.parent) {
      if (const auto parent = styles.find(*node.parent); parent != styles.end()) {
        parent_style = &parent->second;
        style.inherit_from(*parent_style);
      }
    }
    // 3. Elements take built-in values and their CSS.
    if (node.kind.is_element()) {
      KIVO_TRY(style_element(run, index, entry.id, node, entry.depth, parent_style, style));
    }
    const auto [stored, inserted] = styles.insert_or_assign(entry.id, std::move(style));
    if (!inserted) {
      // A node reached twice (a malformed tree) changes an entry that memos
      // may refer to; none is trusted after it.
      run.memos.clear();
    } else if (node.kind.is_element()) {
      // The element's memo, if it left one, now gets its style (styling an
      // element always leaves a memo slot at its depth).
      SiblingMemo& memo = run.memos[entry.depth];
      if (memo.element == &node) memo.style = &stored->second;
    }
    // 4. Visit the children next, in document order.
    for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
      stack.push_back(Entry{*child, entry.depth + 1});
    }
  }
  return styles;
}

}  // namespace

Result<StyledDocument, StyleError> compute_mode(const Document& document, bool author, const Stylesheets& stylesheets,
                                                float viewport_width) {
  // 1. Collect the author CSS in document order.
  KIVO_TRY_ASSIGN(const std::string css, collect_author_css(document, author, stylesheets));
  // 2. Parse it into rules.
  WarningList warnings;
  auto rules = parser::stylesheet(css, warnings, viewport_width);
  if (!rules) return kivo_dom::err(style_error(std::move(rules).error()));
  Run run{document, author, stylesheets, {}, warnings};
  run.rules.reserve(rules->size());
  for (const Rule& rule : *rules) {
    const Compound& subject = rule.selector.compounds.back();
    run.rules.push_back(PreparedRule{&rule, rule.selector.compounds.size() - 1, rule.selector.specificity(),
                                     subject.attributes.empty() && subject.pseudo_classes.empty(),
                                     !subject.pseudo_classes.empty()});
  }
  // 3. Style every node reachable from the root.
  KIVO_TRY_ASSIGN(auto styles, style_tree(run));
  // 4. Order the warnings by their bytes, each once.
  return StyledDocument{std::move(styles), warnings.release_sorted_unique()};
}

Result<StyledDocument, StyleError> compute_web_at_width(const Document& document, const Stylesheets& stylesheets,
                                                        float viewport_width) {
  // 1. Refuse a width that layout cannot use.
  if (!std::isfinite(viewport_width) || viewport_width < kMinViewportWidth || viewport_width > kMaxViewportWidth) {
    return kivo_dom::err(style_error("invalid style viewport"));
  }
  // 2. Style with the author CSS.
  auto styled = compute_mode(document, true, stylesheets, viewport_width);
  if (styled) return styled;
  // 3. Fall back to the built-in styles and say why.
  KIVO_TRY_ASSIGN(StyledDocument fallback, compute_mode(document, false, Stylesheets{}, viewport_width));
  fallback.warnings.push_back(std::string(kFallbackWarning) + styled.error().message);
  return fallback;
}

}  // namespace kivo_style
