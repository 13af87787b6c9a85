#include "chrome/address_field.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTimer>

#include "kit/interaction_cursor.h"
#include "kit/kit_fonts.h"
#include "kit/page_controls.h"
#include "kit/palette.h"
#include "model/browser_model.h"

namespace {

constexpr double kOutlineWidth = 1.5;
constexpr double kOutlineOpacity = 0.7;

const BrowserTab* selectedTab(const BrowserModel& model) {
  for (const BrowserTab& tab : model.tabs()) {
    if (tab.id() == model.selectedID()) return &tab;
  }
  return model.tabs().isEmpty() ? nullptr : &model.tabs().first();
}

}  // namespace

AddressField::AddressField(BrowserModel& model, std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QWidget(parent), m_model(model), m_theme(std::move(theme)) {
  setFixedHeight(kHeight);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(13, 0, 13, 0);
  row->setSpacing(9);
  const std::shared_ptr<KitTheme> colors = m_theme;
  m_icon = new PageSymbol(QStringLiteral("doc.text"), 11, [colors] { return Palette::colors(colors.get()).muted; });
  row->addWidget(m_icon, 0, Qt::AlignVCenter);
  m_edit = new QLineEdit(this);
  m_edit->setFrame(false);
  m_edit->setFont(KitFonts::system(12));
  m_edit->setPlaceholderText(QStringLiteral("Adres yaz veya Kivo'da ara"));
  m_edit->setAccessibleName(QStringLiteral("Adres ve yerel arama çubuğu"));
  m_edit->setAttribute(Qt::WA_MacShowFocusRect, false);
  InteractionCursor::textCursor(m_edit);
  m_edit->installEventFilter(this);
  row->addWidget(m_edit, 1, Qt::AlignVCenter);

  connect(m_edit, &QLineEdit::textEdited, this, [this](const QString& text) {
    m_userEdited = true;
    m_model.setAddressDraft(text);
  });
  connect(m_edit, &QLineEdit::returnPressed, this, &AddressField::submit);
  connect(&m_model, &BrowserModel::addressDraftChanged, this, &AddressField::showDraft);
  connect(&m_model, &BrowserModel::tabsChanged, this, &AddressField::followTab);
  connect(&m_model, &BrowserModel::selectedIDChanged, this, &AddressField::followTab);
  if (m_theme) {
    connect(m_theme.get(), &KitTheme::schemeChanged, this, &AddressField::applyColors);
    connect(m_theme.get(), &KitTheme::accentChanged, this, &AddressField::applyColors);
  }
  applyColors();
  followTab();
}

AddressField::~AddressField() = default;

QString AddressField::schemeSymbol(const BrowserTab& tab) {
  const QString address = tab.address();
  if (tab.networkResponse && tab.networkResponse->url.scheme() == QLatin1String("https") &&
      address.startsWith(QLatin1String("https:"))) {
    return QStringLiteral("lock");
  }
  if (address.startsWith(QLatin1String("http:"))) return QStringLiteral("exclamationmark.triangle");
  if (address.startsWith(QLatin1String("https:"))) return QStringLiteral("globe");
  return QStringLiteral("doc.text");
}

QString AddressField::schemeIcon() const { return m_icon->name(); }

void AddressField::showDraft() {
  if (m_userEdited && m_edit->hasFocus()) return;
  // Setting the same text again would move the cursor to the end.
  if (m_edit->text() == m_model.addressDraft()) return;
  m_edit->setText(m_model.addressDraft());
  // A field at rest shows the beginning of a long address.
  if (!m_edit->hasFocus()) m_edit->setCursorPosition(0);
}

void AddressField::followTab() {
  const BrowserTab* tab = selectedTab(m_model);
  if (!tab) return;
  const QString symbol = schemeSymbol(*tab);
  if (symbol != m_icon->name()) m_icon->setName(symbol);
  // Another tab, or a navigation of this one (a new history entry, a move
  // in the history or a new load): the user's edit belongs to the past.
  const bool moved = tab->id() != m_tabID || tab->generation != m_generation || tab->position != m_position ||
                     tab->history.size() != m_historySize;
  if (!moved) return;
  m_tabID = tab->id();
  m_generation = tab->generation;
  m_position = tab->position;
  m_historySize = tab->history.size();
  m_userEdited = false;
  showDraft();
}

void AddressField::submit() {
  // The field may hold text the model's draft no longer has (a write of
  // the model was kept off while the user typed): the typed text goes.
  m_userEdited = false;
  if (m_model.addressDraft() != m_edit->text()) m_model.setAddressDraft(m_edit->text());
  QPointer<AddressField> self(this);
  m_model.navigate(m_model.addressDraft());
  if (self) m_edit->clearFocus();
}

void AddressField::focusAndSelectAll() {
  m_edit->setFocus(Qt::ShortcutFocusReason);
  QPointer<QLineEdit> edit(m_edit);
  QTimer::singleShot(0, m_edit, [edit] {
    if (edit) edit->selectAll();
  });
}

void AddressField::applyColors() {
  const PaletteColors& colors = Palette::colors(m_theme.get());
  QPalette palette = m_edit->palette();
  palette.setColor(QPalette::Base, Qt::transparent);
  palette.setColor(QPalette::Text, colors.ink);
  palette.setColor(QPalette::PlaceholderText, colors.muted);
  palette.setColor(QPalette::Highlight, Palette::withOpacity(Palette::accent(m_theme.get()), 0.35));
  palette.setColor(QPalette::HighlightedText, colors.ink);
  m_edit->setPalette(palette);
  m_icon->update();
  update();
}

void AddressField::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
  painter.fillPath(shape, Palette::colors(m_theme.get()).chrome);
  if (m_edit->hasFocus()) {
    const double inset = kOutlineWidth / 2;
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), kCornerRadius - inset,
                           kCornerRadius - inset);
    painter.strokePath(outline,
                       QPen(Palette::withOpacity(Palette::accent(m_theme.get()), kOutlineOpacity), kOutlineWidth));
  }
}

bool AddressField::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_edit && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) update();
  return QWidget::eventFilter(watched, event);
}
