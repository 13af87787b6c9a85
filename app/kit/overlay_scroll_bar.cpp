#include "kit/overlay_scroll_bar.h"

#include <QAbstractScrollArea>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "kit/palette.h"

namespace {

// A press on the track pages once at once, then repeats after a pause for as
// long as the button is held, until the thumb reaches the pointer.
constexpr int kRepeatDelay = 300;
constexpr int kRepeatInterval = 50;

QPainterPath rounded(const QRectF& rect) {
  QPainterPath path;
  const qreal radius = std::min(rect.width(), rect.height()) / 2;
  path.addRoundedRect(rect, radius, radius);
  return path;
}

}  // namespace

OverlayScrollBar::OverlayScrollBar(QScrollBar* source, QWidget* parent)
    : QWidget(parent), m_source(source), m_orientation(source ? source->orientation() : Qt::Vertical) {
  setFocusPolicy(Qt::NoFocus);
  // Over a link of the page the pointer is an arrow again: the bar is no part
  // of the page.
  setCursor(Qt::ArrowCursor);
  if (m_source) {
    connect(m_source, &QAbstractSlider::rangeChanged, this, [this] { update(); });
    connect(m_source, &QAbstractSlider::valueChanged, this, [this] { update(); });
  }
}

OverlayScrollBar::~OverlayScrollBar() = default;

bool OverlayScrollBar::needed() const { return m_source && m_source->maximum() > m_source->minimum(); }

int OverlayScrollBar::trackLength() const {
  const int length = m_orientation == Qt::Vertical ? height() : width();
  return std::max(length - 2 * kInset, 0);
}

int OverlayScrollBar::thumbLength() const {
  const int track = trackLength();
  if (!needed()) return track;
  // The thumb is to the track as the visible page is to the whole content.
  const double range = static_cast<double>(m_source->maximum()) - m_source->minimum();
  const double page = std::max(m_source->pageStep(), 1);
  const int proportional = static_cast<int>(std::lround(track * page / (range + page)));
  return std::clamp(proportional, std::min(kMinimumThumbLength, track), track);
}

int OverlayScrollBar::thumbStart() const {
  if (!needed()) return trackStart();
  const double range = static_cast<double>(m_source->maximum()) - m_source->minimum();
  const double share = (m_source->value() - m_source->minimum()) / range;
  return trackStart() + static_cast<int>(std::lround((trackLength() - thumbLength()) * share));
}

int OverlayScrollBar::along(const QPointF& point) const {
  return static_cast<int>(std::floor(m_orientation == Qt::Vertical ? point.y() : point.x()));
}

QRect OverlayScrollBar::thumbRect() const {
  if (!needed()) return {};
  const int thickness = highlighted() ? kHoverThumbThickness : kThumbThickness;
  if (m_orientation == Qt::Vertical) {
    return QRect(width() - kInset - thickness, thumbStart(), thickness, thumbLength());
  }
  return QRect(thumbStart(), height() - kInset - thickness, thumbLength(), thickness);
}

void OverlayScrollBar::setDarkBackdrop(bool dark) {
  if (m_darkBackdrop == dark) return;
  m_darkBackdrop = dark;
  update();
}

QColor OverlayScrollBar::thumbColor() const {
  // Translucent, so that the content shows through a little; dark enough on
  // white and light enough on black to be found at a glance.
  if (m_darkBackdrop) return QColor(255, 255, 255, highlighted() ? 166 : 115);
  return QColor(0, 0, 0, highlighted() ? 140 : 102);
}

QSize OverlayScrollBar::sizeHint() const {
  return m_orientation == Qt::Vertical ? QSize(kThickness, 0) : QSize(0, kThickness);
}

void OverlayScrollBar::paintEvent(QPaintEvent*) {
  if (!needed()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  const QRectF thumb = thumbRect();
  const QColor tone = thumbColor();
  if (highlighted()) {
    // The track shows while the pointer is over the bar, so that a click
    // beside the thumb has something to land on.
    QRectF track = thumb;
    if (m_orientation == Qt::Vertical) {
      track.setTop(trackStart());
      track.setHeight(trackLength());
    } else {
      track.setLeft(trackStart());
      track.setWidth(trackLength());
    }
    QColor trackTone = tone;
    trackTone.setAlpha(20);
    painter.fillPath(rounded(track), trackTone);
  }
  // A faint rim of the opposite tone keeps the thumb apart from content of
  // its own tone, such as a dark picture on a light page.
  const QColor rim = m_darkBackdrop ? QColor(0, 0, 0, 77) : QColor(255, 255, 255, 90);
  painter.fillPath(rounded(thumb.adjusted(-1, -1, 1, 1)).subtracted(rounded(thumb)), rim);
  painter.fillPath(rounded(thumb), tone);
}

void OverlayScrollBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !needed()) {
    event->ignore();
    return;
  }
  event->accept();
  const int at = along(event->position());
  const int start = thumbStart();
  if (at >= start && at < start + thumbLength()) {
    m_dragging = true;
    m_grab = at - start;
    update();
    return;
  }
  m_paging = at;
  pageTowardsPointer();
  m_repeat.start(kRepeatDelay, this);
}

