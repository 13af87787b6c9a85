// A strict JSON scanner that hands out the text's tokens one at a time, as the
// caller asks for them, without building a tree and without recursion:
// containers are kept on an explicit stack, so deep nesting costs memory in
// proportion to the depth (bounded by the caller's budget for the text) and
// no call depth.
//
// Strings must be valid UTF-8 without raw control characters; their escapes
// are decoded. Numbers follow the JSON grammar and are converted without the
// locale: non-negative integers come as Unsigned, negative ones as Signed,
// and everything else (a fraction, an exponent, an integer beyond 64 bits) as
// Float. Exactly one value may stand at the top, surrounded by white space.
//
// The text may arrive in pieces. The scanner stops before a token that runs
// into the end of the bytes it has (it cannot know yet how the token ends),
// says NeedMore, and starts that token again when it is given the rest
// together with more. Every decision is made on bytes that are there, and no
// token is handed out before its last byte, so pieces of any size give the
// tokens and the error that the whole text gives at once.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

class JsonScanner {
public:
  enum class Token : std::uint8_t {
    BeginObject,
    EndObject,
    BeginArray,
    EndArray,
    Key,       // a member name: text()
    String,    // text()
    Null,
    Boolean,   // boolean()
    Signed,    // a negative integer: signedValue()
    Unsigned,  // a non-negative integer: unsignedValue()
    Float,     // floatValue()
    NeedMore,  // the bytes ran out inside or before a token; feed() more
    End,       // the one value is complete and the text has ended
    Failed,    // the text is not JSON: error(); every later call says so too
  };

  // Gives the scanner the next bytes. `text` follows the bytes consumed so
  // far: after NeedMore it must start with the bytes that were not consumed.
  // `last` when the text ends with these bytes.
  void feed(std::string_view text, bool last);

  // The next token of the bytes fed. Inlined, with the reading of white
  // space and numbers, into the caller's loop: on a large scene a call per
  // token cost the scene decoder about a quarter of its time.
  [[gnu::always_inline]] inline Token next();

  // The value of the token just handed out. The text of a Key or String views
  // either the fed bytes or the scanner's own buffer; it stays valid until the
  // next call of next() or feed().
  std::string_view text() const { return m_view; }
  bool boolean() const { return m_boolean; }
  std::int64_t signedValue() const { return m_signed; }
  std::uint64_t unsignedValue() const { return m_unsigned; }
  double floatValue() const { return m_float; }

  // How many bytes of the text last fed are done with.
  std::size_t consumed() const { return m_at; }

  // The bytes fed that are not done with yet. Right after a Key they start
  // with the ':' before the member's value.
  std::string_view rest() const { return m_text.substr(m_at); }
  // Right after a Key: takes the next `size` bytes of rest() as the ':' and
  // the member's whole value, which the caller knows to be JSON because the
  // very same bytes were scanned before. The scanner goes on after the value
  // as if it had handed out its tokens.
  void skipMemberValue(std::size_t size);
  // Inside an array, between its elements: how many bytes of rest() come
  // before the next element starts (0 right after the '[', 1 for the ','
  // after an element), or kNoElement when no element follows at once (the
  // end of the array, white space, or bytes still to come).
  static constexpr std::size_t kNoElement = static_cast<std::size_t>(-1);
  std::size_t arrayElementLead() const;
  // Takes the next `size` bytes of rest() as the lead arrayElementLead() gave
  // and one whole element, which the caller knows to be JSON. The scanner goes
  // on after the element as if it had handed out its tokens.
  void skipArrayElement(std::size_t size);

  // Why the text is not JSON, naming the byte of the whole text where the
  // fault was found, once next() has said Failed.
  const std::string& error() const { return m_error; }

private:
  // What the scanner expects next, between two tokens.
  enum class State : std::uint8_t {
    Value,          // a value
    ValueOrClose,   // just after '[': a value or ']'
    MemberOrClose,  // just after '{': a member name or '}'
    Key,            // a member name
    Colon,          // the ':' after a member name
    AfterValue,     // ',', the end of a container, or the end of the text
    Failed,         // a fault was found; nothing more is read
  };
  // How a token went.
  enum class Step : std::uint8_t { Ok, More, Failed };

