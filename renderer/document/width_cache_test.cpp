#include "document/width_cache.h"

#include <gtest/gtest.h>

#include <bit>
#include <string>

namespace kivo_document {
namespace {

constexpr std::uint32_t k16 = std::bit_cast<std::uint32_t>(16.0f);
constexpr std::uint32_t k13_5 = std::bit_cast<std::uint32_t>(13.5f);

TEST(WidthCache, KeysDifferInTextSizeAndBoldness) {
  WidthCache cache;
  EXPECT_FALSE(cache.find("word", k16, false));
  cache.insert("word", k16, false, 1);
  cache.insert("word", k16, true, 2);
  cache.insert("word", k13_5, false, 3);
  cache.insert("words", k16, false, 4);
  cache.insert("", k16, false, 5);
  // Texts longer than one hashed chunk, differing only in their last byte.
  cache.insert("a longer run of text!", k16, false, 6);
  EXPECT_EQ(cache.find("word", k16, false), 1.0f);
  EXPECT_EQ(cache.find("word", k16, true), 2.0f);
  EXPECT_EQ(cache.find("word", k13_5, false), 3.0f);
  EXPECT_EQ(cache.find("words", k16, false), 4.0f);
  EXPECT_EQ(cache.find("", k16, false), 5.0f);
  EXPECT_EQ(cache.find("a longer run of text!", k16, false), 6.0f);
  EXPECT_FALSE(cache.find("a longer run of text?", k16, false));
  EXPECT_FALSE(cache.find("wor", k16, false));
  EXPECT_FALSE(cache.find("word", k13_5, true));
  EXPECT_EQ(cache.size(), 6u);
}

TEST(WidthCache, KeepsEveryKeyAcrossGrowth) {
  WidthCache cache;
  constexpr int kKeys = 40000;
  for (int i = 0; i < kKeys; ++i) cache.insert(std::to_string(i), k16, i % 2 == 0, static_cast<float>(i));
  EXPECT_EQ(cache.size(), static_cast<std::size_t>(kKeys));
  for (int i = 0; i < kKeys; ++i) {
    ASSERT_EQ(cache.find(std::to_string(i), k16, i % 2 == 0), static_cast<float>(i)) << i;
    ASSERT_FALSE(cache.find(std::to_string(i), k16, i % 2 != 0)) << i;
  }
}

}  // namespace
}  // namespace kivo_document
