#include "engine/scene_json.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "engine/node_report.h"
#include "style/cascade.h"

namespace kivo_engine::scene_json {
namespace {

using kivo_dom::Document;
using kivo_dom::NodeId;
using kivo_dom::NodeKind;
using kivo_json::Output;
using kivo_json::StringOutput;
using kivo_layout::Paint;
using kivo_layout::Rect;
using kivo_layout::Scene;

constexpr const char* kRootNode =
    "{\"id\":0,\"depth\":0,\"parent\":null,\"name\":\"#document\",\"text\":\"\",\"attributes\":{},"
    "\"computed\":{},\"bounds\":null}";

std::string scene_json(const Scene& scene, std::string_view title, const std::vector<std::string>& warnings,
                       const Document& document, const kivo_style::StyledDocument& styled) {
  StringOutput out;
  const auto result = write(scene, title, warnings, document, styled, out);
  EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error().display());
  return out.text;
}

// A scene and the exact line it must produce (root-only document, no styles).
struct SceneCase {
  const char* name;
  Scene scene;
  std::string title;
  std::vector<std::string> warnings;
  std::string expected;
};

Scene make_scene(float width, float height) {
  Scene scene;
  scene.width = width;
  scene.height = height;
  return scene;
}

std::vector<SceneCase> scene_cases() {
  std::vector<SceneCase> cases;
  cases.push_back({"empty", make_scene(800, 1), "Yerel belge", {},
                   std::string("{\"version\":2,\"width\":800,\"height\":1,\"title\":\"Yerel belge\",\"warnings\":[],"
                               "\"anchors\":{},\"commands\":[],\"nodes\":[") +
                       kRootNode + "],\"inspectorTruncated\":false}\n"});

  Scene paints = make_scene(997, 0.5f);
  paints.paints.push_back(Paint::box({0, 0, 997, 1.0f / 3.0f}, 0xFFFFFFFF, 0x292B38FF, 1, 4));
  paints.paints.push_back(Paint::text_run({-0.0f, 8, 24.5f, 16}, "Merhaba \"dünya\"", 13.5f, true, 0x000000FF,
                                          std::string("https://a.test/?q=\"x\"")));
  paints.paints.push_back(Paint::image({1, 2, 3, 4}, 7, "", std::string("/p")));
  paints.paints.push_back(Paint::text_run({0, 0, 1, 1}, "ince", 16, false, 0));
  cases.push_back(
      {"paints", paints, "T", {"b warning", "a \\ warning"},
       std::string("{\"version\":2,\"width\":997,\"height\":0.5,\"title\":\"T\","
                   "\"warnings\":[\"b warning\",\"a \\\\ warning\"],\"anchors\":{},\"commands\":["
                   "{\"kind\":\"box\",\"x\":0,\"y\":0,\"width\":997,\"height\":0.33333334,\"background\":4294967295,"
                   "\"border\":690698495,\"borderWidth\":1,\"radius\":4,\"href\":null},"
                   "{\"kind\":\"text\",\"x\":-0,\"y\":8,\"width\":24.5,\"height\":16,\"size\":13.5,\"bold\":true,"
                   "\"color\":255,\"text\":\"Merhaba \\\"dünya\\\"\",\"href\":\"https://a.test/?q=\\\"x\\\"\"},"
                   "{\"kind\":\"image\",\"x\":1,\"y\":2,\"width\":3,\"height\":4,\"imageId\":7,\"text\":\"\","
                   "\"href\":\"/p\"},"
                   "{\"kind\":\"text\",\"x\":0,\"y\":0,\"width\":1,\"height\":1,\"size\":16,\"bold\":false,"
                   "\"color\":0,\"text\":\"ince\",\"href\":null}],\"nodes\":[") +
           kRootNode + "],\"inspectorTruncated\":false}\n"});

  Scene anchors = make_scene(160, 1);
  anchors.add_anchor("b", 30);
  anchors.add_anchor("a", 20);
  anchors.add_anchor("B", 10);
  anchors.add_anchor("\xC3\xA9", 5);  // é sorts after every ASCII name by its bytes
  anchors.add_anchor("z", 0.1f);
  anchors.add_anchor("a", 99);  // a second declaration keeps the first y
  cases.push_back({"anchors", anchors, "", {},
                   std::string("{\"version\":2,\"width\":160,\"height\":1,\"title\":\"\",\"warnings\":[],"
                               "\"anchors\":{\"B\":10,\"a\":20,\"b\":30,\"z\":0.1,\"\xC3\xA9\":5},\"commands\":[],"
                               "\"nodes\":[") +
                       kRootNode + "],\"inspectorTruncated\":false}\n"});

  cases.push_back({"title escapes", make_scene(8192, 200000), "\t\n\x01 çğ \x7f /", {},
                   std::string("{\"version\":2,\"width\":8192,\"height\":200000,"
                               "\"title\":\"\\t\\n\\u0001 çğ \x7f /\",\"warnings\":[],\"anchors\":{},"
                               "\"commands\":[],\"nodes\":[") +
                       kRootNode + "],\"inspectorTruncated\":false}\n"});
  return cases;
}

TEST(SceneTest, WritesExactLines) {
  const Document document;
  const kivo_style::StyledDocument styled;
  for (const auto& c : scene_cases()) {
    SCOPED_TRACE(c.name);
    const std::string actual = scene_json(c.scene, c.title, c.warnings, document, styled);
    EXPECT_EQ(actual, c.expected) << "actual output:\n" << actual;
    // The document's only line feed is its last byte.
    EXPECT_EQ(actual.find('\n'), actual.size() - 1);
  }
}

// Accepts a fixed number of bytes, then fails every write and counts the attempts.
class FailingOutput final : public Output {
 public:
  explicit FailingOutput(std::size_t budget) : m_budget(budget) {}
  Result<void, IoError> write(std::string_view bytes) override {
    if (failed) {
      ++writes_after_failure;
      return kivo_dom::err(IoError::os(EPIPE));
    }
    if (bytes.size() > m_budget) {
      failed = true;
      return kivo_dom::err(IoError::os(EPIPE));
    }
    m_budget -= bytes.size();
    text.append(bytes);
    return {};
  }
  Result<void, IoError> flush() override { return {}; }

