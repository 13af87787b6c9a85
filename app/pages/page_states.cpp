#include "pages/page_states.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

#include "kit/interaction_cursor.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/downloads_view.h"
#include "pages/page_widgets.h"

namespace {

// The platform's title2 text style.
constexpr double kTitle2Points = 17;
// The platform's body text style.
constexpr double kBodyPoints = 13;

void styleProminent(QPushButton* button, const KitTheme* theme) {
  const QColor accent = Palette::accent(theme);
  button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: 1px solid %2;"
                                       " border-radius: 6px; padding: 5px 12px; }"
                                       "QPushButton:hover { background: %3; }"
                                       "QPushButton:pressed { background: %4; }")
                            .arg(accent.name(), accent.darker(115).name(), accent.lighter(108).name(),
                                 accent.darker(112).name()));
}

// `block` centred in `page` at its preferred width and the height that
// width needs (springs around it, so wrapped texts get their height).
void centre(QWidget* page, QWidget* block) {
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* row = new QHBoxLayout;
  row->setSpacing(0);
  row->addStretch(1);
  row->addWidget(block);
  row->addStretch(1);
  column->addStretch(1);
  column->addLayout(row);
  column->addStretch(1);
}

}  // namespace

QPushButton* makeProminentButton(const QString& title, std::shared_ptr<BrowserPreferences> preferences) {
  auto* button = new QPushButton(title);
  button->setFont(KitFonts::system(kBodyPoints));
  InteractionCursor::handCursor(button);
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  styleProminent(button, theme.get());
  const auto again = [button, theme] { styleProminent(button, theme.get()); };
  QObject::connect(theme.get(), &KitTheme::accentChanged, button, again);
  QObject::connect(theme.get(), &KitTheme::schemeChanged, button, again);
  return button;
}

// The message block prefers the width its texts need, up to the limit, so a
// short message leaves the block narrow and a long one wraps at the limit
// (a wrapping label on its own would guess a narrower width).
class MessagePage::Block : public QWidget {
public:
  using QWidget::QWidget;
  int preferredWidth = 0;
  QSize sizeHint() const override {
    const int height = layout()->hasHeightForWidth() ? layout()->heightForWidth(preferredWidth)
                                                     : layout()->sizeHint().height();
    return QSize(preferredWidth, height);
  }
};

MessagePage::MessagePage(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent) : QWidget(parent) {
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  m_block = new Block(this);
  // The stack is at most 500 wide; the padding lies around it.
  m_block->setMaximumWidth(kMaximumWidth + 2 * 40);
  auto* stack = new QVBoxLayout(m_block);
  stack->setContentsMargins(40, 40, 40, 40);
  stack->setSpacing(19);
  stack->addWidget(new PageSymbol(QStringLiteral("globe"), 30, [theme] { return Palette::colors(theme.get()).muted; }),
                   0, Qt::AlignLeft);
  m_title = new KitLabel({}, KitFonts::system(25, QFont::DemiBold), KitLabel::Tone::Ink, theme);
  m_title->setWordWrap(true);
  m_title->setMaximumWidth(kMaximumWidth);
  stack->addWidget(m_title);
  m_detail = new KitLabel({}, KitFonts::system(13), KitLabel::Tone::Muted, theme, 5);
  m_detail->setWordWrap(true);
  m_detail->setMaximumWidth(kMaximumWidth);
  m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
  InteractionCursor::textCursor(m_detail);
  stack->addWidget(m_detail);
  m_home = makeProminentButton(QStringLiteral("Başlangıca dön"), preferences);
  stack->addWidget(m_home, 0, Qt::AlignLeft);
  centre(this, m_block);
  setMessage({}, {});
}

void MessagePage::setMessage(const QString& title, const QString& detail) {
  if (m_title->plainText() != title) m_title->setPlainText(title);
  if (m_detail->plainText() != detail) m_detail->setPlainText(detail);
  const int width = stackWidth(title, detail) + 2 * 40;
  if (m_block->preferredWidth != width) {
    m_block->preferredWidth = width;
    m_block->updateGeometry();
  }
}

QWidget* MessagePage::block() const { return m_block; }

int MessagePage::stackWidth(const QString& title, const QString& detail) const {
  const auto widest = [](const QString& text, const QFont& font) {
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) width = std::max(width, metrics.horizontalAdvance(line));
    // One point of slack: integer advances round fractional widths down.
    return width + 1;
  };
  const int content = std::max({widest(title, m_title->font()), widest(detail, m_detail->font()),
                                m_home->sizeHint().width(), 30});
  return std::min(content, kMaximumWidth);
}

LoadingPage::LoadingPage(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent) : QWidget(parent) {
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  auto* block = new QWidget(this);
  auto* stack = new QVBoxLayout(block);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(14);
  m_spinner = new LoadingSpinner(theme);
  stack->addWidget(m_spinner, 0, Qt::AlignHCenter);
  stack->addWidget(new KitLabel(QStringLiteral("Sayfa açılıyor…"), KitFonts::system(12), KitLabel::Tone::Muted, theme),
                   0, Qt::AlignHCenter);
  centre(this, block);
}

DownloadOfferPage::DownloadOfferPage(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent)
    : QWidget(parent) {
  const std::shared_ptr<KitTheme> theme = PreferencesTheme::of(preferences);
  auto* block = new QWidget(this);
  auto* stack = new QVBoxLayout(block);
  stack->setContentsMargins(40, 40, 40, 40);
  stack->setSpacing(20);
  stack->addWidget(
      new PageSymbol(QStringLiteral("arrow.down.doc"), 40, [theme] { return Palette::colors(theme.get()).muted; }), 0,
      Qt::AlignHCenter);
  m_nameLabel = new KitLabel({}, KitFonts::system(kTitle2Points), KitLabel::Tone::Ink, theme);
  m_nameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_nameLabel->setAlignment(Qt::AlignHCenter);
  m_nameLabel->setWordWrap(true);
  InteractionCursor::textCursor(m_nameLabel);
  stack->addWidget(m_nameLabel, 0, Qt::AlignHCenter);
  auto* note = new KitLabel(QStringLiteral("Bu dosya türü sayfa olarak gösterilemiyor. Kaydetmek için bir konum seç."),
                            KitFonts::system(kBodyPoints), KitLabel::Tone::Muted, theme);
  note->setAlignment(Qt::AlignHCenter);
  stack->addWidget(note, 0, Qt::AlignHCenter);
  m_download = makeProminentButton(QStringLiteral("Dosyayı indir…"), preferences);
  stack->addWidget(m_download, 0, Qt::AlignHCenter);
  m_showDownloads = makeBorderedButton(QStringLiteral("İndirmeleri göster"), preferences);
  stack->addWidget(m_showDownloads, 0, Qt::AlignHCenter);
  centre(this, block);
}

void DownloadOfferPage::setOffer(const QUrl& address, const QString& suggestedFilename) {
  m_address = address;
  m_name = suggestedFilename;
  if (m_nameLabel->plainText() != suggestedFilename) m_nameLabel->setPlainText(suggestedFilename);
}
