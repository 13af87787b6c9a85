// The document view: one laid-out document in a scroll area, drawn by the
// document canvas. Each update hands the canvas its inputs, sizes it to at
// least the visible area and decides where the page is scrolled to (keep the
// place, restore the tab's remembered place, jump to the fragment's anchor or
// start at the top); every scroll is written into the tab's remembered page
// position. Main thread.
#pragma once

#include <QScrollArea>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "loading/page_document.h"
#include "model/browser_tab.h"

class DocumentCanvas;
class OverlayScrollBar;
class OverlayScrollBars;

// What the root view hands the document view on every update.
struct SceneInputs {
  PageDocument document;
  QString address;
  std::optional<QString> fragment;
  std::shared_ptr<TabPagePosition> pagePosition;
  std::function<void(const QString& href)> onLink;
  std::optional<InspectorBounds> highlightedBounds;
  std::optional<qint64> highlightedNodeID;
};

class SceneView : public QScrollArea {
  Q_OBJECT

public:
  explicit SceneView(QWidget* parent = nullptr);
  ~SceneView() override;

  // Shows `inputs`; see the file comment.
  void apply(const SceneInputs& inputs);

  DocumentCanvas* canvas() const { return m_canvas; }

  // The size of the area the canvas shows through when the canvas has the
  // size `canvas`: the view's size less its frame. The scroll bars float
  // over the page and take none of it, so it is the same for every canvas.
  // It does not depend on the view being shown or laid out.
  QSize visibleSizeFor(const QSize& canvas) const;
  // The thin bars over the right and bottom edges of the page, shown while
  // the document is taller or wider than the view. They move the area's own
  // scroll bars, which stay hidden and keep the ranges and values.
  OverlayScrollBar* verticalOverlay() const;
  OverlayScrollBar* horizontalOverlay() const;
  // The scroll origin shown now.
  QPoint origin() const;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  // Sizes the canvas to the document, at least the visible area, and sets the
  // scroll bars' ranges to match.
  void sizeCanvas();
  // Records the origin shown into the position of the tab shown, unless an
  // update is scrolling.
  void boundsChanged();
  void scrollTo(const QPointF& target);
  // Draws each overlay bar's thumb light over a dark part of the page and
  // dark over a light one.
  void shadeOverlays();

  DocumentCanvas* m_canvas = nullptr;
  OverlayScrollBars* m_overlays = nullptr;
  std::shared_ptr<TabPagePosition> m_position;
  bool m_updating = false;
};
