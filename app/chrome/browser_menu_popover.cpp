#include "chrome/browser_menu_popover.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "model/browser_command.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kit_symbols.h"
#include "kit/kivo_button.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "model/builtin_pages.h"
#include "pages/page_widgets.h"

namespace {

constexpr int kTabsPitch = 56;
constexpr int kMainPitch = 40;
constexpr int kRowSpacing = 3;
constexpr int kListPadding = 8;
constexpr double kRowRadius = 7;
constexpr double kSymbolFrame = 18;
constexpr double kSymbolPoints = 13;
constexpr double kLabelSpacing = 11;
constexpr double kCheckmarkPoints = 10;
constexpr double kMinimumGap = 8;

// The commands of the main menu, in their order.
const QList<BrowserCommand>& mainCommands() {
  static const QList<BrowserCommand> commands{
      BrowserCommand::NewTab,       BrowserCommand::NewWindow,    BrowserCommand::PrivateWindow,
      BrowserCommand::DetachTab,    BrowserCommand::ReopenTab,    BrowserCommand::History,
      BrowserCommand::Downloads,    BrowserCommand::SaveDownload, BrowserCommand::OpenFile,
      BrowserCommand::Reload,       BrowserCommand::HardReload,   BrowserCommand::Settings,
      BrowserCommand::DeveloperTools, BrowserCommand::FullScreen};
  return commands;
}

// One row: symbol, title with an optional subtitle, a checkmark for the
// current state and the shortcut text, over the accent highlight. A
// disabled row is drawn faded and ignores the pointer.
class PopoverRow : public KivoButton {
public:
  PopoverRow(BrowserMenu kind, std::shared_ptr<KitTheme> theme, std::function<bool(const PopoverRow*)> highlighted,
             std::function<void(const PopoverRow*)> hovered, QWidget* parent)
      : KivoButton(std::move(theme), parent), m_highlighted(std::move(highlighted)), m_hovered(std::move(hovered)) {
    const int vertical = kind == BrowserMenu::Tabs ? 10 : 11;
    setPadding(QMargins(10, vertical, 10, vertical));
    setFixedHeight((kind == BrowserMenu::Tabs ? kTabsPitch : kMainPitch) - kRowSpacing);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
  }

