#include "kit/kivo_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kit_symbols.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_button.h"
#include "kit/kivo_panel.h"
#include "kit/palette.h"
#include "kit/window_front.h"

namespace {

constexpr double kCardRadius = 20;
constexpr int kInset = 28;

// The symbol tile of the card's header: the accent symbol on a faint accent
// square.
class SymbolTile : public QWidget {
public:
  SymbolTile(QString symbol, std::shared_ptr<KitTheme> theme, QWidget* parent)
      : QWidget(parent), m_symbol(std::move(symbol)), m_theme(std::move(theme)) {
    setFixedSize(48, 48);
    if (m_theme)
      connect(m_theme.get(), &KitTheme::accentChanged, this, qOverload<>(&QWidget::update));
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor accent = Palette::accent(m_theme.get());
    QPainterPath tile;
    tile.addRoundedRect(QRectF(rect()), 14, 14);
    painter.fillPath(tile, Palette::withOpacity(accent, 0.12));
    KitSymbols::paint(painter, m_symbol, QRectF(13.5, 13.5, 21, 21), accent);
  }

private:
  QString m_symbol;
  std::shared_ptr<KitTheme> m_theme;
};

// The boxed detail: an info symbol and the text on the chrome fill.
class DetailBox : public QWidget {
public:
  DetailBox(const QString& text, std::shared_ptr<KitTheme> theme, QWidget* parent)
      : QWidget(parent), m_theme(theme) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(8);
    auto* symbol = new QWidget(this);
    symbol->setFixedSize(13, 13);
    m_symbol = symbol;
    auto* label = new KitLabel(text, KitFonts::system(11), KitLabel::Tone::Muted, theme, 4, this);
    label->setWordWrap(true);
    layout->addWidget(symbol, 0, Qt::AlignTop);
    layout->addWidget(label, 1);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const PaletteColors& colors = Palette::colors(m_theme.get());
    QPainterPath box;
    box.addRoundedRect(QRectF(rect()), 10, 10);
    painter.fillPath(box, colors.chrome);
    KitSymbols::paint(painter, QStringLiteral("info.circle"), QRectF(m_symbol->geometry()).translated(0, 1),
                      colors.muted);
  }

private:
  std::shared_ptr<KitTheme> m_theme;
  QWidget* m_symbol;
};

// What one shown dialog shares between its panel and its card.
struct Completion {
  bool finished = false;
  QPointer<QWidget> window;
  QPointer<KivoPanel> panel;
  QPointer<QWidget> responder;
  std::function<void()> action;
};

void complete(const std::shared_ptr<Completion>& record, bool confirmed) {
  // Only the first completion of a live dialog acts.
  if (record->finished || !record->window || !record->panel) return;
  // Mark it done before anything can call back in.
  record->finished = true;
  // End the sheet.
  KivoPanel* panel = record->panel;
  panel->hide();
  panel->deleteLater();
  // Give the window its focus back.
  record->window->activateWindow();
  if (record->responder) record->responder->setFocus(Qt::OtherFocusReason);
  else record->window->setFocus(Qt::OtherFocusReason);
  // Run the action on confirmation only.
  if (confirmed && record->action) record->action();
}

// Where a sheet of `size` sits on `window`: centred across, in the upper
// third.
QPoint sheetOrigin(QWidget* window, QSize size) {
  QRect frame = window->geometry();
  int x = frame.x() + (frame.width() - size.width()) / 2;
  int y = frame.y() + std::max(0, (frame.height() - size.height()) / 3);
  return QPoint(x, y);
}

}  // namespace

