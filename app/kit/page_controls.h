// The parts the built-in pages and the window's chrome draw with: a button
// with a symbol and an optional shaped background, a symbol image and a
// text, each in a colour computed at paint time from the kit theme, so a
// change of scheme or accent only needs a repaint. Main thread.
#pragma once

#include <QLabel>
#include <QWidget>

#include <functional>
#include <memory>

#include "kit/kivo_button.h"
#include "model/browser_preferences.h"

// A colour computed when painting.
using PageColor = std::function<QColor()>;

// A KivoButton whose label is an optional page symbol before an optional
// text, with an optional filled and outlined shape behind it.
class PageButton : public KivoButton {
  Q_OBJECT
public:
  enum class Shape { None, Capsule, Rounded };

  PageButton(std::shared_ptr<BrowserPreferences> preferences, const QString& text, const QString& symbol = {},
             double points = 12, QFont::Weight weight = QFont::Normal, QWidget* parent = nullptr);

  // The symbol drawn before the text, `points` high.
  void setPageSymbol(const QString& name, double points);
  const QString& pageSymbol() const { return m_symbol; }
  // The colour of text and symbol (the palette's ink when unset).
  void setInk(PageColor ink) { m_ink = std::move(ink); update(); }
  // The colour of the symbol alone (the ink when unset).
  void setSymbolInk(PageColor ink) { m_symbolInk = std::move(ink); update(); }
  // A shape behind the label: filled, and outlined with a 1-pt line when an
  // outline colour is given.
  void setBackground(Shape shape, double radius, PageColor fill, PageColor outline = {});
  // The horizontal alignment of the label inside the frame.
  void setLabelAlignment(Qt::Alignment alignment) { m_alignment = alignment; update(); }

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override;
  QSize labelSize() const override;
  void paintEvent(QPaintEvent* event) override;

private:
  QString m_symbol;
  double m_symbolPoints = 0;
  QFont m_labelFont;
  PageColor m_ink;
  PageColor m_symbolInk;
  Shape m_shape = Shape::None;
  double m_radius = 0;
  PageColor m_fill;
  PageColor m_outline;
  Qt::Alignment m_alignment = Qt::AlignLeft;
};

// One symbol image of a fixed size in a computed colour.
class PageSymbol : public QWidget {
  Q_OBJECT
public:
  PageSymbol(const QString& name, double points, PageColor color, QWidget* parent = nullptr);
  void setName(const QString& name);
  const QString& name() const { return m_name; }
  void setColor(PageColor color) { m_color = std::move(color); update(); }
  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QString m_name;
  double m_points;
  PageColor m_color;
};

// A text in a computed colour (red error lines, accent texts).
class PageText : public QLabel {
  Q_OBJECT
public:
  PageText(const QString& text, const QFont& font, PageColor color, QWidget* parent = nullptr);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  PageColor m_color;
};
