#include "loading/page_document.h"

#include <gtest/gtest.h>

#include "base/bridge_error.h"
#include "base/decoding_error.h"

namespace {

// A valid scene with `commands` spliced in and `extra` members appended.
std::string scene(const std::string& commands, const std::string& extra = "", const std::string& size = "\"width\":997,\"height\":100") {
  return "{\"version\":2," + size + ",\"title\":\"T\",\"warnings\":[],\"anchors\":{},\"commands\":[" + commands +
         "]" + extra + "}";
}

PageDocument decode(const std::string& text) {
  return PageDocument::fromJson(text);
}

std::string commands(int count) {
  std::string list;
  for (int i = 0; i < count; ++i) {
    if (i) list += ',';
    list += R"({"kind":"box","x":0,"y":0,"width":1,"height":1})";
  }
  return list;
}

TEST(PageDocumentTest, ValidityRules) {
  struct Case {
    const char* name;
    std::string text;
    bool valid;
  };
  const std::string box = R"({"kind":"box","x":0,"y":0,"width":10,"height":10})";
  const Case cases[] = {
      {"plain", scene(box), true},
      {"version 1", "{\"version\":1,\"width\":997,\"height\":100,\"title\":\"\",\"warnings\":[],\"anchors\":{},\"commands\":[]}", false},
      {"width 0", scene("", "", "\"width\":0,\"height\":100"), false},
      {"height 0", scene("", "", "\"width\":997,\"height\":0"), false},
      {"height at its limit", scene("", "", "\"width\":997,\"height\":200000"), true},
      {"height over its limit", scene("", "", "\"width\":997,\"height\":200000.5"), false},
      {"width far beyond the viewport", scene("", "", "\"width\":100000,\"height\":1"), true},
      {"20,000 commands", scene(commands(20'000)), true},
      {"20,001 commands", scene(commands(20'001)), false},
      {"kind with a capital", scene(R"({"kind":"Box","x":0,"y":0,"width":1,"height":1})"), false},
      {"negative x", scene(R"({"kind":"box","x":-0.5,"y":0,"width":1,"height":1})"), false},
      {"negative zero x", scene(R"({"kind":"box","x":-0,"y":0,"width":1,"height":1})"), true},
      {"image without id", scene(R"({"kind":"image","x":0,"y":0,"width":1,"height":1,"text":""})"), false},
      {"image id 16", scene(R"({"kind":"image","x":0,"y":0,"width":1,"height":1,"imageId":16})"), false},
      {"image id 0", scene(R"({"kind":"image","x":0,"y":0,"width":1,"height":1,"imageId":0})"), true},
      {"image id 15", scene(R"({"kind":"image","x":0,"y":0,"width":1,"height":1,"imageId":15})"), true},
      {"text size 5.5", scene(R"({"kind":"text","x":0,"y":0,"width":1,"height":1,"size":5.5,"text":"a"})"), false},
      {"text size 128.5", scene(R"({"kind":"text","x":0,"y":0,"width":1,"height":1,"size":128.5,"text":"a"})"), false},
      {"text without text", scene(R"({"kind":"text","x":0,"y":0,"width":1,"height":1,"size":16})"), false},
      {"text size 6", scene(R"({"kind":"text","x":0,"y":0,"width":1,"height":1,"size":6,"text":"a"})"), true},
      {"text size 128", scene(R"({"kind":"text","x":0,"y":0,"width":1,"height":1,"size":128,"text":"a"})"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(decode(c.text).isValid(), c.valid);
  }
}

TEST(PageDocumentTest, OptionalMembersAndIgnoredMembers) {
  const PageDocument document = decode(scene(
      R"({"kind":"text","x":1,"y":2,"width":3,"height":4,"size":16,"bold":true,"color":4294967295,"text":"a","href":null})",
      R"(,"images":{"0":1},"extra":[1,2])"));
  EXPECT_FALSE(document.nodes.has_value());
  EXPECT_FALSE(document.inspectorTruncated.has_value());
  EXPECT_TRUE(document.images.isEmpty());
  ASSERT_EQ(document.commands.size(), 1);
  const PaintCommand& command = document.commands.front();
  EXPECT_FALSE(command.href.has_value());
  EXPECT_FALSE(command.background.has_value());
  EXPECT_EQ(command.color, 4294967295u);
  EXPECT_EQ(command.bold, true);
  EXPECT_EQ(command.rect(), QRectF(1, 2, 3, 4));

  const PageDocument withNodes = decode(scene("", R"(,"nodes":[{"id":0,"depth":0,"parent":null,"name":"#document","text":"","attributes":{},"computed":{},"bounds":{"x":0,"y":0,"width":997,"height":50}}],"inspectorTruncated":true)"));
  ASSERT_TRUE(withNodes.nodes.has_value());
  ASSERT_EQ(withNodes.nodes->size(), 1);
  EXPECT_FALSE(withNodes.nodes->front().parent.has_value());
  EXPECT_EQ(withNodes.nodes->front().bounds->rect(), QRectF(0, 0, 997, 50));
  EXPECT_EQ(withNodes.inspectorTruncated, true);
}

TEST(PageDocumentTest, MalformedScenesFailWithTheDecoderError) {
  const std::string box = R"({"kind":"box","x":0,"y":0,"width":1,"height":1)";
  const std::string cases[] = {
      "{\"version\":2,\"width\":997,\"height\":100,\"title\":\"\",\"anchors\":{},\"commands\":[]}",
      "{\"version\":2,\"width\":997,\"height\":100,\"title\":\"\",\"warnings\":[],\"commands\":[]}",
      "{\"version\":\"2\",\"width\":997,\"height\":100,\"title\":\"\",\"warnings\":[],\"anchors\":{},\"commands\":[]}",
      "{\"version\":2.5,\"width\":997,\"height\":100,\"title\":\"\",\"warnings\":[],\"anchors\":{},\"commands\":[]}",
      scene(box + ",\"color\":4294967296}"),
      scene(box + ",\"color\":-1}"),
      scene(box + ",\"imageId\":1.5}"),
      scene(R"({"kind":"box","x":0,"y":0,"width":1})"),
      scene("", R"(,"nodes":[{"id":0,"depth":0,"name":"#document","text":"","attributes":{"a":1},"computed":{}}])"),
      scene("", R"(,"nodes":{})"),
      "[]",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 160));
    EXPECT_THROW(decode(text), DecodingError);
  }
  EXPECT_THROW(decode("{\"version\":"), DecodingError);
  EXPECT_THROW(decode(scene("") + " trailing"), DecodingError);
}

TEST(PageDocumentTest, NodeLabels) {
  InspectedNode text;
  text.name = QStringLiteral("#text");
  text.text = QStringLiteral("  Merhaba\n");
  EXPECT_EQ(text.label(), QStringLiteral("\"Merhaba\""));
  text.text = QString(100, QLatin1Char('a'));
  EXPECT_EQ(text.label(), QLatin1Char('"') + QString(75, QLatin1Char('a')) + QLatin1Char('"'));
  // Characters are what the reader sees: a letter with a combining accent is one.
  text.text = QString();
  for (int i = 0; i < 80; ++i) text.text += QStringLiteral("e\u0301");
  EXPECT_EQ(text.label().size(), 2 + 75 * 2);

  InspectedNode document;
  document.name = QStringLiteral("#document");
  EXPECT_EQ(document.label(), QStringLiteral("#document"));

  InspectedNode div;
  div.name = QStringLiteral("div");
  div.attributes.insert(QStringLiteral("class"), QStringLiteral("a b"));
  div.attributes.insert(QStringLiteral("id"), QStringLiteral("x"));
  div.attributes.insert(QStringLiteral("title"), QStringLiteral("not shown"));
  EXPECT_EQ(div.label(), QStringLiteral("<div id=\"x\" class=\"a b\">"));

  InspectedNode paragraph;
  paragraph.name = QStringLiteral("p");
  EXPECT_EQ(paragraph.label(), QStringLiteral("<p>"));
}

TEST(BridgeErrorTest, DescriptionIsTheSentence) {
  const BridgeError error(QStringLiteral("Geçersiz çizim listesi."));
  EXPECT_EQ(error.message(), QStringLiteral("Geçersiz çizim listesi."));
  EXPECT_STREQ(error.what(), "Geçersiz çizim listesi.");
}

}  // namespace
