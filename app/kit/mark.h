// The product's logo tile: the glyph in white on a rounded square filled
// with a gradient of the accent colour (full opacity at the top-leading
// corner, 0.75 at the bottom-trailing one). It redraws on every change of
// the accent. Main thread.
#pragma once

#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"

class Mark : public QWidget {
  Q_OBJECT

public:
  static constexpr double kDefaultSize = 34;

  // A tile of side `size` points that follows the theme's accent.
  explicit Mark(std::shared_ptr<KitTheme> theme, double size = kDefaultSize,
                QWidget* parent = nullptr);

  double size() const { return m_size; }
  void setSize(double size);
  // 0.29 x size.
  double cornerRadius() const { return m_size * 0.29; }
  // 0.1 x size: the glyph's inset on every edge.
  double glyphInset() const { return m_size * 0.1; }

  // Draws a tile of `size` with `accent` at `origin` (the home page and the
  // tab strip draw marks without a widget).
  static void paintTile(QPainter& painter, const QPointF& origin, double size, const QColor& accent);

  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::shared_ptr<KitTheme> m_theme;
  double m_size;
};
