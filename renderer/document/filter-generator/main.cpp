// kivo-filter-generator: writes the renderer's system-call filter, once, when
// the renderer is built.
//
//   kivo-filter-generator [--sanitizer] OUTPUT.h
//
// The filter is an allowlist: exactly the calls kivo-document makes once its
// sandbox is in place, each listed below with the reason it is needed. Every
// other call fails with EPERM, so a refused open reads as "Operation not
// permitted (os error 1)". A call made for another architecture, or through
// the x32 interface, kills the process instead: those numbers mean something
// else, and no list written for this one can judge them.
//
// The program is compiled here with libseccomp and written out as a C++ array
// of classic BPF instructions, which the renderer hands to the kernel as it
// is; the renderer itself neither assembles a filter nor links libseccomp.
// --sanitizer adds what the AddressSanitizer and UndefinedBehaviorSanitizer
// runtimes call while the renderer runs; a Release build never has them.
#include <fcntl.h>
#include <linux/futex.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <linux/filter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Which arguments a call is allowed with.
enum class Args {
  Any,
  // Only for mappings that are not executable (mmap's protection).
  NotExecutable,
  // Only waiting and waking on the process's own private futexes.
  PrivateWaitWake,
  // Only asking for the current signal stack, never setting one.
  QueryOnly,
  // Only reading standard input without waiting (preadv2 with RWF_NOWAIT).
  StdinWithoutWaiting,
  // Only handing pages of the process's own memory to standard output, with
  // no flags (vmsplice: the pipe refers to the pages, nothing is gifted).
  StdoutWithoutFlags,
  // Only making the standard output pipe larger (fcntl F_SETPIPE_SZ).
  StdoutPipeSize,
  // Only asking how many bytes standard output's pipe still holds
  // (ioctl FIONREAD).
  StdoutUnread,
};

struct Call {
  const char* name;
  Args args = Args::Any;
  // Checked first: the calls the renderer makes all the time.
  bool hot = false;
};

// What the renderer calls after entering its sandbox.
constexpr Call kRendererCalls[] = {
    // Standard input (the frame, then the measurement answers) and standard
    // output and error (the requests, the document, the error line).
    {"read", Args::Any, true},
    {"write", Args::Any, true},
    // The short spin before waiting for a measurement answer: reads of
    // standard input that return at once, leaving the descriptor's flags as
    // the parent set them.
    {"preadv2", Args::StdinWithoutWaiting, true},
    // The document's large pieces go into the output pipe by reference
    // rather than by copy.
    {"vmsplice", Args::StdoutWithoutFlags},
    // ...into a pipe made large enough to take them without waiting.
    {"fcntl", Args::StdoutPipeSize},
    // ...and filled again once the reader has taken them.
    {"ioctl", Args::StdoutUnread},
    // The C library's last words before it aborts (heap corruption, a failed
    // runtime call) go out in one gathered write.
    {"writev"},
    // Examining the path of a file source, so that a missing file and a
    // directory keep their own errors; opening it is refused.
    {"newfstatat"},
    // Memory: the heap, large blocks mapped on their own, and their release.
    // No call may map, or turn, memory executable.
    {"brk"},
    {"mmap", Args::NotExecutable},
    {"munmap"},
    {"mremap"},
    {"madvise"},
    // The C++ runtime's one-time initialisations (the first exception thrown,
    // std::bad_alloc among them) wake any waiters when they finish.
    {"futex", Args::PrivateWaitWake},
    // The clock, for when the kernel's fast path cannot read it in user space.
    {"clock_gettime"},
    // The end of the run, and the return from any signal handler.
    {"exit_group"},
    {"exit"},
    {"rt_sigreturn"},
};

// What the sanitizer runtimes add while the renderer runs: checking whether
// memory is readable (through a pipe of their own, written to and closed),
// before any call that does not return (an exception thrown, exit, abort)
// looking up its signal stack so as to clear that stack's shadow, and a
// finding's report (the process id it names, the executable's name). Reading
// /proc or starting a symbolizer stays refused, so a report comes without
// symbol names.
constexpr Call kSanitizerCalls[] = {
    {"pipe2"}, {"close"}, {"sigaltstack", Args::QueryOnly}, {"getpid"}, {"readlink"},
};

