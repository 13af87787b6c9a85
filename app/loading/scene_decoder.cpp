#include "loading/scene_decoder.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <limits>
#include <unordered_map>
#include <vector>

namespace {


// Where in the document the next value belongs.
enum class Context { Root, Top, Warnings, Anchors, Commands, Command, Nodes, Node, Attributes, Computed, Bounds, Skip };

struct Frame {
  Context context;
  std::string key;     // the member being read, for object contexts
  unsigned seen = 0;   // required members met so far (bits per context)
};

// One scalar of the input.
struct Scalar {
  enum class Type { Null, Boolean, Signed, Unsigned, Float, String } type;
  bool boolean = false;
  std::int64_t integerValue = 0;
  std::uint64_t unsignedValue = 0;
  double floatValue = 0;
  std::string* text = nullptr;

  bool isNumber() const { return type == Type::Signed || type == Type::Unsigned || type == Type::Float; }
  double number() const {
    if (type == Type::Signed) return static_cast<double>(integerValue);
    if (type == Type::Unsigned) return static_cast<double>(unsignedValue);
    return floatValue;
  }
  // Integers only: a fraction or exponent form, or a value beyond the signed
  // 64-bit range, is not an integer member.
  std::optional<qint64> integer() const {
    if (type == Type::Signed) return integerValue;
    if (type == Type::Unsigned && unsignedValue <= static_cast<std::uint64_t>(std::numeric_limits<qint64>::max())) {
      return static_cast<qint64>(unsignedValue);
    }
    return std::nullopt;
  }
  std::optional<quint32> color() const {
    const auto value = integer();
    if (!value || *value < 0 || *value > 0xFFFFFFFFll) return std::nullopt;
    return static_cast<quint32>(*value);
  }
};

// Required members per context, as bits of Frame::seen.
enum TopMember : unsigned { kVersion = 1, kTitle = 2, kWidth = 4, kHeight = 8, kCommands = 16, kWarnings = 32, kAnchors = 64 };
enum CommandMember : unsigned { kKind = 1, kX = 2, kY = 4, kCommandWidth = 8, kCommandHeight = 16 };
enum NodeMember : unsigned { kId = 1, kDepth = 2, kName = 4, kText = 8, kAttributes = 16, kComputed = 32 };
enum BoundsMember : unsigned { kBoundsX = 1, kBoundsY = 2, kBoundsWidth = 4, kBoundsHeight = 8 };

class SceneHandler {
public:
  // The events of the JSON scanner below.
  bool null() { return scalar(Scalar{Scalar::Type::Null}); }
  bool boolean(bool value) {
    Scalar s{Scalar::Type::Boolean};
    s.boolean = value;
    return scalar(s);
  }
  bool number_integer(std::int64_t value) {
    Scalar s{Scalar::Type::Signed};
    s.integerValue = value;
    return scalar(s);
  }
  bool number_unsigned(std::uint64_t value) {
    Scalar s{Scalar::Type::Unsigned};
    s.unsignedValue = value;
    return scalar(s);
  }
  bool number_float(double value, const std::string&) {
    Scalar s{Scalar::Type::Float};
    s.floatValue = value;
    return scalar(s);
  }
  bool string(std::string& value) {
    Scalar s{Scalar::Type::String};
    s.text = &value;
    return scalar(s);
  }
  bool start_object(std::size_t) { return open(true); }
  bool start_array(std::size_t) { return open(false); }
  bool key(std::string& value) {
    m_stack.back().key.assign(value);
    return true;
  }
  bool end_object() { return close(); }
  bool end_array() { return close(); }
  void noteSyntaxError(const std::string& error) { m_syntaxError = error; }

  SceneLine finish(bool parsed) {
    SceneLine line;
    if (!parsed) {
      line.error = m_syntaxError.empty() ? std::string("The data is not valid JSON") : m_syntaxError;
      return line;
    }
    if (m_topClosed && m_measure == true && m_text && m_size && m_bold) {
      line.request = MeasurementRequest{std::move(*m_text), *m_size, *m_bold};
    }
    if (!m_error.empty()) {
      line.error = m_error;
      return line;
    }
    line.document = std::move(m_document);
    return line;
  }

private:
  void fail(const std::string& message) {
    if (m_error.empty()) m_error = message;
  }
  void mismatch(const char* what, const std::string& key, const char* expected) {
    fail(std::string(what) + ": member \"" + key + "\" is not " + expected);
  }
  void missing(const char* what) { fail(std::string(what) + ": a required member is missing"); }