KivoDialogCard::KivoDialogCard(const QString& title, const QString& message, const std::optional<QString>& detail,
                               const QString& confirmTitle, bool destructive,
                               const std::optional<QString>& cancelTitle, std::function<void(bool)> complete,
                               std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QWidget(parent),
      m_title(title),
      m_message(message),
      m_detail(detail),
      m_destructive(destructive),
      m_complete(std::move(complete)),
      m_theme(std::move(theme)) {
  setFixedWidth(kWidth);
  setAttribute(Qt::WA_TranslucentBackground);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(kInset, kInset, kInset, kInset);
  column->setSpacing(20);

  // Header: symbol tile, space, close button.
  auto* header = new QHBoxLayout();
  header->addWidget(new SymbolTile(headerSymbol(), m_theme, this), 0, Qt::AlignVCenter);
  header->addStretch(1);
  m_close = new KivoButton(m_theme, this);
  m_close->setSymbol(QStringLiteral("xmark"), 12);
  m_close->setFrameSize(QSize(28, 28));
  m_close->setAccessibleName(QStringLiteral("Pencereyi kapat"));
  connect(m_close, &QAbstractButton::clicked, this, [this] { m_complete(false); });
  header->addWidget(m_close, 0, Qt::AlignVCenter);
  column->addLayout(header);

  // Title and message.
  auto* texts = new QVBoxLayout();
  texts->setSpacing(10);
  auto* titleLabel = new KitLabel(title, KitFonts::system(23, QFont::DemiBold), KitLabel::Tone::Ink, m_theme, 0, this);
  titleLabel->setWordWrap(true);
  titleLabel->setAccessibleDescription(QStringLiteral("heading"));
  auto* messageLabel = new KitLabel(message, KitFonts::system(13), KitLabel::Tone::Muted, m_theme, 5, this);
  messageLabel->setWordWrap(true);
  texts->addWidget(titleLabel);
  texts->addWidget(messageLabel);
  column->addLayout(texts);

  // The boxed detail, when there is one.
  if (detail) column->addWidget(new DetailBox(*detail, m_theme, this));

  // Buttons at the trailing edge, 4 pt lower than the rows' spacing.
  auto* buttons = new QHBoxLayout();
  buttons->setContentsMargins(0, 4, 0, 0);
  buttons->setSpacing(10);
  buttons->addStretch(1);
  if (cancelTitle) {
    m_cancel = new KivoActionButton(*cancelTitle, KivoActionStyle{}, m_theme, this);
    m_cancel->setFocusPolicy(Qt::StrongFocus);
    connect(m_cancel, &QAbstractButton::clicked, this, [this] { m_complete(false); });
    buttons->addWidget(m_cancel);
  }
  m_confirm = new KivoActionButton(confirmTitle, KivoActionStyle{true, destructive}, m_theme, this);
  m_confirm->setFocusPolicy(Qt::StrongFocus);
  connect(m_confirm, &QAbstractButton::clicked, this, [this] { m_complete(true); });
  buttons->addWidget(m_confirm);
  column->addLayout(buttons);

  if (m_theme) {
    connect(m_theme.get(), &KitTheme::schemeChanged, this, qOverload<>(&QWidget::update));
  }
}

QString KivoDialogCard::headerSymbol() const {
  return m_destructive ? QStringLiteral("trash") : QStringLiteral("sparkles");
}

void KivoDialogCard::focusInitialButton() {
  if (m_cancel) m_cancel->setFocus(Qt::OtherFocusReason);
  else m_confirm->setFocus(Qt::OtherFocusReason);
}

QSize KivoDialogCard::sizeHint() const {
  int height = layout()->heightForWidth(kWidth);
  return QSize(kWidth, height > 0 ? height : layout()->sizeHint().height());
}

void KivoDialogCard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  KivoPanel::paintCard(painter, this, kCardRadius, m_theme.get());
}

void KivoDialogCard::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    m_complete(window()->focusWidget() == m_confirm);
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    m_complete(false);
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

namespace KivoDialog {

KivoPanel* show(QWidget* window, std::shared_ptr<KitTheme> theme, const QString& title,
                const QString& message, const std::optional<QString>& detail, const QString& confirm,
                bool destructive, const std::optional<QString>& cancel, std::function<void()> action) {
  // Nothing without a window, nothing over another sheet.
  if (!window) return nullptr;
  window = window->window();
  if (KivoPanel::attachedSheet(window)) return nullptr;
  // The panel.
  auto* panel = new KivoPanel(KivoPanel::Role::Sheet, window, theme);
  panel->setCornerRadius(kCardRadius);
  panel->setWindowTitle(title);
  // The completion that every way of closing ends in.
  auto record = std::make_shared<Completion>();
  record->window = window;
  record->panel = panel;
  record->responder = window->focusWidget();
  record->action = std::move(action);
  auto completion = [record](bool confirmed) { complete(record, confirmed); };
  // Escape that reaches the panel cancels.
  panel->setDismiss([completion] { completion(false); });
  // The card.
  auto* card = new KivoDialogCard(title, message, detail, confirm, destructive, cancel, completion,
                                  std::move(theme), panel);
  panel->setContent(card);
  // Attach it as a sheet: the card centred across the window, in its upper
  // third, with the shadow's margin (if any) around it.
  const QSize cardSize = card->sizeHint();
  panel->setCardGeometry(QRect(sheetOrigin(window, cardSize), cardSize));
  panel->show();
  KitWindows::bringToFront(*panel);
  card->focusInitialButton();
  return panel;
}

}  // namespace KivoDialog
