// The tab strip: a row of equal-width tab cells that scrolls horizontally when
// the tabs do not fit, with pressing, dragging, live reordering, edge
// auto-scroll and tear-off. It keeps its own copy of the tab list (the live
// order) and reports intents through its callbacks; it never edits the model.
// Coordinates are the strip's own (y downwards); screen points are Qt's
// global coordinates. Main thread.
#pragma once

#include <QPoint>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

// What the strip shows of one tab.
struct TabPresentation {
  QUuid id;
  QString title;
  bool isSettings = false;
  bool operator==(const TabPresentation&) const = default;
};

class NativeTabStrip : public QWidget {
  Q_OBJECT

public:
  explicit NativeTabStrip(QWidget* parent = nullptr);
  ~NativeTabStrip() override;

  std::function<void(const QUuid&)> onSelect;
  std::function<void(const QUuid&)> onClose;
  std::function<void(const QUuid&, int)> onMove;
  std::function<void(const QList<QUuid>&)> onRestoreOrder;
  std::function<void(const QUuid&, QPoint screenPoint)> onExternalDrag;
  std::function<bool(const QUuid&, QPoint screenPoint)> onExternalDrop;
  std::function<void()> onExternalCancel;

  // True while a tab is dragged outside the strip.
  bool isExternalDrag() const { return m_externalDrag; }

  // The insertion index (0 to the tab count) for `screenPoint`; with
  // `autoScroll` the strip first scrolls when the point is near either end.
  int insertionIndex(QPoint screenPoint, bool autoScroll);
  // Shows the drop marker before `index`; none hides it.
  void showDropMarker(std::optional<int> index);

private:
  bool m_externalDrag = false;
};