  QString text(const Scalar& value) { return QString::fromUtf8(value.text->data(), static_cast<qsizetype>(value.text->size())); }

  // Short strings that repeat across nodes (style names and values, tag and
  // attribute names, command kinds) share one QString.
  QString interned(const std::string& value) {
    if (value.size() > 48) return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    const auto found = m_interned.find(value);
    if (found != m_interned.end()) return found->second;
    QString made = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    if (m_interned.size() < 4096) m_interned.emplace(value, made);
    return made;
  }

  void push(Context context) { m_stack.push_back(Frame{context, std::string(), 0}); }

  bool open(bool isObject) {
    if (m_stack.empty()) {
      if (isObject) {
        push(Context::Top);
      } else {
        fail("scene: expected an object");
        push(Context::Skip);
      }
      return true;
    }
    Frame& frame = m_stack.back();
    const std::string& key = frame.key;
    Context next = Context::Skip;
    switch (frame.context) {
      case Context::Top:
        if (key == "warnings") {
          if (isObject) return mismatchOpen("scene", key, "an array of strings");
          frame.seen |= kWarnings;
          m_document.warnings.clear();
          next = Context::Warnings;
        } else if (key == "anchors") {
          if (!isObject) return mismatchOpen("scene", key, "an object of numbers");
          frame.seen |= kAnchors;
          m_document.anchors.clear();
          next = Context::Anchors;
        } else if (key == "commands") {
          if (isObject) return mismatchOpen("scene", key, "an array");
          frame.seen |= kCommands;
          m_document.commands.clear();
          next = Context::Commands;
        } else if (key == "nodes") {
          if (isObject) return mismatchOpen("scene", key, "an array");
          m_document.nodes = QList<InspectedNode>();
          next = Context::Nodes;
        } else {
          knownTopMemberOpened(key);
        }
        break;
      case Context::Commands:
        if (!isObject) return mismatchOpen("paint command", "commands", "an object");
        m_command = PaintCommand();
        next = Context::Command;
        break;
      case Context::Nodes:
        if (!isObject) return mismatchOpen("inspected node", "nodes", "an object");
        m_node = InspectedNode();
        next = Context::Node;
        break;
      case Context::Node:
        if (key == "attributes" || key == "computed") {
          if (!isObject) return mismatchOpen("inspected node", key, "an object of strings");
          frame.seen |= key == "attributes" ? kAttributes : kComputed;
          next = key == "attributes" ? Context::Attributes : Context::Computed;
        } else if (key == "bounds") {
          if (!isObject) return mismatchOpen("inspected node", key, "an object");
          m_bounds = InspectorBounds();
          next = Context::Bounds;
        } else if (key == "id" || key == "depth" || key == "parent" || key == "name" || key == "text") {
          return mismatchOpen("inspected node", key, "a scalar");
        }
        break;
      case Context::Command:
        if (isCommandMember(key)) return mismatchOpen("paint command", key, "a scalar");
        break;
      case Context::Warnings:
        return mismatchOpen("scene", "warnings", "an array of strings");
      case Context::Anchors:
        return mismatchOpen("scene", "anchors", "an object of numbers");
      case Context::Attributes:
      case Context::Computed:
        return mismatchOpen("inspected node", frame.context == Context::Attributes ? "attributes" : "computed",
                            "an object of strings");
      case Context::Bounds:
        if (key == "x" || key == "y" || key == "width" || key == "height") {
          return mismatchOpen("inspector bounds", key, "a number");
        }
        break;
      case Context::Root:
      case Context::Skip:
        break;
    }
    push(next);
    return true;
  }

  // A container where a value of another type belongs: note it, skip it.
  bool mismatchOpen(const char* what, const std::string& key, const char* expected) {
    mismatch(what, key, expected);
    push(Context::Skip);
    return true;
  }

  void knownTopMemberOpened(const std::string& key) {
    if (key == "version" || key == "title" || key == "width" || key == "height") mismatch("scene", key, "a scalar");
    if (key == "inspectorTruncated") mismatch("scene", key, "a boolean");
    // A container under a request member makes the line no request.
    if (key == "measure") m_measure.reset();
    if (key == "text") m_text.reset();
    if (key == "size") m_size.reset();
    if (key == "bold") m_bold.reset();
  }

  static bool isCommandMember(const std::string& key) {
    static const char* const members[] = {"kind", "x", "y", "width", "height", "background", "border", "borderWidth",
                                          "radius", "text", "size", "bold", "color", "href", "imageId"};
    for (const char* member : members) {
      if (key == member) return true;
    }
    return false;
  }

