// The renderer program: enters its sandbox once the arguments are read, then
// runs. See driver.h for the command line.
#include <csignal>

#include "document/driver.h"
#include "document/heap.h"
#include "document/sandbox.h"
// Generated when the renderer is built: the system-call filter as a fixed BPF
// program (see filter-generator/).
#include "document/syscall_filter_program.h"

int main(int argc, char** argv) {
  // One heap for the whole run, grown once the input's length is known.
  kivo_document::heap::configure();
  // A closed output pipe must end the run with an error line, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  return kivo_document::process_main(argc, argv, []() -> kivo_dom::Result<void, kivo_document::RunError> {
    auto applied = kivo_document::sandbox::enter(kivo_document::sandbox::kSyscallFilter);
    if (!applied) return kivo_dom::err(std::move(applied).error());
    return {};
  });
}
