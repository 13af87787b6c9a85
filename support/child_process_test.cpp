#include "support/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <vector>

namespace {

using kivo_support::ChildProcess;
using kivo_support::SystemError;

using namespace std::chrono_literals;

// A deadline that no case reaches by being slow: the runs that use it end by
// what their child does, and only a fault would let one run that long.
constexpr std::chrono::milliseconds kAmple = 10min;

ChildProcess::Clock::time_point in(std::chrono::milliseconds span) {
  return ChildProcess::Clock::now() + span;
}

ChildProcess shell(const std::string& script, ChildProcess::ErrorStream errors = ChildProcess::ErrorStream::Capture,
                   std::size_t cap = ChildProcess::kDefaultErrorCap) {
  return ChildProcess("/bin/sh", {"-c", script}, errors, cap);
}

TEST(ChildProcessTest, EchoesLargeInputWhileReadingOutput) {
  // More than any pipe holds in either direction: writing and reading must
  // interleave in the one loop or the run would deadlock.
  std::string input(3 * 1024 * 1024, 'x');
  for (std::size_t i = 0; i < input.size(); i += 997) input[i] = static_cast<char>('a' + i % 26);
  ChildProcess child("/bin/cat", {}, ChildProcess::ErrorStream::Capture);
  child.write(input);
  child.closeInput();
  std::string output;
  const auto exit = child.run(in(kAmple), [&](std::string_view chunk) { output.append(chunk); });
  EXPECT_TRUE(exit.succeeded());
  EXPECT_EQ(output, input);
}

TEST(ChildProcessTest, AnswersEachRequestBeforeTheNext) {
  // A child that asks, waits for the answer and checks it, many times over:
  // every answer queued by the handler must reach it while it waits.
  ChildProcess child = shell(
      "i=0; while [ $i -lt 300 ]; do echo q$i; read a; [ \"$a\" = a$i ] || exit 3; i=$((i+1)); done; echo done");
  std::string pending;
  std::string last;
  const auto exit = child.run(in(kAmple), [&](std::string_view chunk) {
    pending.append(chunk);
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      last = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (last[0] != 'q') continue;
      std::string answer = last;
      answer[0] = 'a';
      answer += '\n';
      child.write(answer);
    }
  });
  EXPECT_TRUE(exit.succeeded()) << exit.status;
  EXPECT_EQ(last, "done");
}

TEST(ChildProcessTest, ReportsExitStatusAndCapturedError) {
  ChildProcess child = shell("echo out; echo problem >&2; exit 3");
  std::string output;
  const auto exit = child.run(in(kAmple), [&](std::string_view chunk) { output.append(chunk); });
  EXPECT_TRUE(exit.exited);
  EXPECT_EQ(exit.status, 3);
  EXPECT_FALSE(exit.succeeded());
  EXPECT_EQ(output, "out\n");
  EXPECT_EQ(child.errorOutput(), "problem\n");
}

TEST(ChildProcessTest, DrainsErrorBeyondItsCapWithoutStalling) {
  // 512 KiB on standard error before any output: a reader that left standard
  // error alone until output ended would wait for the deadline and kill the
  // child, which would then not have succeeded.
  ChildProcess child = shell("head -c 524288 /dev/zero >&2; echo done", ChildProcess::ErrorStream::Capture, 1000);
  std::string output;
  const auto exit = child.run(in(kAmple), [&](std::string_view chunk) { output.append(chunk); });
  EXPECT_FALSE(exit.timedOut);
  EXPECT_TRUE(exit.succeeded());
  EXPECT_EQ(output, "done\n");
  EXPECT_EQ(child.errorOutput().size(), 1000u);
  EXPECT_TRUE(child.errorOutputTruncated());
}

TEST(ChildProcessTest, DiscardedErrorIsNotCaptured) {
  ChildProcess child = shell("echo problem >&2; echo out", ChildProcess::ErrorStream::Discard);
  std::string output;
  EXPECT_TRUE(child.run(in(kAmple), [&](std::string_view chunk) { output.append(chunk); }).succeeded());
  EXPECT_EQ(output, "out\n");
  EXPECT_TRUE(child.errorOutput().empty());
}

