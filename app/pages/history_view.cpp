#include "pages/history_view.h"

#include <QAccessibleWidget>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QToolTip>
#include <QVBoxLayout>

#include "kit/focus_ring.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kit_symbols.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_select.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "pages/page_parts.h"
#include "pages/page_widgets.h"
#include "profile/browsing_profile.h"
#include "profile/profile_values.h"

namespace {

constexpr int kRowSpacing = 16;
constexpr int kTrashSide = 13 + 16;
constexpr double kHoverFill = 0.065;
constexpr double kPressFill = 0.12;

QFont titleFont() { return KitFonts::system(13); }
QFont smallFont() { return KitFonts::system(11); }


// The assistive-technology view of the list: the rows as its children.
class HistoryListAccessible : public QAccessibleWidget {
public:
  explicit HistoryListAccessible(HistoryList* list) : QAccessibleWidget(list, QAccessible::List) {}

  int childCount() const override { return int(list()->entries().size()); }
  QAccessibleInterface* child(int index) const override { return list()->accessibleRow(index); }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (qsizetype row = 0; row < list()->entries().size(); ++row) {
      if (list()->accessibleRow(row) == child) return int(row);
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint point = list()->mapFromGlobal(QPoint(x, y));
    if (!list()->rect().contains(point)) return nullptr;
    return list()->accessibleRow(point.y() / list()->rowHeight());
  }
  QAccessibleInterface* focusChild() const override {
    return list()->hasFocus() ? list()->accessibleRow(list()->currentRow()) : nullptr;
  }

private:
  HistoryList* list() const { return static_cast<HistoryList*>(widget()); }
};

// One row for assistive tools: a list item named after the visit, with the
// two actions of the row.
class HistoryRowAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
  static QString deleteAction() { return QStringLiteral("Delete"); }

  HistoryRowAccessible(HistoryList* list, qsizetype row) : m_list(list), m_row(row) {}

  bool isValid() const override { return m_list && m_row < m_list->entries().size(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return m_list ? m_list->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_list.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessible::Role role() const override { return QAccessible::ListItem; }

  QString text(QAccessible::Text kind) const override {
    if (!isValid()) return {};
    const HistoryEntry& entry = m_list->entries().at(m_row);
    switch (kind) {
      case QAccessible::Name:
        return entry.title.isEmpty() ? entry.address : entry.title;
      case QAccessible::Description:
        return entry.address + QStringLiteral(" · ") + HistoryList::visitTime(entry.visitedAt);
      default:
        return {};
    }
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    if (!isValid()) return {};
    const QRect row(0, int(m_row) * m_list->rowHeight(), m_list->width(), m_list->rowHeight() - 1);
    return QRect(m_list->mapToGlobal(row.topLeft()), row.size());
  }

  QAccessible::State state() const override {
    QAccessible::State state;
    if (!isValid()) {
      state.invalid = true;
      return state;
    }
    state.focusable = true;
    state.selectable = true;
    const bool current = m_list->currentRow() == m_row;
    state.selected = current;
    state.focused = current && m_list->hasFocus();
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
  }

  QStringList actionNames() const override { return {pressAction(), deleteAction()}; }
  QString localizedActionName(const QString& name) const override {
    if (name == pressAction()) return QStringLiteral("Aç");
    if (name == deleteAction()) return QStringLiteral("Sil");
    return {};
  }
  QString localizedActionDescription(const QString& name) const override {
    if (name == pressAction()) return QStringLiteral("Bu ziyareti aynı sekmede aç");
    if (name == deleteAction()) return QStringLiteral("Bu ziyareti geçmişten sil");
    return {};
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == pressAction()) return {QStringLiteral("Return")};
    if (name == deleteAction()) return {QStringLiteral("Delete")};
    return {};
  }
  void doAction(const QString& name) override {
    if (!isValid()) return;
    if (name == pressAction()) m_list->trigger(m_row, HistoryList::Part::Open);
    else if (name == deleteAction()) m_list->trigger(m_row, HistoryList::Part::Trash);
  }

private:
  QPointer<HistoryList> m_list;
  qsizetype m_row;
};

QAccessibleInterface* historyListFactory(const QString&, QObject* object) {
  if (auto* list = qobject_cast<HistoryList*>(object)) return new HistoryListAccessible(list);
  return nullptr;
}

}  // namespace

