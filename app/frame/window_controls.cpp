#include "frame/window_controls.h"

#include <QApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include "kit/palette.h"

namespace {

// Opacities of the scheme's primary colour in the disc of an inactive
// window: grey, yet clearly apart from the tab row.
constexpr double kRestFill = 0.2;
constexpr double kHoverFill = 0.28;
constexpr double kPressedFill = 0.36;
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
  const ColorScheme scheme = m_group->scheme();
  const PaletteColors& colors = Palette::colors(scheme);
  const bool active = m_group->windowActive();
  const bool destructive = m_kind == Kind::Close && (m_hoverInside || isDown());
  QColor fill;
  QColor symbol = colors.ink;
  if (active) {
    fill = WindowControls::activeColor(m_kind, scheme);
    if (isDown()) fill = fill.darker(115);
    // Light discs in the dark scheme take a dark symbol, deep ones a white.
    symbol = scheme == ColorScheme::Dark ? QColor(0, 0, 0, 170) : QColor(Qt::white);
  } else if (destructive) {
    fill = Palette::destructive();
    if (isDown()) fill = fill.darker(115);
    symbol = Qt::white;
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
  paintSymbol(painter, box, symbol);
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

bool WindowControls::windowActive() const {
  // The active window, or the window that owns it: a panel or popup the
  // window opened takes the activation without ending the window's turn.
  const QWidget* own = window();
  for (const QWidget* active = QApplication::activeWindow(); active;
       active = active->parentWidget() ? active->parentWidget()->window() : nullptr) {
    if (active == own) return true;
  }
  return false;
}

QColor WindowControls::activeColor(WindowControlButton::Kind kind, ColorScheme scheme) {
  // Red, amber and green, deep enough on the light tab row and bright
  // enough on the dark one to keep a contrast of at least 3:1.
  const bool dark = scheme == ColorScheme::Dark;
  switch (kind) {
    case WindowControlButton::Kind::Close:
      return dark ? QColor(0xF0, 0x59, 0x6A) : Palette::destructive();
    case WindowControlButton::Kind::Minimize:
      return dark ? QColor(0xE0, 0xA0, 0x30) : QColor(0xA5, 0x68, 0x0C);
    case WindowControlButton::Kind::Zoom:
      break;
  }
  return dark ? QColor(0x3F, 0xBF, 0x5A) : QColor(0x2E, 0x85, 0x40);
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

bool WindowControls::event(QEvent* event) {
  // The window system's activation of the window, not any notion of a main
  // window kept elsewhere, decides whether the discs are coloured. The
  // window's activation change reaches its children as these two.
  if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
    for (QWidget* button : {m_close, m_minimize, m_zoom}) button->update();
  }
  return QWidget::event(event);
}

void WindowControls::setHovered(bool hovered) {
  if (hovered == m_hovered) return;
  m_hovered = hovered;
  for (QWidget* button : {m_close, m_minimize, m_zoom}) button->update();
}
