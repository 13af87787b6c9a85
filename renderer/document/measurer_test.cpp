#include "document/measurer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

namespace kivo_document {
namespace {

// Records what had been written by the time of each flush, so a test can see
// that a request was complete on the pipe before its answer was read.
class RecordingOutput final : public kivo_json::Output {
 public:
  kivo_dom::Result<void, kivo_json::IoError> write(std::string_view bytes) override {
    text.append(bytes);
    return {};
  }
  kivo_dom::Result<void, kivo_json::IoError> flush() override {
    flushed_at.push_back(text.size());
    return {};
  }
  std::string text;
  std::vector<std::size_t> flushed_at;
};

class FailingOutput final : public kivo_json::Output {
 public:
  explicit FailingOutput(bool fail_write) : m_fail_write(fail_write) {}
  kivo_dom::Result<void, kivo_json::IoError> write(std::string_view) override {
    if (m_fail_write) return kivo_dom::err(kivo_json::IoError::os(EPIPE));
    return {};
  }
  kivo_dom::Result<void, kivo_json::IoError> flush() override {
    return kivo_dom::err(kivo_json::IoError::os(EPIPE));
  }

 private:
  bool m_fail_write;
};

std::string request(std::string_view size, bool bold, std::string_view json_text) {
  return "{\"measure\":true,\"size\":" + std::string(size) + ",\"bold\":" + (bold ? "true" : "false") +
         ",\"text\":" + std::string(json_text) + "}\n";
}

TEST(RemoteMeasurer, RepeatIsServedFromTheCache) {
  RecordingOutput out;
  Reader in = Reader::from_bytes("5\n6\n");
  RemoteMeasurer measurer(out, in);
  EXPECT_EQ(*measurer.width("Hello", 16, false), 5.0f);
  EXPECT_EQ(*measurer.width("Hello", 16, false), 5.0f);
  EXPECT_EQ(out.text, request("16", false, "\"Hello\""));
  // The second answer line was not used by the repeat; the next new key gets it.
  EXPECT_EQ(*measurer.width("World", 16, false), 6.0f);
  EXPECT_EQ(measurer.cached(), 2u);
}

TEST(RemoteMeasurer, BoldAndSizeAreSeparateKeys) {
  RecordingOutput out;
  Reader in = Reader::from_bytes("1\n2\n3\n");
  RemoteMeasurer measurer(out, in);
  EXPECT_EQ(*measurer.width("a", 16, true), 1.0f);
  EXPECT_EQ(*measurer.width("a", 16, false), 2.0f);
  EXPECT_EQ(*measurer.width("a", 13.5f, false), 3.0f);
  EXPECT_EQ(out.text, request("16", true, "\"a\"") + request("16", false, "\"a\"") + request("13.5", false, "\"a\""));
}

TEST(RemoteMeasurer, RequestIsFlushedWholeBeforeTheAnswerIsRead) {
  RecordingOutput out;
  Reader in = Reader::from_bytes("1\n");
  RemoteMeasurer measurer(out, in);
  ASSERT_TRUE(measurer.width("x", 16, false).ok());
  ASSERT_EQ(out.flushed_at.size(), 1u);
  EXPECT_EQ(out.flushed_at[0], out.text.size());
}

TEST(RemoteMeasurer, TextIsWrittenAsAJsonString) {
  RecordingOutput out;
  Reader in = Reader::from_bytes("1\n");
  RemoteMeasurer measurer(out, in);
  ASSERT_TRUE(measurer.width("q\"b\\t\tu\x01 \xc3\xa9", 16, false).ok());
  EXPECT_EQ(out.text, request("16", false, "\"q\\\"b\\\\t\\tu\\u0001 \xc3\xa9\""));
}

struct AnswerCase {
  std::string name;
  std::string answer;
  // Either a width or an error text.
  float width;
  std::string error;
};

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }

class MeasurementAnswer : public testing::TestWithParam<AnswerCase> {};

TEST_P(MeasurementAnswer, IsReadOrRefused) {
  const auto& c = GetParam();
  RecordingOutput out;
  Reader in = Reader::from_bytes(c.answer);
  RemoteMeasurer measurer(out, in);
  auto r = measurer.width("text", 16, false);
  if (c.error.empty()) {
    ASSERT_TRUE(r.ok()) << r.error();
    if (std::isnan(c.width)) {
      EXPECT_TRUE(std::isnan(*r));
    } else {
      EXPECT_EQ(*r, c.width);
    }
    EXPECT_EQ(measurer.cached(), 1u);
  } else {
    ASSERT_FALSE(r.ok()) << *r;
    EXPECT_EQ(r.error(), c.error);
    EXPECT_EQ(measurer.cached(), 0u);
  }
}

const float kNan = std::nanf("");
const float kInf = INFINITY;

INSTANTIATE_TEST_SUITE_P(
    Answers, MeasurementAnswer,
    testing::Values(
        AnswerCase{"CarriageReturn", "12.5\r\n", 12.5f, ""}, AnswerCase{"Blanks", "  7  \n", 7.0f, ""},
        AnswerCase{"UnicodeSpaces", "\xc2\xa0" "7\xe2\x80\x83\n", 7.0f, ""},
        AnswerCase{"Exponent", "1e3\n", 1000.0f, ""}, AnswerCase{"Infinite", "inf\n", kInf, ""},
        AnswerCase{"NotANumber", "NaN\n", kNan, ""}, AnswerCase{"Huge", "2000000\n", 2000000.0f, ""},
        AnswerCase{"Negative", "-3\n", -3.0f, ""},
        AnswerCase{"Exactly64", std::string(62, ' ') + "4\n", 4.0f, ""},
        AnswerCase{"OnlyLineFeed", "\n", 0, "cannot parse float from empty string"},
        AnswerCase{"OnlyBlanks", " \t \r\n", 0, "cannot parse float from empty string"},
        AnswerCase{"Word", "abc\n", 0, "invalid float literal"},
        AnswerCase{"InnerBlank", "1 2\n", 0, "invalid float literal"},
        AnswerCase{"NotUtf8", "\xff\n", 0, "stream did not contain valid UTF-8"},
        AnswerCase{"Closed", "", 0, "incomplete measurement response"},
        AnswerCase{"NoLineFeed", "12", 0, "incomplete measurement response"},
        AnswerCase{"Over64", std::string(65, '1'), 0, "incomplete measurement response"},
        AnswerCase{"LineFeedAt65", std::string(64, '1') + "\n", 0, "incomplete measurement response"}),
    [](const testing::TestParamInfo<AnswerCase>& info) { return info.param.name; });

TEST(RemoteMeasurer, OverlongAnswerConsumesExactly64Bytes) {
  RecordingOutput out;
  Reader in = Reader::from_bytes(std::string(64, ' ') + "9\n");
  RemoteMeasurer measurer(out, in);
  EXPECT_EQ(measurer.width("a", 16, false).error(), "incomplete measurement response");
  // What followed the 64 bytes is taken as the next answer.
  EXPECT_EQ(*measurer.width("b", 16, false), 9.0f);
}

TEST(RemoteMeasurer, ClosedInputStillServesCachedWidths) {
  RecordingOutput out;
  Reader in = Reader::from_bytes("8\n");
  RemoteMeasurer measurer(out, in);
  EXPECT_EQ(*measurer.width("a", 16, false), 8.0f);
  EXPECT_EQ(measurer.width("b", 16, false).error(), "incomplete measurement response");
  EXPECT_EQ(*measurer.width("a", 16, false), 8.0f);
}

TEST(RemoteMeasurer, FailedExchangeIsNotCached) {
  RecordingOutput out;
  Reader in = Reader::from_bytes("abc\n5\n");
  RemoteMeasurer measurer(out, in);
  EXPECT_FALSE(measurer.width("a", 16, false).ok());
  EXPECT_EQ(*measurer.width("a", 16, false), 5.0f);
  EXPECT_EQ(out.text, request("16", false, "\"a\"") + request("16", false, "\"a\""));
}

TEST(RemoteMeasurer, OutputFailureIsTheSystemError) {
  for (const bool fail_write : {true, false}) {
    FailingOutput out(fail_write);
    Reader in = Reader::from_bytes("5\n");
    RemoteMeasurer measurer(out, in);
    auto r = measurer.width("a", 16, false);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), "Broken pipe (os error 32)");
  }
}

}  // namespace
}  // namespace kivo_document
