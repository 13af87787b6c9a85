#include "platform/font_text_measurer.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QStringList>

#include <cmath>
#include <thread>
#include <vector>

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

TEST(FontTextMeasurerTest, WidthsHaveTheShapeOfTextWidths) {
  FontTextMeasurer measurer;
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

TEST(FontTextMeasurerTest, AgreesWithQtAtWholePixelSizes) {
  // At a whole size Qt's own font gives the width too; the scaled reference
  // must agree to within the engine's rounding.
  FontTextMeasurer measurer;
  const QString text = QStringLiteral("Ölçüm ve düzen");
  for (int size : {12, 16, 24}) {
    const qreal direct = QFontMetricsF(FontFactory::font(size, false)).horizontalAdvance(text);
    EXPECT_NEAR(measurer.width(text, size, false), direct, 0.02 * direct) << size;
  }
}

TEST(FontTextMeasurerTest, SharedWidthsAreTheWidthsMeasured) {
  const QString text = QStringLiteral("Kivo'nun düzeni");
  FontTextMeasurer::forgetSharedWidths();
  FontTextMeasurer first;
  const qreal regular = first.width(text, 16, false);
  // The bold width is its own, not the regular one found under the same text.
  const qreal bold = first.width(text, 16, true);
  EXPECT_GT(bold, regular);
  // Another measurer, and a measurer after the shared widths are forgotten,
  // give exactly the same widths; sizes still scale them.
  FontTextMeasurer second;
  EXPECT_EQ(second.width(text, 16, false), regular);
  EXPECT_EQ(second.width(text, 16, true), bold);
  EXPECT_EQ(second.width(text, 32, false), 2 * regular);
  FontTextMeasurer::forgetSharedWidths();
  EXPECT_EQ(second.width(text, 16, false), regular);
  // A text too long to share is measured all the same.
  const QString longText = QString(FontTextMeasurer::kSharedTextLimit + 1, QLatin1Char('m'));
  const qreal expected = QFontMetricsF(FontFactory::referenceFont(false)).horizontalAdvance(longText) *
                         FontFactory::scaleFor(16);
  EXPECT_EQ(first.width(longText, 16, false), expected);
}

TEST(FontTextMeasurerTest, MeasurersOnOtherThreadsAgree) {
  // Render runs measure on their own threads while sharing the widths.
  QStringList words;
  for (int i = 0; i < 200; ++i) words.append(QStringLiteral("söz") + QString::number(i));
  FontTextMeasurer::forgetSharedWidths();
  std::vector<qreal> widths[2];
  std::vector<std::thread> threads;
  for (std::vector<qreal>& out : widths) {
    threads.emplace_back([&words, &out] {
      FontTextMeasurer measurer;
      for (const QString& word : words) out.push_back(measurer.width(word, 13.5, true));
    });
  }
  for (std::thread& thread : threads) thread.join();
  FontTextMeasurer::forgetSharedWidths();
  FontTextMeasurer here;
  for (qsizetype i = 0; i < words.size(); ++i) {
    const qreal alone = here.width(words[i], 13.5, true);
    EXPECT_EQ(widths[0][static_cast<std::size_t>(i)], alone) << words[i].toStdString();
    EXPECT_EQ(widths[1][static_cast<std::size_t>(i)], alone) << words[i].toStdString();
  }
}

}  // namespace
