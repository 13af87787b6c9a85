#include "document/scene_run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace kivo_document {
namespace {

kivo_dom::Document parse(std::string_view html) {
  const kivo_engine::Engine engine{kivo_html::ParseLimits{1'048'576, 50'000, 128}};
  auto document = engine.load_web_html(html);
  KIVO_CHECK(document.ok());
  return std::move(document).value();
}

// Answers every measurement with the same width.
std::string answers(std::size_t count, std::string_view width) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) (text += width) += '\n';
  return text;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

void append_u32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

struct SceneOutcome {
  kivo_dom::Result<void, RunError> result;
  std::string out;
};

SceneOutcome run(std::string_view html, std::string_view blob, float width, std::string input) {
  const kivo_dom::Document document = parse(html);
  kivo_json::StringOutput out;
  Reader in = Reader::from_bytes(std::move(input));
  auto result = run_scene(document, blob, width, out, in);
  return SceneOutcome{std::move(result), out.text};
}

TEST(SceneRun, RequestsComeFirstAndTheSceneLineLast) {
  const SceneOutcome r = run("<title>Deneme</title><p>Merhaba <b>kalın</b> dünya</p><a href=\"/x\">bağ</a>", "", 800,
                    answers(100, "10"));
  ASSERT_TRUE(r.result.ok()) << r.result.error().display();
  const auto lines = lines_of(r.out);
  ASSERT_GE(lines.size(), 2u);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_EQ(lines[i].rfind("{\"measure\":true,", 0), 0u) << lines[i];
  }
  const std::string& scene = lines.back();
  EXPECT_EQ(scene.rfind("{\"version\":2,\"width\":800,", 0), 0u) << scene;
  EXPECT_NE(scene.find("\"title\":\"Deneme\",\"warnings\":[],"), std::string::npos);
  EXPECT_NE(scene.find("\"text\":\"kalın\""), std::string::npos);
  EXPECT_NE(scene.find("\"href\":\"/x\""), std::string::npos);
  EXPECT_EQ(scene.substr(scene.size() - 28), ",\"inspectorTruncated\":false}");
  EXPECT_EQ(r.out.back(), '\n');
}

TEST(SceneRun, ViewportLimits) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float width;
    bool ok;
  } cases[] = {{160, true},  {8192, true},  {std::nanf(""), false}, {inf, false},
               {-5, false},  {100, false},  {8192.5f, false},      {159.9f, false}};
  for (const auto& c : cases) {
    const SceneOutcome r = run("<p>a</p>", "", c.width, answers(10, "5"));
    EXPECT_EQ(r.result.ok(), c.ok) << c.width;
    if (!c.ok) {
      EXPECT_EQ(r.result.error().display(), "invalid style viewport");
      EXPECT_EQ(r.result.error().kind, RunError::Kind::Style);
      EXPECT_EQ(r.out, "");
    }
  }
}

TEST(SceneRun, MalformedBlobFailsBeforeStyling) {
  std::string too_many;
  append_u32(too_many, 17);
  const struct {
    std::string blob;
    const char* error;
  } cases[] = {{std::string("\0\0", 2), "failed to fill whole buffer"},
               {too_many, "Invalid or oversized resource envelope"}};
  for (const auto& c : cases) {
    // The blob is checked before the width, so even a refused width reports it.
    for (const float width : {800.0f, 100.0f}) {
      const SceneOutcome r = run("<p>a</p>", c.blob, width, answers(10, "5"));
      ASSERT_FALSE(r.result.ok());
      EXPECT_EQ(r.result.error().display(), c.error);
      EXPECT_EQ(r.out, "");
    }
  }
}

TEST(SceneRun, PlainHtmlReportsExternalStylesheets) {
  const SceneOutcome r = run("<link rel=\"stylesheet\" href=\"a.css\"><p style=\"color: red\">a</p>", "", 800,
                    answers(10, "5"));
  ASSERT_TRUE(r.result.ok()) << r.result.error().display();
  EXPECT_NE(r.out.find("\"warnings\":[\"External stylesheets are not loaded\"]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"color\":\"#ff0000ff\""), std::string::npos);
}

TEST(SceneRun, DeliveredImageIsPaintedByItsManifestIndex) {
  std::string blob;
  append_u32(blob, 1);  // one entry
  append_u32(blob, 0);  // manifest index of the img
  append_u32(blob, 8);  // payload bytes
  append_u32(blob, 120);
  append_u32(blob, 60);
  const SceneOutcome r = run("<img src=\"a.png\" alt=\"resim\">", blob, 800, answers(10, "5"));
  ASSERT_TRUE(r.result.ok()) << r.result.error().display();
  EXPECT_NE(r.out.find("\"kind\":\"image\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"width\":120,\"height\":60,\"imageId\":0,\"text\":\"resim\""), std::string::npos) << r.out;
}

TEST(SceneRun, ClosedInputEndsInLayoutWithRequestsButNoScene) {
  const SceneOutcome r = run("<p>Merhaba</p>", "", 800, "");
  ASSERT_FALSE(r.result.ok());
  EXPECT_EQ(r.result.error().kind, RunError::Kind::Layout);
  EXPECT_EQ(r.result.error().display(), "incomplete measurement response");
  const auto lines = lines_of(r.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("{\"measure\":true,", 0), 0u);
  EXPECT_EQ(r.out.find("\"version\""), std::string::npos);
}

// Takes nothing: every write fails as on a closed pipe.
class ClosedOutput final : public kivo_json::Output {
 public:
  kivo_dom::Result<void, kivo_json::IoError> write(std::string_view) override {
    return kivo_dom::err(kivo_json::IoError::os(EPIPE));
  }
  kivo_dom::Result<void, kivo_json::IoError> flush() override { return {}; }
};

TEST(SceneRun, WriteFailureIsTheSystemError) {
  // Without text there is no measurement, so the scene line is the first write.
  const kivo_dom::Document document = parse("<div></div>");
  ClosedOutput out;
  Reader in = Reader::from_bytes("");
  const auto result = run_scene(document, "", 800, out, in);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().kind, RunError::Kind::Io);
  EXPECT_EQ(result.error().display(), "Broken pipe (os error 32)");
}

}  // namespace
}  // namespace kivo_document
