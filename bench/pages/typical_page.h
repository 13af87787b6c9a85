// The typical page of the benchmarks: about 50 KB of HTML (a menu, sections
// of paragraphs with links and bold runs, image galleries, tables, lists),
// one linked stylesheet of about 10 KB and the pixel sizes of its images.
// The renderer benchmark and the application's load benchmark both build it
// from this header, so both measure the same bytes. Standard C++ only: the
// caller packs the pieces into a resource envelope in its own way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "words.h"

namespace bench_pages {

// The delivered size of one image.
struct ImageSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// The pieces of the typical page.
struct TypicalPage {
  // The page's HTML; it links one stylesheet and holds up to 15 images.
  std::string html;
  // The text delivered for the linked stylesheet.
  std::string stylesheet;
  // The sizes delivered for the images, in turn, cycling.
  std::vector<ImageSize> images;
};

// The stylesheet of the typical page: its layout rules, then rules for the
// section variants until the text reaches `bytes`.
inline std::string typical_css(std::size_t bytes, Random& random) {
  std::string css =
      "body{margin:0;font-size:16px;color:#222;background-color:#fff}"
      "header.top{padding:12px 24px;background-color:#f4f4f4;border-bottom:1px solid #ddd}"
      ".menu{display:flex;flex-wrap:wrap;gap:12px;justify-content:space-between;margin:0;padding:0}"
      ".menu li{display:block;padding:4px 8px}.menu a{color:#06c;text-decoration:none}"
      "main{max-width:960px;margin:0 auto;padding:16px}"
      ".card{margin:16px 0;padding:12px;border:1px solid #e0e0e0;background-color:#fafafa}"
      ".card h2{font-size:22px;margin:0 0 8px 0;font-weight:bold}"
      ".card p{line-height:1.5;margin:8px 0}"
      ".gallery{display:grid;grid-template-columns:repeat(4,1fr);gap:8px}"
      ".gallery img{width:100%}"
      "table{border:1px solid #ccc}td,th{padding:4px 8px}"
      "footer.foot{padding:24px;font-size:13px;color:#666}"
      "@media (max-width: 600px){.gallery{grid-template-columns:1fr 1fr}}";
  static constexpr std::string_view kColors[] = {"#333", "#06c", "#a30", "#282", "#555", "#824"};
  for (std::size_t k = 0; css.size() < bytes; ++k) {
    css += ".v" + std::to_string(k % 40) + " p.t" + std::to_string(k) + "{color:" +
           std::string(kColors[random.below(std::size(kColors))]) + ";padding:" + std::to_string(random.below(8)) +
           "px;margin:" + std::to_string(random.below(12)) + "px 0}";
  }
  return css;
}

// The typical page at `scale` (1 is the nominal 50 KB of HTML and 10 KB of
// CSS; the image count grows with the scale up to 15).
inline TypicalPage typical_page(double scale) {
  Words words(11, 3000);
  const std::size_t target = scaled(50'000, scale);
  std::string html =
      "<!DOCTYPE html><html lang=tr><head><meta charset=utf-8><title>Kivo g\xC3\xBCnl\xC3\xBCk sayfa</title>"
      "<link rel=stylesheet href=/site.css><style>.note{color:#a60}</style></head><body>"
      "<header class=top><nav><ul class=menu>";
  for (int i = 0; i < 10; ++i) {
    html += "<li><a href=\"/section/" + std::to_string(i) + "\">" + words.next() + "</a></li>";
  }
  html += "</ul></nav></header><main id=content>";
  const std::size_t image_count = std::min<std::size_t>(15, scaled(8, scale));
  std::size_t images = 0;
  for (std::size_t section = 0; html.size() + 400 < target; ++section) {
    html += "<section class=\"card v" + std::to_string(section % 40) + "\" id=s" + std::to_string(section) +
            "><h2>" + words.run(4) + "</h2>";
    for (int p = 0; p < 3; ++p) {
      html += "<p class=t" + std::to_string(section * 3 + static_cast<std::size_t>(p)) + ">" + words.run(30) +
              " <a href=\"/a/" + std::to_string(section) + "\">" + words.run(3) + "</a> <b>" + words.run(2) +
              "</b> " + words.run(20) + " <em>" + words.next() + "</em>.</p>";
    }
    if (section % 3 == 1 && images < image_count) {
      html += "<div class=gallery>";
      for (int i = 0; i < 2 && images < image_count; ++i, ++images) {
        html += "<img src=\"/img/" + std::to_string(images) + ".jpg\" alt=\"" + words.run(2) + "\">";
      }
      html += "</div>";
    }
    if (section % 5 == 2) {
      html += "<table><tr><th>" + words.next() + "</th><th>" + words.next() + "</th></tr>";
      for (int r = 0; r < 3; ++r) html += "<tr><td>" + words.run(2) + "</td><td>" + words.run(3) + "</td></tr>";
      html += "</table>";
    }
    if (section % 4 == 3) {
      html += "<ul>";
      for (int i = 0; i < 4; ++i) html += "<li>" + words.run(6) + "</li>";
      html += "</ul><p class=note>" + words.run(12) + "</p>";
    }
    html += "</section>";
  }
  html += "</main><footer class=foot><p>" + words.run(25) + "</p></footer></body></html>";
  TypicalPage page;
  page.html = std::move(html);
  page.stylesheet = typical_css(scaled(10'000, scale), words.random());
  page.images = {{640, 400}, {320, 240}, {800, 450}, {200, 200}};
  return page;
}

}  // namespace bench_pages
