#include "document/sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/futex.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "document/syscall_filter_program.h"
#include "dom/result.h"

namespace kivo_document {
namespace {

enum class Layers { Both, FilterOnly };

// The test process, which forks the sandboxed children: the parent they must
// not reach. Taken before the fork, as getppid() is itself refused inside.
pid_t g_parent = 0;

struct ChildEnd {
  // What the child wrote on its report pipe.
  std::string report;
  int status = 0;
};

// Runs checks in a forked child, since the sandbox cannot be left again. The
// child enters the sandbox (or installs the filter alone, as on a kernel
// without Landlock), reports on a pipe and exits with what checks returns.
// With quiet, the child's standard error goes to /dev/null: inside the
// sandbox it could not be redirected any more.
ChildEnd run_sandboxed(Layers layers, int (*checks)(int report_fd), bool quiet = false) {
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  g_parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (quiet) {
      const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
      if (null_fd >= 0) ::dup2(null_fd, STDERR_FILENO);
    }
    // A child the filter kills must not leave a core file behind.
    const rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    std::string failure;
    if (layers == Layers::Both) {
      auto applied = sandbox::enter(sandbox::kSyscallFilter);
      if (!applied) failure = applied.error().display();
    } else {
      auto installed = sandbox::install_filter(sandbox::kSyscallFilter);
      if (!installed) failure = installed.error().display();
    }
    if (!failure.empty()) {
      failure = "enter failed: " + failure;
      (void)!::write(fds[1], failure.data(), failure.size());
      ::_exit(2);
    }
    ::_exit(checks(fds[1]));
  }
  ::close(fds[1]);
  ChildEnd end;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) end.report.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  EXPECT_EQ(::waitpid(pid, &end.status, 0), pid);
  return end;
}

// The report of a child that must have ended normally with status 0.
std::string clean_report(const ChildEnd& end) {
  std::string report = end.report;
  if (!WIFEXITED(end.status)) {
    report += " killed by signal " + std::to_string(WTERMSIG(end.status));
  } else if (WEXITSTATUS(end.status) != 0) {
    report += " exit " + std::to_string(WEXITSTATUS(end.status));
  }
  return report;
}

// One system call made inside the sandbox. Each is harmless should the filter
// let it through, and outside the sandbox it would succeed or fail with an
// error other than EPERM, so EPERM can only come from the filter.
struct SyscallCase {
  const char* name;
  long (*call)();
  // Reaches the kernel in this build. The sanitizer runtimes' calls do only
  // in a sanitizer build.
  bool allowed;
};

