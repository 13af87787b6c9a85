#include "document/scene_view.h"

#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "document/document_canvas.h"
#include "kit/overlay_scroll_bar.h"

namespace {

// A document length as a widget length: whole pixels, rounded up, within what
// a widget can be.
int widgetLength(double length) {
  if (!std::isfinite(length) || length <= 0) return 0;
  return static_cast<int>(std::min(std::ceil(length), static_cast<double>(QWIDGETSIZE_MAX)));
}

// A scroll coordinate within 0 ... maximum; negative and undefined ones are 0.
int clampedCoordinate(double value, int maximum) {
  if (!std::isfinite(value) || value <= 0) return 0;
  return static_cast<int>(std::lround(std::min(value, static_cast<double>(maximum))));
}

// The colour the page shows at `point` of the document: the white ground
// under every box with a background that covers the point, in drawing order.
// Text, images and borders are left out: what matters is the ground a scroll
// bar's thumb lies on.
QColor groundAt(const PageDocument& document, const QPointF& point) {
  QColor ground = Qt::white;
  for (const PaintCommand& command : document.commands) {
    if (!command.background || (*command.background & 0xFF) == 0) continue;
    if (command.kind != QLatin1String("box") || !command.rect().contains(point)) continue;
    const QColor top = documentColor(*command.background);
    const double alpha = top.alphaF();
    ground = QColor::fromRgbF(static_cast<float>(top.redF() * alpha + ground.redF() * (1 - alpha)),
                              static_cast<float>(top.greenF() * alpha + ground.greenF() * (1 - alpha)),
                              static_cast<float>(top.blueF() * alpha + ground.blueF() * (1 - alpha)));
  }
  return ground;
}

// True for a colour that a light thumb stands out on better than a dark one.
bool isDark(const QColor& color) {
  return 0.2126 * color.redF() + 0.7152 * color.greenF() + 0.0722 * color.blueF() < 0.5;
}

}  // namespace

SceneView::SceneView(QWidget* parent) : QScrollArea(parent), m_canvas(new DocumentCanvas()) {
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(false);
  QPalette white = viewport()->palette();
  white.setColor(QPalette::Base, Qt::white);
  white.setColor(QPalette::Window, Qt::white);
  viewport()->setPalette(white);
  viewport()->setAutoFillBackground(true);
  setWidget(m_canvas);
  // The canvas paints every pixel itself.
  m_canvas->setAutoFillBackground(false);
  // Every scroll, by the reader or by the program, and every change of the
  // visible area's size moves one of the bars' values.
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { boundsChanged(); });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { boundsChanged(); });
  // Thin bars float over the page and take none of its width, so a document
  // laid out at exactly the view's width never needs a horizontal bar.
  m_overlays = new OverlayScrollBars(this);
  connect(m_overlays, &OverlayScrollBars::laidOut, this, [this] { shadeOverlays(); });
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    connect(bar, &QScrollBar::valueChanged, this, [this] { shadeOverlays(); });
  }
}

SceneView::~SceneView() = default;

QSize SceneView::visibleSizeFor(const QSize&) const {
  // The overlay bars take no room, so every canvas sees the whole area.
  return maximumViewportSize().expandedTo(QSize(0, 0));
}

OverlayScrollBar* SceneView::verticalOverlay() const { return m_overlays->vertical(); }

OverlayScrollBar* SceneView::horizontalOverlay() const { return m_overlays->horizontal(); }

void SceneView::shadeOverlays() {
  const std::optional<PageDocument>& shown = m_canvas->document();
  for (OverlayScrollBar* bar : {m_overlays->vertical(), m_overlays->horizontal()}) {
    if (bar->isHidden()) continue;
    // The ground under the middle of the thumb, in document coordinates: the
    // viewport shows the canvas from the scroll origin on.
    const QPointF centre = QRectF(bar->thumbRect()).center() + bar->pos() + origin();
    bar->setDarkBackdrop(shown && isDark(groundAt(*shown, centre)));
  }
}

QPoint SceneView::origin() const {
  return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void SceneView::sizeCanvas() {
  QSize document(0, 0);
  if (const std::optional<PageDocument>& shown = m_canvas->document()) {
    document = QSize(widgetLength(shown->width), widgetLength(shown->height));
  }
  const QSize visible = visibleSizeFor(document);
  const QSize size = document.expandedTo(visible);
  m_canvas->resize(size);
  // The scroll area sets the same ranges once it lays itself out; a view
  // that is not shown yet has not, and must still take the update's origin.
  horizontalScrollBar()->setRange(0, std::max(size.width() - visible.width(), 0));
  horizontalScrollBar()->setPageStep(visible.width());
  verticalScrollBar()->setRange(0, std::max(size.height() - visible.height(), 0));
  verticalScrollBar()->setPageStep(visible.height());
}

void SceneView::scrollTo(const QPointF& target) {
  horizontalScrollBar()->setValue(clampedCoordinate(target.x(), horizontalScrollBar()->maximum()));
  verticalScrollBar()->setValue(clampedCoordinate(target.y(), verticalScrollBar()->maximum()));
}

void SceneView::apply(const SceneInputs& inputs) {
  const bool sameAddress = m_canvas->address() == inputs.address;
  const std::shared_ptr<TabPagePosition>& position = inputs.pagePosition;

  // Where the page is scrolled to: the place the reader left this page in
  // this view, the place remembered for this tab and address, the fragment's
  // anchor, or the top.
  QPointF target(0, 0);
  bool restoresPlace = false;
  if (m_position && m_position == position && sameAddress) {
    target = origin();
  } else if (position && position->address == inputs.address) {
    target = position->offset;
    restoresPlace = true;
  } else if (inputs.fragment) {
    const auto anchor = inputs.document.anchors.constFind(*inputs.fragment);
    if (anchor != inputs.document.anchors.constEnd()) target = QPointF(0, *anchor);
  }

  m_updating = true;
  m_position = position;

  m_canvas->setAddress(inputs.address);
  m_canvas->setDocument(inputs.document);
  m_canvas->setOnLink(inputs.onLink);
  const std::optional<qint64>& shownNode = m_canvas->highlightedNodeID();
  // A tab that comes back to its remembered place (shown again after another
  // tab, or in a new window after it moved there) stays at that place: its
  // node was brought into view when it was selected, and the reader may
  // have scrolled away from it since.
  const bool sameHighlight = restoresPlace || shownNode == inputs.highlightedNodeID;
  m_canvas->setHighlightedBounds(inputs.highlightedBounds);
  m_canvas->setHighlightedNodeID(inputs.highlightedNodeID);

  sizeCanvas();
  m_canvas->update();
  m_canvas->refreshCursor();

  if (m_position) m_position->address = inputs.address;
  scrollTo(target);
  // The page moves to a node only when the developer tools select another
  // one, not on every update while the same node stays selected.
  if (inputs.highlightedBounds && !sameHighlight) m_canvas->scrollRectToVisible(inputs.highlightedBounds->rect());

  m_updating = false;
  // The remembered place is the one actually shown, after clamping.
  if (m_position) m_position->offset = origin();
  // Another document may lie differently under bars that did not move.
  shadeOverlays();
}

void SceneView::boundsChanged() {
  if (m_updating || !m_position) return;
  m_position->offset = origin();
}

void SceneView::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  // The canvas never gets smaller than the visible area.
  sizeCanvas();
  boundsChanged();
}
