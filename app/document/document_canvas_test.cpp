#include "document/document_canvas.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

#include "platform/font_factory.h"

namespace {

PaintCommand box(double x, double y, double width, double height, std::optional<quint32> background) {
  PaintCommand command;
  command.kind = QStringLiteral("box");
  command.x = x;
  command.y = y;
  command.width = width;
  command.height = height;
  command.background = background;
  return command;
}

PaintCommand text(double x, double y, double width, double height, const QString& content) {
  PaintCommand command;
  command.kind = QStringLiteral("text");
  command.x = x;
  command.y = y;
  command.width = width;
  command.height = height;
  command.text = content;
  return command;
}

PaintCommand link(double x, double y, double width, double height, const QString& href) {
  PaintCommand command = text(x, y, width, height, href);
  command.href = href;
  return command;
}

PageDocument documentOf(QList<PaintCommand> commands, double width = 400, double height = 300) {
  PageDocument document;
  document.version = PageDocument::kVersion;
  document.title = QStringLiteral("Deneme");
  document.width = width;
  document.height = height;
  document.commands = std::move(commands);
  return document;
}

// The canvas painted into an image `scale` times its size, over `dirty`
// (all of it when empty).
QImage render(DocumentCanvas& canvas, QSize size, qreal scale = 1, QRectF dirty = {}) {
  QImage image((QSizeF(size) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::magenta);
  QPainter painter(&image);
  painter.scale(scale, scale);
  canvas.paint(painter, dirty.isEmpty() ? QRectF(QPointF(0, 0), QSizeF(size)) : dirty);
  painter.end();
  return image.convertToFormat(QImage::Format_RGB32);
}

QImage render(const PageDocument& document, qreal scale = 1) {
  DocumentCanvas canvas;
  canvas.setDocument(document);
  return render(canvas, QSize(static_cast<int>(document.width), static_cast<int>(document.height)), scale);
}

// The colour at document point `point` of an image drawn at `scale`.
QColor at(const QImage& image, QPointF point, qreal scale = 1) {
  return image.pixelColor(static_cast<int>(point.x() * scale), static_cast<int>(point.y() * scale));
}

bool near(const QColor& actual, const QColor& expected, int tolerance = 2) {
  return std::abs(actual.red() - expected.red()) <= tolerance &&
         std::abs(actual.green() - expected.green()) <= tolerance &&
         std::abs(actual.blue() - expected.blue()) <= tolerance;
}

std::string describe(const QColor& color) {
  return QStringLiteral("(%1, %2, %3)").arg(color.red()).arg(color.green()).arg(color.blue()).toStdString();
}

// The rows of `image` (from `top` to `bottom`, exclusive) that hold any pixel
// clearly darker than white.
std::vector<int> inkRows(const QImage& image, int top = 0, int bottom = -1) {
  std::vector<int> rows;
  if (bottom < 0) bottom = image.height();
  for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 200) {
        rows.push_back(y);
        break;
      }
    }
  }
  return rows;
}

bool anyInk(const QImage& image, const QRect& area) {
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (qGray(image.pixel(x, y)) < 200) return true;
    }
  }
  return false;
}

struct TextMetrics {
  qreal ascent;
  qreal descent;
};

TextMetrics metricsAt(qreal size) {
  const QFontMetricsF metrics(FontFactory::referenceFont(false));
  const qreal scale = FontFactory::scaleFor(size);
  return {metrics.ascent() * scale, metrics.descent() * scale};
}

TEST(DocumentCanvasTest, ColoursAreRedGreenBlueAlphaBytes) {
  struct Case {
    quint32 value;
    int red, green, blue, alpha;
  };
  for (const Case& c : {Case{0xFF000080, 255, 0, 0, 128}, Case{0x292B38FF, 41, 43, 56, 255},
                        Case{0x12345678, 0x12, 0x34, 0x56, 0x78}, Case{0x00000000, 0, 0, 0, 0}}) {
    const QColor color = documentColor(c.value);
    EXPECT_EQ(color.red(), c.red) << std::hex << c.value;
    EXPECT_EQ(color.green(), c.green) << std::hex << c.value;
    EXPECT_EQ(color.blue(), c.blue) << std::hex << c.value;
    EXPECT_EQ(color.alpha(), c.alpha) << std::hex << c.value;
  }
  // Half-transparent red over the white page.
  const QImage image = render(documentOf({box(10, 10, 50, 50, 0xFF000080)}));
  EXPECT_TRUE(near(at(image, {30, 30}), QColor(255, 127, 127))) << describe(at(image, {30, 30}));
}

