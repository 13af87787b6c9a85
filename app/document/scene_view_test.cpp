#include "document/scene_view.h"

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

#include <limits>

#include "document/document_canvas.h"
#include "kit/overlay_scroll_bar.h"

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
  EXPECT_EQ(view.canvas()->size(), QSize(400, 2000));
  EXPECT_EQ(visible, QSize(400, 300));  // the bars float over the page
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
  // The page is wider than the view; its bars take none of the height.
  const int end = 2000 - 300;
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

TEST_P(SceneViewTest, RememberedPlaceWinsOverTheSelectedNodeWhenATabComesBack) {
  const QString address = QStringLiteral("https://a.example/");
  SceneInputs selected = inputs(page(2000), address, tabA);
  selected.highlightedBounds = InspectorBounds{10, 20, 100, 30};
  selected.highlightedNodeID = 7;
  view.apply(selected);
  scrollReaderTo(420);
  view.apply(inputs(page(2000), address, tabB));

  // Back in this view, and in a new view (the tab moved to another window),
  // the tab opens where the reader left it, not at its selected node.
  view.apply(selected);
  EXPECT_EQ(top(), 420);
  SceneView moved;
  moved.resize(400, 300);
  moved.apply(selected);
  EXPECT_EQ(moved.verticalScrollBar()->value(), 420);
  EXPECT_EQ(tabA->offset, QPointF(0, 420));

  // Selecting another node there still brings it into view.
  SceneInputs other = selected;
  other.highlightedBounds = InspectorBounds{10, 1500, 100, 50};
  other.highlightedNodeID = 8;
  moved.apply(other);
  EXPECT_EQ(moved.verticalScrollBar()->value(), 1550 - 300);
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

TEST_P(SceneViewTest, OverlayBarsShowOnlyForTheDirectionsThatScroll) {
  struct Case {
    QSize document;
    bool vertical;
    bool horizontal;
  };
  // The view is 400 x 300. A document laid out at exactly the view's width
  // has no horizontal bar, however tall it is.
  const std::vector<Case> cases{{{400, 2000}, true, false}, {{400, 300}, false, false}, {{200, 100}, false, false},
                                {{401, 300}, false, true},  {{400, 301}, true, false},  {{1000, 2000}, true, true}};
  int visit = 0;
  for (const Case& c : cases) {
    const QString name = QStringLiteral("%1x%2").arg(c.document.width()).arg(c.document.height());
    view.apply(inputs(page(c.document.height(), c.document.width()),
                      QStringLiteral("https://a.example/%1").arg(++visit), tabA));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.canvas()->size(), c.document.expandedTo(QSize(400, 300))) << name.toStdString();
    EXPECT_EQ(view.viewport()->size(), QSize(400, 300)) << name.toStdString();
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), std::max(c.document.width() - 400, 0)) << name.toStdString();
    EXPECT_EQ(!view.verticalOverlay()->isHidden(), c.vertical) << name.toStdString();
    EXPECT_EQ(!view.horizontalOverlay()->isHidden(), c.horizontal) << name.toStdString();
    // The area's own bars never show.
    EXPECT_FALSE(view.verticalScrollBar()->isVisibleTo(&view)) << name.toStdString();
    EXPECT_FALSE(view.horizontalScrollBar()->isVisibleTo(&view)) << name.toStdString();
    if (GetParam()) {
      EXPECT_EQ(view.verticalOverlay()->isVisible(), c.vertical) << name.toStdString();
      EXPECT_EQ(view.horizontalOverlay()->isVisible(), c.horizontal) << name.toStdString();
    }
  }

  // Both bars lie along the edges of the page, each short of the corner.
  const int thickness = OverlayScrollBar::kThickness;
  EXPECT_EQ(view.verticalOverlay()->geometry(), QRect(400 - thickness, 0, thickness, 300 - thickness));
  EXPECT_EQ(view.horizontalOverlay()->geometry(), QRect(0, 300 - thickness, 400 - thickness, thickness));
  // A larger view keeps them on its edges.
  view.resize(500, 600);
  if (!GetParam()) view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  EXPECT_EQ(view.verticalOverlay()->geometry(), QRect(500 - thickness, 0, thickness, 600 - thickness));
  EXPECT_EQ(view.horizontalOverlay()->geometry(), QRect(0, 600 - thickness, 500 - thickness, thickness));
}

