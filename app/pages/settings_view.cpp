#include "pages/settings_view.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "kit/focus_ring.h"
#include "kit/interaction_cursor.h"
#include "kit/key_activation.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kit_symbols.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_color_picker.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/background_work.h"
#include "model/browser_command.h"
#include "model/browser_model.h"
#include "model/builtin_pages.h"
#include "network/network_transport.h"
#include "pages/downloads_view.h"
#include "pages/history_view.h"
#include "pages/page_parts.h"
#include "pages/page_widgets.h"
#include "pages/tab_backdrop.h"
#include "pages/updates_view.h"
#include "profile/browsing_profile.h"

namespace {

// Appearance card geometry: the preview bar with its inset, the accent
// sample with its inset, the caption with its bottom inset, 10 apart.
constexpr double kBarInset = 10;
constexpr double kBarHeight = 35;
constexpr double kSampleWidth = 68;
constexpr double kSampleHeight = 19;
constexpr double kSampleInset = 3;
constexpr double kCaptionBottom = 12;
constexpr double kCardSpacing = 10;
constexpr double kBackdropHeight = 74;

QColor white(double level, double opacity = 1) { return QColor::fromRgbF(level, level, level, opacity); }

QFont captionFont() { return KitFonts::system(12, QFont::Medium); }
QFont backdropTitleFont() { return KitFonts::system(11, QFont::Medium); }

// A horizontal rule with 8 above and below.
QWidget* insetDivider(std::shared_ptr<BrowserPreferences> preferences) {
  auto* holder = new QWidget;
  auto* layout = new QVBoxLayout(holder);
  layout->setContentsMargins(0, 8, 0, 8);
  layout->addWidget(new PageDivider(std::move(preferences)));
  return holder;
}

// A title over a muted note, 5 apart.
QWidget* labelStack(const QString& title, const QFont& titleFont, const QString& note,
                    std::shared_ptr<KitTheme> theme, KitLabel** titleLabel = nullptr) {
  auto* stack = new QWidget;
  auto* layout = new QVBoxLayout(stack);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(5);
  auto* head = new KitLabel(title, titleFont, KitLabel::Tone::Ink, theme);
  layout->addWidget(head);
  auto* detail = new KitLabel(note, KitFonts::system(11), KitLabel::Tone::Muted, theme);
  detail->setWordWrap(true);
  layout->addWidget(detail);
  if (titleLabel) *titleLabel = head;
  return stack;
}

// A row of `left`, a flexible spacer and `right`.
QWidget* spacedRow(QWidget* left, QWidget* right) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(left, 1);
  layout->addStretch(0);
  layout->addWidget(right, 0, Qt::AlignVCenter);
  return row;
}

// Lays out a column without margins that starts with a row of equally wide
// choice cards, one per value; a click on a card hands its value to `choose`.
template <class Card, class Value, class Choose>
QVBoxLayout* choiceColumn(QWidget* content, const QList<Value>& values, QList<Card*>& cards,
                          const std::shared_ptr<BrowserPreferences>& preferences, QObject* context, Choose choose) {
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(17);
  auto* row = new QHBoxLayout;
  row->setSpacing(12);
  for (const Value value : values) {
    auto* card = new Card(value, preferences);
    QObject::connect(card, &QAbstractButton::clicked, context, [choose, value] { choose(value); });
    row->addWidget(card, 1);
    cards.append(card);
  }
  layout->addLayout(row);
  return layout;
}

}  // namespace

// ---------------------------------------------------------------------------
// Appearance card

SettingsAppearanceCard::SettingsAppearanceCard(BrowserAppearance appearance,
                                               std::shared_ptr<BrowserPreferences> preferences, QWidget* parent)
    : KivoButton(PreferencesTheme::of(preferences), parent),
      m_preferences(std::move(preferences)),
      m_appearance(appearance) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAccessibleName(BrowserAppearances::title(appearance));
  focusRing()->setRadius(10);
}

bool SettingsAppearanceCard::selected() const { return m_preferences->appearance() == m_appearance; }

