// The start that the benchmarks of Kivo's widgets share: Qt's offscreen
// platform unless the caller names one, test-mode folders (the user's own
// profile is never read or written), reduced motion so that no animation is
// timed, "--rounds N", and one line for an error that ends the run.
#pragma once

#include <QApplication>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "kit/motion.h"
#include "platform/child_process.h"
#include "platform/display_platform.h"

// The figures of a run: spans in milliseconds, their median and maximum.
namespace WidgetBench {

using Clock = std::chrono::steady_clock;

inline double milliseconds(Clock::duration span) {
  return std::chrono::duration<double, std::milli>(span).count();
}

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

inline double maximum(const std::vector<double>& values) {
  return *std::max_element(values.begin(), values.end());
}

}  // namespace WidgetBench

// Runs `run(rounds)` (true when every figure was printed) as the program
// `name`; returns the exit status: 0, 1 for a failure, 2 for a usage error.
template <class Run>
int runWidgetBench(int argc, char** argv, const char* name, int rounds, Run run) {
  if (!DisplayPlatform::prepare(name, DisplayPlatform::Need::Offscreen)) return 1;
  ChildProcess::ignoreBrokenPipe();
  QStandardPaths::setTestModeEnabled(true);
  QApplication application(argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--rounds N]\n", name);
      return 2;
    }
  }
  Motion::setReduceMotionOverride(true);
  try {
    return run(rounds) ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", name, error.what());
    return 1;
  }
}
