#include "document/document_canvas.h"

#include <QAbstractScrollArea>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "platform/font_factory.h"

namespace {

// The keyboard focus ring's colour.
const QColor kAccent = QColor::fromRgbF(0.39f, 0.33f, 0.78f, 1.0f);
// The developer tools' highlight: a light blue fill and a stronger outline.
const QColor kSystemBlue(0, 122, 255);

// Glyphs may reach a little past their advance and their line (overhangs,
// antialiasing), so a text's extent is grown by this many pixels on the sides
// and by this fraction of its size before and after the run.
constexpr qreal kTextBleed = 1;
constexpr qreal kTextOverhang = 0.25;

bool sameCommand(const PaintCommand& a, const PaintCommand& b) {
  return a.kind == b.kind && a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height &&
         a.background == b.background && a.border == b.border && a.borderWidth == b.borderWidth &&
         a.radius == b.radius && a.text == b.text && a.size == b.size && a.bold == b.bold && a.color == b.color &&
         a.href == b.href && a.imageId == b.imageId;
}

bool sameCommands(const QList<PaintCommand>& a, const QList<PaintCommand>& b) {
  if (a.isSharedWith(b)) return true;
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (!sameCommand(a.at(i), b.at(i))) return false;
  }
  return true;
}

const QImage* bitmapOf(const PageDocument& document, const PaintCommand& command) {
  if (!command.imageId) return nullptr;
  const auto found = document.images.constFind(*command.imageId);
  if (found == document.images.constEnd() || found->image.isNull()) return nullptr;
  return &found->image;
}

// The size a text is drawn at, or none when it cannot be drawn.
std::optional<qreal> textSize(const PaintCommand& command) {
  const qreal size = command.size.value_or(DocumentCanvas::kDefaultTextSize);
  if (!std::isfinite(size) || size <= 0) return std::nullopt;
  return size;
}

// A half-open containment test: a rectangle holds its top and left edges but
// not its bottom and right edges.
bool holds(const QRectF& rect, const QPointF& point) {
  return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() &&
         point.y() < rect.bottom();
}

qreal along(qreal start, qreal end, qreal origin, qreal visible) {
  if (start < origin) return start;
  if (end > origin + visible) return std::min(start, end - visible);
  return origin;
}

}  // namespace

QColor documentColor(quint32 rgba) {
  return QColor(static_cast<int>(rgba >> 24), static_cast<int>((rgba >> 16) & 0xFF),
                static_cast<int>((rgba >> 8) & 0xFF), static_cast<int>(rgba & 0xFF));
}

BoxGeometry BoxGeometry::of(const PaintCommand& command) {
  BoxGeometry geometry;
  geometry.rect = command.rect();
  // A negative or missing radius gives square corners; no corner is rounder
  // than half the shorter side.
  const qreal radius = std::max(command.radius.value_or(0), 0.0);
  geometry.radius = std::max(std::min(std::min(command.width, command.height) * 0.5, radius), 0.0);
  const qreal width = command.borderWidth.value_or(0);
  if (width > 0) {
    geometry.borderWidth = width;
    geometry.borderRect = geometry.rect.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    geometry.borderRadius = std::max(geometry.radius - width / 2, 0.0);
  }
  return geometry;
}

QPointF originShowing(const QRectF& rect, const QPointF& origin, const QSizeF& visible) {
  return QPointF(along(rect.left(), rect.right(), origin.x(), visible.width()),
                 along(rect.top(), rect.bottom(), origin.y(), visible.height()));
}

DocumentCanvas::DocumentCanvas(QWidget* parent)
    : QWidget(parent),
      m_regularMetrics(FontFactory::referenceFont(false)),
      m_boldMetrics(FontFactory::referenceFont(true)) {
  for (int i = 0; i < 4; ++i) {
    m_fonts[i] = FontFactory::referenceFont(i % 2 == 1);
    m_fonts[i].setUnderline(i >= 2);
  }
  // Every paint fills its dirty rectangle with white first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
}

