#include "scene_check.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/presentation.h"
#include "engine/scene_json.h"
#include "fake_measurer.h"
#include "json/io.h"
#include "json_check.h"
#include "layout/context.h"
#include "layout/layout.h"

namespace kivo_fuzz {

void check_scene(const kivo_dom::Document& document, const kivo_style::StyledDocument& styled,
                 const kivo_layout::ImageTable& images, float width) {
  FakeMeasurer measurer;
  auto scene = kivo_layout::layout_with_images(document, styled, measurer, images, width);
  // The budgets hold whether the run succeeds or not.
  KIVO_CHECK(measurer.calls() <= kivo_layout::kMaxMeasurements);
  if (!scene) {
    if (scene.error().message.empty()) std::abort();
    return;
  }
  KIVO_CHECK(scene->paints.size() <= kivo_layout::kMaxPaints);
  const std::string title = kivo_engine::presentation::document_title(document);
  kivo_json::StringOutput out;
  auto written = kivo_engine::scene_json::write(*scene, title, styled.warnings, document, styled, out);
  if (!written) {
    std::fprintf(stderr, "scene JSON not written: %s\n", written.error().display().c_str());
    std::abort();
  }
  if (auto error = json_lines_error(out.text)) {
    std::fprintf(stderr, "scene JSON is malformed: %s\n", error->c_str());
    std::abort();
  }
  if (out.text.rfind("{\"version\":", 0) != 0) {
    std::fprintf(stderr, "scene JSON does not start with its version\n");
    std::abort();
  }
}

}  // namespace kivo_fuzz
