#include "document/sandbox.h"

#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "json/io.h"

namespace kivo_document::sandbox {
namespace {

// Landlock's interface, spelled out here so that older kernel headers do not
// limit what a newer kernel can enforce.
struct LandlockRulesetAttr {
  std::uint64_t handled_access_fs;
  std::uint64_t handled_access_net;
  std::uint64_t scoped;
};
constexpr std::uint32_t kLandlockCreateRulesetVersion = 1U << 0;
// Every file access right of ABI 1 (execute to make symlink), then refer (2),
// truncate (3) and device ioctl (5).
constexpr std::uint64_t kFsAbi1 = (1ULL << 13) - 1;
constexpr std::uint64_t kFsRefer = 1ULL << 13;
constexpr std::uint64_t kFsTruncate = 1ULL << 14;
constexpr std::uint64_t kFsIoctlDev = 1ULL << 15;
// TCP bind and connect (ABI 4); abstract unix sockets and signals (ABI 6).
constexpr std::uint64_t kNetAll = (1ULL << 0) | (1ULL << 1);
constexpr std::uint64_t kScopeAll = (1ULL << 0) | (1ULL << 1);

RunError sandbox_error(std::string_view what, int code) {
  return RunError::message("cannot enter the renderer sandbox: " + std::string(what) + ": " +
                           kivo_json::IoError::os(code).display());
}

// Applies a ruleset that handles every access right the kernel knows and
// grants none of them. Returns the ABI applied, 0 without Landlock.
kivo_dom::Result<int, RunError> apply_landlock() {
#if defined(SYS_landlock_create_ruleset) && defined(SYS_landlock_restrict_self)
  const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, kLandlockCreateRulesetVersion);
  if (abi < 1) {
    // No Landlock in this kernel, switched off at boot, or refused by a
    // container's own filter: the seccomp layer still applies.
    if (errno == ENOSYS || errno == EOPNOTSUPP || errno == EPERM) return 0;
    return kivo_dom::err(sandbox_error("Landlock", errno));
  }
  LandlockRulesetAttr attr{};
  std::size_t attr_size = sizeof attr.handled_access_fs;
  attr.handled_access_fs = kFsAbi1;
  if (abi >= 2) attr.handled_access_fs |= kFsRefer;
  if (abi >= 3) attr.handled_access_fs |= kFsTruncate;
  if (abi >= 4) {
    attr.handled_access_net = kNetAll;
    attr_size = sizeof attr.handled_access_fs + sizeof attr.handled_access_net;
  }
  if (abi >= 5) attr.handled_access_fs |= kFsIoctlDev;
  if (abi >= 6) {
    attr.scoped = kScopeAll;
    attr_size = sizeof attr;
  }
  const long ruleset = ::syscall(SYS_landlock_create_ruleset, &attr, attr_size, 0U);
  if (ruleset < 0) return kivo_dom::err(sandbox_error("Landlock", errno));
  const long restricted = ::syscall(SYS_landlock_restrict_self, static_cast<int>(ruleset), 0U);
  const int restrict_errno = errno;
  ::close(static_cast<int>(ruleset));
  if (restricted != 0) return kivo_dom::err(sandbox_error("Landlock", restrict_errno));
  return static_cast<int>(abi);
#else
  return 0;
#endif
}

}  // namespace

kivo_dom::Result<void, RunError> install_filter(FilterProgram filter) {
  // Without no-new-privileges the kernel refuses an unprivileged filter.
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return kivo_dom::err(sandbox_error("no_new_privs", errno));
  if (filter.empty() || filter.size() > BPF_MAXINSNS) return kivo_dom::err(sandbox_error("seccomp", EINVAL));
  sock_fprog program{};
  program.len = static_cast<unsigned short>(filter.size());
  program.filter = const_cast<sock_filter*>(filter.data());
  // Every thread gets the filter, should a runtime have started one; a
  // thread that cannot take it makes the call fail with that thread's id.
  const long rc = ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_TSYNC, &program);
  if (rc != 0) return kivo_dom::err(sandbox_error("seccomp", rc < 0 ? errno : EBUSY));
  return {};
}

kivo_dom::Result<Applied, RunError> enter(FilterProgram filter) {
  // 1. No later exec could gain privileges; both layers require this.
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return kivo_dom::err(sandbox_error("no_new_privs", errno));
  // 2. Take away all file access where the kernel can.
  auto landlock = apply_landlock();
  if (!landlock) return kivo_dom::err(std::move(landlock).error());
  // 3. Allow only the renderer's own system calls, whatever the kernel.
  if (auto r = install_filter(filter); !r) return kivo_dom::err(std::move(r).error());
  return Applied{*landlock};
}

}  // namespace kivo_document::sandbox
