#include "pages/developer_tools_view.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "kit/kit_fonts.h"
#include "kit/kit_symbols.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/console_pane.h"
#include "pages/devtools_divider.h"
#include "pages/devtools_text.h"
#include "pages/elements_pane.h"
#include "pages/network_pane.h"

namespace {

constexpr int kHeaderSpacing = 20;
constexpr int kSymbolLeading = 14;
constexpr int kCloseSide = 30;

// A widget that fills itself with one palette colour chosen at paint time.
class FilledBar : public QWidget {
public:
  FilledBar(std::shared_ptr<KitTheme> theme, QWidget* parent) : QWidget(parent), m_theme(std::move(theme)) {}

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::colors(m_theme.get()).chrome);
  }

private:
  std::shared_ptr<KitTheme> m_theme;
};

// The header's leading symbol in the accent colour.
class HeaderSymbol : public QWidget {
public:
  HeaderSymbol(std::shared_ptr<KitTheme> theme, QWidget* parent) : QWidget(parent), m_theme(std::move(theme)) {
    setFixedSize(18, 15);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    KitSymbols::paint(painter, QStringLiteral("chevron.left.forwardslash.chevron.right"), QRectF(rect()),
                      Palette::accent(m_theme.get()), KitSymbols::Set::DeveloperTools);
  }

private:
  std::shared_ptr<KitTheme> m_theme;
};

}  // namespace

// ---------------------------------------------------------------------------
// DevToolsTabButton

DevToolsTabButton::DevToolsTabButton(InspectorTab tab, std::shared_ptr<BrowserPreferences> preferences,
                                     QWidget* parent)
    : KivoButton(PreferencesTheme::of(preferences), parent), m_tab(tab) {
  setText(InspectorTabs::rawValue(tab));
  setToolTip(text());
}

void DevToolsTabButton::setSelected(bool selected) {
  if (m_selected == selected) return;
  m_selected = selected;
  updateGeometry();
  update();
}

QFont DevToolsTabButton::labelFont() const {
  return KitFonts::system(11, m_selected ? QFont::DemiBold : QFont::Normal);
}

QSize DevToolsTabButton::labelSize() const {
  return QSize(QFontMetrics(labelFont()).horizontalAdvance(text()) + 1, kHeight);
}

void DevToolsTabButton::paintLabel(QPainter& painter, const QRectF& rect) {
  const KitTheme* theme = this->theme().get();
  const QColor color = m_selected ? Palette::accent(theme) : Palette::colors(theme).muted;
  painter.setFont(labelFont());
  painter.setPen(color);
  painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text());
  if (m_selected) painter.fillRect(QRectF(rect.left(), rect.bottom() - 2, rect.width(), 2), color);
}

// ---------------------------------------------------------------------------
// DeveloperToolsView

DeveloperToolsView::DeveloperToolsView(BrowserModel* model, QWidget* parent) : QWidget(parent), m_model(model) {
  auto* column = new QVBoxLayout(this);
  // The panel's first point is the hairline that separates it from the page.
  column->setContentsMargins(0, 1, 0, 0);
  column->setSpacing(0);

  // 1. The header bar.
  m_header = buildHeader();
  column->addWidget(m_header);
  // 2. The divider.
  column->addWidget(new DevToolsDivider(model->preferences(), 1.0, this));
  // 3. The chosen pane, filling the rest.
  m_panes = new QStackedWidget(this);
  m_elements = new ElementsPane(model, m_panes);
  m_console = new ConsolePane(model, m_panes);
  m_network = new NetworkPane(model, m_panes);
  m_panes->addWidget(m_elements);
  m_panes->addWidget(m_console);
  m_panes->addWidget(m_network);
  column->addWidget(m_panes, 1);

  connect(model, &BrowserModel::tabsChanged, this, &DeveloperToolsView::refresh);
  connect(model, &BrowserModel::selectedIDChanged, this, &DeveloperToolsView::refresh);
  connect(model, &BrowserModel::inspectorTabChanged, this, &DeveloperToolsView::refresh);
  if (const auto& preferences = model->preferences()) {
    BrowserPreferences* observed = preferences.get();
    connect(observed, &BrowserPreferences::appearanceChanged, this, &DeveloperToolsView::refresh);
    connect(observed, &BrowserPreferences::previewAppearanceChanged, this, &DeveloperToolsView::refresh);
    connect(observed, &BrowserPreferences::accentHexChanged, this, &DeveloperToolsView::refresh);
  }
  refresh();
}

