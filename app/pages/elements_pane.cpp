#include "pages/elements_pane.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <algorithm>

#include "kit/focus_ring.h"
#include "kit/kit_fonts.h"
#include "kit/kit_symbols.h"
#include "kit/kivo_button.h"
#include "kit/overlay_scroll_bar.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/builtin_pages.h"
#include "pages/devtools_divider.h"
#include "pages/devtools_text.h"

namespace {

const QString kTruncationNote = QStringLiteral("İlk 2.000 düğüm gösteriliyor.");
constexpr int kNotePadding = 10;

QFont rowFont() {
  return KitFonts::monospaced(11);
}

QFont noteFont() {
  return KitFonts::system(10);
}

void setTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::Text, color);
  widget->setPalette(palette);
}

// The document shown by the selected tab, without copying it.
const PageDocument* shownDocument(const BrowserModel* model) {
  return model->tabs().at(model->selectedIndex()).content.documentValue();
}

const BrowserTab& selectedTab(const BrowserModel* model) {
  return model->tabs().at(model->selectedIndex());
}

// The desktop's plain bordered push button, drawn in the palette's colours
// so that it reads in both schemes: a raised fill with a hairline outline.
class BorderedButton : public KivoButton {
public:
  BorderedButton(const QString& title, std::shared_ptr<BrowserPreferences> preferences, QWidget* parent)
      : KivoButton(PreferencesTheme::of(preferences), parent) {
    setText(title);
    setLabelFont(KitFonts::system(12));
  }

protected:
  QSize labelSize() const override {
    return QSize(QFontMetrics(KitFonts::system(12)).horizontalAdvance(text()) + 2 * kSideInset, kHeight);
  }
  void paintLabel(QPainter& painter, const QRectF& rect) override {
    const PaletteColors& colors = Palette::colors(theme().get());
    const bool dark = Palette::scheme(theme().get()) == ColorScheme::Dark;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colors.line, 1));
    painter.setBrush(dark ? Palette::withOpacity(colors.primary, 0.12) : colors.surface);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.setFont(KitFonts::system(12));
    painter.setPen(colors.ink);
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text());
  }

private:
  static constexpr int kSideInset = 12;
  static constexpr int kHeight = 26;
};

}  // namespace

// ---------------------------------------------------------------------------
// ElementsTree

ElementsTree::ElementsTree(BrowserModel* model, QWidget* parent) : QAbstractScrollArea(parent), m_model(model) {
  setFrameShape(QFrame::NoFrame);
  setMinimumWidth(300);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  verticalScrollBar()->setSingleStep(kRowHeight);
  new OverlayScrollBars(this, PreferencesTheme::of(model->preferences()));
  // The tree takes the focus and draws the ring on its current part itself.
  setFocusPolicy(Qt::StrongFocus);
  m_ring = new FocusRing(this, PreferencesTheme::of(m_model->preferences()));
}

int ElementsTree::leadingInset(qint64 depth) {
  return static_cast<int>(std::clamp<qint64>(depth, 0, kIndentDepthLimit)) * kIndentStep + kLeadingInset;
}

void ElementsTree::adoptNodes(const QList<InspectedNode>& nodes) {
  if (nodes.constData() == m_nodesIdentity && nodes.size() == m_nodes.size()) return;
  m_nodes = nodes;
  m_nodesIdentity = m_nodes.constData();
  m_labels.clear();
  m_labelWidths.clear();
  m_labels.reserve(m_nodes.size());
  m_labelWidths.reserve(m_nodes.size());
  const QFontMetrics metrics(rowFont());
  for (const InspectedNode& node : m_nodes) {
    m_labels.append(node.label());
    m_labelWidths.append(metrics.horizontalAdvance(m_labels.constLast()));
  }
  m_parents = DevToolsText::parentIDs(m_nodes);
  m_hover.reset();
  m_pressed.reset();
}

