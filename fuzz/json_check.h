// A strict checker for one JSON text: what the fuzz targets use to prove that
// whatever the renderer writes is well formed, whatever it was given.
//
// It accepts exactly one value (RFC 8259) surrounded by optional white space,
// in valid UTF-8, with no control characters inside strings. Nesting is
// tracked on an explicit stack, so a deep text costs no call depth.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kivo_fuzz {

// Why the text is not one JSON value (with the byte offset), or nothing when it is.
std::optional<std::string> json_error(std::string_view text);

// Checks a renderer output: one or more lines, each one JSON value ending in a
// line feed; nothing when every line is well formed.
std::optional<std::string> json_lines_error(std::string_view output);

}  // namespace kivo_fuzz
