#include "child_run.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <exception>
#include <unordered_set>

#include "request.h"
#include "support/child_process.h"
#include "support/frame_length.h"

extern char** environ;

namespace bench_renderer {
namespace {

using Clock = std::chrono::steady_clock;
using kivo_support::ChildProcess;

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The spawn helper's report follows the renderer's standard error on the same
// stream, after a line feed, so it ends even an error text without one.
constexpr std::string_view kReportMark = "\nspawn-helper report: ";

// Room for the renderer's one error line and the report after it.
constexpr std::size_t kErrorCap = 1024 * 1024;

// The exchange with one renderer: the output line being assembled, and the
// tallies.
class Exchange {
 public:
  Exchange(ChildProcess& child, std::chrono::nanoseconds delay, ChildRun& run)
      : m_child(child), m_delay(delay), m_run(run) {}

  void take(std::string_view chunk) {
    const auto arrived = Clock::now();
    m_run.bytes_out += chunk.size();
    m_line.append(chunk);
    std::size_t start = 0;
    for (std::size_t end; (end = m_line.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string_view line(m_line.data() + start, end - start);
      if (line.substr(0, 11) == "{\"measure\":") {
        answer(line, arrived);
      } else {
        m_run.result_bytes = line.size() + 1;
      }
    }
    m_line.erase(0, start);
  }

  // Called once the output has ended: an unterminated last line is the result.
  void finish() {
    if (!m_line.empty()) m_run.result_bytes = m_line.size();
  }

 private:
  void answer(std::string_view line, Clock::time_point arrived) {
    ++m_run.requests;
    if (m_seen.emplace(line).second) ++m_run.distinct_requests;
    const auto request = measure_harness::parse_request(line);
    if (!request || !m_child.inputOpen()) {
      m_child.closeInput();
      return;
    }
    // The delay stands for the application's own measuring; a spin keeps it exact.
    while (Clock::now() - arrived < m_delay) {
    }
    m_child.write(measure_harness::answer_line(*request));
    m_run.answer_ms += milliseconds(Clock::now() - arrived);
  }

  ChildProcess& m_child;
  std::chrono::nanoseconds m_delay;
  ChildRun& m_run;
  std::string m_line;
  std::unordered_set<std::string> m_seen;
};

}  // namespace

ChildRun run_child(const std::string& helper, const std::string& renderer, const std::string& width,
                   std::string_view input, std::chrono::nanoseconds answer_delay) {
  ChildRun run;
  std::string frame = kivo_wire::be32(static_cast<std::uint32_t>(input.size()));
  frame.append(input);

  std::string errors;
  try {
    ChildProcess child(helper, {"--spawn-helper", renderer, "--stdin", width}, ChildProcess::ErrorStream::Capture,
                       kErrorCap);
    child.write(frame);
    Exchange exchange(child, answer_delay, run);
    // A benchmark has no watchdog: every case runs to its end.
    child.run(Clock::time_point::max(), [&](std::string_view chunk) { exchange.take(chunk); });
    exchange.finish();
    errors = child.errorOutput();
  } catch (const std::exception& error) {
    run.error_line = error.what();
    return run;
  }

  const std::size_t mark = errors.rfind(kReportMark);
  long long status = -1, user_us = 0, system_us = 0, rss_kib = 0, wall_ns = 0;
  if (mark == std::string::npos ||
      std::sscanf(errors.c_str() + mark + kReportMark.size(), "%lld %lld %lld %lld %lld", &status, &user_us,
                  &system_us, &rss_kib, &wall_ns) != 5) {
    run.status = -1;
    run.error_line = errors + "(the spawn helper reported nothing)";
    return run;
  }
  run.error_line = errors.substr(0, mark);
  run.status = static_cast<int>(status);
  run.wall_ms = static_cast<double>(wall_ns) / 1e6;
  run.cpu_ms = static_cast<double>(user_us + system_us) / 1e3;
  run.system_ms = static_cast<double>(system_us) / 1e3;
  run.blocked_ms = run.wall_ms > run.cpu_ms ? run.wall_ms - run.cpu_ms : 0;
  run.max_rss_kib = static_cast<std::uint64_t>(rss_kib);
  while (!run.error_line.empty() && run.error_line.back() == '\n') run.error_line.pop_back();
  return run;
}

int spawn_helper_main(char** argv) {
  const auto start = Clock::now();
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ);
  // The renderer alone holds its input and output now, so the parent sees
  // them close when it ends; standard error stays open for the report.
  ::close(0);
  ::close(1);
  if (rc != 0) return 1;
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  const auto wall = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
  const auto micros = [](const timeval& t) { return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec; };
  char line[200];
  const int size = std::snprintf(line, sizeof line, "%.*s%d %lld %lld %ld %lld\n", static_cast<int>(kReportMark.size()),
                                 kReportMark.data(), WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                                 micros(usage.ru_utime), micros(usage.ru_stime), usage.ru_maxrss,
                                 static_cast<long long>(wall));
  return ::write(2, line, static_cast<std::size_t>(size)) == size ? 0 : 1;
}

std::string renderer_beside_self() {
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "kivo-document";
  const std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "kivo-document";
}

}  // namespace bench_renderer
