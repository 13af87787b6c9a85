// Fuzz target: the HTML parser, and the two writers that read only the tree
// (the manifest and the presentation blocks), whose JSON must stay well formed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "dom/result.h"
#include "dom/text.h"
#include "engine/presentation.h"
#include "engine/resources.h"
#include "html/parser.h"
#include "json/io.h"
#include "json_check.h"

namespace {

// Every node but the root hangs below exactly the parent that lists it, and
// the tree stays inside the parse limits.
void require_sound_tree(const kivo_dom::Document& document) {
  const auto& limits = kivo_html::kRendererLimits;
  KIVO_CHECK(!document.nodes.empty() && document.nodes.size() <= limits.max_nodes);
  KIVO_CHECK(!document.node(document.root()).parent.has_value());
  std::vector<std::size_t> listed(document.nodes.size(), 0);
  for (std::uint32_t i = 0; i < document.nodes.size(); ++i) {
    const kivo_dom::NodeId id{document.id, i};
    for (const kivo_dom::NodeId child : document.node(id).children) {
      KIVO_CHECK(document.contains(child));
      KIVO_CHECK(document.node(child).parent == id);
      ++listed[child.index];
    }
  }
  for (std::size_t i = 1; i < listed.size(); ++i) KIVO_CHECK(listed[i] == 1);
}

void require_json(const kivo_json::StringOutput& out, const char* what) {
  if (auto error = kivo_fuzz::json_lines_error(out.text)) {
    std::fprintf(stderr, "%s JSON is malformed: %s\n", what, error->c_str());
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view html(reinterpret_cast<const char*>(data), size);
  // The envelope reader hands the parser valid UTF-8 only.
  if (!kivo_dom::text::is_valid_utf8(html)) return 0;
  auto document = kivo_html::parser::parse_web(html, kivo_html::kRendererLimits);
  if (!document) {
    if (document.error().display().empty()) std::abort();
    return 0;
  }
  require_sound_tree(*document);
  kivo_json::StringOutput manifest;
  KIVO_CHECK(kivo_engine::Manifest::discover(*document).write_json(manifest).ok());
  require_json(manifest, "manifest");
  kivo_json::StringOutput blocks;
  KIVO_CHECK(kivo_engine::presentation::write_json(*document, blocks).ok());
  require_json(blocks, "presentation");
  KIVO_CHECK(blocks.text.rfind("{\"version\":1,", 0) == 0);
  KIVO_CHECK(!kivo_engine::presentation::document_title(*document).empty());
  return 0;
}
