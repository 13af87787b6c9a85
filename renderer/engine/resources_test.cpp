#include "resources.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/test_support.h"
#include "json/write.h"

namespace kivo_engine {
namespace {

using kivo_json::IoError;
using test::build;
using test::E;
using test::FailingOutput;
using test::T;
using test::Tree;

constexpr std::size_t kHtmlLimit = 1048576;
const std::string kMagic("KIVO-R1\0", 8);

std::string be32(std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (24 - 8 * i));
  return bytes;
}

std::string envelope(std::string_view html, std::string_view blob) {
  return kMagic + be32(static_cast<std::uint32_t>(html.size())) + std::string(html) + std::string(blob);
}

std::string entry(std::uint32_t index, std::string_view payload) {
  return be32(index) + be32(static_cast<std::uint32_t>(payload.size())) + std::string(payload);
}

std::string image_size(std::uint32_t width, std::uint32_t height) { return be32(width) + be32(height); }

std::string blob(const std::vector<std::string>& entries) {
  std::string bytes = be32(static_cast<std::uint32_t>(entries.size()));
  for (const std::string& e : entries) bytes += e;
  return bytes;
}

std::string manifest_json(const std::vector<Tree>& tree) {
  kivo_json::StringOutput out;
  EXPECT_TRUE(Manifest::discover(build(tree)).write_json(out).ok());
  return out.text;
}

std::vector<Tree> images(int count, const std::string& prefix) {
  std::vector<Tree> list;
  for (int i = 0; i < count; ++i) list.push_back(E("img", {{"src", prefix + std::to_string(i)}}));
  return list;
}

std::string resource_list(int count, const std::string& prefix, int kind) {
  std::string json;
  for (int i = 0; i < count; ++i) {
    if (i > 0) json += ",";
    json += R"({"id":)" + std::to_string(i) + R"(,"kind":)" + std::to_string(kind) + R"(,"url":")" + prefix +
            std::to_string(i) + R"("})";
  }
  return json;
}

Tree stylesheet(std::vector<std::pair<std::string, std::string>> attributes) {
  return E("link", std::move(attributes));
}

TEST(ManifestJson, ListsStylesheetsImagesAndBase) {
  const std::string url_4096(4096, 'u');
  const std::string url_4097(4097, 'u');
  std::vector<Tree> sixteen = images(16, "i");
  std::vector<Tree> seventeen = images(17, "i");
  std::vector<Tree> sixteen_and_unusable = images(16, "i");
  sixteen_and_unusable.push_back(E("img", {{"src", ""}}));
  sixteen_and_unusable.push_back(E("img", {{"src", url_4097}}));
  sixteen_and_unusable.push_back(E("img"));
  std::vector<Tree> sixteen_then_link = images(16, "i");
  sixteen_then_link.push_back(stylesheet({{"rel", "stylesheet"}, {"href", "late.css"}}));
  struct Case {
    const char* name;
    std::vector<Tree> tree;
    std::string json;
  };
  const std::vector<Case> cases = {
      {"nothing to fetch", {E("p", {T("x")})}, R"({"resources":[],"base":null,"limited":false})"},
      {"document order and positions",
       {E("div", {E("img", {{"src", "a.png"}}), E("p", {stylesheet({{"rel", "stylesheet"}, {"href", "b.css"}})})}),
        E("img", {{"src", "c.png"}})},
       R"({"resources":[{"id":0,"kind":2,"url":"a.png"},{"id":1,"kind":1,"url":"b.css"},)"
       R"({"id":2,"kind":2,"url":"c.png"}],"base":null,"limited":false})"},
      {"sixteen images", sixteen, R"({"resources":[)" + resource_list(16, "i", 2) + R"(],"base":null,"limited":false})"},
      {"a seventeenth image sets limited", seventeen,
       R"({"resources":[)" + resource_list(16, "i", 2) + R"(],"base":null,"limited":true})"},
      {"a seventeenth link sets limited", sixteen_then_link,
       R"({"resources":[)" + resource_list(16, "i", 2) + R"(],"base":null,"limited":true})"},
      {"empty, missing and over-long sources do not count", sixteen_and_unusable,
       R"({"resources":[)" + resource_list(16, "i", 2) + R"(],"base":null,"limited":false})"},
      {"URL of 4096 bytes is listed", {E("img", {{"src", url_4096}})},
       R"({"resources":[{"id":0,"kind":2,"url":")" + url_4096 + R"("}],"base":null,"limited":false})"},
      {"URLs are escaped, not changed", {E("img", {{"src", " a\"b\\c\n "}})},
       R"({"resources":[{"id":0,"kind":2,"url":" a\"b\\c\n "}],"base":null,"limited":false})"},
      {"first usable base wins",
       {E("base"), E("base", {{"href", url_4097}}), E("base", {{"href", "/x/\""}}), E("base", {{"href", "/y/"}})},
       R"({"resources":[],"base":"/x/\"","limited":false})"},
      {"empty base href is taken", {E("base", {{"href", ""}}), E("base", {{"href", "/y/"}})},
       R"({"resources":[],"base":"","limited":false})"},
      {"base of 4096 bytes is taken", {E("base", {{"href", url_4096}})},
       R"({"resources":[],"base":")" + url_4096 + R"(","limited":false})"},
      {"opaque containers hide their content",
       {E("svg", {E("img", {{"src", "1"}})}), E("template", {E("base", {{"href", "/t/"}})}),
        E("object", {E("img", {{"src", "2"}})}), E("script", {E("img", {{"src", "3"}})}),
        E("iframe", {stylesheet({{"rel", "stylesheet"}, {"href", "4"}})}), E("img", {{"src", "5"}})},
       R"({"resources":[{"id":0,"kind":2,"url":"5"}],"base":null,"limited":false})"},
      {"names are compared exactly", {E("IMG", {{"src", "1"}}), E("Link", {{"rel", "stylesheet"}, {"href", "2"}})},
       R"({"resources":[],"base":null,"limited":false})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(manifest_json(c.tree), c.json + "\n");
  }
}

