#include "html/parser.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>
#include <utility>
#include <vector>

#include "dom/text.h"

namespace kivo_html {

namespace {

using kivo_dom::Document;
using kivo_dom::err;
using kivo_dom::Node;
using kivo_dom::NodeId;
using kivo_dom::NodeKind;
using kivo_dom::Result;
using kivo_dom::text::ascii_equal_ignore_case;
using kivo_dom::text::is_ascii_white_space;

// Elements whose content is text, not markup.
constexpr std::array<std::string_view, 6> kRawTextElements{"script", "style", "title", "iframe", "xmp", "textarea"};

// Elements that never take children and so are never left open.
constexpr std::array<std::string_view, 14> kVoidElements{"area",  "base", "br",   "col",   "embed",  "hr",    "img",
                                                         "input", "link", "meta", "param", "source", "track", "wbr"};

constexpr std::string_view kDoctypePrefix = "<!doctype html>";

// Start tags that close an open element of their own kind, unless a
// containing element is met first.
struct ImpliedEnd {
  std::array<std::string_view, 17> starts;
  std::array<std::string_view, 2> closes;
  std::array<std::string_view, 3> stops;
};

constexpr std::array<ImpliedEnd, 4> kImpliedEnds{{
    {{"p", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "div", "main", "table", "header", "footer", "section",
      "article", "blockquote"},
     {"p"},
     {"body", "html", "table"}},
    {{"li"}, {"li"}, {"ul", "ol"}},
    {{"dt", "dd"}, {"dt", "dd"}, {"dl"}},
    {{"body"}, {"head"}, {"html"}},
}};

// Raw-text elements whose text has its references decoded.
constexpr std::array<std::string_view, 2> kDecodedRawTextElements{"title", "textarea"};

// What the tables above say about one element name.
struct ElementTraits {
  bool raw_text = false;
  bool decodes_references = false;
  bool is_void = false;
  // Bit r: rule r of kImpliedEnds is the first whose starts hold the name;
  // no bit when none does.
  std::uint8_t applies = 0;
  // Bit r: rule r closes an open element of this name.
  std::uint8_t closed_by = 0;
  // Bit r: the search of rule r stops at an open element of this name.
  std::uint8_t stops = 0;
};

static_assert(kImpliedEnds.size() <= 8, "one bit per rule");

// Hash of a name with its ASCII letters folded, so that a name as written
// finds its lowercase entry.
constexpr std::size_t name_hash(std::string_view name) {
  std::size_t hash = name.size();
  for (char c : name) hash = hash * 31 + static_cast<unsigned char>(kivo_dom::text::ascii_lower(c));
  return hash;
}

// The traits of every name the tables mention, built at compile time, so that
// a tag costs one hash and one comparison instead of a walk over the tables.
class TraitsTable {
 public:
  constexpr TraitsTable() {
    for (std::string_view name : kRawTextElements) slot_for(name).raw_text = true;
    for (std::string_view name : kDecodedRawTextElements) slot_for(name).decodes_references = true;
    for (std::string_view name : kVoidElements) slot_for(name).is_void = true;
    for (std::size_t r = 0; r < kImpliedEnds.size(); ++r) {
      // A copy: g++ 12 refuses, at compile time, to read the padding slots
      // of the table in place.
      const ImpliedEnd rule = kImpliedEnds[r];
      const auto bit = static_cast<std::uint8_t>(1u << r);
      for (std::string_view name : rule.starts) {
        // Empty slots pad the shorter rows of the tables; no tag name is empty.
        if (name.empty()) continue;
        ElementTraits& traits = slot_for(name);
        if (traits.applies == 0) traits.applies = bit;
      }
      for (std::string_view name : rule.closes) {
        if (!name.empty()) slot_for(name).closed_by |= bit;
      }
      for (std::string_view name : rule.stops) {
        if (!name.empty()) slot_for(name).stops |= bit;
      }
    }
  }

