// Fuzz target: CSS parsing and the cascade. The input is the text of one
// delivered stylesheet of a small fixed page (and, on its own, a declaration
// block and a whole sheet); the styled page is then laid out and written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>

#include "dom/result.h"
#include "dom/text.h"
#include "engine/resources.h"
#include "html/parser.h"
#include "scene_check.h"
#include "style/cascade.h"
#include "style/declarations.h"
#include "style/parser.h"

namespace {

// Every element kind, display and selector hook the style subset knows about.
constexpr std::string_view kPage =
    "<!DOCTYPE html><html lang=tr><head><title>Sayfa</title><link rel=stylesheet href=a.css>"
    "<style>p{margin:4px}</style></head><body class=b>"
    "<div id=main class=\"c d\" title=x><h1>Ba\xC5\x9Fl\xC4\xB1k</h1><p>Text <a href=\"#x\">link</a> "
    "<b>bold</b> <span class=s>more</span><br>after</p><ul><li>one</li><li class=c>two</li></ul>"
    "<img src=i.png alt=pic width=20><pre>a  b\n c</pre>"
    "<div class=f style=\"display:flex;gap:4px\"><span>f1</span><p>f2 words here</p><div></div></div>"
    "<div class=g style=\"display:grid;grid-template-columns:1fr 20px\"><p>g1</p><p>g2</p><p>g3</p></div>"
    "<table><tr><td>cell</td></tr></table><section id=x><article><em>e</em></article></section>"
    "</div></body></html>";

struct Page {
  kivo_dom::Document document;
  kivo_dom::NodeId link;
  kivo_layout::ImageTable images;
};

const Page& page() {
  static const Page parsed = [] {
    auto document = kivo_html::parser::parse_web(kPage, kivo_html::kRendererLimits);
    KIVO_CHECK(document.ok());
    const auto manifest = kivo_engine::Manifest::discover(*document);
    Page p{std::move(*document), {}, {}};
    for (const auto& resource : manifest.resources) {
      if (resource.kind == kivo_engine::Resource::kStylesheet) p.link = resource.node;
      if (resource.kind == kivo_engine::Resource::kImage) p.images.emplace(resource.node, kivo_layout::ImageSize{1, 40, 30});
    }
    return p;
  }();
  return parsed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view css(reinterpret_cast<const char*>(data), size);
  // Stylesheets and style attributes always reach the parsers as valid UTF-8.
  if (!kivo_dom::text::is_valid_utf8(css)) return 0;

  kivo_style::WarningList block_warnings;
  auto declarations = kivo_style::parser::declarations(css, block_warnings);
  if (!declarations && declarations.error().empty()) std::abort();

  kivo_style::WarningList sheet_warnings;
  auto rules = kivo_style::parser::stylesheet(css, sheet_warnings, 800);
  if (!rules && rules.error().empty()) std::abort();

  // The width varies with the input so that media queries meet both sides.
  static constexpr float kWidths[] = {kivo_style::kMinViewportWidth, 375, 800, kivo_style::kMaxViewportWidth};
  const float width = kWidths[size % 4];
  const Page& p = page();
  const std::unordered_map<kivo_dom::NodeId, std::string> sheets{{p.link, std::string(css)}};
  auto styled = kivo_style::compute_web_at_width(p.document, sheets, width);
  // Author CSS never fails the cascade; it falls back to the built-in styles.
  KIVO_CHECK(styled.ok());
  kivo_fuzz::check_scene(p.document, *styled, p.images, width);
  return 0;
}
