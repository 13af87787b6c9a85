#include "pages/console_pane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include "kit/kit_fonts.h"
#include "kit/kit_symbols.h"
#include "kit/kivo_button.h"
#include "kit/overlay_scroll_bar.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/devtools_divider.h"

namespace {

constexpr int kSideInset = 14;
constexpr int kToolbarHeight = 31;
constexpr int kSymbolSize = 13;

void setTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::Text, color);
  widget->setPalette(palette);
}

// The level's symbol, drawn at the height of one line of the message so that
// it stays beside the first line of a long message.
class LevelSymbol : public QWidget {
public:
  LevelSymbol(const QString& name, const QColor& color, int lineHeight, QWidget* parent)
      : QWidget(parent), m_name(name), m_color(color) {
    setFixedSize(kSymbolSize, lineHeight);
    setObjectName(name);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRectF box((width() - kSymbolSize) / 2.0, (height() - kSymbolSize) / 2.0, kSymbolSize, kSymbolSize);
    KitSymbols::paint(painter, m_name, box, m_color, KitSymbols::Set::DeveloperTools);
  }

private:
  QString m_name;
  QColor m_color;
};

}  // namespace

QColor ConsolePane::red(ColorScheme scheme) {
  return scheme == ColorScheme::Dark ? QColor(255, 69, 58) : QColor(255, 59, 48);
}

QColor ConsolePane::orange(ColorScheme scheme) {
  return scheme == ColorScheme::Dark ? QColor(255, 159, 10) : QColor(255, 149, 0);
}

QString ConsolePane::symbol(const QString& level) {
  if (level == QLatin1String("error")) return QStringLiteral("xmark.circle");
  if (level == QLatin1String("warning")) return QStringLiteral("exclamationmark.triangle");
  return QStringLiteral("info.circle");
}

QColor ConsolePane::color(const QString& level, ColorScheme scheme, const QColor& accent) {
  if (level == QLatin1String("error")) return red(scheme);
  if (level == QLatin1String("warning")) return orange(scheme);
  return accent;
}

ConsolePane::ConsolePane(BrowserModel* model, QWidget* parent) : QWidget(parent), m_model(model) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // 1. The toolbar.
  auto* toolbar = new QWidget(this);
  toolbar->setFixedHeight(kToolbarHeight);
  auto* row = new QHBoxLayout(toolbar);
  row->setContentsMargins(kSideInset, 0, kSideInset, 0);
  m_clear = new KivoButton(PreferencesTheme::of(model->preferences()), toolbar);
  m_clear->setText(QStringLiteral("Temizle"));
  m_clear->setSymbol(QStringLiteral("trash"), 10);
  m_clear->setLabelFont(KitFonts::system(10));
  m_clear->setPadding(QMargins(5, 3, 5, 3));
  m_clear->setToolTip(QStringLiteral("Temizle"));
  connect(m_clear, &KivoButton::clicked, this, [this] { m_model->clearConsole(); });
  m_note = new QLabel(QStringLiteral("Motor tanıları · JavaScript çalıştırma henüz yok"), toolbar);
  m_note->setFont(KitFonts::system(10));
  row->addWidget(m_clear);
  row->addStretch(1);
  row->addWidget(m_note);
  column->addWidget(toolbar);

  // 2. The divider.
  column->addWidget(new DevToolsDivider(model->preferences(), 1.0, this));

  // 3. The entries.
  m_scroll = new QScrollArea(this);
  // Not a Tab stop: it would show nothing; its rows and texts are what the
  // keyboard reaches.
  m_scroll->setFocusPolicy(Qt::NoFocus);
  m_scroll->setFrameShape(QFrame::NoFrame);
  m_scroll->setWidgetResizable(true);
  m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_scroll->viewport()->setAutoFillBackground(false);
  column->addWidget(m_scroll, 1);
  new OverlayScrollBars(m_scroll, PreferencesTheme::of(model->preferences()));
}

void ConsolePane::refresh() {
  const KitTheme* theme = PreferencesTheme::of(m_model->preferences().get());
  const PaletteColors& colors = Palette::colors(theme);
  setTextColor(m_note, colors.muted);

  const BrowserTab& tab = m_model->tabs().at(m_model->selectedIndex());
  QList<QUuid> ids;
  ids.reserve(tab.console.size());
  for (const ConsoleEntry& entry : tab.console) ids.append(entry.id);
  const QRgb accent = Palette::accent(theme).rgba();
  if (m_built && ids == m_shownIDs && m_builtInk == colors.ink.rgba() && m_builtMuted == colors.muted.rgba() &&
      m_builtAccent == accent) {
    return;
  }
  m_built = true;
  m_shownIDs = ids;
  m_builtInk = colors.ink.rgba();
  m_builtMuted = colors.muted.rgba();
  m_builtAccent = accent;
  rebuild(tab.console);
}

void ConsolePane::rebuild(const QList<ConsoleEntry>& entries) {
  const KitTheme* theme = PreferencesTheme::of(m_model->preferences().get());
  const PaletteColors& colors = Palette::colors(theme);
  const ColorScheme scheme = Palette::scheme(theme);
  const QColor accent = Palette::accent(theme);
  const QFont messageFont = KitFonts::monospaced(11);
  const int lineHeight = QFontMetrics(messageFont).height();

  m_messages.clear();
  m_rows.clear();
  m_empty = nullptr;
  auto* content = new QWidget;
  content->setAutoFillBackground(false);
  auto* list = new QVBoxLayout(content);
  list->setContentsMargins(0, 0, 0, 0);
  list->setSpacing(0);

  if (entries.isEmpty()) {
    m_empty = new QLabel(QStringLiteral("Bu sekmede kayıtlı hata veya uyarı yok."), content);
    m_empty->setFont(messageFont);
    m_empty->setContentsMargins(14, 14, 14, 14);
    setTextColor(m_empty, colors.muted);
    list->addWidget(m_empty);
  }
  for (const ConsoleEntry& entry : entries) {
    auto* rowWidget = new QWidget(content);
    auto* row = new QHBoxLayout(rowWidget);
    row->setContentsMargins(kSideInset, 9, kSideInset, 9);
    row->setSpacing(10);
    row->addWidget(new LevelSymbol(symbol(entry.level), color(entry.level, scheme, accent), lineHeight, rowWidget), 0,
                   Qt::AlignTop);
    auto* message = new QLabel(rowWidget);
    message->setTextFormat(Qt::PlainText);
    message->setText(entry.message);
    message->setFont(messageFont);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    message->setCursor(Qt::IBeamCursor);
    message->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // The label fills the row without a layout alignment, so that the layout
    // asks it for its height at the row's real width and a short message
    // stays one line high.
    message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextColor(message, colors.ink);
    row->addWidget(message, 1);
    list->addWidget(rowWidget);
    m_rows.append(rowWidget);
    list->addWidget(new DevToolsDivider(m_model->preferences(), 0.4, content));
    m_messages.append(entry.message);
  }
  list->addStretch(1);
  m_scroll->setWidget(content);
}

QStringList ConsolePane::messages() const {
  return m_messages;
}