QSize SettingsAppearanceCard::labelSize() const {
  const double height = kBarInset * 2 + kBarHeight + kCardSpacing + kSampleHeight + kSampleInset * 2 + kCardSpacing +
                        QFontMetrics(captionFont()).height() + kCaptionBottom;
  return QSize(120, int(std::ceil(height)));
}

void SettingsAppearanceCard::paintLabel(QPainter& painter, const QRectF& rect) {
  const bool dark = m_appearance == BrowserAppearance::Dark;
  const bool isSelected = selected();
  const QColor accent = theme()->accent();
  const QColor text = dark ? QColor(Qt::white) : white(0, 0.8);
  const QRectF frame = rect.adjusted(1, 1, -1, -1);
  QPainterPath card;
  card.addRoundedRect(frame, 10, 10);
  painter.save();
  painter.setClipPath(card);
  painter.fillPath(card, dark ? white(0.12) : white(0.99));

  // The preview bar: three window buttons and an address field.
  const QRectF bar(frame.left(), frame.top(), frame.width(), kBarInset * 2 + kBarHeight);
  painter.fillRect(bar, dark ? white(0.17) : white(0.91));
  const QRectF inner = bar.adjusted(kBarInset, kBarInset, -kBarInset, -kBarInset);
  const QColor lights[3] = {QColor(255, 59, 48), QColor(255, 149, 0), QColor(52, 199, 89)};
  double x = inner.left();
  for (const QColor& light : lights) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::withOpacity(light, 0.6));
    painter.drawEllipse(QPointF(x + 2, inner.center().y()), 2, 2);
    x += 4 + 3;
  }
  QPainterPath field;
  field.addRoundedRect(QRectF(x + 6, inner.center().y() - 4.5, std::max(0.0, inner.right() - x - 6), 9), 3, 3);
  painter.fillPath(field, QColor::fromRgbF(0.5, 0.5, 0.5, 0.2));

  // The accent sample.
  const double sampleTop = bar.bottom() + kCardSpacing + kSampleInset;
  QPainterPath sample;
  sample.addRoundedRect(QRectF(frame.center().x() - kSampleWidth / 2, sampleTop, kSampleWidth, kSampleHeight), 5, 5);
  painter.fillPath(sample, Palette::withOpacity(accent, 0.15));

  // The caption: the title and the selection mark.
  const QFontMetrics metrics(captionFont());
  const QString title = BrowserAppearances::title(m_appearance);
  const double markSide = 13;
  const double gap = 6;
  const double width = metrics.horizontalAdvance(title) + gap + markSide;
  const double captionTop = sampleTop + kSampleHeight + kSampleInset + kCardSpacing;
  const QRectF caption(frame.center().x() - width / 2, captionTop, width, metrics.height());
  painter.setFont(captionFont());
  painter.setPen(text);
  painter.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter, title);
  const QRectF mark(caption.right() - markSide, caption.center().y() - markSide / 2, markSide, markSide);
  if (isSelected) {
    KitSymbols::paint(painter, QStringLiteral("checkmark.circle.fill"), mark, accent);
  } else {
    // The card keeps its own look, so its muted mark follows the card, not the page.
    const ColorScheme own = dark ? ColorScheme::Dark : ColorScheme::Light;
    KitSymbols::paint(painter, QStringLiteral("circle"), mark, Palette::colors(own).muted);
  }
  painter.restore();

  // The outline: the accent when selected, the hairline otherwise.
  const double lineWidth = isSelected ? 2 : 1;
  const QRectF outline = rect.adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);
  QPainterPath edge;
  edge.addRoundedRect(outline, 10, 10);
  painter.strokePath(edge, QPen(isSelected ? accent : Palette::colors(theme().get()).line, lineWidth));
}

// ---------------------------------------------------------------------------
// Backdrop card

