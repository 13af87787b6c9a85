// The kit's keyboard focus ring: a 2-pt outline in the accent colour just
// inside a control's frame, with a 1-pt line of the scheme's surface colour
// inside it, so that it reads on the page, on the chrome fill and on accent
// and red fills alike.
//
// A control shows the ring while it has the focus and that focus came from
// the keyboard: Tab, Shift-Tab, a shortcut, or code that hands it the focus
// on the user's behalf (a dialog's first button). Focus that comes back when
// a popup closes or the window is activated again keeps what the control
// showed before; a press of the pointer hides the ring until the keyboard
// moves the focus again.
//
// A FocusRing watches one widget. Widgets that the kit draws ask it whether
// to draw and draw with paint(); for any other widget (the desktop's push
// button, a text field) attach() draws the ring over the widget after each
// of its own paints. Main thread.
#pragma once

#include <QObject>
#include <QRectF>

#include <memory>

#include "kit/kit_theme.h"

class QPainter;
class QWidget;

class FocusRing : public QObject {
  Q_OBJECT

public:
  static constexpr double kWidth = 2;
  // A radius that rounds the short sides fully (chips, round swatches).
  static constexpr double kCapsule = -1;

  // Watches the focus of `target`, which owns the ring.
  FocusRing(QWidget* target, std::shared_ptr<KitTheme> theme);

  // A ring of `radius` that draws itself over `target` after each of the
  // target's paints; returns the ring the target owns.
  static FocusRing* attach(QWidget* target, std::shared_ptr<KitTheme> theme, double radius);

  // Whether focus given for `reason` shows the ring, when the control
  // showed it before (`showed`) or not.
  static bool showsFor(Qt::FocusReason reason, bool showed);
  // Draws the ring just inside `frame`, with `radius` (kCapsule: half the
  // shorter side).
  static void paint(QPainter& painter, const QRectF& frame, double radius, const KitTheme* theme);

  // True while the target has the focus and the focus came from the keyboard.
  bool isVisible() const;
  // Hides the ring until the keyboard next moves the focus (for a pointer
  // press that the target's own event handlers receive, as in a scroll
  // area's viewport).
  void hideUntilKeyboard();
  // The corner radius of the ring attach() draws.
  void setRadius(double radius);
  double radius() const { return m_radius; }
  // The theme whose accent and surface the ring takes.
  void setTheme(std::shared_ptr<KitTheme> theme) { m_theme = std::move(theme); }
  // Draws the ring over `frame` of the target when it is visible.
  void paintIfVisible(QPainter& painter, const QRectF& frame) const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QWidget* m_target;
  std::shared_ptr<KitTheme> m_theme;
  double m_radius = 6;
  bool m_fromKeyboard = false;
  bool m_paintsOver = false;
  bool m_painting = false;
};
