// Waiting for the other end of a pipe exchange. The application and the
// renderer take turns on their pipes, one line at a time; the answer usually
// comes within a few microseconds, and sleeping in the kernel until it comes
// costs more than that on both sides (the sleep, the wake-up of a process on
// another processor, the switch back). So each side first tries non-blocking
// reads for a short while and only then blocks.
//
// The tries never change the descriptor's file status flags: they use
// preadv2 with RWF_NOWAIT, so a descriptor the other process shares (the
// renderer's standard input) stays blocking for everyone else.
//
// Spinning only pays when the other process can run at the same time, so it
// is off when this process may use only one processor. It is bounded by
// kSpinBudget per wait, and after kMissesBeforeBackOff waits in a row that it
// did not shorten it stays off for the next kWaitsBackedOff waits: two
// processes that the scheduler puts on one processor never spin against each
// other for long, and a stretch where the other side is busy (the renderer
// laying out, the application fetching) costs a few spins only.
//
// The budget is long enough to cover the other side waking from a sleep of
// its own (a poll or a blocking read: on a virtual machine its wake-up and
// answer take 100 to 200 us). With a shorter one, a side that fell asleep
// once, at the start of a run or after a long stretch of work, makes the
// other miss and sleep too; the next request then finds the first side
// asleep again, and the two can go on waking each other for dozens of
// exchanges at ten times the cost of one that both sides spin through.
//
// Header-only, so that the renderer and the fuzz build take it without a
// library of their own.
#pragma once

#include <sched.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>

namespace kivo_support {

class SpinRead {
public:
  // How long one wait tries before it blocks.
  static constexpr std::chrono::microseconds kSpinBudget{250};
  // Waits in a row that the spin did not shorten before it backs off.
  static constexpr int kMissesBeforeBackOff = 3;
  // Waits that then block at once.
  static constexpr int kWaitsBackedOff = 64;

  // True when this process may run on more than one processor.
  static bool mayRunOnSeveralProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    return sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 1;
  }

  // A spin that is on when `enabled` (usually mayRunOnSeveralProcessors()).
  explicit SpinRead(bool enabled) : m_enabled(enabled) {}

  bool enabled() const { return m_enabled; }

  // Reads what `fd` holds now or receives within the budget, without ever
  // blocking: the number of bytes read, 0 at the end of the input, or -1.
  // With -1, errno is EAGAIN when nothing came in time (or the spin is off or
  // backing off) and the caller should block; any other errno is a read
  // error. A descriptor that cannot be read without waiting (the kernel
  // refuses RWF_NOWAIT for it) turns the spin off for good, with EAGAIN.
  ssize_t read(int fd, char* buffer, std::size_t size) {
    if (!m_enabled || m_skip > 0) {
      if (m_skip > 0) --m_skip;
      errno = EAGAIN;
      return -1;
    }
    iovec vector{buffer, size};
    const auto start = Clock::now();
    for (;;) {
      const ssize_t n = ::preadv2(fd, &vector, 1, -1, RWF_NOWAIT);
      if (n >= 0) {
        m_misses = 0;
        return n;
      }
      if (errno != EAGAIN && errno != EINTR) {
        // EOPNOTSUPP (or EINVAL from an older kernel) says nothing about the
        // descriptor's data: the blocking read reports any real failure.
        if (errno == EOPNOTSUPP || errno == EINVAL) {
          m_enabled = false;
          errno = EAGAIN;
        }
        return -1;
      }
      if (Clock::now() - start >= kSpinBudget) break;
    }
    if (++m_misses >= kMissesBeforeBackOff) {
      m_misses = 0;
      m_skip = kWaitsBackedOff;
    }
    errno = EAGAIN;
    return -1;
  }

private:
  using Clock = std::chrono::steady_clock;

  bool m_enabled;
  int m_misses = 0;
  int m_skip = 0;
};

}  // namespace kivo_support
