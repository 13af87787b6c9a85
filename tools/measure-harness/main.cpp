// measure-harness: runs the renderer on one file the way the application does
// and answers its measurement requests with a fixed width rule.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "request.h"
#include "support/child_process.h"
#include "support/frame_length.h"
#include "support/regular_file_read.h"

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

// The renderer writes one error line; the bound is far above it, so that a
// sanitizer's report still passes through whole.
constexpr std::size_t kMaxErrorBytes = 4 * 1024 * 1024;

int fail(const std::string& message) {
  std::fprintf(stderr, "measure-harness: %s\n", message.c_str());
  return 2;
}

bool read_file(const char* path, std::string& content, std::string& error) {
  kivo_support::FileRead read = kivo_support::read_regular_file(path, kMaxFileBytes + 1);
  switch (read.status) {
    case kivo_support::FileRead::Status::Failed:
      error = std::string(path) + ": " + std::strerror(read.error);
      return false;
    case kivo_support::FileRead::Status::NotRegular:
      error = std::string(path) + ": not a regular file";
      return false;
    case kivo_support::FileRead::Status::Read:
      break;
  }
  if (read.content.size() > kMaxFileBytes) {
    error = std::string(path) + ": larger than 64 MiB";
    return false;
  }
  content = std::move(read.content);
  return true;
}

std::string renderer_path() {
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "kivo-document";
  const std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + "kivo-document";
}

// What the harness keeps of the renderer's run besides its streams.
struct Exchange {
  std::string out_line;
  std::size_t answered = 0;
};

// Passes complete output lines through and queues an answer for each request.
void handle_output(kivo_support::ChildProcess& child, Exchange& exchange, std::string_view bytes) {
  exchange.out_line.append(bytes);
  std::size_t start = 0;
  for (std::size_t newline; (newline = exchange.out_line.find('\n', start)) != std::string::npos; start = newline + 1) {
    const std::string_view line(exchange.out_line.data() + start, newline - start);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    if (line.substr(0, 11) != "{\"measure\":") continue;
    const auto request = measure_harness::parse_request(line);
    if (!request) {
      std::fprintf(stderr, "measure-harness: cannot read the request %.*s\n", static_cast<int>(line.size()),
                   line.data());
      child.closeInput();
      continue;
    }
    if (child.inputOpen()) {
      child.write(measure_harness::answer_line(*request));
      ++exchange.answered;
    }
  }
  exchange.out_line.erase(0, start);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  kivo_support::ChildProcess::ignoreBrokenPipe();
  if (argc < 2 || argc > 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string content;
  std::string error;
  if (!read_file(argv[1], content, error)) return fail(error);

  std::string frame = kivo_wire::be32(static_cast<std::uint32_t>(content.size()));
  frame += content;

  std::vector<std::string> args{"--stdin"};
  if (argc == 3) args.emplace_back(argv[2]);
  const std::string renderer = renderer_path();
  Exchange exchange;
  kivo_support::ChildProcess::Exit exit;
  std::string err_text;
  try {
    kivo_support::ChildProcess child(renderer, args, kivo_support::ChildProcess::ErrorStream::Capture,
                                     kMaxErrorBytes);
    child.write(frame);
    // The harness has no watchdog: it runs until the renderer ends.
    exit = child.run(kivo_support::ChildProcess::Clock::time_point::max(),
                     [&](std::string_view chunk) { handle_output(child, exchange, chunk); });
    err_text = child.errorOutput();
  } catch (const std::exception& error) {
    return fail(error.what());
  }
  // An unterminated last piece of output is still shown.
  if (!exchange.out_line.empty()) {
    std::fwrite(exchange.out_line.data(), 1, exchange.out_line.size(), stdout);
    std::fflush(stdout);
  }

  std::fwrite(err_text.data(), 1, err_text.size(), stderr);
  if (exit.exited) {
    std::fprintf(stderr, "exit status: %d\n", exit.status);
  } else {
    std::fprintf(stderr, "killed by signal %d\n", exit.signal);
  }
  std::fprintf(stderr, "requests answered: %zu\n", exchange.answered);
  return exit.exited ? exit.status : 2;
}