SettingsBackdropCard::SettingsBackdropCard(Backdrop preset, std::shared_ptr<BrowserPreferences> preferences,
                                           QWidget* parent)
    : KivoButton(PreferencesTheme::of(preferences), parent), m_preferences(std::move(preferences)), m_preset(preset) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAccessibleName(Backdrops::title(preset));
  focusRing()->setRadius(8);
}

bool SettingsBackdropCard::selected() const { return m_preferences->backdrop() == m_preset; }

QSize SettingsBackdropCard::labelSize() const {
  return QSize(90, int(kBackdropHeight) + 9 + QFontMetrics(backdropTitleFont()).height());
}

void SettingsBackdropCard::paintLabel(QPainter& painter, const QRectF& rect) {
  const bool isSelected = selected();
  const QRectF preview(rect.left() + 1, rect.top() + 1, rect.width() - 2, kBackdropHeight - 2);
  QPainterPath shape;
  shape.addRoundedRect(preview, 8, 8);
  painter.save();
  painter.setClipPath(shape);
  TabBackdrop::paint(painter, preview, m_preset, Palette::scheme(theme().get()));
  painter.restore();
  const double lineWidth = isSelected ? 2 : 1;
  QPainterPath edge;
  edge.addRoundedRect(preview, 8, 8);
  painter.strokePath(edge, QPen(isSelected ? theme()->accent() : Palette::colors(theme().get()).line,
                                lineWidth));
  painter.setFont(backdropTitleFont());
  painter.setPen(Palette::colors(theme().get()).ink);
  painter.drawText(QRectF(rect.left(), rect.top() + kBackdropHeight + 9, rect.width(),
                          QFontMetrics(backdropTitleFont()).height()),
                   Qt::AlignHCenter | Qt::AlignVCenter, Backdrops::title(m_preset));
}

// ---------------------------------------------------------------------------
// Accent swatch

SettingsSwatch::SettingsSwatch(const QString& preset, std::shared_ptr<BrowserPreferences> preferences,
                               QWidget* parent)
    : KivoButton(PreferencesTheme::of(preferences), parent), m_preset(preset) {
  setToolTip(QStringLiteral("#") + preset);
  setAccessibleName(QStringLiteral("Vurgu rengi ") + preset);
  focusRing()->setRadius(FocusRing::kCapsule);
}

bool SettingsSwatch::marked() const { return theme()->accentHex() == m_preset; }

QSize SettingsSwatch::labelSize() const { return QSize(25, 25); }

void SettingsSwatch::paintLabel(QPainter& painter, const QRectF& rect) {
  const QRectF circle(rect.center().x() - 12.5, rect.center().y() - 12.5, 25, 25);
  painter.setPen(Qt::NoPen);
  painter.setBrush(BrowserPreferences::color(m_preset));
  painter.drawEllipse(circle);
  if (marked()) {
    const QRectF check(circle.center().x() - 5, circle.center().y() - 5, 10, 10);
    KitSymbols::paint(painter, QStringLiteral("checkmark"), check, Qt::white);
  }
}

// ---------------------------------------------------------------------------
// Switch

namespace {
constexpr int kTrackWidth = 32;
constexpr int kTrackHeight = 18;
constexpr int kSwitchGap = 10;
// The focus ring stands this far around the track, which it circles.
constexpr int kRingOutset = 3;
}  // namespace

SettingsSwitch::SettingsSwitch(const QString& text, std::shared_ptr<BrowserPreferences> preferences, QWidget* parent)
    : QAbstractButton(parent), m_theme(PreferencesTheme::of(preferences)) {
  setText(text);
  setCheckable(true);
  setFont(KitFonts::system(13));
  setAccessibleName(text);
  InteractionCursor::handCursor(this);
  // Tab reaches the switch as it reaches the kit's buttons; their ring
  // circles the track, clear of the text.
  setFocusPolicy(Qt::TabFocus);
  m_ring = new FocusRing(this, m_theme);
  m_ring->setRadius(FocusRing::kCapsule);
}

void SettingsSwitch::keyPressEvent(QKeyEvent* event) {
  if (KeyActivation::clickOnReturn(*this, event)) return;
  QAbstractButton::keyPressEvent(event);
}