  std::string text;
  bool failed = false;
  int writes_after_failure = 0;

 private:
  std::size_t m_budget;
};

TEST(SceneTest, WriteErrorStopsAtOnceAndIsTheResult) {
  Scene scene = make_scene(800, 100);
  for (int i = 0; i < 50; ++i) scene.paints.push_back(Paint::text_run({0, float(i), 10, 10}, "abc", 16, false, 0));
  const Document document;
  const kivo_style::StyledDocument styled;
  const std::string whole = scene_json(scene, "t", {}, document, styled);
  // Cut inside the commands, at the first byte and at the last one.
  const std::size_t cuts[] = {whole.find("\"commands\"") + 200, 0, whole.size() - 1};
  for (const std::size_t cut : cuts) {
    FailingOutput out(cut);
    const auto result = write(scene, "t", {}, document, styled, out);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().display(), IoError::os(EPIPE).display());
    EXPECT_EQ(out.writes_after_failure, 0);
    EXPECT_EQ(whole.compare(0, out.text.size(), out.text), 0);
  }
}

TEST(SceneTest, NonFiniteNumberFailsBeforeTheFirstByte) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  std::vector<Scene> scenes(7, make_scene(800, 10));
  scenes[0].width = inf;
  scenes[1].height = nan;
  scenes[2].add_anchor("x", -inf);
  scenes[3].paints.push_back(Paint::box({0, nan, 1, 1}, 0, 0, 0, 0));
  scenes[4].paints.push_back(Paint::box({0, 0, 1, 1}, 0, 0, inf, 0));
  scenes[5].paints.push_back(Paint::text_run({0, 0, 1, 1}, "x", nan, false, 0));
  scenes[6].bounds.emplace(NodeId{12345, 0}, Rect{0, 0, inf, 0});
  const Document document;
  const kivo_style::StyledDocument styled;
  for (const auto& scene : scenes) {
    StringOutput out;
    const auto result = write(scene, "t", {}, document, styled, out);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().display(), non_finite_number_error().display());
    EXPECT_EQ(out.text, "");
  }
}

