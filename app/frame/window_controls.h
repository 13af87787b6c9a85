// The window's own close, minimise and zoom/restore buttons, drawn by the
// leading drag area where a title bar would have them: three 12-point
// circles 8 points apart. In the window the window system has activated
// (or whose own panel or popup it has) they are red, amber and green; in any other window they are quiet grey
// discs in the scheme's primary colour, and the close button turns the
// destructive red under the pointer. While the pointer is over the group
// each shows its symbol. Main thread.
#pragma once

#include <QAbstractButton>
#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"
#include "model/color_scheme.h"

class WindowControls;

class WindowControlButton : public QAbstractButton {
  Q_OBJECT

public:
  enum class Kind { Close, Minimize, Zoom };
  static constexpr int kDiameter = 12;

  WindowControlButton(Kind kind, WindowControls* group);

  Kind kind() const { return m_kind; }
  bool hoverInside() const { return m_hoverInside; }

  QSize sizeHint() const override { return QSize(kDiameter, kDiameter); }

protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  // The symbol drawn inside the disc, fitted into `box`.
  void paintSymbol(QPainter& painter, const QRectF& box, const QColor& color) const;

  Kind m_kind;
  WindowControls* m_group;
  bool m_hoverInside = false;
};

class WindowControls : public QWidget {
  Q_OBJECT

public:
  static constexpr int kGap = 8;
  // From the leading edge of the strip to the first disc.
  static constexpr int kLeadingInset = 13;
  // The strip the chrome reserves for the controls.
  static constexpr int kStripWidth = 79;

  explicit WindowControls(QWidget* parent = nullptr);

  WindowControlButton* closeButton() const { return m_close; }
  WindowControlButton* minimizeButton() const { return m_minimize; }
  WindowControlButton* zoomButton() const { return m_zoom; }

  // The scheme comes from `theme`; without one, from this widget's palette.
  void setTheme(std::shared_ptr<KitTheme> theme);
  ColorScheme scheme() const;
  // The zoom button shows the restore symbol while the window is maximised.
  void setZoomed(bool zoomed);
  bool isZoomed() const { return m_zoomed; }
  // True while the pointer is over the group: the symbols are shown.
  bool groupHovered() const { return m_hovered; }

  // Whether the window system has activated this window, or a panel or
  // popup the window owns: the discs are coloured then.
  bool windowActive() const;
  // The disc of `kind` in an active window of `scheme`.
  static QColor activeColor(WindowControlButton::Kind kind, ColorScheme scheme);

  QSize sizeHint() const override;

protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool event(QEvent* event) override;

private:
  void setHovered(bool hovered);

  std::shared_ptr<KitTheme> m_theme;
  QMetaObject::Connection m_themeConnection;
  WindowControlButton* m_close;
  WindowControlButton* m_minimize;
  WindowControlButton* m_zoom;
  bool m_zoomed = false;
  bool m_hovered = false;
};
