#include "document/scene_run.h"

#include <string>

#include "document/measurer.h"
#include "engine/presentation.h"
#include "engine/resources.h"
#include "engine/scene_json.h"
#include "layout/layout.h"
#include "style/cascade.h"

namespace kivo_document {

kivo_dom::Result<void, RunError> run_scene(const kivo_dom::Document& document, std::string_view blob, float width,
                                           kivo_json::Output& out, Reader& in) {
  // 1. Decode the delivered stylesheets and image sizes against the document.
  auto loaded = kivo_engine::Loaded::decode(document, blob);
  if (!loaded) return kivo_dom::err(RunError::io(loaded.error()));

  // 2. Style every node at the width; this is also where the width is validated.
  auto styled = kivo_style::compute_web_at_width(document, loaded->stylesheets, width);
  if (!styled) return kivo_dom::err(RunError::style(styled.error().message));

  // 3. Ask the application for text widths over the run's own streams.
  RemoteMeasurer measurer(out, in);

  // 4. Lay the document out; every width not yet cached costs one exchange.
  auto scene = kivo_layout::layout_with_images(document, *styled, measurer, loaded->images, width);
  if (!scene) return kivo_dom::err(RunError::layout(scene.error().message));

  // 5. Only a laid-out document needs its title.
  const std::string title = kivo_engine::presentation::document_title(document);

  // 6. Write the one scene line after the last measurement request.
  if (auto r = kivo_engine::scene_json::write(*scene, title, styled->warnings, document, *styled, out); !r) {
    return kivo_dom::err(RunError::io(r.error()));
  }
  return {};
}

}  // namespace kivo_document