void ElementsTree::refresh() {
  const PageDocument* document = shownDocument(m_model);
  const BrowserTab& tab = selectedTab(m_model);
  adoptNodes(document && document->nodes ? *document->nodes : QList<InspectedNode>{});
  m_collapsed = tab.collapsedInspectorNodes;
  m_inspected = tab.inspectedNodeID;
  m_truncated = document && document->inspectorTruncated.value_or(false);
  m_rows = DevToolsText::visibleRows(m_nodes, m_collapsed);

  int widest = kMinimumContentWidth;
  for (const qsizetype index : std::as_const(m_rows)) {
    const int needed = leadingInset(m_nodes.at(index).depth) + kDisclosureWidth + kItemSpacing +
                       m_labelWidths.at(index) + kTrailingInset;
    widest = std::max(widest, needed);
  }
  if (m_truncated) {
    widest = std::max(widest, QFontMetrics(noteFont()).horizontalAdvance(kTruncationNote) + 2 * kNotePadding);
  }
  m_contentWidth = widest;
  if (m_hover && m_hover->row >= m_rows.size()) m_hover.reset();
  m_pressed.reset();
  // The keyboard keeps its row where it can; a part that went away falls
  // back to the label.
  if (m_rows.isEmpty()) {
    m_current.reset();
  } else if (m_current) {
    m_current->row = std::min(m_current->row, m_rows.size() - 1);
    if (m_current->disclosure && !rowHasChildren(m_current->row)) m_current->disclosure = false;
  }
  updateScrollBars();
  viewport()->update();
}

bool ElementsTree::rowHasChildren(qsizetype row) const {
  return m_parents.contains(rowNode(row).id);
}

QString ElementsTree::rowDisclosureSymbol(qsizetype row) const {
  if (!rowHasChildren(row)) return QString();
  return m_collapsed.contains(rowNode(row).id) ? QStringLiteral("chevron.right") : QStringLiteral("chevron.down");
}

QSize ElementsTree::contentSize() const {
  int height = 2 * kVerticalPadding + static_cast<int>(m_rows.size()) * kRowHeight;
  if (m_truncated) height += QFontMetrics(noteFont()).height() + 2 * kNotePadding;
  return QSize(std::max(m_contentWidth, viewport()->width()), height);
}

QRect ElementsTree::rowRect(qsizetype row) const {
  const int width = std::max(m_contentWidth, viewport()->width());
  return QRect(-horizontalScrollBar()->value(),
               kVerticalPadding + static_cast<int>(row) * kRowHeight - verticalScrollBar()->value(), width,
               kRowHeight);
}

QRect ElementsTree::disclosureRect(qsizetype row) const {
  const QRect whole = rowRect(row);
  const int x = whole.left() + leadingInset(rowNode(row).depth);
  return QRect(x, whole.top() + (kRowHeight - kDisclosureHeight) / 2, kDisclosureWidth, kDisclosureHeight);
}

QRect ElementsTree::labelRect(qsizetype row) const {
  const QRect whole = rowRect(row);
  const int left = disclosureRect(row).right() + 1 + kItemSpacing;
  return QRect(left, whole.top(), std::max(0, whole.right() + 1 - kTrailingInset - left), kRowHeight);
}

void ElementsTree::updateScrollBars() {
  const QSize content = contentSize();
  const QSize view = viewport()->size();
  verticalScrollBar()->setPageStep(view.height());
  verticalScrollBar()->setRange(0, std::max(0, content.height() - view.height()));
  horizontalScrollBar()->setPageStep(view.width());
  horizontalScrollBar()->setRange(0, std::max(0, m_contentWidth - view.width()));
}

void ElementsTree::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
}

