#include "pages/history_view.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QToolTip>
#include <QVBoxLayout>

#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_select.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "pages/page_parts.h"
#include "pages/page_symbols.h"
#include "pages/page_widgets.h"

namespace {

constexpr int kRowSpacing = 16;
constexpr int kTrashSide = 13 + 16;
constexpr double kHoverFill = 0.065;
constexpr double kPressFill = 0.12;

QFont titleFont() { return KitFonts::system(13); }
QFont smallFont() { return KitFonts::system(11); }

}  // namespace

HistoryList::HistoryList(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent)
    : QWidget(parent), m_theme(PreferencesTheme::of(preferences)) {
  setMouseTracking(true);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HistoryList::setEntries(const QList<HistoryEntry>& entries) {
  m_entries = entries;
  m_hovered = {};
  m_pressed = {};
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
  if (trashRect(row).contains(point)) return {row, 1};
  if (openRect(row).contains(point)) return {row, 0};
  return {};
}

void HistoryList::setHovered(const Target& target) {
  if (target == m_hovered) return;
  m_hovered = target;
  setCursor(target.row >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
  update();
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
      const QRect part = m_hovered.part == 1 ? trashRect(index) : openRect(index).adjusted(-6, -4, 6, 4);
      QPainterPath shape;
      shape.addRoundedRect(QRectF(part), 6, 6);
      painter.fillPath(shape, Palette::withOpacity(colors.primary, fill));
    }
    PageSymbols::paint(painter, QStringLiteral("globe"), QRectF(kPadding, middle - 8, 16, 16), colors.muted);
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
    PageSymbols::paint(painter, QStringLiteral("trash"), QRectF(trash).adjusted(8, 8, -8, -8), colors.ink);
    painter.fillRect(QRect(0, top + height - 1, width(), 1), colors.line);
  }
}

void HistoryList::mouseMoveEvent(QMouseEvent* event) { setHovered(targetAt(event->position().toPoint())); }

void HistoryList::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  m_pressed = targetAt(event->position().toPoint());
  update();
}

void HistoryList::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const Target pressed = m_pressed;
  m_pressed = {};
  update();
  if (pressed.row < 0 || !(targetAt(event->position().toPoint()) == pressed)) return;
  const HistoryEntry entry = m_entries.at(pressed.row);
  // The signal may replace this page, so nothing of it is touched after.
  if (pressed.part == 1) {
    Q_EMIT removeRequested(entry.id);
  } else {
    Q_EMIT openRequested(entry.address);
  }
}

void HistoryList::leaveEvent(QEvent* event) {
  setHovered({});
  QWidget::leaveEvent(event);
}

bool HistoryList::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const Target target = targetAt(help->pos());
    if (target.row >= 0 && target.part == 1) {
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

  // 3.1 The control row.
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

  // 3.2-3.4 The error line, the empty state and the list.
  m_error = new PageText({}, KitFonts::system(13), [this] { return PageLayout::red(m_theme.get()); });
  m_error->setWordWrap(true);
  column->addWidget(m_error);
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
    if (m_model) KivoDialog::clearHistory(*m_model, m_period, periodLabel(m_period));
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
  const std::optional<QString>& error = m_store->persistenceError();
  m_error->setText(error.value_or(QString()));
  m_error->setVisible(error.has_value());
  m_empty->setVisible(shown.isEmpty());
  m_list->setEntries(shown);
}

void HistoryView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Palette::colors(m_theme.get()).background);
}
