// The kit's button for real actions (confirm, cancel, delete, apply): 38 pt
// tall, 18 pt of space each side of a 12-pt semibold title, rounded 10 pt,
// with a 1-pt hairline. Plain: ink on the chrome fill; prominent: white on
// the accent; prominent destructive: white on red. Feedback: brightness
// +0.045 under the pointer (enabled only), opacity 0.72 pressed and 0.45
// disabled, scale 0.98 pressed (not with reduce motion); the hover flag
// follows the pointer even while disabled.
//
// Keyboard: Tab focus (Linux controls take it; see KivoButton), the kit's
// focus ring with 10-pt corners while focused from the keyboard, Space and
// Return act. Main thread.
#pragma once

#include <QAbstractButton>

#include <memory>

#include "kit/motion.h"
#include "kit/kit_theme.h"

// The variant of an action button; `destructive` counts only with `prominent`.
struct KivoActionStyle {
  bool prominent = false;
  bool destructive = false;
};

class FocusRing;

class KivoActionButton : public QAbstractButton {
  Q_OBJECT

public:
  static constexpr int kHeight = 38;
  static constexpr int kHorizontalInset = 18;
  static constexpr double kCornerRadius = 10;

  struct Feedback {
    double brightness = 0;
    double opacity = 1;
    double scale = 1;
    bool operator==(const Feedback&) const = default;
  };
  // The feedback of a state; reduce motion drops the shrink.
  static Feedback feedback(bool enabled, bool pressed, bool hovered, bool reduceMotion);

  KivoActionButton(const QString& title, KivoActionStyle style, std::shared_ptr<KitTheme> theme,
                   QWidget* parent = nullptr);

  KivoActionStyle style() const { return m_style; }
  // The fill and label colours of the current variant, scheme and accent.
  QColor fillColor() const;
  QColor labelColor() const;
  // True while the pointer is over the button, enabled or not.
  bool hovered() const { return m_hovered; }
  Feedback targetFeedback() const;
  FocusRing* focusRing() const { return m_focusRing; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void refresh();

  KivoActionStyle m_style;
  std::shared_ptr<KitTheme> m_theme;
  bool m_hovered = false;
  FeedbackAnimation m_animation;
  FocusRing* m_focusRing;
};
