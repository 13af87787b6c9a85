// The tab strip: a row of equal-width tab cells that scrolls horizontally when
// the tabs do not fit, with pressing, dragging, live reordering, edge
// auto-scroll and tear-off. It keeps its own copy of the tab list (the live
// order) and reports intents through its signals; it never edits the model.
//
// Widgets: the strip holds a clipping scroll view as large as itself; the
// scroll view holds the canvas, moved left by the scroll offset; the canvas
// holds the cells and the drop marker. Lengths are in points (doubles);
// "strip coordinates" are the strip's own (x 0 at its left edge, y
// downwards), "canvas coordinates" add the scroll offset to x. Screen points
// are Qt's global coordinates, always taken from the events (never from the
// cursor). A drag follows the held mouse: the pressed cell keeps the implicit
// grab and forwards every move, so moves outside the window still arrive.
// Main thread.
#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>

#include "chrome/tab_strip_geometry.h"

class KitTheme;
class QMouseEvent;
class QTimer;
class QVariantAnimation;
class TabDropMarker;
class TabItemView;

// What the strip shows of one tab.
struct TabPresentation {
  QUuid id;
  QString title;
  bool isSettings = false;
  bool operator==(const TabPresentation&) const = default;
};

// The canvas that holds the cells: a press on its empty margin is swallowed,
// so it neither drags the window nor reaches anything behind the strip.
class FlippedTabCanvas : public QWidget {
  Q_OBJECT

public:
  explicit FlippedTabCanvas(QWidget* parent = nullptr);

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
};

// The horizontal scroller without scroll bars: it clips the canvas and moves
// it by the offset. Wheel and trackpad events scroll the row and go no
// further.
class TabScrollView : public QWidget {
  Q_OBJECT

public:
  explicit TabScrollView(QWidget* parent = nullptr);
  ~TabScrollView() override;

  void setCanvas(QWidget* canvas) { m_canvas = canvas; }
  QWidget* canvas() const { return m_canvas; }
  void setReduceMotion(bool reduce) { m_reduceMotion = reduce; }

  // The offset of the visible part into the canvas.
  double offset() const { return m_offset; }
  // The largest offset: the canvas width minus the visible width, at least 0.
  double maximumOffset() const;
  // Scrolls to `x`, clamped to 0..maximumOffset(); animated over 0.18 s
  // unless motion is reduced. A scroll without animation stops a running one.
  void scrollToX(double x, bool animated);
  // The offset an animated scroll is heading for (the offset itself when
  // none runs).
  double targetOffset() const;
  bool isScrolling() const;
  // Scrolls the row for one wheel or trackpad event and takes the event.
  // The cells and the canvas hand their wheel events here directly, so the
  // row scrolls whatever is under the pointer.
  void scrollByWheel(QWheelEvent* event);
  // The width of the canvas the offset scrolls over.
  double contentWidth() const { return m_contentWidth; }
  void setContentWidth(double width);

protected:
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void applyOffset(double offset);

  QPointer<QWidget> m_canvas;
  double m_offset = 0;
  double m_contentWidth = 0;
  bool m_reduceMotion = false;
  QVariantAnimation* m_animation = nullptr;
};

// One press on a tab, from the press to its single exit in finishDrag():
// where it began, where the pointer is, and what it has become (a drag
// once the pointer passed the threshold, an outside drag beyond the band).
struct TabDragSession {
  QUuid pressedID;
  // The tab order at the press, put back when the drag is cancelled.
  QList<QUuid> originalOrder;
  // Strip coordinates of the press and of the pointer's last x.
  double pressX = 0;
  double pressY = 0;
  double pointerX = 0;
  // The press's distance from the left edge of its cell.
  double grabOffset = 0;
  // Null until the press became a drag.
  QUuid draggedID;
  bool isExternal = false;
  // The last screen point of the pointer outside the strip.
  QPoint externalPoint;
};

class NativeTabStrip : public QWidget {
  Q_OBJECT

public:
  explicit NativeTabStrip(QWidget* parent = nullptr);
  ~NativeTabStrip() override;

  // Whether a tab dragged far enough leaves the strip (reported through
  // onExternalDrag and its siblings) or stays in its live order. Off at
  // first.
  void setTearOffEnabled(bool enabled) { m_tearOffEnabled = enabled; }

  // The theme the cells draw with (scheme and colours); the accent comes with
  // every update.
  void setTheme(std::shared_ptr<KitTheme> theme);
  const std::shared_ptr<KitTheme>& theme() const { return m_theme; }

  // Synchronises cells, order, selection and layout with the owner's tabs.
  // `selected` is null for no selection.
  void update(const QList<TabPresentation>& tabs, const QUuid& selected, const QColor& accent, bool reduceMotion);
  using QWidget::update;

  // True while a tab is dragged outside the strip.
  bool isExternalDrag() const { return m_drag && m_drag->isExternal; }

