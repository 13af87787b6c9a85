#include "pages/home_view.h"

#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "kit/interaction_cursor.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kivo_dialog.h"
#include "kit/mark.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_command.h"
#include "model/browser_model.h"
#include "pages/home_sites_view.h"
#include "pages/page_widgets.h"
#include "pages/tab_backdrop.h"
#include "profile/browsing_profile.h"

namespace {

// The footer's stand-in for the platform's translucent material: the page
// colour at 0.82 over the backdrop, with a hairline on top.
class FooterBar : public QWidget {
public:
  explicit FooterBar(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr)
      : QWidget(parent), m_theme(PreferencesTheme::of(preferences)) {}

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const PaletteColors& colors = Palette::colors(m_theme.get());
    painter.fillRect(rect(), Palette::withOpacity(colors.background, 0.82));
    painter.fillRect(QRect(0, 0, width(), 1), colors.line);
  }

private:
  std::shared_ptr<KitTheme> m_theme;
};

// `widget` between two springs, so it grows to its maximum width and then
// stays centred.
QHBoxLayout* centred(QWidget* widget) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->addStretch(0);
  row->addWidget(widget, 1);
  row->addStretch(0);
  return row;
}

}  // namespace

HomeView::HomeView(BrowserModel& model, QWidget* parent)
    : QWidget(parent),
      m_model(&model),
      m_preferences(model.preferences()),
      m_theme(PreferencesTheme::of(m_preferences)) {
  build();
}

int HomeView::topInset(int availableHeight) { return std::max(int(std::lround(0.16 * availableHeight)), 45); }

void HomeView::showAIPlaceholder(BrowserModel& model) {
  QWidget* window = model.browserWindow() ? model.browserWindow()->dialogParent() : nullptr;
  KivoDialog::show(window, PreferencesTheme::of(model.preferences()), QStringLiteral("Kivo AI · Yakında"),
                   QStringLiteral("AI modu henüz kullanıma açık değil. Bu düğme bir yapay zekâ hizmetine bağlanmaz "
                                  "ve hiçbir veri göndermez."),
                   std::nullopt);
}

void HomeView::build() {
  const auto palette = [this] { return Palette::colors(m_theme.get()); };
  const auto accent = [this] { return Palette::accent(m_theme.get()); };
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  // The area above the footer: the backdrop behind the scrolling column.
  m_stack = new QWidget(this);
  m_stack->installEventFilter(this);
  outer->addWidget(m_stack, 1);
  m_backdrop = new TabBackdrop(m_preferences, std::nullopt, m_stack);
  QVBoxLayout* column = nullptr;
  m_scroll = PageLayout::scrollingColumn(m_stack, m_theme, QWIDGETSIZE_MAX, 0, 24, &column);
  m_scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
  m_column = column;
  m_column->setContentsMargins(32, 45, 32, 40);
  m_column->setAlignment(Qt::AlignHCenter);

  // The logo row.
  auto* logoRow = new QHBoxLayout;
  logoRow->setSpacing(11);
  logoRow->addWidget(new Mark(m_theme, 42));
  QFont wordmarkFont = KitFonts::system(48, QFont::Medium);
  wordmarkFont.setLetterSpacing(QFont::AbsoluteSpacing, -2.4);
  logoRow->addWidget(new KitLabel(QStringLiteral("kivo"), wordmarkFont, KitLabel::Tone::Ink, m_theme));
  m_column->addLayout(logoRow);
  m_column->setAlignment(logoRow, Qt::AlignHCenter);

  // The search card.
  auto* card = new PageCard(
      18, [palette] { return Palette::withOpacity(palette().surface, 0.94); },
      [palette] { return Palette::withOpacity(palette().line, 0.5); });
  card->setFixedHeight(55);
  card->setMaximumWidth(620);
  card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* shadow = new QGraphicsDropShadowEffect(card);
  shadow->setColor(QColor(0, 0, 0, 10));
  shadow->setBlurRadius(40);
  shadow->setOffset(0, 8);
  card->setGraphicsEffect(shadow);
  auto* cardRow = new QHBoxLayout(card);
  cardRow->setContentsMargins(21, 0, 21, 0);
  cardRow->setSpacing(14);
  cardRow->addWidget(new PageSymbol(QStringLiteral("magnifyingglass"), 17, [palette] { return palette().muted; }));
  m_search = new QLineEdit(card);
  m_search->setFrame(false);
  m_search->setPlaceholderText(QStringLiteral("Kivo'da ara veya adres yaz"));
  m_search->setFont(KitFonts::system(14));
  m_search->setText(m_model->searchDraft());
  InteractionCursor::textCursor(m_search);
  cardRow->addWidget(m_search, 1);
  m_go = new PageButton(m_preferences, {}, QStringLiteral("arrow.right"), 15);
  m_go->setFrameSize(QSize(28, 28));
  m_go->setInk(accent);
  m_go->setToolTip(QStringLiteral("Git"));
  m_go->setAccessibleName(QStringLiteral("Git"));
  cardRow->addWidget(m_go);
  m_column->addLayout(centred(card));
  connect(m_search, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (m_model) m_model->setSearchDraft(text);
  });
  connect(m_search, &QLineEdit::returnPressed, this, &HomeView::submit);
  connect(m_go, &QAbstractButton::clicked, this, &HomeView::submit);
  connect(m_model, &BrowserModel::searchDraftChanged, this, [this] {
    if (m_model && m_search->text() != m_model->searchDraft()) m_search->setText(m_model->searchDraft());
  });

  // The chip row.
  auto* chips = new QHBoxLayout;
  chips->setSpacing(10);
  const auto chip = [&](const QString& title, const QString& symbol) {
    auto* button = new PageButton(m_preferences, title, symbol, 11, QFont::Medium);
    button->setPadding(QMargins(15, 10, 15, 10));
    button->setBackground(
        PageButton::Shape::Capsule, 0, [palette] { return Palette::withOpacity(palette().surface, 0.65); },
        [palette] { return Palette::withOpacity(palette().line, 0.5); });
    chips->addWidget(button);
    return button;
  };
  m_privateChip = chip(QStringLiteral("Gizli pencere"), QStringLiteral("eye.slash"));
  m_aiChip = chip(QStringLiteral("AI modu · Yakında"), QStringLiteral("sparkles"));
  m_fileChip = chip(QStringLiteral("Dosya aç"), QStringLiteral("folder"));
  connect(m_privateChip, &QAbstractButton::clicked, this, [this] {
    if (m_model) BrowserCommands::perform(BrowserCommand::PrivateWindow, *m_model);
  });
  connect(m_aiChip, &QAbstractButton::clicked, this, [this] {
    if (m_model) showAIPlaceholder(*m_model);
  });
  connect(m_fileChip, &QAbstractButton::clicked, this, [this] {
    if (m_model) m_model->openFile();
  });
  m_column->addLayout(chips);
  m_column->setAlignment(chips, Qt::AlignHCenter);

  // The lower section.
  m_lower = new QWidget;
  m_lowerLayout = new QVBoxLayout(m_lower);
  m_lowerLayout->setContentsMargins(0, 0, 0, 0);
  m_column->addWidget(m_lower);
  m_column->addStretch(1);

  // The footer bar.
  m_footer = new FooterBar(m_preferences, this);
  auto* footerRow = new QHBoxLayout(m_footer);
  footerRow->setContentsMargins(22, 12, 22, 12);
  footerRow->addWidget(new KitLabel(QStringLiteral("Web önizlemesi · Temel HTML · JavaScript henüz yok"),
                                    KitFonts::system(10), KitLabel::Tone::Muted, m_theme));
  footerRow->addStretch(1);
  m_customize = new PageButton(m_preferences, QStringLiteral("Özelleştir"), QStringLiteral("slider.horizontal.3"), 11);
  m_customize->setPadding(QMargins(8, 5, 8, 5));
  connect(m_customize, &QAbstractButton::clicked, this, [this] {
    if (m_model) m_model->openSettings();
  });
  footerRow->addWidget(m_customize);
  outer->addWidget(m_footer);

  connect(m_preferences.get(), &BrowserPreferences::showShortcutsChanged, this, [this] {
    refreshChips();
    refreshLower();
  });
  const auto repaint = [this] {
    m_search->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: %1; }")
                                .arg(Palette::colors(m_theme.get()).ink.name()));
    PageLayout::repaintTree(this);
  };
  connect(m_preferences.get(), &BrowserPreferences::accentHexChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::appearanceChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::previewAppearanceChanged, this, repaint);
  repaint();
  refreshChips();
  refreshLower();
}

