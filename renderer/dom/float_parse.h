// The renderer's one reading of a 32-bit float, used for the width argument,
// every measurement answer and the image size attributes. The grammar is fixed here by hand so that
// no locale and no library leniency can change what a text means:
//
//   [+|-] ( digits [. [digits]] | . digits ) [ (e|E) [+|-] digits ]
//   [+|-] ( inf | infinity | nan ), letters in any case
//
// Nothing else is accepted: no white space, no hexadecimal form, no digit
// separators. The value is rounded to the nearest float, ties to even; a
// magnitude too large becomes infinite and one too small zero with its sign.
// The text may be of any length; its cost is linear in it.
#pragma once

#include <string>
#include <string_view>

#include "dom/result.h"

namespace kivo_dom {

inline constexpr std::string_view kEmptyFloatText = "cannot parse float from empty string";
inline constexpr std::string_view kInvalidFloatText = "invalid float literal";

// Parses text as a 32-bit float, or returns one of the two texts above.
Result<float, std::string> parse_f32(std::string_view text);

}  // namespace kivo_dom