TEST(ChildProcessTest, RunningSaysWhetherTheChildHasEndedAndLeavesItUnreaped) {
  // A child waiting for its input is running.
  ChildProcess waiting = shell("read line; exit 4");
  EXPECT_TRUE(waiting.running());
  waiting.closeInput();
  const auto waited = waiting.run(in(kAmple), [](std::string_view) {});
  EXPECT_EQ(waited.status, 4);
  EXPECT_FALSE(waiting.running());

  // A child that ended by itself is not, and run() still gets its status.
  ChildProcess ended = shell("exit 3");
  siginfo_t info{};
  ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(ended.pid()), &info, WEXITED | WNOWAIT), 0);
  EXPECT_FALSE(ended.running());
  EXPECT_EQ(ended.run(in(kAmple), [](std::string_view) {}).status, 3);
}

TEST(ChildProcessTest, DeadlineKillsAHangingChild) {
  struct Case {
    const char* name;
    const char* script;
  };
  const Case cases[] = {
      {"silent", "exec sleep 600"},
      {"closed its streams", "exec >&- 2>&-; exec sleep 600"},
      {"never reads its input", "exec sleep 600"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChildProcess child = shell(c.script);
    child.write(std::string(1024 * 1024, 'x'));
    // Only the deadline can end these runs before the children's sleep does.
    const auto exit = child.run(in(300ms), [](std::string_view) {});
    EXPECT_TRUE(exit.timedOut);
    EXPECT_FALSE(exit.exited);
    EXPECT_EQ(exit.signal, SIGKILL);
    EXPECT_NE(::kill(child.pid(), 0), 0) << "the child must have been reaped";
  }
}

TEST(ChildProcessTest, ChildThatStopsReadingOnlyLosesItsInput) {
  ChildProcess child = shell("exit 0");
  child.write(std::string(4 * 1024 * 1024, 'x'));
  const auto exit = child.run(in(kAmple), [](std::string_view) {});
  EXPECT_TRUE(exit.succeeded());
}

TEST(ChildProcessTest, HandlerErrorLeavesNoChildBehind) {
  pid_t pid = -1;
  try {
    ChildProcess child = shell("echo request; exec sleep 600");
    pid = child.pid();
    child.run(in(kAmple), [](std::string_view) { throw std::runtime_error("refused"); });
    FAIL() << "the handler's error must leave run()";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "refused");
  }
  ASSERT_GT(pid, 0);
  EXPECT_NE(::kill(pid, 0), 0);
  EXPECT_EQ(errno, ESRCH);
}

TEST(ChildProcessTest, MissingExecutableFailsToLaunch) {
  try {
    ChildProcess child("/nonexistent/kivo-program", {}, ChildProcess::ErrorStream::Capture);
    FAIL() << "launch must fail";
  } catch (const SystemError& error) {
    EXPECT_EQ(error.code(), ENOENT);
  }
}

TEST(ChildProcessTest, GivenEnvironmentReplacesOurs) {
  ChildProcess::Options options;
  options.environment = std::vector<std::string>{"KIVO_PROBE=given"};
  ChildProcess child("/usr/bin/env", {}, options);
  std::string output;
  EXPECT_TRUE(child.run(in(kAmple), [&](std::string_view chunk) { output.append(chunk); }).succeeded());
  EXPECT_EQ(output, "KIVO_PROBE=given\n");
}

TEST(ChildProcessTest, ReadsStandardInputFromAGivenDescriptor) {
  int ends[2];
  ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
  ASSERT_EQ(::write(ends[1], "given", 5), 5);
  ::close(ends[1]);
  ChildProcess::Options options;
  options.inputDescriptor = ends[0];
  ChildProcess child("/bin/cat", {}, options);
  // Our own input pipe does not exist, so nothing queued can reach the child.
  EXPECT_FALSE(child.inputOpen());
  child.write("queued");
  std::string output;
  EXPECT_TRUE(child.run(in(kAmple), [&](std::string_view chunk) { output.append(chunk); }).succeeded());
  EXPECT_EQ(output, "given");
  // The descriptor stays the caller's.
  EXPECT_EQ(::close(ends[0]), 0);
}

