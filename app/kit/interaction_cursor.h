// Pointer shapes over clickable and editable widgets: the pointing hand or
// the I-beam while the widget is enabled, the ordinary arrow while it is
// disabled. The shape follows every change of the enabled state. Main thread.
#pragma once

#include <QObject>

class QWidget;

class InteractionCursor : public QObject {
  Q_OBJECT

public:
  // Gives `widget` the hand pointer while enabled.
  static void handCursor(QWidget* widget);
  // Gives `widget` the I-beam while enabled.
  static void textCursor(QWidget* widget);
  // The shape `widget` shows now under these rules.
  static Qt::CursorShape shape(const QWidget* widget);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  InteractionCursor(QWidget* widget, bool text);
  void apply();

  QWidget* m_widget;
  bool m_text;
};