TEST(ManifestDiscover, AcceptsOnlyApplicableStylesheetLinks) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> attributes;
    bool listed;
  };
  const std::vector<Case> cases = {
      {{{"rel", "stylesheet"}, {"href", "a"}}, true},
      {{{"rel", " \tSTYLESHEET\n\f\r "}, {"href", "a"}}, true},
      {{{"rel", "icon stylesheet"}, {"href", "a"}}, true},
      {{{"rel", "stylesheet alternate"}, {"href", "a"}}, false},
      {{{"rel", "Alternate Stylesheet"}, {"href", "a"}}, false},
      {{{"rel", "stylesheets"}, {"href", "a"}}, false},
      {{{"rel", "style sheet"}, {"href", "a"}}, false},
      {{{"rel", "stylesheet\xC2\xA0"}, {"href", "a"}}, false},
      {{{"href", "a"}}, false},
      {{{"rel", "stylesheet"}}, false},
      {{{"rel", "stylesheet"}, {"href", ""}}, false},
      {{{"rel", "stylesheet"}, {"href", std::string(4097, 'h')}}, false},
      {{{"rel", "stylesheet"}, {"href", "a"}, {"disabled", ""}}, false},
      {{{"rel", "stylesheet"}, {"href", "a"}, {"disabled", "false"}}, false},
      {{{"rel", "stylesheet"}, {"href", "a"}, {"media", ""}}, true},
      {{{"rel", "stylesheet"}, {"href", "a"}, {"media", "all"}}, true},
      {{{"rel", "stylesheet"}, {"href", "a"}, {"media", " SCREEN "}}, true},
      {{{"rel", "stylesheet"}, {"href", "a"}, {"media", "\xC2\xA0screen\xE3\x80\x80"}}, true},
      {{{"rel", "stylesheet"}, {"href", "a"}, {"media", "print"}}, false},
      {{{"rel", "stylesheet"}, {"href", "a"}, {"media", "screen and (min-width: 1px)"}}, false},
      {{{"rel", "stylesheet"}, {"href", "a"}, {"media", "screen, print"}}, false},
  };
  for (const Case& c : cases) {
    const kivo_dom::Document document = build({E("p"), stylesheet(c.attributes)});
    const Manifest manifest = Manifest::discover(document);
    std::string described;
    for (const auto& [name, value] : c.attributes) described += name + "=" + value + " ";
    if (!c.listed) {
      EXPECT_TRUE(manifest.resources.empty()) << described;
      continue;
    }
    const std::vector<Resource> expected = {{"a", test::nth_element(document, "link", 0), Resource::kStylesheet}};
    EXPECT_EQ(manifest.resources, expected) << described;
  }
}

