#include "fake_measurer.h"

namespace kivo_fuzz {

kivo_dom::Result<float, std::string> FakeMeasurer::width(std::string_view text, float size, bool bold) {
  ++m_calls;
  double characters = 0;
  for (const char c : text) {
    // Continuation bytes do not start a character.
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) characters += 1;
  }
  double width = characters * 0.5 * static_cast<double>(size);
  if (bold) width *= 1.1;
  return static_cast<float>(width);
}

}  // namespace kivo_fuzz
