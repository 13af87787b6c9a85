// The renderer program's run: command line, input, mode, output and status.
//
//   kivo-document SOURCE [WIDTH]
//
// SOURCE "--stdin" (exactly) reads the input frame from standard input: a
// 32-bit big-endian length N of at most 1,115,148, then N bytes. Any other
// SOURCE is the path of a regular file of at most 1,048,576 bytes. The input
// is plain HTML or a resource envelope. No WIDTH writes the presentation JSON,
// a WIDTH that parses to zero the manifest JSON, any other WIDTH runs scene
// mode. Success is status 0; a failure writes one error line to standard error
// and ends with status 1.
//
// The run reads at most N + 4 bytes of standard input before scene mode, reads
// a file through a bound of 1,048,577 bytes and opens no other file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/reader.h"
#include "document/run_error.h"
#include "dom/result.h"
#include "html/parser.h"
#include "json/io.h"
#include "support/wire_contract.h"

namespace kivo_document {

// What the renderer executable says about itself.
inline constexpr std::string_view kBundleIdentifier = "com.kivo.browser.renderer";
inline constexpr std::string_view kBundleName = "Kivo Renderer";
inline constexpr std::string_view kBundleVersion = "1";

// The source argument that selects the input frame.
inline constexpr std::string_view kStdinSource = "--stdin";
// Largest frame payload: the largest resource envelope (12 + 1,048,576 + 66,560).
inline constexpr std::uint32_t kMaxFrameBytes = kivo_wire::kMaxFrameBytes;
// Largest file source.
inline constexpr std::uint64_t kMaxFileBytes = kivo_wire::kMaxHtmlBytes;
// Largest HTML text inside any input: the parser's own input limit.
inline constexpr std::size_t kHtmlLimit = kivo_html::kRendererLimits.max_input_bytes;

// Called once after the arguments have been accepted and before any input is
// read; the program enters its sandbox here. Its error ends the run.
using BeforeInput = std::function<kivo_dom::Result<void, RunError>()>;

// Called once a run has written and flushed all its output, while the
// document, its styles and its scene still exist. The program ends the
// process here: the kernel takes the whole heap back at once, so the run's
// thousands of nodes, styles and paints are never freed one by one.
using Finished = std::function<void()>;

// One run. args holds every process argument, the program path first. The
// output is the run's buffered standard output and is flushed on success; on
// failure it is left as it is and the caller writes out what it holds.
kivo_dom::Result<void, RunError> run(const std::vector<std::string>& args, Reader& input,
                                     kivo_json::Output& output, const BeforeInput& before_input = {},
                                     const Finished& finished = {});

// The whole process around run(): standard input and output, the error line
// on standard error, and the exit status (0 or 1). A successful run ends the
// process with status 0 as soon as its output is flushed.
int process_main(int argc, char** argv, const BeforeInput& before_input);

// Reads the input frame: the length, then exactly that many bytes.
kivo_dom::Result<std::string, RunError> read_frame(Reader& input);

// Reads a file source: a regular file (links followed) of at most kMaxFileBytes.
kivo_dom::Result<std::string, RunError> read_file_source(const std::string& path);

}  // namespace kivo_document
