// The kit's quiet button for icon buttons, list rows and other borderless
// controls: no fill at rest, the primary colour at 0.065 under the pointer
// and at 0.12 while pressed (rounded 6 pt), the whole at opacity 0.75 and
// scale 0.98 while pressed, the hand pointer while enabled. Changes ease out
// over 0.12 s, or apply at once (without the shrink) with reduce motion on.
//
// The label is a symbol, a text, or whatever a subclass paints in
// paintLabel().
//
// Keyboard: the button takes the focus with Tab (not with a click, so a
// click never takes the focus from a text field or the page), shows the
// kit's focus ring while focused from the keyboard and acts on Space and on
// Return. On the Mac such buttons are skipped by Tab unless the user turns
// on full keyboard access; on Linux every control takes Tab focus, as the
// desktop's own toolkits do. Main thread.
#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QMargins>

#include <memory>
#include <optional>

#include "kit/motion.h"
#include "kit/kit_theme.h"

class FocusRing;

class KivoButton : public QAbstractButton {
  Q_OBJECT

public:
  // What the style draws for one state.
  struct Feedback {
    double fill = 0;     // opacity of the primary-colour fill
    double opacity = 1;  // opacity of the whole button
    double scale = 1;    // scale about the centre
    bool operator==(const Feedback&) const = default;
  };
  // The feedback of a state; reduce motion drops the shrink.
  static Feedback feedback(bool enabled, bool pressed, bool hovered, bool reduceMotion);

  explicit KivoButton(std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);

  // A symbol image drawn `points` high (see KitSymbols), before any text.
  void setSymbol(const QString& name, double points = 13);
  const QString& symbol() const { return m_symbol; }
  // Space between the frame and the label.
  void setPadding(const QMargins& padding);
  // The label's colour; the palette's ink when none.
  void setForeground(const std::optional<QColor>& color);
  void setLabelFont(const QFont& font);
  // A fixed frame size, or none to follow the label.
  void setFrameSize(const std::optional<QSize>& size);

  // True while the pointer is over the enabled button.
  bool hoverInside() const { return m_hoverInside; }
  // The feedback the button is heading for.
  Feedback targetFeedback() const;

  const std::shared_ptr<KitTheme>& theme() const { return m_theme; }
  // The ring drawn while the button has keyboard focus (6 pt corners unless
  // a subclass follows its own shape).
  FocusRing* focusRing() const { return m_focusRing; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

protected:
  // Draws the label into `rect` (the frame less the padding).
  virtual void paintLabel(QPainter& painter, const QRectF& rect);
  // The size of the label without the padding.
  virtual QSize labelSize() const;
  // The size of a label of `text` in `font` after a symbol `symbolPoints`
  // high (0 for none), with `slack` points added to the text's advance.
  static QSize measuredLabel(const QFont& font, double symbolPoints, const QString& text, int slack = 0);
  // The space between a label's symbol and its text.
  static constexpr double kSymbolGap = 6;
  QColor foreground() const;

  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void refresh();

  std::shared_ptr<KitTheme> m_theme;
  QString m_symbol;
  double m_symbolPoints = 13;
  QMargins m_padding;
  std::optional<QColor> m_foreground;
  QFont m_font;
  std::optional<QSize> m_frameSize;
  bool m_hoverInside = false;
  FeedbackAnimation m_animation;
  FocusRing* m_focusRing;
};
