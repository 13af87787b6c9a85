#include "chrome/tab_item_view.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMetaMethod>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "chrome/tab_strip_geometry.h"
#include "kit/kit_fonts.h"
#include "kit/kit_symbols.h"
#include "kit/kit_theme.h"
#include "kit/kivo_symbol.h"
#include "kit/palette.h"

namespace {

// The platform's third text colour: the secondary one made fainter.
constexpr double kTertiaryOpacity = 0.55;

const QString& selectedValue() {
  static const QString text = QStringLiteral("Seçili sekme");
  return text;
}

const QString& unselectedValue() {
  static const QString text = QStringLiteral("Sekme");
  return text;
}

const PaletteColors& colorsOf(const QWidget* widget) {
  for (const QWidget* walk = widget; walk; walk = walk->parentWidget()) {
    if (auto* cell = qobject_cast<const TabItemView*>(walk)) return Palette::colors(cell->theme().get());
  }
  return Palette::colors(static_cast<const KitTheme*>(nullptr));
}

// What assistive clients see of a cell: a page tab named by its title, its
// value telling whether it is the selected one, and a press action that
// selects it. The action is offered only while the cell's strip exists.
class TabItemAccessible : public QAccessibleWidget {
public:
  explicit TabItemAccessible(TabItemView* cell) : QAccessibleWidget(cell, QAccessible::PageTab) {}

  QString text(QAccessible::Text kind) const override {
    const TabItemView* view = cell();
    if (!view) return {};
    switch (kind) {
      case QAccessible::Name:
        return view->title();
      case QAccessible::Value:
        return view->isSelected() ? selectedValue() : unselectedValue();
      default:
        return QAccessibleWidget::text(kind);
    }
  }

  QAccessible::State state() const override {
    QAccessible::State result = QAccessibleWidget::state();
    if (const TabItemView* view = cell()) {
      result.selectable = true;
      result.selected = view->isSelected();
    }
    return result;
  }

  QStringList actionNames() const override {
    const TabItemView* view = cell();
    if (!view || !view->canBePressed()) return {};
    return {QAccessibleActionInterface::pressAction()};
  }

  void doAction(const QString& name) override {
    if (name != QAccessibleActionInterface::pressAction()) return;
    if (TabItemView* view = cell()) view->accessibilityPress();
  }

private:
  TabItemView* cell() const { return qobject_cast<TabItemView*>(object()); }
};

QAccessibleInterface* tabItemAccessibleFactory(const QString& className, QObject* object) {
  if (className == QLatin1String("TabItemView") && object && object->isWidgetType()) {
    if (auto* cell = qobject_cast<TabItemView*>(object)) return new TabItemAccessible(cell);
  }
  return nullptr;
}

void installAccessibleFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(tabItemAccessibleFactory);
    return true;
  }();
  (void)installed;
}

}  // namespace

TabCloseButton::TabCloseButton(QWidget* parent) : QAbstractButton(parent) {
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::NoFocus);
  setFixedSize(int(TabStripGeometry::kCloseSide), int(TabStripGeometry::kCloseSide));
  setToolTip(QStringLiteral("Sekmeyi kapat"));
  setAccessibleName(QStringLiteral("Sekmeyi kapat"));
  setCursor(Qt::PointingHandCursor);
}

void TabCloseButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (auto* cell = qobject_cast<const TabItemView*>(parentWidget())) painter.setOpacity(cell->opacity());
  const PaletteColors& colors = colorsOf(this);
  const double fill = isDown() ? 0.14 : m_hovered ? 0.08 : 0;
  if (fill > 0) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::withOpacity(colors.ink, fill));
    painter.drawEllipse(QRectF(rect()).adjusted(3, 3, -3, -3));
  }
  const bool strong = isDown() || m_hovered;
  const QColor cross = strong ? colors.ink : Palette::withOpacity(colors.muted, kTertiaryOpacity);
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

TabItemView::TabItemView(const QUuid& id, std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QWidget(parent),
      m_id(id),
      m_theme(std::move(theme)),
      m_accent(Palette::accent(m_theme.get())),
      m_close(new TabCloseButton(this)),
      m_slide(new QVariantAnimation(this)) {
  installAccessibleFactory();
  setAttribute(Qt::WA_Hover);
  setFocusPolicy(Qt::ClickFocus);
  refreshCursor();
  m_slide->setDuration(TabStripGeometry::kAnimationMilliseconds);
  m_slide->setEasingCurve(TabStripGeometry::slideCurve());
  connect(m_slide, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& value) { setGeometry(value.toRect()); });
  // The strip may drop this cell while the click is still being delivered;
  // it only hides it then and deletes it later, so reading the id is safe.
  connect(m_close, &QAbstractButton::clicked, this, &TabItemView::closeTab);
  m_close->move(TabStripGeometry::closeOrigin(width()).toPoint());
}

TabItemView::~TabItemView() = default;

