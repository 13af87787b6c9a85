#include "envelope.h"

#include <gtest/gtest.h>

#include "engine/resources.h"
#include "html/parser.h"

namespace bench_renderer {
namespace {

TEST(Deliver, EveryManifestEntryReachesItsElement) {
  const std::string html =
      "<html><head><link rel=stylesheet href=a.css></head><body><img src=a.png><link rel=stylesheet href=b.css>"
      "<img src=b.png><img src=c.png></body></html>";
  const std::string input = deliver(html, {"p{color:red}"}, {{10, 20}, {30, 40}});
  auto unpacked = kivo_engine::resources::unpack(input, kivo_html::kRendererLimits.max_input_bytes);
  ASSERT_TRUE(unpacked.ok());
  EXPECT_EQ(unpacked->html, html);
  auto document = kivo_html::parser::parse_web(unpacked->html, kivo_html::kRendererLimits);
  ASSERT_TRUE(document.ok());
  auto loaded = kivo_engine::Loaded::decode(*document, unpacked->blob);
  ASSERT_TRUE(loaded.ok()) << loaded.error().display();

  const auto manifest = kivo_engine::Manifest::discover(*document);
  ASSERT_EQ(manifest.resources.size(), 5u);
  // The second stylesheet gets an empty text; images cycle through the sizes.
  EXPECT_EQ(loaded->stylesheets.at(manifest.resources[0].node), "p{color:red}");
  EXPECT_EQ(loaded->stylesheets.at(manifest.resources[2].node), "");
  const auto& third = loaded->images.at(manifest.resources[4].node);
  EXPECT_EQ(third.id, 4u);
  EXPECT_EQ(third.width, 10);
  EXPECT_EQ(third.height, 20);
  EXPECT_EQ(loaded->images.at(manifest.resources[3].node).width, 30);
}

}  // namespace
}  // namespace bench_renderer
