#include "kit/kit_icons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(KitIcons, EveryImageParsesAndDrawsInTheGivenColour) {
  for (const QString& name : KitIcons::names()) {
    ASSERT_TRUE(KitIcons::exists(name)) << name.toStdString();
    QImage image(24, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      KitIcons::paint(painter, name, QRectF(0, 0, 24, 24), QColor(255, 0, 0));
    }
    int covered = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        QColor pixel = image.pixelColor(x, y);
        if (pixel.alpha() == 255) {
          ++covered;
          EXPECT_EQ(pixel, QColor(255, 0, 0)) << name.toStdString();
        }
      }
    EXPECT_GT(covered, 10) << name.toStdString();
  }
  EXPECT_FALSE(KitIcons::exists(QStringLiteral("gear")));
}

}  // namespace
