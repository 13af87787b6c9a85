#include "chrome/tab_strip.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "kit/interaction_cursor.h"
#include "kit/kit_fonts.h"
#include "kit/kivo_symbol.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "pages/page_symbols.h"
#include "pages/page_widgets.h"

namespace {

constexpr int kCloseSide = 22;
constexpr double kTertiaryOpacity = 0.55;

const QString& settingsAddress() {
  static const QString address = QStringLiteral("kivo://settings");
  return address;
}

}  // namespace

TabCloseButton::TabCloseButton(std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QAbstractButton(parent), m_theme(std::move(theme)) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::NoFocus);
  setFixedSize(kCloseSide, kCloseSide);
  setToolTip(QStringLiteral("Sekmeyi kapat"));
  setAccessibleName(QStringLiteral("Sekmeyi kapat"));
  InteractionCursor::handCursor(this);
}

void TabCloseButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const PaletteColors& colors = Palette::colors(m_theme.get());
  const double fill = isDown() ? 0.14 : m_hovered ? 0.08 : 0;
  if (fill > 0) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::withOpacity(colors.ink, fill));
    painter.drawEllipse(QRectF(rect()).adjusted(3, 3, -3, -3));
  }
  const QColor cross = isDown() || m_hovered ? colors.ink : Palette::withOpacity(colors.muted, kTertiaryOpacity);
  painter.setPen(QPen(cross, 1.1, Qt::SolidLine, Qt::RoundCap));
  const QPointF mid = QRectF(rect()).center();
  painter.drawLine(mid + QPointF(-2.5, -2.5), mid + QPointF(2.5, 2.5));
  painter.drawLine(mid + QPointF(-2.5, 2.5), mid + QPointF(2.5, -2.5));
}

void TabCloseButton::enterEvent(QEnterEvent* event) {
  m_hovered = true;
  update();
  QAbstractButton::enterEvent(event);
}

void TabCloseButton::leaveEvent(QEvent* event) {
  m_hovered = false;
  update();
  QAbstractButton::leaveEvent(event);
}

BrowserTabCell::BrowserTabCell(BrowserTabStrip& strip, const QUuid& id, std::shared_ptr<KitTheme> theme)
    : QWidget(&strip), m_strip(&strip), m_id(id), m_theme(std::move(theme)), m_close(new TabCloseButton(m_theme, this)) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::ClickFocus);
  InteractionCursor::handCursor(this);
  m_close->hide();
  // The strip may delete this cell while the close click is still being
  // delivered; it does so later, so only the id is read here.
  connect(m_close, &QAbstractButton::clicked, this, [this] {
    if (m_strip) m_strip->close(m_id);
  });
}

void BrowserTabCell::present(const QString& title, bool isSettings, bool selected, bool showsSeparator) {
  m_title = title;
  m_isSettings = isSettings;
  m_selected = selected;
  m_showsSeparator = showsSeparator;
  setAccessibleName(title);
  setAccessibleDescription(selected ? QStringLiteral("Seçili sekme") : QStringLiteral("Sekme"));
  refreshCloseButton();
  update();
}

void BrowserTabCell::refreshCloseButton() { m_close->setVisible(m_hovered || m_selected); }

void BrowserTabCell::resizeEvent(QResizeEvent* event) {
  m_close->move(width() - 29, 5);
  QWidget::resizeEvent(event);
}

void BrowserTabCell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const PaletteColors& colors = Palette::colors(m_theme.get());
  const QColor accent = Palette::accent(m_theme.get());
  const double w = width();
  const double h = height();
  // The background: the selected tab stands on the toolbar below it, with
  // rounded shoulders and feet that flare out to the cell's full width.
  if (m_selected) {
    QPainterPath shape;
    shape.moveTo(0, h);
    shape.cubicTo(3, h, 5, h - 2, 5, h - 5);
    shape.lineTo(5, 9);
    shape.cubicTo(5, 4, 9, 0, 14, 0);
    shape.lineTo(w - 14, 0);
    shape.cubicTo(w - 9, 0, w - 5, 4, w - 5, 9);
    shape.lineTo(w - 5, h - 5);
    shape.cubicTo(w - 5, h - 2, w - 3, h, w, h);
    shape.closeSubpath();
    painter.fillPath(shape, colors.surface);
  } else if (m_hovered) {
    QPainterPath pill;
    pill.addRoundedRect(QRectF(rect()).adjusted(4, 2, -4, -2), 7, 7);
    painter.fillPath(pill, Palette::withOpacity(colors.ink, 0.055));
  }
  // The divider at the right edge, hidden next to the selected tab.
  if (m_showsSeparator && !m_hovered) {
    QPainterPath separator;
    separator.addRoundedRect(QRectF(w - 0.5, 10, 0.5, 12), 0.25, 0.25);
    painter.fillPath(separator, colors.line);
  }
  // The icon: a gear for the settings page, the product tile otherwise.
  const QRectF icon(14, 9, 14, 14);
  if (m_isSettings) {
    PageSymbols::paint(painter, QStringLiteral("gearshape"), icon.adjusted(1, 1, -1, -1),
                       m_selected ? accent : colors.muted);
  } else {
    QPainterPath tile;
    tile.addRoundedRect(icon, 4, 4);
    painter.fillPath(tile, Palette::withOpacity(accent, m_selected ? 0.16 : 0.09));
    painter.save();
    painter.fillPath(KivoSymbol::path(icon), accent);
    painter.restore();
  }
  // The title, cut with an ellipsis where the cell ends.
  const QFont font = KitFonts::system(11, m_selected ? QFont::Medium : QFont::Normal);
  const QRectF titleRect(36, 8, std::max(w - 70, 0.0), 17);
  painter.setFont(font);
  painter.setPen(m_selected ? colors.ink : colors.muted);
  const QString shown = QFontMetrics(font).elidedText(m_title, Qt::ElideRight, int(std::floor(titleRect.width())));
  painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter, shown);
}

void BrowserTabCell::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  event->accept();
  if (m_strip) m_strip->select(m_id);
}

void BrowserTabCell::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) &&
      event->modifiers() == Qt::NoModifier) {
    if (m_strip) m_strip->select(m_id);
    return;
  }
  QWidget::keyPressEvent(event);
}

void BrowserTabCell::enterEvent(QEnterEvent* event) {
  m_hovered = true;
  refreshCloseButton();
  update();
  QWidget::enterEvent(event);
}

void BrowserTabCell::leaveEvent(QEvent* event) {
  m_hovered = false;
  refreshCloseButton();
  update();
  QWidget::leaveEvent(event);
}

BrowserTabStrip::BrowserTabStrip(BrowserModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_theme(PreferencesTheme::of(model.preferences())) {
  connect(&m_model, &BrowserModel::tabsChanged, this, &BrowserTabStrip::sync);
  connect(&m_model, &BrowserModel::selectedIDChanged, this, &BrowserTabStrip::sync);
  if (m_theme) {
    connect(m_theme.get(), &KitTheme::schemeChanged, this, [this] { PageLayout::repaintTree(this); });
    connect(m_theme.get(), &KitTheme::accentChanged, this, [this] { PageLayout::repaintTree(this); });
  }
  sync();
}

BrowserTabStrip::~BrowserTabStrip() = default;

double BrowserTabStrip::cellWidth(double width, qsizetype count) {
  if (count <= 0) return 0;
  const double shared = (width - kGap * double(count - 1)) / double(count);
  return std::clamp(shared, 0.0, kMaximumCellWidth);
}

QList<BrowserTabCell*> BrowserTabStrip::cells() const {
  QList<BrowserTabCell*> result;
  for (const QUuid& id : m_order) {
    if (BrowserTabCell* made = m_cells.value(id)) result.append(made);
  }
  return result;
}

void BrowserTabStrip::select(const QUuid& id) { m_model.select(id); }

void BrowserTabStrip::close(const QUuid& id) { m_model.close(id); }

void BrowserTabStrip::sync() {
  const QList<BrowserTab>& tabs = m_model.tabs();
  QList<QUuid> order;
  order.reserve(tabs.size());
  for (const BrowserTab& tab : tabs) order.append(tab.id());
  // Cells of tabs that left go later: one of them may be delivering the
  // click of its close button right now.
  for (auto it = m_cells.begin(); it != m_cells.end();) {
    if (order.contains(it.key())) {
      ++it;
      continue;
    }
    if (BrowserTabCell* gone = it.value()) {
      gone->hide();
      gone->disconnect();
      gone->deleteLater();
    }
    it = m_cells.erase(it);
  }
  const QUuid& selected = m_model.selectedID();
  for (qsizetype index = 0; index < tabs.size(); ++index) {
    const BrowserTab& tab = tabs.at(index);
    BrowserTabCell* made = m_cells.value(tab.id());
    if (!made) {
      made = new BrowserTabCell(*this, tab.id(), m_theme);
      m_cells.insert(tab.id(), made);
      made->show();
    }
    const bool isSelected = tab.id() == selected;
    const bool nextSelected = index + 1 < tabs.size() && tabs.at(index + 1).id() == selected;
    const bool separator = !(index + 1 == tabs.size() || isSelected || nextSelected);
    made->present(tab.title, tab.address() == settingsAddress(), isSelected, separator);
  }
  const bool moved = order != m_order;
  m_order = order;
  if (moved) layoutCells();
}

void BrowserTabStrip::layoutCells() {
  const double w = cellWidth(width(), m_order.size());
  for (qsizetype index = 0; index < m_order.size(); ++index) {
    BrowserTabCell* made = m_cells.value(m_order.at(index));
    if (!made) continue;
    const double left = (w + kGap) * double(index);
    made->setGeometry(QRect(int(std::round(left)), kCellTop, int(std::round(left + w)) - int(std::round(left)),
                            BrowserTabCell::kHeight));
  }
}

void BrowserTabStrip::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutCells();
}