void OverlayScrollBar::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  const int at = along(event->position());
  if (m_paging >= 0) m_paging = at;
  if (!m_dragging || !needed()) return;
  const int free = trackLength() - thumbLength();
  if (free <= 0) return;
  // The thumb follows the pointer, keeping the place it was taken at.
  const double range = static_cast<double>(m_source->maximum()) - m_source->minimum();
  const double share = static_cast<double>(at - m_grab - trackStart()) / free;
  m_source->setValue(m_source->minimum() + static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * range)));
}

void OverlayScrollBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  event->accept();
  m_dragging = false;
  m_paging = -1;
  m_repeat.stop();
  // The pointer may have left the bar while dragging.
  m_hovered = rect().contains(event->position().toPoint());
  update();
}

void OverlayScrollBar::enterEvent(QEnterEvent* event) {
  m_hovered = true;
  update();
  QWidget::enterEvent(event);
}

void OverlayScrollBar::leaveEvent(QEvent* event) {
  m_hovered = false;
  update();
  QWidget::leaveEvent(event);
}

void OverlayScrollBar::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_repeat.timerId()) {
    QWidget::timerEvent(event);
    return;
  }
  m_repeat.start(kRepeatInterval, this);
  pageTowardsPointer();
}

void OverlayScrollBar::pageTowardsPointer() {
  if (!needed() || m_paging < 0) {
    m_repeat.stop();
    return;
  }
  const int start = thumbStart();
  if (m_paging < start) {
    m_source->triggerAction(QAbstractSlider::SliderPageStepSub);
  } else if (m_paging >= start + thumbLength()) {
    m_source->triggerAction(QAbstractSlider::SliderPageStepAdd);
  } else {
    m_repeat.stop();
  }
}

OverlayScrollBars::OverlayScrollBars(QAbstractScrollArea* area)
    : QObject(area),
      m_viewport(area->viewport()),
      m_vertical(new OverlayScrollBar(area->verticalScrollBar(), area->viewport())),
      m_horizontal(new OverlayScrollBar(area->horizontalScrollBar(), area->viewport())) {
  // The area's own bars keep their ranges and values but are never shown, so
  // they take no room: the viewport is the whole area.
  area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area->viewport()->installEventFilter(this);
  for (QScrollBar* bar : {area->verticalScrollBar(), area->horizontalScrollBar()}) {
    connect(bar, &QAbstractSlider::rangeChanged, this, &OverlayScrollBars::layout);
  }
  layout();
}

OverlayScrollBars::OverlayScrollBars(QAbstractScrollArea* area, std::shared_ptr<KitTheme> theme)
    : OverlayScrollBars(area) {
  m_theme = std::move(theme);
  if (m_theme) connect(m_theme.get(), &KitTheme::schemeChanged, this, &OverlayScrollBars::shadeForTheme);
  shadeForTheme();
}

OverlayScrollBars::~OverlayScrollBars() = default;

void OverlayScrollBars::shadeForTheme() {
  const bool dark = Palette::scheme(m_theme.get()) == ColorScheme::Dark;
  m_vertical->setDarkBackdrop(dark);
  m_horizontal->setDarkBackdrop(dark);
}

void OverlayScrollBars::layout() {
  const QRect area = m_viewport->rect();
  const bool vertical = m_vertical->needed();
  const bool horizontal = m_horizontal->needed();
  const int thickness = OverlayScrollBar::kThickness;
  m_vertical->setGeometry(area.width() - thickness, 0, thickness,
                          std::max(area.height() - (horizontal ? thickness : 0), 0));
  m_horizontal->setGeometry(0, area.height() - thickness, std::max(area.width() - (vertical ? thickness : 0), 0),
                            thickness);
  m_vertical->setVisible(vertical);
  m_horizontal->setVisible(horizontal);
  // The scrolled content is a sibling inside the viewport and may have been
  // set after the bars were made.
  m_vertical->raise();
  m_horizontal->raise();
  Q_EMIT laidOut();
}

bool OverlayScrollBars::eventFilter(QObject* watched, QEvent* event) {
  // Compared with the viewport kept at the start: while the area is being
  // destroyed its viewport still sends events here, and the area must not be
  // asked for anything then.
  if (watched == m_viewport && event->type() == QEvent::Resize) layout();
  // Content set after the bars (a scroll area's widget replaced on a
  // refresh) would otherwise cover them.
  if (watched == m_viewport && event->type() == QEvent::ChildAdded) {
    m_vertical->raise();
    m_horizontal->raise();
  }
  return QObject::eventFilter(watched, event);
}