  // The traits of a name as written; all false for a name no table holds.
  constexpr ElementTraits find(std::string_view name) const {
    for (std::size_t i = name_hash(name) % kSlots;; i = (i + 1) % kSlots) {
      const Entry& entry = m_entries[i];
      if (entry.name.empty()) return {};
      if (ascii_equal_ignore_case(entry.name, name)) return entry.traits;
    }
  }

 private:
  // Four times the names the tables hold, so that probes stay short.
  static constexpr std::size_t kSlots = 256;

  struct Entry {
    std::string_view name;
    ElementTraits traits;
  };

  constexpr ElementTraits& slot_for(std::string_view name) {
    for (std::size_t i = name_hash(name) % kSlots;; i = (i + 1) % kSlots) {
      Entry& entry = m_entries[i];
      if (entry.name.empty()) entry.name = name;
      if (entry.name == name) return entry.traits;
    }
  }

  std::array<Entry, kSlots> m_entries{};
};

constexpr TraitsTable kTraits;

constexpr bool is_ascii_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Offset in rest of the first "</" + name (letters folded) that is followed by
// whitespace or ">"; the length of rest when there is none. Each "</" is
// looked at once, so the search is linear in rest.
std::size_t find_raw_text_end(std::string_view rest, std::string_view name) {
  std::size_t from = 0;
  while (true) {
    const std::size_t at = rest.find("</", from);
    if (at == std::string_view::npos) return rest.size();
    const std::size_t after = at + 2 + name.size();
    if (after < rest.size() && ascii_equal_ignore_case(rest.substr(at + 2, name.size()), name) &&
        (is_ascii_white_space(rest[after]) || rest[after] == '>')) {
      return at;
    }
    from = at + 1;
  }
}

struct OpenElement {
  // The element's index in the document; its name is in the tree.
  std::size_t index;
  // Where the element's children begin in the parser's list of pending
  // children.
  std::size_t children_start;
  ElementTraits traits;
};

// Starting capacities of the parser's working lists.
constexpr std::size_t kOpenReserve = 32;
constexpr std::size_t kChildrenReserve = 256;
constexpr std::size_t kAttributesReserve = 8;

class Parser {
 public:
  Parser(std::string_view input, ParseLimits limits, Mode mode) : m_input(input), m_limits(limits), m_mode(mode) {}

  Result<void, ParseError> run() {
    // Room for the nodes a text of this length usually makes, so that the
    // tree is not moved as it grows: pages of short elements make about one
    // node every eight bytes, and one every six leaves room beyond that.
    // Memory reserved and never used is never touched.
    m_document.nodes.reserve(std::min(m_input.size() / 6 + 1, m_limits.max_nodes));
    // The working lists start at sizes most pages never outgrow, instead of
    // growing through every power of two.
    m_open.reserve(kOpenReserve);
    m_children.reserve(kChildrenReserve);
    m_tag.attributes.reserve(kAttributesReserve);
    // Skip the usual doctype in one step; any other declaration is skipped
    // by the loop.
    if (m_input.size() >= kDoctypePrefix.size() &&
        ascii_equal_ignore_case(m_input.substr(0, kDoctypePrefix.size()), kDoctypePrefix)) {
      m_position = kDoctypePrefix.size();
    }
    while (m_position < m_input.size()) {
      const std::size_t before = m_position;
      KIVO_TRY(step_once());
      // Every step consumes input, which bounds the loop by the text's length.
      KIVO_CHECK(m_position > before);
    }
    return {};
  }

  // The finished tree: the elements still open are closed, which gives them
  // and the root their lists of children.
  Document finish() && {
    close_down_to(0);
    m_document.nodes[0].children.assign(m_children.begin(), m_children.end());
    return std::move(m_document);
  }

