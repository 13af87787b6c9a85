#include "loading/scene_decoder.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/decoding_error.h"
#include "base/json_reader.h"
#include "loading/engine_bridge.h"
#include "loading/number_text.h"
#include "loading/web_resources.h"
#include "platform/child_process.h"
#include "support/frame_length.h"

namespace {

const std::string kDocument =
    R"({"version":2,"width":997,"height":10,"title":"T","warnings":[],"anchors":{},"commands":[]})";

TEST(SceneDecoderTest, TellsRequestsFromDocuments) {
  struct Case {
    const char* name;
    std::string line;
    bool request;
    bool document;
  };
  const Case cases[] = {
      {"request", R"({"measure":true,"size":13.5,"bold":true,"text":"a\"b"})", true, false},
      {"request in another order", R"({"text":"x","bold":false,"size":16,"measure":true,"extra":[1]})", true, false},
      {"measure false", R"({"measure":false,"size":16,"bold":false,"text":"x"})", false, false},
      {"size as text", R"({"measure":true,"size":"16","bold":false,"text":"x"})", false, false},
      {"no bold", R"({"measure":true,"size":16,"text":"x"})", false, false},
      {"document", kDocument, false, true},
      {"document that also asks", kDocument.substr(0, kDocument.size() - 1) + R"(,"measure":true,"size":16,"bold":false,"text":"x"})", true, true},
      {"array", "[]", false, false},
      {"number", "5", false, false},
      {"empty", "", false, false},
      {"not json", "this is not json", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SceneLine line = decodeSceneLine(c.line);
    EXPECT_EQ(line.request.has_value(), c.request);
    EXPECT_EQ(line.document.has_value(), c.document);
    EXPECT_EQ(line.error.empty(), c.document) << line.error;
  }
  const SceneLine request = decodeSceneLine(R"({"measure":true,"size":13.5,"bold":true,"text":"a\"bç"})");
  ASSERT_TRUE(request.request.has_value());
  EXPECT_EQ(request.request->text, "a\"bç");
  EXPECT_EQ(request.request->size, 13.5);
  EXPECT_TRUE(request.request->bold);
}

TEST(SceneDecoderTest, LaterMembersReplaceEarlierOnes) {
  const SceneLine line = decodeSceneLine(
      R"({"version":2,"width":997,"height":10,"title":"first","title":"second","warnings":["a"],"warnings":["b"],"anchors":{},"commands":[]})");
  ASSERT_TRUE(line.document.has_value()) << line.error;
  EXPECT_EQ(line.document->title, QStringLiteral("second"));
  EXPECT_EQ(line.document->warnings, QStringList{QStringLiteral("b")});
}

TEST(SceneDecoderTest, DeepIgnoredMembersCostNoCallDepth) {
  const int depth = 200'000;
  std::string line = kDocument.substr(0, kDocument.size() - 1) + ",\"deep\":";
  line.append(depth, '[');
  line.append(depth, ']');
  line += '}';
  const SceneLine decoded = decodeSceneLine(line);
  EXPECT_TRUE(decoded.document.has_value()) << decoded.error;
}

TEST(SceneDecoderTest, InvalidUtf8IsNotJson) {
  const SceneLine line = decodeSceneLine("{\"measure\":true,\"size\":16,\"bold\":false,\"text\":\"\xff\"}");
  EXPECT_FALSE(line.request.has_value());
  EXPECT_FALSE(line.error.empty());
}

