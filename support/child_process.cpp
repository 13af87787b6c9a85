#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "support/spin_read.h"

extern char** environ;

namespace kivo_support {
namespace {

constexpr std::size_t kReadChunk = 256 * 1024;
constexpr std::size_t kOutputPipeBytes = 1024 * 1024;

// The read buffer of one run: the calling thread's own, kept across runs so
// that its pages are touched once per thread rather than once per child, or a
// buffer of its own for a run started from inside another run's handler.
class ReadBuffer {
public:
  ReadBuffer() {
    thread_local std::unique_ptr<char[]> kept;
    thread_local bool keptInUse = false;
    if (keptInUse) {
      m_own.reset(new char[kReadChunk]);
      m_data = m_own.get();
      return;
    }
    if (!kept) kept.reset(new char[kReadChunk]);
    keptInUse = true;
    m_release = &keptInUse;
    m_data = kept.get();
  }
  ~ReadBuffer() {
    if (m_release != nullptr) *m_release = false;
  }
  ReadBuffer(const ReadBuffer&) = delete;
  ReadBuffer& operator=(const ReadBuffer&) = delete;
  char* data() const { return m_data; }

private:
  std::unique_ptr<char[]> m_own;
  bool* m_release = nullptr;
  char* m_data = nullptr;
};

void setNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) throw SystemError(errno, "fcntl");
}

// Milliseconds left until `deadline`, rounded up so that poll() never wakes
// just before it; 0 once it has passed.
int millisecondsUntil(ChildProcess::Clock::time_point deadline) {
  const auto left = deadline - ChildProcess::Clock::now();
  if (left <= ChildProcess::Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return ms > 1'000'000'000 ? 1'000'000'000 : static_cast<int>(ms);
}

// The pipe ends and spawn objects of a launch in progress, released on every
// exit of the constructor.
struct LaunchResources {
  int fds[6] = {-1, -1, -1, -1, -1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  bool haveActions = false;
  bool haveAttributes = false;

  ~LaunchResources() {
    for (int fd : fds)
      if (fd >= 0) ::close(fd);
    if (haveActions) posix_spawn_file_actions_destroy(&actions);
    if (haveAttributes) posix_spawnattr_destroy(&attributes);
  }
  int take(int index) {
    const int fd = fds[index];
    fds[index] = -1;
    return fd;
  }
};

void makePipe(int* ends) {
  if (pipe2(ends, O_CLOEXEC) != 0) throw SystemError(errno, "pipe");
}

// The process-descriptor calls through syscall(): the C library's header for
// them lacks C linkage in the version this system ships.
int openPidFd(pid_t pid) {
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

int signalPidFd(int pidFd, int signal) {
  return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidFd, signal, nullptr, 0));
}

void check(int error, const char* what) {
  if (error != 0) throw SystemError(error, what);
}

// A second run() of a reaped child is a fault of the caller; it aborts in
// every build rather than report a run that never happened.
void checkNotReaped(bool reaped) {
  if (!reaped) return;
  std::fprintf(stderr, "internal invariant violated: ChildProcess::run() after the child was reaped\n");
  std::abort();
}

}  // namespace

void ChildProcess::ignoreBrokenPipe() {
  static std::once_flag once;
  std::call_once(once, [] { ::signal(SIGPIPE, SIG_IGN); });
}

ChildProcess::ChildProcess(const std::string& executable, const std::vector<std::string>& arguments,
                           ErrorStream errorStream, std::size_t errorCap)
    : ChildProcess(executable, arguments, Options{errorStream, errorCap, std::nullopt, -1, false}) {}

