#include "corpus.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "envelope.h"
#include "html/parser.h"
#include "layout/context.h"
#include "typical_page.h"
#include "words.h"

namespace bench_renderer {
namespace {

using bench_pages::Words;
using bench_pages::scaled;

Case scene_case(std::string name, std::string summary, std::string input, std::string expected_error = {}) {
  return Case{std::move(name), std::move(summary), "1024", std::move(input), std::move(expected_error)};
}

}  // namespace

namespace pages {

Case empty(double) { return scene_case("empty", "one paragraph: the fixed cost of a run", "<p>Kivo</p>"); }

Case typical(double scale) {
  const bench_pages::TypicalPage page = bench_pages::typical_page(scale);
  std::vector<ImagePixels> sizes;
  for (const bench_pages::ImageSize& size : page.images) sizes.push_back({size.width, size.height});
  return scene_case("typical", "50 KB HTML, 10 KB CSS, 8 images", deliver(page.html, {page.stylesheet}, sizes));
}

Case text(double scale) {
  Words words(23, 20'000);
  const std::size_t max_html = kivo_html::kRendererLimits.max_input_bytes;
  const std::size_t target = std::min<std::size_t>(max_html, scaled(max_html, scale));
  // A flex column measures its items before laying them out, so the widths
  // asked for outrun the paints and the measurement limit is met first.
  const std::string_view end = "</main></body></html>";
  std::string html =
      "<!DOCTYPE html><html><head><title>Metin</title></head><body>"
      "<main style=\"display:flex;flex-direction:column\">";
  for (;;) {
    std::string paragraph = "<p>" + words.run(40 + words.random().below(80)) + "</p>";
    if (html.size() + paragraph.size() + end.size() > target) break;
    html += paragraph;
  }
  html += end;
  return scene_case("text-1mib", "1 MiB of text: the measurement limit", html,
                    scale >= 0.5 ? std::string(kivo_layout::kMeasurementLimitError) : std::string());
}

Case manifest(double scale) {
  Words words(31, 2000);
  // The root, html and body are nodes too.
  const std::size_t limit = std::min<std::size_t>(kivo_html::kRendererLimits.max_nodes, scaled(50'000, scale));
  std::size_t nodes = 3;
  std::string html = "<html><body>";
  for (std::size_t i = 0;; ++i) {
    std::string item;
    std::size_t cost = 2;
    switch (i % 8) {
      case 0:
        item = "<img src=\"/i/" + std::to_string(i) + ".png\">";
        cost = 1;
        break;
      case 1:
        item = "<a href=\"/p/" + std::to_string(i) + "\">" + words.next() + "</a>";
        break;
      case 2:
        item = "<link rel=stylesheet href=\"/s/" + std::to_string(i) + ".css\">";
        cost = 1;
        break;
      default:
        item = "<p>" + words.run(3) + "</p>";
    }
    if (nodes + cost > limit) break;
    nodes += cost;
    html += item;
  }
  html += "</body></html>";
  return Case{"manifest-50k", "50,000 nodes, manifest mode", "0", html, {}};
}

Case cascade(double scale) {
  Words words(41, 1500);
  constexpr std::size_t kRules = 500;
  const std::size_t elements = std::max<std::size_t>(1, scaled(2'000, scale));
  std::string css;
  for (std::size_t r = 0; r < kRules; ++r) {
    const std::string n = std::to_string(r);
    switch (r % 6) {
      case 0: css += ".c" + n + "{color:#" + std::to_string(100 + r % 900) + "}"; break;
      case 1: css += "div.g" + std::to_string(r % 50) + " p.c" + n + "{padding:1px}"; break;
      case 2: css += "#e" + std::to_string(r * 3) + "{margin:2px 0}"; break;
      case 3: css += ".g" + std::to_string(r % 50) + " > .k" + std::to_string(r % 7) + "{font-weight:bold}"; break;
      case 4: css += "body div p span.s" + n + "{color:#123456}"; break;
      default: css += "[data-k=\"" + n + "\"]:first-child{background-color:#eee}";
    }
  }
  std::string html = "<!DOCTYPE html><html><head><title>Kurallar</title><style>" + css + "</style></head><body>";
  for (std::size_t e = 0; e < elements; ++e) {
    if (e % 20 == 0) html += (e > 0 ? "</div>" : "") + std::string("<div class=g") + std::to_string(e / 20 % 50) + ">";
    const std::string n = std::to_string(e);
    html += "<p class=\"c" + std::to_string(e % kRules) + " k" + std::to_string(e % 7) + "\" id=e" + n +
            " data-k=\"" + std::to_string(e % kRules) + "\">" + words.run(2) + " <span class=s" +
            std::to_string(e % kRules) + ">" + words.next() + "</span></p>";
  }
  html += "</div></body></html>";
  return scene_case("cascade-2000x500", "2,000 elements x 500 rules: matching budget, fallback", html);
}

namespace {

constexpr std::size_t kMaxNestedFlex = 124;

}  // namespace

Case flex_nested(double scale) {
  Words words(53, 500);
  // html and body lie above the containers, and the span and its text below
  // the deepest one; the cascade allows 128 levels below the document.
  const std::size_t depth = std::clamp<std::size_t>(scaled(kMaxNestedFlex, scale), 1, kMaxNestedFlex);
  std::string html =
      "<html><head><style>.f{display:flex;padding:1px;gap:2px;align-items:center}"
      ".f:first-child{flex-direction:column}</style></head><body>";
  for (std::size_t i = 0; i < depth; ++i) html += "<div class=f><span>" + words.run(2) + "</span>";
  html += words.run(3);
  for (std::size_t i = 0; i < depth; ++i) html += "</div>";
  html += "</body></html>";
  return scene_case("flex-nested-128", "flex nested to the depth limit, with text", html);
}

Case flex_wrap(double scale) {
  Words words(61, 800);
  const std::size_t items = std::max<std::size_t>(1, scaled(512, scale));
  std::string html =
      "<html><head><style>.row{display:flex;flex-wrap:wrap;gap:4px 6px;justify-content:space-between}"
      ".item{flex:1 1 auto;padding:4px;margin:2px;border:1px solid #ccc}.fixed{flex:0 0 120px}"
      ".auto{margin-left:auto}</style></head><body><div class=row>";
  for (std::size_t i = 0; i < items; ++i) {
    const char* extra = i % 7 == 0 ? " fixed" : i % 11 == 0 ? " auto" : "";
    html += "<div class=\"item" + std::string(extra) + "\">" + words.run(1 + words.random().below(4)) + "</div>";
  }
  html += "</div></body></html>";
  return scene_case("flex-wrap-512", "one wrapping flex row of 512 items", html);
}

Case grid(double scale) {
  Words words(71, 1200);
  // A grid container holds at most 512 items; the page has several of 504.
  constexpr std::size_t kPerGrid = 504;
  const std::size_t items = std::max<std::size_t>(1, scaled(2'520, scale));
  std::string html =
      "<html><head><style>.grid{display:grid;grid-template-columns:repeat(4,60px 1fr 2fr);gap:4px;"
      "margin-bottom:8px}.cell{padding:2px;border:1px solid #ddd}</style></head><body>";
  for (std::size_t i = 0; i < items; ++i) {
    if (i % kPerGrid == 0) html += (i > 0 ? "</div>" : "") + std::string("<div class=grid>");
    html += "<div class=cell>" + words.run(1 + i % 3) + "</div>";
  }
  html += "</div></body></html>";
  return scene_case("grid-12col", "12-column grids (px and fr), 2,520 items", html);
}

namespace {

// A paragraph of `words` words, all inside one link whose target is `href_bytes` long.
std::string linked_words(std::size_t count, std::size_t href_bytes) {
  Words words(83, 400);
  std::string href = "https://example.test/";
  href.resize(std::max(href.size(), href_bytes), 'x');
  return "<html><head><title>Boyalar</title></head><body><p><a href=\"" + href + "\">" + words.run(count) +
         "</a></p></body></html>";
}

// Words of the nominal page, and its link length: 19,000 runs of 128 bytes
// plus the link and about 5.7 bytes of text each come to about 8.25 MB.
constexpr std::size_t kPaintWords = 19'000;
constexpr std::size_t kPaintHref = 300;

}  // namespace

Case paints(double scale) {
  return scene_case("paints-near-limit", "19,000 paints, 8.2 MB of paint data",
                    linked_words(scaled(kPaintWords, scale), kPaintHref));
}

Case paints_over(double scale) {
  // A shorter link keeps the paint data well under its budget, so the count fails first.
  return scene_case("paints-over-limit", "20,500 words: the paint limit",
                    linked_words(scaled(20'500, scale), 100), std::string(kivo_layout::kPaintCountError));
}

}  // namespace pages

const std::vector<CaseKind>& case_kinds() {
  static const std::vector<CaseKind> kinds = {
      {"empty", pages::empty, 0},
      {"typical", pages::typical, 0.5},
      {"text-1mib", pages::text, 1.0 / 64},
      {"manifest-50k", pages::manifest, 0.5},
      {"cascade-2000x500", pages::cascade, 0.125},
      {"flex-nested-128", pages::flex_nested, 0.5},
      {"flex-wrap-512", pages::flex_wrap, 0.5},
      {"grid-12col", pages::grid, 0.5},
      {"paints-near-limit", pages::paints, 0.5},
      {"paints-over-limit", pages::paints_over, 0},
  };
  return kinds;
}

Case file_case(const std::string& path, std::string content) {
  const std::size_t slash = path.rfind('/');
  return scene_case("file:" + path.substr(slash == std::string::npos ? 0 : slash + 1), path, std::move(content));
}

}  // namespace bench_renderer
