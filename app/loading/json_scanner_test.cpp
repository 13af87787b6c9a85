#include "loading/json_scanner.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using Token = JsonScanner::Token;

// One token as text: "{", "}", "[", "]", "k:name", "s:text", "null", "b:true",
// "i:-5" (signed), "u:5" (unsigned), "f:1.5" (float).
std::string describe(Token token, const JsonScanner& scanner) {
  std::ostringstream out;
  out.precision(17);
  switch (token) {
    case Token::BeginObject: return "{";
    case Token::EndObject: return "}";
    case Token::BeginArray: return "[";
    case Token::EndArray: return "]";
    case Token::Key: return "k:" + std::string(scanner.text());
    case Token::String: return "s:" + std::string(scanner.text());
    case Token::Null: return "null";
    case Token::Boolean: return scanner.boolean() ? "b:true" : "b:false";
    case Token::Signed: out << "i:" << scanner.signedValue(); break;
    case Token::Unsigned: out << "u:" << scanner.unsignedValue(); break;
    case Token::Float: out << "f:" << scanner.floatValue(); break;
    case Token::NeedMore: return "more";
    case Token::End: return "end";
    case Token::Failed: return "failed";
  }
  return out.str();
}

// Every token of `text` given in pieces of `size` bytes (0: all at once), as
// a decoder would: the bytes not consumed at NeedMore are given again with
// the next piece. Ends with "end" or with the error.
std::string scan(std::string_view text, std::size_t size = 0) {
  JsonScanner scanner;
  std::string tokens;
  std::string pending;
  std::size_t at = 0;
  for (;;) {
    const std::size_t take = size == 0 ? text.size() - at : std::min(size, text.size() - at);
    pending.append(text.substr(at, take));
    at += take;
    const bool last = at == text.size();
    scanner.feed(pending, last);
    Token token;
    while ((token = scanner.next()) != Token::NeedMore && token != Token::End && token != Token::Failed) {
      tokens += describe(token, scanner) + ' ';
    }
    if (token == Token::End) return tokens + "end";
    if (token == Token::Failed) return tokens + "error: " + scanner.error();
    if (last) return tokens + "more after the last byte";  // never right
    pending.erase(0, scanner.consumed());
  }
}

TEST(JsonScannerTest, TokensOfEveryForm) {
  struct Case {
    std::string text;
    std::string tokens;
  };
  const Case cases[] = {
      {R"({"a":1,"b":[true,false,null],"c":{}})", "{ k:a u:1 k:b [ b:true b:false null ] k:c { } } end"},
      {" \t\r\n[ [ ] , { } ]\n", "[ [ ] { } ] end"},
      {R"("plain")", "s:plain end"},
      {R"("")", "s: end"},
      // Escapes, a surrogate pair and raw multibyte text are all UTF-8 out.
      {R"("a\"b\\c\/d\b\f\n\r\t")", "s:a\"b\\c/d\b\f\n\r\t end"},
      {R"("\u00e7\u011f \ud83d\ude00 çğ")", "s:çğ 😀 çğ end"},
      {R"("\u0000")", std::string("s:") + '\0' + " end"},
      // A key is unescaped like any string.
      {R"({"k\u0065y":"v"})", "{ k:key s:v } end"},
      // Integers: non-negative unsigned, negative signed, beyond 64 bits float.
      {"0", "u:0 end"},
      {"-0", "i:0 end"},
      {"18446744073709551615", "u:18446744073709551615 end"},
      {"18446744073709551616", "f:1.8446744073709552e+19 end"},
      {"-9223372036854775808", "i:-9223372036854775808 end"},
      {"-9223372036854775809", "f:-9.2233720368547758e+18 end"},
      // A fraction or an exponent makes a float, whatever its value; a float
      // is the double nearest the text.
      {"[2.0,1e2,1E+2,25e-1,-0.5,0.33333334]", "[ f:2 f:100 f:100 f:2.5 f:-0.5 f:0.33333333999999998 ] end"},
      {"4.9e-324", "f:4.9406564584124654e-324 end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(scan(c.text), c.tokens);
  }
}