QSize SettingsSwitch::sizeHint() const {
  const QFontMetrics metrics(font());
  return QSize(metrics.horizontalAdvance(text()) + kSwitchGap + kTrackWidth + kRingOutset,
               std::max(metrics.height(), kTrackHeight + 2 * kRingOutset));
}

void SettingsSwitch::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const PaletteColors& colors = Palette::colors(m_theme.get());
  const QFontMetrics metrics(font());
  const int textWidth = metrics.horizontalAdvance(text());
  painter.setPen(colors.ink);
  painter.drawText(QRect(0, 0, textWidth, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
  const QRectF track(textWidth + kSwitchGap, (height() - kTrackHeight) / 2.0, kTrackWidth, kTrackHeight);
  QPainterPath capsule;
  capsule.addRoundedRect(track, kTrackHeight / 2.0, kTrackHeight / 2.0);
  painter.fillPath(capsule, isChecked() ? m_theme->accent() : Palette::withOpacity(colors.primary, 0.15));
  const double knob = kTrackHeight - 4;
  const double knobX = isChecked() ? track.right() - 2 - knob : track.left() + 2;
  painter.setPen(QPen(Palette::withOpacity(Qt::black, 0.12), 0.5));
  painter.setBrush(Qt::white);
  painter.drawEllipse(QRectF(knobX, track.top() + 2, knob, knob));
  m_ring->paintIfVisible(painter, track.adjusted(-kRingOutset, -kRingOutset, kRingOutset, kRingOutset));
}

// ---------------------------------------------------------------------------
// Page

const QStringList& SettingsView::colors() {
  static const QStringList presets{QStringLiteral("6658d3"), QStringLiteral("2673ce"), QStringLiteral("25846a"),
                                   QStringLiteral("c87936"), QStringLiteral("bf5279"), QStringLiteral("64748b")};
  return presets;
}

QString SettingsView::cacheLine(qint64 entries, qint64 bytes) {
  return QString::number(entries) + QStringLiteral(" belge görünümü · yaklaşık ") + PageParts::memorySize(bytes);
}

QList<SettingsView::CommandRow> SettingsView::commandRows() {
  QList<CommandRow> rows;
  for (BrowserCommand command : BrowserCommands::allCases()) {
    rows.append({BrowserCommands::title(command), BrowserCommands::symbol(command),
                 BrowserCommands::shortcutText(command)});
  }
  return rows;
}

SettingsView::SettingsView(BrowserModel& model, const QList<CommandRow>& commands, QWidget* parent)
    : QWidget(parent),
      m_model(&model),
      m_preferences(model.preferences()),
      m_theme(PreferencesTheme::of(m_preferences)) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  QVBoxLayout* column = nullptr;
  QScrollArea* area = PageLayout::scrollingColumn(this, m_theme, kMaximumWidth, 36, 27, &column);
  outer->addWidget(area);

  // The title with the subtitle 10 below it.
  auto* heading = new QVBoxLayout;
  heading->setSpacing(10);
  heading->addWidget(PageParts::title(QStringLiteral("Ayarlar"), QStringLiteral("slider.horizontal.3"), m_preferences,
                                      -0.7));
  heading->addWidget(new KitLabel(QStringLiteral("Kivo'yı kendine göre düzenle."), KitFonts::system(13),
                                  KitLabel::Tone::Muted, m_theme));
  m_storageNotice = new PageText({}, KitFonts::system(13), [this] { return PageLayout::red(m_theme.get()); });
  m_storageNotice->setWordWrap(true);
  heading->addWidget(m_storageNotice);
  column->addLayout(heading);

  // The seven cards.
  column->addWidget(group(QStringLiteral("Görünüm"), QStringLiteral("Tarayıcı arayüzünün renklerini seç."),
                          {appearanceContent()}));
  column->addWidget(group(QStringLiteral("Yeni sekme"), QStringLiteral("Başlangıç ekranının sana ait bir havası olsun."),
                          {backdropContent()}));
  column->addWidget(group(QStringLiteral("Bu cihaz"), QStringLiteral("Görünüm ayarların bu cihazda saklanır."),
                          {deviceContent()}));
  column->addWidget(group(QStringLiteral("Site verileri"),
                          QStringLiteral("Çerezler yalnızca bu oturumda tutulur. Gizli pencereler ayrı çerez deposu "
                                         "kullanır."),
                          {siteDataContent()}));
  column->addWidget(group(QStringLiteral("Önbellek"),
                          QStringLiteral("Belge çıktıları ve HTTP yanıtları bellekte saklanır. Gizli oturumun "
                                         "önbelleği ayrıdır."),
                          {cacheContent()}));
  m_updates = new UpdatesView(&model);
  column->addWidget(group(QStringLiteral("Güncellemeler"),
                          QStringLiteral("Sürümleri Kivo'nın kendi yayın adresinden kontrol et."), {m_updates}));
  column->addWidget(group(QStringLiteral("Klavye kısayolları"),
                          QStringLiteral("Menüler ve klavye aynı tarayıcı komutlarını kullanır."), {shortcutContent(commands)}));

  // The footer.
  column->addWidget(footer());
  column->addStretch(1);

  // Every preference change recolours or reselects what shows it.
  const auto repaint = [this] { PageLayout::repaintTree(this); };
  connect(m_preferences.get(), &BrowserPreferences::appearanceChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::previewAppearanceChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::accentHexChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::backdropChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::showShortcutsChanged, this,
          [this] { m_switch->setChecked(m_preferences->showShortcuts()); });
  connect(&model, &BrowserModel::cacheEntriesChanged, this, &SettingsView::refreshCacheLine);
  connect(&model, &BrowserModel::cacheBytesChanged, this, &SettingsView::refreshCacheLine);
  refreshCacheLine();

  // A failed save stays on the page while it holds; its start is also told
  // over the page where the user made the change, in case the line is
  // scrolled away or covered by the colour editor.
  connect(m_preferences.get(), &BrowserPreferences::storageNoticeChanged, this, &SettingsView::refreshStorageNotice);
  connect(m_preferences.get(), &BrowserPreferences::saveFailed, this, [this](const QString& notice) {
    if (m_model && (m_changing || m_picker->isOpen())) m_model->notify(notice);
  });
  refreshStorageNotice();
}

