#include "pages/downloads_view.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "kit/focus_ring.h"
#include "kit/interaction_cursor.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kivo_progress_bar.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/page_parts.h"
#include "pages/page_widgets.h"
#include "profile/download_store.h"

namespace {

// Restyles a bordered button for the current scheme.
void styleBordered(QPushButton* button, const KitTheme* theme) {
  const PaletteColors& colors = Palette::colors(theme);
  button->setStyleSheet(
      QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3; border-radius: 6px;"
                     " padding: 5px 12px; }"
                     "QPushButton:hover { background: %4; }"
                     "QPushButton:pressed { background: %5; }")
          .arg(colors.surface.name(), colors.ink.name(), Palette::withOpacity(colors.ink, 0.2).name(QColor::HexArgb),
               Palette::withOpacity(colors.primary, 0.065).name(QColor::HexArgb),
               Palette::withOpacity(colors.primary, 0.12).name(QColor::HexArgb)));
}

}  // namespace

QPushButton* makeBorderedButton(const QString& title, std::shared_ptr<BrowserPreferences> preferences) {
  auto* button = new QPushButton(title);
  button->setFont(KitFonts::system(13));
  InteractionCursor::handCursor(button);
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  // Keyboard reach as on the kit's buttons: Tab (not a click) gives the
  // focus, the kit's ring shows it, and Return acts as well as Space.
  button->setFocusPolicy(Qt::TabFocus);
  button->setAutoDefault(true);
  FocusRing::attach(button, theme, 6);
  styleBordered(button, theme.get());
  const auto again = [button, theme] { styleBordered(button, theme.get()); };
  QObject::connect(preferences.get(), &BrowserPreferences::appearanceChanged, button, again);
  QObject::connect(preferences.get(), &BrowserPreferences::previewAppearanceChanged, button, again);
  return button;
}

DownloadCard::DownloadCard(DownloadStore& store, std::shared_ptr<BrowserPreferences> preferences, QWidget* parent)
    : QWidget(parent),
      m_store(&store),
      m_preferences(std::move(preferences)),
      m_theme(PreferencesTheme::of(m_preferences)) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(22, 22, 22, 22);
  row->setSpacing(18);
  m_symbol = new PageSymbol(QStringLiteral("arrow.down.doc"), 24,
                            [this] { return Palette::colors(m_theme.get()).muted; });
  row->addWidget(m_symbol, 0, Qt::AlignTop);

  // The text column takes whatever width the symbol and the buttons leave:
  // every line of it may shrink to nothing, so a long name or address never
  // pushes the buttons out of the card.
  auto* text = new QVBoxLayout;
  text->setSpacing(9);
  m_name = new ElidedLabel(Qt::ElideMiddle, KitFonts::system(15, QFont::Medium), KitLabel::Tone::Ink, m_theme);
  m_name->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->addWidget(m_name);
  m_address = new ElidedLabel(Qt::ElideRight, KitFonts::system(11), KitLabel::Tone::Muted, m_theme);
  m_address->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->addWidget(m_address);
  m_progress = new KivoProgressBar(m_theme);
  text->addWidget(m_progress);
  m_status = new ElidedLabel(Qt::ElideRight, KitFonts::system(12), KitLabel::Tone::Muted, m_theme);
  text->addWidget(m_status);
  m_detail = new PageText({}, KitFonts::system(11), [this] { return PageLayout::red(m_theme.get()); });
  m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_detail->setWordWrap(true);
  m_detail->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  text->addWidget(m_detail);
  row->addLayout(text, 1);

  m_cancel = makeBorderedButton(QStringLiteral("İptal"), m_preferences);
  m_reveal = makeBorderedButton(QStringLiteral("Dosya yöneticisinde göster"), m_preferences);
  m_remove = new PageButton(m_preferences, {}, QStringLiteral("xmark"), 12);
  m_remove->setPadding(QMargins(7, 7, 7, 7));
  m_remove->setToolTip(QStringLiteral("Listeden kaldır"));
  m_remove->setAccessibleName(QStringLiteral("Listeden kaldır"));
  row->addWidget(m_cancel, 0, Qt::AlignTop);
  row->addWidget(m_reveal, 0, Qt::AlignTop);
  row->addWidget(m_remove, 0, Qt::AlignTop);
  connect(m_cancel, &QPushButton::clicked, this, [this] {
    if (m_store) m_store->cancel(m_entry.id);
  });
  connect(m_reveal, &QPushButton::clicked, this, [this] {
    if (m_store) m_store->reveal(m_entry);
  });
  connect(m_remove, &QAbstractButton::clicked, this, [this] {
    // The store's signal may delete this card; the id is copied first.
    const QUuid id = m_entry.id;
    if (m_store) m_store->remove(id);
  });
}

QString DownloadCard::statusLine(const DownloadEntry& entry) {
  return entry.status() + QStringLiteral(" · ") + PageParts::fileSize(entry.received);
}

QString DownloadCard::symbolName(DownloadEntry::State state) {
  return state == DownloadEntry::State::Complete ? QStringLiteral("checkmark.circle")
                                                 : QStringLiteral("arrow.down.doc");
}

