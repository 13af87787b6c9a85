#include "loading/scene_decoder.h"

#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace
