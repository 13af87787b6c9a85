#include "pages/home_sites_view.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

#include <algorithm>

#include "kit/focus_ring.h"
#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "model/builtin_pages.h"
#include "profile/history_store.h"

SiteTile::SiteTile(const SiteSuggestion& suggestion, std::shared_ptr<BrowserPreferences> preferences,
                   QWidget* parent)
    : KivoButton(PreferencesTheme::of(preferences), parent), m_suggestion(suggestion) {
  setToolTip(suggestion.id);
  setAccessibleName(suggestion.title);
  setPadding(QMargins(12, 12, 12, 12));
  focusRing()->setRadius(16);
}

QString SiteTile::initial(const QString& title) {
  if (title.isEmpty()) return {};
  // The first user-perceived character, whatever its UTF-16 length and
  // however many combining marks it carries.
  QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, title);
  const qsizetype length = std::max<qsizetype>(graphemes.toNextBoundary(), 1);
  return title.left(length).toUpper();
}

QSize SiteTile::labelSize() const {
  return QSize(SiteTileGrid::kMinimumCell - 24, 42 + 9 + QFontMetrics(KitFonts::system(11)).height());
}

void SiteTile::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), 16, 16);
    painter.fillPath(card, Palette::withOpacity(Palette::colors(theme().get()).surface, 0.7));
  }
  KivoButton::paintEvent(event);
}

void SiteTile::paintLabel(QPainter& painter, const QRectF& rect) {
  const QColor accent = Palette::accent(theme().get());
  // The initial on its accent square.
  const QRectF square(rect.center().x() - 21, rect.top(), 42, 42);
  QPainterPath tile;
  tile.addRoundedRect(square, 13, 13);
  painter.fillPath(tile, Palette::withOpacity(accent, 0.1));
  painter.setFont(KitFonts::system(22, QFont::DemiBold));
  painter.setPen(accent);
  painter.drawText(square, Qt::AlignCenter, initial(m_suggestion.title));
  // The name on one line.
  const QFont nameFont = KitFonts::system(11);
  painter.setFont(nameFont);
  painter.setPen(Palette::colors(theme().get()).ink);
  const QRectF nameRect(rect.left(), square.bottom() + 9, rect.width(), rect.bottom() - square.bottom() - 9);
  painter.drawText(nameRect, Qt::AlignHCenter | Qt::AlignTop,
                   QFontMetrics(nameFont).elidedText(m_suggestion.title, Qt::ElideRight, int(rect.width())));
}

SiteTileGrid::SiteTileGrid(QWidget* parent) : QWidget(parent) {
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

void SiteTileGrid::setTiles(const QList<SiteTile*>& tiles) {
  qDeleteAll(m_tiles);
  m_tiles = tiles;
  for (SiteTile* tile : m_tiles) {
    tile->setParent(this);
    tile->show();
  }
  updateGeometry();
  place();
}

std::pair<int, int> SiteTileGrid::columns(int width) {
  const int count = std::max(1, (width + kColumnSpacing) / (kMinimumCell + kColumnSpacing));
  const int cell = std::clamp((width - (count - 1) * kColumnSpacing) / count, kMinimumCell, kMaximumCell);
  return {count, cell};
}

int SiteTileGrid::heightForWidth(int width) const {
  if (m_tiles.isEmpty()) return 0;
  const int count = columns(width).first;
  const int rows = int((m_tiles.size() + count - 1) / count);
  const int tileHeight = m_tiles.first()->sizeHint().height();
  return rows * tileHeight + (rows - 1) * kRowSpacing;
}

QSize SiteTileGrid::sizeHint() const { return QSize(SiteTileGrid::kMaximumCell * 4, heightForWidth(600)); }

void SiteTileGrid::resizeEvent(QResizeEvent*) { place(); }

void SiteTileGrid::place() {
  if (m_tiles.isEmpty()) return;
  const auto [count, cell] = columns(width());
  const int used = count * cell + (count - 1) * kColumnSpacing;
  const int left = std::max(0, (width() - used) / 2);
  const int tileHeight = m_tiles.first()->sizeHint().height();
  for (qsizetype index = 0; index < m_tiles.size(); ++index) {
    const int column = int(index % count);
    const int row = int(index / count);
    m_tiles[index]->setGeometry(left + column * (cell + kColumnSpacing), row * (tileHeight + kRowSpacing), cell,
                                tileHeight);
  }
}

HomeSitesView::HomeSitesView(HistoryStore& store, BrowserModel& model, QWidget* parent)
    : QWidget(parent),
      m_store(&store),
      m_model(&model),
      m_preferences(model.preferences()),
      m_theme(PreferencesTheme::of(m_preferences)) {
  setMaximumWidth(kMaximumWidth);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(15);

  // The header: the order switch, a spacer and the history button.
  auto* header = new QHBoxLayout;
  header->setSpacing(8);
  auto* switchCard = new PageCard(11, [this] { return Palette::colors(m_theme.get()).chrome; });
  switchCard->setAccessibleName(QStringLiteral("Ziyaret sırası"));
  auto* segments = new QHBoxLayout(switchCard);
  segments->setContentsMargins(3, 3, 3, 3);
  segments->setSpacing(3);
  for (bool value : {false, true}) {
    auto* segment = new PageButton(m_preferences, value ? QStringLiteral("Sık ziyaretler")
                                                        : QStringLiteral("Son ziyaretler"),
                                   {}, 12, QFont::Medium, switchCard);
    segment->setPadding(QMargins(14, 9, 14, 9));
    connect(segment, &QAbstractButton::clicked, this, [this, value] { setFrequent(value); });
    segments->addWidget(segment);
    (value ? m_frequentSegment : m_recentSegment) = segment;
  }
  header->addWidget(switchCard);
  header->addStretch(1);
  m_history = new PageButton(m_preferences, QStringLiteral("Geçmiş"), {}, 11);
  m_history->setPadding(QMargins(8, 5, 8, 5));
  m_history->setInk([this] { return Palette::accent(m_theme.get()); });
  connect(m_history, &QAbstractButton::clicked, this, [this] {
    if (m_model) m_model->navigate(BuiltinPages::kHistory);
  });
  header->addWidget(m_history);
  column->addLayout(header);

  // The tiles, or the empty-state line.
  m_grid = new SiteTileGrid(this);
  column->addWidget(m_grid);
  m_empty = new QWidget(this);
  auto* emptyRow = new QHBoxLayout(m_empty);
  emptyRow->setContentsMargins(0, 12, 0, 12);
  emptyRow->setSpacing(10);
  const auto muted = [this] { return Palette::colors(m_theme.get()).muted; };
  emptyRow->addWidget(new PageSymbol(QStringLiteral("clock"), 13, muted));
  auto* emptyText =
      new KitLabel(QStringLiteral("Gezindiğin siteler burada görünecek. Bu liste yalnızca cihazında oluşturulur."),
                   KitFonts::system(12), KitLabel::Tone::Muted, m_theme);
  emptyRow->addWidget(emptyText, 1);
  column->addWidget(m_empty);

  connect(&store, &HistoryStore::entriesChanged, this, &HomeSitesView::rebuild);
  const auto repaint = [this] { PageLayout::repaintTree(this); };
  connect(m_preferences.get(), &BrowserPreferences::accentHexChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::appearanceChanged, this, repaint);
  connect(m_preferences.get(), &BrowserPreferences::previewAppearanceChanged, this, repaint);
  styleSegments();
  rebuild();
}

void HomeSitesView::setFrequent(bool frequent) {
  m_frequent = frequent;
  styleSegments();
  rebuild();
}

bool HomeSitesView::showsEmptyLine() const { return !m_empty->isHidden(); }

QWidget* HomeSitesView::lastControl() const {
  if (!m_grid->tiles().isEmpty()) return m_grid->tiles().last();
  return m_history;
}

void HomeSitesView::styleSegments() {
  for (bool value : {false, true}) {
    PageButton* segment = value ? m_frequentSegment : m_recentSegment;
    const bool selected = value == m_frequent;
    if (selected) {
      segment->setBackground(PageButton::Shape::Rounded, 8, [this] { return Palette::accent(m_theme.get()); });
      segment->setInk([] { return QColor(Qt::white); });
    } else {
      segment->setBackground(PageButton::Shape::None, 0, {});
      segment->setInk([this] { return Palette::colors(m_theme.get()).ink; });
    }
    // The selected segment carries the selected state for assistive tools.
    segment->setCheckable(true);
    segment->setChecked(selected);
  }
}

void HomeSitesView::rebuild() {
  if (!m_store) return;
  const QList<SiteSuggestion> suggestions = SiteSuggestions::suggestions(*m_store, m_frequent);
  QList<SiteTile*> tiles;
  for (const SiteSuggestion& suggestion : suggestions) {
    auto* tile = new SiteTile(suggestion, m_preferences);
    const QString target = suggestion.id;
    connect(tile, &QAbstractButton::clicked, this, [this, target] {
      if (m_model) m_model->navigate(target);
    });
    tiles.append(tile);
  }
  m_grid->setTiles(tiles);
  m_grid->setVisible(!tiles.isEmpty());
  m_empty->setVisible(tiles.isEmpty());
  Q_EMIT tilesChanged();
}
