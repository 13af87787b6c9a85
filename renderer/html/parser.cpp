#include "html/parser.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "dom/text.h"

namespace kivo_html {

namespace {

using kivo_dom::Document;
using kivo_dom::err;
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

template <std::size_t N>
bool contains_name(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::string_view candidate : names) {
    // Empty slots pad the shorter rows of the tables; no tag name is empty.
    if (!candidate.empty() && candidate == name) return true;
  }
  return false;
}

const ImpliedEnd* implied_end_for(std::string_view name) {
  for (const ImpliedEnd& rule : kImpliedEnds) {
    if (contains_name(rule.starts, name)) return &rule;
  }
  return nullptr;
}

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
  NodeId id;
  // A copy of the name, so raw-text and end-tag checks never touch the tree.
  std::string name;
};

class Parser {
 public:
  Parser(std::string_view input, ParseLimits limits, Mode mode) : m_input(input), m_limits(limits), m_mode(mode) {}

  Result<void, ParseError> run() {
    // Room for the nodes a text of this length usually makes (one every
    // eight bytes at most), so that the tree is not moved as it grows;
    // memory reserved and never used is never touched.
    m_document.nodes.reserve(std::min(m_input.size() / 8 + 1, m_limits.max_nodes));
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

  Document finish() && { return std::move(m_document); }

 private:
  Result<void, ParseError> step_once() {
    const std::string_view rest = m_input.substr(m_position);
    // 1. Drop a byte order mark at the very start.
    if (m_position == 0 && rest.size() > 2 && rest.substr(0, 3) == "\xEF\xBB\xBF") {
      m_position = 3;
      return {};
    }
    // 2. Inside a raw-text element, everything up to its end tag is text.
    if (!m_open.empty() && contains_name(kRawTextElements, m_open.back().name)) return raw_text(rest);
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
    if (rest.size() > 1 && rest[0] == '<' &&
        (is_ascii_letter(rest[1]) || (rest[1] == '/' && rest.size() > 2 && is_ascii_letter(rest[2])))) {
      return tag();
    }
    // 6. A "<" that starts no markup is text of its own.
    if (rest[0] == '<') {
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
    const std::string& name = m_open.back().name;
    const std::size_t k = find_raw_text_end(rest, name);
    if (k == 0) return tag();
    const std::string_view content = rest.substr(0, k);
    const bool decoded = name == "title" || name == "textarea";
    KIVO_TRY(add_text(m_position, decoded ? parser::decode_web_references(content) : std::string(content)));
    m_position += k;
    return {};
  }

  // Handles the one tag at the position and moves past it.
  Result<void, ParseError> tag() {
    // 1. Read the tag's syntax.
    KIVO_TRY_ASSIGN(Tag read, tag::parse_mode(m_input.substr(m_position), m_position, m_mode));
    KIVO_CHECK(read.length > 0);
    // 2. An end tag closes the nearest open element of its name, if any.
    if (read.closing) {
      for (std::size_t i = m_open.size(); i > 0; --i) {
        if (m_open[i - 1].name == read.name) {
          m_open.resize(i - 1);
          break;
        }
      }
      m_position += read.length;
      return {};
    }
    // 3. Close what this start tag implies.
    apply_implied_end(read.name);
    // 4. Refuse to open past the depth limit, void elements included.
    if (m_open.size() >= m_limits.max_depth) return err(ParseError{m_position, ParseErrorKind::DepthLimitExceeded});
    // 5. Count the element against the node limit.
    if (m_node_count >= m_limits.max_nodes) return err(ParseError{m_position, ParseErrorKind::NodeLimitExceeded});
    ++m_node_count;
    // 6. Insert the element with its attributes under the current parent.
    const NodeId id = m_document.insert(NodeKind::element(read.name));
    for (auto& [name, value] : read.attributes) {
      if (!m_document.set_attribute(id, name, std::move(value)).ok()) return tree_refused();
    }
    if (!m_document.append_child(current_parent(), id).ok()) return tree_refused();
    // 7. Keep it open unless it is void.
    if (!contains_name(kVoidElements, read.name)) m_open.push_back(OpenElement{id, std::move(read.name)});
    // 8. Move past the tag.
    m_position += read.length;
    return {};
  }

  void apply_implied_end(std::string_view name) {
    const ImpliedEnd* rule = implied_end_for(name);
    if (rule == nullptr) return;
    for (std::size_t i = m_open.size(); i > 0; --i) {
      const std::string& open = m_open[i - 1].name;
      if (contains_name(rule->closes, open)) {
        m_open.resize(i - 1);
        return;
      }
      if (contains_name(rule->stops, open)) return;
    }
  }

  // Adds one text node under the current parent; start is where its text began.
  Result<void, ParseError> add_text(std::size_t start, std::string text) {
    if (m_node_count >= m_limits.max_nodes) return err(ParseError{start, ParseErrorKind::NodeLimitExceeded});
    ++m_node_count;
    const NodeId id = m_document.insert(NodeKind::text(std::move(text)));
    if (!m_document.append_child(current_parent(), id).ok()) return tree_refused();
    return {};
  }

  NodeId current_parent() const { return m_open.empty() ? m_document.root() : m_open.back().id; }

  kivo_dom::Err<ParseError> tree_refused() const {
    return err(ParseError{m_position, ParseErrorKind::DomInvariantViolation});
  }

  Document m_document;
  std::vector<OpenElement> m_open;
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