  void setEntry(const BrowserMenuPopover::Entry& entry) {
    m_entry = entry;
    setText(entry.title);
    setToolTip(entry.title);
    setAccessibleName(entry.title);
    setEnabled(entry.enabled);
    update();
  }
  const BrowserMenuPopover::Entry& entry() const { return m_entry; }

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override {
    const KitTheme* theme = this->theme().get();
    const PaletteColors& colors = Palette::colors(theme);
    const QColor accent = Palette::accent(theme);
    if (m_highlighted(this)) {
      QPainterPath background;
      background.addRoundedRect(QRectF(this->rect()), kRowRadius, kRowRadius);
      painter.fillPath(background, Palette::withOpacity(accent, 0.1));
    }
    painter.save();
    if (!m_entry.enabled) painter.setOpacity(painter.opacity() * BrowserMenuPopover::kDisabledOpacity);

    // The symbol, centred in its frame.
    const QRectF symbolRect(rect.left(), rect.center().y() - kSymbolPoints / 2, kSymbolFrame, kSymbolPoints);
    KitSymbols::paint(painter, m_entry.symbol, symbolRect, m_entry.selected ? accent : colors.muted);

    // The shortcut and the checkmark at the trailing end.
    double right = rect.right();
    if (!m_entry.shortcut.isEmpty()) {
      const QFont font = KitFonts::system(11);
      painter.setFont(font);
      painter.setPen(colors.muted);
      const double width = QFontMetricsF(font).horizontalAdvance(m_entry.shortcut);
      painter.drawText(QRectF(right - width - 1, rect.top(), width + 1, rect.height()),
                       Qt::AlignRight | Qt::AlignVCenter, m_entry.shortcut);
      right -= width + kLabelSpacing;
    }
    if (m_entry.selected) {
      const QRectF check(right - kCheckmarkPoints, rect.center().y() - kCheckmarkPoints / 2, kCheckmarkPoints,
                         kCheckmarkPoints);
      KitSymbols::paint(painter, QStringLiteral("checkmark"), check, accent);
      right -= kCheckmarkPoints + kLabelSpacing;
    }

    // The title and the subtitle, stacked and centred.
    const double left = rect.left() + kSymbolFrame + kLabelSpacing;
    const double width = std::max(0.0, right - kMinimumGap - left);
    const QFont titleFont = KitFonts::system(12);
    const QFont subtitleFont = KitFonts::system(10);
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF subtitleMetrics(subtitleFont);
    double height = titleMetrics.height();
    if (m_entry.subtitle) height += 4 + subtitleMetrics.height();
    double y = rect.center().y() - height / 2;
    painter.setFont(titleFont);
    painter.setPen(colors.ink);
    painter.drawText(QRectF(left, y, width, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(m_entry.title, Qt::ElideRight, width));
    if (m_entry.subtitle) {
      y += titleMetrics.height() + 4;
      painter.setFont(subtitleFont);
      painter.setPen(colors.muted);
      painter.drawText(QRectF(left, y, width, subtitleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                       subtitleMetrics.elidedText(*m_entry.subtitle, Qt::ElideRight, width));
    }
    painter.restore();
  }

  void enterEvent(QEnterEvent* event) override {
    if (m_entry.enabled) m_hovered(this);
    KivoButton::enterEvent(event);
  }

private:
  BrowserMenuPopover::Entry m_entry;
  std::function<bool(const PopoverRow*)> m_highlighted;
  std::function<void(const PopoverRow*)> m_hovered;
};

// A horizontal rule inset by 12 on both sides.
QWidget* insetDivider(const std::shared_ptr<BrowserPreferences>& preferences) {
  auto* holder = new QWidget;
  auto* layout = new QHBoxLayout(holder);
  layout->setContentsMargins(12, 0, 12, 0);
  layout->addWidget(new PageDivider(preferences));
  return holder;
}

}  // namespace

BrowserMenuPopover::BrowserMenuPopover(BrowserModel& model, BrowserMenu kind, QWidget* parent)
    : QWidget(parent), m_model(model), m_kind(kind), m_theme(PreferencesTheme::of(model.preferences())) {
  setObjectName(kind == BrowserMenu::Tabs ? QStringLiteral("kivoTabsMenu") : QStringLiteral("kivoMainMenu"));
  setFixedWidth(kWidth);
  setAttribute(Qt::WA_TranslucentBackground);
  // The menu takes the keyboard as a whole; its rows never take focus.
  setFocusPolicy(Qt::StrongFocus);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto theme = m_theme;
  const auto muted = [theme] { return Palette::colors(theme.get()).muted; };

  // The header: icon, title, and the note at the trailing end.
  m_header = new QWidget;
  auto* header = new QHBoxLayout(m_header);
  header->setContentsMargins(16, 16, 16, 16);
  header->setSpacing(10);
  const bool tabs = kind == BrowserMenu::Tabs;
  header->addWidget(new PageSymbol(tabs ? QStringLiteral("square.on.square") : QStringLiteral("circle.lefthalf.filled"),
                                   13, [theme] { return Palette::accent(theme.get()); }),
                    0, Qt::AlignVCenter);
  header->addWidget(new KitLabel(tabs ? QStringLiteral("Açık sekmeler") : QStringLiteral("Kivo"),
                                 KitFonts::system(13, QFont::DemiBold), KitLabel::Tone::Ink, m_theme),
                    0, Qt::AlignVCenter);
  header->addStretch(1);
  auto* note = new KitLabel(QString(), KitFonts::system(11), KitLabel::Tone::Muted, m_theme);
  note->setObjectName(QStringLiteral("kivoMenuNote"));
  header->addWidget(note, 0, Qt::AlignVCenter);
  column->addWidget(m_header);
  column->addWidget(insetDivider(model.preferences()));

  // The rows in a scrolling list.
  m_scroll = new QScrollArea;
  m_scroll->setFrameShape(QFrame::NoFrame);
  m_scroll->setWidgetResizable(true);
  m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_scroll->setFocusPolicy(Qt::NoFocus);
  m_scroll->viewport()->setAutoFillBackground(false);
  auto* rows = new QWidget;
  m_rowsLayout = new QVBoxLayout(rows);
  m_rowsLayout->setContentsMargins(kListPadding, kListPadding, kListPadding, kListPadding);
  m_rowsLayout->setSpacing(kRowSpacing);
  m_rowsLayout->addStretch(1);
  m_scroll->setWidget(rows);
  // The scroll area fills its widget by default; the popup's card shows
  // through instead.
  rows->setAutoFillBackground(false);
  column->addWidget(m_scroll);
  column->addWidget(insetDivider(model.preferences()));

  // The footer with the keyboard hints.
  auto* footer = new QWidget;
  auto* footerLayout = new QHBoxLayout(footer);
  footerLayout->setContentsMargins(13, 13, 13, 13);
  footerLayout->addWidget(new PageText(QStringLiteral("↑ ↓ gezin"), KitFonts::system(10), muted));
  footerLayout->addStretch(1);
  footerLayout->addWidget(new PageText(QStringLiteral("↵ seç  ·  esc kapat"), KitFonts::system(10), muted));
  column->addWidget(footer);

  sync();

  // The first highlight: the current state's row, else the first enabled
  // row, else the first.
  const QList<Entry> list = entries();
  int initial = -1;
  for (int i = 0; i < list.size() && initial < 0; ++i) {
    if (list[i].enabled && list[i].selected) initial = i;
  }
  for (int i = 0; i < list.size() && initial < 0; ++i) {
    if (list[i].enabled) initial = i;
  }
  m_highlighted = std::max(initial, 0);

  // Every published change of the model re-reads the rows.
  for (auto signal : {&BrowserModel::tabsChanged, &BrowserModel::selectedIDChanged, &BrowserModel::closedTabsChanged,
                      &BrowserModel::devToolsVisibleChanged, &BrowserModel::addressDraftChanged}) {
    connect(&model, signal, this, &BrowserMenuPopover::sync);
  }
  styleScrollBar();
  connect(m_theme.get(), &KitTheme::schemeChanged, this, [this] {
    styleScrollBar();
    PageLayout::repaintTree(this);
  });
  connect(m_theme.get(), &KitTheme::accentChanged, this, [this] { PageLayout::repaintTree(this); });
}

BrowserMenuPopover::~BrowserMenuPopover() = default;

QList<BrowserMenuPopover::Entry> BrowserMenuPopover::entries() const {
  QList<Entry> list;
  BrowserModel* model = &m_model;
  if (m_kind == BrowserMenu::Tabs) {
    for (const BrowserTab& tab : m_model.tabs()) {
      const QString address = tab.address();
      const QUuid id = tab.id();
      list.append({id.toString(QUuid::WithoutBraces), tab.title, address,
                   address == BuiltinPages::kSettings ? QStringLiteral("gearshape") : QStringLiteral("globe"),
                   QString(), true, id == m_model.selectedID(), [model, id] { model->select(id); }});
    }
    return list;
  }
  for (BrowserCommand command : mainCommands()) {
    list.append({BrowserCommands::rawValue(command), BrowserCommands::title(command), std::nullopt,
                 BrowserCommands::symbol(command), BrowserCommands::shortcutText(command),
                 BrowserCommands::isEnabled(command, m_model),
                 command == BrowserCommand::DeveloperTools && m_model.devToolsVisible(),
                 [model, command] { BrowserCommands::perform(command, *model); }});
  }
  return list;
}

int BrowserMenuPopover::listHeight(BrowserMenu kind, qsizetype count) {
  const int pitch = kind == BrowserMenu::Tabs ? kTabsPitch : kMainPitch;
  return int(std::min<qsizetype>(pitch * count + 2 * kListPadding, kMaxListHeight));
}

void BrowserMenuPopover::sync() {
  const QList<Entry> list = entries();
  // Rows are kept by position; extra ones go after this event, because
  // this may run inside a row's own click.
  while (m_rows.size() > list.size()) {
    KivoButton* row = m_rows.takeLast();
    row->hide();
    row->deleteLater();
  }
  while (m_rows.size() < list.size()) {
    auto* row = new PopoverRow(
        m_kind, m_theme, [this](const PopoverRow* which) { return rowIndex(which) == m_highlighted; },
        [this](const PopoverRow* which) { hover(rowIndex(which)); }, nullptr);
    connect(row, &QAbstractButton::clicked, this, [this, row] { choose(rowIndex(row)); });
    m_rowsLayout->insertWidget(int(m_rows.size()), row);
    m_rows.append(row);
  }
  for (int i = 0; i < list.size(); ++i) static_cast<PopoverRow*>(m_rows[i])->setEntry(list[i]);
  if (auto* note = m_header->findChild<KitLabel*>(QStringLiteral("kivoMenuNote"))) {
    note->setPlainText(m_kind == BrowserMenu::Tabs ? QString::number(list.size()) + QStringLiteral(" sekme")
                                                   : QStringLiteral("Menü"));
  }
  m_scroll->setFixedHeight(listHeight(m_kind, list.size()));
}

void BrowserMenuPopover::setHighlighted(int index, bool scroll) {
  const bool changed = index != m_highlighted;
  m_highlighted = index;
  for (KivoButton* row : m_rows) row->update();
  // The least scroll that shows the row, without animation.
  if (changed && scroll && index >= 0 && index < m_rows.size()) m_scroll->ensureWidgetVisible(m_rows[index], 0, 0);
}

void BrowserMenuPopover::move(int step) {
  const QList<Entry> list = entries();
  const int count = int(list.size());
  if (count == 0) return;
  for (int k = 1; k <= count; ++k) {
    const int candidate = ((m_highlighted + step * k) % count + 2 * count) % count;
    if (list[candidate].enabled) {
      setHighlighted(candidate, true);
      return;
    }
  }
}

void BrowserMenuPopover::activate() {
  const QList<Entry> list = entries();
  if (m_highlighted < 0 || m_highlighted >= list.size() || !list[m_highlighted].enabled) return;
  run(list[m_highlighted]);
}

void BrowserMenuPopover::choose(int index) {
  const QList<Entry> list = entries();
  if (index < 0 || index >= list.size() || !list[index].enabled) return;
  run(list[index]);
}

void BrowserMenuPopover::hover(int index) {
  const QList<Entry> list = entries();
  if (index < 0 || index >= list.size() || !list[index].enabled) return;
  setHighlighted(index, true);
}

void BrowserMenuPopover::dismiss() { m_model.setOpenMenu(std::nullopt); }

void BrowserMenuPopover::run(const Entry& entry) {
  // The menu closes first; the action may then replace this very view, so
  // nothing of it is touched afterwards.
  const std::function<void()> action = entry.action;
  m_model.setOpenMenu(std::nullopt);
  if (action) action();
}

QList<KivoButton*> BrowserMenuPopover::rowButtons() const { return m_rows; }

void BrowserMenuPopover::styleScrollBar() {
  // A thin bar in the scheme's ink, the same on every desktop style.
  const QColor ink = Palette::colors(m_theme.get()).ink;
  const auto rgba = [&ink](double opacity) {
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(ink.red()).arg(ink.green()).arg(ink.blue()).arg(opacity);
  };
  m_scroll->verticalScrollBar()->setStyleSheet(
      QStringLiteral("QScrollBar:vertical { background: transparent; border: none; margin: 0; width: 10px; }"
                     "QScrollBar::handle:vertical { background: %1; border-radius: 3px; margin: 2px; min-height: 24px; }"
                     "QScrollBar::handle:vertical:hover { background: %2; }"
                     "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: none; }"
                     "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
          .arg(rgba(0.25), rgba(0.4)));
}

int BrowserMenuPopover::rowIndex(const QWidget* row) const {
  for (int i = 0; i < m_rows.size(); ++i) {
    if (m_rows[i] == row) return i;
  }
  return -1;
}

void BrowserMenuPopover::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Down:
      move(+1);
      break;
    case Qt::Key_Up:
      move(-1);
      break;
    case Qt::Key_Left:
    case Qt::Key_Right:
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      activate();
      break;
    case Qt::Key_Escape:
      dismiss();
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void BrowserMenuPopover::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  setFocus(Qt::PopupFocusReason);
}
