// The card that follows the pointer while a tab is dragged outside its strip
// and says what a drop would do there. It never takes activation (a tool-tip
// window that ignores input), so showing it never makes the source window
// give up the drag. Where the window system composites, the card is rounded
// on a translucent window; where it does not (asked on every show), it is
// square and opaque to the last pixel, with its one-pixel edge. Main thread.
#pragma once

#include <QString>

#include "kit/translucent_window.h"
#include "model/color_scheme.h"

class TabDragPreview : public TranslucentWindow {
  Q_OBJECT

public:
  static constexpr int kWidth = 280;
  static constexpr int kHeight = 70;

  TabDragPreview();
  ~TabDragPreview() override;

  const QString& title() const { return m_title; }
  const QString& detail() const { return m_detail; }
  // The texts and the scheme of the card; redraws it.
  void setCard(const QString& title, const QString& detail, ColorScheme scheme, const QColor& accent);

  // The card's top-left corner for a pointer at `point`: 14 right of and 14
  // below it, kept inside `area` when given.
  static QPoint origin(QPoint point, const std::optional<QRect>& area);

  // Showing asks the window system whether the card may be rounded.
  void setVisible(bool visible) override;
  bool isRounded() const { return m_rounded; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QString m_title;
  QString m_detail;
  ColorScheme m_scheme = ColorScheme::Light;
  QColor m_accent;
  bool m_rounded = false;
};
