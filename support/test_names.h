// Names for the cases of parameterised tests, made from the text a case is
// about, so that test lists, CTest and failure reports say what each case
// checks. Used only by tests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivo_testing {

// `text` as a name GoogleTest accepts: ASCII letters and digits stay, the
// signs "+", "-" and "." are spelled out, and every other run of bytes
// becomes one "_". An empty text is "Empty".
inline std::string name_from_text(std::string_view text) {
  if (text.empty()) return "Empty";
  std::string name;
  for (const char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      name += c;
    } else if (c == '+') {
      name += "Plus";
    } else if (c == '-') {
      name += "Minus";
    } else if (c == '.') {
      name += "Dot";
    } else if (name.empty() || name.back() != '_') {
      name += '_';
    }
  }
  return name;
}

// The case's place in its table, then its text as above: for tables whose
// texts can differ only in the bytes that the name drops, or repeat.
inline std::string indexed_name(std::size_t index, std::string_view text) {
  const std::string name = name_from_text(text);
  return std::to_string(index) + (name.front() == '_' ? "" : "_") + name;
}

}  // namespace kivo_testing
