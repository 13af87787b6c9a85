#include "engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/presentation.h"
#include "engine/resources.h"

namespace kivo_engine {
namespace {

constexpr kivo_html::ParseLimits kRunLimits{1048576, 50000, 128};

std::string envelope(std::string_view html, std::string_view blob) {
  std::string bytes("KIVO-R1\0", 8);
  const auto length = static_cast<std::uint32_t>(html.size());
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(length >> shift));
  bytes.append(html);
  bytes.append(blob);
  return bytes;
}

// The node count of a successful parse, or the error's display text.
std::string load_outcome(const Engine& engine, std::string_view html) {
  const auto loaded = engine.load_web_html(html);
  if (!loaded.ok()) return loaded.error().display();
  return std::to_string(loaded->nodes.size()) + " nodes";
}

TEST(EngineLoadWebHtml, ParsesWithinTheEngineLimits) {
  struct Case {
    const char* name;
    kivo_html::ParseLimits limits;
    std::string html;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"empty text", kRunLimits, "", "1 nodes"},
      {"a paragraph", kRunLimits, "<p>hi</p>", "3 nodes"},
      {"text at the byte limit", {10, 50000, 128}, "<p>1234567", "3 nodes"},
      {"text over the byte limit", {10, 50000, 128}, "<p>12345678", "input byte limit exceeded at byte 10"},
      {"node limit", {1048576, 2, 128}, "<p>hi</p>", "node limit exceeded at byte 3"},
      {"depth limit", {1048576, 50000, 1}, "<div><div>", "element depth limit exceeded at byte 5"},
      {"NUL", kRunLimits, std::string("ab\0c", 4), "NUL is not supported at byte 2"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(load_outcome(Engine{c.limits}, c.html), c.expected) << c.name;
  }
}

// The driver's road without the process: split the input, parse its text and
// write one of the two documents that need no layout.
std::string run(std::string_view input, bool manifest) {
  const auto unpacked = resources::unpack(input, 1048576);
  if (!unpacked.ok()) return unpacked.error().display();
  const auto document = Engine{kRunLimits}.load_web_html(unpacked->html);
  if (!document.ok()) return document.error().display();
  kivo_json::StringOutput out;
  const auto written = manifest ? Manifest::discover(*document).write_json(out)
                                : presentation::write_json(*document, out);
  if (!written.ok()) return written.error().display();
  return out.text;
}

TEST(EngineRoad, ParsedPagesGivePresentationAndManifest) {
  struct Case {
    const char* name;
    std::string input;
    std::string presentation;
    std::string manifest;
  };
  const std::string page =
      "<!doctype html><html><head><title>Ana &amp; sayfa</title><base href=\"/b/\">"
      "<link rel=\"Stylesheet\" href=\"s.css\"><style>p{color:red}</style></head>"
      "<body><h1>Merhaba <em>d\xC3\xBCnya</em></h1><p>Bir<br>  iki\n\n  \xC3\xBC\xC3\xA7"
      "<ul><li>bir<li>iki</ul><img src=\"a.png\" alt=x><script>var s = '<img src=b.png>';</script>"
      "<template><img src=\"c.png\"></template></body></html>";
  const std::string page_presentation =
      R"({"version":1,"blocks":[{"heading":1,"text":"Merhaba dünya"},{"heading":0,"text":"Bir\niki üç"},)"
      R"({"heading":0,"text":"• bir"},{"heading":0,"text":"• iki"},)"
      R"({"heading":0,"text":"var s = '<img src=b.png>';"}]})"
      "\n";
  const std::string page_manifest =
      R"({"resources":[{"id":0,"kind":1,"url":"s.css"},{"id":1,"kind":2,"url":"a.png"}],)"
      R"("base":"/b/","limited":false})"
      "\n";
  const std::vector<Case> cases = {
      {"plain page", page, page_presentation, page_manifest},
      {"the same page in an envelope with a malformed blob", envelope(page, "\x01"), page_presentation,
       page_manifest},
      {"empty input", "", "{\"version\":1,\"blocks\":[]}\n", "{\"resources\":[],\"base\":null,\"limited\":false}\n"},
      {"input that is not UTF-8", "<p>\xff", "Invalid or oversized resource envelope",
       "Invalid or oversized resource envelope"},
      {"envelope cut in its length", std::string("KIVO-R1\0\0", 9), "failed to fill whole buffer",
       "failed to fill whole buffer"},
      {"parse failure", std::string("<p>a\0", 5), "NUL is not supported at byte 4", "NUL is not supported at byte 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(run(c.input, false), c.presentation);
    EXPECT_EQ(run(c.input, true), c.manifest);
  }
}

TEST(EngineRoad, TitleOfAParsedPage) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<title>  </title><h1>Welcome</h1>", "Welcome"},
      {"<h1>Welcome</h1><title>Home</title>", "Home"},
      {"<title>A &amp; B</title>", "A & B"},
      {"<p>nothing</p>", "Yerel belge"},
  };
  for (const auto& [html, title] : cases) {
    const auto document = Engine{kRunLimits}.load_web_html(html);
    ASSERT_TRUE(document.ok()) << html;
    EXPECT_EQ(presentation::document_title(*document), title) << html;
  }
}

TEST(EngineRoad, SceneModeFindsDeliveredResourcesByManifestPosition) {
  const std::string html =
      "<link rel=stylesheet href=a.css><img src=b.png><img src=\"\"><link rel=stylesheet href=c.css>";
  const auto document = Engine{kRunLimits}.load_web_html(html);
  ASSERT_TRUE(document.ok());
  const Manifest manifest = Manifest::discover(*document);
  ASSERT_EQ(manifest.resources.size(), 3u);
  std::string blob("\0\0\0\x02", 4);
  blob += std::string("\0\0\0\x02\0\0\0\x03", 8) + "p{}";
  blob += std::string("\0\0\0\x01\0\0\0\x08\0\0\x01\x00\0\0\0\x40", 16);
  const auto loaded = Loaded::decode(*document, blob);
  ASSERT_TRUE(loaded.ok()) << loaded.error().display();
  ASSERT_EQ(loaded->stylesheets.size(), 1u);
  EXPECT_EQ(loaded->stylesheets.at(manifest.resources[2].node), "p{}");
  ASSERT_EQ(loaded->images.size(), 1u);
  const LoadedImage& image = loaded->images.at(manifest.resources[1].node);
  EXPECT_EQ(image.id, 1u);
  EXPECT_EQ(image.width, 256.0f);
  EXPECT_EQ(image.height, 64.0f);
}

}  // namespace
}  // namespace kivo_engine