 private:
  Result<void, ParseError> step_once() {
    const std::string_view rest = m_input.substr(m_position);
    // 1. Drop a byte order mark at the very start.
    if (m_position == 0 && rest.size() > 2 && rest.substr(0, 3) == "\xEF\xBB\xBF") {
      m_position = 3;
      return {};
    }
    // 2. Inside a raw-text element, everything up to its end tag is text.
    if (!m_open.empty() && m_open.back().traits.raw_text) return raw_text(rest);
    // Everything below begins at a "<".
    if (rest[0] == '<') {
      // 3. Skip a comment, up to the first "-->" or the end of the text.
      if (rest.starts_with("<!--")) {
        const std::size_t close = rest.find("-->", 4);
        m_position = close == std::string_view::npos ? m_input.size() : m_position + close + 3;
        return {};
      }
      // 4. Skip a declaration or processing instruction through its first ">".
      if (rest.starts_with("<!") || rest.starts_with("<?")) {
        const std::size_t close = rest.find('>');
        m_position = close == std::string_view::npos ? m_input.size() : m_position + close + 1;
        return {};
      }
      // 5. A start or end tag.
      if (rest.size() > 1 &&
          (is_ascii_letter(rest[1]) || (rest[1] == '/' && rest.size() > 2 && is_ascii_letter(rest[2])))) {
        return tag();
      }
      // 6. A "<" that starts no markup is text of its own.
      KIVO_TRY(add_text(m_position, "<"));
      m_position += 1;
      return {};
    }
    // 7. Text up to the next "<".
    const std::size_t end = rest.find('<');
    const std::size_t length = end == std::string_view::npos ? rest.size() : end;
    KIVO_TRY(add_text(m_position, parser::decode_web_references(rest.substr(0, length))));
    m_position += length;
    return {};
  }

  Result<void, ParseError> raw_text(std::string_view rest) {
    const OpenElement& open = m_open.back();
    const std::size_t k = find_raw_text_end(rest, m_document.nodes[open.index].kind.data);
    if (k == 0) return tag();
    const std::string_view content = rest.substr(0, k);
    const bool decoded = open.traits.decodes_references;
    KIVO_TRY(add_text(m_position, decoded ? parser::decode_web_references(content) : std::string(content)));
    m_position += k;
    return {};
  }

  // Handles the one tag at the position and moves past it.
  Result<void, ParseError> tag() {
    // 1. Read the tag's syntax.
    KIVO_TRY(tag::read_raw(m_input.substr(m_position), m_position, m_mode, m_tag));
    KIVO_CHECK(m_tag.length > 0);
    // 2. An end tag closes the nearest open element of its name, if any.
    if (m_tag.closing) {
      for (std::size_t i = m_open.size(); i > 0; --i) {
        if (ascii_equal_ignore_case(m_document.nodes[m_open[i - 1].index].kind.data, m_tag.name)) {
          close_down_to(i - 1);
          break;
        }
      }
      m_position += m_tag.length;
      return {};
    }
    // 3. Close what this start tag implies.
    const ElementTraits traits = kTraits.find(m_tag.name);
    if (traits.applies != 0) apply_implied_end(traits.applies);
    // 4. Refuse to open past the depth limit, void elements included.
    if (m_open.size() >= m_limits.max_depth) return err(ParseError{m_position, ParseErrorKind::DepthLimitExceeded});
    // 5. Count the element against the node limit.
    if (m_node_count >= m_limits.max_nodes) return err(ParseError{m_position, ParseErrorKind::NodeLimitExceeded});
    ++m_node_count;
    // 6. Insert the element with its attributes under the current parent;
    // names are lowercased and values decoded once, straight into the tree,
    // and the first occurrence of a name wins.
    const std::size_t index = m_document.nodes.size();
    Node& element = add_node(NodeKind::Tag::Element);
    element.kind.data = kivo_dom::ascii_lowercase(m_tag.name);
    for (const RawAttribute& attribute : m_tag.attributes) {
      element.attributes.try_emplace(kivo_dom::ascii_lowercase(attribute.name),
                                     parser::decode_web_references(attribute.value));
    }
    // 7. Keep it open unless it is void.
    if (!traits.is_void) push_open(OpenElement{index, m_children.size(), traits});
    // 8. Move past the tag.
    m_position += m_tag.length;
    return {};
  }

