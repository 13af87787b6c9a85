#include "kit/kivo_progress_bar.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "kit/loading_spinner.h"
#include "kit/palette.h"

KivoProgressBar::KivoProgressBar(std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QWidget(parent), m_theme(std::move(theme)), m_spinner(new LoadingSpinner(m_theme, this)) {
  m_spinner->setTone(LoadingSpinner::Tone::Accent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  setAccessibleName(QStringLiteral("İlerleme"));
  if (m_theme) {
    connect(m_theme.get(), &KitTheme::schemeChanged, this, qOverload<>(&QWidget::update));
    connect(m_theme.get(), &KitTheme::accentChanged, this, qOverload<>(&QWidget::update));
  }
  follow();
}

void KivoProgressBar::setRange(int minimum, int maximum) {
  m_minimum = minimum;
  m_maximum = std::max(minimum, maximum);
  m_value = std::clamp(m_value, m_minimum, m_maximum);
  follow();
}

void KivoProgressBar::setValue(int value) {
  m_value = std::clamp(value, m_minimum, m_maximum);
  follow();
}

double KivoProgressBar::fraction() const {
  if (m_maximum <= m_minimum) return 0;
  return (double(m_value) - m_minimum) / (double(m_maximum) - m_minimum);
}

QRectF KivoProgressBar::fillRect() const {
  if (isIndeterminate()) return {};
  const QRectF track = QRectF(0, (height() - kBarHeight) / 2.0, width(), kBarHeight);
  return QRectF(track.left(), track.top(), track.width() * fraction(), track.height());
}

QSize KivoProgressBar::sizeHint() const {
  return QSize(120, isIndeterminate() ? m_spinner->sizeHint().height() : kBarHeight);
}

QSize KivoProgressBar::minimumSizeHint() const {
  // The track may shrink to nothing; the spinner keeps its own size.
  return QSize(isIndeterminate() ? m_spinner->sizeHint().width() : 0, sizeHint().height());
}

void KivoProgressBar::follow() {
  // The spinner turns only while it shows, so a determinate bar runs no timer.
  m_spinner->setVisible(isIndeterminate());
  m_spinner->move(0, std::max(0, (height() - m_spinner->height()) / 2));
  setAccessibleDescription(isIndeterminate() ? QString()
                                             : QStringLiteral("%%1").arg(int(std::lround(fraction() * 100))));
  updateGeometry();
  update();
}

void KivoProgressBar::resizeEvent(QResizeEvent* event) {
  m_spinner->move(0, std::max(0, (height() - m_spinner->height()) / 2));
  QWidget::resizeEvent(event);
}

void KivoProgressBar::paintEvent(QPaintEvent*) {
  if (isIndeterminate()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF track = QRectF(0, (height() - kBarHeight) / 2.0, width(), kBarHeight);
  const double radius = kBarHeight / 2.0;
  QPainterPath trackPath;
  trackPath.addRoundedRect(track, radius, radius);
  painter.fillPath(trackPath, Palette::colors(m_theme.get()).line);
  const QRectF fill = fillRect();
  if (fill.width() <= 0) return;
  // The fill keeps the track's round ends and is clipped to the track, so a
  // sliver at the start does not poke out as a full circle.
  QPainterPath fillPath;
  fillPath.addRoundedRect(QRectF(fill.left(), fill.top(), std::max(fill.width(), double(kBarHeight)), fill.height()),
                          radius, radius);
  painter.setClipPath(trackPath);
  painter.fillPath(fillPath.intersected(trackPath), Palette::accent(m_theme.get()));
}
