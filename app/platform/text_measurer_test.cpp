#include "platform/text_measurer.h"

#include <gtest/gtest.h>

#include <QFontInfo>

#include <cmath>

#include "platform/font_factory.h"

namespace {

TEST(FontFactoryTest, DocumentFontIsInterAtCssPixels) {
  for (const QFont& font : {FontFactory::referenceFont(false), FontFactory::font(13.5, true)}) {
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Inter"));
    EXPECT_EQ(font.hintingPreference(), QFont::PreferNoHinting);
  }
  EXPECT_EQ(QFontInfo(FontFactory::referenceFont(true)).weight(), QFont::Bold);
  EXPECT_EQ(FontFactory::font(13.5, false).pixelSize(), 14);
}

TEST(TextMeasurerTest, WidthsHaveTheShapeOfTextWidths) {
  TextMeasurer measurer;
  const QString text = QStringLiteral("Merhaba dünya, Kivo çizer");
  const qreal regular = measurer.width(text, 16, false);
  const qreal bold = measurer.width(text, 16, true);
  EXPECT_GT(regular, 0);
  EXPECT_GE(bold, regular);
  EXPECT_GT(measurer.width(QStringLiteral(" "), 16, false), 0);
  EXPECT_EQ(measurer.width(QString(), 16, false), 0);
  // Unhinted widths scale with the size, and fractional sizes are kept.
  EXPECT_NEAR(measurer.width(text, 32, false), 2 * regular, regular * 0.01);
  const qreal between = measurer.width(text, 13.5, false);
  EXPECT_GT(between, measurer.width(text, 13, false));
  EXPECT_LT(between, measurer.width(text, 14, false));
  // A 16-pixel text is far narrower than one em per character.
  EXPECT_LT(regular, 16.0 * text.size());
}

TEST(TextMeasurerTest, AgreesWithQtAtWholePixelSizes) {
  // At a whole size Qt's own font gives the width too; the scaled reference
  // must agree to within the engine's rounding.
  TextMeasurer measurer;
  const QString text = QStringLiteral("Ölçüm ve düzen");
  for (int size : {12, 16, 24}) {
    const qreal direct = QFontMetricsF(FontFactory::font(size, false)).horizontalAdvance(text);
    EXPECT_NEAR(measurer.width(text, size, false), direct, 0.02 * direct) << size;
  }
}

}  // namespace
