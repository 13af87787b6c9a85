#include "style/parser.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "dom/node.h"
#include "dom/text.h"

namespace kivo_style::parser {

using kivo_dom::Result;

namespace {

constexpr float kMaxMediaWidth = 8192;

std::string_view trim(std::string_view text) { return kivo_dom::text::trim_unicode_white_space(text); }

// True when the text begins with a character that has the White_Space property.
bool starts_with_white_space(std::string_view text) {
  if (text.empty()) return false;
  std::size_t i = 0;
  return kivo_dom::text::is_unicode_white_space(kivo_dom::text::decode_utf8(text, i));
}

std::string_view after(std::string_view text, std::size_t offset) { return text.substr(offset + 1); }

// What one media query amounts to against the viewport.
enum class Query { Matches, NoMatch, Unsupported, Dropped };

// The text after a leading "and" that must be followed by White_Space or "(";
// absent when the text does not start that way.
std::optional<std::string_view> after_and(std::string_view text) {
  if (text.substr(0, 3) != "and") return std::nullopt;
  const std::string_view rest = text.substr(3);
  if (!starts_with_white_space(rest) && (rest.empty() || rest.front() != '(')) return std::nullopt;
  return trim(rest);
}

// A feature value: "0", or digits and "." followed by "px", within 0 to 8192.
std::optional<float> media_length(std::string_view value) {
  if (value == "0") return 0.0f;
  if (value.size() < 3 || value.substr(value.size() - 2) != "px") return std::nullopt;
  return number(value.substr(0, value.size() - 2), kMaxMediaWidth);
}

// Evaluates a list of features "(name: value) and (...)" against the viewport.
Query evaluate_features(std::string_view text, bool matches, float viewport) {
  while (true) {
    if (text.empty() || text.front() != '(') return Query::Unsupported;
    const std::size_t close = text.find(')');
    if (close == std::string_view::npos) return Query::Dropped;
    const std::string_view inside = text.substr(1, close - 1);
    const std::size_t colon = inside.find(':');
    if (colon == std::string_view::npos) return Query::Unsupported;
    const std::string_view name = trim(inside.substr(0, colon));
    const std::optional<float> value = media_length(trim(after(inside, colon)));
    if (!value) return Query::Unsupported;
    if (name == "width") {
      matches = matches && viewport == *value;
    } else if (name == "min-width") {
      matches = matches && viewport >= *value;
    } else if (name == "max-width") {
      matches = matches && viewport <= *value;
    } else {
      return Query::Unsupported;
    }
    const std::string_view rest = trim(after(text, close));
    if (rest.empty()) return matches ? Query::Matches : Query::NoMatch;
    const std::optional<std::string_view> next = after_and(rest);
    if (!next || next->empty()) return Query::Unsupported;
    text = *next;
  }
}

// Evaluates one trimmed, lowercased media query.
Query evaluate_query(std::string_view query, float viewport) {
  if (query.empty()) return Query::Unsupported;
  if (query.front() == '(') return evaluate_features(query, true, viewport);
  std::size_t end = 0;
  while (end < query.size()) {
    std::size_t next = end;
    if (kivo_dom::text::is_unicode_white_space(kivo_dom::text::decode_utf8(query, next))) break;
    end = std::min(next, query.size());
  }
  const std::string_view type = query.substr(0, end);
  bool matches = false;
  if (type == "all" || type == "screen") {
    matches = true;
  } else if (type != "print") {
    return Query::Unsupported;
  }
  const std::string_view rest = trim(query.substr(end));
  if (rest.empty()) return matches ? Query::Matches : Query::NoMatch;
  const std::optional<std::string_view> features = after_and(rest);
  if (!features || features->empty()) return Query::Unsupported;
  return evaluate_features(*features, matches, viewport);
}

// Handles an at-rule: only @media blocks whose query list matches are parsed.
Result<void, std::string> media_rule(std::string_view prelude, std::string_view body, WarningList& warnings,
                                     std::size_t depth, std::vector<Rule>& rules, float viewport) {
  const std::string lowered = kivo_dom::ascii_lowercase(prelude);
  const std::string_view text = lowered;
  constexpr std::string_view kMedia = "@media";
  if (text.substr(0, kMedia.size()) != kMedia || text.size() == kMedia.size()) {
    warn(warnings, "unsupported CSS at-rule skipped");
    return {};
  }
  const std::string_view rest = text.substr(kMedia.size());
  if (!starts_with_white_space(rest) && rest.front() != '(') {
    warn(warnings, "unsupported CSS at-rule skipped");
    return {};
  }
  // Queries are separated by every comma; the first that matches applies the block.
  std::string_view queries = trim(rest);
  while (true) {
    const std::size_t comma = queries.find(',');
    const std::string_view query = trim(queries.substr(0, comma));
    switch (evaluate_query(query, viewport)) {
      case Query::Matches:
        return rules_into(body, warnings, depth + 1, rules, viewport);
      case Query::Unsupported:
        warn(warnings, "unsupported media query");
        break;
      case Query::NoMatch:
      case Query::Dropped:
        break;
    }
    if (comma == std::string_view::npos) return {};
    queries = after(queries, comma);
  }
}

// Parses the selector list of a style rule; absent when any selector is refused.
Result<std::optional<std::vector<Selector>>, std::string> selector_list(std::string_view prelude) {
  std::vector<Selector> selectors;
  std::string_view rest = prelude;
  while (true) {
    KIVO_TRY_ASSIGN(const std::optional<std::size_t> comma, syntax::boundary(rest, ","));
    const std::string_view piece = comma.has_value() ? rest.substr(0, *comma) : rest;
    std::optional<Selector> selector = Selector::parse(trim(piece));
    if (!selector) return std::optional<std::vector<Selector>>{};
    selectors.push_back(std::move(*selector));
    if (!comma.has_value()) return std::optional<std::vector<Selector>>{std::move(selectors)};
    rest = after(rest, *comma);
  }
}

// Handles a style rule: its declarations first, then one rule per selector.
Result<void, std::string> style_rule(std::string_view prelude, std::string_view body, WarningList& warnings,
                                     std::vector<Rule>& rules) {
  // 1. A block inside the body would be a nested rule. The body ends at the
  // block's first top-level "}", found by a search that failed on nothing
  // before it, so without any "{" a second search would find none either.
  if (body.find('{') != std::string_view::npos) {
    KIVO_TRY_ASSIGN(const std::optional<std::size_t> nested, syntax::boundary(body, "{"));
    if (nested.has_value()) return kivo_dom::err(std::string("nested CSS declarations are not supported"));
  }
  // 2. Parse the declarations, so that their warnings and errors come first.
  KIVO_TRY_ASSIGN(std::vector<Declaration> parsed, declarations(body, warnings));
  // 3. Parse the selector list; one refused selector skips the whole rule.
  KIVO_TRY_ASSIGN(std::optional<std::vector<Selector>> selectors, selector_list(prelude));
  if (!selectors.has_value()) {
    warn(warnings, "unsupported selector list skipped");
    return {};
  }
  // 4. Append one rule per selector, each with its own copy of the
  // declarations; the last one takes the parsed list itself.
  for (std::size_t i = 0; i < selectors->size(); ++i) {
    if (rules.size() >= kMaxRules) return kivo_dom::err(std::string("CSS rule limit exceeded"));
    Selector& selector = (*selectors)[i];
    if (i + 1 == selectors->size()) {
      rules.push_back(Rule{std::move(selector), std::move(parsed), rules.size()});
    } else {
      rules.push_back(Rule{std::move(selector), parsed, rules.size()});
    }
  }
  return {};
}

}  // namespace

Result<std::vector<Rule>, std::string> stylesheet(std::string_view text, WarningList& warnings, float viewport) {
  KIVO_TRY_ASSIGN(const std::string uncommented, syntax::remove_comments(text));
  std::vector<Rule> rules;
  KIVO_TRY(rules_into(uncommented, warnings, 0, rules, viewport));
  return rules;
}

Result<void, std::string> rules_into(std::string_view text, WarningList& warnings, std::size_t depth,
                                     std::vector<Rule>& rules, float viewport) {
  if (depth > kMaxMediaDepth) return kivo_dom::err(std::string("CSS at-rule depth exceeded"));
  std::string_view rest = trim(text);
  while (!rest.empty()) {
    // 1. Find the end of the statement's prelude.
    KIVO_TRY_ASSIGN(const std::optional<std::size_t> stop, syntax::boundary(rest, "{;"));
    if (!stop.has_value()) return kivo_dom::err(std::string("CSS rule is missing '{'"));
    const std::size_t open = *stop;
    // 2. A statement without a block is skipped.
    if (rest[open] == ';') {
      warn(warnings, "unsupported CSS statement");
      rest = trim(after(rest, open));
      continue;
    }
    // 3. Find the end of the block.
    const std::string_view prelude = trim(rest.substr(0, open));
    const std::string_view inner = after(rest, open);
    KIVO_TRY_ASSIGN(const std::optional<std::size_t> close, syntax::boundary(inner, "}"));
    if (!close.has_value()) return kivo_dom::err(std::string("CSS rule is missing '}'"));
    const std::string_view body = inner.substr(0, *close);
    // 4. Handle the block as an at-rule or a style rule.
    KIVO_TRY(!prelude.empty() && prelude.front() == '@' ? media_rule(prelude, body, warnings, depth, rules, viewport)
                                                        : style_rule(prelude, body, warnings, rules));
    rest = trim(after(inner, *close));
  }
  return {};
}

}  // namespace kivo_style::parser
