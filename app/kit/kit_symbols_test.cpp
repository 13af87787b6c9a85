#include "kit/kit_symbols.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Set = KitSymbols::Set;

QImage drawn(const QString& name, const QColor& color, Set set = Set::Common) {
  QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  KitSymbols::paint(painter, name, QRectF(0, 0, 24, 24), color, set);
  painter.end();
  return image;
}

TEST(KitSymbols, EveryDrawingParsesAndDrawsInTheGivenColour) {
  for (Set set : {Set::Common, Set::DeveloperTools}) {
    ASSERT_FALSE(KitSymbols::names(set).isEmpty());
    for (const QString& name : KitSymbols::names(set)) {
      SCOPED_TRACE(name.toStdString());
      ASSERT_TRUE(KitSymbols::exists(name, set));
      const QImage image = drawn(name, QColor(255, 0, 0), set);
      int covered = 0;
      for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) {
          const QColor pixel = image.pixelColor(x, y);
          if (pixel.alpha() != 255) continue;
          ++covered;
          // Red, or red mixed with white, the one fixed colour (the tick of
          // "checkmark.circle.fill").
          EXPECT_EQ(pixel.red(), 255);
          EXPECT_EQ(pixel.green(), pixel.blue());
        }
      EXPECT_GT(covered, 10);
    }
  }
  EXPECT_FALSE(KitSymbols::exists(QStringLiteral("gear")));
  EXPECT_FALSE(KitSymbols::exists(QStringLiteral("devtools/chevron.right")));
}

TEST(KitSymbols, TheDeveloperToolsDrawTheirOwnFewAndTheCommonRest) {
  const QColor ink(20, 20, 20);
  EXPECT_NE(drawn(QStringLiteral("chevron.right"), ink, Set::DeveloperTools),
            drawn(QStringLiteral("chevron.right"), ink));
  EXPECT_EQ(drawn(QStringLiteral("info.circle"), ink, Set::DeveloperTools), drawn(QStringLiteral("info.circle"), ink));
  EXPECT_EQ(drawn(QStringLiteral("globe"), ink, Set::DeveloperTools), drawn(QStringLiteral("globe"), ink));
  EXPECT_FALSE(KitSymbols::names(Set::DeveloperTools).contains(QStringLiteral("globe")));
}

TEST(KitSymbols, AStrokedDrawingKeepsTheColoursOwnOpacity) {
  // One stroke in half-transparent ink: where it covers a pixel fully, the
  // pixel has exactly the colour's alpha, and nowhere more.
  const QImage image = drawn(QStringLiteral("circle"), QColor(0, 0, 255, 128));
  int most = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) most = std::max(most, qAlpha(image.pixel(x, y)));
  EXPECT_EQ(most, 128);
}

}  // namespace
