// Layout cases as file pairs in testdata/layout: NAME.html is the page and
// NAME.expected the dump of its scene (layout_test_support.h). Lines of the
// expected file that start with "@" set up the run:
//   @width W               the viewport width (800 without it)
//   @image ID N W H        the element with id attribute ID has image N of W × H
//   @error MESSAGE         layout must fail with this message instead
// Setting KIVO_UPDATE_LAYOUT_CASES=1 rewrites the dumps with the actual output,
// keeping the "@" lines; review the difference before keeping it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "html/parser.h"
#include "layout/layout.h"
#include "layout/layout_test_support.h"
#include "style/cascade.h"

namespace kivo_layout {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::path(KIVO_LAYOUT_CASES_DIR) / "layout")) {
    if (entry.path().extension() == ".html") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct CaseSetup {
  float width = 800;
  struct Image {
    std::string element;
    ImageSize size;
  };
  std::vector<Image> images;
  std::optional<std::string> error;
  std::string directives;  // the "@" lines, kept when the dump is rewritten
  std::string expected;
};

CaseSetup read_expected(const std::string& text) {
  CaseSetup setup;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("@", 0) != 0) {
      setup.expected += line + "\n";
      continue;
    }
    setup.directives += line + "\n";
    std::istringstream words(line);
    std::string directive;
    words >> directive;
    if (directive == "@width") {
      words >> setup.width;
    } else if (directive == "@image") {
      CaseSetup::Image image;
      words >> image.element >> image.size.id >> image.size.width >> image.size.height;
      setup.images.push_back(image);
    } else if (directive == "@error") {
      setup.error = line.substr(std::string("@error ").size());
    } else {
      ADD_FAILURE() << "unknown directive " << line;
    }
  }
  return setup;
}

class LayoutCaseTest : public ::testing::TestWithParam<std::string> {};

TEST_P(LayoutCaseTest, MatchesItsExpectedScene) {
  const fs::path directory = fs::path(KIVO_LAYOUT_CASES_DIR) / "layout";
  const std::string html = read_file(directory / (GetParam() + ".html"));
  const fs::path expected_path = directory / (GetParam() + ".expected");
  const CaseSetup setup = read_expected(read_file(expected_path));

  auto document = kivo_html::parser::parse_web(html, kivo_html::kRendererLimits);
  ASSERT_TRUE(document.ok()) << document.error().display();
  const kivo_dom::Document& doc = document.value();
  auto styled = kivo_style::compute_web_at_width(doc, {}, setup.width);
  ASSERT_TRUE(styled.ok()) << styled.error().message;

  ImageTable images;
  for (const CaseSetup::Image& image : setup.images) {
    bool found = false;
    for (std::size_t i = 0; i < doc.nodes.size(); ++i) {
      if (doc.nodes[i].attribute("id") == image.element) {
        images.emplace(kivo_dom::NodeId{doc.id, i}, image.size);
        found = true;
      }
    }
    ASSERT_TRUE(found) << "no element with id " << image.element;
  }

  testing::FixedWidthMeasurer measurer;
  auto scene = layout_with_images(doc, styled.value(), measurer, images, setup.width);
  const std::string actual = scene.ok() ? testing::dump(scene.value(), doc) : "error " + scene.error().message + "\n";
  const std::string expected = setup.error ? "error " + *setup.error + "\n" : setup.expected;

  const char* update = std::getenv("KIVO_UPDATE_LAYOUT_CASES");
  if (update != nullptr && std::string(update) == "1" && !setup.error) {
    std::ofstream(expected_path, std::ios::binary) << setup.directives << actual;
    return;
  }
  EXPECT_EQ(actual, expected) << "actual output of " << GetParam() << ":\n" << actual;
}

INSTANTIATE_TEST_SUITE_P(Files, LayoutCaseTest, ::testing::ValuesIn(case_names()), [](const auto& info) {
  std::string name = info.param;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
});

}  // namespace
}  // namespace kivo_layout
