// A small indeterminate progress indicator: a turning arc on a faint ring,
// animated only while it is visible, so a hidden spinner costs no timer.
// The loading page shows one in the palette's muted colour, a download
// without a known size one in the accent. Main thread.
#pragma once

#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"

class QTimer;

class LoadingSpinner : public QWidget {
  Q_OBJECT
public:
  // The colour the arc is drawn in.
  enum class Tone { Muted, Accent };

  static constexpr int kSide = 16;

  explicit LoadingSpinner(std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);
  QSize sizeHint() const override { return QSize(kSide, kSide); }
  bool isTurning() const;

  Tone tone() const { return m_tone; }
  void setTone(Tone tone);
  // The colour of the arc now.
  QColor arcColor() const;

protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  std::shared_ptr<KitTheme> m_theme;
  QTimer* m_timer;
  Tone m_tone = Tone::Muted;
  int m_step = 0;
};