TEST(DocumentCanvasTest, BoxGeometryClampsRadiusAndInsetsBorder) {
  struct Case {
    const char* name;
    double width, height;
    std::optional<double> radius, borderWidth;
    qreal expectedRadius, expectedBorderWidth;
    QRectF expectedBorderRect;
    qreal expectedBorderRadius;
  };
  const std::vector<Case> cases{
      {"radius beyond half the shorter side", 40, 10, 50, std::nullopt, 5, 0, {}, 0},
      {"no radius", 40, 10, std::nullopt, std::nullopt, 0, 0, {}, 0},
      {"negative radius", 40, 10, -6, std::nullopt, 0, 0, {}, 0},
      {"border inside the box", 100, 50, 6, 4, 6, 4, QRectF(2, 2, 96, 46), 4},
      {"border wider than the radius", 100, 50, 1, 4, 1, 4, QRectF(2, 2, 96, 46), 0},
      {"border width 0", 100, 50, 6, 0, 6, 0, {}, 0},
      {"negative border width", 100, 50, 6, -2, 6, 0, {}, 0},
  };
  for (const Case& c : cases) {
    PaintCommand command = box(0, 0, c.width, c.height, std::nullopt);
    command.radius = c.radius;
    command.borderWidth = c.borderWidth;
    const BoxGeometry geometry = BoxGeometry::of(command);
    EXPECT_EQ(geometry.rect, QRectF(0, 0, c.width, c.height)) << c.name;
    EXPECT_DOUBLE_EQ(geometry.radius, c.expectedRadius) << c.name;
    EXPECT_DOUBLE_EQ(geometry.borderWidth, c.expectedBorderWidth) << c.name;
    if (c.expectedBorderWidth > 0) {
      EXPECT_EQ(geometry.borderRect, c.expectedBorderRect) << c.name;
      EXPECT_DOUBLE_EQ(geometry.borderRadius, c.expectedBorderRadius) << c.name;
    }
  }
}

TEST(DocumentCanvasTest, RoundedCornersUseHalfTheShorterSide) {
  const qreal scale = 4;
  PaintCommand clamped = box(0, 0, 40, 10, 0xFF0000FF);
  clamped.radius = 50;
  PaintCommand negative = box(0, 20, 40, 10, 0xFF0000FF);
  negative.radius = -5;
  const QImage image = render(documentOf({clamped, negative}, 50, 40), scale);
  const QColor red(255, 0, 0);
  // A circular corner of radius 5 covers (3.5, 1.5); Qt's own per-axis clamp
  // (an elliptical 20 x 5 corner) would leave it white.
  EXPECT_TRUE(near(at(image, {3.5, 1.5}, scale), red)) << describe(at(image, {3.5, 1.5}, scale));
  EXPECT_TRUE(near(at(image, {0.3, 0.3}, scale), Qt::white));
  EXPECT_TRUE(near(at(image, {20, 5}, scale), red));
  // A negative radius gives square corners.
  EXPECT_TRUE(near(at(image, {0.3, 20.3}, scale), red)) << describe(at(image, {0.3, 20.3}, scale));
}