// Maps one private page with the given protection.
long map_page(int prot) {
  void* page = ::mmap(nullptr, 4096, prot, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return page == MAP_FAILED ? -1 : 0;
}

constexpr bool kSanitizerCalls = sandbox::kSyscallFilterForSanitizers;

const SyscallCase kSyscallCases[] = {
    // Nothing can be opened, not even for reading.
    {"open", [] { return static_cast<long>(::open("/etc/hostname", O_RDONLY | O_CLOEXEC)); }, false},
    {"openat", [] { return static_cast<long>(::openat(AT_FDCWD, "/dev/null", O_RDONLY | O_CLOEXEC)); }, false},
    {"creat", [] { return static_cast<long>(::syscall(SYS_creat, "/nonexistent/kivo-probe", 0600)); }, false},
    {"mkdir", [] { return static_cast<long>(::mkdir("/nonexistent/kivo-probe", 0700)); }, false},
    // The parent, or anyone else, cannot be signalled (signal 0 only asks).
    {"kill parent", [] { return static_cast<long>(::kill(g_parent, 0)); }, false},
    {"kill group", [] { return static_cast<long>(::kill(0, 0)); }, false},
    {"tkill parent", [] { return ::syscall(SYS_tkill, g_parent, 0); }, false},
    {"tgkill parent", [] { return ::syscall(SYS_tgkill, g_parent, g_parent, 0); }, false},
    {"pidfd_open", [] { return ::syscall(SYS_pidfd_open, g_parent, 0); }, false},
    {"pidfd_send_signal", [] { return ::syscall(SYS_pidfd_send_signal, -1, 0, nullptr, 0); }, false},
    // No programs, processes, sockets or tracing.
    {"execve", [] {
       char* const argv[] = {const_cast<char*>("/nonexistent/kivo-probe"), nullptr};
       return static_cast<long>(::execv(argv[0], argv));
     }, false},
    // Flags the kernel refuses on their own, so a filter that let it through
    // still starts nothing.
    {"clone", [] { return ::syscall(SYS_clone, CLONE_SIGHAND, nullptr, nullptr, nullptr, 0); }, false},
    {"socket", [] { return static_cast<long>(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)); }, false},
    {"ptrace", [] { return ::ptrace(PTRACE_PEEKDATA, g_parent, nullptr, nullptr); }, false},
    {"ioctl", [] { return static_cast<long>(::syscall(SYS_ioctl, 2, TCGETS, nullptr)); }, false},
    // No executable memory, mapped or changed.
    {"mmap executable", [] { return map_page(PROT_READ | PROT_EXEC); }, false},
    {"mprotect executable", [] {
       void* page = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
       if (page == MAP_FAILED) return 0L;
       return static_cast<long>(::mprotect(page, 4096, PROT_READ | PROT_EXEC));
     }, false},
    // What the renderer itself needs.
    {"mmap", [] { return map_page(PROT_READ | PROT_WRITE); }, true},
    {"munmap and mremap", [] {
       void* page = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
       if (page == MAP_FAILED) return -1L;
       void* moved = ::mremap(page, 4096, 8192, MREMAP_MAYMOVE);
       if (moved == MAP_FAILED) return -1L;
       if (::madvise(moved, 8192, MADV_DONTNEED) != 0) return -1L;
       return static_cast<long>(::munmap(moved, 8192));
     }, true},
    {"brk", [] { return ::syscall(SYS_brk, 0); }, true},
    // Reading standard input without waiting, for the spin before an answer;
    // no vectors, so nothing is taken from the test's own input.
    {"preadv2 standard input without waiting", [] {
       return static_cast<long>(::preadv2(STDIN_FILENO, nullptr, 0, -1, RWF_NOWAIT));
     }, true},
    {"preadv2 standard input waiting", [] {
       return static_cast<long>(::preadv2(STDIN_FILENO, nullptr, 0, -1, 0));
     }, false},
    {"preadv2 other descriptor", [] { return static_cast<long>(::preadv2(-1, nullptr, 0, -1, RWF_NOWAIT)); }, false},
    {"writev", [] { return static_cast<long>(::writev(-1, nullptr, 0)); }, true},
    // Handing pages to standard output by reference; no vectors, so nothing
    // reaches the test's own output. Gifting pages, or another descriptor,
    // stays refused.
    {"vmsplice standard output", [] { return static_cast<long>(::vmsplice(STDOUT_FILENO, nullptr, 0, 0)); }, true},
    {"vmsplice gift", [] {
       return static_cast<long>(::vmsplice(STDOUT_FILENO, nullptr, 0, SPLICE_F_GIFT));
     }, false},
    {"ioctl unread bytes of standard output", [] {
       int unread = 0;
       return static_cast<long>(::ioctl(STDOUT_FILENO, FIONREAD, &unread));
     }, true},
    {"ioctl other request on standard output", [] {
       return ::syscall(SYS_ioctl, STDOUT_FILENO, TCGETS, nullptr);
     }, false},
    {"ioctl unread bytes of another descriptor", [] {
       int unread = 0;
       return static_cast<long>(::ioctl(STDERR_FILENO, FIONREAD, &unread));
     }, false},
    {"fcntl pipe size", [] { return static_cast<long>(::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 65536)); }, true},
    {"fcntl other command", [] { return static_cast<long>(::fcntl(STDOUT_FILENO, F_SETFL, O_NONBLOCK)); }, false},
    {"fcntl other descriptor", [] { return static_cast<long>(::fcntl(STDERR_FILENO, F_SETPIPE_SZ, 65536)); }, false},
    {"vmsplice other descriptor", [] { return static_cast<long>(::vmsplice(STDERR_FILENO, nullptr, 0, 0)); }, false},
    // Waking and waiting on the process's own futexes only.
    {"futex private wake", [] {
       int word = 0;
       return ::syscall(SYS_futex, &word, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
     }, true},
    {"futex private wait", [] {
       int word = 0;
       // The word does not hold 1, so the wait returns at once.
       return ::syscall(SYS_futex, &word, FUTEX_WAIT_PRIVATE | FUTEX_CLOCK_REALTIME, 1, nullptr, nullptr, 0);
     }, true},
    {"futex shared wake", [] {
       int word = 0;
       return ::syscall(SYS_futex, &word, FUTEX_WAKE, 1, nullptr, nullptr, 0);
     }, false},
    {"futex priority lock", [] {
       int word = 0;
       return ::syscall(SYS_futex, &word, FUTEX_LOCK_PI_PRIVATE, 0, nullptr, nullptr, 0);
     }, false},
    {"clock_gettime", [] {
       timespec now{};
       return ::syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &now);
     }, true},
    // Examining a path is allowed, so a missing file or a directory keeps its
    // own error.
    {"stat", [] {
       struct stat info {};
       return static_cast<long>(::stat("/", &info));
     }, true},
    // The sanitizer runtimes' own calls, in their build only.
    {"getpid", [] { return static_cast<long>(::syscall(SYS_getpid)); }, kSanitizerCalls},
    {"readlink", [] {
       char target[64];
       return static_cast<long>(::readlink("/proc/self/exe", target, sizeof target));
     }, kSanitizerCalls},
    {"pipe2", [] {
       int fds[2];
       return static_cast<long>(::pipe2(fds, O_CLOEXEC));
     }, kSanitizerCalls},
    {"close", [] { return static_cast<long>(::close(-1)); }, kSanitizerCalls},
    {"sigaltstack query", [] {
       stack_t current{};
       return static_cast<long>(::sigaltstack(nullptr, &current));
     }, kSanitizerCalls},
    // Setting a signal stack stays refused in every build.
    {"sigaltstack set", [] {
       static char stack[1 << 16];
       stack_t replacement{};
       replacement.ss_sp = stack;
       replacement.ss_size = sizeof stack;
       return static_cast<long>(::sigaltstack(&replacement, nullptr));
     }, false},
};