bool ElementsTree::viewportEvent(QEvent* event) {
  // Scrolling moves every row, so the hover follows the pointer again.
  if (event->type() == QEvent::Wheel) {
    const bool handled = QAbstractScrollArea::viewportEvent(event);
    setHover(hitAt(viewport()->mapFromGlobal(QCursor::pos())));
    return handled;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

void ElementsTree::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const KitTheme* theme = PreferencesTheme::of(m_model->preferences().get());
  const PaletteColors& colors = Palette::colors(theme);
  const QColor accent = Palette::accent(theme);
  const QRect exposed = event->rect();
  const int scrollY = verticalScrollBar()->value();

  // Only the rows that meet the exposed area are drawn.
  const int firstY = exposed.top() + scrollY - kVerticalPadding;
  const int lastY = exposed.bottom() + scrollY - kVerticalPadding;
  const qsizetype first = std::clamp<qsizetype>(firstY / kRowHeight, 0, m_rows.size());
  const qsizetype last = std::clamp<qsizetype>(lastY / kRowHeight + 1, 0, m_rows.size());
  // Counted as drawn, so that the figure follows the loop below.
  m_lastPaintedRows = {first, first};

  painter.setFont(rowFont());
  for (qsizetype row = first; row < last; ++row) {
    if (m_lastPaintedRows.second == m_lastPaintedRows.first) m_lastPaintedRows.first = row;
    m_lastPaintedRows.second = row + 1;
    const InspectedNode& node = rowNode(row);
    const QRect whole = rowRect(row);
    if (m_inspected && *m_inspected == node.id) painter.fillRect(whole, Palette::withOpacity(accent, 0.12));
    const QColor foreground = node.name == QLatin1String("#text") ? colors.muted : accent;

    const QString symbol = rowDisclosureSymbol(row);
    if (!symbol.isEmpty()) {
      const QRect disclosure = disclosureRect(row);
      const bool hovered = m_hover && m_hover->row == row && m_hover->disclosure;
      const bool pressed = hovered && m_pressed && *m_pressed == *m_hover;
      const double fill = pressed ? 0.12 : (hovered ? 0.065 : 0);
      painter.setRenderHint(QPainter::Antialiasing);
      if (fill > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Palette::withOpacity(colors.primary, fill));
        painter.drawRoundedRect(QRectF(disclosure), 6, 6);
      }
      KitSymbols::paint(painter, symbol,
                        QRectF(QPointF(0, 0), QSizeF(8, 8)).translated(QRectF(disclosure).center() - QPointF(4, 4)),
                        pressed ? Palette::withOpacity(foreground, 0.75) : foreground, KitSymbols::Set::DeveloperTools);
    }

    const QRect label = labelRect(row);
    const bool labelHovered = m_hover && m_hover->row == row && !m_hover->disclosure;
    const bool labelPressed = labelHovered && m_pressed && *m_pressed == *m_hover;
    const double labelFill = labelPressed ? 0.12 : (labelHovered ? 0.065 : 0);
    if (labelFill > 0) {
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setPen(Qt::NoPen);
      painter.setBrush(Palette::withOpacity(colors.primary, labelFill));
      painter.drawRoundedRect(QRectF(label).adjusted(0, 1, 0, -1), 6, 6);
    }
    painter.setPen(labelPressed ? Palette::withOpacity(foreground, 0.75) : foreground);
    painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetrics(painter.font()).elidedText(rowLabel(row), Qt::ElideRight, label.width()));
    if (m_current && m_current->row == row && showsFocusRing())
      FocusRing::paint(painter, QRectF(partRect(*m_current)), 6, theme);
  }

  if (m_truncated) {
    const int top = kVerticalPadding + static_cast<int>(m_rows.size()) * kRowHeight - scrollY;
    const QFontMetrics metrics(noteFont());
    const QRect note(kNotePadding - horizontalScrollBar()->value(), top + kNotePadding,
                     metrics.horizontalAdvance(kTruncationNote) + 1, metrics.height());
    if (note.intersects(exposed)) {
      painter.setFont(noteFont());
      painter.setPen(colors.muted);
      painter.drawText(note, Qt::AlignLeft | Qt::AlignVCenter, kTruncationNote);
    }
  }
}

std::optional<ElementsTree::Hit> ElementsTree::hitAt(const QPoint& point) const {
  const int y = point.y() + verticalScrollBar()->value() - kVerticalPadding;
  if (y < 0) return std::nullopt;
  const qsizetype row = y / kRowHeight;
  if (row >= m_rows.size()) return std::nullopt;
  if (rowHasChildren(row) && disclosureRect(row).contains(point)) return Hit{row, true};
  if (labelRect(row).contains(point)) return Hit{row, false};
  return std::nullopt;
}

void ElementsTree::setHover(const std::optional<Hit>& hit) {
  if (hit == m_hover) return;
  m_hover = hit;
  viewport()->setCursor(hit ? Qt::PointingHandCursor : Qt::ArrowCursor);
  viewport()->update();
}

