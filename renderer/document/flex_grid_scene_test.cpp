// Flex and grid pages rendered by the built programs: the measuring harness
// frames each page, runs kivo-document (sandbox and all) and answers its
// measurement requests with its fixed rule (each character 0.5 × size wide),
// and the scene JSON it prints must place every box and text run as expected.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "document/built_programs_test_support.h"
#include "support/child_process.h"

namespace kivo_document {
namespace {

struct HarnessRun {
  std::string out;
  std::string err;
  int status = -1;
};

// Runs the harness on the page at the viewport width.
HarnessRun run_harness(const std::string& html, const std::string& width) {
  HarnessRun run;
  char dir_template[] = "/tmp/kivo-flex-grid-XXXXXX";
  if (::mkdtemp(dir_template) == nullptr) {
    ADD_FAILURE() << "cannot create a temporary directory";
    return run;
  }
  const std::string dir = dir_template;
  const std::string page = dir + "/page.html";
  std::ofstream(page, std::ios::binary) << html;

  const std::string program = testing_support::sibling_program("measure-harness");
  kivo_support::ChildProcess::Options options;
  options.environment = testing_support::child_environment();
  try {
    kivo_support::ChildProcess harness(program, {page, width}, options);
    harness.closeInput();
    // The watchdog only ends a run that hangs.
    const auto exit = harness.run(kivo_support::ChildProcess::Clock::now() + std::chrono::minutes(5),
                                  [&](std::string_view chunk) { run.out.append(chunk); });
    EXPECT_FALSE(exit.timedOut);
    run.status = exit.exited ? exit.status : -1;
    run.err = harness.errorOutput();
  } catch (const std::exception& error) {
    ADD_FAILURE() << "cannot start " << program << " (build the measure-harness target first): " << error.what();
  }
  ::unlink(page.c_str());
  ::rmdir(dir.c_str());
  return run;
}

// The start of a command's JSON object up to its rect.
std::string rect(const char* kind, const char* x, const char* y, const char* width, const char* height) {
  return std::string("{\"kind\":\"") + kind + "\",\"x\":" + x + ",\"y\":" + y + ",\"width\":" + width +
         ",\"height\":" + height + ",";
}

struct SceneCase {
  const char* name;
  const char* html;
  // Commands that must appear in this order in the scene's command list.
  std::vector<std::string> commands;
  // Texts that must appear elsewhere in the scene line (anchors, page size).
  std::vector<std::string> contains;
};

void PrintTo(const SceneCase& c, std::ostream* out) { *out << c.name; }

class FlexGridSceneTest : public ::testing::TestWithParam<SceneCase> {};

TEST_P(FlexGridSceneTest, TheRendererPlacesEveryBox) {
  const SceneCase& c = GetParam();
  const HarnessRun run = run_harness(c.html, "800");
  ASSERT_EQ(run.status, 0) << run.err;
  // The scene is the last line; the measurement requests come before it.
  const std::size_t start = run.out.rfind('\n', run.out.size() >= 2 ? run.out.size() - 2 : 0);
  const std::string scene = run.out.substr(start == std::string::npos ? 0 : start + 1);
  ASSERT_EQ(scene.rfind("{\"version\":2,", 0), 0u) << run.out;
  const std::size_t commands_end = scene.find("],\"nodes\":");
  ASSERT_NE(commands_end, std::string::npos) << scene;
  std::size_t at = scene.find("\"commands\":[");
  ASSERT_NE(at, std::string::npos);
  for (const std::string& command : c.commands) {
    const std::size_t found = scene.find(command, at);
    ASSERT_TRUE(found != std::string::npos && found < commands_end)
        << "missing in order: " << command << "\nscene: " << scene.substr(0, commands_end);
    at = found + command.size();
  }
  for (const std::string& text : c.contains) EXPECT_NE(scene.find(text), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Pages, FlexGridSceneTest,
    ::testing::Values(
        // Items of basis 100 growing 1 : 2 in 600 px; the shorter item is
        // centred in the line and its text and anchor move with it.
        SceneCase{"FlexRowGrowsAndCentres",
                  "<div style=\"display:flex;width:600px;align-items:center\">"
                  "<div id=\"a\" style=\"flex:1 1 100px\">ab cd</div>"
                  "<div id=\"b\" style=\"flex:2 1 100px;height:72px\"></div></div>",
                  {rect("box", "0", "0", "800", "72"), rect("box", "0", "0", "600", "72"),
                   rect("box", "0", "24", "233.33333", "24"), rect("text", "0", "24", "16", "24"),
                   rect("text", "24", "24", "16", "24"), rect("box", "233.33333", "0", "366.66666", "72")},
                  {"\"width\":800,\"height\":72,", "\"anchors\":{\"a\":24,\"b\":0}"}},
        // Tracks 100px 1fr 1fr in 430 px with 15 px column gaps: 100, 150 and
        // 150. The first cell's text wraps onto two lines, so its row is 48
        // high and the other cells stretch; the fourth item starts row two.
        SceneCase{"GridTracksRowsAndStretch",
                  "<div style=\"display:grid;grid-template-columns:100px repeat(2, 1fr);gap:8px 15px;"
                  "width:430px\"><div>one two three</div><div>x</div><div>y</div><div id=\"d\">z</div></div>",
                  {rect("box", "0", "0", "430", "80"), rect("box", "0", "0", "100", "48"),
                   rect("text", "0", "0", "24", "24"), rect("text", "32", "0", "24", "24"),
                   rect("text", "0", "24", "40", "24"), rect("box", "115", "0", "150", "48"),
                   rect("text", "115", "0", "8", "24"), rect("box", "280", "0", "150", "48"),
                   rect("box", "0", "56", "100", "24"), rect("text", "0", "56", "8", "24")},
                  {"\"d\":56"}},
        // A flex row nested in a wrapping, end-justified flex row: the inner
        // container is measured from its items (32 + 6 + 24 plus padding),
        // the long text does not fit beside it and wraps to a second line.
        SceneCase{"NestedFlexInAWrappingRow",
                  "<div style=\"display:flex;flex-wrap:wrap;justify-content:flex-end;column-gap:10px;"
                  "row-gap:4px;width:300px\"><div style=\"display:flex;column-gap:6px;padding:0 2px\">"
                  "<span>Kivo</span><span>web</span></div><div>abcdefghijklmnopqrstuvwxyz0123</div></div>",
                  {rect("box", "0", "0", "300", "52"), rect("box", "234", "0", "66", "24"),
                   rect("box", "236", "0", "32", "24"), rect("text", "236", "0", "32", "24"),
                   rect("box", "274", "0", "24", "24"), rect("text", "274", "0", "24", "24"),
                   rect("box", "60", "28", "240", "24"), rect("text", "60", "28", "240", "24")},
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kivo_document