  bool close() {
    const Frame frame = std::move(m_stack.back());
    m_stack.pop_back();
    switch (frame.context) {
      case Context::Top:
        if ((frame.seen & 127u) != 127u) missing("scene");
        m_topClosed = true;
        break;
      case Context::Command:
        if ((frame.seen & 31u) != 31u) missing("paint command");
        m_document.commands.append(std::move(m_command));
        break;
      case Context::Node:
        if ((frame.seen & 63u) != 63u) missing("inspected node");
        if (m_document.nodes) m_document.nodes->append(std::move(m_node));
        break;
      case Context::Bounds:
        if ((frame.seen & 15u) != 15u) {
          missing("inspector bounds");
        } else {
          m_node.bounds = m_bounds;
        }
        break;
      default:
        break;
    }
    return true;
  }

  bool scalar(const Scalar& value) {
    if (m_stack.empty()) {
      fail("scene: expected an object");
      return true;
    }
    Frame& frame = m_stack.back();
    switch (frame.context) {
      case Context::Top:
        topScalar(frame, value);
        break;
      case Context::Warnings:
        if (value.type == Scalar::Type::String) {
          m_document.warnings.append(text(value));
        } else {
          mismatch("scene", "warnings", "an array of strings");
        }
        break;
      case Context::Anchors:
        if (value.isNumber()) {
          m_document.anchors.insert(QString::fromUtf8(frame.key.data(), static_cast<qsizetype>(frame.key.size())),
                                    value.number());
        } else {
          mismatch("scene", "anchors", "an object of numbers");
        }
        break;
      case Context::Commands:
        mismatch("paint command", "commands", "an object");
        break;
      case Context::Command:
        commandScalar(frame, value);
        break;
      case Context::Nodes:
        mismatch("inspected node", "nodes", "an object");
        break;
      case Context::Node:
        nodeScalar(frame, value);
        break;
      case Context::Attributes:
      case Context::Computed:
        if (value.type == Scalar::Type::String) {
          const bool computed = frame.context == Context::Computed;
          (computed ? m_node.computed : m_node.attributes)
              .insert(interned(frame.key), computed ? interned(*value.text) : text(value));
        } else {
          mismatch("inspected node", frame.context == Context::Attributes ? "attributes" : "computed",
                   "an object of strings");
        }
        break;
      case Context::Bounds:
        boundsScalar(frame, value);
        break;
      case Context::Root:
      case Context::Skip:
        break;
    }
    return true;
  }

  void topScalar(Frame& frame, const Scalar& value) {
    const std::string& key = frame.key;
    // The request members are read wherever they are; a later member of the
    // same name replaces an earlier one.
    if (key == "measure") {
      m_measure = value.type == Scalar::Type::Boolean ? std::optional<bool>(value.boolean) : std::nullopt;
    } else if (key == "text") {
      m_text = value.type == Scalar::Type::String ? std::optional<std::string>(*value.text) : std::nullopt;
    } else if (key == "size") {
      m_size = value.isNumber() ? std::optional<double>(value.number()) : std::nullopt;
    } else if (key == "bold") {
      m_bold = value.type == Scalar::Type::Boolean ? std::optional<bool>(value.boolean) : std::nullopt;
    } else if (key == "version") {
      frame.seen |= kVersion;
      if (const auto version = value.integer()) {
        m_document.version = *version;
      } else {
        mismatch("scene", key, "an integer");
      }
    } else if (key == "title") {
      frame.seen |= kTitle;
      if (value.type == Scalar::Type::String) {
        m_document.title = text(value);
      } else {
        mismatch("scene", key, "a string");
      }
    } else if (key == "width" || key == "height") {
      frame.seen |= key == "width" ? kWidth : kHeight;
      if (value.isNumber()) {
        (key == "width" ? m_document.width : m_document.height) = value.number();
      } else {
        mismatch("scene", key, "a number");
      }
    } else if (key == "commands" || key == "warnings" || key == "anchors") {
      mismatch("scene", key, key == "anchors" ? "an object of numbers" : "an array");
    } else if (key == "nodes") {
      if (value.type == Scalar::Type::Null) {
        m_document.nodes.reset();
      } else {
        mismatch("scene", key, "an array");
      }
    } else if (key == "inspectorTruncated") {
      if (value.type == Scalar::Type::Null) {
        m_document.inspectorTruncated.reset();
      } else if (value.type == Scalar::Type::Boolean) {
        m_document.inspectorTruncated = value.boolean;
      } else {
        mismatch("scene", key, "a boolean");
      }
    }
  }

