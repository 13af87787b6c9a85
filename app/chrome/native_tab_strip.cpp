#include "chrome/native_tab_strip.h"

#include <QApplication>
#include <QHideEvent>
#include <QMouseEvent>
#include <QSet>
#include <QTimer>
#include <QVariantAnimation>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <utility>

#include "chrome/tab_item_view.h"

namespace Geometry = TabStripGeometry;

namespace {

// A frame of whole points for a rectangle of fractional ones: each edge is
// rounded on its own, so neighbouring cells keep even gaps.
QRect snapped(const QRectF& frame) {
  const int left = int(std::lround(frame.left()));
  const int top = int(std::lround(frame.top()));
  return QRect(left, top, int(std::lround(frame.right())) - left, int(std::lround(frame.bottom())) - top);
}

QList<QUuid> idsOf(const QList<TabPresentation>& tabs) {
  QList<QUuid> ids;
  ids.reserve(tabs.size());
  for (const TabPresentation& tab : tabs) ids.append(tab.id);
  return ids;
}

QSet<QUuid> setOf(const QList<QUuid>& ids) { return QSet<QUuid>(ids.begin(), ids.end()); }

}  // namespace

FlippedTabCanvas::FlippedTabCanvas(QWidget* parent) : QWidget(parent) {}

// The margin's presses are taken and dropped: accepting them keeps them from
// the chrome behind the strip, which would otherwise drag the window.
void FlippedTabCanvas::mousePressEvent(QMouseEvent* event) { event->accept(); }

void FlippedTabCanvas::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void FlippedTabCanvas::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void FlippedTabCanvas::wheelEvent(QWheelEvent* event) {
  if (auto* scroller = qobject_cast<TabScrollView*>(parentWidget())) scroller->scrollByWheel(event);
  else event->ignore();
}

TabScrollView::TabScrollView(QWidget* parent) : QWidget(parent), m_animation(new QVariantAnimation(this)) {
  m_animation->setDuration(Geometry::kAnimationMilliseconds);
  m_animation->setEasingCurve(Geometry::slideCurve());
  connect(m_animation, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& value) { applyOffset(value.toDouble()); });
}

TabScrollView::~TabScrollView() = default;

double TabScrollView::maximumOffset() const { return std::max(m_contentWidth - width(), 0.0); }

void TabScrollView::setContentWidth(double width) {
  m_contentWidth = width;
  if (m_canvas) m_canvas->resize(int(std::ceil(width)), m_canvas->height());
}

void TabScrollView::scrollToX(double x, bool animated) {
  const double target = Geometry::clampOffset(x, m_contentWidth, width());
  m_animation->stop();
  if (animated && !m_reduceMotion && target != m_offset) {
    m_animation->setStartValue(m_offset);
    m_animation->setEndValue(target);
    m_animation->start();
    return;
  }
  applyOffset(target);
}

double TabScrollView::targetOffset() const {
  return m_animation->state() == QAbstractAnimation::Running ? m_animation->endValue().toDouble() : m_offset;
}

bool TabScrollView::isScrolling() const { return m_animation->state() == QAbstractAnimation::Running; }

void TabScrollView::applyOffset(double offset) {
  m_offset = Geometry::clampOffset(offset, m_contentWidth, width());
  if (m_canvas) m_canvas->move(-int(std::lround(m_offset)), 0);
}

void TabScrollView::wheelEvent(QWheelEvent* event) { scrollByWheel(event); }

void TabScrollView::scrollByWheel(QWheelEvent* event) {
  const QPoint pixels = event->pixelDelta();
  const bool precise = !pixels.isNull();
  const double dx = precise ? pixels.x() : event->angleDelta().x() / 120.0;
  const double dy = precise ? pixels.y() : event->angleDelta().y() / 120.0;
  scrollToX(m_offset - Geometry::wheelScroll(dx, dy, precise), false);
  event->accept();
}

void TabScrollView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (m_canvas) m_canvas->resize(m_canvas->width(), height());
  if (!isScrolling()) applyOffset(m_offset);
}

