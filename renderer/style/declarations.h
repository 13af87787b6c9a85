// The parser of one CSS declaration block (a rule body or a style attribute)
// and the value grammars of the 38 supported properties.
//
// Limits: at most 129 pieces (texts between ";") per block; grid track lists
// hold at most 12 tracks. Values are plain numbers, pixels, percentages and
// fractions only: no other units, no negative values, no functions except
// repeat() in track lists.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dom/result.h"
#include "style/syntax.h"
#include "style/values.h"

namespace kivo_style::parser {

// The most pieces one declaration block may hold.
inline constexpr std::size_t kMaxDeclarationPieces = 129;

// The most columns a grid track list may hold.
inline constexpr std::size_t kMaxTracks = 12;

// Parses one declaration block into its declarations in source order; skipped
// declarations only leave a warning.
kivo_dom::Result<std::vector<Declaration>, std::string> declarations(std::string_view text,
                                                                     WarningList& warnings);

// Parses the value of one property; both texts are already trimmed and
// ASCII-lowercased. Absent when the name is unknown or the value invalid.
std::optional<Property> property(std::string_view name, std::string_view value);

// The value readers below take an already lowercased, trimmed value text.

// A plain number of ASCII digits and "." up to `max` (after rounding to f32).
std::optional<float> number(std::string_view text, float max);

// "0", or a plain number up to `max` followed by "px".
std::optional<float> px(std::string_view text, float max);

// "0", a number up to 4096 followed by "px", or up to 100 followed by "%".
std::optional<Length> length(std::string_view text);

// A colour keyword, or "#" with 3 or 6 hexadecimal digits; packed 0xRRGGBBAA.
std::optional<std::uint32_t> color(std::string_view text);

// One to four pixel values up to 1024, expanded to top, right, bottom, left.
std::optional<std::array<float, 4>> edges(std::string_view text);

// start, flex-start, center, end, flex-end or stretch.
std::optional<Align> align(std::string_view text);

// Splits a value at runs of the five ASCII white space bytes; no empty words.
std::vector<std::string_view> words(std::string_view text);

namespace grid_tracks {

// One track: "0", a fraction above 0 up to 1000 with "fr", or pixels up to 4096.
std::optional<Track> track(std::string_view text);

// A whole track list, with repeat(count, tracks...) groups; 1 to 12 tracks.
std::optional<std::vector<Track>> list(std::string_view text);

}  // namespace grid_tracks

}  // namespace kivo_style::parser
