#include "chrome/window_controls.h"

#include <QEnterEvent>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include "kit/palette.h"

namespace {

// Opacities of the scheme's primary colour in the disc.
constexpr double kRestFill = 0.14;
constexpr double kHoverFill = 0.24;
constexpr double kPressedFill = 0.34;
// The symbol's box inside the 12-point disc, and its stroke.
constexpr double kSymbolSide = 5.5;
constexpr double kSymbolStroke = 1.0;

QString label(WindowControlButton::Kind kind) {
  switch (kind) {
    case WindowControlButton::Kind::Close:
      return QStringLiteral("Kapat");
    case WindowControlButton::Kind::Minimize:
      return QStringLiteral("Simge durumuna küçült");
    case WindowControlButton::Kind::Zoom:
      break;
  }
  return QStringLiteral("Büyüt / eski boyutuna getir");
}

}  // namespace

WindowControlButton::WindowControlButton(Kind kind, WindowControls* group)
    : QAbstractButton(group), m_kind(kind), m_group(group) {
  setFixedSize(kDiameter, kDiameter);
  setFocusPolicy(Qt::NoFocus);
  setToolTip(label(kind));
  setAccessibleName(label(kind));
  connect(this, &QAbstractButton::pressed, this, qOverload<>(&QWidget::update));
  connect(this, &QAbstractButton::released, this, qOverload<>(&QWidget::update));
}

void WindowControlButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  m_hoverInside = true;
  update();
}

void WindowControlButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  m_hoverInside = false;
  update();
}

void WindowControlButton::paintEvent(QPaintEvent*) {
  const PaletteColors& colors = Palette::colors(m_group->scheme());
  const bool destructive = m_kind == Kind::Close && (m_hoverInside || isDown());
  QColor fill;
  if (destructive) {
    fill = Palette::destructive();
    if (isDown()) fill = fill.darker(115);
  } else {
    double opacity = isDown() ? kPressedFill : m_hoverInside ? kHoverFill : kRestFill;
    fill = Palette::withOpacity(colors.primary, opacity);
  }

  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF disc = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawEllipse(disc);
  if (!m_group->groupHovered() && !isDown()) return;
  QRectF box(0, 0, kSymbolSide, kSymbolSide);
  box.moveCenter(disc.center());
  paintSymbol(painter, box, destructive ? QColor(Qt::white) : colors.ink);
}

void WindowControlButton::paintSymbol(QPainter& painter, const QRectF& box, const QColor& color) const {
  QPen pen(color, kSymbolStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  switch (m_kind) {
    case Kind::Close:
      painter.drawLine(box.topLeft(), box.bottomRight());
      painter.drawLine(box.topRight(), box.bottomLeft());
      break;
    case Kind::Minimize:
      painter.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
      break;
    case Kind::Zoom:
      if (m_group->isZoomed()) {
        // A smaller frame with the corner of the larger one behind it: back
        // to the earlier size.
        const double side = box.width() * 0.7;
        const double step = box.width() - side;
        QRectF front(box.left(), box.bottom() - side, side, side);
        QPainterPath behind;
        behind.moveTo(box.left() + step, front.top());
        behind.lineTo(box.left() + step, box.top());
        behind.lineTo(box.right(), box.top());
        behind.lineTo(box.right(), box.bottom() - step);
        behind.lineTo(front.right(), box.bottom() - step);
        painter.drawPath(behind);
        painter.drawRect(front);
      } else {
        painter.drawRect(box);
      }
      break;
  }
}

WindowControls::WindowControls(QWidget* parent)
    : QWidget(parent),
      m_close(new WindowControlButton(WindowControlButton::Kind::Close, this)),
      m_minimize(new WindowControlButton(WindowControlButton::Kind::Minimize, this)),
      m_zoom(new WindowControlButton(WindowControlButton::Kind::Zoom, this)) {
  int x = 0;
  for (WindowControlButton* button : {m_close, m_minimize, m_zoom}) {
    button->move(x, 0);
    x += WindowControlButton::kDiameter + kGap;
  }
  setFixedSize(sizeHint());
}

QSize WindowControls::sizeHint() const {
  return QSize(3 * WindowControlButton::kDiameter + 2 * kGap, WindowControlButton::kDiameter);
}

void WindowControls::setTheme(std::shared_ptr<KitTheme> theme) {
  disconnect(m_themeConnection);
  m_theme = std::move(theme);
  if (m_theme) {
    m_themeConnection = connect(m_theme.get(), &KitTheme::schemeChanged, this, [this] {
      for (QWidget* button : {m_close, m_minimize, m_zoom}) button->update();
    });
  }
  update();
  for (QWidget* button : {m_close, m_minimize, m_zoom}) button->update();
}

ColorScheme WindowControls::scheme() const {
  if (m_theme) return m_theme->scheme();
  return palette().color(QPalette::Window).lightnessF() < 0.5 ? ColorScheme::Dark : ColorScheme::Light;
}

void WindowControls::setZoomed(bool zoomed) {
  if (zoomed == m_zoomed) return;
  m_zoomed = zoomed;
  m_zoom->update();
}

void WindowControls::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  setHovered(true);
}

void WindowControls::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  setHovered(false);
}

void WindowControls::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    for (QWidget* button : {m_close, m_minimize, m_zoom}) button->update();
  }
}

void WindowControls::setHovered(bool hovered) {
  if (hovered == m_hovered) return;
  m_hovered = hovered;
  for (QWidget* button : {m_close, m_minimize, m_zoom}) button->update();
}
