#include "pages/page_widgets.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QVBoxLayout>

#include "kit/overlay_scroll_bar.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"

PageCard::PageCard(double radius, PageColor fill, PageColor outline, QWidget* parent)
    : QWidget(parent), m_radius(radius), m_fill(std::move(fill)), m_outline(std::move(outline)) {}

void PageCard::setOutline(PageColor outline, double width) {
  m_outline = std::move(outline);
  m_outlineWidth = width;
  update();
}

void PageCard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const double inset = m_outline ? m_outlineWidth / 2 : 0;
  const QRectF frame = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
  QPainterPath shape;
  shape.addRoundedRect(frame, m_radius, m_radius);
  if (m_fill) painter.fillPath(shape, m_fill());
  if (m_outline) painter.strokePath(shape, QPen(m_outline(), m_outlineWidth));
}

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, const QFont& font, KitLabel::Tone tone,
                         std::shared_ptr<KitTheme> theme, QWidget* parent)
    : KitLabel({}, font, tone, std::move(theme), 0, parent), m_mode(mode) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setFullText(const QString& text) {
  setPlainText(text);
  elide();
  updateGeometry();
}

QSize ElidedLabel::sizeHint() const {
  const QFontMetrics metrics(font());
  // One pixel of slack: integer advances round fractional widths down.
  return QSize(metrics.horizontalAdvance(plainText()) + 1, metrics.height());
}

QSize ElidedLabel::minimumSizeHint() const { return QSize(0, QFontMetrics(font()).height()); }

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  KitLabel::resizeEvent(event);
  elide();
}

void ElidedLabel::elide() {
  const QString& whole = plainText();
  const QFontMetrics metrics(font());
  const QString shown = metrics.horizontalAdvance(whole) < width() ? whole : metrics.elidedText(whole, m_mode, width());
  if (text() != shown) setText(shown);
  setToolTip(shown == whole ? QString() : whole);
}

PageDivider::PageDivider(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent)
    : QWidget(parent), m_theme(PreferencesTheme::of(preferences)) {
  setFixedHeight(1);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PageDivider::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Palette::colors(m_theme.get()).line);
}

namespace PageLayout {

QScrollArea* scrollingColumn(QWidget* owner, std::shared_ptr<KitTheme> theme, int maxWidth, int inset, int spacing,
                             QVBoxLayout** column) {
  auto* area = new QScrollArea(owner);
  area->setFrameShape(QFrame::NoFrame);
  // Tab goes from control to control and scrolls each into view; the area
  // itself would be a stop that shows nothing.
  area->setFocusPolicy(Qt::NoFocus);
  area->setWidgetResizable(true);
  area->viewport()->setAutoFillBackground(false);
  auto* content = new QWidget;
  content->setAutoFillBackground(false);
  auto* row = new QHBoxLayout(content);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  auto* columnWidget = new QWidget(content);
  columnWidget->setMaximumWidth(maxWidth);
  columnWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  auto* layout = new QVBoxLayout(columnWidget);
  layout->setContentsMargins(inset, inset, inset, inset);
  layout->setSpacing(spacing);
  row->addStretch(0);
  row->addWidget(columnWidget, 1);
  row->addStretch(0);
  area->setWidget(content);
  // The page draws its own background under the column.
  content->setAutoFillBackground(false);
  // The bars float over the page's right edge, inside the column's inset,
  // so the column keeps its width whether the page scrolls or not.
  new OverlayScrollBars(area, std::move(theme));
  *column = layout;
  return area;
}

QColor red(const KitTheme* theme) {
  if (Palette::scheme(theme) == ColorScheme::Dark) return QColor::fromRgbF(1.0f, 0.412f, 0.38f);
  return QColor::fromRgbF(1.0f, 0.231f, 0.188f);
}

void repaintTree(QWidget* root) {
  root->update();
  const auto children = root->findChildren<QWidget*>();
  for (QWidget* child : children) child->update();
}

}  // namespace PageLayout
