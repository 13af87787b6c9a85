// The pieces the tab strip is made of: one cell per tab (its state, icon,
// title and close control), the close control itself, and the thin bar that
// marks where a tab from another window would land. A cell reports its
// mouse and key events as signals, which the strip that made it connects;
// once the strip is gone nothing listens and the cell does nothing. Main
// thread.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QRect>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <memory>

class KitTheme;
class QMouseEvent;
class QVariantAnimation;
class QWheelEvent;

// The cell's close control: a cross, with a faint circle under the pointer
// and a darker one while pressed. It handles its own clicks, so a press on
// it never reaches the cell and never starts a drag.
class TabCloseButton : public QAbstractButton {
  Q_OBJECT

public:
  explicit TabCloseButton(QWidget* parent = nullptr);

  bool isHovered() const { return m_hovered; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  bool m_hovered = false;
};

class TabItemView : public QWidget {
  Q_OBJECT

public:
  // A cell for one tab; the strip that makes it connects its signals.
  TabItemView(const QUuid& id, std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);
  ~TabItemView() override;

  const QUuid& id() const { return m_id; }
  const QString& title() const { return m_title; }
  bool isSettings() const { return m_isSettings; }
  bool isSelected() const { return m_selected; }
  bool showsSeparator() const { return m_showsSeparator; }
  const QColor& accent() const { return m_accent; }
  bool isLifted() const { return m_lifted; }
  bool isHovered() const { return m_hovered; }
  // 0.4 while the tab is dragged outside its strip, 1 otherwise.
  double opacity() const { return m_opacity; }
  TabCloseButton* closeButton() const { return m_close; }
  // What the cell draws with for its scheme; the accent comes from the strip.
  const std::shared_ptr<KitTheme>& theme() const { return m_theme; }

  // Set by the strip on every update; each change redraws the cell.
  void present(const QString& title, bool isSettings, bool selected, bool showsSeparator, const QColor& accent);
  void setTheme(std::shared_ptr<KitTheme> theme);
  // Set while the tab is dragged: the raised card with the closed hand.
  void setLifted(bool lifted);
  void setOpacity(double opacity);

  // Moves the cell to `frame` of the canvas: sliding there over 0.18 s, or
  // at once. A cell that was never placed goes there at once.
  void moveTo(const QRect& frame, bool animated);
  // Where the cell is heading (its frame when it is not sliding).
  QRect targetFrame() const;
  bool isSliding() const;

  // The accessibility press: asks for the tab's selection. False, without
  // acting, when nothing listens (the strip that made the cell is gone);
  // assistive clients then also find no press action on the cell.
  bool accessibilityPress();
  bool canBePressed() const;
  // The close control's action: asks for the tab's close.
  void closeTab();

Q_SIGNALS:
  // The left button went down, moved while held, or came up on the cell.
  void pressed(const QUuid& id, QMouseEvent* event);
  void dragged(const QUuid& id, QMouseEvent* event);
  void released(const QUuid& id, QMouseEvent* event);
  // Escape: any press or drag is to be cancelled.
  void cancelRequested();
  // Return, Space or the accessibility press.
  void selectRequested(const QUuid& id);
  void closeRequested(const QUuid& id);
  // A wheel or trackpad event over the cell; a listener that scrolls takes
  // it, else it goes on to the widgets behind.
  void wheelTurned(QWheelEvent* event);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  void refreshCursor();

  QUuid m_id;
  std::shared_ptr<KitTheme> m_theme;
  QString m_title;
  bool m_isSettings = false;
  bool m_selected = false;
  bool m_showsSeparator = false;
  QColor m_accent;
  bool m_lifted = false;
  bool m_hovered = false;
  double m_opacity = 1;
  bool m_placed = false;
  TabCloseButton* m_close;
  QVariantAnimation* m_slide;
};

// The bar before the gap where a tab from another window would go. It never
// takes a click: presses go to the cell below.
class TabDropMarker : public QWidget {
  Q_OBJECT

public:
  explicit TabDropMarker(QWidget* parent = nullptr);

protected:
  void paintEvent(QPaintEvent* event) override;
};