TEST(ManifestDiscover, SkipsIdsOfOtherDocumentsAndPastTheEnd) {
  kivo_dom::Document document = build({E("img", {{"src", "a"}}), E("img", {{"src", "b"}})});
  document.nodes[0].children.insert(document.nodes[0].children.begin() + 1,
                                    {kivo_dom::NodeId{document.id + 1000, 1}, kivo_dom::NodeId{document.id, 99}});
  const Manifest manifest = Manifest::discover(document);
  ASSERT_EQ(manifest.resources.size(), 2u);
  EXPECT_EQ(manifest.resources[0].node, test::nth_element(document, "img", 0));
  EXPECT_EQ(manifest.resources[1].node, test::nth_element(document, "img", 1));
}

TEST(ManifestJson, ReturnsTheFirstWriteErrorUnchanged) {
  const Manifest manifest = Manifest::discover(build({E("img", {{"src", "a"}}), E("base", {{"href", "b"}})}));
  kivo_json::StringOutput whole;
  ASSERT_TRUE(manifest.write_json(whole).ok());
  for (int writes = 0; writes < 16; ++writes) {
    FailingOutput out(writes);
    const auto result = manifest.write_json(out);
    ASSERT_FALSE(result.ok()) << writes;
    EXPECT_EQ(result.error().kind, IoError::Kind::Os);
    EXPECT_EQ(result.error().code, EPIPE);
    EXPECT_EQ(whole.text.substr(0, out.text.size()), out.text);
  }
}

// The split of an input: the text and blob as offsets into it, or the error.
std::string describe_unpack(std::string_view input, std::size_t limit) {
  const auto result = resources::unpack(input, limit);
  if (!result.ok()) {
    const IoError& error = result.error();
    const char* kind = error.kind == IoError::Kind::UnexpectedEof ? "eof" : error.kind == IoError::Kind::InvalidData ? "invalid" : "other";
    return std::string(kind) + ": " + error.display();
  }
  const auto offset = [input](std::string_view part) {
    const bool inside = part.data() >= input.data() && part.data() + part.size() <= input.data() + input.size();
    return inside ? std::to_string(part.data() - input.data()) : std::string("outside");
  };
  return "html " + offset(result->html) + "+" + std::to_string(result->html.size()) + ", blob " +
         offset(result->blob) + "+" + std::to_string(result->blob.size());
}

TEST(ResourcesUnpack, SplitsPlainHtmlAndEnvelopes) {
  const std::string eof = "eof: failed to fill whole buffer";
  const std::string invalid = "invalid: Invalid or oversized resource envelope";
  const std::string max_html(kHtmlLimit, 'h');
  struct Case {
    const char* name;
    std::string input;
    std::size_t limit;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"empty input is plain HTML", "", kHtmlLimit, "html 0+0, blob 0+0"},
      {"plain HTML", "<p>hi</p>", kHtmlLimit, "html 0+9, blob 9+0"},
      {"shorter than the magic", std::string("KIVO-R1"), kHtmlLimit, "html 0+7, blob 7+0"},
      {"magic without its zero byte", std::string("KIVO-R1\x01") + be32(0), kHtmlLimit, "html 0+12, blob 12+0"},
      {"magic in other letter case", std::string("kivo-r1\0", 8) + be32(0), kHtmlLimit, "html 0+12, blob 12+0"},
      {"plain HTML at the limit", max_html, kHtmlLimit, "html 0+1048576, blob 1048576+0"},
      {"plain HTML over the limit", max_html + "h", kHtmlLimit, invalid},
      {"plain HTML that is not UTF-8", "<p>\xff</p>", kHtmlLimit, invalid},
      {"plain HTML with a surrogate", "\xed\xa0\x80", kHtmlLimit, invalid},
      {"magic alone", kMagic, kHtmlLimit, eof},
      {"magic and three length bytes", kMagic + std::string(3, '\0'), kHtmlLimit, eof},
      {"empty envelope", envelope("", ""), kHtmlLimit, "html 12+0, blob 12+0"},
      {"envelope with text and blob", envelope("<p>", "abc"), kHtmlLimit, "html 12+3, blob 15+3"},
      {"blob may hold any bytes", envelope("", std::string("\xff\0", 2)), kHtmlLimit, "html 12+0, blob 12+2"},
      {"text at the caller's limit", envelope("0123456789", ""), 10, "html 12+10, blob 22+0"},
      {"text over the caller's limit", envelope("0123456789a", ""), 10, invalid},
      {"length past the end", kMagic + be32(4) + "abc", kHtmlLimit, invalid},
      {"largest length", kMagic + be32(0xFFFFFFFF) + "abc", kHtmlLimit, invalid},
      {"largest length under a large limit", kMagic + be32(0xFFFFFFFF) + "abc", SIZE_MAX, invalid},
      {"blob of 66560 bytes", envelope("x", std::string(66560, 'b')), kHtmlLimit, "html 12+1, blob 13+66560"},
      {"blob of 66561 bytes", envelope("x", std::string(66561, 'b')), kHtmlLimit, invalid},
      {"largest envelope", envelope(max_html, std::string(66560, 'b')), kHtmlLimit,
       "html 12+1048576, blob 1048588+66560"},
      {"text that is not UTF-8", envelope("a\xc3", "b"), kHtmlLimit, invalid},
      {"overlong UTF-8 in the text", envelope("\xc0\xaf", ""), kHtmlLimit, invalid},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(describe_unpack(c.input, c.limit), c.expected) << c.name;
  }
}

