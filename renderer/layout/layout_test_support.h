// Shared pieces of the layout tests: a measurer with a fixed width rule, a small
// tree builder with a style for every node, and a readable dump of a scene.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dom/document.h"
#include "dom/result.h"
#include "json/write.h"
#include "layout/scene.h"
#include "layout/text_measurer.h"
#include "style/cascade.h"
#include "style/values.h"

namespace kivo_layout::testing {

// Each UTF-8 character is 0.5 × size wide, bold text 10% wider, computed in
// double and rounded to a float: the rule the measuring harness answers with.
// Records every request it receives.
class FixedWidthMeasurer final : public TextMeasurer {
 public:
  kivo_dom::Result<float, std::string> width(std::string_view text, float size, bool bold) override {
    requests.emplace_back(text);
    if (answer) return answer(text);
    double characters = 0;
    for (const char c : text) {
      if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) characters += 1;
    }
    return static_cast<float>(characters * size * 0.5 * (bold ? 1.1 : 1.0));
  }

  std::vector<std::string> requests;
  // Replaces the rule when set: the answer (or error) for each text.
  std::function<kivo_dom::Result<float, std::string>(std::string_view)> answer;
};

// Builds a document by hand and gives every node the initial style (with the
// parent's inherited fields), which a test may then change.
class StyledTree {
 public:
  StyledTree() { styled.styles.emplace(document.root(), kivo_style::Style{}); }

  kivo_dom::NodeId root() const { return document.root(); }

  kivo_dom::NodeId element(kivo_dom::NodeId parent, std::string name,
                           std::initializer_list<std::pair<std::string, std::string>> attributes = {}) {
    const kivo_dom::NodeId id = document.insert(kivo_dom::NodeKind::element(std::move(name)));
    attach(parent, id);
    for (const auto& [key, value] : attributes) KIVO_CHECK(document.set_attribute(id, key, value).ok());
    return id;
  }

  kivo_dom::NodeId text(kivo_dom::NodeId parent, std::string characters) {
    const kivo_dom::NodeId id = document.insert(kivo_dom::NodeKind::text(std::move(characters)));
    attach(parent, id);
    return id;
  }

  kivo_style::Style& style(kivo_dom::NodeId node) { return styled.styles.at(node); }

  kivo_dom::Document document;
  kivo_style::StyledDocument styled;

 private:
  void attach(kivo_dom::NodeId parent, kivo_dom::NodeId child) {
    KIVO_CHECK(document.append_child(parent, child).ok());
    kivo_style::Style style;
    style.inherit_from(styled.styles.at(parent));
    styled.styles.emplace(child, std::move(style));
  }
};

inline std::string number(float value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  return kivo_json::f32_text(value);
}

inline std::string color_text(std::uint32_t color) {
  static const char* digits = "0123456789abcdef";
  std::string text = "#";
  for (int shift = 28; shift >= 0; shift -= 4) text += digits[(color >> shift) & 0xF];
  return text;
}

inline std::string rect_text(const Rect& rect) {
  return number(rect.x) + " " + number(rect.y) + " " + number(rect.width) + " " + number(rect.height);
}

// One line per paint, anchor and bounds of an element with an id, after a
// line with the page size. Values at their usual defaults are left out.
inline std::string dump(const Scene& scene, const kivo_dom::Document& document) {
  constexpr std::uint32_t kDefaultColor = 0x292B38FF;
  std::string out = "scene " + number(scene.width) + " " + number(scene.height) + "\n";
  for (const Paint& paint : scene.paints) {
    if (const Paint::Box* box = paint.as_box()) {
      out += "box " + rect_text(paint.rect);
      if (box->background != 0) out += " bg=" + color_text(box->background);
      if (box->border_width != 0) out += " border=" + number(box->border_width) + color_text(box->border);
      if (box->radius != 0) out += " radius=" + number(box->radius);
    } else if (const Paint::Text* run = paint.as_text()) {
      out += "text " + rect_text(paint.rect) + " \"" + run->text + "\"";
      if (run->size != 16) out += " size=" + number(run->size);
      if (run->bold) out += " bold";
      if (run->color != kDefaultColor) out += " color=" + color_text(run->color);
    } else if (const Paint::Image* image = paint.as_image()) {
      out += "image " + rect_text(paint.rect) + " id=" + std::to_string(image->image_id);
      if (!image->alt.empty()) out += " alt=\"" + image->alt + "\"";
    }
    if (paint.href) out += " href=\"" + *paint.href + "\"";
    out += "\n";
  }
  for (const auto& [name, y] : scene.anchors) out += "anchor " + name + " " + number(y) + "\n";
  for (std::size_t i = 0; i < document.nodes.size(); ++i) {
    const kivo_dom::NodeId id{document.id, i};
    const auto name = document.node(id).attribute("id");
    const auto bounds = scene.bounds.find(id);
    if (name && bounds != scene.bounds.end()) out += "bounds #" + std::string(*name) + " " + rect_text(bounds->second) + "\n";
  }
  return out;
}

}  // namespace kivo_layout::testing