  void commandScalar(Frame& frame, const Scalar& value) {
    const std::string& key = frame.key;
    PaintCommand& c = m_command;
    const bool isNull = value.type == Scalar::Type::Null;
    auto number = [&](double& into, unsigned bit) {
      frame.seen |= bit;
      if (value.isNumber()) {
        into = value.number();
      } else {
        mismatch("paint command", key, "a number");
      }
    };
    auto optionalNumber = [&](std::optional<double>& into) {
      if (isNull) {
        into.reset();
      } else if (value.isNumber()) {
        into = value.number();
      } else {
        mismatch("paint command", key, "a number");
      }
    };
    auto optionalColor = [&](std::optional<quint32>& into) {
      if (isNull) {
        into.reset();
      } else if (const auto color = value.color()) {
        into = *color;
      } else {
        mismatch("paint command", key, "an unsigned 32-bit integer");
      }
    };
    auto optionalString = [&](std::optional<QString>& into) {
      if (isNull) {
        into.reset();
      } else if (value.type == Scalar::Type::String) {
        into = text(value);
      } else {
        mismatch("paint command", key, "a string");
      }
    };
    if (key == "kind") {
      frame.seen |= kKind;
      if (value.type == Scalar::Type::String) {
        c.kind = interned(*value.text);
      } else {
        mismatch("paint command", key, "a string");
      }
    } else if (key == "x") {
      number(c.x, kX);
    } else if (key == "y") {
      number(c.y, kY);
    } else if (key == "width") {
      number(c.width, kCommandWidth);
    } else if (key == "height") {
      number(c.height, kCommandHeight);
    } else if (key == "background") {
      optionalColor(c.background);
    } else if (key == "border") {
      optionalColor(c.border);
    } else if (key == "color") {
      optionalColor(c.color);
    } else if (key == "borderWidth") {
      optionalNumber(c.borderWidth);
    } else if (key == "radius") {
      optionalNumber(c.radius);
    } else if (key == "size") {
      optionalNumber(c.size);
    } else if (key == "text") {
      optionalString(c.text);
    } else if (key == "href") {
      optionalString(c.href);
    } else if (key == "bold") {
      if (isNull) {
        c.bold.reset();
      } else if (value.type == Scalar::Type::Boolean) {
        c.bold = value.boolean;
      } else {
        mismatch("paint command", key, "a boolean");
      }
    } else if (key == "imageId") {
      if (isNull) {
        c.imageId.reset();
      } else if (const auto id = value.integer()) {
        c.imageId = *id;
      } else {
        mismatch("paint command", key, "an integer");
      }
    }
  }

  void nodeScalar(Frame& frame, const Scalar& value) {
    const std::string& key = frame.key;
    InspectedNode& n = m_node;
    if (key == "id" || key == "depth") {
      frame.seen |= key == "id" ? kId : kDepth;
      if (const auto integer = value.integer()) {
        (key == "id" ? n.id : n.depth) = *integer;
      } else {
        mismatch("inspected node", key, "an integer");
      }
    } else if (key == "parent") {
      if (value.type == Scalar::Type::Null) {
        n.parent.reset();
      } else if (const auto integer = value.integer()) {
        n.parent = *integer;
      } else {
        mismatch("inspected node", key, "an integer");
      }
    } else if (key == "name" || key == "text") {
      frame.seen |= key == "name" ? kName : kText;
      if (value.type != Scalar::Type::String) {
        mismatch("inspected node", key, "a string");
      } else if (key == "name") {
        n.name = interned(*value.text);
      } else {
        n.text = text(value);
      }
    } else if (key == "attributes" || key == "computed") {
      mismatch("inspected node", key, "an object of strings");
    } else if (key == "bounds") {
      if (value.type == Scalar::Type::Null) {
        n.bounds.reset();
      } else {
        mismatch("inspected node", key, "an object");
      }
    }
  }

  void boundsScalar(Frame& frame, const Scalar& value) {
    const std::string& key = frame.key;
    double* field = nullptr;
    unsigned bit = 0;
    if (key == "x") {
      field = &m_bounds.x;
      bit = kBoundsX;
    } else if (key == "y") {
      field = &m_bounds.y;
      bit = kBoundsY;
    } else if (key == "width") {
      field = &m_bounds.width;
      bit = kBoundsWidth;
    } else if (key == "height") {
      field = &m_bounds.height;
      bit = kBoundsHeight;
    } else {
      return;
    }
    frame.seen |= bit;
    if (value.isNumber()) {
      *field = value.number();
    } else {
      mismatch("inspector bounds", key, "a number");
    }
  }

