// Thin scroll bars that float over a scroll area's content instead of taking
// room beside it. The scroll area keeps its own QScrollBars, hidden, as the
// one place that holds the ranges and values: an overlay bar only draws the
// state of its hidden bar and moves that bar's value when it is dragged or
// its track is clicked, so the area's wheel, keyboard and program scrolling
// work unchanged. A bar shows itself only while its direction can scroll.
// Main thread.
#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QScrollBar>
#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"

class QAbstractScrollArea;

class OverlayScrollBar : public QWidget {
  Q_OBJECT

public:
  // The bar's extent across: the area that takes the pointer.
  static constexpr int kThickness = 12;
  // The thumb across, at rest and while the pointer is over the bar.
  static constexpr int kThumbThickness = 7;
  static constexpr int kHoverThumbThickness = 10;
  // The gap between the thumb and the outer edge, and at both ends.
  static constexpr int kInset = 2;
  static constexpr int kMinimumThumbLength = 24;

  // A bar that shows and moves `source`, in its orientation.
  OverlayScrollBar(QScrollBar* source, QWidget* parent);
  ~OverlayScrollBar() override;

  Qt::Orientation orientation() const { return m_orientation; }
  QScrollBar* source() const { return m_source; }

  // True while the source can scroll: its maximum lies above its minimum.
  bool needed() const;
  // The thumb in the bar's coordinates, at its present thickness; empty
  // while the bar is not needed.
  QRect thumbRect() const;

  // True when the content under the bar is dark, so that the thumb is drawn
  // light; on light content it is drawn dark.
  bool darkBackdrop() const { return m_darkBackdrop; }
  void setDarkBackdrop(bool dark);
  // True while the pointer is over the bar or drags its thumb: the thumb is
  // wider and stronger then and the track shows.
  bool highlighted() const { return m_hovered || m_dragging; }
  QColor thumbColor() const;

  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

private:
  // Lengths along the bar: where the thumb may lie and how long it is.
  int trackStart() const { return kInset; }
  int trackLength() const;
  int thumbLength() const;
  int thumbStart() const;
  int along(const QPointF& point) const;
  // One page towards the pointer, unless the thumb has reached it.
  void pageTowardsPointer();

  QPointer<QScrollBar> m_source;
  Qt::Orientation m_orientation;
  bool m_darkBackdrop = false;
  bool m_hovered = false;
  bool m_dragging = false;
  // Where along the thumb the drag took it.
  int m_grab = 0;
  // The pointer along the bar while a press on the track repeats.
  int m_paging = -1;
  QBasicTimer m_repeat;
};

// The pair of overlay bars of one scroll area, laid over the right and bottom
// edges of its viewport. Installing it switches the area's own bars off for
// layout, so the viewport is the whole area. While both bars show, each
// stops short of the corner the other one runs into.
class OverlayScrollBars : public QObject {
  Q_OBJECT

public:
  explicit OverlayScrollBars(QAbstractScrollArea* area);
  // Bars over a surface drawn in `theme`'s scheme: their thumbs are light
  // while the scheme is dark and follow every change of it.
  OverlayScrollBars(QAbstractScrollArea* area, std::shared_ptr<KitTheme> theme);
  ~OverlayScrollBars() override;

  OverlayScrollBar* vertical() const { return m_vertical; }
  OverlayScrollBar* horizontal() const { return m_horizontal; }

  // Shows the bars that are needed and places them over the viewport.
  void layout();

Q_SIGNALS:
  // After every layout: a bar appeared, went or moved.
  void laidOut();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void shadeForTheme();

  // The area's viewport, which holds the bars and is watched for its size.
  QWidget* m_viewport;
  OverlayScrollBar* m_vertical;
  OverlayScrollBar* m_horizontal;
  std::shared_ptr<KitTheme> m_theme;
};