TEST(SceneTest, NonFiniteWriterRefusesWithoutWriting) {
  const float values[] = {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN()};
  for (const float value : values) {
    StringOutput out;
    EXPECT_FALSE(write_finite_f32(value, out).ok());
    EXPECT_EQ(out.text, "");
  }
  StringOutput out;
  ASSERT_TRUE(write_finite_f32(-0.0f, out).ok());
  EXPECT_EQ(out.text, "-0");
}

// ---- Inspection nodes, written inside the scene line ----

// Appends an element or text node under parent and returns its id.
NodeId add(Document& document, NodeId parent, NodeKind kind) {
  const NodeId id = document.insert(std::move(kind));
  EXPECT_TRUE(document.append_child(parent, id).ok());
  return id;
}

std::string nodes_json(const Document& document, const kivo_style::StyledDocument& styled, const Scene& scene) {
  StringOutput out;
  const auto result = inspection::write_nodes(document, styled, scene, out);
  EXPECT_TRUE(result.ok());
  return out.text;
}

std::string node_json(int id, int depth, const char* parent, const char* name, const std::string& text = "",
                      const std::string& attributes = "", const std::string& bounds = "null") {
  return "{\"id\":" + std::to_string(id) + ",\"depth\":" + std::to_string(depth) + ",\"parent\":" + parent +
         ",\"name\":\"" + name + "\",\"text\":\"" + text + "\",\"attributes\":{" + attributes +
         "},\"computed\":{},\"bounds\":" + bounds + "}";
}

TEST(InspectionNodesTest, PreOrderIdsDepthsAndParents) {
  Document document;
  const NodeId a = add(document, document.root(), NodeKind::element("a"));
  const NodeId b = add(document, a, NodeKind::element("b"));
  add(document, a, NodeKind::element("c"));
  add(document, b, NodeKind::element("d"));
  const std::string expected = ",\"nodes\":[" + node_json(0, 0, "null", "#document") + "," +
                               node_json(1, 1, "0", "a") + "," + node_json(2, 2, "1", "b") + "," +
                               node_json(3, 3, "2", "d") + "," + node_json(4, 2, "1", "c") +
                               "],\"inspectorTruncated\":false";
  EXPECT_EQ(nodes_json(document, {}, Scene{}), expected);
}

TEST(InspectionNodesTest, TextAttributesAndBounds) {
  Document document;
  const NodeId p = add(document, document.root(), NodeKind::element("p"));
  ASSERT_TRUE(document.set_attribute(p, "id", "x").ok());
  ASSERT_TRUE(document.set_attribute(p, "href", std::string(300, 'h')).ok());
  ASSERT_TRUE(document.set_attribute(p, "class", "k\"").ok());
  ASSERT_TRUE(document.set_attribute(p, std::string(300, 'n'), "ğ").ok());
  std::string long_text;
  for (int i = 0; i < 200; ++i) long_text += "ş";
  add(document, p, NodeKind::text(long_text));
  Scene scene;
  scene.bounds.emplace(p, Rect{8, 16.5f, 784, 24});

  std::string first160;
  for (int i = 0; i < 160; ++i) first160 += "ş";
  const std::string attributes = "\"class\":\"k\\\"\",\"href\":\"" + std::string(256, 'h') +
                                 "\",\"id\":\"x\",\"" + std::string(300, 'n') + "\":\"ğ\"";
  const std::string expected =
      ",\"nodes\":[" + node_json(0, 0, "null", "#document") + "," +
      node_json(1, 1, "0", "p", "", attributes, "{\"x\":8,\"y\":16.5,\"width\":784,\"height\":24}") + "," +
      node_json(2, 2, "1", "#text", first160) + "],\"inspectorTruncated\":false";
  EXPECT_EQ(nodes_json(document, {}, scene), expected);
}

