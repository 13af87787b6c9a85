#include "style/syntax.h"

#include <algorithm>

namespace kivo_style {

void WarningList::push(std::string text) {
  m_present.insert(text);
  m_entries.push_back(std::move(text));
}

bool WarningList::contains(std::string_view text) const {
  return m_present.find(text) != m_present.end();
}

std::vector<std::string> WarningList::release() {
  std::vector<std::string> out = std::move(m_entries);
  m_entries.clear();
  m_present.clear();
  return out;
}

std::vector<std::string> WarningList::release_sorted_unique() {
  std::vector<std::string> out = release();
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

namespace syntax {

namespace {

constexpr std::size_t kMaxNesting = 32;

bool is_quote(char c) { return c == '"' || c == '\''; }

}  // namespace

kivo_dom::Result<std::string, std::string> remove_comments(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool escape = false;
  char quote = 0;
  // The bytes from `kept` up to `i` are copied in one piece when a comment or
  // the text ends, rather than one byte at a time.
  std::size_t kept = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (escape) {
      escape = false;
    } else if (c == '\\') {
      escape = true;
    } else if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (is_quote(c)) {
      quote = c;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      // The search starts after the opening pair, so "/*/" does not close itself.
      const std::size_t close = text.find("*/", i + 2);
      if (close == std::string_view::npos) return kivo_dom::err(std::string("unclosed CSS comment"));
      out.append(text.substr(kept, i - kept));
      i = close + 2;
      kept = i;
      continue;
    }
    ++i;
  }
  out.append(text.substr(kept));
  return out;
}

kivo_dom::Result<std::optional<std::size_t>, std::string> boundary(std::string_view text,
                                                                   std::string_view stops) {
  // The stack never grows past the budget plus the one bracket that breaks it.
  char expected[kMaxNesting + 1];
  // The stops are one or two bytes; comparing them in place is cheaper than a
  // library search per byte.
  const auto is_stop = [stops](char c) {
    for (const char stop : stops) {
      if (stop == c) return true;
    }
    return false;
  };
  std::size_t depth = 0;
  bool escape = false;
  char quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (escape) {
      escape = false;
      continue;
    }
    if (c == '\\') {
      escape = true;
      continue;
    }
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    if (is_quote(c)) {
      quote = c;
      continue;
    }
    // A stop is tested before brackets, so a "}" stop at depth 0 is found rather
    // than reported as unbalanced.
    if (depth == 0 && is_stop(c)) return std::optional<std::size_t>(i);
    if (c == '(' || c == '[' || c == '{') {
      expected[depth++] = c == '(' ? ')' : c == '[' ? ']' : '}';
      if (depth > kMaxNesting) return kivo_dom::err(std::string("CSS nesting budget exceeded"));
    } else if (c == ')' || c == ']' || c == '}') {
      if (depth == 0 || expected[depth - 1] != c) {
        return kivo_dom::err(std::string("unbalanced CSS delimiters"));
      }
      --depth;
    }
  }
  if (escape || quote != 0 || depth > 0) return kivo_dom::err(std::string("unclosed CSS construct"));
  return std::optional<std::size_t>();
}

std::optional<std::uint64_t> unsigned_decimal(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace syntax

namespace parser {

void warn(WarningList& warnings, std::string_view text) {
  if (warnings.size() >= WarningList::kParserLimit) return;
  if (warnings.contains(text)) return;
  warnings.push(std::string(text));
}

}  // namespace parser

}  // namespace kivo_style
