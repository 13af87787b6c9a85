#include "presentation.h"

#include <algorithm>
#include <array>
#include <optional>

#include "dom/text.h"
#include "json/write.h"

namespace kivo_engine::presentation {

namespace {

using kivo_dom::Document;
using kivo_dom::NodeId;
using kivo_dom::Result;
using kivo_json::IoError;
using kivo_json::Output;

constexpr std::size_t kTitleMaxCharacters = 120;
constexpr std::string_view kFallbackTitle = "Yerel belge";
// U+2022 BULLET and the space that follows it at the start of every list item.
constexpr std::string_view kBulletPrefix = "\xE2\x80\xA2 ";

enum class ElementClass : std::uint8_t { Skipped, Block, LineBreak, Inline };

ElementClass classify(std::string_view name) {
  static constexpr std::array<std::string_view, 4> kSkipped = {"head", "meta", "style", "title"};
  static constexpr std::array<std::string_view, 19> kBlock = {
      "h1",      "h2",      "h3",     "h4",     "h5", "h6",  "html", "body", "main", "section",
      "article", "header", "footer", "p",      "div", "ul", "ol",   "li",   "hr"};
  if (std::find(kSkipped.begin(), kSkipped.end(), name) != kSkipped.end()) return ElementClass::Skipped;
  if (std::find(kBlock.begin(), kBlock.end(), name) != kBlock.end()) return ElementClass::Block;
  if (name == "br") return ElementClass::LineBreak;
  return ElementClass::Inline;
}

// The state of one walk that collects blocks.
struct Collector {
  std::vector<Block> blocks;
  std::string pending;
  std::uint8_t heading = 0;
  bool space = false;

  void enter_element(std::string_view name) {
    switch (classify(name)) {
      case ElementClass::Block:
        flush(blocks, pending, heading);
        heading = heading_level(name);
        if (name == "li") pending.append(kBulletPrefix);
        space = false;
        break;
      case ElementClass::LineBreak:
        pending.push_back('\n');
        space = false;
        break;
      case ElementClass::Skipped:
      case ElementClass::Inline:
        break;
    }
  }

  // White space between two visible characters of one block becomes one space;
  // white space that starts a block, or follows a line break, is dropped.
  void add_text(std::string_view text) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (!kivo_dom::text::is_ascii_white_space(text[i])) continue;
      append_visible(text.substr(run, i - run));
      run = i + 1;
      space = !pending.empty();
    }
    append_visible(text.substr(run));
  }

  void append_visible(std::string_view visible) {
    if (visible.empty()) return;
    if (space && !pending.empty() && pending.back() != '\n') pending.push_back(' ');
    pending.append(visible);
    space = false;
  }

  void exit_element(std::string_view name) {
    if (classify(name) != ElementClass::Block) return;
    flush(blocks, pending, heading);
    heading = 0;
    space = false;
  }
};

// Concatenates the text nodes below a node in document order.
std::string text_content(const Document& document, NodeId node) {
  std::string text;
  std::vector<NodeId> stack{node};
  while (!stack.empty()) {
    const NodeId id = stack.back();
    stack.pop_back();
    if (!document.contains(id)) continue;
    const kivo_dom::Node& current = document.node(id);
    if (const std::string* data = current.kind.text_content()) text.append(*data);
    stack.insert(stack.end(), current.children.rbegin(), current.children.rend());
  }
  return text;
}

// Trims Unicode white space and keeps at most the first 120 scalar values.
std::string title_candidate(const Document& document, NodeId node) {
  const std::string text = text_content(document, node);
  std::string_view trimmed = kivo_dom::text::trim_unicode_white_space(text);
  std::size_t characters = 0;
  for (std::size_t i = 0; i < trimmed.size(); ++i) {
    const bool lead = (static_cast<unsigned char>(trimmed[i]) & 0xC0) != 0x80;
    if (lead && characters++ == kTitleMaxCharacters) {
      trimmed = trimmed.substr(0, i);
      break;
    }
  }
  return std::string(trimmed);
}

