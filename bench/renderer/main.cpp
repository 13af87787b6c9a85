// bench-renderer: how fast and how lean kivo-document is at every budget.
//
//   bench-renderer [--json] [--repeat N] [--only NAME,...] [--no-growth]
//                  [--renderer PATH] [--write-corpus DIR] [FILE.html ...]
//
// --write-corpus writes each generated input (the frame payload) to
// DIR/NAME.input and exits, for use as seeds or by other tools.
// Runs the kivo-document beside this program over the generated corpus and
// the given files (rendered as scenes at 1024 px), each with instant answers
// and with answers delayed by 30 us, and prints a table (or JSON). Each case
// also runs inside this process (no process, instant answers), so that what
// the process and the exchanges add is visible beside it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "child_run.h"
#include "corpus.h"
#include "report.h"
#include "tally.h"
#include "support/regular_file_read.h"

namespace {

using bench_renderer::Case;
using bench_renderer::ChildRun;

constexpr const char* kUsage =
    "usage: bench-renderer [--json] [--repeat N] [--only NAME,...] [--no-growth]\n"
    "                      [--renderer PATH] [--write-corpus DIR] [FILE.html ...]\n";

struct Options {
  bool json = false;
  bool growth = true;
  int repeats = 5;
  std::vector<std::string> only;
  std::string renderer;
  std::string corpus_dir;
  std::vector<std::string> files;
};

bool parse_options(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--no-growth") {
      options.growth = false;
    } else if (arg == "--repeat" && has_value) {
      options.repeats = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--only" && has_value) {
      std::string list = argv[++i];
      for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        options.only.push_back(list.substr(start, comma - start));
        start = comma + 1;
      }
    } else if (arg == "--write-corpus" && has_value) {
      options.corpus_dir = argv[++i];
    } else if (arg == "--renderer" && has_value) {
      options.renderer = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      return false;
    } else {
      options.files.push_back(arg);
    }
  }
  return true;
}

bool write_file(const std::string& path, const std::string& content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 && done == content.size();
}

bool read_file(const std::string& path, std::string& content) {
  kivo_support::FileRead read =
      kivo_support::read_regular_file(path, std::numeric_limits<std::size_t>::max());
  if (read.status != kivo_support::FileRead::Status::Read) return false;
  content = std::move(read.content);
  return true;
}

std::string self_path() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string("bench-renderer");
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs a case `repeats` times and keeps the median of every time; counts and
// outputs come from the first run (they do not vary), memory is the largest seen.
ChildRun measure(const std::string& renderer, const Case& c, int repeats, std::chrono::microseconds delay) {
  static const std::string self = self_path();
  std::vector<ChildRun> runs;
  for (int i = 0; i < repeats; ++i) runs.push_back(bench_renderer::run_child(self, renderer, c.width, c.input, delay));
  ChildRun result = runs.front();
  const auto pick = [&runs](double ChildRun::*field) {
    std::vector<double> values;
    for (const ChildRun& r : runs) values.push_back(r.*field);
    return median(values);
  };
  result.wall_ms = pick(&ChildRun::wall_ms);
  result.cpu_ms = pick(&ChildRun::cpu_ms);
  result.system_ms = pick(&ChildRun::system_ms);
  result.blocked_ms = pick(&ChildRun::blocked_ms);
  result.answer_ms = pick(&ChildRun::answer_ms);
  for (const ChildRun& r : runs) result.max_rss_kib = std::max(result.max_rss_kib, r.max_rss_kib);
  return result;
}

// Runs a case in this process `repeats` times and keeps the run of the median
// total time; its counts do not vary.
bench_renderer::Tally measure_in_process(const Case& c, int repeats) {
  std::vector<bench_renderer::Tally> runs;
  for (int i = 0; i < repeats; ++i) runs.push_back(bench_renderer::tally(c.input, c.width));
  std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.total_ms < b.total_ms; });
  return runs[runs.size() / 2];
}

bool selected(const Options& options, const std::string& name) {
  return options.only.empty() || std::find(options.only.begin(), options.only.end(), name) != options.only.end();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--spawn-helper") == 0) return bench_renderer::spawn_helper_main(argv + 2);
  Options options;
  if (!parse_options(argc, argv, options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!options.corpus_dir.empty()) {
    for (const auto& kind : bench_renderer::case_kinds()) {
      if (!selected(options, kind.name)) continue;
      const std::string path = options.corpus_dir + "/" + kind.name + ".input";
      if (!write_file(path, kind.make(1.0).input)) {
        std::fprintf(stderr, "bench-renderer: cannot write %s\n", path.c_str());
        return 2;
      }
    }
    return 0;
  }
  const std::string renderer = options.renderer.empty() ? bench_renderer::renderer_beside_self() : options.renderer;
  if (::access(renderer.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "bench-renderer: cannot run %s: %s\n", renderer.c_str(), std::strerror(errno));
    return 2;
  }

  std::vector<Case> cases;
  for (const auto& kind : bench_renderer::case_kinds()) {
    if (kind.name == "empty" || selected(options, kind.name)) cases.push_back(kind.make(1.0));
  }
  for (const std::string& path : options.files) {
    std::string content;
    if (!read_file(path, content)) {
      std::fprintf(stderr, "bench-renderer: cannot read %s\n", path.c_str());
      return 2;
    }
    cases.push_back(bench_renderer::file_case(path, std::move(content)));
  }

  bench_renderer::Report report;
  for (const Case& c : cases) {
    const bench_renderer::Tally tally = measure_in_process(c, options.repeats);
    for (const int delay : {0, 30}) {
      if (!options.json) std::fprintf(stderr, "bench-renderer: %s, %d us\n", c.name.c_str(), delay);
      bench_renderer::Measurement m;
      m.name = c.name;
      m.summary = c.summary;
      m.width = c.width;
      m.input_bytes = c.input.size();
      m.expected_error = c.expected_error;
      m.delay_us = delay;
      m.repeats = options.repeats;
      m.run = measure(renderer, c, options.repeats, std::chrono::microseconds(delay));
      m.tally = tally;
      if (c.name == "empty" && delay == 0) report.baseline_cpu_ms = m.run.cpu_ms;
      report.measurements.push_back(std::move(m));
    }
  }

  if (options.growth) {
    for (const auto& kind : bench_renderer::case_kinds()) {
      if (kind.growth_scale <= 0 || !selected(options, kind.name)) continue;
      if (!options.json) std::fprintf(stderr, "bench-renderer: doubling %s\n", kind.name.c_str());
      const Case small = kind.make(kind.growth_scale);
      const Case large = kind.make(kind.growth_scale * 2);
      const ChildRun a = measure(renderer, small, options.repeats, std::chrono::microseconds(0));
      const ChildRun b = measure(renderer, large, options.repeats, std::chrono::microseconds(0));
      bench_renderer::Growth g;
      g.name = kind.name;
      g.small_bytes = small.input.size();
      g.large_bytes = large.input.size();
      g.small_cpu_ms = a.cpu_ms;
      g.large_cpu_ms = b.cpu_ms;
      g.small_asked = bench_renderer::tally(small.input, small.width).widths_asked;
      g.large_asked = bench_renderer::tally(large.input, large.width).widths_asked;
      const double base = report.baseline_cpu_ms;
      g.ratio = std::max(b.cpu_ms - base, 0.01) / std::max(a.cpu_ms - base, 0.01);
      report.growth.push_back(g);
    }
  }

  const std::string text = options.json ? bench_renderer::format_json(report) : bench_renderer::format_table(report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}
