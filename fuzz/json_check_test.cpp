#include "json_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kivo_fuzz {
namespace {

TEST(JsonCheck, AcceptsWellFormedValues) {
  const std::vector<std::string> texts = {
      "0", "-0.5e+3", "\"a\\u00e9\\n\\/\"", "true", "null", " [ ] ", "{}",
      "{\"a\":[1,{\"b\":false}],\"c\":\"\xC3\xA9\"}", std::string(10000, '[') + std::string(10000, ']'),
  };
  for (const auto& text : texts) EXPECT_EQ(json_error(text), std::nullopt) << text;
}

TEST(JsonCheck, RefusesMalformedValues) {
  const std::vector<std::string> texts = {
      "",        "01",        "1.",      "-",         ".5",          "1e",          "[1,]",
      "{\"a\"}", "{\"a\":1,}", "{a:1}",   "[1 2]",     "\"\\x\"",     "\"a\nb\"",    "\"\\u12\"",
      "[",       "]",         "{} {}",   "\"\xC3\"",  "NaN",         "Infinity",    "[1]]",
  };
  for (const auto& text : texts) EXPECT_NE(json_error(text), std::nullopt) << text;
}

TEST(JsonCheck, OutputMustBeCompleteLines) {
  EXPECT_EQ(json_lines_error("{\"measure\":true}\n{\"version\":2}\n"), std::nullopt);
  EXPECT_NE(json_lines_error("{\"version\":2}"), std::nullopt);
  EXPECT_NE(json_lines_error("{\"a\":1}\n\n"), std::nullopt);
  EXPECT_NE(json_lines_error(""), std::nullopt);
}

}  // namespace
}  // namespace kivo_fuzz
