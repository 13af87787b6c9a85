#include "kit/mark.h"

#include <QImage>
#include <gtest/gtest.h>

#include "kit/kit_test_support.h"

namespace {

QColor pixel(Mark& mark, QPoint at) { return mark.grab().toImage().pixelColor(at); }

TEST(Mark, GeometryFollowsTheSize) {
  Mark standard(nullptr);
  EXPECT_EQ(standard.size(), 34);
  EXPECT_NEAR(standard.cornerRadius(), 9.86, 1e-9);
  EXPECT_NEAR(standard.glyphInset(), 3.4, 1e-9);
  Mark large(nullptr, 60);
  EXPECT_NEAR(large.cornerRadius(), 17.4, 1e-9);
  EXPECT_NEAR(large.glyphInset(), 6, 1e-9);
  EXPECT_EQ(large.sizeHint(), QSize(60, 60));
}

TEST(Mark, RedrawsWithTheNewAccent) {
  auto preferences = KitTest::preferences(QStringLiteral("kit-mark-test"));
  Mark mark(PreferencesTheme::of(preferences), 60);
  // Near the top-leading corner, inside the rounding and outside the glyph.
  QPoint probe(14, 8);
  QColor before = pixel(mark, probe);
  EXPECT_NEAR(before.red(), 0x66, 3);
  EXPECT_NEAR(before.blue(), 0xD3, 3);
  preferences->setAccentHex(QStringLiteral("25846a"));
  QColor after = pixel(mark, probe);
  EXPECT_NEAR(after.green(), 0x84, 3);
  EXPECT_NEAR(after.red(), 0x25, 3);
  // The glyph is white; the outer corner stays transparent.
  EXPECT_EQ(pixel(mark, QPoint(48, 29)), QColor(Qt::white));
  EXPECT_EQ(pixel(mark, QPoint(0, 0)).alpha(), 0);
  preferences->storage()->removeAll();
}

}  // namespace
