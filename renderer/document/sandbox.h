// The renderer's sandbox. A run may read only what it is handed on standard
// input; once inside, the process cannot open, create or change files, start
// programs, open network sockets or trace other processes.
//
// Two layers: a seccomp filter that answers every file-opening, executing,
// socket and path-changing system call with EPERM (so a refused open reads as
// "Operation not permitted (os error 1)"), and, where the kernel has Landlock,
// a ruleset that grants no file or network access at all. Descriptors that are
// already open (standard input, output and error) keep working.
#pragma once

#include "document/run_error.h"
#include "dom/result.h"

namespace kivo_document::sandbox {

// What enter() put in place.
struct Applied {
  // The Landlock ABI version in force, 0 when the kernel has no Landlock.
  int landlock_abi = 0;
};

// Sets no-new-privileges, restricts the process with Landlock where present,
// then installs the seccomp filter. Fails when no-new-privileges or the filter
// cannot be set, or when a Landlock the kernel offers cannot be applied; the
// renderer then refuses to run. Irreversible for the calling process.
kivo_dom::Result<Applied, RunError> enter();

}  // namespace kivo_document::sandbox