TEST(DocumentCanvasTest, BorderLiesInsideTheBoxWithoutBackground) {
  const qreal scale = 4;
  PaintCommand framed = box(0, 0, 100, 50, std::nullopt);
  framed.border = 0x0000FFFF;
  framed.borderWidth = 4;
  framed.radius = 6;
  const QImage image = render(documentOf({framed}, 120, 60), scale);
  const QColor blue(0, 0, 255);
  for (const QPointF point : {QPointF(0.5, 25), QPointF(3.5, 25), QPointF(50, 0.5), QPointF(99.5, 25)}) {
    EXPECT_TRUE(near(at(image, point, scale), blue)) << point.x() << "," << point.y();
  }
  // No fill inside the border, nothing outside the box, a rounded outer corner.
  for (const QPointF point : {QPointF(4.5, 25), QPointF(50, 25), QPointF(100.5, 25), QPointF(0.3, 0.3)}) {
    EXPECT_TRUE(near(at(image, point, scale), Qt::white)) << point.x() << "," << point.y();
  }
  // The inner corner follows radius 4 at inset 2 (an inner radius of 2 about
  // (6, 6)); an uninset radius of 6 would still cover this point.
  EXPECT_TRUE(near(at(image, {4.9, 4.9}, scale), Qt::white, 40)) << describe(at(image, {4.9, 4.9}, scale));
}

TEST(DocumentCanvasTest, TextDefaultsAreSixteenRegularInkColour) {
  PaintCommand plain = text(10, 10, 200, 30, QStringLiteral("Hamburg"));
  PaintCommand explicitDefaults = plain;
  explicitDefaults.size = 16;
  explicitDefaults.bold = false;
  explicitDefaults.color = 0x292B38FF;
  PaintCommand larger = plain;
  larger.size = 18;
  PaintCommand bold = plain;
  bold.bold = true;
  const QImage defaults = render(documentOf({plain}, 220, 50), 4);
  EXPECT_EQ(defaults, render(documentOf({explicitDefaults}, 220, 50), 4));
  EXPECT_NE(defaults, render(documentOf({larger}, 220, 50), 4));
  EXPECT_NE(defaults, render(documentOf({bold}, 220, 50), 4));
  // Stems four times enlarged hold fully covered pixels in the ink colour.
  int darkest = 255 * 3;
  QColor ink;
  for (int y = 0; y < defaults.height(); ++y) {
    for (int x = 0; x < defaults.width(); ++x) {
      const QColor color = defaults.pixelColor(x, y);
      const int sum = color.red() + color.green() + color.blue();
      if (sum < darkest) {
        darkest = sum;
        ink = color;
      }
    }
  }
  EXPECT_TRUE(near(ink, QColor(41, 43, 56), 3)) << describe(ink);
}

TEST(DocumentCanvasTest, TextSitsOnItsBaselineCentredOrFromTheTop) {
  const qreal scale = 4;
  const TextMetrics metrics = metricsAt(16);
  const qreal line = metrics.ascent + metrics.descent;
  struct Case {
    double height;
    qreal offset;
  };
  // A box shorter than the line is drawn from its top, overflowing it.
  for (const Case& c : {Case{5, 0}, Case{100, (100 - line) / 2}}) {
    const QImage image = render(documentOf({text(10, 20, 200, c.height, QStringLiteral("HHH"))}, 220, 140), scale);
    const std::vector<int> rows = inkRows(image);
    ASSERT_FALSE(rows.empty()) << c.height;
    // "H" stands on the baseline; its top is the cap height above it.
    const qreal baseline = 20 + c.offset + metrics.ascent;
    EXPECT_NEAR((rows.back() + 1) / scale, baseline, 0.5) << c.height;
    EXPECT_GT(rows.front() / scale, 20 + c.offset) << c.height;
  }
}

TEST(DocumentCanvasTest, LinkTextIsUnderlined) {
  const qreal scale = 4;
  const TextMetrics metrics = metricsAt(16);
  const qreal baseline = 10 + metrics.ascent;
  // Below the baseline of "HHH" only an underline can leave ink.
  const int top = static_cast<int>(std::ceil((baseline + 0.5) * scale));
  const int bottom = static_cast<int>((baseline + metrics.descent) * scale);
  const QImage plain = render(documentOf({text(10, 10, 100, 10, QStringLiteral("HHH"))}, 120, 40), scale);
  const QImage linked = render(documentOf({link(10, 10, 100, 10, QStringLiteral("HHH"))}, 120, 40), scale);
  EXPECT_TRUE(inkRows(plain, top, bottom).empty());
  EXPECT_FALSE(inkRows(linked, top, bottom).empty());
}