int fail(const std::string& what, int code) {
  std::fprintf(stderr, "kivo-filter-generator: %s: %s\n", what.c_str(), std::strerror(code));
  return 1;
}

// Owns the libseccomp context for the whole run.
class Filter {
 public:
  Filter() : m_ctx(seccomp_init(SCMP_ACT_ERRNO(EPERM))) {}
  ~Filter() {
    if (m_ctx != nullptr) seccomp_release(m_ctx);
  }
  Filter(const Filter&) = delete;
  Filter& operator=(const Filter&) = delete;
  scmp_filter_ctx get() const { return m_ctx; }

 private:
  scmp_filter_ctx m_ctx;
};

int add_rule(const Filter& filter, const Call& call, int number, unsigned count, const scmp_arg_cmp* compare) {
  const int rc = seccomp_rule_add_array(filter.get(), SCMP_ACT_ALLOW, number, count, compare);
  if (rc != 0) return fail(std::string("rule for ") + call.name, -rc);
  return 0;
}

// The compared arguments are C ints and unsigned ints: only their low 32
// bits count, whatever a caller left in the upper half of the register.
constexpr scmp_datum_t kLow32 = 0xffffffffU;

// Allows the call only on descriptor `fd` (its first argument) and with its
// argument number `index` equal to `value`.
int add_descriptor_rule(const Filter& filter, const Call& call, int number, int fd, unsigned index,
                        scmp_datum_t value) {
  const scmp_arg_cmp compare[] = {
      SCMP_A0(SCMP_CMP_MASKED_EQ, kLow32, static_cast<scmp_datum_t>(fd)),
      SCMP_CMP(index, SCMP_CMP_MASKED_EQ, kLow32, value),
  };
  return add_rule(filter, call, number, 2, compare);
}

int add_call(const Filter& filter, const Call& call) {
  const int number = seccomp_syscall_resolve_name(call.name);
  if (number == __NR_SCMP_ERROR) return fail(std::string("unknown system call ") + call.name, EINVAL);
  switch (call.args) {
    case Args::Any:
      if (add_rule(filter, call, number, 0, nullptr) != 0) return 1;
      break;
    case Args::NotExecutable: {
      const scmp_arg_cmp not_exec = SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0);
      if (add_rule(filter, call, number, 1, &not_exec) != 0) return 1;
      break;
    }
    case Args::PrivateWaitWake:
      // With or without the realtime clock flag; no other operation, and no
      // futex shared with another process.
      for (const int op : {FUTEX_WAIT_PRIVATE, FUTEX_WAKE_PRIVATE, FUTEX_WAIT_BITSET_PRIVATE,
                           FUTEX_WAKE_BITSET_PRIVATE}) {
        const scmp_arg_cmp private_op =
            SCMP_A1(SCMP_CMP_MASKED_EQ, kLow32 & ~scmp_datum_t{FUTEX_CLOCK_REALTIME}, static_cast<scmp_datum_t>(op));
        if (add_rule(filter, call, number, 1, &private_op) != 0) return 1;
      }
      break;
    case Args::QueryOnly: {
      const scmp_arg_cmp no_new_stack = SCMP_A0(SCMP_CMP_EQ, 0);
      if (add_rule(filter, call, number, 1, &no_new_stack) != 0) return 1;
      break;
    }
    case Args::StdinWithoutWaiting:
      // preadv2(fd, iov, count, pos_low, pos_high, flags): the flags exactly
      // RWF_NOWAIT.
      if (add_descriptor_rule(filter, call, number, STDIN_FILENO, 5, RWF_NOWAIT) != 0) return 1;
      break;
    case Args::StdoutPipeSize:
      // fcntl(fd, cmd, size): only F_SETPIPE_SZ.
      if (add_descriptor_rule(filter, call, number, STDOUT_FILENO, 1, F_SETPIPE_SZ) != 0) return 1;
      break;
    case Args::StdoutUnread:
      // ioctl(fd, request, ...): only FIONREAD.
      if (add_descriptor_rule(filter, call, number, STDOUT_FILENO, 1, FIONREAD) != 0) return 1;
      break;
    case Args::StdoutWithoutFlags:
      // vmsplice(fd, iov, count, flags): no flags.
      if (add_descriptor_rule(filter, call, number, STDOUT_FILENO, 3, 0) != 0) return 1;
      break;
  }
  if (call.hot) {
    if (const int p = seccomp_syscall_priority(filter.get(), number, 255); p != 0) {
      return fail(std::string("priority of ") + call.name, -p);
    }
  }
  return 0;
}