TEST(InspectionNodesTest, StyledNodeCarriesItsComputedEntries) {
  Document document;
  const NodeId div = add(document, document.root(), NodeKind::element("div"));
  kivo_style::StyledDocument styled;
  kivo_style::Style style;
  style.width = kivo_style::Length::percent(50);
  styled.styles.emplace(div, style);
  const std::string json = nodes_json(document, styled, Scene{});
  StringOutput computed;
  ASSERT_TRUE(inspection::write_computed(&style, computed).ok());
  EXPECT_NE(json.find("\"name\":\"div\",\"text\":\"\",\"attributes\":{},\"computed\":" + computed.text +
                      ",\"bounds\":null}"),
            std::string::npos)
      << json;
  EXPECT_NE(computed.text.find("\"width\":\"50%\""), std::string::npos);
}

// Siblings whose styles repeat, differ in one field, differ only in the sign
// of a zero or come back after several others each carry their own style's
// computed text.
TEST(InspectionNodesTest, EachNodeCarriesItsOwnComputedText) {
  std::vector<kivo_style::Style> styles(12);
  styles[1].width = kivo_style::Length::px(10);
  styles[2].margin[3] = -0.0f;
  styles[3].padding[0] = -0.0f;
  styles[4].grid_template_columns = {kivo_style::Track::fr(1), kivo_style::Track::fr(1)};
  styles[5].line_height = kivo_style::LineHeight::px(1.5f);
  styles[6].margin_auto[1] = true;
  styles[7].flex_basis = kivo_style::Length::percent(0);
  styles[8].flex_basis = kivo_style::Length::px(0);
  styles[9].width = kivo_style::Length::px(-0.0f);
  styles[10].width = kivo_style::Length::px(10);
  // Every other field the text is made from, each after a plain style that
  // differs from it in that field alone.
  const std::vector<std::function<void(kivo_style::Style&)>> changes = {
      [](auto& s) { s.display = kivo_style::Display::Flex; },
      [](auto& s) { s.color = 0x112233FF; },
      [](auto& s) { s.background_color = 0x445566FF; },
      [](auto& s) { s.font_size = 13.5f; },
      [](auto& s) { s.bold = true; },
      [](auto& s) { s.border_width = 2; },
      [](auto& s) { s.border_color = 0x778899FF; },
      [](auto& s) { s.border_radius = 4; },
      [](auto& s) { s.max_width = kivo_style::Length::px(300); },
      [](auto& s) { s.min_width = kivo_style::Length::px(30); },
      [](auto& s) { s.height = 40.0f; },
      [](auto& s) { s.min_height = 20; },
      [](auto& s) { s.box_sizing = kivo_style::BoxSizing::BorderBox; },
      [](auto& s) { s.flex_direction = kivo_style::FlexDirection::Column; },
      [](auto& s) { s.flex_wrap = kivo_style::FlexWrap::Wrap; },
      [](auto& s) { s.flex_grow = 1; },
      [](auto& s) { s.flex_shrink = 0; },
      [](auto& s) { s.gap[1] = 8; },
      [](auto& s) { s.margin[0] = 5; },
      [](auto& s) { s.padding[2] = 6; },
  };
  for (const auto& change : changes) {
    styles.emplace_back();
    change(styles.emplace_back());
  }
  Document document;
  kivo_style::StyledDocument styled;
  std::string expected;
  for (const auto& style : styles) {
    styled.styles.emplace(add(document, document.root(), NodeKind::element("i")), style);
    StringOutput computed;
    ASSERT_TRUE(inspection::write_computed(&style, computed).ok());
    expected += "\"computed\":" + computed.text + ",";
  }
  const std::string json = nodes_json(document, styled, Scene{});
  std::string found;
  for (std::size_t at = json.find("\"computed\":{\""); at != std::string::npos;
       at = json.find("\"computed\":{\"", at + 1)) {
    found += json.substr(at, json.find('}', at) + 2 - at);
  }
  EXPECT_EQ(found, expected);
}