// Runs every case and reports each one the filter judged wrongly, by name.
int check_syscall_cases(int report) {
  for (const SyscallCase& c : kSyscallCases) {
    errno = 0;
    const long result = c.call();
    const bool refused = result == -1 && errno == EPERM;
    if (refused == c.allowed) {
      const std::string line = std::string(c.name) + (c.allowed ? " was refused; " : " was allowed; ");
      (void)!::write(report, line.data(), line.size());
    }
  }
  return 0;
}

TEST(Sandbox, FilterAloneAllowsOnlyTheRenderersCalls) {
  // As on a kernel without Landlock: the filter alone must keep the process
  // from opening anything and from signalling its parent.
  EXPECT_EQ(clean_report(run_sandboxed(Layers::FilterOnly, check_syscall_cases)), "");
}

TEST(Sandbox, BothLayersAllowOnlyTheRenderersCalls) {
  EXPECT_EQ(clean_report(run_sandboxed(Layers::Both, check_syscall_cases)), "");
}

TEST(Sandbox, AProgramTheKernelRefusesIsAnError) {
  // A jump past the end: the renderer must refuse to run, not go on without
  // a filter.
  static const sock_filter kBroken[] = {BPF_JUMP(BPF_JMP | BPF_JA, 5, 0, 0)};
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    auto installed = sandbox::install_filter(kBroken);
    const std::string text = installed ? "installed" : installed.error().display();
    (void)!::write(fds[1], text.data(), text.size());
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_EQ(text, "cannot enter the renderer sandbox: seccomp: Invalid argument (os error 22)");
}