HistoryList::HistoryList(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent)
    : QWidget(parent), m_theme(PreferencesTheme::of(preferences)) {
  static const bool factoryInstalled = [] {
    QAccessible::installFactory(historyListFactory);
    return true;
  }();
  Q_UNUSED(factoryInstalled);
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  // Tab reaches the list as it reaches the kit's buttons; the list draws the
  // ring on its current part itself.
  setFocusPolicy(Qt::TabFocus);
  m_ring = new FocusRing(this, m_theme);
  setAccessibleName(QStringLiteral("Ziyaretler"));
}

HistoryList::~HistoryList() { forgetAccessibleRows(); }

void HistoryList::setEntries(const QList<HistoryEntry>& entries) {
  m_entries = entries;
  m_hovered = {};
  m_pressed = {};
  // The keyboard keeps its place: after a deletion the next row is current.
  if (m_entries.isEmpty()) m_current = {};
  else if (m_current.row >= 0) m_current.row = std::min(m_current.row, m_entries.size() - 1);
  forgetAccessibleRows();
  if (QAccessible::isActive()) {
    QAccessibleEvent reordered(this, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&reordered);
  }
  setFixedHeight(sizeHint().height());
  updateGeometry();
  update();
}

int HistoryList::rowHeight() const {
  const int lines = QFontMetrics(titleFont()).height() + 5 + QFontMetrics(smallFont()).height();
  return kPadding * 2 + std::max(lines, kTrashSide) + 1;
}

QSize HistoryList::sizeHint() const { return QSize(400, int(m_entries.size()) * rowHeight()); }

QRect HistoryList::trashRect(qsizetype index) const {
  const int top = int(index) * rowHeight();
  return QRect(width() - kPadding - kTrashSide, top + (rowHeight() - 1 - kTrashSide) / 2, kTrashSide, kTrashSide);
}

QRect HistoryList::openRect(qsizetype index) const {
  const int top = int(index) * rowHeight();
  const int left = kPadding + 16 + kRowSpacing;
  const QString time = visitTime(m_entries.at(index).visitedAt);
  const int timeWidth = QFontMetrics(smallFont()).horizontalAdvance(time);
  const int right = trashRect(index).left() - kRowSpacing - timeWidth - kRowSpacing;
  return QRect(left, top + kPadding, std::max(0, right - left), rowHeight() - 1 - 2 * kPadding);
}

QRect HistoryList::partRect(const Target& target) const {
  return target.part == Part::Trash ? trashRect(target.row) : openRect(target.row).adjusted(-6, -4, 6, 4);
}

QString HistoryList::visitTime(double visitedAt) {
  static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
  const QDateTime local = reference.addMSecs(qint64(visitedAt * 1000.0)).toLocalTime();
  const QLocale locale;
  // Hours and minutes only, with the locale's AM/PM marker where it uses one.
  const bool twelveHour = locale.timeFormat(QLocale::ShortFormat).contains(QLatin1String("ap"), Qt::CaseInsensitive);
  return locale.toString(local.date(), QStringLiteral("d MMM")) + QLatin1Char(' ') +
         locale.toString(local.time(), twelveHour ? QStringLiteral("h:mm AP") : QStringLiteral("HH:mm"));
}

HistoryList::Target HistoryList::targetAt(const QPoint& point) const {
  if (m_entries.isEmpty() || point.y() < 0) return {};
  const qsizetype row = point.y() / rowHeight();
  if (row >= m_entries.size()) return {};
  if (trashRect(row).contains(point)) return {row, Part::Trash};
  if (openRect(row).contains(point)) return {row, Part::Open};
  return {};
}

