// One run of the real renderer process: frames the input on its standard
// input, answers every measurement request with the harness's width rule
// (at once or after a fixed delay), and measures the run from outside.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace bench_renderer {

struct ChildRun {
  // The exit status, or -1 when the renderer was killed by a signal.
  int status = -1;
  // The renderer's standard error without its line feed (its error line).
  std::string error_line;
  // From starting the process to having reaped it.
  double wall_ms = 0;
  // The renderer's own processor time (user and system), from wait4, and
  // the system part of it (reads, writes and wake-ups of the exchange).
  double cpu_ms = 0;
  double system_ms = 0;
  // Wall time the renderer spent off the processor: waiting for its input,
  // for the measurement answers and for the scheduler.
  double blocked_ms = 0;
  // Time from each request's arrival to its answer being queued for the
  // renderer's input (written as soon as the chunk is handled), summed.
  double answer_ms = 0;
  // Request lines written by the renderer, and how many of them were distinct.
  std::uint64_t requests = 0;
  std::uint64_t distinct_requests = 0;
  // Every byte of standard output, and the final JSON line alone.
  std::uint64_t bytes_out = 0;
  std::uint64_t result_bytes = 0;
  // The renderer's peak resident memory, from wait4.
  std::uint64_t max_rss_kib = 0;
};

// Runs `renderer --stdin WIDTH` on the framed input through the spawn helper
// (`helper --spawn-helper renderer ...`, see spawn_helper_main). Fails (with a
// message in error_line and status -1) only when nothing can be started.
ChildRun run_child(const std::string& helper, const std::string& renderer, const std::string& width,
                   std::string_view input, std::chrono::nanoseconds answer_delay);

// The spawn helper: a fresh, small process that starts the renderer on the
// standard streams it was given, reaps it and writes "status user_us system_us
// max_rss_kib wall_ns" on its own line after the renderer's standard error. It
// exists because Linux carries the peak memory of the process that calls exec
// over into the new program, so a renderer started straight from the benchmark
// would report the benchmark's own peak. argv holds the renderer's path and
// arguments.
int spawn_helper_main(char** argv);

// The kivo-document beside the running executable.
std::string renderer_beside_self();

}  // namespace bench_renderer