void SettingsView::refreshStorageNotice() {
  const std::optional<QString> notice = m_preferences->storageNotice();
  m_storageNotice->setText(notice.value_or(QString()));
  m_storageNotice->setVisible(notice.has_value());
}

void SettingsView::change(const std::function<void()>& apply) {
  m_changing = true;
  apply();
  m_changing = false;
}

QWidget* SettingsView::group(const QString& title, const QString& subtitle, const QList<QWidget*>& content) {
  auto theme = m_theme;
  auto* card = new PageCard(
      13, [theme] { return Palette::colors(theme.get()).surface; },
      [theme] { return Palette::colors(theme.get()).line; });
  auto* layout = new QVBoxLayout(card);
  layout->setContentsMargins(22, 22, 22, 22);
  layout->setSpacing(17);
  auto* header = new QVBoxLayout;
  header->setSpacing(5);
  header->addWidget(new KitLabel(title, KitFonts::system(16, QFont::DemiBold), KitLabel::Tone::Ink, m_theme));
  auto* note = new KitLabel(subtitle, KitFonts::system(12), KitLabel::Tone::Muted, m_theme);
  note->setWordWrap(true);
  header->addWidget(note);
  layout->addLayout(header);
  for (QWidget* child : content) layout->addWidget(child);
  return card;
}

