#include "request.h"

#include <charconv>

namespace measure_harness {
namespace {

bool take(std::string_view& rest, std::string_view prefix) {
  if (rest.substr(0, prefix.size()) != prefix) return false;
  rest.remove_prefix(prefix.size());
  return true;
}

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Counts the scalars of a JSON string body up to its closing quote and leaves
// rest just after that quote; nothing when the string is malformed.
std::optional<std::size_t> count_string(std::string_view& rest) {
  std::size_t count = 0;
  std::size_t i = 0;
  while (i < rest.size()) {
    const auto c = static_cast<unsigned char>(rest[i]);
    if (c == '"') {
      rest.remove_prefix(i + 1);
      return count;
    }
    if (c == '\\') {
      if (i + 1 >= rest.size()) return std::nullopt;
      const char e = rest[i + 1];
      if (e == 'u') {
        if (i + 6 > rest.size()) return std::nullopt;
        for (std::size_t k = i + 2; k < i + 6; ++k) {
          if (!is_hex(rest[k])) return std::nullopt;
        }
        unsigned unit = 0;
        std::from_chars(rest.data() + i + 2, rest.data() + i + 6, unit, 16);
        // A low surrogate completes the pair counted at its high half.
        if (!(unit >= 0xDC00 && unit <= 0xDFFF)) ++count;
        i += 6;
        continue;
      }
      if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) return std::nullopt;
      ++count;
      i += 2;
      continue;
    }
    if (c < 0x20) return std::nullopt;
    // Continuation bytes belong to the scalar their lead byte counted.
    if ((c & 0xC0) != 0x80) ++count;
    ++i;
  }
  return std::nullopt;
}

}  // namespace

std::optional<Request> parse_request(std::string_view line) {
  Request request;
  std::string_view rest = line;
  if (!take(rest, "{\"measure\":true,\"size\":")) return std::nullopt;
  const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), request.size);
  if (ec != std::errc() || end == rest.data()) return std::nullopt;
  rest.remove_prefix(static_cast<std::size_t>(end - rest.data()));
  if (take(rest, ",\"bold\":true")) {
    request.bold = true;
  } else if (!take(rest, ",\"bold\":false")) {
    return std::nullopt;
  }
  if (!take(rest, ",\"text\":\"")) return std::nullopt;
  const auto characters = count_string(rest);
  if (!characters || rest != "}") return std::nullopt;
  request.characters = *characters;
  return request;
}

float rule_width(const Request& request) {
  const double width = static_cast<double>(request.characters) * request.size * 0.5 * (request.bold ? 1.1 : 1.0);
  return static_cast<float>(width);
}

std::string answer_line(const Request& request) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, rule_width(request));
  std::string line(buffer, ec == std::errc() ? end : buffer);
  line.push_back('\n');
  return line;
}

}  // namespace measure_harness