// Everything a decoded line carries, as text, so that two results can be
// compared whole and a difference shown.
std::string describe(const SceneLine& line) {
  std::ostringstream out;
  out.precision(17);
  const auto text = [](const QString& value) { return value.toStdString(); };
  const auto optional = [&](const auto& value) {
    std::ostringstream field;
    field.precision(17);
    if (!value) return std::string("-");
    if constexpr (std::is_same_v<std::decay_t<decltype(*value)>, QString>) {
      field << text(*value);
    } else {
      field << *value;
    }
    return field.str();
  };
  out << "error[" << line.error << "]";
  if (line.request) out << " request[" << line.request->text << "|" << line.request->size << "|" << line.request->bold << "]";
  if (!line.document) return out.str();
  const PageDocument& d = *line.document;
  out << " document[" << d.version << "|" << text(d.title) << "|" << d.width << "|" << d.height;
  for (const PaintCommand& c : d.commands) {
    out << "\n command " << text(c.kind) << " " << c.x << " " << c.y << " " << c.width << " " << c.height << " "
        << optional(c.background) << " " << optional(c.border) << " " << optional(c.borderWidth) << " "
        << optional(c.radius) << " " << optional(c.text) << " " << optional(c.size) << " " << optional(c.bold) << " "
        << optional(c.color) << " " << optional(c.href) << " " << optional(c.imageId);
  }
  for (const QString& warning : d.warnings) out << "\n warning " << text(warning);
  for (auto it = d.anchors.begin(); it != d.anchors.end(); ++it) out << "\n anchor " << text(it.key()) << "=" << *it;
  out << "\n truncated " << optional(d.inspectorTruncated);
  if (d.nodes) {
    for (const InspectedNode& n : *d.nodes) {
      out << "\n node " << n.id << " " << optional(n.parent) << " " << n.depth << " " << text(n.name) << " "
          << text(n.text);
      for (auto it = n.attributes.begin(); it != n.attributes.end(); ++it) {
        out << " @" << text(it.key()) << "=" << text(*it);
      }
      for (auto it = n.computed.begin(); it != n.computed.end(); ++it) out << " " << text(it.key()) << ":" << text(*it);
      if (n.bounds) out << " bounds " << n.bounds->x << " " << n.bounds->y << " " << n.bounds->width << " " << n.bounds->height;
    }
  }
  return out.str() + "]";
}

// The line given to a SceneLineDecoder in pieces of `size` bytes.
SceneLine inPieces(std::string_view line, std::size_t size) {
  SceneLineDecoder decoder;
  for (std::size_t at = 0; at < line.size(); at += size) decoder.feed(line.substr(at, size));
  return decoder.finish();
}

const std::string kFullDocument =
    R"({"version":2,"width":997.5,"height":1e2,"title":"Ba\u015fl\u0131k \"\/\\","warnings":["uyar\u0131 \ud83d\ude00"],)"
    R"("anchors":{"s1":12.25,"s2":-0},"commands":[{"kind":"box","x":0,"y":-0,"width":10,"height":20,)"
    R"("background":4294967295,"border":0,"borderWidth":1.5,"radius":null},{"kind":"text","x":1,"y":2,"width":3,)"
    R"("height":4,"text":"çay ve şeker\n","size":16,"bold":true,"color":255,"href":"/a?b=c&d"},{"kind":"image","x":0,)"
    R"("y":0,"width":1,"height":1,"text":"","imageId":15}],"nodes":[{"id":0,"depth":0,"parent":null,"name":"#document",)"
    R"("text":"","attributes":{},"computed":{}},{"id":1,"parent":0,"depth":1,"name":"p","text":"",)"
    R"("attributes":{"id":"x","class":"a b"},"computed":{"display":"block","color":"#000000ff"},)"
    R"("bounds":{"x":0,"y":0,"width":997,"height":50}},{"id":2,"parent":1,"depth":2,"name":"#text","text":"Merhaba",)"
    R"("attributes":{},"computed":{},"bounds":null,"extra":[[{"deep":[true,false,null]}]]}],"inspectorTruncated":false})";