void ElementsTree::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  m_pressed = hitAt(event->position().toPoint());
  // The keyboard continues from the part the pointer used, without a ring.
  m_ring->hideUntilKeyboard();
  if (m_pressed) m_current = m_pressed;
  setHover(m_pressed);
  viewport()->update();
}

void ElementsTree::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseReleaseEvent(event);
  const std::optional<Hit> pressed = m_pressed;
  m_pressed.reset();
  viewport()->update();
  // A click is a press and a release on the same button, as with real buttons.
  if (!pressed || hitAt(event->position().toPoint()) != pressed) return;
  trigger(*pressed);
}

void ElementsTree::trigger(const Hit& hit) {
  const qint64 id = rowNode(hit.row).id;
  if (hit.disclosure) m_model->toggleInspectorNode(id);
  else m_model->inspect(id);
}

QRect ElementsTree::partRect(const Hit& hit) const {
  return hit.disclosure ? disclosureRect(hit.row) : labelRect(hit.row).adjusted(0, 1, 0, -1);
}

bool ElementsTree::showsFocusRing() const { return m_current && m_ring->isVisible(); }

void ElementsTree::setCurrent(qsizetype row, bool disclosure) {
  if (m_rows.isEmpty()) return;
  const qsizetype clamped = std::clamp<qsizetype>(row, 0, m_rows.size() - 1);
  m_current = Hit{clamped, disclosure && rowHasChildren(clamped)};
  scrollToCurrent();
  viewport()->update();
}

void ElementsTree::scrollToCurrent() {
  if (!m_current) return;
  // In content coordinates: the row's band, and the part's left edge.
  const int top = kVerticalPadding + static_cast<int>(m_current->row) * kRowHeight;
  const int viewHeight = viewport()->height();
  QScrollBar* vertical = verticalScrollBar();
  if (top < vertical->value()) vertical->setValue(top - kVerticalPadding);
  else if (top + kRowHeight > vertical->value() + viewHeight) vertical->setValue(top + kRowHeight - viewHeight + kVerticalPadding);
  const QRect part = partRect(*m_current).translated(horizontalScrollBar()->value(), 0);
  QScrollBar* horizontal = horizontalScrollBar();
  if (part.left() < horizontal->value() || part.left() > horizontal->value() + viewport()->width() - kRowHeight)
    horizontal->setValue(part.left() - leadingInset(0));
}

void ElementsTree::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (!plain || !m_current) {
    QAbstractScrollArea::keyPressEvent(event);
    return;
  }
  const qsizetype row = m_current->row;
  const bool disclosure = m_current->disclosure;
  const qsizetype page = std::max(1, viewport()->height() / kRowHeight - 1);
  switch (event->key()) {
    case Qt::Key_Up:
      setCurrent(row - 1, disclosure);
      break;
    case Qt::Key_Down:
      setCurrent(row + 1, disclosure);
      break;
    case Qt::Key_PageUp:
      setCurrent(row - page, disclosure);
      break;
    case Qt::Key_PageDown:
      setCurrent(row + page, disclosure);
      break;
    case Qt::Key_Home:
      setCurrent(0, disclosure);
      break;
    case Qt::Key_End:
      setCurrent(m_rows.size() - 1, disclosure);
      break;
    case Qt::Key_Left:
      setCurrent(row, true);
      break;
    case Qt::Key_Right:
      setCurrent(row, false);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      event->accept();
      // The model's change refreshes the tree, which keeps the row.
      if (!event->isAutoRepeat()) trigger(*m_current);
      return;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  event->accept();
}

void ElementsTree::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  // Entering the tree starts at the inspected node, else at the first row.
  if (!m_current && !m_rows.isEmpty()) {
    qsizetype start = 0;
    for (qsizetype row = 0; m_inspected && row < m_rows.size(); ++row) {
      if (rowNode(row).id == *m_inspected) {
        start = row;
        break;
      }
    }
    setCurrent(start, false);
  }
  viewport()->update();
}

void ElementsTree::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void ElementsTree::mouseMoveEvent(QMouseEvent* event) {
  setHover(hitAt(event->position().toPoint()));
  QAbstractScrollArea::mouseMoveEvent(event);
}

void ElementsTree::leaveEvent(QEvent* event) {
  setHover(std::nullopt);
  QAbstractScrollArea::leaveEvent(event);
}

