// Runs the built kivo-document program, sandbox and all, as the application
// does: arguments, bytes on standard input, and what comes back on standard
// output, standard error and the exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "document/built_programs_test_support.h"
#include "document/reader.h"
#include "document/scene_run.h"
#include "engine/engine.h"
#include "json/io.h"
#include "support/child_process.h"
#include "support/frame_length.h"

namespace kivo_document {
namespace {

std::string program_path() { return testing_support::sibling_program("kivo-document"); }

struct Outcome {
  std::string out;
  std::string err;
  int status = -1;
  // Bytes of standard input the program left unread.
  std::size_t stdin_left = 0;
};

using kivo_support::ChildProcess;
using testing_support::child_environment;

// data_limit, when given, caps the program's data (its heap and private
// mappings) from its start: util-linux's prlimit sets the limit and then
// runs the program. A limit set on the running child would race with the
// heap the program grows as it starts.
Outcome run_program(const std::vector<std::string>& args, const std::string& input, bool close_stdout = false,
                    std::optional<rlim_t> data_limit = std::nullopt) {
  Outcome outcome;
  // Standard input is our own pipe: the test keeps its reading end, so bytes
  // the child never read can be counted afterwards.
  int in[2];
  if (::pipe2(in, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return outcome;
  }
  ChildProcess::Options options;
  options.environment = child_environment();
  options.inputDescriptor = in[0];
  std::optional<ChildProcess> child;
  std::string executable = program_path();
  std::vector<std::string> arguments = args;
  if (data_limit) {
    arguments.insert(arguments.begin(), {"--data=" + std::to_string(*data_limit), "--", executable});
    executable = "/usr/bin/prlimit";
  }
  try {
    child.emplace(executable, arguments, options);
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what();
    ::close(in[0]);
    ::close(in[1]);
    return outcome;
  }
  if (close_stdout) child->closeOutput();

  std::thread writer([fd = in[1], &input] {
    (void)kivo_json::write_all_fd(fd, input);
    ::close(fd);
  });
  // The watchdog only ends a program that hangs.
  const ChildProcess::Exit exit =
      child->run(ChildProcess::Clock::now() + std::chrono::minutes(5),
                 [&](std::string_view chunk) { outcome.out.append(chunk); });
  EXPECT_FALSE(exit.timedOut);
  outcome.err = child->errorOutput();
  outcome.status = exit.exited ? exit.status : 128 + exit.signal;

  // Drain what is left so the writer can finish, counting it.
  for (;;) {
    char buffer[65536];
    const ssize_t n = ::read(in[0], buffer, sizeof buffer);
    if (n > 0) {
      outcome.stdin_left += static_cast<std::size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  writer.join();
  ::close(in[0]);
  return outcome;
}

using kivo_wire::be32;
std::string frame(const std::string& payload) { return be32(static_cast<std::uint32_t>(payload.size())) + payload; }
std::string envelope(const std::string& html, const std::string& blob) {
  return std::string("KIVO-R1\0", 8) + be32(static_cast<std::uint32_t>(html.size())) + html + blob;
}

const std::string kEmptyManifest = "{\"resources\":[],\"base\":null,\"limited\":false}\n";
const std::string kHelloBlocks = "{\"version\":1,\"blocks\":[{\"heading\":0,\"text\":\"Hello\"}]}\n";
const std::string kEnvelopeError = "Invalid or oversized resource envelope";

struct CliCase {
  std::string name;
  std::vector<std::string> args;
  std::string input;
  std::string out;
  std::string err;  // without its line feed; empty for none
  int status;
  // Set when the program must not touch standard input at all.
  bool stdin_untouched = false;
};

void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }

class KivoDocumentCli : public testing::TestWithParam<CliCase> {};

TEST_P(KivoDocumentCli, Runs) {
  const CliCase& c = GetParam();
  const Outcome o = run_program(c.args, c.input);
  EXPECT_EQ(o.status, c.status);
  EXPECT_EQ(o.out, c.out);
  EXPECT_EQ(o.err, c.err.empty() ? "" : c.err + "\n");
  if (c.stdin_untouched) {
    EXPECT_EQ(o.stdin_left, c.input.size());
  }
}

std::vector<CliCase> cli_cases() {
  const std::string hello = frame("<p>Hello</p>");
  std::vector<CliCase> cases = {
      // Arguments, all decided before standard input is read.
      {"NoArguments", {}, hello, "", "expected one local HTML file", 1, true},
      {"BadWidth", {"--stdin", "abc"}, hello, "", "invalid float literal", 1, true},
      {"EmptyWidth", {"--stdin", ""}, hello, "", "cannot parse float from empty string", 1, true},
      {"LeadingBlankWidth", {"--stdin", " 997"}, hello, "", "invalid float literal", 1, true},
      {"HexWidth", {"--stdin", "0x10"}, hello, "", "invalid float literal", 1, true},
      {"SurplusArgument", {"--stdin", "0", "x"}, hello, "", "expected file and optional viewport width", 1, true},
      {"BadWidthBeforeSurplus", {"--stdin", "abc", "x"}, hello, "", "invalid float literal", 1, true},
      // Modes.
      {"Presentation", {"--stdin"}, hello, kHelloBlocks, "", 0},
      {"ManifestZero", {"--stdin", "0"}, hello, kEmptyManifest, "", 0},
      {"ManifestImage", {"--stdin", "0"}, frame("<img src=\"a.png\">"),
       "{\"resources\":[{\"id\":0,\"kind\":2,\"url\":\"a.png\"}],\"base\":null,\"limited\":false}\n", "", 0},
      // The frame.
      {"EmptyFrame", {"--stdin"}, frame(""), "{\"version\":1,\"blocks\":[]}\n", "", 0},
      {"TwoLengthBytes", {"--stdin"}, std::string("\0\0", 2), "", "failed to fill whole buffer", 1},
      {"ShortPayload", {"--stdin"}, be32(10) + "123456789", "", "failed to fill whole buffer", 1},
      {"LargestFrame", {"--stdin", "0"}, frame(std::string(1'115'148, 'a')), "", kEnvelopeError, 1},
      {"FrameOverHtmlLimit", {"--stdin", "0"}, frame(std::string(1'048'577, 'a')), "", kEnvelopeError, 1},
      {"FrameNotUtf8", {"--stdin"}, frame("<p>\xff</p>"), "", kEnvelopeError, 1},
      // Envelopes: the blob is not examined outside scene mode.
      {"EnvelopePresentation", {"--stdin"}, frame(envelope("<p>Hello</p>", "")), kHelloBlocks, "", 0},
      {"EnvelopeBadBlobManifest", {"--stdin", "0"}, frame(envelope("<p>Hello</p>", "\x05")), kEmptyManifest, "", 0},
      {"EnvelopeShortLength", {"--stdin"}, frame(std::string("KIVO-R1\0\0\0\0", 11)), "",
       "failed to fill whole buffer", 1},
      {"EnvelopeLengthPastEnd", {"--stdin"}, frame(std::string("KIVO-R1\0", 8) + be32(100) + "<p>"), "",
       kEnvelopeError, 1},
      // File sources: the sandbox allows examining a path but never opening it.
      {"OtherCaseIsAPath", {"--STDIN"}, hello, "", "No such file or directory (os error 2)", 1, true},
      {"MissingFile", {"/nonexistent/kivo.html"}, "", "", "No such file or directory (os error 2)", 1},
      {"DirectoryPath", {"/"}, "", "", "expected a regular file", 1},
      {"DeviceIsNotAFile", {"/dev/zero"}, "", "", "expected a regular file", 1},
  };
  const std::pair<const char*, const char*> zero_widths[] = {
      {"NegativeZero", "-0"}, {"ZeroPointZero", "0.0"}, {"PlusZero", "+0"}, {"ZeroWithExponent", "0e10"},
      {"RoundsToZero", "1e-50"}};
  for (const auto& [name, width] : zero_widths) {
    cases.push_back({std::string("Manifest") + name, {"--stdin", width}, hello, kEmptyManifest, "", 0});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, KivoDocumentCli, testing::ValuesIn(cli_cases()),
                         [](const testing::TestParamInfo<CliCase>& info) { return info.param.name; });

TEST(KivoDocumentCli, OversizedFrameIsRefusedBeforeItsPayload) {
  const std::string payload(4096, 'a');
  const Outcome o = run_program({"--stdin", "0"}, be32(1'115'149) + payload);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "HTML input exceeds 1 MiB\n");
}

TEST(KivoDocumentCli, ParseFailureWritesOnlyTheErrorLine) {
  const std::string html("<p>a\0b</p>", 10);
  const kivo_engine::Engine engine{kivo_html::ParseLimits{1'048'576, 50'000, 128}};
  auto parsed = engine.load_web_html(html);
  ASSERT_FALSE(parsed.ok());
  const Outcome o = run_program({"--stdin"}, frame(html));
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, parsed.error().display() + "\n");
}

TEST(KivoDocumentCli, EveryOtherWidthSelectsSceneMode) {
  // Each of these widths reaches the scene run, which refuses it; the program
  // must end exactly as the scene run does in-process, with no JSON written.
  const kivo_engine::Engine engine{kivo_html::ParseLimits{1'048'576, 50'000, 128}};
  auto document = engine.load_web_html("<p>Hello</p>");
  ASSERT_TRUE(document.ok());
  for (const char* width : {"nan", "INF", "-5", "100", "-inf"}) {
    kivo_json::StringOutput out;
    Reader in = Reader::from_bytes("");
    auto expected = run_scene(*document, "", std::strtof(width, nullptr), out, in);
    ASSERT_FALSE(expected.ok()) << width;
    const Outcome o = run_program({"--stdin", width}, frame("<p>Hello</p>"));
    EXPECT_EQ(o.status, 1) << width;
    EXPECT_EQ(o.out, out.text) << width;
    EXPECT_EQ(o.err, expected.error().display() + "\n") << width;
  }
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

TEST(KivoDocumentCli, SceneAnswersFollowTheFrameOnTheSamePipe) {
  // The answer is written together with the frame; the program must keep it
  // for the measurement instead of losing it while reading the frame.
  const Outcome o = run_program({"--stdin", "800"}, frame("<p>Hi</p>") + "8\n");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const auto lines = lines_of(o.out);
  ASSERT_EQ(lines.size(), 2u) << o.out;
  EXPECT_EQ(lines[0], "{\"measure\":true,\"size\":16,\"bold\":false,\"text\":\"Hi\"}");
  EXPECT_EQ(lines[1].rfind("{\"version\":2,\"width\":800,", 0), 0u) << lines[1];
  EXPECT_EQ(o.out.back(), '\n');
}

TEST(KivoDocumentCli, SceneWithoutAnswersKeepsOnlyItsRequests) {
  const Outcome o = run_program({"--stdin", "800"}, frame("<p>Hi</p>"));
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "incomplete measurement response\n");
  EXPECT_EQ(o.out, "{\"measure\":true,\"size\":16,\"bold\":false,\"text\":\"Hi\"}\n");
}

TEST(KivoDocumentCli, ClosedOutputEndsWithTheSystemError) {
  const Outcome o = run_program({"--stdin"}, frame("<p>Hello</p>"), /*close_stdout=*/true);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "Broken pipe (os error 32)\n");
}

TEST(KivoDocumentCli, UserFileIsRefusedEvenWhenReadable) {
  // The application's own check: a file it just wrote, handed over by path.
  char dir_template[] = "/tmp/kivo-cli-XXXXXX";
  ASSERT_NE(::mkdtemp(dir_template), nullptr);
  const std::string path = std::string(dir_template) + "/private.html";
  std::ofstream(path) << "<p>private fixture</p>";
  const Outcome o = run_program({path}, "");
  ::unlink(path.c_str());
  ::rmdir(dir_template);
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "Operation not permitted (os error 1)\n");
}

// True when this kernel can back a region with transparent huge pages on
// request.
bool kernel_offers_huge_pages() {
  std::ifstream mode("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string text;
  std::getline(mode, text);
  return text.find("[always]") != std::string::npos || text.find("[madvise]") != std::string::npos;
}

// The number of mappings of a process's heap that are marked for huge pages
// (whether the kernel found free huge pages for them depends on its memory).
int huge_page_heap_mappings(pid_t pid) {
  std::ifstream maps("/proc/" + std::to_string(pid) + "/smaps");
  int marked = 0;
  bool in_heap = false;
  for (std::string line; std::getline(maps, line);) {
    if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) && line.find('-') < 16) {
      in_heap = line.find("[heap]") != std::string::npos;
    } else if (in_heap && line.rfind("VmFlags:", 0) == 0 && (line + " ").find(" hg ") != std::string::npos) {
      ++marked;
    }
  }
  return marked;
}

TEST(KivoDocumentCli, HeapAsksForHugePagesOnceTheInputArrives) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator keeps no heap of the program's own";
#endif
  if (!kernel_offers_huge_pages()) GTEST_SKIP() << "this kernel offers no transparent huge pages";
  // While the renderer waits for its first answer, its heap has grown for
  // the input and is marked for huge pages.
  ChildProcess child(program_path(), {"--stdin", "1024"}, ChildProcess::ErrorStream::Capture);
  child.write(frame("<p>one two</p>"));
  std::optional<int> marked;
  std::string pending;
  const auto deadline = ChildProcess::Clock::now() + std::chrono::minutes(5);
  const ChildProcess::Exit exit = child.run(deadline, [&](std::string_view chunk) {
    pending.append(chunk);
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      if (pending.rfind("{\"measure\"", 0) != 0) continue;
      if (!marked) marked = huge_page_heap_mappings(child.pid());
      child.write("10\n");
    }
  });
  EXPECT_TRUE(exit.succeeded()) << child.errorOutput();
  ASSERT_TRUE(marked.has_value());
  EXPECT_EQ(*marked, 1);
}

TEST(KivoDocumentCli, RunningOutOfMemoryEndsAsAFailureWithTheRuntimesMessage) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's own allocator cannot run under a data limit";
#endif
  // The frame's buffer cannot be allocated: the C++ runtime reports the
  // exception and the process ends. Inside the sandbox the runtime's first
  // exception must still get as far as its message.
  const Outcome o = run_program({"--stdin"}, frame(std::string(1'000'000, 'a')), false, rlim_t{256} << 10);
  EXPECT_NE(o.status, 0);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("std::bad_alloc"), std::string::npos) << o.err;
}

}  // namespace
}  // namespace kivo_document