void HomeView::refreshChips() {
  const bool isPrivate = m_model && m_model->isPrivate();
  m_privateChip->setText(isPrivate ? QStringLiteral("Gizli pencere açık") : QStringLiteral("Gizli pencere"));
  m_privateChip->updateGeometry();
  m_fileChip->setVisible(m_preferences->showShortcuts());
}

void HomeView::refreshLower() {
  if (!m_model) return;
  // Exactly one of: the private note, the site tiles, nothing. The section is
  // emptied whole, the row that centres the tiles included, so toggling the
  // shortcuts leaves nothing behind.
  delete m_sites;
  m_sites = nullptr;
  delete m_privateNote;
  m_privateNote = nullptr;
  while (QLayoutItem* item = m_lowerLayout->takeAt(0)) delete item;
  if (m_model->isPrivate()) {
    m_privateNote = new QWidget;
    auto* row = new QHBoxLayout(m_privateNote);
    row->setContentsMargins(20, 20, 20, 20);
    row->setSpacing(6);
    row->addWidget(new PageSymbol(QStringLiteral("lock"), 12,
                                  [this] { return Palette::colors(m_theme.get()).muted; }));
    row->addWidget(new KitLabel(QStringLiteral("Bu pencerede ziyaretler kaydedilmez; normal geçmiş gösterilmez."),
                                KitFonts::system(12), KitLabel::Tone::Muted, m_theme));
    m_lowerLayout->addWidget(m_privateNote, 0, Qt::AlignHCenter);
  } else if (m_preferences->showShortcuts()) {
    m_sites = new HomeSitesView(m_model->profile()->history(), *m_model);
    m_sites->setContentsMargins(0, 10, 0, 0);
    m_lowerLayout->addLayout(centred(m_sites));
    connect(m_sites, &HomeSitesView::tilesChanged, this, &HomeView::orderFooterLast);
    orderFooterLast();
  }
}

void HomeView::orderFooterLast() {
  if (m_sites) QWidget::setTabOrder(m_sites->lastControl(), m_customize);
}

void HomeView::submit() {
  if (m_model) m_model->navigate(m_model->searchDraft());
}

bool HomeView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_stack && event->type() == QEvent::Resize) placeStack();
  return QWidget::eventFilter(watched, event);
}

void HomeView::placeStack() {
  const QSize area = m_stack->size();
  m_backdrop->setGeometry(0, 0, area.width(), area.height());
  m_scroll->setGeometry(0, 0, area.width(), area.height());
  const QMargins margins = m_column->contentsMargins();
  m_column->setContentsMargins(margins.left(), topInset(area.height()), margins.right(), margins.bottom());
}

void HomeView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Palette::colors(m_theme.get()).background);
}
