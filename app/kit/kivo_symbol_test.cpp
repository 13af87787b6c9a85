#include "kit/kivo_symbol.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct SymbolCase {
  QRectF rect;
  QPointF firstPoint;   // where grid (34, 15) lands
  QPointF thirdPoint;   // where grid (90, 49) lands
};

TEST(KivoSymbol, ScalesIntoTheCentredSquare) {
  const std::vector<SymbolCase> cases = {
      {QRectF(0, 0, 200, 100), QPointF(84, 15), QPointF(140, 49)},
      {QRectF(14, 9, 14, 14), QPointF(18.76, 11.1), QPointF(26.6, 15.86)},
      {QRectF(0, 0, 100, 200), QPointF(34, 65), QPointF(90, 99)},
      {QRectF(0, 0, 100, 100), QPointF(34, 15), QPointF(90, 49)},
  };
  for (const auto& test : cases) {
    QPainterPath path = KivoSymbol::path(test.rect);
    ASSERT_EQ(path.elementCount(), 24);
    EXPECT_NEAR(path.elementAt(0).x, test.firstPoint.x(), 1e-9);
    EXPECT_NEAR(path.elementAt(0).y, test.firstPoint.y(), 1e-9);
    // Element 4 is the end point of the first curve.
    EXPECT_NEAR(path.elementAt(4).x, test.thirdPoint.x(), 1e-9);
    EXPECT_NEAR(path.elementAt(4).y, test.thirdPoint.y(), 1e-9);
  }
}

TEST(KivoSymbol, EmptyRectangleCollapsesToItsCentre) {
  QPainterPath path = KivoSymbol::path(QRectF(10, 20, 0, 50));
  for (int i = 0; i < path.elementCount(); ++i) {
    EXPECT_DOUBLE_EQ(path.elementAt(i).x, 10);
    EXPECT_DOUBLE_EQ(path.elementAt(i).y, 45);
  }
}

TEST(KivoSymbol, SubpathsDoNotOverlapSoFillRulesAgree) {
  QPainterPath winding = KivoSymbol::path(QRectF(0, 0, 100, 100));
  winding.setFillRule(Qt::WindingFill);
  QPainterPath oddEven = winding;
  oddEven.setFillRule(Qt::OddEvenFill);
  for (QPointF probe : {QPointF(80, 49), QPointF(40, 60), QPointF(60, 49), QPointF(15, 80), QPointF(40, 24)})
    EXPECT_EQ(winding.contains(probe), oddEven.contains(probe)) << probe.x() << "," << probe.y();
  EXPECT_TRUE(winding.contains(QPointF(80, 49)));
  EXPECT_FALSE(winding.contains(QPointF(60, 49)));
}

}  // namespace