TEST(DocumentCanvasTest, ImagesStretchAndMissingOnesShowTheirAlternativeText) {
  QImage bitmap(2, 2, QImage::Format_RGB32);
  bitmap.setPixelColor(0, 0, Qt::red);
  bitmap.setPixelColor(1, 0, Qt::green);
  bitmap.setPixelColor(0, 1, Qt::blue);
  bitmap.setPixelColor(1, 1, Qt::black);
  PaintCommand shown;
  shown.kind = QStringLiteral("image");
  shown.x = 10;
  shown.y = 10;
  shown.width = 100;
  shown.height = 40;
  shown.imageId = 1;
  shown.text = QStringLiteral("Resim");
  PaintCommand missing = shown;
  missing.y = 60;
  missing.imageId = 3;
  PaintCommand missingWithoutText = missing;
  missingWithoutText.y = 110;
  missingWithoutText.text.reset();
  PageDocument document = documentOf({shown, missing, missingWithoutText}, 120, 160);
  document.images.insert(1, RasterImage{bitmap});
  const QImage image = render(document);
  // The 2 x 2 bitmap fills 100 x 40: each source pixel's centre lands at a
  // quarter of the box's width and height (smoothing blends a little).
  EXPECT_TRUE(near(at(image, {35, 20}), Qt::red, 12)) << describe(at(image, {35, 20}));
  EXPECT_TRUE(near(at(image, {85, 20}), Qt::green, 12)) << describe(at(image, {85, 20}));
  EXPECT_TRUE(near(at(image, {35, 40}), Qt::blue, 12)) << describe(at(image, {35, 40}));
  EXPECT_TRUE(near(at(image, {85, 40}), Qt::black, 12)) << describe(at(image, {85, 40}));
  EXPECT_TRUE(anyInk(image, QRect(10, 60, 100, 40)));
  EXPECT_FALSE(anyInk(image, QRect(0, 105, 120, 55)));
}

TEST(DocumentCanvasTest, TextIsDrawnWhereverItsGlyphsReachNotOnlyInItsBox) {
  // The box is one pixel wide, the run about a hundred.
  DocumentCanvas canvas;
  canvas.setDocument(documentOf({text(0, 0, 1, 5, QStringLiteral("HHHHHHHHHH"))}, 200, 40));
  const QImage strip = render(canvas, QSize(200, 40), 1, QRectF(40, 0, 40, 40));
  EXPECT_TRUE(anyInk(strip, QRect(40, 0, 40, 40)));
}

TEST(DocumentCanvasTest, HighlightIsTranslucentBlueAboveContent) {
  DocumentCanvas canvas;
  canvas.setDocument(documentOf({box(0, 0, 100, 100, 0x000000FF)}, 120, 120));
  canvas.setHighlightedBounds(InspectorBounds{50, 10, 60, 60});
  const QImage image = render(canvas, QSize(120, 120));
  // Over the black box and over the white page, 13% of blue (0, 122, 255).
  EXPECT_TRUE(near(at(image, {80, 40}), QColor(0, 16, 33), 2)) << describe(at(image, {80, 40}));
  EXPECT_TRUE(near(at(image, {105, 40}), QColor(222, 238, 255), 2)) << describe(at(image, {105, 40}));
  // The outline is stronger.
  EXPECT_GT(at(image, {50.5, 40}).blue(), 150);
  EXPECT_LT(at(image, {50.5, 40}).red(), 60);
}

class CanvasLinksTest : public testing::Test {
protected:
  void SetUp() override {
    canvas.setOnLink([this](const QString& href) { activated.append(href); });
  }

  void click(QPoint point, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseClick(&canvas, button, {}, point); }

  DocumentCanvas canvas;
  QStringList activated;
};