QWidget* DeveloperToolsView::buildHeader() {
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(m_model->preferences());
  auto* header = new FilledBar(theme, this);
  auto* row = new QHBoxLayout(header);
  row->setContentsMargins(kSymbolLeading, 0, 0, 0);
  row->setSpacing(kHeaderSpacing);

  row->addWidget(new HeaderSymbol(theme, header), 0, Qt::AlignVCenter);
  for (const InspectorTab tab : InspectorTabs::all()) {
    auto* button = new DevToolsTabButton(tab, m_model->preferences(), header);
    connect(button, &KivoButton::clicked, this, [this, tab] { m_model->setInspectorTab(tab); });
    m_tabButtons.append(button);
    row->addWidget(button, 0, Qt::AlignVCenter);
  }
  row->addStretch(1);
  m_title = new QLabel(QStringLiteral("Kivo DevTools"), header);
  m_title->setFont(KitFonts::system(10));
  row->addWidget(m_title, 0, Qt::AlignVCenter);

  m_close = new KivoButton(theme, header);
  m_close->setSymbol(QStringLiteral("xmark"), 10);
  m_close->setFrameSize(QSize(kCloseSide, kCloseSide));
  m_close->setToolTip(QStringLiteral("Geliştirici araçlarını kapat"));
  m_close->setAccessibleName(QStringLiteral("Geliştirici araçlarını kapat"));
  connect(m_close, &KivoButton::clicked, this, [this] { m_model->setDevToolsVisible(false); });
  row->addWidget(m_close, 0, Qt::AlignVCenter);
  header->setFixedHeight(DevToolsTabButton::kHeight);
  return header;
}

QList<InspectedNode> DeveloperToolsView::visible(const QList<InspectedNode>& nodes) const {
  const BrowserTab& tab = m_model->tabs().at(m_model->selectedIndex());
  QList<InspectedNode> shown;
  for (const qsizetype index : DevToolsText::visibleRows(nodes, tab.collapsedInspectorNodes)) {
    shown.append(nodes.at(index));
  }
  return shown;
}

QWidget* DeveloperToolsView::currentPane() const {
  return m_panes->currentWidget();
}

void DeveloperToolsView::refresh() {
  const PaletteColors& colors = Palette::colors(PreferencesTheme::of(m_model->preferences().get()));
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, colors.surface);
  palette.setColor(QPalette::Base, colors.surface);
  palette.setColor(QPalette::WindowText, colors.ink);
  palette.setColor(QPalette::Text, colors.ink);
  palette.setColor(QPalette::ButtonText, colors.ink);
  // The scroll bars are drawn by the desktop style from these roles; mixing
  // them from the scheme keeps them quiet in dark mode as well as in light.
  const auto mix = [&](double opacity) {
    const QColor& over = colors.primary;
    const QColor& under = colors.surface;
    return QColor::fromRgbF(under.redF() + (over.redF() - under.redF()) * opacity,
                            under.greenF() + (over.greenF() - under.greenF()) * opacity,
                            under.blueF() + (over.blueF() - under.blueF()) * opacity);
  };
  palette.setColor(QPalette::Button, mix(0.08));
  palette.setColor(QPalette::Light, mix(0.04));
  palette.setColor(QPalette::Midlight, mix(0.06));
  palette.setColor(QPalette::Mid, mix(0.2));
  palette.setColor(QPalette::Dark, mix(0.3));
  palette.setColor(QPalette::Shadow, mix(0.4));
  if (palette != this->palette()) setPalette(palette);
  // Thin scroll bars in the scheme's colours, the same on every desktop style.
  const QString bars =
      QStringLiteral(
          "QScrollArea, QScrollArea > QWidget, QScrollArea > QWidget > QWidget { background: transparent; }"
          "QScrollBar { background: transparent; border: none; margin: 0; }"
          "QScrollBar:vertical { width: 10px; } QScrollBar:horizontal { height: 10px; }"
          "QScrollBar::handle { background: %1; border-radius: 3px; margin: 2px; }"
          "QScrollBar::handle:hover { background: %2; }"
          "QScrollBar::handle:vertical { min-height: 24px; } QScrollBar::handle:horizontal { min-width: 24px; }"
          "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; background: none; }"
          "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
          .arg(mix(0.25).name(), mix(0.4).name());
  if (styleSheet() != bars) setStyleSheet(bars);
  QPalette titlePalette = m_title->palette();
  titlePalette.setColor(QPalette::WindowText, colors.muted);
  m_title->setPalette(titlePalette);

  const InspectorTab shown = m_model->inspectorTab();
  for (DevToolsTabButton* button : std::as_const(m_tabButtons)) button->setSelected(button->tab() == shown);

  // Only the pane on show reads the model; the others catch up when shown.
  switch (shown) {
    case InspectorTab::Elements:
      m_elements->refresh();
      m_panes->setCurrentWidget(m_elements);
      break;
    case InspectorTab::Console:
      m_console->refresh();
      m_panes->setCurrentWidget(m_console);
      break;
    case InspectorTab::Network:
      m_network->refresh();
      m_panes->setCurrentWidget(m_network);
      break;
  }
  update();
}

void DeveloperToolsView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const PaletteColors& colors = Palette::colors(PreferencesTheme::of(m_model->preferences().get()));
  painter.fillRect(rect(), colors.surface);
  painter.fillRect(QRect(0, 0, width(), 1), colors.line);
}