NativeTabStrip::NativeTabStrip(QWidget* parent)
    : QWidget(parent),
      m_dropMarker(nullptr),
      m_scrollView(new TabScrollView(this)),
      m_canvas(new FlippedTabCanvas(m_scrollView)),
      m_scrollTimer(new QTimer(this)) {
  m_scrollView->setCanvas(m_canvas);
  m_scrollView->setGeometry(rect());
  m_canvas->setGeometry(0, 0, width(), height());
  m_dropMarker = new TabDropMarker(m_canvas);
  m_scrollTimer->setInterval(Geometry::kAutoScrollMilliseconds);
  m_scrollTimer->setTimerType(Qt::PreciseTimer);
  connect(m_scrollTimer, &QTimer::timeout, this, &NativeTabStrip::autoScroll);
  connect(qApp, &QGuiApplication::applicationStateChanged, this, &NativeTabStrip::applicationStateChanged);
}

NativeTabStrip::~NativeTabStrip() {
  // Nothing is reported while the strip goes away.
  blockSignals(true);
  m_scrollTimer->stop();
}

void NativeTabStrip::setTheme(std::shared_ptr<KitTheme> theme) {
  m_theme = std::move(theme);
  for (const QPointer<TabItemView>& cell : std::as_const(m_items)) {
    if (cell) cell->setTheme(m_theme);
  }
}

void NativeTabStrip::update(const QList<TabPresentation>& tabs, const QUuid& selected, const QColor& accent,
                            bool reduceMotion) {
  QPointer<NativeTabStrip> self(this);
  const QList<QUuid> oldIDs = idsOf(m_tabs);
  const QList<QUuid> newIDs = idsOf(tabs);
  const bool selectionChanges = m_selectedID != selected;
  m_reduceMotion = reduceMotion;
  m_scrollView->setReduceMotion(reduceMotion);
  if (setOf(oldIDs) != setOf(newIDs)) {
    finishDrag(false);
    if (!self) return;
  }
  m_tabs = tabs;
  m_selectedID = selected;

  // Cells of tabs that left go later: one of them may be delivering the
  // click of its own close button right now.
  const QSet<QUuid> kept = setOf(newIDs);
  for (auto it = m_items.begin(); it != m_items.end();) {
    if (kept.contains(it.key())) {
      ++it;
      continue;
    }
    if (TabItemView* gone = it.value()) {
      // A cell that has the keyboard lets it go before it hides; hiding
      // would pass it along the focus chain to a toolbar button. The
      // window's page takes it up.
      if (QWidget* focus = gone->window()->focusWidget(); focus && (focus == gone || gone->isAncestorOf(focus))) {
        focus->clearFocus();
      }
      gone->hide();
      gone->disconnect(this);
      gone->deleteLater();
    }
    it = m_items.erase(it);
  }
  for (qsizetype index = 0; index < m_tabs.size(); ++index) {
    const TabPresentation& tab = m_tabs.at(index);
    TabItemView* cell = m_items.value(tab.id);
    if (!cell) cell = makeCell(tab.id);
    const bool isSelected = tab.id == selected;
    const bool last = index + 1 == m_tabs.size();
    const bool nextSelected = !last && m_tabs.at(index + 1).id == selected;
    cell->present(tab.title, tab.isSettings, isSelected, !(last || isSelected || nextSelected), accent);
  }

  const qsizetype oldCount = oldIDs.size();
  if (oldIDs != newIDs || m_lastWidth != double(width()))
    layoutTabs(oldCount == newIDs.size() && oldCount > 0);
  if (selectionChanges && !m_drag) reveal(m_selectedID, oldCount > 0);
}

TabItemView* NativeTabStrip::makeCell(const QUuid& id) {
  auto* cell = new TabItemView(id, m_theme, m_canvas);
  connect(cell, &TabItemView::pressed, this, &NativeTabStrip::press);
  connect(cell, &TabItemView::dragged, this, &NativeTabStrip::drag);
  connect(cell, &TabItemView::released, this, &NativeTabStrip::release);
  connect(cell, &TabItemView::cancelRequested, this, [this] { finishDrag(true); });
  connect(cell, &TabItemView::selectRequested, this, &NativeTabStrip::onSelect);
  connect(cell, &TabItemView::closeRequested, this, qOverload<const QUuid&>(&NativeTabStrip::close));
  connect(cell, &TabItemView::wheelTurned, m_scrollView, &TabScrollView::scrollByWheel);
  m_items.insert(id, cell);
  cell->show();
  if (m_dropMarker->isVisible()) m_dropMarker->raise();
  return cell;
}