  Step failAt(const char* what);
  Step ending(const char* what);
  bool peek(char c) const { return m_at < m_text.size() && m_text[m_at] == c; }
  [[gnu::always_inline]] inline void skipSpace();
  inline Step literal();
  [[gnu::always_inline]] inline bool digits();
  Step numberFails(const char* what);
  [[gnu::always_inline]] inline Step number();
  Step hex4(std::uint32_t& value);
  void appendUtf8(std::uint32_t code);
  Step utf8Sequence();
  Step string();

  State m_state = State::Value;
  // The open containers, 'o' or 'a', innermost last; one is entered here
  // when its first member or element begins, so an empty one never is.
  std::vector<char> m_containers;
  std::string_view m_text;
  bool m_last = false;
  std::size_t m_at = 0;    // in m_text
  std::size_t m_base = 0;  // bytes of the whole text consumed before m_text
  std::string m_string;    // a string with escapes, decoded
  Token m_token = Token::Null;  // the scalar token that number() or literal() read
  std::string_view m_view;
  bool m_boolean = false;
  std::int64_t m_signed = 0;
  std::uint64_t m_unsigned = 0;
  double m_float = 0;
  std::string m_error;
};

// The length of the UTF-8 sequence that starts `bytes` (of which `available`
// are there), by the rule the scanner applies to strings: shortest form, no
// surrogates, nothing beyond U+10FFFF. 0 when it is ill-formed, -1 when it is
// cut off by the end.
int utf8SequenceLength(const unsigned char* bytes, std::size_t available);

// The scanner's per-token path, inline so that a decoder's loop over next()
// compiles into one loop, as if the scanner were written into it.

inline void JsonScanner::skipSpace() {
  const char* text = m_text.data();
  const std::size_t size = m_text.size();
  std::size_t at = m_at;
  while (at < size) {
    const char c = text[at];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
    ++at;
  }
  m_at = at;
}

inline JsonScanner::Token JsonScanner::next() {
  for (;;) {
    // Every state starts past white space, which is no token and so is done
    // with at once. Where its token starts: a token that runs out of bytes is
    // scanned again from here.
    skipSpace();
    const std::size_t mark = m_at;
    Step step = Step::Ok;
    switch (m_state) {
      case State::Value: {
        if (m_at >= m_text.size()) {
          step = ending("unexpected end of input");
          break;
        }
        const char c = m_text[m_at];
        if (c == '{') {
          ++m_at;
          m_state = State::MemberOrClose;
          return Token::BeginObject;
        }
        if (c == '[') {
          ++m_at;
          m_state = State::ValueOrClose;
          return Token::BeginArray;
        }
        if (c == '"') {
          step = string();
          if (step == Step::Ok) {
            m_state = State::AfterValue;
            return Token::String;
          }
          break;
        }
        step = c == 't' || c == 'f' || c == 'n' ? literal() : number();
        if (step == Step::Ok) {
          m_state = State::AfterValue;
          return m_token;
        }
        break;
      }
      case State::ValueOrClose:
        if (m_at >= m_text.size() && !m_last) {
          step = Step::More;
        } else if (peek(']')) {
          ++m_at;
          m_state = State::AfterValue;
          return Token::EndArray;
        } else {
          m_containers.push_back('a');
          m_state = State::Value;
        }
        break;
      case State::MemberOrClose:
        if (m_at >= m_text.size() && !m_last) {
          step = Step::More;
        } else if (peek('}')) {
          ++m_at;
          m_state = State::AfterValue;
          return Token::EndObject;
        } else {
          m_containers.push_back('o');
          m_state = State::Key;
        }
        break;
      case State::Key:
        if (m_at >= m_text.size()) {
          step = ending("expected a member name");
        } else if (!peek('"')) {
          step = failAt("expected a member name");
        } else {
          step = string();
          if (step == Step::Ok) {
            m_state = State::Colon;
            return Token::Key;
          }
        }
        break;
      case State::Colon:
        if (m_at >= m_text.size()) {
          step = ending("expected ':'");
        } else if (!peek(':')) {
          step = failAt("expected ':'");
        } else {
          ++m_at;
          m_state = State::Value;
        }
        break;
      case State::AfterValue: {
        if (m_containers.empty()) {
          if (m_at < m_text.size()) {
            step = failAt("unexpected text after the value");
          } else if (m_last) {
            return Token::End;
          } else {
            step = Step::More;
          }
          break;
        }
        if (m_at >= m_text.size()) {
          step = ending("unexpected end of input");
          break;
        }
        const char next = m_text[m_at++];
        const bool object = m_containers.back() == 'o';
        if (next == ',') {
          m_state = object ? State::Key : State::Value;
        } else if (next == (object ? '}' : ']')) {
          m_containers.pop_back();
          return object ? Token::EndObject : Token::EndArray;
        } else {
          --m_at;
          step = failAt("expected ',' or the end of a container");
        }
        break;
      }
      case State::Failed:
        return Token::Failed;
    }
    if (step == Step::More) {
      m_at = mark;
      return Token::NeedMore;
    }
    if (step == Step::Failed) return Token::Failed;
  }
}

