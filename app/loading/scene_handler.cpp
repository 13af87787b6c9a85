#include "loading/scene_handler.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

#include "loading/json_scanner.h"
#include "loading/scene_plain_forms.h"

namespace {

// Where in the document the next value belongs.
enum class Context { Root, Top, Warnings, Anchors, Commands, Command, Nodes, Node, Attributes, Computed, Bounds, Skip };

// The member names the decoder knows, in any context. A key is classified
// once when it is read, so that its value is dispatched without comparing it
// against every name again.
enum class Member : std::uint8_t {
  Other,
  Version,
  Title,
  Width,
  Height,
  Commands,
  Warnings,
  Anchors,
  Nodes,
  InspectorTruncated,
  Measure,
  Text,
  Size,
  Bold,
  Kind,
  X,
  Y,
  Background,
  Border,
  BorderWidth,
  Radius,
  Color,
  Href,
  ImageId,
  Id,
  Depth,
  Parent,
  Name,
  Attributes,
  Computed,
  Bounds,
};

// True when `key`, already known to be as long as `name`, is `name`.
template <std::size_t N>
bool is(std::string_view key, const char (&name)[N]) {
  return std::memcmp(key.data(), name, N - 1) == 0;
}

Member classify(std::string_view key) {
  switch (key.size()) {
    case 1:
      if (is(key, "x")) return Member::X;
      if (is(key, "y")) return Member::Y;
      break;
    case 2:
      if (is(key, "id")) return Member::Id;
      break;
    case 4:
      if (is(key, "kind")) return Member::Kind;
      if (is(key, "text")) return Member::Text;
      if (is(key, "size")) return Member::Size;
      if (is(key, "bold")) return Member::Bold;
      if (is(key, "name")) return Member::Name;
      if (is(key, "href")) return Member::Href;
      break;
    case 5:
      if (is(key, "width")) return Member::Width;
      if (is(key, "title")) return Member::Title;
      if (is(key, "color")) return Member::Color;
      if (is(key, "depth")) return Member::Depth;
      if (is(key, "nodes")) return Member::Nodes;
      break;
    case 6:
      if (is(key, "height")) return Member::Height;
      if (is(key, "border")) return Member::Border;
      if (is(key, "radius")) return Member::Radius;
      if (is(key, "parent")) return Member::Parent;
      if (is(key, "bounds")) return Member::Bounds;
      break;
    case 7:
      if (is(key, "version")) return Member::Version;
      if (is(key, "measure")) return Member::Measure;
      if (is(key, "anchors")) return Member::Anchors;
      if (is(key, "imageId")) return Member::ImageId;
      break;
    case 8:
      if (is(key, "commands")) return Member::Commands;
      if (is(key, "warnings")) return Member::Warnings;
      if (is(key, "computed")) return Member::Computed;
      break;
    case 10:
      if (is(key, "background")) return Member::Background;
      if (is(key, "attributes")) return Member::Attributes;
      break;
    case 11:
      if (is(key, "borderWidth")) return Member::BorderWidth;
      break;
    case 18:
      if (is(key, "inspectorTruncated")) return Member::InspectorTruncated;
      break;
    default:
      break;
  }
  return Member::Other;
}

// The text of a known member's name.
std::string_view memberName(Member member) {
  switch (member) {
    case Member::Version: return "version";
    case Member::Title: return "title";
    case Member::Width: return "width";
    case Member::Height: return "height";
    case Member::Commands: return "commands";
    case Member::Warnings: return "warnings";
    case Member::Anchors: return "anchors";
    case Member::Nodes: return "nodes";
    case Member::InspectorTruncated: return "inspectorTruncated";
    case Member::Measure: return "measure";
    case Member::Text: return "text";
    case Member::Size: return "size";
    case Member::Bold: return "bold";
    case Member::Kind: return "kind";
    case Member::X: return "x";
    case Member::Y: return "y";
    case Member::Background: return "background";
    case Member::Border: return "border";
    case Member::BorderWidth: return "borderWidth";
    case Member::Radius: return "radius";
    case Member::Color: return "color";
    case Member::Href: return "href";
    case Member::ImageId: return "imageId";
    case Member::Id: return "id";
    case Member::Depth: return "depth";
    case Member::Parent: return "parent";
    case Member::Name: return "name";
    case Member::Attributes: return "attributes";
    case Member::Computed: return "computed";
    case Member::Bounds: return "bounds";
    case Member::Other: break;
  }
  return {};
}

struct Frame {
  Context context;
  std::string key;                 // the key being read, in the data objects
  Member member = Member::Other;   // the member being read, in the document's objects
  unsigned seen = 0;               // required members met so far (bits per context)
};

// One scalar of the input.
struct Scalar {
  enum class Type { Null, Boolean, Signed, Unsigned, Float, String } type;
  bool boolean = false;
  std::int64_t integerValue = 0;
  std::uint64_t unsignedValue = 0;
  double floatValue = 0;
  std::string_view text = {};

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

// Computed-style maps kept for sharing within one document, and the longest
// list of entries worth a look-up.
constexpr std::size_t kSharedStyleLimit = 4096;
constexpr std::size_t kSharedStyleBytes = 16 * 1024;

// Appends `text` with its length in front, so that a sequence of them reads
// back unambiguously whatever bytes the texts hold.
void appendField(std::string& out, std::string_view text) {
  const auto length = static_cast<std::uint32_t>(text.size());
  const std::size_t at = out.size();
  out.resize(at + sizeof length + text.size());
  std::memcpy(out.data() + at, &length, sizeof length);
  if (!text.empty()) std::memcpy(out.data() + at + sizeof length, text.data(), text.size());
}

// Reads the field at `at` of a sequence written by appendField and moves past it.
std::string_view takeField(std::string_view fields, std::size_t& at) {
  std::uint32_t length = 0;
  std::memcpy(&length, fields.data() + at, sizeof length);
  at += sizeof length;
  const std::string_view text = fields.substr(at, length);
  at += length;
  return text;
}
}  // namespace

// The schema itself, with the stack and the document being built.
class SceneHandler::Schema {
public:
  // Takes the scanner's tokens until it needs more bytes, has read the
  // whole value or finds the text is not JSON; returns that token.
  JsonScanner::Token take(JsonScanner& scanner) {
    for (;;) {
      const JsonScanner::Token token = scanner.next();
      switch (token) {
        case JsonScanner::Token::BeginObject:
          open(true);
          break;
        case JsonScanner::Token::BeginArray:
          open(false);
          readPlainCommands(scanner);
          break;
        case JsonScanner::Token::EndObject:
        case JsonScanner::Token::EndArray:
          close();
          readPlainCommands(scanner);
          break;
        case JsonScanner::Token::Key:
          key(scanner.text());
          skipKnownComputed(scanner);
          break;
        case JsonScanner::Token::String: {
          Scalar s{Scalar::Type::String};
          s.text = scanner.text();
          scalar(s);
          break;
        }
        case JsonScanner::Token::Null:
          scalar(Scalar{Scalar::Type::Null});
          break;
        case JsonScanner::Token::Boolean: {
          Scalar s{Scalar::Type::Boolean};
          s.boolean = scanner.boolean();
          scalar(s);
          break;
        }
        case JsonScanner::Token::Signed: {
          Scalar s{Scalar::Type::Signed};
          s.integerValue = scanner.signedValue();
          scalar(s);
          break;
        }
        case JsonScanner::Token::Unsigned: {
          Scalar s{Scalar::Type::Unsigned};
          s.unsignedValue = scanner.unsignedValue();
          scalar(s);
          break;
        }
        case JsonScanner::Token::Float: {
          Scalar s{Scalar::Type::Float};
          s.floatValue = scanner.floatValue();
          scalar(s);
          break;
        }
        case JsonScanner::Token::NeedMore:
        case JsonScanner::Token::End:
        case JsonScanner::Token::Failed:
          return token;
      }
    }
  }

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
  void key(std::string_view value) {
    Frame& frame = m_stack.back();
    // Only the document's own objects have members with a meaning, named by
    // their Member; the keys of anchors, attributes and styles are data and
    // are kept as text until their value comes.
    switch (frame.context) {
      case Context::Top:
      case Context::Command:
      case Context::Node:
      case Context::Bounds:
        frame.member = classify(value);
        break;
      case Context::Anchors:
      case Context::Attributes:
        frame.key.assign(value);
        break;
      case Context::Computed:
        // Every key gets a value field after it, an empty one when the value
        // is of the wrong type (the document then fails anyway).
        appendField(m_computedEntries, value);
        break;
      default:
        break;
    }
  }