void NativeTabStrip::layoutTabs(bool animated) {
  const double stripWidth = width();
  m_lastWidth = stripWidth;
  m_scrollView->setGeometry(rect());
  const int n = int(m_tabs.size());
  if (n == 0) {
    m_scrollView->setContentWidth(stripWidth);
    return;
  }
  m_tabWidth = Geometry::cellWidth(stripWidth, n);
  m_canvas->resize(m_canvas->width(), height());
  m_scrollView->setContentWidth(Geometry::canvasWidth(stripWidth, m_tabWidth, n));
  // Keep the offset inside the (possibly narrower) content; a scroll on its
  // way keeps going and is clamped at every step.
  if (!m_scrollView->isScrolling()) m_scrollView->scrollToX(m_scrollView->offset(), false);

  const bool slide = animated && !m_reduceMotion;
  for (int index = 0; index < n; ++index) {
    const QUuid& id = m_tabs.at(index).id;
    TabItemView* cell = m_items.value(id);
    if (!cell) continue;
    if (m_drag && id == m_drag->draggedID) {
      cell->resize(snapped(QRectF(0, 0, m_tabWidth, Geometry::kCellHeight)).size());
      continue;
    }
    cell->moveTo(snapped(Geometry::slot(m_tabWidth, index)), slide);
  }
  if (isDragging()) positionDragged(m_items.value(m_drag->draggedID));
}

void NativeTabStrip::reveal(const QUuid& id, bool animated) {
  const int index = indexOf(id);
  if (index < 0) return;
  const double x = Geometry::slot(m_tabWidth, index).x();
  const std::optional<double> target = Geometry::revealOffset(x, m_tabWidth, m_scrollView->targetOffset(), width());
  if (target) m_scrollView->scrollToX(*target, animated && !m_reduceMotion);
}

void NativeTabStrip::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_scrollView->setGeometry(rect());
  // A change of height alone moves nothing.
  if (double(width()) == m_lastWidth) return;
  QPointer<NativeTabStrip> self(this);
  finishDrag(false);
  if (!self) return;
  layoutTabs(false);
  if (!m_selectedID.isNull()) reveal(m_selectedID, false);
}

int NativeTabStrip::insertionIndex(QPoint screenPoint, bool autoScroll) {
  const int n = int(m_tabs.size());
  if (!inWindow()) return n;
  const double x = mapFromGlobal(QPointF(screenPoint)).x();
  if (autoScroll) {
    const double step = Geometry::insertionScrollStep(x, width());
    if (step != 0) m_scrollView->scrollToX(m_scrollView->offset() + step, false);
  }
  return Geometry::insertionIndex(x, m_scrollView->offset(), m_tabWidth, n);
}

void NativeTabStrip::showDropMarker(std::optional<int> index) {
  if (!index) {
    m_dropMarkerIndex.reset();
    m_dropMarker->hide();
    return;
  }
  const int clamped = std::clamp(*index, 0, int(m_tabs.size()));
  m_dropMarkerIndex = clamped;
  const double x = Geometry::dropMarkerX(m_tabWidth, clamped, canvasWidth());
  m_dropMarker->setGeometry(
      snapped(QRectF(x, Geometry::kCellTop, Geometry::kMarkerWidth, Geometry::kMarkerHeight)));
  m_dropMarker->show();
  m_dropMarker->raise();
}

std::optional<QPointF> NativeTabStrip::tabCenter(const QUuid& id) const {
  TabItemView* cell = item(id);
  if (!cell) return std::nullopt;
  return cell->mapTo(window(), QRectF(cell->rect()).center());
}

void NativeTabStrip::close(const QUuid& id) {
  QPointer<NativeTabStrip> self(this);
  finishDrag(false);
  if (!self) return;
  Q_EMIT onClose(id);
}