// ---------------------------------------------------------------------------
// ElementsDetail

ElementsDetail::ElementsDetail(BrowserModel* model, QWidget* parent) : QWidget(parent), m_model(model) {
  setMinimumWidth(270);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  m_scroll = new QScrollArea(this);
  // Not a Tab stop: it would show nothing; its rows and texts are what the
  // keyboard reaches.
  m_scroll->setFocusPolicy(Qt::NoFocus);
  m_scroll->setFrameShape(QFrame::NoFrame);
  m_scroll->setWidgetResizable(true);
  m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_scroll->viewport()->setAutoFillBackground(false);
  layout->addWidget(m_scroll);
  new OverlayScrollBars(m_scroll, PreferencesTheme::of(model->preferences()));
}

void ElementsDetail::refresh() {
  const KitTheme* theme = PreferencesTheme::of(m_model->preferences().get());
  const PaletteColors& colors = Palette::colors(theme);
  const PageDocument* document = shownDocument(m_model);
  const BrowserTab& tab = selectedTab(m_model);

  // The inspected node is looked up by id in the shown document every time.
  const InspectedNode* found = nullptr;
  if (document && document->nodes && tab.inspectedNodeID) {
    for (const InspectedNode& node : *document->nodes) {
      if (node.id == *tab.inspectedNodeID) {
        found = &node;
        break;
      }
    }
  }
  const Key key{document && document->nodes ? document->nodes->constData() : nullptr, tab.inspectedNodeID,
                found != nullptr, colors.ink.rgba(), colors.muted.rgba(), Palette::accent(theme).rgba()};
  if (m_key && *m_key == key) return;
  m_key = key;
  rebuild(found ? std::optional<InspectedNode>(*found) : std::nullopt);
}

QLabel* ElementsDetail::addLabel(const QString& text, const QFont& font, const QColor& color, bool selectable) {
  auto* label = new QLabel(m_content);
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  label->setFont(font);
  label->setWordWrap(true);
  setTextColor(label, color);
  if (selectable) {
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setCursor(Qt::IBeamCursor);
  }
  m_texts.append(text);
  return label;
}

void ElementsDetail::rebuild(const std::optional<InspectedNode>& node) {
  const KitTheme* theme = PreferencesTheme::of(m_model->preferences().get());
  const PaletteColors& colors = Palette::colors(theme);
  const QColor accent = Palette::accent(theme);

  m_texts.clear();
  m_content = new QWidget;
  m_content->setAutoFillBackground(false);
  m_column = new QVBoxLayout(m_content);
  m_column->setContentsMargins(16, 16, 16, 16);
  m_column->setSpacing(12);

  // 1. The heading, always first.
  QFont heading = KitFonts::system(9, QFont::DemiBold);
  heading.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
  m_column->addWidget(addLabel(QStringLiteral("COMPUTED"), heading, colors.muted, false));

  if (node) {
    // 2. The node's label, its box and its style.
    m_column->addWidget(addLabel(node->label(), KitFonts::monospaced(11), colors.ink, true));
    if (node->bounds) {
      m_column->addWidget(addLabel(DevToolsText::boxLine(*node->bounds), KitFonts::monospaced(11), accent, false));
    }
    const QFont small = KitFonts::monospaced(10);
    // QMap iterates its keys in ascending order already.
    for (auto it = node->computed.constBegin(); it != node->computed.constEnd(); ++it) {
      auto* row = new QHBoxLayout;
      row->setContentsMargins(0, 0, 0, 0);
      row->setSpacing(8);
      QLabel* name = addLabel(it.key(), small, colors.muted, false);
      name->setWordWrap(false);
      QLabel* value = addLabel(it.value(), small, colors.ink, true);
      // The value takes the rest of the row without a layout alignment, so
      // that a long value wraps at the row's real width.
      value->setAlignment(Qt::AlignRight | Qt::AlignTop);
      value->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
      row->addWidget(name, 0, Qt::AlignTop);
      row->addWidget(value, 1);
      m_column->addLayout(row);
    }
    if (!node->attributes.isEmpty()) {
      m_column->addWidget(new DevToolsDivider(m_model->preferences(), 1.0, m_content));
      m_column->addWidget(addLabel(QStringLiteral("ATTRIBUTES"), KitFonts::system(9, QFont::DemiBold), colors.muted,
                                   false));
      for (auto it = node->attributes.constBegin(); it != node->attributes.constEnd(); ++it) {
        m_column->addWidget(addLabel(it.key() + QStringLiteral(" = ") + it.value(), small, colors.ink, true));
      }
    }
  } else {
    // 3. The placeholder, with 5 pt between its two lines.
    QLabel* placeholder = addLabel(QString(), KitFonts::system(12), colors.muted, false);
    placeholder->setTextFormat(Qt::RichText);
    placeholder->setText(QStringLiteral("<div style=\"line-height: 140%\">DOM ağacından bir öğe seç.<br>Kutu konumu ve "
                                        "hesaplanan stilleri burada görünür.</div>"));
    m_texts.last() = QStringLiteral("DOM ağacından bir öğe seç.\nKutu konumu ve hesaplanan stilleri burada görünür.");
    m_column->addWidget(placeholder);
  }
  m_column->addStretch(1);
  // The old content is deleted by the scroll area.
  m_scroll->setWidget(m_content);
  m_content->setAutoFillBackground(false);
}

