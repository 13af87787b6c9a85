#include "document/sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kivo_document {
namespace {

// Each check runs in a forked child, since the sandbox cannot be left again.
// The child reports one letter per failed check on a pipe and exits.
std::string run_in_sandbox(int (*checks)(int report_fd), int* landlock_abi = nullptr) {
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    auto applied = sandbox::enter();
    if (!applied) {
      const std::string text = "enter failed: " + applied.error().display();
      (void)!::write(fds[1], text.data(), text.size());
      ::_exit(2);
    }
    const int abi = applied->landlock_abi;
    (void)!::write(fds[1], &abi, sizeof abi);
    ::_exit(checks(fds[1]));
  }
  ::close(fds[1]);
  std::string report;
  char buffer[256];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int abi = -1;
  if (report.size() >= sizeof abi && report.rfind("enter failed", 0) != 0) {
    std::memcpy(&abi, report.data(), sizeof abi);
    report.erase(0, sizeof abi);
  }
  if (landlock_abi != nullptr) *landlock_abi = abi;
  int status = 0;
  EXPECT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) != 0) report += " exit " + std::to_string(WEXITSTATUS(status));
  return report;
}

void expect_eperm(int report_fd, bool refused, char letter) {
  if (!(refused && errno == EPERM)) (void)!::write(report_fd, &letter, 1);
}

TEST(Sandbox, RefusesFilesProgramsAndSockets) {
  const std::string report = run_in_sandbox([](int report) {
    errno = 0;
    expect_eperm(report, ::open("/dev/null", O_RDONLY) < 0, 'o');
    expect_eperm(report, ::openat(AT_FDCWD, "/etc/hostname", O_RDONLY | O_CLOEXEC) < 0, 'a');
    expect_eperm(report, ::creat("/tmp/kivo-sandbox-probe", 0600) < 0, 'c');
    expect_eperm(report, ::socket(AF_INET, SOCK_STREAM, 0) < 0, 's');
    expect_eperm(report, ::socket(AF_UNIX, SOCK_STREAM, 0) < 0, 'u');
    char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
    expect_eperm(report, ::execv("/bin/true", argv) < 0, 'e');
    expect_eperm(report, ::mkdir("/tmp/kivo-sandbox-probe-dir", 0700) < 0, 'm');
    return 0;
  });
  EXPECT_EQ(report, "");
}

TEST(Sandbox, UsesLandlockWhereTheKernelHasIt) {
  int kernel_abi = 0;
#ifdef SYS_landlock_create_ruleset
  const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, 1U);
  kernel_abi = abi > 0 ? static_cast<int>(abi) : 0;
#endif
  int applied_abi = -1;
  EXPECT_EQ(run_in_sandbox([](int) { return 0; }, &applied_abi), "");
  EXPECT_EQ(applied_abi, kernel_abi);
}

TEST(Sandbox, KeepsOpenDescriptorsWorking) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "frame", 5), 5);
  static int read_end = -1;
  read_end = fds[0];
  const std::string report = run_in_sandbox([](int report) {
    char buffer[5];
    if (::read(read_end, buffer, sizeof buffer) != 5 || std::string(buffer, 5) != "frame") {
      (void)!::write(report, "r", 1);
    }
    // Writing and examining an open descriptor stays allowed.
    struct stat info {};
    if (::fstat(read_end, &info) != 0) (void)!::write(report, "f", 1);
    return 0;
  });
  ::close(fds[0]);
  ::close(fds[1]);
  EXPECT_EQ(report, "");
}

}  // namespace
}  // namespace kivo_document