TEST(InspectionNodesTest, NonFiniteSiblingOfAnEqualStyleFails) {
  Document document;
  kivo_style::StyledDocument styled;
  kivo_style::Style style;
  styled.styles.emplace(add(document, document.root(), NodeKind::element("i")), style);
  style.margin[0] = std::numeric_limits<float>::quiet_NaN();
  styled.styles.emplace(add(document, document.root(), NodeKind::element("i")), style);
  StringOutput out;
  const auto result = inspection::write_nodes(document, styled, Scene{}, out);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.error().display(), non_finite_number_error().display());
}

// A flat document: the root with count - 1 element children.
Document flat_document(std::size_t count) {
  Document document;
  for (std::size_t i = 1; i < count; ++i) add(document, document.root(), NodeKind::element("i"));
  return document;
}

TEST(InspectionNodesTest, CapsAtTwoThousandNodes) {
  struct Case {
    std::size_t nodes;
    std::size_t written;
    bool truncated;
  };
  const Case cases[] = {{1999, 1999, false}, {2000, 2000, false}, {2001, 2000, true}, {2500, 2000, true}};
  for (const auto& c : cases) {
    const Document document = flat_document(c.nodes);
    const std::string json = nodes_json(document, {}, Scene{});
    std::size_t written = 0;
    for (std::size_t at = json.find("{\"id\":"); at != std::string::npos; at = json.find("{\"id\":", at + 1)) {
      ++written;
    }
    EXPECT_EQ(written, c.written) << c.nodes;
    const std::string last_id = "{\"id\":" + std::to_string(c.written - 1) + ",";
    EXPECT_NE(json.find(last_id), std::string::npos);
    const std::string tail = c.truncated ? "],\"inspectorTruncated\":true" : "],\"inspectorTruncated\":false";
    EXPECT_EQ(json.substr(json.size() - tail.size()), tail) << c.nodes;
  }
}

TEST(InspectionNodesTest, DeepChainNeedsNoRecursion) {
  Document document;
  NodeId parent = document.root();
  for (int i = 0; i < 5000; ++i) {
    const NodeId child = document.insert(NodeKind::element("s"));
    // Appending directly keeps building the chain linear.
    document.nodes[child.index].parent = parent;
    document.nodes[parent.index].children.push_back(child);
    parent = child;
  }
  const std::string json = nodes_json(document, {}, Scene{});
  EXPECT_NE(json.find("{\"id\":1999,\"depth\":1999,\"parent\":1998,"), std::string::npos);
  EXPECT_EQ(json.substr(json.size() - 5), ":true");
}

TEST(InspectionNodesTest, ForeignChildIsSkippedWithoutAnId) {
  Document document;
  const NodeId a = add(document, document.root(), NodeKind::element("a"));
  // Entries that name no node of this document: another document's id and an index past the end.
  document.nodes[a.index].children.push_back(NodeId{document.id + 1000, 1});
  document.nodes[a.index].children.push_back(NodeId{document.id, 999});
  add(document, a, NodeKind::element("b"));
  const std::string expected = ",\"nodes\":[" + node_json(0, 0, "null", "#document") + "," +
                               node_json(1, 1, "0", "a") + "," + node_json(2, 2, "1", "b") +
                               "],\"inspectorTruncated\":false";
  EXPECT_EQ(nodes_json(document, {}, Scene{}), expected);
}

}  // namespace
}  // namespace kivo_engine::scene_json