  void fail(const std::string& message) {
    ++m_failures;
    if (m_error.empty()) m_error = message;
  }

  // The bytes of a node's "computed" object that follow its key, from the
  // ':' to the closing '}', when they are all there and hold no escape and
  // no nested container; empty otherwise.
  static std::string_view computedSpan(std::string_view rest) {
    if (rest.size() < 3 || rest[0] != ':' || rest[1] != '{') return {};
    const std::size_t close = rest.find('}', 2);
    if (close == std::string_view::npos) return {};
    // Without escapes every '"' opens or closes a string, so an even number
    // of them before the '}' puts it outside every string.
    const std::string_view inside = rest.substr(2, close - 2);
    for (const char c : {'\\', '{', '['}) {
      if (std::memchr(inside.data(), c, inside.size()) != nullptr) return {};
    }
    // A plain loop over bytes, so that the compiler can count many at a time.
    std::size_t quotes = 0;
    for (const char c : inside) quotes += c == '"';
    if (quotes % 2 != 0) return {};
    return rest.substr(0, close + 1);
  }

  // Inside the commands, before the next element: reads the commands in the
  // renderer's own form that follow, as long as they do, and moves the
  // scanner past them.
  void readPlainCommands(JsonScanner& scanner) {
    if (m_stack.empty() || m_stack.back().context != Context::Commands) return;
    for (;;) {
      const std::size_t lead = scanner.arrayElementLead();
      if (lead == JsonScanner::kNoElement) return;
      PaintCommand command;
      const std::size_t size = readPlainCommand(scanner.rest().substr(lead), command);
      if (size == 0) return;
      m_document.commands.append(std::move(command));
      scanner.skipArrayElement(lead + size);
    }
  }

