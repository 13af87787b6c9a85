// Scanning helpers shared by every CSS parser of the renderer: comment removal,
// the quote-, escape- and bracket-aware delimiter search, and the warning list
// of one style computation.
//
// Limits: a searched text may hold at most 32 open brackets at once; the
// parsers add at most 64 distinct warnings. Both scans are single linear
// passes over the bytes; positions are byte offsets into UTF-8 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "dom/result.h"

namespace kivo_style {

// The warnings of one style computation, in the order they were added. A hash
// set beside the list answers "is this text already there" in constant time,
// so pages with thousands of warnings never cost a scan of the whole list.
class WarningList {
 public:
  // The parsers stop adding warnings once the list holds this many entries.
  static constexpr std::size_t kParserLimit = 64;

  // Appends a text unconditionally: no cap and no duplicate check.
  void push(std::string text);

  // True when an equal text is already in the list.
  bool contains(std::string_view text) const;

  std::size_t size() const { return m_entries.size(); }
  bool empty() const { return m_entries.empty(); }
  const std::vector<std::string>& entries() const { return m_entries; }

  // Moves the entries out in insertion order and leaves the list empty.
  std::vector<std::string> release();

  // Moves the entries out sorted by byte value with duplicates removed, and
  // leaves the list empty.
  std::vector<std::string> release_sorted_unique();

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept {
      return std::hash<std::string_view>{}(text);
    }
  };
  std::vector<std::string> m_entries;
  std::unordered_set<std::string, Hash, std::equal_to<>> m_present;
};

namespace syntax {

// Returns the text with every comment removed, or "unclosed CSS comment".
kivo_dom::Result<std::string, std::string> remove_comments(std::string_view text);

// Finds the first byte of `stops` that stands outside quotes and escapes at
// bracket depth 0: its offset, std::nullopt when the text ends first with
// everything closed, or an error message.
kivo_dom::Result<std::optional<std::size_t>, std::string> boundary(std::string_view text,
                                                                   std::string_view stops);

// Reads an unsigned decimal integer: an optional leading "+", then one or more
// ASCII digits (leading zeros allowed). Absent on any other byte, on an empty
// text and when the value does not fit in 64 bits.
std::optional<std::uint64_t> unsigned_decimal(std::string_view text);

}  // namespace syntax

namespace parser {

// Reports one warning: kept only while the list holds fewer than 64 entries
// and no equal text is present.
void warn(WarningList& warnings, std::string_view text);

}  // namespace parser

}  // namespace kivo_style
