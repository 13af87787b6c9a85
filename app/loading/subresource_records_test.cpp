#include "loading/subresource_records.h"

#include <gtest/gtest.h>

#include "base/decoding_error.h"

namespace {

TEST(ResourceManifestTest, DecodesOptionalMembers) {
  const ResourceManifest plain = ResourceManifest::fromJson(
      R"({"resources":[{"id":0,"kind":2,"url":"a b.png","extra":true}],"base":null,"limited":false})");
  ASSERT_EQ(plain.resources.size(), 1);
  EXPECT_EQ(plain.resources[0].url, QStringLiteral("a b.png"));
  EXPECT_FALSE(plain.base.has_value());
  EXPECT_EQ(plain.limited, false);

  const ResourceManifest bare = ResourceManifest::fromJson(R"({"resources":[],"base":""})");
  EXPECT_EQ(bare.base, QString());
  EXPECT_FALSE(bare.limited.has_value());
}

TEST(ResourceManifestTest, AnyBrokenItemFailsTheWholeManifest) {
  for (const char* text : {
           R"({"resources":[{"id":0,"kind":1}],"base":null,"limited":false})",
           R"({"resources":[{"id":0,"kind":"1","url":"a.css"}],"base":null,"limited":false})",
           R"({"base":null,"limited":false})",
           R"({"resources":[],"base":3})",
           "not json",
       }) {
    SCOPED_TRACE(text);
    EXPECT_THROW(ResourceManifest::fromJson(text), DecodingError);
  }
}

}  // namespace
