// The JSON primitives every renderer writer shares: the string writer and
// the number forms (shortest 32-bit float, unsigned and signed integers).
#pragma once

#include <cstdint>
#include <string_view>

#include "layout/io.h"

namespace kivo_layout::protocol {

// Writes text as one JSON string: ", \, LF, CR and TAB get short escapes, other
// controls \u00XX (lowercase hex), everything else its raw UTF-8 bytes.
Result<void, IoError> write_string(std::string_view text, Output& out);

// Writes a finite float in the fewest digits that read back to the same float,
// without exponent ("997", "0.5", "-0"). The value must be finite.
Result<void, IoError> write_f32(float value, Output& out);
// The same form as text.
std::string f32_text(float value);

Result<void, IoError> write_u64(std::uint64_t value, Output& out);
Result<void, IoError> write_i32(std::int32_t value, Output& out);
Result<void, IoError> write_bool(bool value, Output& out);

}  // namespace kivo_layout::protocol