TEST(ChildProcessTest, DiscardedOutputStillLetsTheInputThrough) {
  // No stream comes back from this child, and its input is more than a pipe
  // holds: the queued input alone must keep the loop going, or the child
  // would see its input end early.
  ChildProcess::Options options;
  options.errorStream = ChildProcess::ErrorStream::Discard;
  options.discardOutput = true;
  ChildProcess child("/bin/sh", {"-c", "[ \"$(wc -c)\" -eq 1048576 ]"}, options);
  child.write(std::string(1024 * 1024, 'x'));
  child.closeInput();
  const auto exit = child.run(in(kAmple), [](std::string_view) { ADD_FAILURE() << "the output is discarded"; });
  EXPECT_TRUE(exit.succeeded()) << exit.status;
}

TEST(ChildProcessTest, InputQueuedAfterClosingIsDropped) {
  ChildProcess child("/bin/cat", {}, ChildProcess::ErrorStream::Capture);
  child.write("sent");
  child.closeInput();
  EXPECT_FALSE(child.inputOpen());
  child.write(" dropped");
  std::string output;
  EXPECT_TRUE(child.run(in(kAmple), [&](std::string_view chunk) { output.append(chunk); }).succeeded());
  EXPECT_EQ(output, "sent");
}

TEST(ChildProcessTest, ClosedOutputBreaksTheChildsNextWrite) {
  // The child writes only after its input line, which run() sends after the
  // output was closed, so its write always finds no reader.
  ChildProcess child = shell("read line; echo out; echo after >&2");
  child.closeOutput();
  child.write("go\n");
  const auto exit = child.run(in(kAmple), [](std::string_view) { FAIL() << "no output can be read"; });
  EXPECT_FALSE(exit.exited);
  EXPECT_EQ(exit.signal, SIGPIPE);
  EXPECT_EQ(child.errorOutput(), "");
}

TEST(ChildProcessTest, ChildStartsWithDefaultBrokenPipeHandling) {
  // This process ignores SIGPIPE; the child must not inherit that.
  ChildProcess child = shell("grep '^SigIgn' /proc/self/status");
  std::string output;
  EXPECT_TRUE(child.run(in(kAmple), [&](std::string_view chunk) { output.append(chunk); }).succeeded());
  ASSERT_EQ(output.rfind("SigIgn:", 0), 0u) << output;
  const unsigned long long ignored = std::stoull(output.substr(7), nullptr, 16);
  EXPECT_EQ(ignored & (1ull << (SIGPIPE - 1)), 0u) << output;
}

// Descriptors this process holds without close-on-exec, at numbers well
// above anything the test runner opens; closed again at the end of the scope.
class LeakyDescriptors {
public:
  LeakyDescriptors() {
    int ends[2];
    if (::pipe(ends) != 0) throw std::runtime_error("pipe");
    place(ends[0], 40);
    place(ends[1], 41);
    place(::socket(AF_UNIX, SOCK_STREAM, 0), 42);
    place(::open("/dev/null", O_RDWR), 43);
  }
  ~LeakyDescriptors() {
    for (int fd : m_fds) ::close(fd);
  }
  LeakyDescriptors(const LeakyDescriptors&) = delete;
  LeakyDescriptors& operator=(const LeakyDescriptors&) = delete;

private:
  void place(int fd, int number) {
    if (fd < 0 || ::dup2(fd, number) != number) throw std::runtime_error("dup2");
    ::close(fd);
    m_fds.push_back(number);
  }
  std::vector<int> m_fds;
};

TEST(ChildProcessTest, ChildHoldsOnlyItsStandardStreams) {
  LeakyDescriptors leaky;
  for (int fd : {40, 41, 42, 43}) ASSERT_EQ(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
  // The shell lists its own descriptors through a child of its own, which
  // opens none in the shell.
  ChildProcess child = shell("ls /proc/$$/fd");
  std::string output;
  EXPECT_TRUE(child.run(in(kAmple), [&](std::string_view chunk) { output.append(chunk); }).succeeded());
  EXPECT_EQ(output, "0\n1\n2\n");
}

}  // namespace