// Writes a JSON string in the renderer's one string form, slice by slice.
Result<void, IoError> write_escaped(std::string_view text, Output& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  KIVO_TRY(out.write("\""));
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::string_view escape;
    char unicode[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
    switch (c) {
      case '"': escape = "\\\""; break;
      case '\\': escape = "\\\\"; break;
      case '\n': escape = "\\n"; break;
      case '\r': escape = "\\r"; break;
      case '\t': escape = "\\t"; break;
      default:
        if (c >= 0x20) continue;
        escape = std::string_view(unicode, sizeof unicode);
    }
    if (i > run) {
      KIVO_TRY(out.write(text.substr(run, i - run)));
    }
    KIVO_TRY(out.write(escape));
    run = i + 1;
  }
  if (text.size() > run) {
    KIVO_TRY(out.write(text.substr(run)));
  }
  return out.write("\"");
}

}  // namespace

std::uint8_t heading_level(std::string_view name) {
  if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') {
    return static_cast<std::uint8_t>(name[1] - '0');
  }
  return 0;
}

void flush(std::vector<Block>& blocks, std::string& pending, std::uint8_t heading) {
  const auto is_trimmed = [](char c) { return c == ' ' || c == '\n'; };
  std::size_t begin = 0;
  std::size_t end = pending.size();
  while (begin < end && is_trimmed(pending[begin])) ++begin;
  while (end > begin && is_trimmed(pending[end - 1])) --end;
  if (end > begin) blocks.push_back(Block{pending.substr(begin, end - begin), heading});
  pending.clear();
}

std::vector<Block> blocks(const Document& document) {
  struct Entry {
    NodeId node;
    bool exit;
  };
  Collector collector;
  std::vector<Entry> stack{{document.root(), false}};
  while (!stack.empty()) {
    const Entry entry = stack.back();
    stack.pop_back();
    if (!document.contains(entry.node)) continue;
    const kivo_dom::Node& node = document.node(entry.node);
    const std::string* name = node.kind.element_name();
    if (entry.exit) {
      if (name != nullptr) collector.exit_element(*name);
      continue;
    }
    if (name != nullptr) {
      if (classify(*name) == ElementClass::Skipped) continue;
      collector.enter_element(*name);
    } else if (const std::string* text = node.kind.text_content()) {
      collector.add_text(*text);
    }
    stack.push_back({entry.node, true});
    for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
      stack.push_back({*child, false});
    }
  }
  flush(collector.blocks, collector.pending, collector.heading);
  return std::move(collector.blocks);
}

std::string document_title(const Document& document) {
  // Below a title or h1 whose text was only white space every other title or
  // h1 is empty as well, so such subtrees are not collected again; this keeps
  // nested headings from costing a walk each.
  struct Entry {
    NodeId node;
    bool below_blank;
  };
  std::optional<std::string> heading;
  std::vector<Entry> stack{{document.root(), false}};
  while (!stack.empty()) {
    const Entry entry = stack.back();
    stack.pop_back();
    if (!document.contains(entry.node)) continue;
    const kivo_dom::Node& node = document.node(entry.node);
    bool below_blank = entry.below_blank;
    const bool is_title = node.kind.is_element_named("title");
    const bool is_h1 = node.kind.is_element_named("h1") && !heading.has_value();
    if ((is_title || is_h1) && !below_blank) {
      std::string candidate = title_candidate(document, entry.node);
      if (candidate.empty()) {
        below_blank = true;
      } else if (is_title) {
        return candidate;
      } else {
        heading = std::move(candidate);
      }
    }
    for (auto child = node.children.rbegin(); child != node.children.rend(); ++child) {
      stack.push_back({*child, below_blank});
    }
  }
  return heading.has_value() ? std::move(*heading) : std::string(kFallbackTitle);
}

std::string title(const Document& document) { return document_title(document); }

Result<void, IoError> write_json(const Document& document, Output& out) {
  const std::vector<Block> list = blocks(document);
  KIVO_TRY(out.write("{\"version\":1,\"blocks\":["));
  for (std::size_t i = 0; i < list.size(); ++i) {
    KIVO_TRY(out.write(i == 0 ? "{\"heading\":" : ",{\"heading\":"));
    KIVO_TRY(kivo_json::write_u64(list[i].heading, out));
    KIVO_TRY(out.write(",\"text\":"));
    KIVO_TRY(write_escaped(list[i].text, out));
    KIVO_TRY(out.write("}"));
  }
  return out.write("]}\n");
}

}  // namespace kivo_engine::presentation
