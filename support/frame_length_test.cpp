#include "support/frame_length.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct Case {
  std::uint32_t value;
  std::string bytes;
};

TEST(FrameLength, WritesAndReadsMostSignificantByteFirst) {
  const Case cases[] = {
      {0, std::string("\x00\x00\x00\x00", 4)},
      {1, std::string("\x00\x00\x00\x01", 4)},
      {0x1104'0C, std::string("\x00\x11\x04\x0C", 4)},
      {0x0102'0304, std::string("\x01\x02\x03\x04", 4)},
      {0x8000'00FF, std::string("\x80\x00\x00\xFF", 4)},
      {0xFFFF'FFFF, std::string("\xFF\xFF\xFF\xFF", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(kivo_wire::be32(c.value), c.bytes);
    EXPECT_EQ(kivo_wire::read_be32(c.bytes), c.value);
  }
}

TEST(FrameLength, AppendsAfterWhatIsThereAndReadsOnlyTheFirstFourBytes) {
  std::string out = "ab";
  kivo_wire::append_be32(out, 0x0A0B'0C0D);
  kivo_wire::append_be32(out, 7);
  EXPECT_EQ(out, std::string("ab\x0A\x0B\x0C\x0D\x00\x00\x00\x07", 10));
  EXPECT_EQ(kivo_wire::read_be32(std::string_view(out).substr(2)), 0x0A0B'0C0Du);
  EXPECT_EQ(kivo_wire::read_be32(std::string_view(out).substr(6)), 7u);
}

}  // namespace
