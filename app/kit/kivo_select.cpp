#include "kit/kivo_select.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "kit/focus_ring.h"
#include "kit/kit_fonts.h"
#include "kit/kit_symbols.h"
#include "kit/kivo_popup.h"
#include "kit/palette.h"
#include "platform/check.h"

namespace {

constexpr double kButtonRadius = 10;
constexpr int kButtonInset = 13;
constexpr int kChevronPoints = 10;
constexpr int kLabelGap = 16;

// One option of the list: its label, a checkmark when selected, and the
// accent highlight when it is the keyboard's row.
class SelectRow : public KivoButton {
public:
  SelectRow(const KivoSelectOption& option, bool selected, std::function<bool()> highlighted,
            std::function<void()> hovered, std::shared_ptr<KitTheme> theme, QWidget* parent)
      : KivoButton(std::move(theme), parent),
        m_selected(selected),
        m_highlighted(std::move(highlighted)),
        m_hovered(std::move(hovered)) {
    setText(option.label);
    setLabelFont(KitFonts::system(12));
    setPadding(QMargins(11, 11, 11, 11));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The list takes the keys and moves its highlight; the rows stay out of
    // the Tab chain.
    setFocusPolicy(Qt::NoFocus);
  }
  bool selected() const { return m_selected; }

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override {
    QColor accent = Palette::accent(theme().get());
    if (m_highlighted()) {
      QPainterPath background;
      background.addRoundedRect(QRectF(this->rect()), 8, 8);
      painter.fillPath(background, Palette::withOpacity(accent, 0.12));
    }
    painter.setFont(KitFonts::system(12));
    painter.setPen(foreground());
    painter.drawText(rect.adjusted(0, 0, -18, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    if (m_selected)
      KitSymbols::paint(painter, QStringLiteral("checkmark"), QRectF(rect.right() - 12, rect.center().y() - 6, 12, 12),
                        accent);
  }
  void enterEvent(QEnterEvent* event) override {
    m_hovered();
    KivoButton::enterEvent(event);
  }

private:
  bool m_selected;
  std::function<bool()> m_highlighted;
  std::function<void()> m_hovered;
};

}  // namespace

KivoSelectOptions::KivoSelectOptions(QList<KivoSelectOption> options, qint64 selection,
                                     std::function<void(qint64)> pick, std::function<void()> close,
                                     std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QWidget(parent),
      m_options(std::move(options)),
      m_selection(selection),
      m_pick(std::move(pick)),
      m_close(std::move(close)),
      m_theme(std::move(theme)) {
  // The keyboard's wrapping highlight counts modulo the number of options.
  KIVO_CHECK(!m_options.isEmpty());
  setFixedWidth(kWidth);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_TranslucentBackground);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(7, 7, 7, 7);
  column->setSpacing(4);
  // The first option with the selected value starts highlighted.
  for (int i = 0; i < m_options.size(); ++i) {
    if (m_options[i].value == selection) {
      m_highlighted = i;
      break;
    }
  }
  for (int i = 0; i < m_options.size(); ++i) {
    auto* row = new SelectRow(
        m_options[i], m_options[i].value == selection, [this, i] { return m_highlighted == i; },
        [this, i] { setHighlighted(i); }, m_theme, this);
    qint64 value = m_options[i].value;
    connect(row, &QAbstractButton::clicked, this, [this, value] { m_pick(value); });
    column->addWidget(row);
    m_rows.append(row);
  }
}

void KivoSelectOptions::setHighlighted(int index) {
  m_highlighted = index;
  for (auto* row : m_rows) row->update();
}

void KivoSelectOptions::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  setFocus(Qt::PopupFocusReason);
}

void KivoSelectOptions::keyPressEvent(QKeyEvent* event) {
  const int count = int(m_options.size());
  switch (event->key()) {
    case Qt::Key_Down:
      setHighlighted((m_highlighted + 1) % count);
      break;
    case Qt::Key_Up:
      setHighlighted((m_highlighted + count - 1) % count);
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      m_pick(m_options[m_highlighted].value);
      break;
    case Qt::Key_Escape:
      m_close();
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

KivoSelect::KivoSelect(const QString& title, QList<KivoSelectOption> options, qint64 selection,
                       std::shared_ptr<KitTheme> theme, QWidget* parent)
    : KivoButton(theme, parent), m_title(title), m_options(std::move(options)), m_selection(selection) {
  // An empty list could open a list with no row to highlight or pick.
  KIVO_CHECK(!m_options.isEmpty());
  setLabelFont(KitFonts::system(12, QFont::Medium));
  setPadding(QMargins(kButtonInset, 0, kButtonInset, 0));
  setAccessibleName(title);
  setAccessibleDescription(accessibleValue());
  focusRing()->setRadius(kButtonRadius);
  m_popup = new KivoPopup(
      this,
      [this] {
        return new KivoSelectOptions(
            m_options, m_selection,
            [this](qint64 value) {
              setSelection(value);
              setOpen(false);
            },
            [this] { setOpen(false); }, this->theme());
      },
      theme);
  connect(this, &QAbstractButton::clicked, this, [this] { setOpen(!isOpen()); });
  connect(m_popup, &KivoPopup::presentedChanged, this, qOverload<>(&QWidget::update));
}

void KivoSelect::setOptions(QList<KivoSelectOption> options) {
  KIVO_CHECK(!options.isEmpty());
  m_options = std::move(options);
  updateGeometry();
  update();
}

void KivoSelect::setSelection(qint64 value) {
  m_selection = value;
  setAccessibleDescription(accessibleValue());
  updateGeometry();
  update();
  Q_EMIT selectionChanged(value);
}

QString KivoSelect::currentLabel() const {
  for (const auto& option : m_options)
    if (option.value == m_selection) return option.label;
  return m_title;
}

QString KivoSelect::accessibleValue() const {
  for (const auto& option : m_options)
    if (option.value == m_selection) return option.label;
  return {};
}

bool KivoSelect::isOpen() const { return m_popup->isPresented(); }

void KivoSelect::setOpen(bool open) {
  m_popup->setPresented(open);
  update();
}

QSize KivoSelect::labelSize() const {
  QFontMetrics metrics(KitFonts::system(12, QFont::Medium));
  return QSize(metrics.horizontalAdvance(currentLabel()) + kLabelGap + kChevronPoints, kHeight);
}

void KivoSelect::paintLabel(QPainter& painter, const QRectF& rect) {
  const PaletteColors& colors = Palette::colors(theme().get());
  QRectF frame = this->rect();
  QPainterPath shape;
  shape.addRoundedRect(frame, kButtonRadius, kButtonRadius);
  painter.fillPath(shape, colors.chrome);
  QPainterPath outline;
  outline.addRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), kButtonRadius, kButtonRadius);
  painter.strokePath(outline, QPen(isOpen() ? Palette::accent(theme().get()) : colors.line, 1));
  painter.setFont(KitFonts::system(12, QFont::Medium));
  painter.setPen(colors.ink);
  painter.drawText(rect.adjusted(0, 0, -(kLabelGap + kChevronPoints), 0), Qt::AlignLeft | Qt::AlignVCenter,
                   currentLabel());
  // The chevron turns upside down while the list is open.
  QRectF chevron(rect.right() - kChevronPoints, rect.center().y() - kChevronPoints / 2.0, kChevronPoints, kChevronPoints);
  painter.save();
  if (isOpen()) {
    painter.translate(chevron.center());
    painter.rotate(180);
    painter.translate(-chevron.center());
  }
  KitSymbols::paint(painter, QStringLiteral("chevron.down"), chevron, colors.ink);
  painter.restore();
}