void HistoryList::setHovered(const Target& target) {
  if (target == m_hovered) return;
  m_hovered = target;
  setCursor(target.row >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
  update();
}

void HistoryList::setCurrent(qsizetype row, Part part) {
  if (m_entries.isEmpty()) return;
  const Target target{std::clamp<qsizetype>(row, 0, m_entries.size() - 1), part};
  const bool moved = !(target == m_current);
  m_current = target;
  scrollToCurrent();
  update();
  if (moved && hasFocus() && QAccessible::isActive()) {
    QAccessibleEvent focused(accessibleRow(m_current.row), QAccessible::Focus);
    QAccessible::updateAccessibility(&focused);
  }
}

void HistoryList::trigger(qsizetype row, Part part) {
  if (row < 0 || row >= m_entries.size()) return;
  const HistoryEntry entry = m_entries.at(row);
  // The signal may replace this page, so nothing of it is touched after.
  if (part == Part::Trash) {
    Q_EMIT removeRequested(entry.id);
  } else {
    Q_EMIT openRequested(entry.address);
  }
}

bool HistoryList::showsFocusRing() const { return m_current.row >= 0 && m_ring->isVisible(); }

QAccessibleInterface* HistoryList::accessibleRow(qsizetype index) const {
  if (index < 0 || index >= m_entries.size()) return nullptr;
  const auto found = m_accessibleRows.constFind(index);
  if (found != m_accessibleRows.constEnd()) return QAccessible::accessibleInterface(*found);
  auto* row = new HistoryRowAccessible(const_cast<HistoryList*>(this), index);
  m_accessibleRows.insert(index, QAccessible::registerAccessibleInterface(row));
  return row;
}

void HistoryList::forgetAccessibleRows() {
  for (const QAccessible::Id id : std::as_const(m_accessibleRows)) QAccessible::deleteAccessibleInterface(id);
  m_accessibleRows.clear();
}

int HistoryList::rowsPerPage() const {
  // The page scrolls the list; its visible height is the viewport's.
  int visible = height();
  for (QWidget* ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
    if (auto* area = qobject_cast<QScrollArea*>(ancestor)) {
      visible = area->viewport()->height();
      break;
    }
  }
  return std::max(1, visible / rowHeight() - 1);
}

void HistoryList::scrollToCurrent() {
  if (m_current.row < 0) return;
  const QRect part = partRect(m_current);
  for (QWidget* ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
    auto* area = qobject_cast<QScrollArea*>(ancestor);
    if (!area || !area->widget()) continue;
    // The whole row, with a little of its neighbours, comes into view.
    const QPoint centre = mapTo(area->widget(), QPoint(part.center().x(), int(m_current.row) * rowHeight() +
                                                                             rowHeight() / 2));
    area->ensureVisible(centre.x(), centre.y(), 0, rowHeight() / 2 + kPadding);
    return;
  }
}

void HistoryList::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const PaletteColors& colors = Palette::colors(m_theme.get());
  QPainterPath surface;
  surface.addRoundedRect(QRectF(rect()), 12, 12);
  painter.fillPath(surface, colors.surface);
  if (m_entries.isEmpty()) return;
  painter.setClipPath(surface);
  const int height = rowHeight();
  const qsizetype first = std::max(0, event->rect().top() / height);
  const qsizetype last = std::min<qsizetype>(m_entries.size() - 1, event->rect().bottom() / height);
  const QFontMetrics titleMetrics(titleFont());
  const QFontMetrics smallMetrics(smallFont());
  for (qsizetype index = first; index <= last; ++index) {
    const HistoryEntry& entry = m_entries.at(index);
    const int top = int(index) * height;
    const int middle = top + (height - 1) / 2;
    // Feedback behind the hovered or pressed part.
    if (m_hovered.row == index) {
      const double fill = m_pressed == m_hovered ? kPressFill : kHoverFill;
      QPainterPath shape;
      shape.addRoundedRect(QRectF(partRect(m_hovered)), 6, 6);
      painter.fillPath(shape, Palette::withOpacity(colors.primary, fill));
    }
    KitSymbols::paint(painter, QStringLiteral("globe"), QRectF(kPadding, middle - 8, 16, 16), colors.muted);
    const QRect open = openRect(index);
    const QString title = entry.title.isEmpty() ? entry.address : entry.title;
    painter.setFont(titleFont());
    painter.setPen(colors.ink);
    const int titleTop = middle - (titleMetrics.height() + 5 + smallMetrics.height()) / 2;
    painter.drawText(QRect(open.left(), titleTop, open.width(), titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(title, Qt::ElideRight, open.width()));
    painter.setFont(smallFont());
    painter.setPen(colors.muted);
    painter.drawText(QRect(open.left(), titleTop + titleMetrics.height() + 5, open.width(), smallMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, smallMetrics.elidedText(entry.address, Qt::ElideRight, open.width()));
    const QRect trash = trashRect(index);
    const QString time = visitTime(entry.visitedAt);
    const int timeWidth = smallMetrics.horizontalAdvance(time);
    painter.drawText(QRect(trash.left() - kRowSpacing - timeWidth, top, timeWidth, height - 1), Qt::AlignVCenter, time);
    KitSymbols::paint(painter, QStringLiteral("trash"), QRectF(trash).adjusted(8, 8, -8, -8), colors.ink);
    painter.fillRect(QRect(0, top + height - 1, width(), 1), colors.line);
    // The keyboard's ring just outside the part's feedback.
    if (index == m_current.row && showsFocusRing())
      FocusRing::paint(painter, QRectF(partRect(m_current)).adjusted(-3, -3, 3, 3), 9, m_theme.get());
  }
}

void HistoryList::mouseMoveEvent(QMouseEvent* event) { setHovered(targetAt(event->position().toPoint())); }

void HistoryList::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  m_pressed = targetAt(event->position().toPoint());
  // The keyboard continues from the row the pointer used.
  if (m_pressed.row >= 0) m_current = m_pressed;
  update();
}

void HistoryList::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const Target pressed = m_pressed;
  m_pressed = {};
  update();
  if (pressed.row < 0 || !(targetAt(event->position().toPoint()) == pressed)) return;
  trigger(pressed.row, pressed.part);
}

