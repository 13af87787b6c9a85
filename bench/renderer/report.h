// The benchmark's results and the two ways it prints them: a table for people
// and one JSON document (--json) for machines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "child_run.h"
#include "tally.h"

namespace bench_renderer {

// One case measured at one answer delay: the medians of its repeated runs.
struct Measurement {
  std::string name;
  std::string summary;
  std::string width;
  std::uint64_t input_bytes = 0;
  std::string expected_error;
  int delay_us = 0;
  int repeats = 0;
  ChildRun run;
  Tally tally;
};

// A case at a scale and at twice that scale, with instant answers.
struct Growth {
  std::string name;
  std::uint64_t small_bytes = 0;
  std::uint64_t large_bytes = 0;
  double small_cpu_ms = 0;
  double large_cpu_ms = 0;
  std::uint64_t small_asked = 0;
  std::uint64_t large_asked = 0;
  // The renderer's CPU above the fixed cost of a run, large over small.
  double ratio = 0;
};

struct Report {
  std::vector<Measurement> measurements;
  std::vector<Growth> growth;
  // The fixed cost of a run (the empty page's CPU), subtracted before ratios.
  double baseline_cpu_ms = 0;
};

// True when the run ended as the case was built to end.
bool as_expected(const Measurement& m);

// The outcome in a few words: "ok", "fallback", the limit reached, or the failure.
std::string outcome(const Measurement& m);

// The table, the doubling check and the targets, for a terminal.
std::string format_table(const Report& report);

// The same as one JSON document.
std::string format_json(const Report& report);

}  // namespace bench_renderer