// Runs one libseccomp export into a temporary file and returns its bytes.
template <class Export>
bool export_to_bytes(Export export_fn, std::string& bytes) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return false;
  const bool ok = export_fn(fileno(file)) == 0 && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, n);
  }
  std::fclose(file);
  return ok;
}

std::string header_text(const std::vector<sock_filter>& program, const std::string& listing, bool sanitizer) {
  std::string text;
  text += "// Generated by kivo-filter-generator when the renderer is built; do not edit.\n";
  text += sanitizer ? "// The renderer's system-call filter, with the sanitizer runtimes' calls.\n"
                    : "// The renderer's system-call filter.\n";
  text += "//\n";
  for (std::size_t start = 0; start < listing.size();) {
    const std::size_t end = std::min(listing.find('\n', start), listing.size());
    text += "// " + listing.substr(start, end - start) + "\n";
    start = end + 1;
  }
  text += "#pragma once\n\n#include <linux/filter.h>\n\nnamespace kivo_document::sandbox {\n\n";
  text += "inline constexpr bool kSyscallFilterForSanitizers = ";
  text += sanitizer ? "true;\n\n" : "false;\n\n";
  text += "inline constexpr sock_filter kSyscallFilter[] = {\n";
  char line[96];
  for (const sock_filter& insn : program) {
    std::snprintf(line, sizeof line, "    {0x%04x, %u, %u, 0x%08xU},\n", static_cast<unsigned>(insn.code),
                  static_cast<unsigned>(insn.jt), static_cast<unsigned>(insn.jf), static_cast<unsigned>(insn.k));
    text += line;
  }
  text += "};\n\n}  // namespace kivo_document::sandbox\n";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  bool sanitizer = false;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--sanitizer") {
      sanitizer = true;
    } else if (output == nullptr) {
      output = argv[i];
    } else {
      output = nullptr;
      break;
    }
  }
  if (output == nullptr) {
    std::fprintf(stderr, "usage: kivo-filter-generator [--sanitizer] OUTPUT.h\n");
    return 2;
  }

  const Filter filter;
  if (filter.get() == nullptr) return fail("seccomp_init", ENOMEM);
  if (const int rc = seccomp_attr_set(filter.get(), SCMP_FLTATR_ACT_BADARCH, SCMP_ACT_KILL_PROCESS); rc != 0) {
    return fail("bad architecture action", -rc);
  }
  for (const Call& call : kRendererCalls) {
    if (add_call(filter, call) != 0) return 1;
  }
  if (sanitizer) {
    for (const Call& call : kSanitizerCalls) {
      if (add_call(filter, call) != 0) return 1;
    }
  }

  std::string bpf;
  std::string listing;
  if (!export_to_bytes([&](int fd) { return seccomp_export_bpf(filter.get(), fd); }, bpf)) {
    return fail("exporting the program", EIO);
  }
  if (!export_to_bytes([&](int fd) { return seccomp_export_pfc(filter.get(), fd); }, listing)) {
    return fail("exporting the listing", EIO);
  }
  if (bpf.empty() || bpf.size() % sizeof(sock_filter) != 0 || bpf.size() / sizeof(sock_filter) > BPF_MAXINSNS) {
    return fail("the exported program", EINVAL);
  }
  std::vector<sock_filter> program(bpf.size() / sizeof(sock_filter));
  std::memcpy(program.data(), bpf.data(), bpf.size());

  // Written beside the target and renamed, so that an interrupted build never
  // leaves half a header behind.
  const std::string text = header_text(program, listing, sanitizer);
  const std::string partial = std::string(output) + ".partial";
  std::FILE* out = std::fopen(partial.c_str(), "w");
  if (out == nullptr) return fail(partial, errno);
  const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if (std::fclose(out) != 0 || !written) return fail(partial, EIO);
  if (std::rename(partial.c_str(), output) != 0) return fail(output, errno);
  return 0;
}