void NativeTabStrip::press(const QUuid& id, QMouseEvent* event) {
  QPointer<NativeTabStrip> self(this);
  finishDrag(false);
  if (!self) return;
  const QPointF point = fromWindow(event->scenePosition());
  TabItemView* cell = item(id);
  TabDragSession& session = m_drag.emplace();
  session.pressedID = id;
  session.originalOrder = idsOf(m_tabs);
  session.pressX = session.pointerX = point.x();
  session.pressY = point.y();
  session.grabOffset = cell ? point.x() + m_scrollView->offset() - cell->x() : 0;
  // The cell takes the keyboard, so that Escape, Return and Space reach it.
  if (cell && inWindow()) cell->setFocus(Qt::MouseFocusReason);
  Q_EMIT onSelect(id);
}

void NativeTabStrip::drag(const QUuid& id, QMouseEvent* event) {
  if (!m_drag || m_drag->pressedID != id) return;
  QPointer<NativeTabStrip> self(this);
  const QPointF point = fromWindow(event->scenePosition());
  m_drag->pointerX = point.x();
  TabItemView* cell = item(id);
  if (m_drag->draggedID.isNull()) {
    if (!Geometry::passesDragThreshold(point.x() - m_drag->pressX, point.y() - m_drag->pressY)) return;
    m_drag->draggedID = id;
    if (cell) {
      cell->raise();
      if (m_dropMarker->isVisible()) m_dropMarker->raise();
      cell->setLifted(true);
    }
    m_scrollTimer->start();
  }

  const bool inside = Geometry::insideTearOffBand(point.y(), height(), event->scenePosition().x(), windowWidth());
  if (!inside && m_tearOffEnabled && inWindow()) {
    m_drag->isExternal = true;
    m_drag->externalPoint = event->globalPosition().toPoint();
    if (cell) cell->setOpacity(Geometry::kOutsideOpacity);
    Q_EMIT onExternalDrag(id, m_drag->externalPoint);
    return;
  }
  if (m_drag->isExternal) {
    m_drag->isExternal = false;
    if (cell) cell->setOpacity(1);
    Q_EMIT onExternalCancel();
    if (!self) return;
  }
  updateDrag();
}

void NativeTabStrip::release(const QUuid& id, QMouseEvent* event) {
  if (!m_drag || m_drag->pressedID != id) return;
  QPointer<NativeTabStrip> self(this);
  if (m_drag->isExternal && isDragging() && inWindow()) {
    const QPointF point = fromWindow(event->scenePosition());
    if (!Geometry::insideTearOffBand(point.y(), height(), event->scenePosition().x(), windowWidth())) {
      const QPoint screenPoint = event->globalPosition().toPoint();
      const QList<QUuid> order = m_drag->originalOrder;
      const QUuid dragged = m_drag->draggedID;
      finishDrag(false);
      if (!self) return;
      const bool taken = Q_EMIT onExternalDrop(dragged, screenPoint);
      // A taken tab may have closed this window and the strip with it.
      if (!self || taken) return;
      Q_EMIT onRestoreOrder(order);
      return;
    }
  }
  finishDrag(false);
}

void NativeTabStrip::finishDrag(bool cancel) {
  m_scrollTimer->stop();
  // The session ends here, before anything is reported: whatever a listener
  // does next finds no press.
  const std::optional<TabDragSession> ended = std::exchange(m_drag, std::nullopt);
  if (!ended) return;
  QPointer<NativeTabStrip> self(this);
  const QUuid& dragged = ended->draggedID;
  bool restore = false;
  if (cancel && !dragged.isNull() && setOf(ended->originalOrder) == setOf(idsOf(m_tabs))) {
    QList<TabPresentation> restored;
    restored.reserve(m_tabs.size());
    for (const QUuid& id : ended->originalOrder) restored.append(m_tabs.at(indexOf(id)));
    m_tabs = restored;
    restore = true;
  }
  if (!dragged.isNull()) {
    if (TabItemView* cell = item(dragged)) {
      cell->setLifted(false);
      cell->setOpacity(1);
    }
    layoutTabs(true);
  }
  if (ended->isExternal) {
    Q_EMIT onExternalCancel();
    if (!self) return;
  }
  if (restore) Q_EMIT onRestoreOrder(ended->originalOrder);
}

