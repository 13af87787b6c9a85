#include "chrome/scene_view.h"

#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <limits>

#include "chrome/document_canvas.h"

namespace {

PageDocument page(double height, double width = 300) {
  PageDocument document;
  document.version = PageDocument::kVersion;
  document.title = QStringLiteral("Sayfa");
  document.width = width;
  document.height = height;
  PaintCommand command;
  command.kind = QStringLiteral("text");
  command.width = 100;
  command.height = 20;
  command.text = QStringLiteral("Merhaba");
  document.commands.append(command);
  document.anchors.insert(QStringLiteral("bölüm"), 800);
  document.anchors.insert(QStringLiteral("son"), 1900);
  return document;
}

SceneInputs inputs(const PageDocument& document, const QString& address,
                   const std::shared_ptr<TabPagePosition>& position, std::optional<QString> fragment = std::nullopt) {
  SceneInputs result;
  result.document = document;
  result.address = address;
  result.fragment = std::move(fragment);
  result.pagePosition = position;
  return result;
}

// Every case runs in a view that is shown and in one that was only resized,
// as the window's root view leaves it before it first shows it.
class SceneViewTest : public testing::TestWithParam<bool> {
protected:
  void SetUp() override {
    view.resize(400, 300);
    if (GetParam()) {
      view.show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
  }

  int top() const { return view.verticalScrollBar()->value(); }
  void scrollReaderTo(int y) { view.verticalScrollBar()->setValue(y); }

  SceneView view;
  // A 2,000-pixel page in a 300-pixel view scrolls at most this far.
  const int last = 1700;
  std::shared_ptr<TabPagePosition> tabA = std::make_shared<TabPagePosition>();
  std::shared_ptr<TabPagePosition> tabB = std::make_shared<TabPagePosition>();
};

TEST_P(SceneViewTest, CanvasFillsAtLeastTheVisibleArea) {
  view.apply(inputs(page(2000), QStringLiteral("https://a.example/"), tabA));
  const QSize visible = view.visibleSizeFor(view.canvas()->size());
  EXPECT_EQ(view.canvas()->size(), QSize(visible.width(), 2000));
  EXPECT_EQ(visible.height(), 300);
  EXPECT_LT(visible.width(), 400);  // the vertical bar takes its part
  if (GetParam()) {
    // The scroll area shows and hides its bars on a queued call.
    QCoreApplication::processEvents();
    EXPECT_EQ(view.viewport()->size(), visible);
  }
  EXPECT_EQ(view.canvas()->accessibleName(), QStringLiteral("Sayfa"));

  // A small page fills the view and cannot scroll.
  view.apply(inputs(page(100, 200), QStringLiteral("https://small.example/"), tabA));
  EXPECT_EQ(view.canvas()->size(), QSize(400, 300));
  EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(tabA->offset, QPointF(0, 0));

  // A larger view enlarges the canvas with it.
  view.resize(600, 500);
  if (!GetParam()) view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  QCoreApplication::processEvents();
  EXPECT_EQ(view.canvas()->size(), QSize(600, 500));
  EXPECT_EQ(view.viewport()->size(), QSize(600, 500));
}

TEST_P(SceneViewTest, EachTabGetsItsOwnPlaceBack) {
  const QString address = QStringLiteral("https://a.example/");
  view.apply(inputs(page(2000), address, tabA));
  EXPECT_EQ(top(), 0);
  scrollReaderTo(500);
  EXPECT_EQ(tabA->offset, QPointF(0, 500));
  EXPECT_EQ(tabA->address, address);

  // Tab B shows the same address and still starts at its own place.
  view.apply(inputs(page(2000), address, tabB));
  EXPECT_EQ(top(), 0);
  scrollReaderTo(200);
  EXPECT_EQ(tabB->offset, QPointF(0, 200));
  EXPECT_EQ(tabA->offset, QPointF(0, 500));

  view.apply(inputs(page(2000), address, tabA));
  EXPECT_EQ(top(), 500);
  view.apply(inputs(page(2000), address, tabB));
  EXPECT_EQ(top(), 200);

  // A rebuilt view takes the remembered place too.
  SceneView rebuilt;
  rebuilt.resize(400, 300);
  rebuilt.apply(inputs(page(2000), address, tabA));
  EXPECT_EQ(rebuilt.verticalScrollBar()->value(), 500);
}

TEST_P(SceneViewTest, FragmentOpensAtItsAnchorWithinTheDocument) {
  struct Case {
    std::optional<QString> fragment;
    int expected;
  };
  // The page is wider than the view: the horizontal bar takes its part too.
  const int end = 2000 - view.visibleSizeFor(QSize(1000, 2000)).height();
  const std::vector<Case> cases{{QStringLiteral("bölüm"), 800},
                                {QStringLiteral("son"), end},
                                {QStringLiteral("yok"), 0},
                                {QStringLiteral("Bölüm"), 0},
                                {std::nullopt, 0}};
  int visit = 0;
  for (const Case& c : cases) {
    // Every case is a navigation in the same tab: a new address.
    const QString address = QStringLiteral("https://a.example/%1").arg(++visit);
    view.horizontalScrollBar()->setValue(50);
    view.apply(inputs(page(2000, 1000), address, tabA, c.fragment));
    EXPECT_EQ(top(), c.expected) << c.fragment.value_or(QStringLiteral("(none)")).toStdString();
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(tabA->offset, QPointF(0, c.expected));
    EXPECT_EQ(tabA->address, address);
  }
}

TEST_P(SceneViewTest, RememberedPlaceIsClampedToTheDocument) {
  const QString address = QStringLiteral("https://a.example/");
  struct Case {
    QPointF remembered;
    QPointF shown;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const Case& c : {Case{{0, 5000}, {0, 1700}}, Case{{-40, -10}, {0, 0}}, Case{{nan, nan}, {0, 0}},
                        Case{{500, 300}, {0, 300}}}) {
    auto position = std::make_shared<TabPagePosition>(TabPagePosition{address, c.remembered});
    view.apply(inputs(page(2000), address, position));
    EXPECT_EQ(QPointF(view.origin()), c.shown) << c.remembered.x() << "," << c.remembered.y();
    EXPECT_EQ(position->offset, c.shown) << c.remembered.x() << "," << c.remembered.y();
  }
}

TEST_P(SceneViewTest, SameAddressKeepsThePlaceClampedAndANewOneStartsAtTheTop) {
  const QString address = QStringLiteral("https://a.example/");
  view.apply(inputs(page(2000), address, tabA, QStringLiteral("bölüm")));
  EXPECT_EQ(top(), 800);
  scrollReaderTo(300);
  // A re-layout (another height) keeps the place, even with a fragment.
  view.apply(inputs(page(2500), address, tabA, QStringLiteral("bölüm")));
  EXPECT_EQ(top(), 300);
  view.apply(inputs(page(450), address, tabA, QStringLiteral("bölüm")));
  EXPECT_EQ(top(), 150);
  EXPECT_EQ(tabA->offset, QPointF(0, 150));
  view.apply(inputs(page(2000), QStringLiteral("https://b.example/"), tabA));
  EXPECT_EQ(top(), 0);
  EXPECT_EQ(tabA->address, QStringLiteral("https://b.example/"));
}

TEST_P(SceneViewTest, HighlightedNodeIsScrolledIntoViewOncePerSelection) {
  const QString address = QStringLiteral("https://a.example/");
  SceneInputs selected = inputs(page(2000), address, tabA);
  selected.highlightedBounds = InspectorBounds{10, 1500, 100, 50};
  selected.highlightedNodeID = 7;
  view.apply(selected);
  EXPECT_EQ(top(), 1550 - 300);
  EXPECT_EQ(tabA->offset, QPointF(0, 1250));

  scrollReaderTo(0);
  view.apply(selected);
  EXPECT_EQ(top(), 0);

  SceneInputs cleared = selected;
  cleared.highlightedBounds.reset();
  cleared.highlightedNodeID.reset();
  view.apply(cleared);
  EXPECT_EQ(top(), 0);
  view.apply(selected);
  EXPECT_EQ(top(), 1250);

  // Another node moves the page as little as it needs to.
  SceneInputs other = selected;
  other.highlightedBounds = InspectorBounds{10, 1100, 100, 50};
  other.highlightedNodeID = 8;
  view.apply(other);
  EXPECT_EQ(top(), 1100);
}

TEST_P(SceneViewTest, LinksReachTheCallbackOfTheLatestUpdate) {
  PageDocument document = page(2000);
  PaintCommand link;
  link.kind = QStringLiteral("text");
  link.x = 10;
  link.y = 10;
  link.width = 50;
  link.height = 20;
  link.text = QStringLiteral("git");
  link.href = QStringLiteral("https://b.example/");
  document.commands.append(link);
  QStringList first;
  QStringList second;
  SceneInputs shown = inputs(document, QStringLiteral("https://a.example/"), tabA);
  shown.onLink = [&](const QString& href) { first.append(href); };
  view.apply(shown);
  shown.onLink = [&](const QString& href) { second.append(href); };
  view.apply(shown);
  QTest::mouseClick(view.canvas(), Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_TRUE(first.isEmpty());
  EXPECT_EQ(second, QStringList{QStringLiteral("https://b.example/")});
}

INSTANTIATE_TEST_SUITE_P(ShownAndNot, SceneViewTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Shown" : "NotShown"; });

}  // namespace
