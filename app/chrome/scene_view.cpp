#include "chrome/scene_view.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

#include "chrome/document_canvas.h"

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

// How much a scroll bar takes from the visible area while it is shown: its
// thickness, unless the style lays it over the content.
int barTaking(const QScrollBar* bar, Qt::Orientation orientation) {
  QStyleOptionSlider option;
  option.initFrom(bar);
  option.orientation = orientation;
  const QStyle* style = bar->style();
  if (style->styleHint(QStyle::SH_ScrollBar_Transient, &option, bar) &&
      style->pixelMetric(QStyle::PM_ScrollView_ScrollBarOverlap, &option, bar) != 0) {
    return 0;
  }
  const QSize hint = bar->sizeHint();
  return orientation == Qt::Vertical ? hint.width() : hint.height();
}

}  // namespace

SceneView::SceneView(QWidget* parent) : QScrollArea(parent), m_canvas(new DocumentCanvas()) {
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
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
}

SceneView::~SceneView() = default;

QSize SceneView::visibleSizeFor(const QSize& canvas) const {
  const QSize most = maximumViewportSize();
  const int vertical =
      verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded ? barTaking(verticalScrollBar(), Qt::Vertical) : 0;
  const int horizontal =
      horizontalScrollBarPolicy() == Qt::ScrollBarAsNeeded ? barTaking(horizontalScrollBar(), Qt::Horizontal) : 0;
  // One bar's thickness can make the other one necessary.
  bool needVertical = canvas.height() > most.height();
  bool needHorizontal = canvas.width() > most.width();
  if (needVertical && !needHorizontal) needHorizontal = canvas.width() > most.width() - vertical;
  if (needHorizontal && !needVertical) {
    needVertical = canvas.height() > most.height() - horizontal;
    if (needVertical) needHorizontal = canvas.width() > most.width() - vertical;
  }
  return QSize(std::max(most.width() - (needVertical ? vertical : 0), 0),
               std::max(most.height() - (needHorizontal ? horizontal : 0), 0));
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
  if (m_position && m_position == position && sameAddress) {
    target = origin();
  } else if (position && position->address == inputs.address) {
    target = position->offset;
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
  const bool sameHighlight = shownNode == inputs.highlightedNodeID;
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
