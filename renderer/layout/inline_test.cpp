#include "layout/inline.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "dom/text.h"
#include "support/test_names.h"

namespace kivo_layout {
namespace {

// The byte table and the branch-free test agree with the DOM's white space
// test on every byte value.
TEST(WhiteSpaceBitsTest, MarkTheFiveAsciiWhiteSpaceBytesOnly) {
  for (int c = 0; c < 256; ++c) {
    const bool expected = kivo_dom::text::is_ascii_white_space(static_cast<char>(c));
    EXPECT_EQ(kWhiteSpaceBits[static_cast<std::size_t>(c)], expected ? 1 : 0) << c;
    EXPECT_EQ(white_space_bit(static_cast<unsigned char>(c)), expected ? 1 : 0) << c;
  }
}

struct SegmentCase {
  std::string text;
  // Each segment as its word followed by "+" when white space follows it.
  std::vector<std::string> expected;
};

void PrintTo(const SegmentCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class SegmentsTest : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(SegmentsTest, SplitsAtTheFiveAsciiWhiteSpaceCharactersOnly) {
  const SegmentCase& c = GetParam();
  std::vector<std::string> actual;
  Segments segments(c.text);
  Segment segment;
  while (segments.next(segment)) actual.push_back(std::string(segment.word) + (segment.trailing_space ? "+" : ""));
  EXPECT_EQ(actual, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SegmentsTest,
    ::testing::Values(SegmentCase{"", {}}, SegmentCase{"a", {"a"}}, SegmentCase{"a  b", {"a+", "b"}},
                      SegmentCase{"  a b  ", {"+", "a+", "b+"}}, SegmentCase{" ", {"+"}},
                      SegmentCase{"a\t\n\f\rb", {"a+", "b"}},
                      SegmentCase{"a\vb\xC2\xA0" "c", {"a\vb\xC2\xA0" "c"}}),
    [](const ::testing::TestParamInfo<SegmentCase>& info) {
      return kivo_testing::indexed_name(info.index, info.param.text);
    });

TEST(Utf8SequenceLengthTest, FollowsTheLeadByte) {
  EXPECT_EQ(utf8_sequence_length('a'), 1u);
  EXPECT_EQ(utf8_sequence_length(0x80), 1u);
  EXPECT_EQ(utf8_sequence_length(0xC3), 2u);
  EXPECT_EQ(utf8_sequence_length(0xE2), 3u);
  EXPECT_EQ(utf8_sequence_length(0xF0), 4u);
}

}  // namespace
}  // namespace kivo_layout