TEST(Sandbox, KeepsOpenDescriptorsWorking) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "frame", 5), 5);
  static int read_end = -1;
  read_end = fds[0];
  const ChildEnd end = run_sandboxed(Layers::Both, [](int report) {
    char buffer[5];
    if (::read(read_end, buffer, sizeof buffer) != 5 || std::string(buffer, 5) != "frame") {
      (void)!::write(report, "r", 1);
    }
    // Examining an open descriptor stays allowed.
    struct stat info {};
    if (::fstat(read_end, &info) != 0) (void)!::write(report, "f", 1);
    return 0;
  });
  ::close(fds[0]);
  ::close(fds[1]);
  EXPECT_EQ(clean_report(end), "");
}

TEST(Sandbox, UsesLandlockWhereTheKernelHasIt) {
  int kernel_abi = 0;
#ifdef SYS_landlock_create_ruleset
  const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, 1U);
  kernel_abi = abi > 0 ? static_cast<int>(abi) : 0;
#endif
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    auto applied = sandbox::enter(sandbox::kSyscallFilter);
    const int applied_abi = applied ? applied->landlock_abi : -1;
    (void)!::write(fds[1], &applied_abi, sizeof applied_abi);
    ::_exit(applied ? 0 : 2);
  }
  ::close(fds[1]);
  int applied_abi = -1;
  EXPECT_EQ(::read(fds[0], &applied_abi, sizeof applied_abi), static_cast<ssize_t>(sizeof applied_abi));
  ::close(fds[0]);
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_EQ(applied_abi, kernel_abi);
}

// Whether this kernel runs 32-bit system calls of a 64-bit process at all;
// without that emulation int 0x80 faults before any filter sees it.
bool kernel_runs_i386_calls() {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    long result = 20;  // getpid in the i386 numbering
    asm volatile("int $0x80" : "+a"(result) : : "memory");
    ::_exit(result > 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(Sandbox, KillsX32Calls) {
  // An x32 number, even for a call the renderer may make, ends the process.
  const ChildEnd x32 = run_sandboxed(Layers::FilterOnly, [](int) {
    ::syscall(__X32_SYSCALL_BIT + SYS_write, 2, "", 0);
    return 0;
  });
  ASSERT_TRUE(WIFSIGNALED(x32.status)) << clean_report(x32);
  EXPECT_EQ(WTERMSIG(x32.status), SIGSYS);
}

TEST(Sandbox, KillsCallsOfAnotherArchitecture) {
  if (!kernel_runs_i386_calls()) GTEST_SKIP() << "this kernel runs no i386 system calls";
  const ChildEnd i386 = run_sandboxed(Layers::FilterOnly, [](int) {
    long result = 20;
    asm volatile("int $0x80" : "+a"(result) : : "memory");
    return 0;
  });
  ASSERT_TRUE(WIFSIGNALED(i386.status)) << clean_report(i386);
  EXPECT_EQ(WTERMSIG(i386.status), SIGSYS);
}

TEST(Sandbox, AFailedInvariantStillEndsTheProcess) {
  // abort() cannot signal the process itself inside the filter; the run must
  // end as a failure all the same, never with status 0.
  const ChildEnd end = run_sandboxed(
      Layers::Both, [](int) -> int { kivo_dom::fail_invariant("probe"); }, /*quiet=*/true);
  EXPECT_FALSE(WIFEXITED(end.status) && WEXITSTATUS(end.status) == 0) << end.report;
}

}  // namespace
}  // namespace kivo_document
