#include "kit/loading_spinner.h"

#include <QPainter>
#include <QTimer>

#include "kit/palette.h"

LoadingSpinner::LoadingSpinner(std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QWidget(parent), m_theme(std::move(theme)), m_timer(new QTimer(this)) {
  setFixedSize(sizeHint());
  m_timer->setInterval(80);
  connect(m_timer, &QTimer::timeout, this, [this] {
    m_step = (m_step + 1) % 12;
    update();
  });
  if (m_theme) {
    connect(m_theme.get(), &KitTheme::schemeChanged, this, qOverload<>(&QWidget::update));
    connect(m_theme.get(), &KitTheme::accentChanged, this, qOverload<>(&QWidget::update));
  }
}

bool LoadingSpinner::isTurning() const { return m_timer->isActive(); }

void LoadingSpinner::setTone(Tone tone) {
  m_tone = tone;
  update();
}

QColor LoadingSpinner::arcColor() const {
  return m_tone == Tone::Accent ? Palette::accent(m_theme.get()) : Palette::colors(m_theme.get()).muted;
}

void LoadingSpinner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QColor arc = arcColor();
  const QRectF ring = QRectF(rect()).adjusted(2, 2, -2, -2);
  painter.setPen(QPen(Palette::withOpacity(arc, 0.25), 2));
  painter.drawEllipse(ring);
  painter.setPen(QPen(arc, 2, Qt::SolidLine, Qt::RoundCap));
  // Qt's angles run counter-clockwise in sixteenths of a degree; the arc
  // turns clockwise by 30 degrees a step.
  painter.drawArc(ring, (90 - m_step * 30) * 16, -100 * 16);
}

void LoadingSpinner::showEvent(QShowEvent* event) {
  m_timer->start();
  QWidget::showEvent(event);
}

void LoadingSpinner::hideEvent(QHideEvent* event) {
  m_timer->stop();
  QWidget::hideEvent(event);
}
