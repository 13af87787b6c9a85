// A thin progress bar in the kit's colours: the accent filling a rounded
// track of the palette's hairline colour, so it reads on both schemes'
// surfaces. A range of 0 to 0 means the total is unknown: the bar then shows
// a small turning spinner in the accent instead of a track.
//
// Limits: the range and the value are ints, as QProgressBar's; callers with
// 64-bit sizes map them to a fixed scale first. Main thread.
#pragma once

#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"

class LoadingSpinner;

class KivoProgressBar : public QWidget {
  Q_OBJECT
public:
  static constexpr int kBarHeight = 6;

  explicit KivoProgressBar(std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);

  // Sets the range; a maximum below the minimum is taken as equal to it.
  void setRange(int minimum, int maximum);
  // Sets the value, held inside the range.
  void setValue(int value);
  int minimum() const { return m_minimum; }
  int maximum() const { return m_maximum; }
  int value() const { return m_value; }
  // True for the range 0 to 0: the total is unknown.
  bool isIndeterminate() const { return m_minimum == 0 && m_maximum == 0; }
  // The share of the range done, from 0 to 1; 0 while indeterminate.
  double fraction() const;
  // The spinner that stands for the bar while the total is unknown.
  LoadingSpinner* spinner() const { return m_spinner; }
  // The filled part of the track in the bar's coordinates; empty while
  // indeterminate.
  QRectF fillRect() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void follow();

  std::shared_ptr<KitTheme> m_theme;
  LoadingSpinner* m_spinner;
  int m_minimum = 0;
  int m_maximum = 100;
  int m_value = 0;
};