  // Elements styled alike carry byte for byte the same "computed" object.
  // Once one has been read whole and found sound, the same bytes again give
  // the same styles without being scanned: the node takes the shared map and
  // the scanner moves past them.
  void skipKnownComputed(JsonScanner& scanner) {
    Frame& frame = m_stack.back();
    if (frame.context != Context::Node || frame.member != Member::Computed) return;
    m_computedKey.clear();
    if (!m_node.computed.isEmpty()) return;
    const std::string_view span = computedSpan(scanner.rest());
    if (span.empty() || span.size() > kSharedStyleBytes) return;
    // Nearby nodes mostly share their styles: the objects found last are
    // compared first, before the bytes are hashed.
    const KnownComputed* known = nullptr;
    for (const KnownComputed* recent : m_recentKnown) {
      if (recent != nullptr && recent->first == span) {
        known = recent;
        break;
      }
    }
    if (known == nullptr) {
      m_lookupKey.assign(span);
      const auto found = m_knownComputed.find(m_lookupKey);
      if (found == m_knownComputed.end()) {
        // Read it token by token; finishComputed() remembers the bytes.
        m_computedKey.swap(m_lookupKey);
        m_computedFailures = m_failures;
        return;
      }
      known = &*found;
      m_recentKnown[m_nextRecent] = known;
      m_nextRecent = (m_nextRecent + 1) % m_recentKnown.size();
    }
    frame.seen |= kComputed;
    m_node.computed = known->second;
    scanner.skipMemberValue(span.size());
  }
  void mismatch(const char* what, std::string_view key, const char* expected) {
    fail(std::string(what) + ": member \"" + std::string(key) + "\" is not " + expected);
  }
  void missing(const char* what) { fail(std::string(what) + ": a required member is missing"); }