void HistoryList::leaveEvent(QEvent* event) {
  setHovered({});
  QWidget::leaveEvent(event);
}

void HistoryList::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (!plain || m_entries.isEmpty() || m_current.row < 0) {
    QWidget::keyPressEvent(event);
    return;
  }
  const qsizetype row = m_current.row;
  switch (event->key()) {
    case Qt::Key_Up:
      setCurrent(row - 1, m_current.part);
      break;
    case Qt::Key_Down:
      setCurrent(row + 1, m_current.part);
      break;
    case Qt::Key_PageUp:
      setCurrent(row - rowsPerPage(), m_current.part);
      break;
    case Qt::Key_PageDown:
      setCurrent(row + rowsPerPage(), m_current.part);
      break;
    case Qt::Key_Home:
      setCurrent(0, m_current.part);
      break;
    case Qt::Key_End:
      setCurrent(m_entries.size() - 1, m_current.part);
      break;
    case Qt::Key_Left:
      setCurrent(row, Part::Open);
      break;
    case Qt::Key_Right:
      setCurrent(row, Part::Trash);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      event->accept();
      if (!event->isAutoRepeat()) trigger(row, m_current.part);
      return;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
      event->accept();
      if (!event->isAutoRepeat()) trigger(row, Part::Trash);
      return;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void HistoryList::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  // Entering the list starts at its first row, or where the keyboard was.
  if (!m_entries.isEmpty()) setCurrent(std::max<qsizetype>(m_current.row, 0), m_current.part);
}

void HistoryList::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

