// The benchmark's generated corpus: one page per budget of the renderer, each
// drawn from a fixed seed so that every run measures the same bytes, and each
// sized by a scale factor (1 is the nominal case) for the doubling check.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench_renderer {

// One renderer input and how to run it.
struct Case {
  std::string name;
  // What the case stands for, in a few words.
  std::string summary;
  // The width argument: "0" runs manifest mode, anything else a scene.
  std::string width;
  // The frame payload: plain HTML or a resource envelope.
  std::string input;
  // The error line the case is built to reach, empty when it must succeed.
  std::string expected_error;
};

// A generator of one case at a scale, and the pair of scales its doubling
// check compares (the second is twice the first; none when it has none).
struct CaseKind {
  std::string name;
  Case (*make)(double scale);
  double growth_scale = 0;
};

// Every generated case kind, the empty baseline page first.
const std::vector<CaseKind>& case_kinds();

// A case for an HTML file given on the command line, rendered as a scene.
Case file_case(const std::string& path, std::string content);

// Pages as the cases build them; exposed for the corpus tests.
namespace pages {

// The fixed cost of a run: one short paragraph.
Case empty(double scale);
// About 50 KB of HTML, 10 KB of delivered CSS and 8 delivered images.
Case typical(double scale);
// 1 MiB of paragraphs: stops at the 40,000th width request.
Case text(double scale);
// 50,000 nodes listed in manifest mode (parser and manifest only).
Case manifest(double scale);
// 2,000 elements against 500 rules: passes the matching budget and falls back.
Case cascade(double scale);
// Flex containers nested as deep as the parser allows, each with text.
Case flex_nested(double scale);
// One wrapping flex row of 512 items.
Case flex_wrap(double scale);
// 12-column grids of 2,520 items in all (504 per container).
Case grid(double scale);
// Just under 20,000 paints and 8 MiB of paint data.
Case paints(double scale);
// The same page with more words than the paint limit allows.
Case paints_over(double scale);

}  // namespace pages

}  // namespace bench_renderer