DocumentCanvas::~DocumentCanvas() = default;

void DocumentCanvas::setDocument(std::optional<PageDocument> document) {
  const bool sameLinks = m_document && document && sameCommands(m_document->commands, document->commands);
  const bool sameItems = sameLinks && m_document->images.isSharedWith(document->images);
  m_document = std::move(document);
  if (!sameLinks) {
    // Another page: the focus index would name an unrelated link.
    m_focusedLink = -1;
    m_links.clear();
    QStringList texts;
    if (m_document) {
      for (qsizetype i = 0; i < m_document->commands.size(); ++i) {
        const PaintCommand& command = m_document->commands.at(i);
        if (command.href && command.width > 0 && command.height > 0) m_links.push_back(i);
        if (command.text) texts.append(*command.text);
      }
    }
    const QString description = texts.join(QLatin1Char(' '));
    if (accessibleDescription() != description) setAccessibleDescription(description);
  }
  const QString title = m_document ? m_document->title : QString();
  if (accessibleName() != title) setAccessibleName(title);
  if (!sameItems) prepare();
}

void DocumentCanvas::prepare() {
  m_items.clear();
  if (!m_document) return;
  m_items.resize(static_cast<std::size_t>(m_document->commands.size()));
  for (qsizetype i = 0; i < m_document->commands.size(); ++i) {
    const PaintCommand& command = m_document->commands.at(i);
    Item& item = m_items[static_cast<std::size_t>(i)];
    item.extent = command.rect();
    if (command.kind == QLatin1String("box")) {
      item.kind = Item::Kind::Box;
    } else if (command.kind == QLatin1String("image") && bitmapOf(*m_document, command)) {
      item.kind = Item::Kind::Image;
    } else if (command.text && !command.text->isEmpty()) {
      const std::optional<qreal> size = textSize(command);
      if (!size) continue;
      const bool bold = command.bold.value_or(false);
      const QFontMetricsF& metrics = bold ? m_boldMetrics : m_regularMetrics;
      const qreal line = (metrics.ascent() + metrics.descent()) * FontFactory::scaleFor(*size);
      const qreal overhang = kTextBleed + kTextOverhang * *size;
      // The width is the box's until the advance is measured, which a paint
      // does only when the text's lines are in view.
      item.kind = Item::Kind::Text;
      item.extent = QRectF(command.x - overhang, command.y - kTextBleed, command.width + 2 * overhang,
                           std::max(command.height, line) + 2 * kTextBleed);
    }
  }
}

bool DocumentCanvas::reachesInto(qsizetype index, const QRectF& dirty) {
  Item& item = m_items[static_cast<std::size_t>(index)];
  if (item.extent.intersects(dirty)) return true;
  if (item.kind != Item::Kind::Text || item.measured) return false;
  // A text grows only to the right of its box: only a dirty area beside its
  // lines and to the right of its box needs its advance.
  if (item.extent.bottom() <= dirty.top() || item.extent.top() >= dirty.bottom()) return false;
  if (item.extent.left() >= dirty.right()) return false;
  const PaintCommand& command = m_document->commands.at(index);
  const qreal size = *textSize(command);
  const qreal advance = m_measurer.width(*command.text, size, command.bold.value_or(false));
  const qreal overhang = kTextBleed + kTextOverhang * size;
  item.extent.setRight(command.x + std::max(command.width, advance) + overhang);
  item.measured = true;
  return item.extent.intersects(dirty);
}