bool HistoryList::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const Target target = targetAt(help->pos());
    if (target.row >= 0 && target.part == Part::Trash) {
      QToolTip::showText(help->globalPos(), QStringLiteral("Bu ziyareti geçmişten sil"), this, trashRect(target.row));
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

const QList<HistoryView::Period>& HistoryView::periods() {
  static const QList<Period> table{{0, QStringLiteral("Tüm zamanlar")},
                                   {1, QStringLiteral("Son saat")},
                                   {24, QStringLiteral("Son 24 saat")},
                                   {168, QStringLiteral("Son 7 gün")}};
  return table;
}

QString HistoryView::periodLabel(int hours) {
  for (const Period& period : periods()) {
    if (period.hours == hours) return period.label;
  }
  return QStringLiteral("Tüm zamanlar");
}

QList<HistoryEntry> HistoryView::matches(const QList<HistoryEntry>& entries, const QString& query) {
  if (query.isEmpty()) return entries;
  QList<HistoryEntry> kept;
  for (const HistoryEntry& entry : entries) {
    if (PageParts::containsFolded(entry.title + QLatin1Char(' ') + entry.address, query)) kept.append(entry);
  }
  return kept;
}

HistoryView::HistoryView(BrowserModel& model, HistoryStore& store, QWidget* parent)
    : QWidget(parent),
      m_model(&model),
      m_store(&store),
      m_preferences(model.preferences()),
      m_theme(PreferencesTheme::of(m_preferences)) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  QVBoxLayout* column = nullptr;
  outer->addWidget(PageLayout::scrollingColumn(this, m_theme, 980, 36, 24, &column));

  // Title and note.
  column->addWidget(PageParts::title(QStringLiteral("Geçmiş"), QStringLiteral("clock.arrow.circlepath"),
                                     m_preferences));
  m_note = model.isPrivate()
               ? QStringLiteral("Gizli pencere ziyaretleri geçmişe kaydedilmez.")
               : QStringLiteral("Ziyaretlerin yalnızca bu cihazda saklanır. En son 5.000 ziyaret gösterilir.");
  auto* note = new KitLabel(m_note, KitFonts::system(13), KitLabel::Tone::Muted, m_theme);
  note->setWordWrap(true);
  column->addWidget(note);
  if (model.isPrivate()) {
    column->addStretch(1);
    return;
  }

  // The control row.
  auto* controls = new QHBoxLayout;
  m_search = PageParts::searchField(QStringLiteral("Başlık veya adreste ara"), m_preferences);
  controls->addWidget(m_search, 1);
  controls->addWidget(new KitLabel(QStringLiteral("Dönem"), KitFonts::system(12), KitLabel::Tone::Muted,
                                   m_theme));
  QList<KivoSelectOption> options;
  for (const Period& period : periods()) options.append({period.hours, period.label});
  m_select = new KivoSelect(QStringLiteral("Geçmiş dönemi"), options, 0, m_theme);
  m_select->setFixedWidth(170);
  controls->addWidget(m_select);
  m_clear = new KivoActionButton(QStringLiteral("Geçmişi sil"), KivoActionStyle{}, m_theme);
  controls->addWidget(m_clear);
  column->addLayout(controls);

  // The error line, the empty state and the list.
  m_error = PageParts::errorLine(m_theme);
  column->addWidget(m_error);
  // A file that could not be read was moved aside at the start; the list
  // holds only this session's visits, and the page says where the file went.
  m_keptAsideLine = PageParts::errorLine(m_theme);
  PageParts::setLine(m_keptAsideLine, PageParts::keptAsideNotice(QStringLiteral("Geçmiş dosyası"), store.keptAside()));
  column->addWidget(m_keptAsideLine);
  m_empty = PageParts::emptyState(QStringLiteral("Kayıt bulunamadı"), QStringLiteral("clock"), m_preferences);
  column->addWidget(m_empty);
  m_list = new HistoryList(m_preferences);
  column->addWidget(m_list);
  column->addStretch(1);

  connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) {
    m_query = text;
    refresh();
  });
  connect(m_select, &KivoSelect::selectionChanged, this, [this](qint64 value) { m_period = int(value); });
  connect(m_clear, &QAbstractButton::clicked, this, [this] {
    if (m_model) HistoryClearing::ask(*m_model, m_period, periodLabel(m_period));
  });
  connect(m_list, &HistoryList::openRequested, this, [this](const QString& address) {
    if (m_model) m_model->navigate(address);
  });
  connect(m_list, &HistoryList::removeRequested, this, [this](const QUuid& id) {
    if (m_store) m_store->remove(id);
  });
  connect(&store, &HistoryStore::entriesChanged, this, &HistoryView::refresh);
  connect(&store, &HistoryStore::persistenceErrorChanged, this, &HistoryView::refresh);
  const auto repaint = [this] { PageLayout::repaintTree(this); };
  connect(m_preferences.get(), &BrowserPreferences::appearanceChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::previewAppearanceChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::accentHexChanged, this, repaint);
  refresh();
}

void HistoryView::refresh() {
  if (!m_store || !m_list) return;
  const QList<HistoryEntry> shown = matches(m_store->entries(), m_query);
  PageParts::setLine(m_error, m_store->persistenceError());
  m_empty->setVisible(shown.isEmpty());
  m_list->setEntries(shown);
}

void HistoryView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Palette::colors(m_theme.get()).background);
}

namespace HistoryClearing {

QString message(const QString& title) {
  return title + QStringLiteral(
                     " dönemindeki ziyaret kayıtları ve bunlardan oluşan başlangıç kısayolları kaldırılacak. "
                     "Bu işlem geri alınamaz.");
}

QString detail(int hours) {
  if (hours != 0) return QStringLiteral("Diğer dönemlerdeki ziyaretler ve açık sayfalar korunur.");
  return QStringLiteral(
      "Geri/ileri ve kapatılan sekme listeleri de temizlenir. Açık sayfalar kapanmaz; indirilen dosyalar silinmez.");
}

void ask(BrowserModel& model, int hours, const QString& title) {
  QWidget* window = model.browserWindow() ? model.browserWindow()->dialogParent() : nullptr;
  QPointer<BrowserModel> target(&model);
  auto action = [target, hours] {
    if (!target) return;
    if (hours != 0) {
      double since = ProfileValues::now() - double(hours) * 3600.0;
      target->profile()->history().clear(since);
    } else {
      target->clearHistory();
    }
  };
  KivoDialog::show(window, PreferencesTheme::of(model.preferences()), QStringLiteral("Geçmiş silinsin mi?"),
                   message(title), detail(hours), QStringLiteral("Geçmişi sil"), true, QStringLiteral("Vazgeç"),
                   action);
}

}  // namespace HistoryClearing