QWidget* SettingsView::appearanceContent() {
  auto* content = new QWidget;
  // a. One card per appearance, sharing the row equally.
  QVBoxLayout* layout = choiceColumn(content, BrowserAppearances::all(), m_appearanceCards, m_preferences, this,
                                     [this](BrowserAppearance appearance) {
                                       change([&] { m_preferences->setAppearance(appearance); });
                                     });

  // b. The divider.
  layout->addWidget(insetDivider(m_preferences));

  // c. The accent row: the note, the presets and the custom picker.
  auto* accent = new QHBoxLayout;
  accent->addWidget(labelStack(QStringLiteral("Vurgu rengi"), KitFonts::system(13, QFont::Medium),
                               QStringLiteral("Düğmeler, seçimler ve odak çizgileri."), m_theme),
                    1);
  for (const QString& preset : colors()) {
    auto* swatch = new SettingsSwatch(preset, m_preferences);
    swatch->setPadding(QMargins(3, 3, 3, 3));
    connect(swatch, &QAbstractButton::clicked, this,
            [this, preset] { change([&] { m_preferences->setAccentHex(preset); }); });
    accent->addWidget(swatch);
    m_swatches.append(swatch);
  }
  m_picker = new KivoColorPicker(m_theme);
  accent->addWidget(m_picker);
  layout->addLayout(accent);
  return content;
}

QWidget* SettingsView::backdropContent() {
  auto* content = new QWidget;
  // a. One card per backdrop preset.
  QVBoxLayout* layout = choiceColumn(content, Backdrops::all(), m_backdropCards, m_preferences, this,
                                     [this](Backdrop preset) { change([&] { m_preferences->setBackdrop(preset); }); });

  // b-c. The divider and the shortcut switch, bound both ways.
  layout->addWidget(insetDivider(m_preferences));
  m_switch = new SettingsSwitch(QStringLiteral("Yeni sekmede kısayolları göster"), m_preferences);
  m_switch->setChecked(m_preferences->showShortcuts());
  connect(m_switch, &QAbstractButton::toggled, this, [this](bool on) {
    if (m_preferences->showShortcuts() != on) change([&] { m_preferences->setShowShortcuts(on); });
  });
  layout->addWidget(m_switch, 0, Qt::AlignLeft);
  return content;
}

QWidget* SettingsView::deviceContent() {
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(17);

  // a. The history row.
  m_clearHistory = new KivoActionButton(QStringLiteral("Geçmişi temizle"), KivoActionStyle{}, m_theme);
  connect(m_clearHistory, &QAbstractButton::clicked, this, [this] {
    if (m_model) HistoryClearing::ask(*m_model);
  });
  layout->addWidget(spacedRow(labelStack(QStringLiteral("Gezinme geçmişi"), KitFonts::system(13, QFont::Medium),
                                         QStringLiteral("Normal ziyaretler bu cihazda saklanır. Gizli ziyaretler "
                                                        "kaydedilmez."),
                                         m_theme),
                              m_clearHistory));

  // b. The divider.
  layout->addWidget(insetDivider(m_preferences));

  // c. The reset row.
  m_reset = makeBorderedButton(QStringLiteral("Varsayılanlara dön"), m_preferences);
  connect(m_reset, &QAbstractButton::clicked, this, [this] { change([this] { m_preferences->reset(); }); });
  layout->addWidget(spacedRow(new KitLabel(QStringLiteral("Görünüm ayarlarını başlangıç değerlerine döndür."),
                                           KitFonts::system(12), KitLabel::Tone::Muted, m_theme),
                              m_reset));
  return content;
}

QWidget* SettingsView::siteDataContent() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  m_viewHistory = makeBorderedButton(QStringLiteral("Geçmişi görüntüle"), m_preferences);
  m_clearCookies = makeBorderedButton(QStringLiteral("Çerezleri sil"), m_preferences);
  connect(m_viewHistory, &QAbstractButton::clicked, this, [this] {
    // The navigation replaces this page, so nothing of it is touched after.
    if (m_model) m_model->navigate(BuiltinPages::kHistory);
  });
  connect(m_clearCookies, &QAbstractButton::clicked, this, &SettingsView::clearCookies);
  layout->addWidget(m_viewHistory);
  layout->addWidget(m_clearCookies);
  layout->addStretch(1);
  return row;
}

