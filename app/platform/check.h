// Aborts in every build when an impossible state is reached: such a state must
// never be reported as success, and an assert that vanishes in Release would.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace kivo_platform {

[[noreturn]] inline void failInvariant(const char* what, const char* file, int line) {
  std::fprintf(stderr, "internal invariant violated at %s:%d: %s\n", file, line, what);
  std::abort();
}

}  // namespace kivo_platform

#define KIVO_CHECK(cond)                                                     \
  do {                                                                       \
    if (!(cond)) ::kivo_platform::failInvariant(#cond, __FILE__, __LINE__); \
  } while (false)