ChildProcess::ChildProcess(const std::string& executable, const std::vector<std::string>& arguments,
                           const Options& options)
    : m_errorCap(options.errorCap) {
  ignoreBrokenPipe();
  LaunchResources r;
  const bool ownInput = options.inputDescriptor < 0;
  // Pipes in the order output, error, input; index 2k is the reading end.
  if (!options.discardOutput) makePipe(&r.fds[0]);
  if (options.errorStream == ErrorStream::Capture) makePipe(&r.fds[2]);
  if (ownInput) makePipe(&r.fds[4]);

  check(posix_spawn_file_actions_init(&r.actions), "posix_spawn_file_actions_init");
  r.haveActions = true;
  check(posix_spawn_file_actions_adddup2(&r.actions, ownInput ? r.fds[4] : options.inputDescriptor, STDIN_FILENO),
        "posix_spawn_file_actions_adddup2");
  if (options.discardOutput) {
    check(posix_spawn_file_actions_addopen(&r.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0),
          "posix_spawn_file_actions_addopen");
  } else {
    check(posix_spawn_file_actions_adddup2(&r.actions, r.fds[1], STDOUT_FILENO), "posix_spawn_file_actions_adddup2");
  }
  if (options.errorStream == ErrorStream::Capture) {
    check(posix_spawn_file_actions_adddup2(&r.actions, r.fds[3], STDERR_FILENO), "posix_spawn_file_actions_adddup2");
  } else {
    check(posix_spawn_file_actions_addopen(&r.actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0),
          "posix_spawn_file_actions_addopen");
  }

  // The child keeps its three standard streams and nothing else: every other
  // descriptor of this process, close-on-exec or not (a library's socket, a
  // descriptor this process inherited), is closed before the program runs.
  check(posix_spawn_file_actions_addclosefrom_np(&r.actions, STDERR_FILENO + 1),
        "posix_spawn_file_actions_addclosefrom_np");

  // The child starts with default signal handling and an empty mask, whatever
  // this process ignores or blocks (SIGPIPE is ignored here, and an ignored
  // signal would otherwise survive the exec).
  check(posix_spawnattr_init(&r.attributes), "posix_spawnattr_init");
  r.haveAttributes = true;
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigset_t mask;
  sigemptyset(&mask);
  check(posix_spawnattr_setsigdefault(&r.attributes, &defaults), "posix_spawnattr_setsigdefault");
  check(posix_spawnattr_setsigmask(&r.attributes, &mask), "posix_spawnattr_setsigmask");
  check(posix_spawnattr_setflags(&r.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK),
        "posix_spawnattr_setflags");

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  if (options.environment) {
    for (const std::string& entry : *options.environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
  }

  pid_t pid = -1;
  const int spawnError = posix_spawn(&pid, executable.c_str(), &r.actions, &r.attributes, argv.data(),
                                     options.environment ? envp.data() : environ);
  if (spawnError != 0) throw SystemError(spawnError, "launch " + executable);
  m_pid = pid;

  m_output = r.take(0);
  m_error = r.take(2);
  m_input = r.take(5);
  // The child's ends close with `r`; from here on our ends are ours to close.
  m_pidFd = openPidFd(m_pid);  // -1 on kernels without pidfd: kill() then serves
  // A larger pipe for the output lets the child write its long last line in
  // a few large pieces without waiting for us to drain each one. Where the
  // system refuses (a user over its pipe allowance), the default stays.
  if (m_output >= 0) (void)fcntl(m_output, F_SETPIPE_SZ, static_cast<int>(kOutputPipeBytes));
  try {
    if (m_output >= 0) setNonBlocking(m_output);
    if (m_error >= 0) setNonBlocking(m_error);
    if (m_input >= 0) setNonBlocking(m_input);
  } catch (...) {
    killChild();
    reap(Clock::time_point::max());
    closeFd(m_output);
    closeFd(m_error);
    closeFd(m_input);
    closeFd(m_pidFd);
    throw;
  }
}

ChildProcess::~ChildProcess() {
  // Closing standard input first lets a child that waits for input end by
  // itself; a child that is still running is killed either way.
  closeFd(m_input);
  if (!m_reaped && m_pid > 0) {
    killChild();
    while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    m_reaped = true;
  }
  closeFd(m_output);
  closeFd(m_error);
  closeFd(m_pidFd);
}

void ChildProcess::closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

void ChildProcess::write(std::string_view bytes) {
  if (!inputOpen()) return;
  if (m_pendingOffset == m_pendingInput.size()) {
    m_pendingInput.clear();
    m_pendingOffset = 0;
  }
  m_pendingInput.append(bytes);
}

void ChildProcess::closeInput() {
  m_closeInputWhenDrained = true;
  if (m_pendingOffset == m_pendingInput.size()) closeFd(m_input);
}

void ChildProcess::closeOutput() { closeFd(m_output); }

bool ChildProcess::running() const {
  if (m_reaped || m_pid <= 0) return false;
  siginfo_t info{};
  int rc;
  while ((rc = waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT)) < 0 && errno == EINTR) {
  }
  // No state change reported leaves the process id in the info at zero.
  return rc == 0 && info.si_pid == 0;
}

void ChildProcess::killChild() {
  if (m_reaped || m_pid <= 0) return;
  if (m_pidFd >= 0) {
    signalPidFd(m_pidFd, SIGKILL);
  } else {
    ::kill(m_pid, SIGKILL);
  }
}