void NativeTabStrip::autoScroll() {
  if (!isDragging()) return;
  if (m_drag->isExternal) {
    Q_EMIT onExternalDrag(m_drag->draggedID, m_drag->externalPoint);
    return;
  }
  const double step = Geometry::autoScrollStep(m_drag->pointerX, width());
  if (step == 0) return;
  m_scrollView->scrollToX(m_scrollView->offset() + step, false);
  updateDrag();
}

void NativeTabStrip::updateDrag() {
  if (!isDragging()) return;
  const QUuid dragged = m_drag->draggedID;
  const int index = indexOf(dragged);
  if (index < 0) return;
  positionDragged(m_items.value(dragged));
  const double left = draggedLeft();
  const int target = Geometry::liveTarget(left, m_tabWidth, int(m_tabs.size()));
  if (target == index) return;
  m_tabs.move(index, target);
  layoutTabs(true);
  Q_EMIT onMove(dragged, target);
}

double NativeTabStrip::draggedLeft() const {
  return Geometry::draggedLeft(m_drag->pointerX, m_scrollView->offset(), m_drag->grabOffset, canvasWidth(),
                               m_tabWidth);
}

void NativeTabStrip::positionDragged(TabItemView* cell) {
  if (!cell) return;
  cell->moveTo(snapped(QRectF(draggedLeft(), Geometry::kCellTop, m_tabWidth, Geometry::kCellHeight)), false);
}

void NativeTabStrip::setAutoScrollInterval(std::chrono::milliseconds interval) {
  m_scrollTimer->setInterval(interval);
}

bool NativeTabStrip::isScrollTimerActive() const { return m_scrollTimer->isActive(); }

bool NativeTabStrip::inWindow() const { return isVisible() && window()->windowHandle(); }

QPointF NativeTabStrip::fromWindow(QPointF windowPoint) const { return mapFrom(window(), windowPoint); }

double NativeTabStrip::windowWidth() const { return inWindow() ? window()->width() : 0; }

void NativeTabStrip::applicationStateChanged(Qt::ApplicationState state) {
  if (state != Qt::ApplicationActive) finishDrag(true);
}

bool NativeTabStrip::event(QEvent* event) {
  // The strip's own window stopped being the active one: that ends a drag
  // as Escape does. Other windows' changes never reach this widget.
  if (event->type() == QEvent::WindowDeactivate) finishDrag(true);
  return QWidget::event(event);
}

void NativeTabStrip::hideEvent(QHideEvent* event) {
  // Out of sight (its window closed or hidden, or the strip itself hidden)
  // the strip cannot follow the pointer: the drag is cancelled.
  QWidget::hideEvent(event);
  finishDrag(true);
}

double NativeTabStrip::scrollOffset() const { return m_scrollView->offset(); }

void NativeTabStrip::setScrollOffset(double offset) { m_scrollView->scrollToX(offset, false); }

double NativeTabStrip::contentWidth() const { return Geometry::contentWidth(m_tabWidth, int(m_tabs.size())); }

double NativeTabStrip::canvasWidth() const {
  return Geometry::canvasWidth(width(), m_tabWidth, int(m_tabs.size()));
}

QRectF NativeTabStrip::slotRect(int index) const {
  return Geometry::slot(m_tabWidth, index).translated(-m_scrollView->offset(), 0);
}

QRectF NativeTabStrip::itemRect(const QUuid& id) const {
  TabItemView* cell = item(id);
  if (!cell) return {};
  return QRectF(cell->geometry()).translated(m_canvas->x(), 0);
}

TabItemView* NativeTabStrip::item(const QUuid& id) const { return m_items.value(id); }

int NativeTabStrip::indexOf(const QUuid& id) const {
  if (id.isNull()) return -1;
  for (qsizetype index = 0; index < m_tabs.size(); ++index) {
    if (m_tabs.at(index).id == id) return int(index);
  }
  return -1;
}