QString DownloadCard::symbol() const { return m_symbol->name(); }

void DownloadCard::setEntry(const DownloadEntry& entry) {
  m_entry = entry;
  const bool running = entry.state == DownloadEntry::State::Running;
  m_symbol->setName(symbolName(entry.state));
  m_name->setFullText(entry.destination.fileName());
  m_address->setFullText(entry.address);
  m_progress->setVisible(running);
  if (running) {
    if (entry.expected < 1) {
      m_progress->setRange(0, 0);
    } else {
      // The bar counts in thousandths, so sizes past 2 GiB fit its int range.
      m_progress->setRange(0, 1000);
      m_progress->setValue(int(std::clamp(double(entry.received) / double(entry.expected), 0.0, 1.0) * 1000));
    }
  }
  m_status->setFullText(statusLine(entry));
  m_detail->setText(entry.detail);
  m_detail->setVisible(!entry.detail.isEmpty());
  m_cancel->setVisible(running);
  m_reveal->setVisible(entry.state == DownloadEntry::State::Complete);
  m_remove->setVisible(!running);
}

void DownloadCard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const PaletteColors& colors = Palette::colors(m_theme.get());
  QPainterPath shape;
  shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
  painter.fillPath(shape, colors.surface);
  painter.strokePath(shape, QPen(colors.line, 1));
}

DownloadsView::DownloadsView(DownloadStore& store, bool isPrivate, std::shared_ptr<BrowserPreferences> preferences,
                             QWidget* parent)
    : QWidget(parent),
      m_store(&store),
      m_preferences(std::move(preferences)),
      m_theme(PreferencesTheme::of(m_preferences)) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  QVBoxLayout* column = nullptr;
  outer->addWidget(PageLayout::scrollingColumn(this, m_theme, 980, 36, 24, &column));

  // The header row.
  auto* header = new QHBoxLayout;
  header->addWidget(PageParts::title(QStringLiteral("İndirmeler"), QStringLiteral("arrow.down.circle"),
                                     m_preferences), 1);
  m_clearFinished = makeBorderedButton(QStringLiteral("Tamamlananları listeden temizle"), m_preferences);
  header->addWidget(m_clearFinished);
  column->addLayout(header);
  connect(m_clearFinished, &QPushButton::clicked, this, [this] {
    if (m_store) m_store->clearFinished();
  });

  // The note, the error line and the empty state.
  m_note = isPrivate ? QStringLiteral("Gizli oturum kapanınca liste temizlenir ve devam eden indirmeler iptal "
                                      "edilir. Kaydettiğin dosyalar cihazda kalır.")
                     : QStringLiteral("Dosyalar otomatik açılmaz. Listeden kaldırmak, diskteki dosyayı silmez.");
  auto* note = new KitLabel(m_note, KitFonts::system(13), KitLabel::Tone::Muted, m_theme);
  note->setWordWrap(true);
  column->addWidget(note);
  m_error = PageParts::errorLine(m_theme);
  column->addWidget(m_error);
  // A list file that could not be read was moved aside at the start; the
  // page says where it went.
  m_keptAsideLine = PageParts::errorLine(m_theme);
  PageParts::setLine(m_keptAsideLine,
                     PageParts::keptAsideNotice(QStringLiteral("İndirme listesi"), store.keptAside()));
  column->addWidget(m_keptAsideLine);
  m_empty = PageParts::emptyState(QStringLiteral("Henüz indirme yok"), QStringLiteral("arrow.down.circle"),
                                  m_preferences);
  column->addWidget(m_empty);

  // The cards.
  m_list = new QVBoxLayout;
  m_list->setSpacing(12);
  column->addLayout(m_list);
  column->addStretch(1);

  connect(&store, &DownloadStore::entriesChanged, this, &DownloadsView::refresh);
  connect(&store, &DownloadStore::persistenceErrorChanged, this, &DownloadsView::refresh);
  const auto repaint = [this] { PageLayout::repaintTree(this); };
  connect(m_preferences.get(), &BrowserPreferences::appearanceChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::previewAppearanceChanged, this, repaint);
  refresh();
}

void DownloadsView::refresh() {
  if (!m_store) return;
  const QList<DownloadEntry>& entries = m_store->entries();
  PageParts::setLine(m_error, m_store->persistenceError());
  m_empty->setVisible(entries.isEmpty());
  // The same ids in the same order: update the cards in place (progress).
  bool same = entries.size() == m_cards.size();
  for (qsizetype index = 0; same && index < entries.size(); ++index) {
    same = m_cards.at(index)->entry().id == entries.at(index).id;
  }
  if (!same) {
    // Removed cards go later: this may run inside one of their buttons.
    for (DownloadCard* card : m_cards) {
      card->hide();
      card->deleteLater();
    }
    m_cards.clear();
    for (qsizetype index = 0; index < entries.size(); ++index) {
      auto* card = new DownloadCard(*m_store, m_preferences);
      m_list->addWidget(card);
      m_cards.append(card);
    }
  }
  for (qsizetype index = 0; index < entries.size(); ++index) m_cards.at(index)->setEntry(entries.at(index));
}

void DownloadsView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Palette::colors(m_theme.get()).background);
}
