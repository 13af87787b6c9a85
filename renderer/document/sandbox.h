// The renderer's sandbox. A run may read only what it is handed on standard
// input; once inside, the process cannot open, create or change files, start
// programs, open network sockets or trace other processes.
//
// Two layers: a seccomp filter that allows only the system calls the renderer
// makes once inside and answers every other one with EPERM (so a refused open
// reads as "Operation not permitted (os error 1)"), and, where the kernel has
// Landlock, a ruleset that grants no file or network access at all.
// Descriptors that are already open (standard input, output and error) keep
// working.
//
// The filter is a fixed BPF program generated when the renderer is built (see
// filter-generator/); the program's entry passes it in, so that this code
// never assembles one at run time.
#pragma once

#include <linux/filter.h>

#include <span>

#include "document/run_error.h"
#include "dom/result.h"

namespace kivo_document::sandbox {

// What enter() put in place.
struct Applied {
  // The Landlock ABI version in force, 0 when the kernel has no Landlock.
  int landlock_abi = 0;
};

// A classic BPF program for seccomp, as the kernel takes it.
using FilterProgram = std::span<const sock_filter>;

// Sets no-new-privileges, restricts the process with Landlock where present,
// then installs the filter. Fails when no-new-privileges or the filter cannot
// be set, or when a Landlock the kernel offers cannot be applied; the renderer
// then refuses to run. Irreversible for the calling process.
kivo_dom::Result<Applied, RunError> enter(FilterProgram filter);

// Sets no-new-privileges and installs the filter on every thread of the
// process, without Landlock: the last step of enter().
kivo_dom::Result<void, RunError> install_filter(FilterProgram filter);

}  // namespace kivo_document::sandbox
