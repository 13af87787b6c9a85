#include "engine/scene_json.h"

#include <cmath>

#include "engine/node_report.h"
#include "support/wire_contract.h"

namespace kivo_engine::scene_json {

using kivo_layout::Paint;
using kivo_layout::Rect;
using kivo_layout::Scene;
using namespace std::string_view_literals;

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

// Appends the F form of a number that must be finite; false (nothing
// appended) when it is not.
bool append_finite_f32(kivo_json::Batch& text, float value) {
  if (!std::isfinite(value)) return false;
  kivo_json::append_f32(text, value);
  return true;
}

// Appends one paint command; false at the first number that is not finite.
bool append_paint(kivo_json::Batch& text, const Paint& paint) {
  if (const auto* box = paint.as_box()) {
    text.put("{\"kind\":\"box\","sv);
    if (!append_rect(text, paint.rect)) return false;
    text.put(",\"background\":"sv);
    kivo_json::append_u64(text, box->background);
    text.put(",\"border\":"sv);
    kivo_json::append_u64(text, box->border);
    text.put(",\"borderWidth\":"sv);
    if (!append_finite_f32(text, box->border_width)) return false;
    text.put(",\"radius\":"sv);
    if (!append_finite_f32(text, box->radius)) return false;
  } else if (const auto* run = paint.as_text()) {
    text.put("{\"kind\":\"text\","sv);
    if (!append_rect(text, paint.rect)) return false;
    text.put(",\"size\":"sv);
    if (!append_finite_f32(text, run->size)) return false;
    text.put(run->bold ? ",\"bold\":true,\"color\":"sv : ",\"bold\":false,\"color\":"sv);
    kivo_json::append_u64(text, run->color);
    text.put(",\"text\":"sv);
    kivo_json::append_string(text, run->text);
  } else {
    const auto* image = paint.as_image();
    KIVO_CHECK(image != nullptr);
    text.put("{\"kind\":\"image\","sv);
    if (!append_rect(text, paint.rect)) return false;
    text.put(",\"imageId\":"sv);
    kivo_json::append_u64(text, image->image_id);
    text.put(",\"text\":"sv);
    kivo_json::append_string(text, image->alt);
  }
  text.put(",\"href\":"sv);
  if (paint.href) {
    kivo_json::append_string(text, *paint.href);
  } else {
    text.put("null"sv);
  }
  text.put("}"sv);
  return true;
}

// Ends a batched write with a number that must not reach JSON: what was
// collected before it still goes out, as it would have token by token.
Result<void, IoError> fail_non_finite(kivo_json::Batch& batch) {
  KIVO_TRY(batch.pass_all());
  return kivo_dom::err(non_finite_number_error());
}

}  // namespace

IoError non_finite_number_error() { return IoError::invalid_data("scene number is not finite"); }

Result<void, IoError> write_finite_f32(float value, kivo_json::Output& out) {
  if (!std::isfinite(value)) return kivo_dom::err(non_finite_number_error());
  return kivo_json::write_f32(value, out);
}

bool append_rect(kivo_json::Batch& text, const Rect& rect) {
  text.put("\"x\":"sv);
  if (!append_finite_f32(text, rect.x)) return false;
  text.put(",\"y\":"sv);
  if (!append_finite_f32(text, rect.y)) return false;
  text.put(",\"width\":"sv);
  if (!append_finite_f32(text, rect.width)) return false;
  text.put(",\"height\":"sv);
  return append_finite_f32(text, rect.height);
}

Result<void, IoError> write(const Scene& scene, std::string_view title, std::span<const std::string> warnings,
                            const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                            kivo_json::Output& out) {
  if (!scene_numbers_are_finite(scene)) return kivo_dom::err(non_finite_number_error());
  // The many small tokens are collected in memory and reach the output in
  // large pieces; the bytes are the same.
  kivo_json::Batch batch(out);
  static_assert(kivo_wire::kSceneVersion == 2, "the scene line's head below names its version");
  batch.put("{\"version\":2,\"width\":"sv);
  kivo_json::append_f32(batch, scene.width);
  batch.put(",\"height\":"sv);
  kivo_json::append_f32(batch, scene.height);
  batch.put(",\"title\":"sv);
  kivo_json::append_string(batch, title);

  batch.put(",\"warnings\":["sv);
  for (std::size_t i = 0; i < warnings.size(); ++i) {
    if (i > 0) batch.put(","sv);
    kivo_json::append_string(batch, warnings[i]);
    KIVO_TRY(batch.pass());
  }

  batch.put("],\"anchors\":{"sv);
  bool first = true;
  for (const auto& [name, y] : scene.anchors) {
    if (!first) batch.put(","sv);
    first = false;
    kivo_json::append_string(batch, name);
    batch.put(":"sv);
    kivo_json::append_f32(batch, y);
    KIVO_TRY(batch.pass());
  }

  batch.put("},\"commands\":["sv);
  for (std::size_t i = 0; i < scene.paints.size(); ++i) {
    if (i > 0) batch.put(","sv);
    if (!append_paint(batch, scene.paints[i])) return fail_non_finite(batch);
    KIVO_TRY(batch.pass());
  }
  batch.put("]"sv);

  KIVO_TRY(inspection::write_nodes(document, styled, scene, batch));
  batch.put("}\n"sv);
  return batch.pass_all();
}

}  // namespace kivo_engine::scene_json