TEST_F(CanvasLinksTest, ClickHitsHalfOpenBoxesAndTheLastPaintedWins) {
  PaintCommand zeroWidth = link(200, 10, 0, 20, QStringLiteral("zero-width"));
  PaintCommand zeroHeight = link(200, 40, 20, 0, QStringLiteral("zero-height"));
  canvas.setDocument(documentOf({link(10, 10, 40, 20, QStringLiteral("a")), link(30, 10, 40, 20, QStringLiteral("b")),
                                 box(90, 0, 80, 80, 0xFF0000FF), link(100, 10, 20, 20, QStringLiteral("c")),
                                 zeroWidth, zeroHeight}));
  EXPECT_EQ(canvas.links(), (std::vector<qsizetype>{0, 1, 3}));
  struct Case {
    QPoint point;
    const char* expected;  // null: nothing happens
  };
  const std::vector<Case> cases{
      {{100, 10}, "c"},  // top-left corner
      {{119, 29}, "c"},  {{120, 15}, nullptr},  // right edge
      {{110, 30}, nullptr},                     // bottom edge
      {{15, 15}, "a"},   {{40, 15}, "b"},       // the overlap: the later link
      {{65, 15}, "b"},   {{200, 15}, nullptr},  {{205, 40}, nullptr}, {{95, 5}, nullptr},
  };
  for (const Case& c : cases) {
    activated.clear();
    click(c.point);
    if (c.expected) {
      EXPECT_EQ(activated, QStringList{QString::fromLatin1(c.expected)}) << c.point.x() << "," << c.point.y();
    } else {
      EXPECT_TRUE(activated.isEmpty()) << c.point.x() << "," << c.point.y();
    }
  }
  activated.clear();
  click({105, 15}, Qt::RightButton);
  click({105, 15}, Qt::MiddleButton);
  EXPECT_TRUE(activated.isEmpty());
  EXPECT_EQ(canvas.focusedLink(), -1);
}