QWidget* SettingsView::cacheContent() {
  KitLabel* line = nullptr;
  QWidget* text = labelStack(QString(), KitFonts::system(13, QFont::Medium),
                             QStringLiteral("En fazla 16 kayıt / 32 MiB hesaplama bütçesi. Ctrl+Shift+R yalnızca açık "
                                            "sayfanın önbelleğini temizleyip yeniler."),
                             m_theme, &line);
  m_cacheLine = line;
  m_clearCache = makeBorderedButton(QStringLiteral("Önbelleği temizle"), m_preferences);
  connect(m_clearCache, &QAbstractButton::clicked, this, [this] {
    if (m_model) m_model->clearCache();
  });
  return spacedRow(text, m_clearCache);
}

QWidget* SettingsView::shortcutContent(const QList<CommandRow>& commands) {
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(17);
  const auto muted = [](const QString& text, const QFont& font, std::shared_ptr<KitTheme> theme) {
    return new KitLabel(text, font, KitLabel::Tone::Muted, std::move(theme));
  };
  const auto row = [&](QWidget* symbol, const QString& title, const QString& shortcut) {
    auto* line = new QWidget;
    auto* rowLayout = new QHBoxLayout(line);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(6);
    if (symbol) rowLayout->addWidget(symbol);
    rowLayout->addWidget(new KitLabel(title, KitFonts::system(12), KitLabel::Tone::Ink, m_theme));
    rowLayout->addStretch(1);
    rowLayout->addWidget(muted(shortcut, KitFonts::monospaced(12), m_theme));
    layout->addWidget(line);
  };
  auto theme = m_theme;
  for (const CommandRow& command : commands) {
    row(new PageSymbol(command.symbol, 12, [theme] { return Palette::colors(theme.get()).ink; }), command.title,
        command.shortcut);
    m_shortcutRows.append({command.title, command.shortcut});
  }
  row(nullptr, QStringLiteral("Sekmeye git / son sekme"), QStringLiteral("Ctrl+1…8 / Ctrl+9"));
  layout->addWidget(muted(QStringLiteral("Üst çubuğun boş alanına çift tıkla: ekranı kapla / önceki boyuta dön."),
                          KitFonts::system(11), m_theme));
  return content;
}

QWidget* SettingsView::footer() {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new KitLabel(QStringLiteral("Kivo 0.4 · Web önizlemesi"), KitFonts::system(11),
                                 KitLabel::Tone::Muted, m_theme));
  layout->addStretch(1);
  m_devTools = new PageButton(m_preferences, QStringLiteral("Geliştirici araçlarını aç"), {}, 11);
  auto preferences = m_preferences;
  m_devTools->setInk([preferences] { return preferences->accent(); });
  m_devTools->setPadding(QMargins(6, 3, 6, 3));
  connect(m_devTools, &QAbstractButton::clicked, this, [this] {
    if (m_model) m_model->setDevToolsVisible(true);
  });
  layout->addWidget(m_devTools);
  return row;
}

void SettingsView::clearCookies() {
  if (!m_model) return;
  // The transport is kept alive by the job, so closing the window meanwhile
  // only drops the notice.
  std::shared_ptr<NetworkTransport> network = m_model->profile()->network();
  QPointer<BrowserModel> model = m_model;
  BackgroundWork::run([network, model] {
    network->clearCookies();
    BackgroundWork::postToMain([model] {
      if (model) model->notify(QStringLiteral("Bu oturumun çerezleri silindi."));
    });
  });
}

void SettingsView::refreshCacheLine() {
  if (!m_model || !m_cacheLine) return;
  m_cacheLine->setPlainText(cacheLine(m_model->cacheEntries(), m_model->cacheBytes()));
}

void SettingsView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Palette::colors(m_theme.get()).background);
}

void SettingsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The cache line shows the figures as of the moment the page came on screen.
  if (m_model) m_model->refreshCacheStatistics();
}
