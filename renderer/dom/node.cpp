#include "node.h"

#include <algorithm>

#include "dom/text.h"

namespace kivo_dom {

std::string ascii_lowercase(std::string_view text) {
  std::string out(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = text::ascii_lower(text[i]);
  return out;
}

std::optional<std::string_view> Node::attribute(std::string_view name) const {
  if (attributes.empty()) return std::nullopt;
  // Callers nearly always ask in lowercase already; only another name is
  // copied to be lowercased.
  const bool lowercase = std::none_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  const auto it = lowercase ? attributes.find(name) : attributes.find(ascii_lowercase(name));
  if (it == attributes.end()) return std::nullopt;
  return std::string_view(it->second);
}

}  // namespace kivo_dom