inline JsonScanner::Step JsonScanner::literal() {
  // The longest literal must fit before anything is decided.
  if (!m_last && m_text.size() - m_at < 5) return Step::More;
  for (const std::string_view word : {std::string_view("true"), std::string_view("false"), std::string_view("null")}) {
    if (m_text.substr(m_at, word.size()) == word) {
      m_at += word.size();
      if (word == "null") {
        m_token = Token::Null;
      } else {
        m_token = Token::Boolean;
        m_boolean = word == "true";
      }
      return Step::Ok;
    }
  }
  return failAt("invalid literal");
}

inline bool JsonScanner::digits() {
  const char* text = m_text.data();
  const std::size_t size = m_text.size();
  const std::size_t start = m_at;
  std::size_t at = start;
  while (at < size && text[at] >= '0' && text[at] <= '9') ++at;
  m_at = at;
  return at > start;
}

inline JsonScanner::Step JsonScanner::number() {
  const std::size_t start = m_at;
  const bool negative = peek('-');
  if (negative) ++m_at;
  if (peek('0')) {
    ++m_at;
  } else if (!(m_at < m_text.size() && m_text[m_at] >= '1' && m_text[m_at] <= '9') || !digits()) {
    return numberFails("invalid value");
  }
  bool integral = true;
  if (peek('.')) {
    ++m_at;
    integral = false;
    if (!digits()) return numberFails("invalid number");
  }
  if (peek('e') || peek('E')) {
    ++m_at;
    integral = false;
    if (peek('+') || peek('-')) ++m_at;
    if (!digits()) return numberFails("invalid number");
  }
  if (m_at >= m_text.size() && !m_last) return Step::More;
  const char* first = m_text.data() + start;
  const char* end = m_text.data() + m_at;
  if (integral) {
    // The digits are checked already; they are added up here rather than
    // by from_chars, which the compiler leaves as a call per number.
    std::uint64_t magnitude = 0;
    bool fits = true;
    for (const char* digit = negative ? first + 1 : first; digit != end && fits; ++digit) {
      fits = !__builtin_mul_overflow(magnitude, 10u, &magnitude) &&
             !__builtin_add_overflow(magnitude, static_cast<unsigned>(*digit - '0'), &magnitude);
    }
    if (fits && !negative) {
      m_unsigned = magnitude;
      m_token = Token::Unsigned;
      return Step::Ok;
    }
    // Down to -2^63; the negation is taken modulo 2^64, so -2^63 comes out
    // whole and -0 as 0.
    if (fits && magnitude <= std::uint64_t{1} << 63) {
      m_signed = static_cast<std::int64_t>(std::uint64_t{0} - magnitude);
      m_token = Token::Signed;
      return Step::Ok;
    }
  }
  const auto result = std::from_chars(first, end, m_float);
  if (result.ec == std::errc::result_out_of_range) return failAt("number out of range");
  m_token = Token::Float;
  return Step::Ok;
}