TEST(SceneDecoderTest, PiecesDecodeLikeTheWholeLine) {
  const std::string cut = kFullDocument.substr(0, kFullDocument.size() / 2);
  const std::vector<std::string> lines = {
      kFullDocument,
      R"({"measure":true,"size":13.5,"bold":true,"text":"a\"bç"})",
      cut,                                                  // ends in the middle of the document
      kFullDocument + " x",                                 // text after the value
      kFullDocument.substr(0, kFullDocument.find("\\u015f") + 4),  // ends inside an escape
      R"({"a":"\ud83d)",                                    // ends inside a surrogate pair
      R"({"a":"\ud83dx"})",                                 // a high surrogate alone
      "{\"a\":\"\xc3",                                      // ends inside a multibyte sequence
      "{\"a\":\"\xc3(\"}",                                  // a broken multibyte sequence
      R"({"a":12)",                                         // ends inside a number
      R"({"a":1.})",                                        // a number without fraction digits
      R"({"a":tru)",                                        // ends inside a literal
      R"({"a":nul })",                                      // a broken literal
      R"({"a" 1})",                                         // no colon
      R"({"a":1,})",                                        // no member after the comma
      "",
      "   ",
      // A long token arriving byte by byte is not scanned again from its
      // start for every byte.
      R"({"version":2,"width":997,"height":10,"title":")" + std::string(200'000, 'k') +
          R"(","warnings":[],"anchors":{},"commands":[]})",
  };
  for (const std::string& line : lines) {
    const std::string whole = describe(decodeSceneLine(line));
    for (const std::size_t size : {1, 2, 3, 5, 8, 64}) {
      SCOPED_TRACE(line.substr(0, 60) + " in pieces of " + std::to_string(size));
      EXPECT_EQ(describe(inPieces(line, size)), whole);
    }
  }
}

TEST(SceneDecoderTest, ErrorsNameTheirByteWhateverThePieces) {
  struct Case {
    std::string line;
    std::string error;
  };
  const Case cases[] = {
      {R"({"a":"\ud800x"})", "The data is not valid JSON at byte 12: unpaired surrogate"},
      {R"({"a":1,})", "The data is not valid JSON at byte 7: expected a member name"},
      {R"({"a":12)", "The data is not valid JSON at byte 7: unexpected end of input"},
      {"{\"a\":\"x\x01\"}", "The data is not valid JSON at byte 7: control character in a string"},
  };
  for (const Case& c : cases) {
    for (const std::size_t size : {1, 4, 100}) {
      SCOPED_TRACE(c.line + " in pieces of " + std::to_string(size));
      EXPECT_EQ(inPieces(c.line, size).error, c.error);
    }
  }
}

TEST(SceneDecoderTest, RequestsInTheRendererFormDecodeLikeAnyOtherForm) {
  // The renderer's own form is read on a short path; what it gives must not
  // differ from the full decoder's reading of an equivalent line.
  const std::pair<std::string, std::string> cases[] = {
      {R"({"measure":true,"size":16,"bold":false,"text":"çay"})",
       R"({"bold":false,"measure":true,"text":"\u00e7ay","size":16.0})"},
      {R"({"measure":true,"size":13.25,"bold":true,"text":" "})", R"({ "measure" : true , "size" : 1325e-2 , "bold" : true , "text" : " " })"},
      {R"({"measure":true,"size":0,"bold":true,"text":""})", R"({"measure":true,"size":0.0,"bold":true,"text":""})"},
  };
  for (const auto& [plain, other] : cases) {
    SCOPED_TRACE(plain);
    const SceneLine fast = decodeSceneLine(plain);
    ASSERT_TRUE(fast.request.has_value());
    EXPECT_EQ(describe(fast), describe(decodeSceneLine(other)));
    EXPECT_FALSE(fast.error.empty());
  }
  // Near misses of the form are still decoded in full.
  EXPECT_FALSE(decodeSceneLine(R"({"measure":true,"size":16,"bold":false,"text":"a"}x)").request.has_value());
  EXPECT_FALSE(decodeSceneLine("{\"measure\":true,\"size\":16,\"bold\":false,\"text\":\"\xed\xa0\x80\"}").request);
  EXPECT_EQ(decodeSceneLine(R"({"measure":true,"size":16,"bold":false,"text":"a\tb"})").request->text, "a\tb");
}

