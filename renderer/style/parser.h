// The front of the style-sheet parser: the statement loop that turns one
// style-sheet text into an ordered list of rules, and the @media subset,
// evaluated against the viewport width.
//
// Limits: at most 512 rules per style sheet; applied @media blocks nest at most
// 8 deep; brackets nest at most 32 deep in any searched text (syntax.h).
// Constructs outside the subset are skipped with a warning; broken structure
// and exhausted budgets fail the whole sheet with one message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "dom/result.h"
#include "style/declarations.h"
#include "style/selectors.h"
#include "style/syntax.h"
#include "style/values.h"

namespace kivo_style {

// One style rule with exactly one selector.
struct Rule {
  Selector selector;
  // The rule's declarations in source order.
  std::vector<Declaration> declarations;
  // How many rules the sheet's list held when this one was appended.
  std::size_t order = 0;
};

namespace parser {

// The most rules one style sheet may produce.
inline constexpr std::size_t kMaxRules = 512;

// The deepest nesting of applied @media blocks that is parsed.
inline constexpr std::size_t kMaxMediaDepth = 8;

// Parses a whole style sheet for the given viewport width; on an error the
// rules parsed so far are discarded and the warnings already reported stay.
kivo_dom::Result<std::vector<Rule>, std::string> stylesheet(std::string_view text, WarningList& warnings,
                                                            float viewport);

// Parses the statements of a comment-free text, appending rules; depth is the
// nesting of applied @media blocks (0 for a whole sheet).
kivo_dom::Result<void, std::string> rules_into(std::string_view text, WarningList& warnings, std::size_t depth,
                                               std::vector<Rule>& rules, float viewport);

}  // namespace parser

}  // namespace kivo_style
