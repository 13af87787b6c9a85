#include "layout/scene.h"

#include <cmath>

#include "layout/inspection.h"
#include "layout/protocol.h"

// Returns early from the enclosing writer with the first write error.
#define KIVO_TRY_WRITE(expr)              \
  do {                                    \
    if (auto r_ = (expr); !r_) return r_; \
  } while (false)

namespace kivo_layout {

namespace {

bool rect_is_finite(const Rect& r) {
  return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

// True when every number the scene itself contributes to the JSON is finite, so
// a broken value is refused before the first byte of the line is written.
bool scene_numbers_are_finite(const Scene& scene) {
  if (!std::isfinite(scene.width) || !std::isfinite(scene.height)) return false;
  for (const auto& [name, y] : scene.anchors) {
    if (!std::isfinite(y)) return false;
  }
  for (const Paint& paint : scene.paints) {
    if (!rect_is_finite(paint.rect)) return false;
    if (const auto* box = paint.as_box()) {
      if (!std::isfinite(box->border_width) || !std::isfinite(box->radius)) return false;
    } else if (const auto* text = paint.as_text()) {
      if (!std::isfinite(text->size)) return false;
    }
  }
  for (const auto& [node, rect] : scene.bounds) {
    if (!rect_is_finite(rect)) return false;
  }
  return true;
}

Result<void, IoError> write_paint(const Paint& paint, Output& out) {
  if (const auto* box = paint.as_box()) {
    KIVO_TRY_WRITE(out.write("{\"kind\":\"box\","));
    KIVO_TRY_WRITE(protocol::rect(paint.rect, out));
    KIVO_TRY_WRITE(out.write(",\"background\":"));
    KIVO_TRY_WRITE(protocol::write_u64(box->background, out));
    KIVO_TRY_WRITE(out.write(",\"border\":"));
    KIVO_TRY_WRITE(protocol::write_u64(box->border, out));
    KIVO_TRY_WRITE(out.write(",\"borderWidth\":"));
    KIVO_TRY_WRITE(protocol::write_finite_f32(box->border_width, out));
    KIVO_TRY_WRITE(out.write(",\"radius\":"));
    KIVO_TRY_WRITE(protocol::write_finite_f32(box->radius, out));
  } else if (const auto* text = paint.as_text()) {
    KIVO_TRY_WRITE(out.write("{\"kind\":\"text\","));
    KIVO_TRY_WRITE(protocol::rect(paint.rect, out));
    KIVO_TRY_WRITE(out.write(",\"size\":"));
    KIVO_TRY_WRITE(protocol::write_finite_f32(text->size, out));
    KIVO_TRY_WRITE(out.write(",\"bold\":"));
    KIVO_TRY_WRITE(protocol::write_bool(text->bold, out));
    KIVO_TRY_WRITE(out.write(",\"color\":"));
    KIVO_TRY_WRITE(protocol::write_u64(text->color, out));
    KIVO_TRY_WRITE(out.write(",\"text\":"));
    KIVO_TRY_WRITE(protocol::write_string(text->text, out));
  } else {
    const auto* image = paint.as_image();
    KIVO_CHECK(image != nullptr);
    KIVO_TRY_WRITE(out.write("{\"kind\":\"image\","));
    KIVO_TRY_WRITE(protocol::rect(paint.rect, out));
    KIVO_TRY_WRITE(out.write(",\"imageId\":"));
    KIVO_TRY_WRITE(protocol::write_u64(image->image_id, out));
    KIVO_TRY_WRITE(out.write(",\"text\":"));
    KIVO_TRY_WRITE(protocol::write_string(image->alt, out));
  }
  KIVO_TRY_WRITE(protocol::link(paint.href, out));
  return out.write("}");
}

}  // namespace

IoError non_finite_number_error() { return IoError::invalid_data("scene number is not finite"); }

namespace protocol {

Result<void, IoError> write_finite_f32(float value, Output& out) {
  if (!std::isfinite(value)) return kivo_dom::err(non_finite_number_error());
  return write_f32(value, out);
}

Result<void, IoError> link(const std::optional<std::string>& href, Output& out) {
  KIVO_TRY_WRITE(out.write(",\"href\":"));
  if (!href) return out.write("null");
  return write_string(*href, out);
}

Result<void, IoError> rect(const Rect& rect, Output& out) {
  KIVO_TRY_WRITE(out.write("\"x\":"));
  KIVO_TRY_WRITE(write_finite_f32(rect.x, out));
  KIVO_TRY_WRITE(out.write(",\"y\":"));
  KIVO_TRY_WRITE(write_finite_f32(rect.y, out));
  KIVO_TRY_WRITE(out.write(",\"width\":"));
  KIVO_TRY_WRITE(write_finite_f32(rect.width, out));
  KIVO_TRY_WRITE(out.write(",\"height\":"));
  return write_finite_f32(rect.height, out);
}

}  // namespace protocol

Result<void, IoError> Scene::write_json(std::string_view title, std::span<const std::string> warnings,
                                        const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                                        Output& out) const {
  if (!scene_numbers_are_finite(*this)) return kivo_dom::err(non_finite_number_error());
  KIVO_TRY_WRITE(out.write("{\"version\":2,\"width\":"));
  KIVO_TRY_WRITE(protocol::write_f32(width, out));
  KIVO_TRY_WRITE(out.write(",\"height\":"));
  KIVO_TRY_WRITE(protocol::write_f32(height, out));
  KIVO_TRY_WRITE(out.write(",\"title\":"));
  KIVO_TRY_WRITE(protocol::write_string(title, out));

  KIVO_TRY_WRITE(out.write(",\"warnings\":["));
  for (std::size_t i = 0; i < warnings.size(); ++i) {
    if (i > 0) KIVO_TRY_WRITE(out.write(","));
    KIVO_TRY_WRITE(protocol::write_string(warnings[i], out));
  }

  KIVO_TRY_WRITE(out.write("],\"anchors\":{"));
  bool first = true;
  for (const auto& [name, y] : anchors) {
    if (!first) KIVO_TRY_WRITE(out.write(","));
    first = false;
    KIVO_TRY_WRITE(protocol::write_string(name, out));
    KIVO_TRY_WRITE(out.write(":"));
    KIVO_TRY_WRITE(protocol::write_f32(y, out));
  }

  KIVO_TRY_WRITE(out.write("},\"commands\":["));
  for (std::size_t i = 0; i < paints.size(); ++i) {
    if (i > 0) KIVO_TRY_WRITE(out.write(","));
    KIVO_TRY_WRITE(write_paint(paints[i], out));
  }
  KIVO_TRY_WRITE(out.write("]"));

  KIVO_TRY_WRITE(inspection::write_nodes(document, styled, *this, out));
  return out.write("}\n");
}

}  // namespace kivo_layout