// A document whose manifest is: 0 a.css, 1 b.png, 2 c.png, 3 d.css, 4 e.png.
kivo_dom::Document resource_document() {
  return build({E("head", {stylesheet({{"rel", "stylesheet"}, {"href", "a.css"}})}),
                E("body", {E("img", {{"src", "b.png"}}), E("p", {E("img", {{"src", "c.png"}})}),
                           stylesheet({{"rel", "stylesheet"}, {"href", "d.css"}}), E("img", {{"src", "e.png"}}),
                           E("img", {{"src", ""}})})});
}

// What a decode delivered, by manifest position: "0=text" for a stylesheet
// (its length when long), "1=WxH#id" for an image; or the error.
std::string describe_decode(const kivo_dom::Document& document, std::string_view bytes) {
  const auto result = Loaded::decode(document, bytes);
  if (!result.ok()) {
    const IoError& error = result.error();
    const char* kind = error.kind == IoError::Kind::UnexpectedEof ? "eof" : error.kind == IoError::Kind::InvalidData ? "invalid" : "other";
    return std::string(kind) + ": " + error.display();
  }
  const Manifest manifest = Manifest::discover(document);
  std::string text = "ok";
  std::size_t found = 0;
  for (std::size_t i = 0; i < manifest.resources.size(); ++i) {
    const kivo_dom::NodeId node = manifest.resources[i].node;
    if (const auto sheet = result->stylesheets.find(node); sheet != result->stylesheets.end()) {
      ++found;
      text.append(" ").append(std::to_string(i)).append("=");
      if (sheet->second.size() <= 16) {
        text.append("'").append(sheet->second).append("'");
      } else {
        text.append(std::to_string(sheet->second.size()));
      }
    }
    if (const auto image = result->images.find(node); image != result->images.end()) {
      ++found;
      text.append(" ").append(std::to_string(i)).append("=");
      text.append(kivo_json::f32_text(image->second.width)).append("x");
      text.append(kivo_json::f32_text(image->second.height)).append("#");
      text.append(std::to_string(image->second.id));
    }
  }
  EXPECT_EQ(found, result->stylesheets.size() + result->images.size());
  return text;
}

