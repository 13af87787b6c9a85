#include "document/driver.h"

#include <algorithm>
#include <cstdlib>

#include "dom/float_parse.h"
#include "document/heap.h"
#include "document/scene_run.h"
#include "engine/engine.h"
#include "engine/presentation.h"
#include "engine/resources.h"
#include "support/frame_length.h"
#include "support/regular_file_read.h"

namespace kivo_document {
namespace {

using kivo_json::IoError;

// A file source is read through this bound, so an oversized file costs at most
// one byte more than the limit, and a file that keeps growing cannot hold the
// run up.
constexpr std::size_t kFileReadBound = kMaxFileBytes + 1;

enum class Mode { Presentation, Manifest, Scene };

struct Arguments {
  std::string_view source;
  Mode mode = Mode::Presentation;
  float width = 0.0f;
};

// Reads the arguments: the source, then the width, then the count; a bad
// width is reported before a surplus argument.
kivo_dom::Result<Arguments, RunError> read_arguments(const std::vector<std::string>& args) {
  if (args.size() < 2) return kivo_dom::err(RunError::message("expected one local HTML file"));
  Arguments parsed;
  parsed.source = args[1];
  if (args.size() >= 3) {
    // Invalid UTF-8 would only ever become U+FFFD and so an invalid literal;
    // the raw bytes give the same answer.
    auto width = kivo_dom::parse_f32(args[2]);
    if (!width) return kivo_dom::err(RunError::float_parse(std::move(width).error()));
    parsed.width = *width;
    // Negative zero compares equal to zero and NaN to nothing, as intended.
    parsed.mode = parsed.width == 0.0f ? Mode::Manifest : Mode::Scene;
  }
  if (args.size() > 3) return kivo_dom::err(RunError::message("expected file and optional viewport width"));
  return parsed;
}

kivo_dom::Result<std::string, RunError> read_input(std::string_view source, Reader& input) {
  if (source == kStdinSource) return read_frame(input);
  return read_file_source(std::string(source));
}

}  // namespace

kivo_dom::Result<std::string, RunError> read_frame(Reader& input) {
  char length_bytes[kivo_wire::kFrameLengthBytes];
  if (auto r = input.read_exact(length_bytes, sizeof length_bytes); !r) {
    return kivo_dom::err(RunError::io(r.error()));
  }
  const std::uint32_t length = kivo_wire::read_be32(std::string_view(length_bytes, sizeof length_bytes));
  // The length is tested before anything is allocated.
  if (length > kMaxFrameBytes) return kivo_dom::err(RunError::message("HTML input exceeds 1 MiB"));
  // The heap grows once, by what this input may need, before its first block.
  heap::grow_for_input(length);
  std::string payload(length, '\0');
  if (auto r = input.read_exact(payload.data(), payload.size()); !r) {
    return kivo_dom::err(RunError::io(r.error()));
  }
  return payload;
}

kivo_dom::Result<std::string, RunError> read_file_source(const std::string& path) {
  if (path.find('\0') != std::string::npos) {
    return kivo_dom::err(RunError::io(IoError::invalid_data("file name contained an unexpected NUL byte")));
  }
  // The heap grows once, by what this file may need, before its first block.
  kivo_support::FileRead read = kivo_support::read_regular_file(path, kFileReadBound, heap::grow_for_input);
  switch (read.status) {
    case kivo_support::FileRead::Status::Failed:
      return kivo_dom::err(RunError::io(IoError::os(read.error)));
    case kivo_support::FileRead::Status::NotRegular:
      return kivo_dom::err(RunError::message("expected a regular file"));
    case kivo_support::FileRead::Status::Read:
      break;
  }
  if (read.content.size() > kMaxFileBytes) return kivo_dom::err(RunError::message("HTML file exceeds 1 MiB"));
  return std::move(read.content);
}

kivo_dom::Result<void, RunError> run(const std::vector<std::string>& args, Reader& input,
                                     kivo_json::Output& output, const BeforeInput& before_input,
                                     const Finished& finished) {
  // 1. Read the arguments; nothing else has happened yet.
  KIVO_TRY_ASSIGN(const Arguments arguments, read_arguments(args));
  if (before_input) {
    KIVO_TRY(before_input());
  }

  // 2. Read the whole input into one buffer that lives for the run.
  KIVO_TRY_ASSIGN(const std::string buffer, read_input(arguments.source, input));

  // 3. Split it into the HTML text and the resource blob.
  auto unpacked = kivo_engine::resources::unpack(buffer, kHtmlLimit);
  if (!unpacked) return kivo_dom::err(RunError::io(unpacked.error()));

  // 4. Parse the HTML text.
  const kivo_engine::Engine engine{kivo_html::kRendererLimits};
  auto document = engine.load_web_html(unpacked->html);
  if (!document) return kivo_dom::err(RunError::parse(document.error().display()));

  // 5. Write the mode's document to the caller's output writer.
  switch (arguments.mode) {
    case Mode::Presentation:
      if (auto r = kivo_engine::presentation::write_json(*document, output); !r) {
        return kivo_dom::err(RunError::io(r.error()));
      }
      break;
    case Mode::Manifest:
      if (auto r = kivo_engine::Manifest::discover(*document).write_json(output); !r) {
        return kivo_dom::err(RunError::io(r.error()));
      }
      break;
    case Mode::Scene:
      KIVO_TRY(run_scene(*document, unpacked->blob, arguments.width, output, input));
      break;
  }

  // 6. Flush everything that is still buffered.
  if (auto r = output.flush(); !r) return kivo_dom::err(RunError::io(r.error()));
  if (finished) finished();
  return {};
}

int process_main(int argc, char** argv, const BeforeInput& before_input) {
  std::vector<std::string> args;
  args.reserve(static_cast<std::size_t>(std::max(argc, 0)));
  for (int i = 0; i < argc; ++i) args.emplace_back(argv[i]);

  // Whether to spin for answers is decided here, before the sandbox closes
  // the call that asks for the processors.
  Reader input(STDIN_FILENO, kivo_support::SpinRead::mayRunOnSeveralProcessors());
  kivo_json::BufferedFdOutput output(STDOUT_FILENO);
  auto result = run(args, input, output, before_input, [] { std::_Exit(0); });
  if (result) return 0;

  // What the writer still holds goes out first, errors ignored; then the one
  // error line.
  output.discard_flush();
  std::string line = result.error().display();
  line.push_back('\n');
  (void)kivo_json::write_all_fd(STDERR_FILENO, line);
  return 1;
}

}  // namespace kivo_document
