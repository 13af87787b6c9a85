#include "chrome/tab_drag_preview.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "kit/kit_fonts.h"
#include "kit/palette.h"
#include "platform/window_compositing.h"

TabDragPreview::TabDragPreview()
    : TranslucentWindow(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                                     Qt::WindowDoesNotAcceptFocus) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kWidth, kHeight);
}

TabDragPreview::~TabDragPreview() = default;

void TabDragPreview::setCard(const QString& title, const QString& detail, ColorScheme scheme, const QColor& accent) {
  m_title = title;
  m_detail = detail;
  m_scheme = scheme;
  m_accent = accent;
  update();
}

QPoint TabDragPreview::origin(QPoint point, const std::optional<QRect>& area) {
  QPoint corner = point + QPoint(14, 14);
  if (area) {
    corner.setX(std::min(std::max(corner.x(), area->left()), area->x() + area->width() - kWidth));
    corner.setY(std::min(std::max(corner.y(), area->top()), area->y() + area->height() - kHeight));
  }
  return corner;
}

void TabDragPreview::setVisible(bool visible) {
  if (visible && !isVisible()) {
    m_rounded = WindowCompositing::composites();
    setTranslucent(m_rounded);
  }
  TranslucentWindow::setVisible(visible);
}

void TabDragPreview::paintEvent(QPaintEvent*) {
  const PaletteColors& colors = Palette::colors(m_scheme);
  QPainter painter(this);
  QColor outline = m_accent.isValid() ? m_accent : colors.ink;
  outline.setAlphaF(0.6);
  if (m_rounded) {
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), 12, 12);
    painter.fillPath(card, colors.background);
    painter.setPen(QPen(outline, 1));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), 11, 11);
  } else {
    // Transparent corners would show black: the card fills the window.
    painter.fillRect(rect(), colors.background);
    painter.setPen(QPen(outline, 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
  }

  const QFont titleFont = KitFonts::system(12, QFont::DemiBold);
  painter.setFont(titleFont);
  painter.setPen(colors.ink);
  const QRect titleRect(16, 14, 248, 18);
  painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetrics(titleFont).elidedText(m_title, Qt::ElideRight, titleRect.width()));
  painter.setFont(KitFonts::system(11));
  painter.setPen(colors.muted);
  painter.drawText(QRect(16, 40, 248, 16), Qt::AlignLeft | Qt::AlignVCenter, m_detail);
}