ChildProcess::Exit ChildProcess::run(Clock::time_point deadline, const OutputHandler& onOutput) {
  checkNotReaped(m_reaped);
  Exit result;
  const ReadBuffer buffer;
  char* const chunk = buffer.data();
  // What one read of standard output brought: the handler sees it, and an
  // answer it queued goes out at once; the end of the output ends the input.
  const auto takeOutput = [&](ssize_t n) {
    if (n > 0) {
      onOutput(std::string_view(chunk, static_cast<std::size_t>(n)));
      // A child that waits for an answer gets it at once, not after
      // another turn of the loop: the pipe almost always has room.
      writeInput();
    } else if (n == 0) {
      closeFd(m_output);
      // Nothing can answer a child whose output has ended.
      closeFd(m_input);
    } else if (errno != EAGAIN && errno != EINTR) {
      throw SystemError(errno, "read from child process");
    }
  };
  // A child in an exchange answers within microseconds: a short spin of
  // reads spares both sides a sleep and a wake-up per turn.
  SpinRead spin(m_output >= 0 && SpinRead::mayRunOnSeveralProcessors());
  writeInput();
  // Queued input keeps the loop going only where no output stream ends it:
  // the end of standard output closes standard input.
  while (m_output >= 0 || m_error >= 0 || (m_input >= 0 && m_pendingOffset < m_pendingInput.size())) {
    const int timeout = millisecondsUntil(deadline);
    if (timeout == 0) {
      killChild();
      result.timedOut = true;
      break;
    }
    // Spin only when no queued input waits for room: that wait is poll's.
    if (m_output >= 0 && spin.enabled() && (m_input < 0 || m_pendingOffset == m_pendingInput.size())) {
      const ssize_t n = spin.read(m_output, chunk, kReadChunk);
      if (n >= 0 || errno != EAGAIN) {
        takeOutput(n);
        continue;
      }
    }
    pollfd fds[3];
    nfds_t count = 0;
    int outputIndex = -1, errorIndex = -1, inputIndex = -1;
    if (m_output >= 0) {
      outputIndex = static_cast<int>(count);
      fds[count++] = {m_output, POLLIN, 0};
    }
    if (m_error >= 0) {
      errorIndex = static_cast<int>(count);
      fds[count++] = {m_error, POLLIN, 0};
    }
    if (m_input >= 0 && m_pendingOffset < m_pendingInput.size()) {
      inputIndex = static_cast<int>(count);
      fds[count++] = {m_input, POLLOUT, 0};
    }
    const int ready = ::poll(fds, count, timeout);
    if (ready < 0) {
      if (errno == EINTR) continue;
      throw SystemError(errno, "poll");
    }
    if (ready == 0) continue;

    // Input first: an answer queued by the previous chunk goes out before the
    // child's next request is read.
    if (inputIndex >= 0 && fds[inputIndex].revents != 0) writeInput();
    if (outputIndex >= 0 && fds[outputIndex].revents != 0) takeOutput(::read(m_output, chunk, kReadChunk));
    if (errorIndex >= 0 && fds[errorIndex].revents != 0) {
      const ssize_t n = ::read(m_error, chunk, kReadChunk);
      if (n > 0) {
        const std::size_t room = m_errorCap - m_errorOutput.size();
        const std::size_t taken = static_cast<std::size_t>(n) < room ? static_cast<std::size_t>(n) : room;
        m_errorOutput.append(chunk, taken);
        if (taken < static_cast<std::size_t>(n)) m_errorTruncated = true;
      } else if (n == 0) {
        closeFd(m_error);
      } else if (errno != EAGAIN && errno != EINTR) {
        throw SystemError(errno, "read from child process");
      }
    }
  }
  closeFd(m_input);
  const Exit ended = reap(result.timedOut ? Clock::time_point::max() : deadline);
  result.exited = ended.exited;
  result.status = ended.status;
  result.signal = ended.signal;
  result.timedOut = result.timedOut || ended.timedOut;
  return result;
}

void ChildProcess::writeInput() {
  if (m_input < 0 || m_pendingOffset == m_pendingInput.size()) return;
  const ssize_t n = ::write(m_input, m_pendingInput.data() + m_pendingOffset, m_pendingInput.size() - m_pendingOffset);
  if (n >= 0) {
    m_pendingOffset += static_cast<std::size_t>(n);
    if (m_pendingOffset == m_pendingInput.size() && m_closeInputWhenDrained) closeFd(m_input);
  } else if (errno == EPIPE) {
    // The child no longer reads its input; its exit status tells the rest.
    m_pendingInput.clear();
    m_pendingOffset = 0;
    closeFd(m_input);
  } else if (errno != EAGAIN && errno != EINTR) {
    throw SystemError(errno, "write to child process");
  }
}

ChildProcess::Exit ChildProcess::reap(Clock::time_point deadline) {
  Exit result;
  // A child that closed its streams but keeps running is waited for only
  // until the deadline, then killed.
  if (deadline != Clock::time_point::max()) {
    if (m_pidFd >= 0) {
      for (;;) {
        pollfd fd = {m_pidFd, POLLIN, 0};
        const int ready = ::poll(&fd, 1, millisecondsUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
          killChild();
          result.timedOut = true;
        }
        break;
      }
    } else {
      for (;;) {
        int status = 0;
        const pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
          m_reaped = true;
          result.exited = WIFEXITED(status);
          result.status = result.exited ? WEXITSTATUS(status) : -1;
          result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
          return result;
        }
        if (millisecondsUntil(deadline) == 0) {
          killChild();
          result.timedOut = true;
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
  }
  int status = 0;
  pid_t done;
  while ((done = waitpid(m_pid, &status, 0)) < 0 && errno == EINTR) {
  }
  m_reaped = true;
  if (done != m_pid) throw SystemError(errno, "waitpid");
  result.exited = WIFEXITED(status);
  result.status = result.exited ? WEXITSTATUS(status) : -1;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result;
}

}  // namespace kivo_support