// A paint command's text longer than any input could give used to reach the
// window, which then stalled for most of a minute drawing it: the scene is
// refused instead, in the renderer's own form and in any other, whole or in
// pieces.
TEST(SceneDecoderTest, ACommandTextLongerThanAnyInputIsRefused) {
  const std::string head = kDocument.substr(0, kDocument.find("\"commands\":[") + 12);
  const auto textCommand = [](const std::string& text) {
    return R"({"kind":"text","x":0,"y":0,"width":10,"height":20,"size":16,"bold":false,"color":255,"text":")" + text +
           R"(","href":null})";
  };
  const auto imageCommand = [](const std::string& text) {
    return R"({"href":null,"text":")" + text + R"(","kind":"image","x":0,"y":0,"width":4,"height":3,"imageId":0})";
  };
  const std::string longest(kMaxCommandTextBytes, 'a');
  const std::string tooLong = longest + "a";
  // Escapes count by the bytes they stand for.
  const std::string escapedLongest = std::string(kMaxCommandTextBytes - 1, 'a') + "\\n";
  const std::string escapedTooLong = std::string(kMaxCommandTextBytes, 'a') + "\\n";
  const std::string refusal = "paint command: member \"text\" is longer than 1048576 bytes";
  struct Case {
    const char* name;
    std::string command;
    bool accepted;
  };
  const Case cases[] = {
      {"longest text", textCommand(longest), true},
      {"one byte more", textCommand(tooLong), false},
      {"longest escaped text", textCommand(escapedLongest), true},
      {"escaped text one byte more", textCommand(escapedTooLong), false},
      {"image text one byte more", imageCommand(tooLong), false},
      {"twenty mebibytes", textCommand(std::string(20 << 20, 'a')), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string line = head + c.command + "]}";
    for (const SceneLine& decoded : {decodeSceneLine(line), inPieces(line, 65'536)}) {
      EXPECT_EQ(decoded.document.has_value(), c.accepted);
      EXPECT_EQ(decoded.error, c.accepted ? "" : refusal);
    }
  }
  EXPECT_THROW(PageDocument::fromJson(head + textCommand(tooLong) + "]}"), DecodingError);
}

TEST(SceneDecoderTest, CommandsAndStylesInTheRendererFormDecodeLikeAnyOtherForm) {
  // Commands in the renderer's own form, and "computed" objects seen before,
  // are read on short paths when the whole of them is at hand. Byte by byte
  // nothing ever is, so the full decoder reads every line below that way:
  // both readings must agree on everything, errors and their bytes included.
  const std::string head = kDocument.substr(0, kDocument.find("\"commands\":[") + 12);
  const std::string box =
      R"({"kind":"box","x":24,"y":12.5,"width":976,"height":64,"background":0,"border":690698495,"borderWidth":0,"radius":2,"href":null})";
  const std::string text =
      R"({"kind":"text","x":1,"y":2,"width":3.25,"height":4,"size":16,"bold":true,"color":255,"text":"çay \"ve\" şeker","href":"/a?b"})";
  const std::string image = R"({"kind":"image","x":0,"y":0,"width":40,"height":30,"imageId":15,"text":"resim","href":null})";
  const auto scene = [&](const std::vector<std::string>& commands, const std::string& rest = "]}") {
    std::string line = head;
    for (std::size_t i = 0; i < commands.size(); ++i) line += (i > 0 ? "," : "") + commands[i];
    return line + rest;
  };
  const auto replaced = [](std::string command, const std::string& from, const std::string& to) {
    return command.replace(command.find(from), from.size(), to);
  };
  const std::string node = R"({"id":1,"depth":1,"name":"p","text":"","attributes":{},"computed":{"display":"block","color":"#000000ff"}})";
  const std::vector<std::string> lines = {
      scene({box, text, image, box}),
      scene({text, replaced(text, "\"bold\":true", "\"bold\":false"),
             replaced(box, "\"href\":null", "\"href\":\"x\"")}),
      // Numbers at the edges of the form: negative zero, long fractions,
      // integers beyond 64 bits, an exponent (not the renderer's, read in full).
      scene({replaced(box, "\"x\":24", "\"x\":-0"),
             replaced(box, "\"y\":12.5", "\"y\":-0.000000000000000000000000000000000000000000001"),
             replaced(box, "\"width\":976", "\"width\":340282346638528859811704183484516925440"),
             replaced(box, "\"height\":64", "\"height\":6.4e1")}),
      // Members out of order, or white space: the full decoder's.
      scene({replaced(box, "\"x\":24,\"y\":12.5", "\"y\":12.5,\"x\":24"), replaced(text, ",\"size\"", ", \"size\"")}),
      // Values the document refuses, found by either reading.
      scene({replaced(box, "\"border\":690698495", "\"border\":4294967296")}),
      scene({replaced(box, "\"border\":690698495", "\"border\":-1")}),
      scene({replaced(image, "\"imageId\":15", "\"imageId\":1.5")}),
      // Text that is not JSON.
      scene({replaced(box, "\"x\":24", "\"x\":024")}),
      scene({replaced(box, "\"y\":12.5", "\"y\":12.")}),
      scene({replaced(text, "çay", "\xed\xa0\x80")}),
      scene({replaced(text, "çay", "a\tb")}),
      scene({box, "7"}),
      scene({box}, "]"),
      // Nodes styled alike, with a style that is not all strings, and a
      // closing brace inside a value.
      scene({box}, R"(],"nodes":[)" + node + "," + node + "," + replaced(node, "\"#000000ff\"", "\"a}b\"") + "," +
                       replaced(node, "\"#000000ff\"", "\"a}b\"") + "]}"),
      scene({}, R"(],"nodes":[)" + node + "," + replaced(node, "\"#000000ff\"", "5") + "," +
                    replaced(node, "\"#000000ff\"", "5") + "," + node + "]}"),
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    EXPECT_EQ(describe(decodeSceneLine(line)), describe(inPieces(line, 1)));
  }
  const SceneLine plain = decodeSceneLine(lines.front());
  ASSERT_TRUE(plain.document.has_value()) << plain.error;
  ASSERT_EQ(plain.document->commands.size(), 4);
  EXPECT_EQ(plain.document->commands[1].text, QStringLiteral("çay \"ve\" şeker"));
  EXPECT_EQ(plain.document->commands[2].imageId, 15);
}

