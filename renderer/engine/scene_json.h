// The JSON writer of the paint scene: the single output line of a scene run.
//
// Limits: the writer streams the scene in one pass through a batch of about
// 16 KiB, never building the whole text in memory. The inspection nodes it
// appends are capped at 2,000 (see node_report.h). Every number written must
// be finite: the writer checks the scene's own numbers before writing its
// first byte, and any other number as it goes, and fails instead of writing a
// non-finite value.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "dom/document.h"
#include "json/io.h"
#include "json/write.h"
#include "layout/scene.h"

namespace kivo_style {
struct StyledDocument;
}

namespace kivo_engine::scene_json {

using kivo_dom::Result;
using kivo_json::IoError;

// Writes the scene JSON (version 2) with the title, the style warnings and the
// inspection nodes, ending with one line feed. Does not flush. Fails with the
// first write error, or before writing anything when a scene number is not finite.
Result<void, IoError> write(const kivo_layout::Scene& scene, std::string_view title,
                            std::span<const std::string> warnings, const kivo_dom::Document& document,
                            const kivo_style::StyledDocument& styled, kivo_json::Output& out);

// The error of a number that must never reach JSON (infinite or not a number).
IoError non_finite_number_error();

// Writes a finite float in the F form; a non-finite value is an error and nothing is written.
Result<void, IoError> write_finite_f32(float value, kivo_json::Output& out);

// Appends "x":..,"y":..,"width":..,"height":.. without braces or a leading
// comma to a batch; false, after the text before it, at the first number that
// is not finite.
bool append_rect(kivo_json::Batch& text, const kivo_layout::Rect& rect);

}  // namespace kivo_engine::scene_json
