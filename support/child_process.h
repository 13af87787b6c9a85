// A child process with its standard streams on pipes, driven by one poll()
// loop whose deadline is the watchdog. The application starts the renderer
// with it, and so do the tools, the benchmarks and the tests that run a built
// program.
//
// Each wait for the child's output first spins briefly on non-blocking reads
// (spin_read.h), since a child in an exchange answers within microseconds;
// the output pipe is enlarged where the system allows, so that a child can
// write a long result in a few large pieces.
//
// The child holds its three standard streams and no other descriptor of this
// process, whether or not that descriptor is marked close-on-exec.
//
// Limits: the captured standard error is capped (default 64 KiB; the rest is
// read and discarded so the child never blocks on it); the whole run, including
// writing the input and waiting for the exit, ends at the deadline, when the
// child is killed. The child is always reaped: by run(), or by the destructor,
// which kills a child that is still running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/system_error.h"

namespace kivo_support {

class ChildProcess {
public:
  enum class ErrorStream { Capture, Discard };

  // How the child ended.
  struct Exit {
    bool exited = false;    // true when it called exit; false when a signal ended it
    int status = -1;        // the exit status when `exited`
    int signal = 0;         // the ending signal otherwise
    bool timedOut = false;  // true when the deadline passed and the child was killed
    bool succeeded() const { return exited && status == 0; }
  };

  using Clock = std::chrono::steady_clock;
  // Receives each chunk read from the child's standard output (valid during
  // the call only); may queue input.
  using OutputHandler = std::function<void(std::string_view chunk)>;

  static constexpr std::size_t kDefaultErrorCap = 64 * 1024;

  // How a child is started besides its program and arguments.
  struct Options {
    ErrorStream errorStream = ErrorStream::Capture;
    std::size_t errorCap = kDefaultErrorCap;
    // The child's whole environment ("NAME=value" entries); this process's
    // own when not given.
    std::optional<std::vector<std::string>> environment;
    // A descriptor the child reads as its standard input instead of a pipe
    // from us (the caller keeps it and closes it); write() then sends nothing.
    int inputDescriptor = -1;
    // Sends the child's standard output to /dev/null instead of a pipe to
    // us; run() then only waits for the exit (and standard error).
    bool discardOutput = false;
  };

  // Starts `executable` with `arguments` (the program name is added in front).
  // Throws SystemError when the pipes cannot be made or the launch fails.
  ChildProcess(const std::string& executable, const std::vector<std::string>& arguments,
               ErrorStream errorStream, std::size_t errorCap = kDefaultErrorCap);
  ChildProcess(const std::string& executable, const std::vector<std::string>& arguments, const Options& options);
  // Kills a child that is still running and reaps it; closes every pipe end.
  ~ChildProcess();

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Queues bytes for the child's standard input; they are written by run().
  // Does nothing once standard input is closed or closing.
  void write(std::string_view bytes);
  // Closes standard input once the queued bytes have been written.
  void closeInput();
  // True while bytes queued now can still reach the child.
  bool inputOpen() const { return m_input >= 0 && !m_closeInputWhenDrained; }
  // Stops reading standard output and closes our end of it, so the child's
  // next write to it fails with a broken pipe.
  void closeOutput();

  // Runs the loop until standard output and standard error have ended and the
  // child has exited, or until `deadline`, when the child is killed
  // (Clock::time_point::max() sets no watchdog). The handler may throw: the
  // exception leaves run() and the destructor cleans up.
  // A child that stops reading its input (broken pipe) only loses the queued
  // input; any other write or read failure throws SystemError.
  Exit run(Clock::time_point deadline, const OutputHandler& onOutput);

  // The child's standard error as read so far, at most the cap.
  const std::string& errorOutput() const { return m_errorOutput; }
  // True when standard error held more than the cap.
  bool errorOutputTruncated() const { return m_errorTruncated; }

  pid_t pid() const { return m_pid; }

  // True while the child has neither ended nor been reaped. It stays
  // unreaped either way.
  bool running() const;

  // Makes a write to a closed pipe an error instead of a fatal signal, for the
  // whole process. Called by the first ChildProcess; safe to call again.
  static void ignoreBrokenPipe();

private:
  // Writes as much of the queued input as the pipe takes now, without waiting.
  void writeInput();
  void killChild();
  Exit reap(Clock::time_point deadline);
  void closeFd(int& fd);

  pid_t m_pid = -1;
  int m_pidFd = -1;
  int m_input = -1;   // our writing end of the child's standard input
  int m_output = -1;  // our reading end of its standard output
  int m_error = -1;   // our reading end of its standard error, when captured
  bool m_reaped = false;
  bool m_closeInputWhenDrained = false;
  std::string m_pendingInput;
  std::size_t m_pendingOffset = 0;
  std::size_t m_errorCap;
  std::string m_errorOutput;
  bool m_errorTruncated = false;
};

}  // namespace kivo_support
