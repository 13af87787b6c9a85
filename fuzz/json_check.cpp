#include "json_check.h"

#include <cstddef>
#include <vector>

#include "dom/text.h"

namespace kivo_fuzz {
namespace {

bool is_white_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

class Checker {
 public:
  explicit Checker(std::string_view text) : m_text(text) {}

  std::optional<std::string> run() {
    if (!kivo_dom::text::is_valid_utf8(m_text)) return std::string("not valid UTF-8");
    bool want_value = true;
    for (;;) {
      skip_white_space();
      if (want_value) {
        const Start start = value();
        if (start == Start::Failed) return m_error;
        // An opened container wants its first value next.
        want_value = start == Start::Opened;
        continue;
      }
      // After a value: close containers or go on to the next member.
      if (m_stack.empty()) {
        if (m_position != m_text.size()) return fail("text after the value");
        return std::nullopt;
      }
      const char open = m_stack.back();
      if (at(',')) {
        ++m_position;
        if (open == '{' && !member_key()) return m_error;
        want_value = true;
      } else if (at(open == '{' ? '}' : ']')) {
        ++m_position;
        m_stack.pop_back();
      } else {
        return fail("expected , or the end of the container");
      }
    }
  }

 private:
  bool at(char c) const { return m_position < m_text.size() && m_text[m_position] == c; }

  void skip_white_space() {
    while (m_position < m_text.size() && is_white_space(m_text[m_position])) ++m_position;
  }

  bool fail_bool(const char* why) {
    fail(why);
    return false;
  }

  std::optional<std::string> fail(const char* why) {
    m_error = std::string(why) + " at byte " + std::to_string(m_position);
    return m_error;
  }

  enum class Start { Failed, Complete, Opened };

  static Start complete_if(bool ok) { return ok ? Start::Complete : Start::Failed; }

  // Reads the start of a value: a whole scalar or empty container, or the
  // opening of a container (with its first member name) whose values follow.
  Start value() {
    if (m_position >= m_text.size()) return complete_if(fail_bool("expected a value"));
    const char c = m_text[m_position];
    if (c == '{' || c == '[') {
      ++m_position;
      skip_white_space();
      if (at(c == '{' ? '}' : ']')) {
        ++m_position;
        return Start::Complete;
      }
      m_stack.push_back(c);
      if (c == '{' && !member_key()) return Start::Failed;
      return Start::Opened;
    }
    if (c == '"') return complete_if(string());
    if (c == '-' || is_digit(c)) return complete_if(number());
    for (const std::string_view word : {"true", "false", "null"}) {
      if (m_text.substr(m_position, word.size()) == word) {
        m_position += word.size();
        return Start::Complete;
      }
    }
    return complete_if(fail_bool("expected a value"));
  }

  // Reads `"key" :` with the white space around it.
  bool member_key() {
    skip_white_space();
    if (!at('"')) return fail_bool("expected a member name");
    if (!string()) return false;
    skip_white_space();
    if (!at(':')) return fail_bool("expected :");
    ++m_position;
    return true;
  }

  bool string() {
    ++m_position;  // The opening quote.
    while (m_position < m_text.size()) {
      const unsigned char c = static_cast<unsigned char>(m_text[m_position]);
      if (c == '"') {
        ++m_position;
        return true;
      }
      if (c < 0x20) return fail_bool("control character in a string");
      if (c != '\\') {
        ++m_position;
        continue;
      }
      ++m_position;
      if (m_position >= m_text.size()) break;
      const char escape = m_text[m_position++];
      if (escape == 'u') {
        for (int i = 0; i < 4; ++i, ++m_position) {
          if (m_position >= m_text.size() || !is_hex(m_text[m_position])) return fail_bool("bad \\u escape");
        }
      } else if (std::string_view("\"\\/bfnrt").find(escape) == std::string_view::npos) {
        return fail_bool("bad escape");
      }
    }
    return fail_bool("unterminated string");
  }

  bool digits() {
    const std::size_t start = m_position;
    while (m_position < m_text.size() && is_digit(m_text[m_position])) ++m_position;
    return m_position > start;
  }

  bool number() {
    if (at('-')) ++m_position;
    if (at('0')) {
      ++m_position;
    } else if (!digits()) {
      return fail_bool("bad number");
    }
    if (at('.')) {
      ++m_position;
      if (!digits()) return fail_bool("bad fraction");
    }
    if (at('e') || at('E')) {
      ++m_position;
      if (at('+') || at('-')) ++m_position;
      if (!digits()) return fail_bool("bad exponent");
    }
    return true;
  }

  std::string_view m_text;
  std::size_t m_position = 0;
  std::vector<char> m_stack;
  std::string m_error;
};

}  // namespace

std::optional<std::string> json_error(std::string_view text) { return Checker(text).run(); }

std::optional<std::string> json_lines_error(std::string_view output) {
  if (output.empty()) return std::string("no output");
  if (output.back() != '\n') return std::string("output does not end with a line feed");
  std::size_t start = 0;
  std::size_t line = 1;
  while (start < output.size()) {
    const std::size_t end = output.find('\n', start);
    if (auto error = json_error(output.substr(start, end - start))) {
      return "line " + std::to_string(line) + ": " + *error;
    }
    start = end + 1;
    ++line;
  }
  return std::nullopt;
}

}  // namespace kivo_fuzz