TEST_F(CanvasLinksTest, PointerOverALinkShowsThePointingHand) {
  canvas.setDocument(documentOf({link(10, 10, 40, 20, QStringLiteral("a"))}));
  auto moveTo = [this](QPointF point) {
    QMouseEvent move(QEvent::MouseMove, point, canvas.mapToGlobal(point), Qt::NoButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(&canvas, &move);
  };
  moveTo({20, 20});
  EXPECT_EQ(canvas.cursor().shape(), Qt::PointingHandCursor);
  moveTo({60, 20});
  EXPECT_EQ(canvas.cursor().shape(), Qt::ArrowCursor);
  moveTo({20, 20});
  // A new document without a link there takes the hand away.
  canvas.setDocument(documentOf({link(100, 100, 40, 20, QStringLiteral("b"))}));
  canvas.refreshCursor();
  EXPECT_EQ(canvas.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(CanvasLinksTest, TabAndShiftTabMoveAroundTheLinks) {
  const PageDocument three = documentOf({link(10, 10, 40, 20, QStringLiteral("a")), box(0, 0, 5, 5, 0xFF0000FF),
                                         link(10, 40, 40, 20, QStringLiteral("b")),
                                         link(10, 70, 40, 20, QStringLiteral("c"))});
  struct Step {
    int key;
    Qt::KeyboardModifiers modifiers;
    int expected;
  };
  const Qt::KeyboardModifiers none;
  const std::vector<std::vector<Step>> sequences{
      {{Qt::Key_Tab, none, 0}, {Qt::Key_Tab, none, 1}, {Qt::Key_Tab, none, 2}, {Qt::Key_Tab, none, 0}},
      // From none, Shift-Tab starts at the last link, then moves backwards.
      {{Qt::Key_Backtab, Qt::ShiftModifier, 2},
       {Qt::Key_Backtab, Qt::ShiftModifier, 1},
       {Qt::Key_Tab, Qt::ShiftModifier, 0},
       {Qt::Key_Backtab, Qt::ShiftModifier, 2},
       {Qt::Key_Tab, none, 0}},
  };
  for (const std::vector<Step>& sequence : sequences) {
    canvas.setDocument(std::nullopt);
    canvas.setDocument(three);
    ASSERT_EQ(canvas.focusedLink(), -1);
    for (const Step& step : sequence) {
      QTest::keyClick(&canvas, static_cast<Qt::Key>(step.key), step.modifiers);
      EXPECT_EQ(canvas.focusedLink(), step.expected);
    }
  }
  // Return and Space follow the focused link.
  QTest::keyClick(&canvas, Qt::Key_Return);
  QTest::keyClick(&canvas, Qt::Key_Tab);
  QTest::keyClick(&canvas, Qt::Key_Space);
  EXPECT_EQ(activated, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));

  // The same commands again keep the focus; another document drops it.
  canvas.setDocument(PageDocument(three));
  EXPECT_EQ(canvas.focusedLink(), 1);
  PageDocument other = three;
  other.commands[2].href = QStringLiteral("d");
  canvas.setDocument(other);
  EXPECT_EQ(canvas.focusedLink(), -1);
  QTest::keyClick(&canvas, Qt::Key_Tab);
  EXPECT_EQ(canvas.focusedLink(), 0);
}

// Records the keys its children pass on.
class KeyRecorder : public QWidget {
public:
  QList<int> keys;

protected:
  void keyPressEvent(QKeyEvent* event) override { keys.append(event->key()); }
};

TEST(DocumentCanvasKeysTest, KeysWithoutAUseGoOnToTheParent) {
  KeyRecorder parent;
  auto* canvas = new DocumentCanvas(&parent);
  QStringList activated;
  canvas->setOnLink([&](const QString& href) { activated.append(href); });
  canvas->setDocument(documentOf({link(10, 10, 40, 20, QStringLiteral("a"))}));
  QTest::keyClick(canvas, Qt::Key_Return);
  QTest::keyClick(canvas, Qt::Key_Space);
  QTest::keyClick(canvas, Qt::Key_Down);
  EXPECT_EQ(parent.keys, (QList<int>{Qt::Key_Return, Qt::Key_Space, Qt::Key_Down}));
  EXPECT_TRUE(activated.isEmpty());
  // Once a link has the focus, Return is the canvas's own.
  QTest::keyClick(canvas, Qt::Key_Tab);
  QTest::keyClick(canvas, Qt::Key_Return);
  EXPECT_EQ(parent.keys.size(), 3);
  EXPECT_EQ(activated, QStringList{QStringLiteral("a")});
}

TEST(DocumentCanvasKeysTest, FocusRingShowsOnlyWhileTheCanvasHasTheFocus) {
  DocumentCanvas canvas;
  canvas.setDocument(documentOf({link(20, 20, 40, 20, QStringLiteral("a"))}, 100, 60));
  canvas.resize(100, 60);
  canvas.show();
  canvas.activateWindow();
  canvas.setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&canvas));
  ASSERT_TRUE(canvas.hasFocus());
  QTest::keyClick(&canvas, Qt::Key_Tab);
  // The ring's 1-pixel line runs along x = 18, 2 pixels outside the link's
  // left edge, half over each of the pixels beside it: those pixels show the
  // ring's accent colour blended half and half with the white page.
  const QImage focused = render(canvas, QSize(100, 60));
  EXPECT_TRUE(near(at(focused, {18, 30}), QColor(177, 170, 227), 12)) << describe(at(focused, {18, 30}));
  canvas.clearFocus();
  const QImage unfocused = render(canvas, QSize(100, 60));
  EXPECT_TRUE(near(at(unfocused, {18, 30}), Qt::white)) << describe(at(unfocused, {18, 30}));
}

TEST(DocumentCanvasKeysTest, AccessibilityNamesTheTitleAndJoinsTheTexts) {
  DocumentCanvas canvas;
  PaintCommand image;
  image.kind = QStringLiteral("image");
  image.width = 10;
  image.height = 10;
  image.imageId = 4;
  image.text = QStringLiteral("Logo");
  canvas.setDocument(documentOf({text(0, 0, 10, 10, QStringLiteral("Merhaba")), box(0, 0, 5, 5, 0xFF0000FF), image,
                                 link(0, 20, 10, 10, QStringLiteral("dünya"))}));
  EXPECT_EQ(canvas.accessibleName(), QStringLiteral("Deneme"));
  EXPECT_EQ(canvas.accessibleDescription(), QStringLiteral("Merhaba Logo dünya"));
  canvas.setDocument(documentOf({box(0, 0, 5, 5, 0xFF0000FF)}));
  EXPECT_EQ(canvas.accessibleDescription(), QString());
}

}  // namespace