void TabItemView::present(const QString& title, bool isSettings, bool selected, bool showsSeparator,
                          const QColor& accent) {
  const bool renamed = title != m_title;
  const bool reselected = selected != m_selected;
  m_title = title;
  m_isSettings = isSettings;
  m_selected = selected;
  m_showsSeparator = showsSeparator;
  m_accent = accent;
  update();
  if (renamed) {
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
  if (reselected) {
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
  }
}

void TabItemView::setTheme(std::shared_ptr<KitTheme> theme) {
  m_theme = std::move(theme);
  update();
  m_close->update();
}

void TabItemView::setLifted(bool lifted) {
  if (m_lifted == lifted) return;
  m_lifted = lifted;
  refreshCursor();
  update();
}

void TabItemView::setOpacity(double opacity) {
  if (m_opacity == opacity) return;
  m_opacity = opacity;
  update();
  m_close->update();
}

void TabItemView::refreshCursor() { setCursor(m_lifted ? Qt::ClosedHandCursor : Qt::PointingHandCursor); }

void TabItemView::moveTo(const QRect& frame, bool animated) {
  if (!animated || !m_placed) {
    m_slide->stop();
    m_placed = true;
    setGeometry(frame);
    return;
  }
  if (m_slide->state() == QAbstractAnimation::Running && m_slide->endValue().toRect() == frame) return;
  m_slide->stop();
  if (geometry() == frame) return;
  m_slide->setStartValue(geometry());
  m_slide->setEndValue(frame);
  m_slide->start();
}

QRect TabItemView::targetFrame() const { return isSliding() ? m_slide->endValue().toRect() : geometry(); }

bool TabItemView::isSliding() const { return m_slide->state() == QAbstractAnimation::Running; }

bool TabItemView::canBePressed() const {
  return isSignalConnected(QMetaMethod::fromSignal(&TabItemView::selectRequested));
}

bool TabItemView::accessibilityPress() {
  if (!canBePressed()) return false;
  Q_EMIT selectRequested(m_id);
  return true;
}

void TabItemView::closeTab() { Q_EMIT closeRequested(m_id); }

void TabItemView::resizeEvent(QResizeEvent* event) {
  m_close->move(TabStripGeometry::closeOrigin(width()).toPoint());
  QWidget::resizeEvent(event);
}

void TabItemView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setOpacity(m_opacity);
  const PaletteColors& colors = Palette::colors(m_theme.get());
  const double w = width();
  const double h = height();

  // The background: the raised card while dragged; the selected tab
  // standing on the toolbar, with rounded shoulders and feet that flare out
  // to the cell's full width; the light pill under the pointer.
  if (m_lifted) {
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
    painter.fillPath(card, colors.surface);
    painter.strokePath(card, QPen(Palette::withOpacity(m_accent, 0.4), 1));
  } else if (m_selected) {
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

  // The divider at the right edge.
  if (m_showsSeparator && !m_hovered && !m_lifted) {
    QPainterPath separator;
    separator.addRoundedRect(QRectF(w - 0.5, 10, 0.5, 12), 0.25, 0.25);
    painter.fillPath(separator, colors.line);
  }

  // The icon: a gear for the settings page, the product tile otherwise.
  const QRectF icon(14, 9, 14, 14);
  if (m_isSettings) {
    KitSymbols::paint(painter, QStringLiteral("gearshape"), icon.adjusted(1, 1, -1, -1),
                      m_selected ? m_accent : colors.muted);
  } else {
    QPainterPath tile;
    tile.addRoundedRect(icon, 4, 4);
    painter.fillPath(tile, Palette::withOpacity(m_accent, m_selected ? 0.16 : 0.09));
    painter.save();
    QPainterPath glyph = KivoSymbol::path(icon);
    glyph.setFillRule(Qt::WindingFill);
    painter.fillPath(glyph, m_accent);
    painter.restore();
  }

  // The title, cut with an ellipsis where its area ends.
  const QFont font = KitFonts::system(11, m_selected ? QFont::Medium : QFont::Normal);
  const QRectF titleRect(36, 8, std::max(w - 70, 0.0), 17);
  painter.setFont(font);
  painter.setPen(m_selected ? colors.ink : colors.muted);
  const QString shown = QFontMetrics(font).elidedText(m_title, Qt::ElideRight, int(std::floor(titleRect.width())));
  painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

void TabItemView::mousePressEvent(QMouseEvent* event) {
  // Every press on a tab is the tab's: none reaches the window's drag area.
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  Q_EMIT pressed(m_id, event);
}

void TabItemView::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  if (!(event->buttons() & Qt::LeftButton)) return;
  Q_EMIT dragged(m_id, event);
}

void TabItemView::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  Q_EMIT released(m_id, event);
}

void TabItemView::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Escape) {
    Q_EMIT cancelRequested();
    return;
  }
  if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    Q_EMIT selectRequested(m_id);
    return;
  }
  QWidget::keyPressEvent(event);
}

void TabItemView::wheelEvent(QWheelEvent* event) {
  event->ignore();
  Q_EMIT wheelTurned(event);
}

void TabItemView::enterEvent(QEnterEvent* event) {
  m_hovered = true;
  update();
  QWidget::enterEvent(event);
}

void TabItemView::leaveEvent(QEvent* event) {
  m_hovered = false;
  update();
  QWidget::leaveEvent(event);
}

TabDropMarker::TabDropMarker(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  hide();
}

void TabDropMarker::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath bar;
  bar.addRoundedRect(QRectF(rect()), 1.5, 1.5);
  // The desktop's own accent, not the browser's: the bar is the system's
  // sign for a drop position.
  painter.fillPath(bar, QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight));
}