  static QString text(const Scalar& value) {
    return QString::fromUtf8(value.text.data(), static_cast<qsizetype>(value.text.size()));
  }

  // Short strings that repeat across nodes (style names and values, tag and
  // attribute names, command kinds) share one QString.
  QString interned(std::string_view value) {
    if (value.size() > 48) return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    m_internKey.assign(value);
    const auto found = m_interned.find(m_internKey);
    if (found != m_interned.end()) return found->second;
    QString made = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
    if (m_interned.size() < 4096) m_interned.emplace(m_internKey, made);
    return made;
  }

  // The computed styles of a node, from the entries its "computed" object
  // held. Elements styled alike carry the same entries, so the document's
  // nodes share one map per distinct list; a node stays a value of its own
  // (the map is copied on its first change).
  void finishComputed() {
    if (!m_node.computed.isEmpty()) {
      // A second "computed" member adds its entries to the first one's.
      for (std::size_t at = 0; at < m_computedEntries.size();) {
        const std::string_view key = takeField(m_computedEntries, at);
        const std::string_view value = takeField(m_computedEntries, at);
        m_node.computed.insert(interned(key), interned(value));
      }
      return;
    }
    const bool shareable = m_computedEntries.size() <= kSharedStyleBytes;
    if (shareable) {
      const auto found = m_sharedStyles.find(m_computedEntries);
      if (found != m_sharedStyles.end()) {
        m_node.computed = found->second;
        rememberComputedBytes();
        return;
      }
    }
    QMap<QString, QString> styles;
    for (std::size_t at = 0; at < m_computedEntries.size();) {
      const std::string_view key = takeField(m_computedEntries, at);
      const std::string_view value = takeField(m_computedEntries, at);
      styles.insert(interned(key), interned(value));
    }
    if (shareable && m_sharedStyles.size() < kSharedStyleLimit) m_sharedStyles.emplace(m_computedEntries, styles);
    m_node.computed = std::move(styles);
    rememberComputedBytes();
  }

  // Keeps the bytes of the "computed" object just read whole for the nodes
  // that repeat them, when reading it found nothing wrong.
  void rememberComputedBytes() {
    if (m_computedKey.empty() || m_failures != m_computedFailures || m_knownComputed.size() >= kSharedStyleLimit) {
      return;
    }
    m_knownComputed.emplace(m_computedKey, m_node.computed);
    m_computedKey.clear();
  }

  void push(Context context) { m_stack.push_back(Frame{context, std::string(), Member::Other, 0}); }

