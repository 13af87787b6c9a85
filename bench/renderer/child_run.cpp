#include "child_run.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "request.h"

extern char** environ;

namespace bench_renderer {
namespace {

using Clock = std::chrono::steady_clock;

double milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The parent's side of the renderer's three pipes and the helper's report.
struct Pipes {
  int in = -1;
  int out = -1;
  int err = -1;
  int report = -1;
};

void close_fd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool spawn(const std::vector<std::string>& args, pid_t& pid, Pipes& pipes, std::string& error) {
  int in[2], out[2], err[2], report[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
      ::pipe2(report, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  std::vector<std::string> storage = args;
  std::vector<char*> argv;
  for (auto& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_adddup2(&actions, report[1], 3);
  const int rc = ::posix_spawn(&pid, storage[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  ::close(report[1]);
  if (rc != 0) {
    ::close(in[1]);
    ::close(out[0]);
    ::close(err[0]);
    ::close(report[0]);
    error = storage[0] + ": " + std::strerror(rc);
    return false;
  }
  pipes = Pipes{in[1], out[0], err[0], report[0]};
  ::fcntl(pipes.in, F_SETFL, ::fcntl(pipes.in, F_GETFL) | O_NONBLOCK);
  return true;
}

// The exchange with one renderer: what is still to be written, the output
// line being assembled, and the tallies.
class Exchange {
 public:
  Exchange(Pipes pipes, std::string pending, std::chrono::nanoseconds delay, ChildRun& run)
      : m_pipes(pipes), m_pending(std::move(pending)), m_delay(delay), m_run(run) {}

  void run() {
    while (m_pipes.out >= 0 || m_pipes.err >= 0) {
      pollfd fds[3];
      nfds_t count = 0;
      if (m_pipes.out >= 0) fds[count++] = {m_pipes.out, POLLIN, 0};
      if (m_pipes.err >= 0) fds[count++] = {m_pipes.err, POLLIN, 0};
      if (m_pipes.in >= 0 && !m_pending.empty()) fds[count++] = {m_pipes.in, POLLOUT, 0};
      if (::poll(fds, count, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      for (nfds_t i = 0; i < count; ++i) {
        if (fds[i].revents == 0) continue;
        if (fds[i].fd == m_pipes.in) {
          write_pending();
        } else {
          read_from(fds[i].fd == m_pipes.out ? m_pipes.out : m_pipes.err);
        }
      }
    }
    if (!m_line.empty()) m_run.result_bytes = m_line.size();
    close_fd(m_pipes.in);
  }

 private:
  void write_pending() {
    while (!m_pending.empty() && m_pipes.in >= 0) {
      const ssize_t n = ::write(m_pipes.in, m_pending.data(), m_pending.size());
      if (n > 0) {
        m_pending.erase(0, static_cast<std::size_t>(n));
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && errno == EAGAIN) {
        return;
      } else {
        // The renderer has stopped reading (it failed or finished).
        close_fd(m_pipes.in);
        m_pending.clear();
      }
    }
  }

  void read_from(int& fd) {
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return;
    if (n <= 0) {
      close_fd(fd);
      return;
    }
    const auto arrived = Clock::now();
    if (fd == m_pipes.err) {
      m_run.error_line.append(buffer, static_cast<std::size_t>(n));
      return;
    }
    m_run.bytes_out += static_cast<std::uint64_t>(n);
    m_line.append(buffer, static_cast<std::size_t>(n));
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

  void answer(std::string_view line, Clock::time_point arrived) {
    ++m_run.requests;
    if (m_seen.emplace(line).second) ++m_run.distinct_requests;
    const auto request = measure_harness::parse_request(line);
    if (!request || m_pipes.in < 0) {
      close_fd(m_pipes.in);
      return;
    }
    // The delay stands for the application's own measuring; a spin keeps it exact.
    while (Clock::now() - arrived < m_delay) {
    }
    m_pending += measure_harness::answer_line(*request);
    write_pending();
    m_run.answer_ms += milliseconds(Clock::now() - arrived);
  }

  Pipes m_pipes;
  std::string m_pending;
  std::chrono::nanoseconds m_delay;
  ChildRun& m_run;
  std::string m_line;
  std::unordered_set<std::string> m_seen;
};

}  // namespace

ChildRun run_child(const std::string& helper, const std::string& renderer, const std::string& width,
                   std::string_view input, std::chrono::nanoseconds answer_delay) {
  ChildRun run;
  const auto n = static_cast<std::uint32_t>(input.size());
  std::string frame{static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                    static_cast<char>(n)};
  frame.append(input);

  pid_t pid = -1;
  Pipes pipes;
  if (!spawn({helper, "--spawn-helper", renderer, "--stdin", width}, pid, pipes, run.error_line)) return run;
  const int report = pipes.report;
  Exchange(pipes, std::move(frame), answer_delay, run).run();

  // The helper writes its one report line after reaping the renderer.
  std::string line;
  char buffer[256];
  for (ssize_t got; (got = ::read(report, buffer, sizeof buffer)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    line.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(report);
  int helper_status = 0;
  while (::waitpid(pid, &helper_status, 0) < 0 && errno == EINTR) {
  }
  long long status = -1, user_us = 0, system_us = 0, rss_kib = 0, wall_ns = 0;
  if (std::sscanf(line.c_str(), "%lld %lld %lld %lld %lld", &status, &user_us, &system_us, &rss_kib, &wall_ns) != 5) {
    run.status = -1;
    run.error_line += "(the spawn helper reported nothing)";
    return run;
  }
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
  // The report descriptor must not reach the renderer.
  ::fcntl(3, F_SETFD, FD_CLOEXEC);
  const auto start = Clock::now();
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ);
  // The renderer alone holds the streams now, so the parent sees them close when it ends.
  ::close(0);
  ::close(1);
  ::close(2);
  if (rc != 0) return 1;
  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  const auto wall = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
  const auto micros = [](const timeval& t) { return static_cast<long long>(t.tv_sec) * 1000000 + t.tv_usec; };
  char line[160];
  const int size = std::snprintf(line, sizeof line, "%d %lld %lld %ld %lld\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                                 micros(usage.ru_utime), micros(usage.ru_stime), usage.ru_maxrss,
                                 static_cast<long long>(wall));
  return ::write(3, line, static_cast<std::size_t>(size)) == size ? 0 : 1;
}

std::string renderer_beside_self() {
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "kivo-document";
  const std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "kivo-document";
}

}  // namespace bench_renderer
