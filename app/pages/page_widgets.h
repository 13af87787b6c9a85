// The small building blocks the built-in pages share besides the kit's page
// controls: a rounded card, a one-line shortened label, a rule, and the
// centred scrolling column every page sits in. Colours are computed at paint
// time from the kit theme, so a change of scheme or accent only needs a
// repaint. Main thread.
#pragma once

#include <QScrollArea>
#include <QWidget>

#include <functional>
#include <memory>

#include "kit/kit_label.h"
#include "kit/page_controls.h"
#include "model/browser_preferences.h"

class QVBoxLayout;

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