TEST(SceneDecoderTest, NodesStyledAlikeKeepTheirOwnValues) {
  const std::string node = R"({"id":1,"depth":1,"name":"p","text":"","attributes":{},"computed":{"color":"red","display":"block"}})";
  const std::string line = kDocument.substr(0, kDocument.size() - 1) + R"(,"nodes":[)" + node + "," + node + "," +
                           R"({"id":3,"depth":1,"name":"p","text":"","attributes":{},"computed":{"color":"red"},)"
                           R"("computed":{"display":"inline"}}]})";
  SceneLine decoded = decodeSceneLine(line);
  ASSERT_TRUE(decoded.document.has_value()) << decoded.error;
  QList<InspectedNode>& nodes = *decoded.document->nodes;
  ASSERT_EQ(nodes.size(), 3);
  const QMap<QString, QString> expected = {{QStringLiteral("color"), QStringLiteral("red")},
                                           {QStringLiteral("display"), QStringLiteral("block")}};
  EXPECT_EQ(nodes[0].computed, expected);
  EXPECT_EQ(nodes[1].computed, expected);
  // A second "computed" member adds to the first.
  EXPECT_EQ(nodes[2].computed, (QMap<QString, QString>{{QStringLiteral("color"), QStringLiteral("red")},
                                                      {QStringLiteral("display"), QStringLiteral("inline")}}));
  // Changing one node's styles leaves the other's alone.
  nodes[0].computed.insert(QStringLiteral("color"), QStringLiteral("blue"));
  EXPECT_EQ(nodes[1].computed, expected);
}