  // The insertion index (0 to the tab count) for `screenPoint`; with
  // `autoScroll` the strip first scrolls when the point is near either end.
  // The tab count when the strip is in no window.
  int insertionIndex(QPoint screenPoint, bool autoScroll);
  // Shows the drop marker before `index` (clamped so the bar stays inside
  // the canvas); none hides it.
  void showDropMarker(std::optional<int> index);
  // The centre of the tab's cell in the coordinates of the strip's
  // top-level widget; none for an id the strip has no cell for.
  std::optional<QPointF> tabCenter(const QUuid& id) const;
  // Ends any press or drag without restoring the order, then reports the
  // close.
  void close(const QUuid& id);
  using QWidget::close;

  // What the cells forward (the pressed cell keeps the mouse while held).
  void press(const QUuid& id, QMouseEvent* event);
  void drag(const QUuid& id, QMouseEvent* event);
  void release(const QUuid& id, QMouseEvent* event);
  // The single exit of every press and drag; with `cancel` it puts back the
  // order of the press (when the set of tabs is unchanged) and reports it.
  void finishDrag(bool cancel);
  // One tick of the auto-scroll timer: scrolls near the edges during an
  // inside drag, repeats the outside point during an outside drag. Tests
  // call it to run one step without waiting for the timer.
  void autoScroll();
  // The auto-scroll timer's period, 1/60 s by default. Tests that step the
  // scroll themselves make it long, so that no tick comes between their
  // steps.
  void setAutoScrollInterval(std::chrono::milliseconds interval);

  // The strip's list in live order.
  const QList<TabPresentation>& tabs() const { return m_tabs; }
  // Null for none, as for the two below.
  const QUuid& selectedID() const { return m_selectedID; }
  // The tab being dragged, and the tab pressed (with or without a drag).
  QUuid draggedID() const { return m_drag ? m_drag->draggedID : QUuid(); }
  QUuid pressedID() const { return m_drag ? m_drag->pressedID : QUuid(); }
  double tabWidth() const { return m_tabWidth; }
  // Whether the auto-scroll timer runs: from a drag's start to its end.
  bool isScrollTimerActive() const;

  // The scroll position: the canvas x at the strip's left edge.
  double scrollOffset() const;
  // Scrolls at once, clamped to the content.
  void setScrollOffset(double offset);
  // Width of the row of cells, and of the canvas (at least the strip's).
  double contentWidth() const;
  double canvasWidth() const;
  // The slot of the tab at `index` in the current order, and the cell of a
  // tab as it stands now (an empty rectangle for an unknown id), both in
  // strip coordinates. Cells stand on whole points (each edge of the slot
  // rounded on its own), so an item may differ from its slot by under one.
  QRectF slotRect(int index) const;
  QRectF itemRect(const QUuid& id) const;
  // The cell of a tab, or null.
  TabItemView* item(const QUuid& id) const;
  // The index the drop marker stands before, or none while it is hidden.
  std::optional<int> dropMarkerIndex() const { return m_dropMarkerIndex; }
  TabDropMarker* dropMarker() const { return m_dropMarker; }
  TabScrollView* scrollView() const { return m_scrollView; }
  FlippedTabCanvas* canvas() const { return m_canvas; }

Q_SIGNALS:
  // The user picked a tab, or closed one.
  void onSelect(const QUuid& id);
  void onClose(const QUuid& id);
  // The live order moved a tab to `index`.
  void onMove(const QUuid& id, int index);
  // A cancelled drag put back this order.
  void onRestoreOrder(const QList<QUuid>& order);
  // A tab is dragged outside the strip, at `screenPoint`.
  void onExternalDrag(const QUuid& id, QPoint screenPoint);
  // A tab was released outside the strip; the answer is true when it was
  // taken (false when nothing listens).
  bool onExternalDrop(const QUuid& id, QPoint screenPoint);
  // The outside drag ended without a drop.
  void onExternalCancel();

protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  TabItemView* makeCell(const QUuid& id);
  void layoutTabs(bool animated);
  void reveal(const QUuid& id, bool animated);
  void updateDrag();
  void positionDragged(TabItemView* cell);
  // The dragged cell's left edge in canvas coordinates, under the pointer.
  double draggedLeft() const;
  // Whether the strip is shown in a window now.
  bool inWindow() const;
  // A point of the strip's top-level widget in strip coordinates.
  QPointF fromWindow(QPointF windowPoint) const;
  double windowWidth() const;
  void applicationStateChanged(Qt::ApplicationState state);
  int indexOf(const QUuid& id) const;

  // Whether a tab is being dragged (not just pressed).
  bool isDragging() const { return m_drag && !m_drag->draggedID.isNull(); }

  std::optional<TabDragSession> m_drag;
  bool m_tearOffEnabled = false;
  TabDropMarker* m_dropMarker = nullptr;
  QList<TabPresentation> m_tabs;
  QUuid m_selectedID;
  double m_tabWidth = TabStripGeometry::kMaximumCellWidth;
  TabScrollView* m_scrollView = nullptr;
  FlippedTabCanvas* m_canvas = nullptr;
  QHash<QUuid, QPointer<TabItemView>> m_items;
  bool m_reduceMotion = false;
  double m_lastWidth = -1;
  QTimer* m_scrollTimer = nullptr;

  std::shared_ptr<KitTheme> m_theme;
  std::optional<int> m_dropMarkerIndex;
};
