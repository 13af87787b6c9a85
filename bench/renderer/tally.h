// The same run inside the benchmark's own process, with a measurer that
// answers by the harness's rule and counts: how many widths layout asked for
// (cache hits included) and how many distinct ones, and how long each stage
// took. Nothing here can see the process boundary; child_run does that.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace bench_renderer {

struct Tally {
  // Widths layout asked for, and the distinct (text, size, bold) among them.
  std::uint64_t widths_asked = 0;
  std::uint64_t distinct_widths = 0;
  std::uint64_t paints = 0;
  std::uint64_t nodes = 0;
  // Stage times in this process, in milliseconds.
  double parse_ms = 0;
  double style_ms = 0;
  double layout_ms = 0;
  double write_ms = 0;
  // The whole run in this process: unpacking, parsing, styling, layout with
  // instant answers, and writing the document (counted, not kept), as the
  // renderer does it without its process and its exchanges.
  double total_ms = 0;
  // The error text the run ends with, empty on success.
  std::string error;
  // True when the cascade fell back to the built-in styles.
  bool fallback = false;
};

// Runs the input through the stages of the given mode ("0" is manifest mode).
Tally tally(std::string_view input, const std::string& width);

}  // namespace bench_renderer
