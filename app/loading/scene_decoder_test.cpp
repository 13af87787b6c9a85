#include "loading/scene_decoder.h"

#include <gtest/gtest.h>

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

}  // namespace