void DocumentCanvas::drawText(QPainter& painter, const PaintCommand& command, const QTransform& base) {
  const qreal size = *textSize(command);
  const bool bold = command.bold.value_or(false);
  const QFontMetricsF& metrics = bold ? m_boldMetrics : m_regularMetrics;
  const qreal scale = FontFactory::scaleFor(size);
  const qreal ascent = metrics.ascent() * scale;
  const qreal line = ascent + metrics.descent() * scale;
  const qreal offset = std::max((command.height - line) * 0.5, 0.0);
  const qreal baseline = command.y + offset + ascent;
  painter.setTransform(QTransform(scale, 0, 0, scale, command.x, baseline) * base);
  painter.setFont(m_fonts[(bold ? 1 : 0) + (command.href ? 2 : 0)]);
  painter.setPen(documentColor(command.color.value_or(kDefaultTextColor)));
  painter.drawText(QPointF(0, 0), *command.text);
}

void DocumentCanvas::paint(QPainter& painter, const QRectF& dirty) {
  painter.fillRect(dirty, Qt::white);
  if (!m_document) return;
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
  const QTransform base = painter.transform();
  bool transformed = false;
  const QList<PaintCommand>& commands = m_document->commands;
  for (qsizetype i = 0; i < commands.size(); ++i) {
    const Item::Kind kind = m_items[static_cast<std::size_t>(i)].kind;
    if (kind == Item::Kind::Nothing || !reachesInto(i, dirty)) continue;
    const PaintCommand& command = commands.at(i);
    if (kind == Item::Kind::Text) {
      drawText(painter, command, base);
      transformed = true;
      continue;
    }
    if (transformed) {
      painter.setTransform(base);
      transformed = false;
    }
    if (kind == Item::Kind::Image) {
      painter.drawImage(command.rect(), *bitmapOf(*m_document, command));
      continue;
    }
    const BoxGeometry box = BoxGeometry::of(command);
    const QColor background = documentColor(command.background.value_or(0));
    if (background.alpha() > 0) {
      if (box.radius > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(background);
        painter.drawRoundedRect(box.rect, box.radius, box.radius);
      } else {
        painter.fillRect(box.rect, background);
      }
    }
    const QColor border = documentColor(command.border.value_or(0));
    if (box.borderWidth > 0 && border.alpha() > 0) {
      if (box.borderRect.width() <= 0 || box.borderRect.height() <= 0) {
        // A border wider than half the box covers all of it.
        painter.fillRect(box.rect, border);
        continue;
      }
      painter.setPen(QPen(border, box.borderWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
      painter.setBrush(Qt::NoBrush);
      painter.drawRoundedRect(box.borderRect, box.borderRadius, box.borderRadius);
    }
  }
  if (transformed) painter.setTransform(base);

  if (m_highlightedBounds) {
    const QRectF rect = m_highlightedBounds->rect();
    QColor fill = kSystemBlue;
    fill.setAlphaF(0.13f);
    painter.fillRect(rect, fill);
    QColor outline = kSystemBlue;
    outline.setAlphaF(0.8f);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
  }

  if (m_focusedLink >= 0 && static_cast<std::size_t>(m_focusedLink) < m_links.size() && hasFocus()) {
    const QRectF link = commands.at(m_links[static_cast<std::size_t>(m_focusedLink)]).rect();
    painter.setPen(QPen(kAccent, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(link.adjusted(-2, -2, 2, 2));
  }
}

void DocumentCanvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  paint(painter, QRectF(event->rect()));
}

std::optional<QString> DocumentCanvas::linkAt(const QPointF& point) const {
  if (!m_document) return std::nullopt;
  for (auto link = m_links.rbegin(); link != m_links.rend(); ++link) {
    const PaintCommand& command = m_document->commands.at(*link);
    if (holds(command.rect(), point)) return *command.href;
  }
  return std::nullopt;
}

void DocumentCanvas::activate(const QString& href) {
  // The callback may replace this canvas's callback, or its document, while
  // it runs: it is called from a copy, with a copy of the target.
  const std::function<void(const QString&)> onLink = m_onLink;
  if (onLink) onLink(href);
}

void DocumentCanvas::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  if (const std::optional<QString> href = linkAt(event->position())) activate(*href);
}

void DocumentCanvas::mouseMoveEvent(QMouseEvent* event) {
  m_pointer = event->position();
  refreshCursor();
  QWidget::mouseMoveEvent(event);
}

void DocumentCanvas::leaveEvent(QEvent* event) {
  m_pointer.reset();
  refreshCursor();
  QWidget::leaveEvent(event);
}

void DocumentCanvas::refreshCursor() {
  const bool pointing = m_pointer && linkAt(*m_pointer).has_value();
  if (pointing == m_pointing) return;
  m_pointing = pointing;
  if (pointing) {
    setCursor(Qt::PointingHandCursor);
  } else {
    unsetCursor();
  }
}

QRectF DocumentCanvas::ringRect(int link) const {
  if (!m_document || link < 0 || static_cast<std::size_t>(link) >= m_links.size()) return {};
  // The ring lies 2 pixels outside the link; its 1-pixel line and the
  // antialiasing around it reach one more.
  return m_document->commands.at(m_links[static_cast<std::size_t>(link)]).rect().adjusted(-3, -3, 3, 3);
}

bool DocumentCanvas::focusNextPrevChild(bool next) {
  // Tab and Shift-Tab move between the links while there are any, so they
  // must reach keyPressEvent instead of moving the focus to another widget.
  if (!m_links.empty()) return false;
  return QWidget::focusNextPrevChild(next);
}

void DocumentCanvas::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const bool plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  const int key = event->key();
  const int count = static_cast<int>(m_links.size());
  if (plain && count > 0 && (key == Qt::Key_Tab || key == Qt::Key_Backtab)) {
    const bool backwards = key == Qt::Key_Backtab || (modifiers & Qt::ShiftModifier);
    const int previous = m_focusedLink;
    if (previous < 0 || previous >= count) {
      m_focusedLink = backwards ? count - 1 : 0;
    } else {
      m_focusedLink = (previous + (backwards ? -1 : 1) + count) % count;
    }
    scrollRectToVisible(m_document->commands.at(m_links[static_cast<std::size_t>(m_focusedLink)]).rect());
    update(ringRect(previous).toAlignedRect());
    update(ringRect(m_focusedLink).toAlignedRect());
    event->accept();
    return;
  }
  const bool activation = key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
  if (plain && activation && m_focusedLink >= 0 && m_focusedLink < count) {
    event->accept();
    activate(*m_document->commands.at(m_links[static_cast<std::size_t>(m_focusedLink)]).href);
    return;
  }
  // Everything else goes on to the scroll area and the window.
  event->ignore();
}

void DocumentCanvas::focusInEvent(QFocusEvent* event) {
  // The ring is drawn only while the canvas holds the focus.
  update(ringRect(m_focusedLink).toAlignedRect());
  QWidget::focusInEvent(event);
}

void DocumentCanvas::focusOutEvent(QFocusEvent* event) {
  update(ringRect(m_focusedLink).toAlignedRect());
  QWidget::focusOutEvent(event);
}

void DocumentCanvas::scrollRectToVisible(const QRectF& rect) {
  QWidget* viewport = parentWidget();
  auto* area = viewport ? qobject_cast<QAbstractScrollArea*>(viewport->parentWidget()) : nullptr;
  if (!area || area->viewport() != viewport) return;
  QScrollBar* horizontal = area->horizontalScrollBar();
  QScrollBar* vertical = area->verticalScrollBar();
  // The scroll area's page steps are its visible size, also before it is
  // first shown; whole pixels, so that a fractional edge is shown too.
  const QPointF origin = originShowing(QRectF(rect.toAlignedRect()), QPointF(horizontal->value(), vertical->value()),
                                       QSizeF(horizontal->pageStep(), vertical->pageStep()));
  horizontal->setValue(qRound(origin.x()));
  vertical->setValue(qRound(origin.y()));
}
