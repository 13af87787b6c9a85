#include "pages/network_pane.h"

#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "kit/kit_fonts.h"
#include "kit/overlay_scroll_bar.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/devtools_text.h"

NetworkPane::NetworkPane(BrowserModel* model, QWidget* parent) : QWidget(parent), m_model(model) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  m_scroll = new QScrollArea(this);
  // Not a Tab stop: it would show nothing; its rows and texts are what the
  // keyboard reaches.
  m_scroll->setFocusPolicy(Qt::NoFocus);
  m_scroll->setFrameShape(QFrame::NoFrame);
  m_scroll->setWidgetResizable(true);
  m_scroll->viewport()->setAutoFillBackground(false);
  layout->addWidget(m_scroll);
  new OverlayScrollBars(m_scroll, PreferencesTheme::of(model->preferences()));
}

void NetworkPane::refresh() {
  const PaletteColors& colors = Palette::colors(PreferencesTheme::of(m_model->preferences().get()));
  const BrowserTab& tab = m_model->tabs().at(m_model->selectedIndex());
  const QList<DevToolsText::NetworkLine> lines = DevToolsText::networkLines(tab.networkResponse);
  m_lines.clear();
  for (const auto& line : lines) m_lines.append(line.text);
  if (m_builtLines == m_lines && m_builtInk == colors.ink.rgba() && m_builtMuted == colors.muted.rgba()) return;
  m_builtLines = m_lines;
  m_builtInk = colors.ink.rgba();
  m_builtMuted = colors.muted.rgba();

  auto* content = new QWidget;
  content->setAutoFillBackground(false);
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(20, 20, 20, 20);
  column->setSpacing(12);
  for (const auto& line : lines) {
    auto* label = new QLabel(content);
    label->setTextFormat(Qt::PlainText);
    label->setText(line.text);
    label->setFont(KitFonts::monospaced(12));
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, line.muted ? colors.muted : colors.ink);
    palette.setColor(QPalette::Text, line.muted ? colors.muted : colors.ink);
    label->setPalette(palette);
    if (line.selectable) {
      label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      label->setCursor(Qt::IBeamCursor);
    }
    column->addWidget(label);
  }
  column->addStretch(1);
  m_scroll->setWidget(content);
}
