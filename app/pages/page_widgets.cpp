#include "pages/page_widgets.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "kit/focus_ring.h"
#include "kit/kit_fonts.h"
#include "kit/kit_symbols.h"
#include "kit/overlay_scroll_bar.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"

namespace {
constexpr double kSymbolGap = 6;
}

PageButton::PageButton(std::shared_ptr<BrowserPreferences> preferences, const QString& text, const QString& symbol,
                       double points, QFont::Weight weight, QWidget* parent)
    : KivoButton(PreferencesTheme::of(preferences), parent), m_labelFont(KitFonts::system(points, weight)) {
  setText(text);
  setLabelFont(m_labelFont);
  if (!symbol.isEmpty()) setPageSymbol(symbol, points);
  setToolTipDuration(-1);
}

void PageButton::setPageSymbol(const QString& name, double points) {
  m_symbol = name;
  m_symbolPoints = points;
  updateGeometry();
  update();
}

void PageButton::setBackground(Shape shape, double radius, PageColor fill, PageColor outline) {
  m_shape = shape;
  m_radius = radius;
  m_fill = std::move(fill);
  m_outline = std::move(outline);
  // The keyboard's ring follows the shape.
  if (shape == Shape::Capsule) focusRing()->setRadius(FocusRing::kCapsule);
  else if (shape == Shape::Rounded) focusRing()->setRadius(radius);
  update();
}

QSize PageButton::labelSize() const {
  QFontMetrics metrics(m_labelFont);
  int width = 0;
  int height = 0;
  if (!m_symbol.isEmpty()) {
    width = int(std::ceil(m_symbolPoints));
    height = width;
  }
  if (!text().isEmpty()) {
    if (width) width += int(kSymbolGap);
    // Two points of slack: integer advances round fractional widths down.
    width += metrics.horizontalAdvance(text()) + 2;
    height = std::max(height, metrics.height());
  }
  return QSize(width, height);
}

void PageButton::paintLabel(QPainter& painter, const QRectF& rect) {
  const QColor ink = m_ink ? m_ink() : foreground();
  const QSize label = labelSize();
  double x = rect.left();
  if (m_alignment & Qt::AlignHCenter) x = rect.center().x() - label.width() / 2.0;
  if (text().isEmpty()) x = rect.center().x() - label.width() / 2.0;
  if (!m_symbol.isEmpty()) {
    const QRectF symbolRect(x, rect.center().y() - m_symbolPoints / 2, m_symbolPoints, m_symbolPoints);
    KitSymbols::paint(painter, m_symbol, symbolRect, m_symbolInk ? m_symbolInk() : ink);
    x += m_symbolPoints + kSymbolGap;
  }
  if (!text().isEmpty()) {
    painter.setFont(m_labelFont);
    painter.setPen(ink);
    const QFontMetrics metrics(m_labelFont);
    const QRectF textRect(x, rect.top(), std::max(0.0, rect.right() - x), rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(text(), Qt::ElideRight, int(std::ceil(textRect.width()))));
  }
}

void PageButton::paintEvent(QPaintEvent* event) {
  if (m_shape != Shape::None && m_fill) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = m_shape == Shape::Capsule ? frame.height() / 2 : m_radius;
    QPainterPath shape;
    shape.addRoundedRect(frame, radius, radius);
    painter.fillPath(shape, m_fill());
    if (m_outline) painter.strokePath(shape, QPen(m_outline(), 1));
  }
  KivoButton::paintEvent(event);
}

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

PageSymbol::PageSymbol(const QString& name, double points, PageColor color, QWidget* parent)
    : QWidget(parent), m_name(name), m_points(points), m_color(std::move(color)) {
  setFixedSize(sizeHint());
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void PageSymbol::setName(const QString& name) {
  m_name = name;
  update();
}

QSize PageSymbol::sizeHint() const {
  const int side = int(std::ceil(m_points));
  return QSize(side, side);
}

void PageSymbol::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  KitSymbols::paint(painter, m_name, rect(), m_color());
}

PageText::PageText(const QString& text, const QFont& font, PageColor color, QWidget* parent)
    : QLabel(text, parent), m_color(std::move(color)) {
  setFont(font);
}

void PageText::paintEvent(QPaintEvent* event) {
  QPalette palette = this->palette();
  const QColor color = m_color();
  if (palette.color(QPalette::WindowText) != color) {
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    setPalette(palette);
  }
  QLabel::paintEvent(event);
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