  void open(bool isObject) {
    if (m_stack.empty()) {
      if (isObject) {
        push(Context::Top);
      } else {
        fail("scene: expected an object");
        push(Context::Skip);
      }
      return;
    }
    Frame& frame = m_stack.back();
    const std::string_view key = memberName(frame.member);
    Context next = Context::Skip;
    switch (frame.context) {
      case Context::Top:
        switch (frame.member) {
          case Member::Warnings:
            if (isObject) return mismatchOpen("scene", key, "an array of strings");
            frame.seen |= kWarnings;
            m_document.warnings.clear();
            next = Context::Warnings;
            break;
          case Member::Anchors:
            if (!isObject) return mismatchOpen("scene", key, "an object of numbers");
            frame.seen |= kAnchors;
            m_document.anchors.clear();
            next = Context::Anchors;
            break;
          case Member::Commands:
            if (isObject) return mismatchOpen("scene", key, "an array");
            frame.seen |= kCommands;
            m_document.commands.clear();
            next = Context::Commands;
            break;
          case Member::Nodes:
            if (isObject) return mismatchOpen("scene", key, "an array");
            m_document.nodes = QList<InspectedNode>();
            next = Context::Nodes;
            break;
          default:
            knownTopMemberOpened(frame.member, key);
            break;
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
        switch (frame.member) {
          case Member::Attributes:
            if (!isObject) return mismatchOpen("inspected node", key, "an object of strings");
            frame.seen |= kAttributes;
            next = Context::Attributes;
            break;
          case Member::Computed:
            if (!isObject) return mismatchOpen("inspected node", key, "an object of strings");
            frame.seen |= kComputed;
            m_computedEntries.clear();
            next = Context::Computed;
            break;
          case Member::Bounds:
            if (!isObject) return mismatchOpen("inspected node", key, "an object");
            m_bounds = InspectorBounds();
            next = Context::Bounds;
            break;
          case Member::Id:
          case Member::Depth:
          case Member::Parent:
          case Member::Name:
          case Member::Text:
            return mismatchOpen("inspected node", key, "a scalar");
          default:
            break;
        }
        break;
      case Context::Command:
        if (isCommandMember(frame.member)) return mismatchOpen("paint command", key, "a scalar");
        break;
      case Context::Warnings:
        return mismatchOpen("scene", "warnings", "an array of strings");
      case Context::Anchors:
        return mismatchOpen("scene", "anchors", "an object of numbers");
      case Context::Attributes:
        return mismatchOpen("inspected node", "attributes", "an object of strings");
      case Context::Computed:
        appendField(m_computedEntries, {});
        return mismatchOpen("inspected node", "computed", "an object of strings");
      case Context::Bounds:
        switch (frame.member) {
          case Member::X:
          case Member::Y:
          case Member::Width:
          case Member::Height:
            return mismatchOpen("inspector bounds", key, "a number");
          default:
            break;
        }
        break;
      case Context::Root:
      case Context::Skip:
        break;
    }
    push(next);
  }

  // A container where a value of another type belongs: note it, skip it.
  void mismatchOpen(const char* what, std::string_view key, const char* expected) {
    mismatch(what, key, expected);
    push(Context::Skip);
  }

  void knownTopMemberOpened(Member member, std::string_view key) {
    switch (member) {
      case Member::Version:
      case Member::Title:
      case Member::Width:
      case Member::Height:
        mismatch("scene", key, "a scalar");
        break;
      case Member::InspectorTruncated:
        mismatch("scene", key, "a boolean");
        break;
      // A container under a request member makes the line no request.
      case Member::Measure:
        m_measure.reset();
        break;
      case Member::Text:
        m_text.reset();
        break;
      case Member::Size:
        m_size.reset();
        break;
      case Member::Bold:
        m_bold.reset();
        break;
      default:
        break;
    }
  }

  static bool isCommandMember(Member member) {
    switch (member) {
      case Member::Kind:
      case Member::X:
      case Member::Y:
      case Member::Width:
      case Member::Height:
      case Member::Background:
      case Member::Border:
      case Member::BorderWidth:
      case Member::Radius:
      case Member::Text:
      case Member::Size:
      case Member::Bold:
      case Member::Color:
      case Member::Href:
      case Member::ImageId:
        return true;
      default:
        return false;
    }
  }

  void close() {
    Frame& frame = m_stack.back();
    const Context context = frame.context;
    const unsigned seen = frame.seen;
    m_stack.pop_back();
    switch (context) {
      case Context::Top:
        if ((seen & 127u) != 127u) missing("scene");
        m_topClosed = true;
        break;
      case Context::Command:
        if ((seen & 31u) != 31u) missing("paint command");
        m_document.commands.append(std::move(m_command));
        break;
      case Context::Node:
        if ((seen & 63u) != 63u) missing("inspected node");
        if (m_document.nodes) m_document.nodes->append(std::move(m_node));
        break;
      case Context::Computed:
        finishComputed();
        break;
      case Context::Bounds:
        if ((seen & 15u) != 15u) {
          missing("inspector bounds");
        } else {
          m_node.bounds = m_bounds;
        }
        break;
      default:
        break;
    }
  }

  void scalar(const Scalar& value) {
    if (m_stack.empty()) {
      fail("scene: expected an object");
      return;
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
        if (value.type == Scalar::Type::String) {
          m_node.attributes.insert(interned(frame.key), text(value));
        } else {
          mismatch("inspected node", "attributes", "an object of strings");
        }
        break;
      case Context::Computed:
        if (value.type == Scalar::Type::String) {
          appendField(m_computedEntries, value.text);
        } else {
          appendField(m_computedEntries, {});
          mismatch("inspected node", "computed", "an object of strings");
        }
        break;
      case Context::Bounds:
        boundsScalar(frame, value);
        break;
      case Context::Root:
      case Context::Skip:
        break;
    }
  }

  void topScalar(Frame& frame, const Scalar& value) {
    const std::string_view key = memberName(frame.member);
    // The request members are read wherever they are; a later member of the
    // same name replaces an earlier one.
    switch (frame.member) {
      case Member::Measure:
        m_measure = value.type == Scalar::Type::Boolean ? std::optional<bool>(value.boolean) : std::nullopt;
        break;
      case Member::Text:
        m_text = value.type == Scalar::Type::String ? std::optional<std::string>(value.text) : std::nullopt;
        break;
      case Member::Size:
        m_size = value.isNumber() ? std::optional<double>(value.number()) : std::nullopt;
        break;
      case Member::Bold:
        m_bold = value.type == Scalar::Type::Boolean ? std::optional<bool>(value.boolean) : std::nullopt;
        break;
      case Member::Version:
        frame.seen |= kVersion;
        if (const auto version = value.integer()) {
          m_document.version = *version;
        } else {
          mismatch("scene", key, "an integer");
        }
        break;
      case Member::Title:
        frame.seen |= kTitle;
        if (value.type == Scalar::Type::String) {
          m_document.title = text(value);
        } else {
          mismatch("scene", key, "a string");
        }
        break;
      case Member::Width:
      case Member::Height: {
        const bool width = frame.member == Member::Width;
        frame.seen |= width ? kWidth : kHeight;
        if (value.isNumber()) {
          (width ? m_document.width : m_document.height) = value.number();
        } else {
          mismatch("scene", key, "a number");
        }
        break;
      }
      case Member::Commands:
      case Member::Warnings:
        mismatch("scene", key, "an array");
        break;
      case Member::Anchors:
        mismatch("scene", key, "an object of numbers");
        break;
      case Member::Nodes:
        if (value.type == Scalar::Type::Null) {
          m_document.nodes.reset();
        } else {
          mismatch("scene", key, "an array");
        }
        break;
      case Member::InspectorTruncated:
        if (value.type == Scalar::Type::Null) {
          m_document.inspectorTruncated.reset();
        } else if (value.type == Scalar::Type::Boolean) {
          m_document.inspectorTruncated = value.boolean;
        } else {
          mismatch("scene", key, "a boolean");
        }
        break;
      default:
        break;
    }
  }

  void commandScalar(Frame& frame, const Scalar& value) {
    const std::string_view key = memberName(frame.member);
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
    switch (frame.member) {
      case Member::Kind:
        frame.seen |= kKind;
        if (value.type == Scalar::Type::String) {
          c.kind = interned(value.text);
        } else {
          mismatch("paint command", key, "a string");
        }
        break;
      case Member::X:
        number(c.x, kX);
        break;
      case Member::Y:
        number(c.y, kY);
        break;
      case Member::Width:
        number(c.width, kCommandWidth);
        break;
      case Member::Height:
        number(c.height, kCommandHeight);
        break;
      case Member::Background:
        optionalColor(c.background);
        break;
      case Member::Border:
        optionalColor(c.border);
        break;
      case Member::Color:
        optionalColor(c.color);
        break;
      case Member::BorderWidth:
        optionalNumber(c.borderWidth);
        break;
      case Member::Radius:
        optionalNumber(c.radius);
        break;
      case Member::Size:
        optionalNumber(c.size);
        break;
      case Member::Text:
        if (value.type == Scalar::Type::String && value.text.size() > kMaxCommandTextBytes) {
          fail("paint command: member \"text\" is longer than " + std::to_string(kMaxCommandTextBytes) + " bytes");
        } else {
          optionalString(c.text);
        }
        break;
      case Member::Href:
        optionalString(c.href);
        break;
      case Member::Bold:
        if (isNull) {
          c.bold.reset();
        } else if (value.type == Scalar::Type::Boolean) {
          c.bold = value.boolean;
        } else {
          mismatch("paint command", key, "a boolean");
        }
        break;
      case Member::ImageId:
        if (isNull) {
          c.imageId.reset();
        } else if (const auto id = value.integer()) {
          c.imageId = *id;
        } else {
          mismatch("paint command", key, "an integer");
        }
        break;
      default:
        break;
    }
  }

  void nodeScalar(Frame& frame, const Scalar& value) {
    const std::string_view key = memberName(frame.member);
    InspectedNode& n = m_node;
    switch (frame.member) {
      case Member::Id:
      case Member::Depth: {
        const bool id = frame.member == Member::Id;
        frame.seen |= id ? kId : kDepth;
        if (const auto integer = value.integer()) {
          (id ? n.id : n.depth) = *integer;
        } else {
          mismatch("inspected node", key, "an integer");
        }
        break;
      }
      case Member::Parent:
        if (value.type == Scalar::Type::Null) {
          n.parent.reset();
        } else if (const auto integer = value.integer()) {
          n.parent = *integer;
        } else {
          mismatch("inspected node", key, "an integer");
        }
        break;
      case Member::Name:
      case Member::Text: {
        const bool name = frame.member == Member::Name;
        frame.seen |= name ? kName : kText;
        if (value.type != Scalar::Type::String) {
          mismatch("inspected node", key, "a string");
        } else if (name) {
          n.name = interned(value.text);
        } else {
          n.text = text(value);
        }
        break;
      }
      case Member::Attributes:
      case Member::Computed:
        mismatch("inspected node", key, "an object of strings");
        break;
      case Member::Bounds:
        if (value.type == Scalar::Type::Null) {
          n.bounds.reset();
        } else {
          mismatch("inspected node", key, "an object");
        }
        break;
      default:
        break;
    }
  }

  void boundsScalar(Frame& frame, const Scalar& value) {
    double* field = nullptr;
    unsigned bit = 0;
    switch (frame.member) {
      case Member::X:
        field = &m_bounds.x;
        bit = kBoundsX;
        break;
      case Member::Y:
        field = &m_bounds.y;
        bit = kBoundsY;
        break;
      case Member::Width:
        field = &m_bounds.width;
        bit = kBoundsWidth;
        break;
      case Member::Height:
        field = &m_bounds.height;
        bit = kBoundsHeight;
        break;
      default:
        return;
    }
    frame.seen |= bit;
    if (value.isNumber()) {
      *field = value.number();
    } else {
      mismatch("inspector bounds", memberName(frame.member), "a number");
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
  std::string m_internKey;
  std::unordered_map<std::string, QString> m_interned;
  // The entries of the "computed" object being read, as appendField wrote them.
  std::string m_computedEntries;
  std::unordered_map<std::string, QMap<QString, QString>> m_sharedStyles;
  // Failures noted so far; a "computed" object is remembered by its bytes
  // only when reading it added none.
  std::size_t m_failures = 0;
  std::size_t m_computedFailures = 0;
  // The bytes of the "computed" object being read token by token, when they
  // were all there at its start; and the buffer they are looked up with.
  std::string m_computedKey;
  std::string m_lookupKey;
  // The styles of every "computed" object read whole, by its bytes, and the
  // ones found last (elements of the map stay where they are).
  using KnownComputed = std::pair<const std::string, QMap<QString, QString>>;
  std::unordered_map<std::string, QMap<QString, QString>> m_knownComputed;
  std::array<const KnownComputed*, 4> m_recentKnown = {};
  std::size_t m_nextRecent = 0;
};

SceneHandler::SceneHandler() : m_schema(std::make_unique<Schema>()) {}

SceneHandler::~SceneHandler() = default;

JsonScanner::Token SceneHandler::take(JsonScanner& scanner) {
  return m_schema->take(scanner);
}

void SceneHandler::noteSyntaxError(const std::string& error) {
  m_schema->noteSyntaxError(error);
}

SceneLine SceneHandler::finish(bool parsed) {
  return m_schema->finish(parsed);
}