TEST(LoadedDecode, ReadsEntriesAgainstTheManifest) {
  const std::string eof = "eof: failed to fill whole buffer";
  const std::string invalid = "invalid: Invalid or oversized resource envelope";
  const std::string sheet_max(65536, 's');
  struct Case {
    const char* name;
    std::string blob;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"empty blob", "", "ok"},
      {"no entries", be32(0), "ok"},
      {"no entries and one more byte", be32(0) + "x", invalid},
      {"count cut short", std::string(3, '\0'), eof},
      {"one byte", "\x01", eof},
      {"count of 17", be32(17), invalid},
      {"count of 16 with no entries", be32(16), eof},
      {"count of 2 with one entry", be32(2) + entry(0, "p{}"), eof},
      {"entry header cut short", be32(1) + be32(0) + std::string(3, '\0'), eof},
      {"stylesheet and image", blob({entry(0, "p{}"), entry(1, image_size(640, 480))}), "ok 0='p{}' 1=640x480#1"},
      {"entries in any order", blob({entry(4, image_size(1, 1)), entry(3, "a"), entry(0, "")}),
       "ok 0='' 3='a' 4=1x1#4"},
      {"index equal to the manifest's length", blob({entry(5, "x")}), invalid},
      {"largest index", blob({entry(0xFFFFFFFF, "x")}), invalid},
      {"same index twice", blob({entry(0, "a"), entry(0, "b")}), invalid},
      {"payload past the end", be32(1) + be32(0) + be32(4) + "abc", invalid},
      {"largest payload length", be32(1) + be32(0) + be32(0xFFFFFFFF) + "abc", invalid},
      {"bytes after the last entry", blob({entry(0, "a")}) + std::string(1, '\0'), invalid},
      {"stylesheets of 65536 bytes in total",
       blob({entry(0, sheet_max.substr(0, 65535)), entry(3, "t")}), "ok 0=65535 3='t'"},
      {"one stylesheet of 65536 bytes", blob({entry(3, sheet_max)}), "ok 3=65536"},
      {"stylesheets of 65537 bytes in total", blob({entry(0, sheet_max), entry(3, "t")}), invalid},
      {"stylesheet that is not UTF-8", blob({entry(0, "p{\xff}")}), invalid},
      {"stylesheet index with an image-sized payload", blob({entry(0, image_size(16, 16))}),
       std::string("ok 0='") + image_size(16, 16) + "'"},
      {"two images of 4,000,000 in total",
       blob({entry(1, image_size(2000, 1000)), entry(2, image_size(1000, 2000))}),
       "ok 1=2000x1000#1 2=1000x2000#2"},
      {"a third image over the total",
       blob({entry(1, image_size(2000, 1000)), entry(2, image_size(1000, 2000)), entry(4, image_size(1, 1))}),
       invalid},
      {"largest sides", blob({entry(2, image_size(4096, 976))}), "ok 2=4096x976#2"},
      {"sides of 1", blob({entry(2, image_size(1, 1))}), "ok 2=1x1#2"},
      {"width 0", blob({entry(2, image_size(0, 10))}), invalid},
      {"height 0", blob({entry(2, image_size(10, 0))}), invalid},
      {"width 4097", blob({entry(2, image_size(4097, 1))}), invalid},
      {"height 4097", blob({entry(2, image_size(1, 4097))}), invalid},
      {"image payload of 7 bytes", blob({entry(2, image_size(1, 1).substr(0, 7))}), invalid},
      {"image payload of 9 bytes", blob({entry(2, image_size(1, 1) + "x")}), invalid},
      {"blob over 66560 bytes", std::string(66561, '\0'), invalid},
  };
  const kivo_dom::Document document = resource_document();
  for (const Case& c : cases) {
    EXPECT_EQ(describe_decode(document, c.blob), c.expected) << c.name;
  }
}

TEST(LoadedDecode, ImageAreaSumCannotWrapAround) {
  std::vector<Tree> tree = images(16, "i");
  const kivo_dom::Document document = build(tree);
  std::vector<std::string> entries;
  for (std::uint32_t i = 0; i < 16; ++i) entries.push_back(entry(i, image_size(4096, 4096)));
  EXPECT_EQ(describe_decode(document, blob(entries)), "invalid: Invalid or oversized resource envelope");
}

TEST(LoadedDecode, DocumentWithoutResourcesTakesOnlyEmptyBlobs) {
  const kivo_dom::Document document = build({E("p", {T("x")})});
  EXPECT_EQ(describe_decode(document, ""), "ok");
  EXPECT_EQ(describe_decode(document, be32(0)), "ok");
  EXPECT_EQ(describe_decode(document, blob({entry(0, "")})), "invalid: Invalid or oversized resource envelope");
}

TEST(ResourcesEnvelope, RoundTripsThroughUnpackAndDecode) {
  const kivo_dom::Document document = resource_document();
  const std::string input = envelope("<p>page</p>", blob({entry(3, "body{}"), entry(4, image_size(3, 4))}));
  const auto unpacked = resources::unpack(input, kHtmlLimit);
  ASSERT_TRUE(unpacked.ok());
  EXPECT_EQ(unpacked->html, "<p>page</p>");
  EXPECT_EQ(describe_decode(document, unpacked->blob), "ok 3='body{}' 4=3x4#4");
}

}  // namespace
}  // namespace kivo_engine
