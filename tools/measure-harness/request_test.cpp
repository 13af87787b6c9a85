#include "request.h"

#include <gtest/gtest.h>

namespace measure_harness {
namespace {

TEST(Request, ReadsTheRendererLineAndAppliesTheRule) {
  struct Case {
    std::string line;
    std::string answer;
  };
  const std::vector<Case> cases = {
      {R"({"measure":true,"size":16,"bold":false,"text":"Hello"})", "40\n"},
      {R"({"measure":true,"size":13.5,"bold":false,"text":"ab"})", "13.5\n"},
      {R"({"measure":true,"size":10,"bold":true,"text":"abcd"})", "22\n"},
      // Escapes and multi-byte characters count as one character each.
      {R"({"measure":true,"size":2,"bold":false,"text":"\"\\\t\u0001\ud83d\ude00)" "\xc3\xa9\xe2\x80\xa2\"}", "7\n"},
      {R"({"measure":true,"size":16,"bold":false,"text":""})", "0\n"},
  };
  for (const Case& c : cases) {
    const auto request = parse_request(c.line);
    ASSERT_TRUE(request.has_value()) << c.line;
    EXPECT_EQ(answer_line(*request), c.answer) << c.line;
  }
}

TEST(Request, OtherLinesAreNotRequests) {
  for (const char* line : {R"({"version":2,"title":"x"})", R"({"measure":true,"size":16,"bold":false,"text":"a)",
                           R"({"measure":true,"size":x,"bold":false,"text":"a"})",
                           R"({"measure":true,"size":16,"bold":false,"text":"a"}x)"}) {
    EXPECT_FALSE(parse_request(line).has_value()) << line;
  }
}

}  // namespace
}  // namespace measure_harness