INSTANTIATE_TEST_SUITE_P(ShownAndNot, SceneViewTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Shown" : "NotShown"; });

// The overlay bars with real pointer input, delivered through the window as a
// windowing system would: a bar must lie above the page to take it.
class SceneViewOverlayTest : public testing::Test {
protected:
  void SetUp() override {
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  }

  int top() const { return view.verticalScrollBar()->value(); }
  // A point of `bar` in the window's coordinates.
  QPoint inWindow(OverlayScrollBar* bar, const QPoint& point) const { return bar->mapTo(&view, point); }
  QWindow* window() const { return view.windowHandle(); }

  SceneView view;
  std::shared_ptr<TabPagePosition> tab = std::make_shared<TabPagePosition>();
};

TEST_F(SceneViewOverlayTest, DraggingTheThumbMovesThePageAndTheRememberedPlaceFollows) {
  view.apply(inputs(page(2000), QStringLiteral("https://a.example/"), tab));
  OverlayScrollBar* bar = view.verticalOverlay();
  ASSERT_TRUE(bar->isVisible());
  // The thumb is to its track as the 300 visible pixels are to the 2,000 of
  // the page, and starts at the top.
  const int track = 300 - 2 * OverlayScrollBar::kInset;
  const QRect thumb = bar->thumbRect();
  EXPECT_EQ(thumb.height(), qRound(track * 300.0 / 2000));
  EXPECT_EQ(thumb.top(), OverlayScrollBar::kInset);

  // Half the free track moves the page half of its 1,700 pixels.
  const int free = track - thumb.height();
  const QPoint grip = inWindow(bar, thumb.center());
  QTest::mousePress(window(), Qt::LeftButton, {}, grip);
  EXPECT_TRUE(bar->highlighted());
  QTest::mouseMove(window(), grip + QPoint(0, free / 2));
  EXPECT_EQ(top(), qRound(1700.0 * (free / 2) / free));
  EXPECT_EQ(tab->offset, QPointF(0, top()));
  // Past the end the page stops at its last place.
  QTest::mouseMove(window(), grip + QPoint(0, 400));
  EXPECT_EQ(top(), 1700);
  EXPECT_EQ(bar->thumbRect().bottom(), 300 - OverlayScrollBar::kInset - 1);
  QTest::mouseRelease(window(), Qt::LeftButton, {}, grip + QPoint(0, 400));
  EXPECT_EQ(tab->offset, QPointF(0, 1700));

  // A click on the track just above the thumb goes back one page of 300
  // pixels. The thumb then covers the place clicked, so a held button would
  // page no further.
  QTest::mouseClick(window(), Qt::LeftButton, {}, inWindow(bar, QPoint(bar->width() / 2, bar->thumbRect().top() - 20)));
  EXPECT_EQ(top(), 1400);
  EXPECT_EQ(tab->offset, QPointF(0, 1400));

  // Setting the area's bar, as the keyboard and the program do, moves the
  // thumb with the page.
  view.verticalScrollBar()->setValue(0);
  EXPECT_EQ(bar->thumbRect().top(), OverlayScrollBar::kInset);
  EXPECT_EQ(tab->offset, QPointF(0, 0));
}

TEST_F(SceneViewOverlayTest, HorizontalThumbAndWheelScrollThePage) {
  view.apply(inputs(page(2000, 1000), QStringLiteral("https://a.example/"), tab));
  OverlayScrollBar* bar = view.horizontalOverlay();
  ASSERT_TRUE(bar->isVisible());
  const QPoint grip = inWindow(bar, bar->thumbRect().center());
  QTest::mousePress(window(), Qt::LeftButton, {}, grip);
  QTest::mouseMove(window(), grip + QPoint(1000, 0));
  QTest::mouseRelease(window(), Qt::LeftButton, {}, grip + QPoint(1000, 0));
  EXPECT_EQ(view.horizontalScrollBar()->value(), 600);
  EXPECT_EQ(tab->offset, QPointF(600, 0));

  // The wheel scrolls the page over the page and over a bar alike.
  for (QWidget* target : {static_cast<QWidget*>(view.canvas()), static_cast<QWidget*>(view.verticalOverlay())}) {
    const int before = top();
    const QPointF at(5, 5);
    QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    // As from the windowing system: only such wheel events travel on to the
    // parents of a widget that leaves them.
    QSpontaneKeyEvent::setSpontaneous(&wheel);
    qApp->notify(target, &wheel);
    EXPECT_GT(top(), before) << target->metaObject()->className();
    EXPECT_EQ(tab->offset, QPointF(600, top()));
  }
}

TEST_F(SceneViewOverlayTest, ThumbIsDarkOnLightGroundAndLightOnDarkGround) {
  // A light page whose lower half is dark.
  PageDocument document = page(2000);
  PaintCommand dark;
  dark.kind = QStringLiteral("box");
  dark.y = 1000;
  dark.width = 400;
  dark.height = 1000;
  dark.background = 0x202124FF;
  document.commands.prepend(dark);
  view.apply(inputs(document, QStringLiteral("https://a.example/"), tab));
  OverlayScrollBar* bar = view.verticalOverlay();

  // What is drawn at the thumb's middle, against the ground beside the bar.
  const auto drawn = [&] {
    const QImage shot = view.grab().toImage();
    const QPoint middle = bar->mapTo(&view, bar->thumbRect().center());
    return std::pair{qGray(shot.pixel(middle)), qGray(shot.pixel(middle - QPoint(30, 0)))};
  };
  EXPECT_FALSE(bar->darkBackdrop());
  auto [thumb, ground] = drawn();
  EXPECT_EQ(ground, 255);
  EXPECT_LT(thumb, 175);

  view.verticalScrollBar()->setValue(1700);
  EXPECT_TRUE(bar->darkBackdrop());
  std::tie(thumb, ground) = drawn();
  EXPECT_EQ(ground, qGray(0x20, 0x21, 0x24));
  EXPECT_GT(thumb, ground + 60);

  // Another document under a thumb that stays put is shaded anew.
  view.apply(inputs(page(2000), QStringLiteral("https://a.example/"), tab));
  EXPECT_EQ(top(), 1700);
  EXPECT_FALSE(bar->darkBackdrop());
}

}  // namespace
