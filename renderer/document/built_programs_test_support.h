// Test support for running the built programs as children: where they are
// (beside the test binary) and the environment they get.
#pragma once

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

extern char** environ;

namespace kivo_document::testing_support {

// The path of a program built into the same directory as this test binary.
inline std::string sibling_program(const std::string& name) {
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return name;
  const std::string path(self, static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1) + name;
}

// This process's environment for a child. The sandboxed renderer cannot open
// /proc, which leak checking at exit needs, so a sanitized build runs it
// without that check.
inline std::vector<std::string> child_environment() {
  std::vector<std::string> env;
  std::string asan = "ASAN_OPTIONS=detect_leaks=0";
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry(*e);
    if (entry.rfind("ASAN_OPTIONS=", 0) == 0) {
      asan = entry + ":detect_leaks=0";
    } else {
      env.push_back(entry);
    }
  }
  env.push_back(asan);
  return env;
}

}  // namespace kivo_document::testing_support
