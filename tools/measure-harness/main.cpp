// measure-harness: runs the renderer on one file the way the application does
// and answers its measurement requests with a fixed width rule.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "request.h"

extern char** environ;

namespace {

constexpr const char* kUsage =
    "usage: measure-harness FILE [WIDTH]\n"
    "\n"
    "Frames FILE (plain HTML or a resource envelope) as the renderer's input,\n"
    "runs kivo-document --stdin [WIDTH] from the harness's own directory and\n"
    "answers every measurement request: each character is 0.5 x size wide, bold\n"
    "text 10% wider, rounded to a 32-bit float.\n"
    "\n"
    "standard output: everything the renderer wrote to its standard output,\n"
    "                 unchanged (the requests, then the final document)\n"
    "standard error:  the renderer's standard error, unchanged, then the lines\n"
    "                 \"exit status: N\" (or \"killed by signal N\") and\n"
    "                 \"requests answered: N\"\n"
    "exit status:     the renderer's, or 2 when the harness itself fails\n";

// Larger inputs cannot be framed, and the renderer refuses far smaller ones.
constexpr std::uint64_t kMaxFileBytes = 64ULL * 1024 * 1024;

int fail(const std::string& message) {
  std::fprintf(stderr, "measure-harness: %s\n", message.c_str());
  return 2;
}

bool read_file(const char* path, std::string& content, std::string& error) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = std::string(path) + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    error = std::string(path) + ": not a regular file";
    return false;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::string(path) + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
    if (content.size() > kMaxFileBytes) {
      error = std::string(path) + ": larger than 64 MiB";
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  return true;
}

std::string renderer_path() {
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "kivo-document";
  const std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "kivo-document";
}

// The renderer's pipes from the harness's side, and what is still to be sent.
struct Child {
  pid_t pid = -1;
  int in = -1;
  int out = -1;
  int err = -1;
  std::string pending_input;
  std::string out_line;
  std::string err_text;
  std::size_t answered = 0;
};

void close_input(Child& child) {
  if (child.in >= 0) ::close(child.in);
  child.in = -1;
  child.pending_input.clear();
}

// Passes complete output lines through and queues an answer for each request.
void handle_output(Child& child, const char* bytes, std::size_t size) {
  child.out_line.append(bytes, size);
  std::size_t start = 0;
  for (std::size_t newline; (newline = child.out_line.find('\n', start)) != std::string::npos; start = newline + 1) {
    const std::string_view line(child.out_line.data() + start, newline - start);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    if (line.substr(0, 11) != "{\"measure\":") continue;
    const auto request = measure_harness::parse_request(line);
    if (!request) {
      std::fprintf(stderr, "measure-harness: cannot read the request %.*s\n", static_cast<int>(line.size()),
                   line.data());
      close_input(child);
      continue;
    }
    if (child.in >= 0) {
      child.pending_input += measure_harness::answer_line(*request);
      ++child.answered;
    }
  }
  child.out_line.erase(0, start);
  std::fflush(stdout);
}

bool spawn(Child& child, const std::vector<std::string>& args) {
  int in[2], out[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return false;
  std::vector<std::string> storage = args;
  std::vector<char*> argv;
  for (auto& a : storage) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  const int rc = ::posix_spawn(&child.pid, storage[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  if (rc != 0) {
    errno = rc;
    return false;
  }
  child.in = in[1];
  child.out = out[0];
  child.err = err[0];
  ::fcntl(child.in, F_SETFL, ::fcntl(child.in, F_GETFL) | O_NONBLOCK);
  return true;
}

// One poll loop until the renderer has closed its output and error streams.
void exchange(Child& child) {
  while (child.out >= 0 || child.err >= 0) {
    pollfd fds[3];
    nfds_t count = 0;
    if (child.out >= 0) fds[count++] = {child.out, POLLIN, 0};
    if (child.err >= 0) fds[count++] = {child.err, POLLIN, 0};
    if (child.in >= 0 && !child.pending_input.empty()) fds[count++] = {child.in, POLLOUT, 0};
    if (::poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (nfds_t i = 0; i < count; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == child.in) {
        const ssize_t n = ::write(child.in, child.pending_input.data(), child.pending_input.size());
        if (n > 0) {
          child.pending_input.erase(0, static_cast<std::size_t>(n));
        } else if (n < 0 && errno != EINTR && errno != EAGAIN) {
          close_input(child);  // The renderer has stopped reading.
        }
        continue;
      }
      char buffer[65536];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      const bool is_out = fds[i].fd == child.out;
      if (n <= 0) {
        ::close(fds[i].fd);
        (is_out ? child.out : child.err) = -1;
      } else if (is_out) {
        handle_output(child, buffer, static_cast<std::size_t>(n));
      } else {
        child.err_text.append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  // An unterminated last piece of output is still shown.
  if (!child.out_line.empty()) {
    std::fwrite(child.out_line.data(), 1, child.out_line.size(), stdout);
    std::fflush(stdout);
  }
  close_input(child);
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  if (argc < 2 || argc > 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string content;
  std::string error;
  if (!read_file(argv[1], content, error)) return fail(error);

  const auto n = static_cast<std::uint32_t>(content.size());
  std::string frame{static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                    static_cast<char>(n)};
  frame += content;

  std::vector<std::string> args{renderer_path(), "--stdin"};
  if (argc == 3) args.emplace_back(argv[2]);
  Child child;
  if (!spawn(child, args)) return fail(args[0] + ": " + std::strerror(errno));
  child.pending_input = std::move(frame);
  exchange(child);

  int status = 0;
  while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  std::fwrite(child.err_text.data(), 1, child.err_text.size(), stderr);
  if (WIFEXITED(status)) {
    std::fprintf(stderr, "exit status: %d\n", WEXITSTATUS(status));
  } else {
    std::fprintf(stderr, "killed by signal %d\n", WTERMSIG(status));
  }
  std::fprintf(stderr, "requests answered: %zu\n", child.answered);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}
