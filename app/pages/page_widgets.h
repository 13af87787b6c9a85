// The small building blocks the built-in pages share: a button with a page
// symbol and an optional shaped background, a rounded card, a symbol image,
// a text in a computed colour, and the centred scrolling column every page
// sits in. Colours are computed at paint time from the kit theme, so a
// change of scheme or accent only needs a repaint. Main thread.
#pragma once

#include <QLabel>
#include <QScrollArea>
#include <QWidget>

#include <functional>
#include <memory>

#include "kit/kit_label.h"
#include "kit/kivo_button.h"
#include "model/browser_preferences.h"

class QVBoxLayout;

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

// A rounded rectangle filled and optionally outlined (1 pt) behind its
// children.
class PageCard : public QWidget {
  Q_OBJECT
public:
  PageCard(double radius, PageColor fill, PageColor outline = {}, QWidget* parent = nullptr);
  void setOutline(PageColor outline, double width);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  double m_radius;
  PageColor m_fill;
  PageColor m_outline;
  double m_outlineWidth = 1;
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

// A one-line text in a palette tone that never asks for more width than it
// is given: when the whole text does not fit it is shortened with "…" (in
// the middle for file names, at the end for addresses) and the whole text
// becomes the tooltip. plainText() stays the whole text.
class ElidedLabel : public KitLabel {
  Q_OBJECT
public:
  ElidedLabel(Qt::TextElideMode mode, const QFont& font, KitLabel::Tone tone, std::shared_ptr<KitTheme> theme,
              QWidget* parent = nullptr);
  void setFullText(const QString& text);
  // The text shown now, shortened or whole.
  QString shownText() const { return text(); }
  bool isElided() const { return text() != plainText(); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void elide();

  Qt::TextElideMode m_mode;
};

// A horizontal rule in the palette's line colour.
class PageDivider : public QWidget {
  Q_OBJECT
public:
  explicit PageDivider(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::shared_ptr<KitTheme> m_theme;
};

namespace PageLayout {

// A vertical scroll area whose content is a column at most `maxWidth` wide
// (insets included), centred in wider pages, with `inset` on every side and
// `spacing` between children. Its scroll bars float over the page, show only
// while the column is taller than the area and are drawn for `theme`'s
// scheme. Returns the area; `column` receives the column's layout.
QScrollArea* scrollingColumn(QWidget* owner, std::shared_ptr<KitTheme> theme, int maxWidth, int inset, int spacing,
                             QVBoxLayout** column);

// The red of error texts: the platform's standard red in the light scheme,
// and a lighter red that keeps its contrast on the dark scheme's surfaces.
QColor red(const KitTheme* theme);

// Repaints `root` and every widget under it (after a change of scheme or
// accent).
void repaintTree(QWidget* root);

}  // namespace PageLayout