// Renders `html` with the built renderer at `width` and returns its scene
// line, answering the measurement requests with the measuring harness's rule
// (half the font size per character, bold text 10% wider).
std::string renderScene(const std::string& html, double width) {
  ChildProcess process(EngineBridge::Runner::standard().executable.toStdString(), {"--stdin", shortestDecimal(width)},
                       ChildProcess::ErrorStream::Capture);
  process.write(kivo_wire::be32(static_cast<std::uint32_t>(html.size())));
  process.write(html);
  std::string pending;
  std::string scene;
  // The deadline only stops a renderer that hangs.
  const ChildProcess::Exit exit =
      process.run(ChildProcess::Clock::now() + std::chrono::minutes(2), [&](std::string_view chunk) {
        pending.append(chunk);
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
          const std::string line = pending.substr(0, end);
          pending.erase(0, end + 1);
          const SceneLine decoded = decodeSceneLine(line);
          if (!decoded.request || decoded.document) {
            scene = line;
            continue;
          }
          const std::string& text = decoded.request->text;
          const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
          });
          const double answer =
              static_cast<double>(characters) * decoded.request->size * 0.5 * (decoded.request->bold ? 1.1 : 1.0);
          process.write(shortestDecimal(answer) + '\n');
        }
      });
  EXPECT_TRUE(exit.succeeded()) << process.errorOutput();
  return scene;
}

// The scene read by the application's general JSON reader, member by member
// after the page document's decoding rules: a reading independent of the
// streaming decoder, to hold it against.
PageDocument referenceDocument(const std::string& line) {
  const nlohmann::json json = JsonReader::parse(line);
  const JsonReader scene(json, "scene");
  PageDocument document;
  document.version = scene.integer("version");
  document.title = scene.string("title");
  document.width = scene.number("width");
  document.height = scene.number("height");
  document.warnings = scene.stringArray("warnings");
  document.anchors = scene.numberMap("anchors");
  for (const nlohmann::json& element : scene.array("commands")) {
    const JsonReader c(element, "paint command");
    PaintCommand command;
    command.kind = c.string("kind");
    command.x = c.number("x");
    command.y = c.number("y");
    command.width = c.number("width");
    command.height = c.number("height");
    command.background = c.optionalColor("background");
    command.border = c.optionalColor("border");
    command.borderWidth = c.optionalNumber("borderWidth");
    command.radius = c.optionalNumber("radius");
    command.text = c.optionalString("text");
    command.size = c.optionalNumber("size");
    command.bold = c.optionalBoolean("bold");
    command.color = c.optionalColor("color");
    command.href = c.optionalString("href");
    command.imageId = c.optionalInteger("imageId");
    document.commands.append(command);
  }
  if (const nlohmann::json* nodes = scene.optionalMember("nodes")) {
    document.nodes = QList<InspectedNode>();
    for (const nlohmann::json& element : *nodes) {
      const JsonReader n(element, "inspected node");
      InspectedNode node;
      node.id = n.integer("id");
      node.parent = n.optionalInteger("parent");
      node.depth = n.integer("depth");
      node.name = n.string("name");
      node.text = n.string("text");
      node.attributes = n.stringMap("attributes");
      node.computed = n.stringMap("computed");
      if (const nlohmann::json* bounds = n.optionalMember("bounds")) {
        const JsonReader b(*bounds, "inspector bounds");
        node.bounds = InspectorBounds{b.number("x"), b.number("y"), b.number("width"), b.number("height")};
      }
      document.nodes->append(node);
    }
  }
  document.inspectorTruncated = scene.optionalBoolean("inspectorTruncated");
  return document;
}

