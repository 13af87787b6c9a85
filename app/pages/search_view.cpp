#include "pages/search_view.h"

#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

#include "kit/interaction_cursor.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "pages/page_widgets.h"

namespace {
constexpr int kRowSpacing = 8;
constexpr int kRowPadding = 8;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
}  // namespace

SearchResultRow::SearchResultRow(const LibraryPage& page, std::shared_ptr<KitTheme> theme, QWidget* parent)
    : KivoButton(std::move(theme), parent), m_page(page) {
  setPadding(QMargins(0, kRowPadding, 0, kRowPadding));
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  setAccessibleName(page.title);
  setAccessibleDescription(page.description);
}

QList<SearchResultRow::Line> SearchResultRow::lines() const {
  return {{m_page.address(), KitFonts::system(10)},
          {m_page.title, KitFonts::system(18, QFont::Medium)},
          {m_page.description, KitFonts::system(12)}};
}

int SearchResultRow::textHeight(int width) const {
  int height = 0;
  const QList<Line> all = lines();
  for (const Line& line : all) {
    height += QFontMetrics(line.font).boundingRect(QRect(0, 0, std::max(width, 1), 1 << 20), kTextFlags, line.text)
                  .height();
  }
  return height + kRowSpacing * int(all.size() - 1);
}

QSize SearchResultRow::labelSize() const {
  int width = 0;
  for (const Line& line : lines()) {
    // One point of slack: integer advances round fractional widths down.
    width = std::max(width, QFontMetrics(line.font).horizontalAdvance(line.text) + 1);
  }
  return QSize(width, textHeight(width));
}

int SearchResultRow::heightForWidth(int width) const { return textHeight(width) + 2 * kRowPadding; }

QSize SearchResultRow::sizeHint() const {
  const QSize label = labelSize();
  return QSize(label.width(), label.height() + 2 * kRowPadding);
}

QSize SearchResultRow::minimumSizeHint() const { return QSize(0, sizeHint().height()); }

void SearchResultRow::paintLabel(QPainter& painter, const QRectF& rect) {
  const PaletteColors& colors = Palette::colors(theme().get());
  const QColor inks[] = {colors.muted, Palette::accent(theme().get()), colors.muted};
  double y = rect.top();
  int index = 0;
  for (const Line& line : lines()) {
    painter.setFont(line.font);
    painter.setPen(inks[index++]);
    const QRect bounds = QFontMetrics(line.font).boundingRect(QRect(0, 0, std::max(int(rect.width()), 1), 1 << 20),
                                                              kTextFlags, line.text);
    painter.drawText(QRectF(rect.left(), y, rect.width(), bounds.height()), kTextFlags, line.text);
    y += bounds.height() + kRowSpacing;
  }
}

QString SearchView::heading(const QString& query) {
  if (query.isEmpty()) return QStringLiteral("Yerel sayfalar");
  return QChar(0x201C) + query + QChar(0x201D);
}

QString SearchView::countLine(qsizetype count) {
  return QString::number(count) + QStringLiteral(" sonuç · Yalnızca Kivo'nın yerel sayfaları");
}

QString SearchView::noMatchHint() {
  return QStringLiteral("Eşleşme bulunamadı. “motor”, “Kivo” veya “ilkeler” sözcüklerini deneyebilirsin.");
}

SearchView::SearchView(const QString& query, BrowserModel& model, QWidget* parent)
    : QWidget(parent),
      m_model(&model),
      m_preferences(model.preferences()),
      m_theme(PreferencesTheme::of(m_preferences)),
      m_query(query) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  m_scroll = PageLayout::scrollingColumn(this, m_theme, kMaximumWidth, 45, 22, &m_column);
  outer->addWidget(m_scroll);

  m_heading = new KitLabel({}, KitFonts::system(28, QFont::DemiBold), KitLabel::Tone::Ink, m_theme);
  m_heading->setWordWrap(true);
  m_heading->setTextInteractionFlags(Qt::TextSelectableByMouse);
  InteractionCursor::textCursor(m_heading);
  m_column->addWidget(m_heading);
  m_count = new KitLabel({}, KitFonts::system(12), KitLabel::Tone::Muted, m_theme);
  m_column->addWidget(m_count);
  m_hint = new KitLabel(noMatchHint(), KitFonts::system(13), KitLabel::Tone::Muted, m_theme);
  m_hint->setWordWrap(true);
  m_column->addWidget(m_hint);
  m_column->addStretch(1);

  connect(m_theme.get(), &KitTheme::schemeChanged, this, [this] { PageLayout::repaintTree(this); });
  connect(m_theme.get(), &KitTheme::accentChanged, this, [this] { PageLayout::repaintTree(this); });
  refresh();
}

void SearchView::setQuery(const QString& query) {
  if (query == m_query) return;
  m_query = query;
  refresh();
}

void SearchView::refresh() {
  const QList<LibraryPage> results = LibraryPage::search(m_query);
  m_heading->setPlainText(heading(m_query));
  m_count->setPlainText(countLine(results.size()));
  for (SearchResultRow* row : std::as_const(m_rows)) {
    m_column->removeWidget(row);
    row->hide();
    row->deleteLater();
  }
  m_rows.clear();
  // The rows go between the count line and the hint.
  int at = m_column->indexOf(m_count) + 1;
  for (const LibraryPage& page : results) {
    auto* row = new SearchResultRow(page, m_theme);
    const QString address = page.address();
    connect(row, &QAbstractButton::clicked, this, [this, address] {
      if (m_model) m_model->navigate(address);
    });
    m_column->insertWidget(at++, row);
    m_rows.append(row);
  }
  m_hint->setVisible(results.isEmpty());
}

void SearchView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Palette::colors(m_theme.get()).background);
}