  std::vector<Frame> m_stack;
  PageDocument m_document;
  PaintCommand m_command;
  InspectedNode m_node;
  InspectorBounds m_bounds;
  bool m_topClosed = false;
  std::optional<bool> m_measure;
  std::optional<std::string> m_text;
  std::optional<double> m_size;
  std::optional<bool> m_bold;
  std::string m_error;
  std::string m_syntaxError;
  std::unordered_map<std::string, QString> m_interned;
};


// A strict JSON scanner that feeds the handler as the text goes by, without
// recursion: containers are kept on an explicit stack. Strings must be valid
// UTF-8 without raw control characters; numbers follow the JSON grammar and
// are converted without the locale. Non-negative integers arrive as unsigned,
// negative ones as signed, and integers beyond 64 bits as floats.
class JsonScanner {
public:
  JsonScanner(std::string_view text, SceneHandler& handler) : m_text(text), m_handler(handler) {}

  bool scan() {
    std::vector<char> containers;
    for (;;) {
      // 1. A value.
      skipSpace();
      if (m_at >= m_text.size()) return failAt("unexpected end of input");
      const char c = m_text[m_at];
      if (c == '{') {
        ++m_at;
        m_handler.start_object(0);
        skipSpace();
        if (peek('}')) {
          ++m_at;
          m_handler.end_object();
        } else {
          containers.push_back('o');
          if (!memberKey()) return false;
          continue;
        }
      } else if (c == '[') {
        ++m_at;
        m_handler.start_array(0);
        skipSpace();
        if (peek(']')) {
          ++m_at;
          m_handler.end_array();
        } else {
          containers.push_back('a');
          continue;
        }
      } else if (c == '"') {
        if (!string()) return false;
        m_handler.string(m_string);
      } else if (c == 't' || c == 'f' || c == 'n') {
        if (!literal()) return false;
      } else if (!number()) {
        return false;
      }
      // 2. What follows a value: a separator, the end of its container, or
      // the end of the text.
      for (;;) {
        skipSpace();
        if (containers.empty()) {
          return m_at == m_text.size() || failAt("unexpected text after the value");
        }
        if (m_at >= m_text.size()) return failAt("unexpected end of input");
        const char next = m_text[m_at++];
        if (next == ',') {
          if (containers.back() == 'o' && !memberKey()) return false;
          break;
        }
        if (next == (containers.back() == 'o' ? '}' : ']')) {
          if (containers.back() == 'o') {
            m_handler.end_object();
          } else {
            m_handler.end_array();
          }
          containers.pop_back();
          continue;
        }
        --m_at;
        return failAt("expected ',' or the end of a container");
      }
    }
  }

  const std::string& error() const { return m_error; }

private:
  bool failAt(const char* what) {
    m_error = "The data is not valid JSON at byte " + std::to_string(m_at) + ": " + what;
    return false;
  }

  bool peek(char c) const { return m_at < m_text.size() && m_text[m_at] == c; }

  void skipSpace() {
    while (m_at < m_text.size()) {
      const char c = m_text[m_at];
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return;
      ++m_at;
    }
  }

  bool memberKey() {
    skipSpace();
    if (!peek('"')) return failAt("expected a member name");
    if (!string()) return false;
    m_handler.key(m_string);
    skipSpace();
    if (!peek(':')) return failAt("expected ':'");
    ++m_at;
    return true;
  }

  bool literal() {
    for (const std::string_view word : {std::string_view("true"), std::string_view("false"), std::string_view("null")}) {
      if (m_text.substr(m_at, word.size()) == word) {
        m_at += word.size();
        if (word == "null") {
          m_handler.null();
        } else {
          m_handler.boolean(word == "true");
        }
        return true;
      }
    }
    return failAt("invalid literal");
  }

  bool digits() {
    const std::size_t start = m_at;
    while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') ++m_at;
    return m_at > start;
  }

