// The paint scene that layout produces for one document at one viewport width.
// The engine writes it as the single output line of a scene run
// (engine/scene_json.h).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "dom/document.h"
#include "dom/node.h"

namespace kivo_layout {

// A box in CSS pixels; the origin is the document's top-left corner, y grows down.
struct Rect {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;

  friend bool operator==(const Rect&, const Rect&) = default;
};

// Colours are packed 0xRRGGBBAA: red in the most significant byte, alpha in the least.
using Color = std::uint32_t;

// One paint command: a filled and bordered box, a run of text, or an image.
struct Paint {
  struct Box {
    Color background = 0;
    Color border = 0;
    float border_width = 0;
    float radius = 0;
  };
  struct Text {
    std::string text;
    float size = 0;
    bool bold = false;
    Color color = 0;
  };
  struct Image {
    // The image's manifest index; the application draws its own bitmap for it.
    std::uint32_t image_id = 0;
    std::string alt;
  };

  Rect rect;
  // The link target when the content lies inside a link.
  std::optional<std::string> href;
  std::variant<Box, Text, Image> content;

  // Builds a box paint.
  static Paint box(Rect rect, Color background, Color border, float border_width, float radius,
                   std::optional<std::string> href = std::nullopt) {
    return Paint{rect, std::move(href), Box{background, border, border_width, radius}};
  }
  // Builds a text paint.
  static Paint text_run(Rect rect, std::string text, float size, bool bold, Color color,
                        std::optional<std::string> href = std::nullopt) {
    return Paint{rect, std::move(href), Text{std::move(text), size, bold, color}};
  }
  // Builds an image paint.
  static Paint image(Rect rect, std::uint32_t image_id, std::string alt,
                     std::optional<std::string> href = std::nullopt) {
    return Paint{rect, std::move(href), Image{image_id, std::move(alt)}};
  }

  bool is_box() const { return std::holds_alternative<Box>(content); }
  bool is_text() const { return std::holds_alternative<Text>(content); }
  bool is_image() const { return std::holds_alternative<Image>(content); }
  // The payload of that kind, or nullptr when the paint is another kind.
  const Box* as_box() const { return std::get_if<Box>(&content); }
  const Text* as_text() const { return std::get_if<Text>(&content); }
  const Image* as_image() const { return std::get_if<Image>(&content); }
  Box* as_box() { return std::get_if<Box>(&content); }
  Text* as_text() { return std::get_if<Text>(&content); }
  Image* as_image() { return std::get_if<Image>(&content); }
};

// What layout produced for one document at one viewport width.
struct Scene {
  // The commands in the order layout pushed them.
  std::vector<Paint> paints;
  // The box recorded for each laid-out node; only looked up, never iterated.
  std::unordered_map<kivo_dom::NodeId, Rect> bounds;
  // Fragment name to the y of the element that first declared it, by name bytes.
  std::map<std::string, float, std::less<>> anchors;
  // The page width: the viewport width, raised to the furthest right edge.
  float width = 0;
  // The page height: the lowest bottom edge recorded, at least 1 when finished.
  float height = 0;

  // Records an anchor unless the name is already taken; the first y wins.
  void add_anchor(std::string_view name, float y) {
    if (anchors.find(name) == anchors.end()) anchors.emplace(std::string(name), y);
  }
};

}  // namespace kivo_layout