QStringList ElementsDetail::texts() const {
  return m_texts;
}

// ---------------------------------------------------------------------------
// ElementsPane

ElementsPane::ElementsPane(BrowserModel* model, QWidget* parent) : QWidget(parent), m_model(model) {
  m_stack = new QStackedLayout(this);
  m_stack->setContentsMargins(0, 0, 0, 0);

  // The empty state, centred in the whole pane.
  m_empty = new QWidget(this);
  auto* emptyColumn = new QVBoxLayout(m_empty);
  emptyColumn->setSpacing(10);
  emptyColumn->addStretch(1);
  m_emptyTitle = new QLabel(QStringLiteral("Bu sekme tarayıcının kendi arayüzü."), m_empty);
  m_emptyTitle->setFont(KitFonts::system(13, QFont::Medium));
  m_emptyDetail = new QLabel(QStringLiteral("DOM ve CSS incelemek için bir HTML belgesi aç."), m_empty);
  m_emptyDetail->setFont(KitFonts::system(11));
  m_sampleButton = new BorderedButton(QStringLiteral("Örnek belgeyi aç"), model->preferences(), m_empty);
  emptyColumn->addWidget(m_emptyTitle, 0, Qt::AlignHCenter);
  emptyColumn->addWidget(m_emptyDetail, 0, Qt::AlignHCenter);
  emptyColumn->addWidget(m_sampleButton, 0, Qt::AlignHCenter);
  emptyColumn->addStretch(1);
  connect(m_sampleButton, &QAbstractButton::clicked, this,
          [this] { m_model->navigate(BuiltinPages::kWelcome); });

  // The split view.
  m_split = new QSplitter(Qt::Horizontal, this);
  m_split->setChildrenCollapsible(false);
  m_split->setHandleWidth(1);
  m_tree = new ElementsTree(model, m_split);
  m_detail = new ElementsDetail(model, m_split);
  m_split->addWidget(m_tree);
  m_split->addWidget(m_detail);
  m_split->setStretchFactor(0, 560);
  m_split->setStretchFactor(1, 360);
  m_split->setSizes({560, 360});

  m_stack->addWidget(m_empty);
  m_stack->addWidget(m_split);
}

bool ElementsPane::showsSplitView() const {
  return m_stack->currentWidget() == m_split;
}

void ElementsPane::refresh() {
  const PaletteColors& colors = Palette::colors(PreferencesTheme::of(m_model->preferences().get()));
  setTextColor(m_emptyTitle, colors.ink);
  setTextColor(m_emptyDetail, colors.muted);
  const QString handleStyle =
      QStringLiteral("QSplitter::handle { background: %1; }").arg(colors.line.name(QColor::HexArgb));
  if (m_split->styleSheet() != handleStyle) m_split->setStyleSheet(handleStyle);

  const PageDocument* document = shownDocument(m_model);
  if (document && document->nodes) {
    m_stack->setCurrentWidget(m_split);
    m_tree->refresh();
    m_detail->refresh();
  } else {
    m_stack->setCurrentWidget(m_empty);
  }
}