  // Closes what the start tag of a rule implies; bit names the rule.
  void apply_implied_end(std::uint8_t bit) {
    // Without an open element the rule closes, the search could only stop.
    if (m_closable[static_cast<std::size_t>(std::countr_zero(bit))] == 0) return;
    for (std::size_t i = m_open.size(); i > 0; --i) {
      const ElementTraits& open = m_open[i - 1].traits;
      if ((open.closed_by & bit) != 0) {
        close_down_to(i - 1);
        return;
      }
      if ((open.stops & bit) != 0) return;
    }
  }

  // Adds one text node under the current parent; start is where its text began.
  Result<void, ParseError> add_text(std::size_t start, std::string text) {
    if (m_node_count >= m_limits.max_nodes) return err(ParseError{start, ParseErrorKind::NodeLimitExceeded});
    ++m_node_count;
    add_node(NodeKind::Tag::Text).kind.data = std::move(text);
    return {};
  }

  // Appends a node of the given kind as the last child of the current parent.
  // The parent's list of children is written once, when the parent closes, at
  // its final size.
  Node& add_node(NodeKind::Tag tag) {
    const NodeId parent = current_parent();
    m_children.push_back(NodeId{m_document.id, m_document.nodes.size()});
    Node& node = m_document.nodes.emplace_back();
    node.parent = parent;
    node.kind.tag = tag;
    return node;
  }

  void push_open(const OpenElement& element) {
    count_closable(element.traits, +1);
    m_open.push_back(element);
  }

  // Adds step to the count of every rule that closes an element of these traits.
  void count_closable(const ElementTraits& traits, int step) {
    if (traits.closed_by == 0) return;
    for (std::size_t r = 0; r < m_closable.size(); ++r) {
      if ((traits.closed_by >> r & 1u) != 0) m_closable[r] += step;
    }
  }

  // Closes open elements until depth are left, giving each its children.
  void close_down_to(std::size_t depth) {
    while (m_open.size() > depth) {
      const OpenElement& open = m_open.back();
      const auto first = m_children.begin() + static_cast<std::ptrdiff_t>(open.children_start);
      m_document.nodes[open.index].children.assign(first, m_children.end());
      m_children.erase(first, m_children.end());
      count_closable(open.traits, -1);
      m_open.pop_back();
    }
  }

  NodeId current_parent() const {
    return m_open.empty() ? m_document.root() : NodeId{m_document.id, m_open.back().index};
  }

  Document m_document;
  std::vector<OpenElement> m_open;
  // For each rule of kImpliedEnds, how many open elements it closes.
  std::array<int, kImpliedEnds.size()> m_closable{};
  // The children of the root and of every open element, in that order, each
  // an unbroken run: a node's children are added only while it is the
  // innermost open element, and runs of elements closed later lie above.
  std::vector<NodeId> m_children;
  // The tag being handled; its attribute list is reused from tag to tag.
  RawTag m_tag;
  std::string_view m_input;
  ParseLimits m_limits;
  std::size_t m_position = 0;
  std::uint64_t m_node_count = 1;
  Mode m_mode;
};

}  // namespace

namespace parser {

Result<Document, ParseError> parse_web(std::string_view html, ParseLimits limits) {
  return parse_mode(html, limits, Mode::Web);
}

Result<Document, ParseError> parse_mode(std::string_view html, ParseLimits limits, Mode mode) {
  KIVO_CHECK(mode == Mode::Web);
  // 1. Refuse an oversized text before reading any of it.
  if (html.size() > limits.max_input_bytes) {
    return err(ParseError{limits.max_input_bytes, ParseErrorKind::InputLimitExceeded});
  }
  // 2. A document always holds its root, so a zero node budget fits nothing.
  if (limits.max_nodes == 0) return err(ParseError{0, ParseErrorKind::NodeLimitExceeded});
  // 3. Refuse NUL anywhere.
  if (const std::size_t nul = html.find('\0'); nul != std::string_view::npos) {
    return err(ParseError{nul, ParseErrorKind::InvalidCharacter});
  }
  // 4. Build the tree in one pass.
  Parser parser(html, limits, mode);
  KIVO_TRY(parser.run());
  return std::move(parser).finish();
}

}  // namespace parser
}  // namespace kivo_html