// A page of its own with what the layout cases lack: images (their sizes in
// the resource envelope, as the page loader sends them), a style warning, a
// title and escapes in a link.
std::string pageWithImages() {
  const QByteArray html =
      "<html><head><title>Sahne \"1\"</title><style>p{colour:red}</style></head><body>"
      "<h1 id=\"top\">Başlık</h1><p class=\"a b\">Bir <a href=\"/yol?a=1&amp;b=&quot;2&quot;\">bağlantı</a> ve "
      "<b>kalın</b> yazı.</p><img src=\"a.png\" alt=\"resim\" width=\"40\"><img src=\"b.png\" alt=\"\"></body></html>";
  QList<std::pair<qint64, QByteArray>> entries;
  for (const ResourceManifest::Item& item : EngineBridge::resources(EngineBridge::Runner::standard(), html).resources) {
    // Every image is 40 × 30 pixels: two big-endian 32-bit numbers.
    entries.append({item.id, item.kind == 2 ? QByteArray("\0\0\0\x28\0\0\0\x1e", 8) : QByteArray()});
  }
  const QByteArray envelope = WebResources::envelope(html, entries);
  return envelope.toStdString();
}

TEST(SceneDecoderTest, RealScenesDecodeLikeAGeneralJsonReader) {
  // The renderer's layout cases, rendered by the renderer itself: real scenes
  // of boxes, text runs, links and anchors, with their inspection nodes and
  // computed styles. Cases that must fail to lay out have no scene.
  namespace fs = std::filesystem;
  if (!QFileInfo(EngineBridge::Runner::standard().executable).isExecutable()) {
    GTEST_SKIP() << "kivo-document was not built beside the test";
  }
  const auto read = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  };
  struct Page {
    std::string name;
    std::string input;
    double width = 800;
  };
  std::vector<Page> pages;
  for (const auto& entry : fs::directory_iterator(KIVO_LAYOUT_CASES_DIR)) {
    if (entry.path().extension() != ".html") continue;
    const std::string expected = read(fs::path(entry.path()).replace_extension(".expected"));
    if (expected.find("@error ") != std::string::npos) continue;
    Page page{entry.path().filename().string(), read(entry.path())};
    if (const std::size_t at = expected.find("@width "); at != std::string::npos) page.width = std::stod(expected.substr(at + 7));
    pages.push_back(page);
  }
  std::sort(pages.begin(), pages.end(), [](const Page& a, const Page& b) { return a.name < b.name; });
  EXPECT_GE(pages.size(), 30u);
  pages.push_back({"page with images", pageWithImages(), 997});

  for (const Page& page : pages) {
    SCOPED_TRACE(page.name);
    const std::string line = renderScene(page.input, page.width);
    ASSERT_FALSE(line.empty());
    SceneLine reference;
    reference.document = referenceDocument(line);
    const SceneLine whole = decodeSceneLine(line);
    ASSERT_TRUE(whole.document.has_value()) << whole.error;
    EXPECT_TRUE(whole.document->isValid());
    ASSERT_TRUE(whole.document->nodes.has_value());
    EXPECT_FALSE(whole.document->nodes->isEmpty());
    const std::string described = describe(whole);
    EXPECT_EQ(described, describe(reference));
    for (const std::size_t size : {7, 4096}) EXPECT_EQ(describe(inPieces(line, size)), described) << "pieces of " << size;
  }

  // The page of its own did bring what it was made for.
  const SceneLine own = decodeSceneLine(renderScene(pages.back().input, 997));
  ASSERT_TRUE(own.document.has_value()) << own.error;
  EXPECT_EQ(own.document->title, QStringLiteral("Sahne \"1\""));
  EXPECT_FALSE(own.document->warnings.isEmpty());
  EXPECT_TRUE(own.document->anchors.contains(QStringLiteral("top")));
  const auto has = [&](auto predicate) {
    return std::any_of(own.document->commands.begin(), own.document->commands.end(), predicate);
  };
  EXPECT_TRUE(has([](const PaintCommand& c) { return c.kind == QStringLiteral("image") && c.text == QStringLiteral("resim"); }));
  EXPECT_TRUE(has([](const PaintCommand& c) { return c.href == QStringLiteral("/yol?a=1&b=\"2\""); }));
  EXPECT_TRUE(has([](const PaintCommand& c) { return c.bold == true; }));
}

}  // namespace