TEST(JsonScannerTest, MalformedTextNamesItsFaultAndByte) {
  struct Case {
    std::string text;
    std::string result;
  };
  const std::string prefix = "error: The data is not valid JSON at byte ";
  const Case cases[] = {
      {"", prefix + "0: unexpected end of input"},
      {"   ", prefix + "3: unexpected end of input"},
      {"[", "[ " + prefix + "1: unexpected end of input"},
      {R"({"a":1)", "{ k:a u:1 " + prefix + "6: unexpected end of input"},
      {R"({"a":1,})", "{ k:a u:1 " + prefix + "7: expected a member name"},
      {"{1:2}", "{ " + prefix + "1: expected a member name"},
      {R"({"a" 1})", "{ k:a " + prefix + "5: expected ':'"},
      {"[1 2]", "[ u:1 " + prefix + "3: expected ',' or the end of a container"},
      {"[1}", "[ u:1 " + prefix + "2: expected ',' or the end of a container"},
      {"[1,]", "[ u:1 " + prefix + "3: invalid value"},
      {"{} {}", "{ } " + prefix + "3: unexpected text after the value"},
      {"01", "u:0 " + prefix + "1: unexpected text after the value"},
      {"-", prefix + "1: invalid value"},
      {"+1", prefix + "0: invalid value"},
      {".5", prefix + "0: invalid value"},
      {"1.", prefix + "2: invalid number"},
      {"1.e3", prefix + "2: invalid number"},
      {"1e", prefix + "2: invalid number"},
      {"1e400", prefix + "5: number out of range"},
      {"tru", prefix + "0: invalid literal"},
      {"nul ", prefix + "0: invalid literal"},
      {"True", prefix + "0: invalid value"},
      {R"("abc)", prefix + "4: unterminated string"},
      {"\"a\x01\"", prefix + "2: control character in a string"},
      {"\"a\nb\"", prefix + "2: control character in a string"},
      {R"("\x")", prefix + "2: invalid escape"},
      {R"("\u12g4")", prefix + "6: invalid escape"},
      {R"("\u12")", prefix + "3: invalid escape"},
      {R"("\ud800")", prefix + "7: unpaired surrogate"},
      {R"("\ud800\u0041")", prefix + "13: unpaired surrogate"},
      {R"("\udc00")", prefix + "7: unpaired surrogate"},
      // Overlong forms, encoded surrogates, beyond U+10FFFF, stray
      // continuation bytes and cut sequences are not UTF-8.
      {"\"\xc0\xaf\"", prefix + "1: ill-formed UTF-8"},
      {"\"\xe0\x80\xaf\"", prefix + "1: ill-formed UTF-8"},
      {"\"\xed\xa0\x80\"", prefix + "1: ill-formed UTF-8"},
      {"\"\xf4\x90\x80\x80\"", prefix + "1: ill-formed UTF-8"},
      {"\"a\x80\"", prefix + "2: ill-formed UTF-8"},
      {"\"\xc3(\"", prefix + "1: ill-formed UTF-8"},
      {"\"\xe2\x82", prefix + "1: ill-formed UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(scan(c.text), c.result);
  }
}

TEST(JsonScannerTest, AFailureStaysAFailure) {
  JsonScanner scanner;
  scanner.feed("[1,]", true);
  EXPECT_EQ(scanner.next(), Token::BeginArray);
  EXPECT_EQ(scanner.next(), Token::Unsigned);
  EXPECT_EQ(scanner.next(), Token::Failed);
  EXPECT_EQ(scanner.next(), Token::Failed);
  EXPECT_EQ(scanner.error(), "The data is not valid JSON at byte 3: invalid value");
}

TEST(JsonScannerTest, DeepNestingCostsNoCallDepth) {
  // Nesting is bounded only by the length of the text (its caller's budget),
  // never by the stack: a million open arrays and objects scan like a flat
  // text.
  const int depth = 1'000'000;
  std::string text;
  for (int i = 0; i < depth; ++i) text += i % 2 ? "{\"k\":" : "[";
  text += "null";
  for (int i = depth - 1; i >= 0; --i) text += i % 2 ? "}" : "]";
  JsonScanner scanner;
  scanner.feed(text, true);
  int open = 0;
  int deepest = 0;
  Token token;
  while ((token = scanner.next()) != Token::End && token != Token::Failed) {
    if (token == Token::BeginArray || token == Token::BeginObject) deepest = std::max(deepest, ++open);
    if (token == Token::EndArray || token == Token::EndObject) --open;
  }
  EXPECT_EQ(token, Token::End) << scanner.error();
  EXPECT_EQ(deepest, depth);
  EXPECT_EQ(open, 0);
  // Cut off at its deepest point, the text ends where a value was expected.
  JsonScanner cut;
  cut.feed(std::string_view(text).substr(0, text.find("null")), true);
  while ((token = cut.next()) != Token::End && token != Token::Failed) {
  }
  EXPECT_EQ(cut.error(),
            "The data is not valid JSON at byte " + std::to_string(text.find("null")) + ": unexpected end of input");
}

TEST(JsonScannerTest, PiecesGiveTheTokensAndErrorsOfTheWholeText) {
  // Texts whose tokens cross piece boundaries everywhere: keys, escapes,
  // surrogate pairs, multibyte characters, numbers, literals, white space.
  const std::string texts[] = {
      R"({"title":"Ba\u015fl\u0131k \"\/\\","w":[1,-2,3.25,1e2,-0,18446744073709551616],"t":true,"f":false,)"
      R"("n":null,"s":"çay 😀 \ud83d\ude00","e":{},"a":[],"deep":[[{"k":[null]}]]} )",
      "  [ 1 ,\t2 ,\n\"x\" ]  ",
      "123456789",
      "-0.000001e-2",
      "true",
      "\"\xe2\x82\xac\"",
      R"({"a":"\ud83d)",      // ends inside a surrogate pair
      R"({"a":"\ud83dx"})",   // a high surrogate alone
      "{\"a\":\"\xc3",        // ends inside a multibyte sequence
      R"({"a":12)",           // ends inside a number
      R"({"a":1.})",          // a number without fraction digits
      R"({"a":tru)",          // ends inside a literal
      R"([1,2] x)",           // text after the value
      R"({"a":"\u00)",        // ends inside an escape
  };
  const std::string first = scan(texts[0]);
  EXPECT_EQ(first.substr(first.size() - 3), "end") << first;
  for (const std::string& text : texts) {
    const std::string whole = scan(text);
    for (std::size_t size = 1; size <= 8; ++size) {
      SCOPED_TRACE(text + " in pieces of " + std::to_string(size));
      EXPECT_EQ(scan(text, size), whole);
    }
  }
}