  bool number() {
    const std::size_t start = m_at;
    const bool negative = peek('-');
    if (negative) ++m_at;
    if (peek('0')) {
      ++m_at;
    } else if (!(m_at < m_text.size() && m_text[m_at] >= '1' && m_text[m_at] <= '9') || !digits()) {
      return failAt("invalid value");
    }
    bool integral = true;
    if (peek('.')) {
      ++m_at;
      integral = false;
      if (!digits()) return failAt("invalid number");
    }
    if (peek('e') || peek('E')) {
      ++m_at;
      integral = false;
      if (peek('+') || peek('-')) ++m_at;
      if (!digits()) return failAt("invalid number");
    }
    const char* first = m_text.data() + start;
    const char* last = m_text.data() + m_at;
    if (integral) {
      if (negative) {
        std::int64_t value = 0;
        if (std::from_chars(first, last, value).ec == std::errc()) return m_handler.number_integer(value);
      } else {
        std::uint64_t value = 0;
        if (std::from_chars(first, last, value).ec == std::errc()) return m_handler.number_unsigned(value);
      }
    }
    double value = 0;
    const auto result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) return failAt("number out of range");
    static const std::string kNoText;
    return m_handler.number_float(value, kNoText);
  }

  static int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  bool hex4(std::uint32_t& value) {
    if (m_at + 4 > m_text.size()) return failAt("invalid escape");
    value = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = hexDigit(m_text[m_at++]);
      if (digit < 0) return failAt("invalid escape");
      value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  }

  void appendUtf8(std::uint32_t code) {
    if (code < 0x80) {
      m_string += static_cast<char>(code);
    } else if (code < 0x800) {
      m_string += static_cast<char>(0xC0 | (code >> 6));
      m_string += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      m_string += static_cast<char>(0xE0 | (code >> 12));
      m_string += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      m_string += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      m_string += static_cast<char>(0xF0 | (code >> 18));
      m_string += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      m_string += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      m_string += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // One UTF-8 sequence starting at m_at, checked for shortest form, no
  // surrogates and nothing beyond U+10FFFF.
  bool utf8Sequence() {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(m_text[i]); };
    const unsigned char lead = byte(m_at);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return failAt("ill-formed UTF-8");
    }
    if (m_at + length > m_text.size()) return failAt("ill-formed UTF-8");
    if (byte(m_at + 1) < low || byte(m_at + 1) > high) return failAt("ill-formed UTF-8");
    for (std::size_t i = 2; i < length; ++i) {
      if ((byte(m_at + i) & 0xC0) != 0x80) return failAt("ill-formed UTF-8");
    }
    m_string.append(m_text.data() + m_at, length);
    m_at += length;
    return true;
  }

  bool string() {
    ++m_at;  // the opening quote
    m_string.clear();
    for (;;) {
      // Copy the plain run up to the next quote, escape, control or non-ASCII byte.
      const std::size_t start = m_at;
      while (m_at < m_text.size()) {
        const auto c = static_cast<unsigned char>(m_text[m_at]);
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) break;
        ++m_at;
      }
      m_string.append(m_text.data() + start, m_at - start);
      if (m_at >= m_text.size()) return failAt("unterminated string");
      const auto c = static_cast<unsigned char>(m_text[m_at]);
      if (c == '"') {
        ++m_at;
        return true;
      }
      if (c < 0x20) return failAt("control character in a string");
      if (c >= 0x80) {
        if (!utf8Sequence()) return false;
        continue;
      }
      // An escape.
      if (++m_at >= m_text.size()) return failAt("invalid escape");
      const char e = m_text[m_at++];
      switch (e) {
        case '"': m_string += '"'; break;
        case '\\': m_string += '\\'; break;
        case '/': m_string += '/'; break;
        case 'b': m_string += '\b'; break;
        case 'f': m_string += '\f'; break;
        case 'n': m_string += '\n'; break;
        case 'r': m_string += '\r'; break;
        case 't': m_string += '\t'; break;
        case 'u': {
          std::uint32_t code = 0;
          if (!hex4(code)) return false;
          if (code >= 0xDC00 && code <= 0xDFFF) return failAt("unpaired surrogate");
          if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low = 0;
            if (m_text.substr(m_at, 2) != "\\u") return failAt("unpaired surrogate");
            m_at += 2;
            if (!hex4(low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return failAt("unpaired surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          appendUtf8(code);
          break;
        }
        default:
          --m_at;
          return failAt("invalid escape");
      }
    }
  }

  std::string_view m_text;
  SceneHandler& m_handler;
  std::size_t m_at = 0;
  std::string m_string;
  std::string m_error;
};

}  // namespace

SceneLine decodeSceneLine(std::string_view line) {
  SceneHandler handler;
  JsonScanner scanner(line, handler);
  const bool scanned = scanner.scan();
  if (!scanned) handler.noteSyntaxError(scanner.error());
  return handler.finish(scanned);
}
