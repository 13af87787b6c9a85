// Fuzz target: the renderer's whole run from its standard input, in process
// and without the sandbox. The first byte picks the mode (presentation,
// manifest, or a scene at one of a few widths); the rest is what arrives on
// standard input: the frame and, in scene mode, the measurement answers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "document/driver.h"
#include "document/reader.h"
#include "json/io.h"
#include "json_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const std::vector<std::vector<std::string>> kArguments = {
      {"kivo-document", "--stdin"},
      {"kivo-document", "--stdin", "0"},
      {"kivo-document", "--stdin", "800"},
      {"kivo-document", "--stdin", "160"},
  };
  const auto& args = kArguments[data[0] % kArguments.size()];
  auto input = kivo_document::Reader::from_bytes(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  kivo_json::StringOutput out;
  auto result = kivo_document::run(args, input, out);
  if (!result) {
    if (result.error().text.empty()) std::abort();
    // A failed run may have written complete measurement requests, nothing else.
    if (out.text.empty()) return 0;
  }
  if (auto error = kivo_fuzz::json_lines_error(out.text)) {
    std::fprintf(stderr, "renderer output is malformed: %s\n", error->c_str());
    std::abort();
  }
  // Requests come first, one per line; a successful scene ends with the one scene line.
  const bool scene = args.size() == 3 && args[2] != "0";
  std::size_t start = 0;
  while (start < out.text.size()) {
    const std::size_t end = out.text.find('\n', start);
    const bool last = end + 1 == out.text.size();
    const std::string_view line(out.text.data() + start, end - start);
    if (scene && !(last && result)) KIVO_CHECK(line.rfind("{\"measure\":true,", 0) == 0);
    if (scene && last && result) KIVO_CHECK(line.rfind("{\"version\":2,", 0) == 0);
    start = end + 1;
  }
  return 0;
}