TEST(JsonScannerTest, AnUnfinishedTokenIsLeftUnconsumed) {
  JsonScanner scanner;
  scanner.feed(R"({"name":"Merh)", false);
  EXPECT_EQ(scanner.next(), Token::BeginObject);
  EXPECT_EQ(scanner.next(), Token::Key);
  EXPECT_EQ(scanner.next(), Token::NeedMore);
  // The string began at byte 8; everything before it is done with.
  EXPECT_EQ(scanner.consumed(), 8u);
  scanner.feed(R"("Merhaba"})", true);
  EXPECT_EQ(scanner.next(), Token::String);
  EXPECT_EQ(scanner.text(), "Merhaba");
  EXPECT_EQ(scanner.next(), Token::EndObject);
  EXPECT_EQ(scanner.next(), Token::End);
}

TEST(JsonScannerTest, Utf8SequenceLengths) {
  struct Case {
    std::string bytes;
    int length;
  };
  const Case cases[] = {
      {"\xc3\xa7", 2},         {"\xe2\x82\xac", 3},     {"\xf0\x9f\x98\x80", 4}, {"\xf4\x8f\xbf\xbf", 4},
      {"\xc3", -1},            {"\xf0\x9f\x98", -1},    {"\xc1\xbf", 0},         {"\xe0\x9f\xbf", 0},
      {"\xed\xbf\xbf", 0},     {"\xf0\x8f\xbf\xbf", 0}, {"\xf4\x90\x80\x80", 0}, {"\xf5\x80\x80\x80", 0},
      {"\x80", 0},             {"\xe2\x28\xa1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(utf8SequenceLength(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size()), c.length);
  }
}

}  // namespace
