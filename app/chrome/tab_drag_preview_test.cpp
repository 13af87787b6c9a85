#include "chrome/tab_drag_preview.h"

#include <QImage>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <vector>

#include "kit/palette.h"
#include "platform/window_compositing.h"

namespace {

struct CardCase {
  bool composites;
  ColorScheme scheme;
};

class TabDragPreviewDepth : public testing::TestWithParam<CardCase> {
protected:
  void TearDown() override { WindowCompositing::setOverride(std::nullopt); }
};

TEST_P(TabDragPreviewDepth, TheCardIsRoundedOnlyWhereTheWindowSystemComposites) {
  const CardCase c = GetParam();
  // The card may have been shown before under the other answer: the next
  // show follows the answer of its moment.
  TabDragPreview card;
  card.setCard(QStringLiteral("Başlık"), QStringLiteral("Yeni pencerede aç"), c.scheme, QColor(0x66, 0x58, 0xD3));
  WindowCompositing::setOverride(!c.composites);
  card.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&card));
  card.hide();
  WindowCompositing::setOverride(c.composites);
  card.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&card));
  EXPECT_EQ(card.isRounded(), c.composites);
  EXPECT_EQ(card.testAttribute(Qt::WA_TranslucentBackground), c.composites);
  EXPECT_EQ(card.windowHandle()->requestedFormat().alphaBufferSize() > 0, c.composites);

  QImage image(card.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  card.render(&image);
  const QColor background = Palette::colors(c.scheme).background;
  const QPoint corner(0, 0);
  if (c.composites) {
    EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << "a rounded corner shows what lies behind";
  } else {
    // Every pixel opaque: the edge all round, the card's colour inside.
    for (const QPoint p : {corner, QPoint(image.width() - 1, 0), QPoint(0, image.height() - 1),
                           QPoint(image.width() - 1, image.height() - 1), QPoint(image.width() / 2, 0)}) {
      EXPECT_EQ(qAlpha(image.pixel(p)), 255) << p.x() << "," << p.y();
      EXPECT_NE(image.pixelColor(p).rgb(), background.rgb()) << "the edge at " << p.x() << "," << p.y();
    }
    EXPECT_EQ(image.pixelColor(2, image.height() - 3).rgb(), background.rgb());
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TabDragPreviewDepth,
                         testing::Values(CardCase{true, ColorScheme::Light}, CardCase{false, ColorScheme::Light},
                                         CardCase{true, ColorScheme::Dark}, CardCase{false, ColorScheme::Dark}),
                         [](const auto& info) {
                           return std::string(info.param.composites ? "Composited" : "Opaque") +
                                  (info.param.scheme == ColorScheme::Dark ? "Dark" : "Light");
                         });

}  // namespace
