// Readable reports of rectangles, points and sizes in the window tests'
// failures. Used only by tests.
#pragma once

#include <QPoint>
#include <QRect>
#include <QMouseEvent>
#include <QSize>
#include <QWidget>

#include <optional>
#include <ostream>

// GoogleTest finds these by argument-dependent lookup, so they live in the
// global namespace with Qt's types; internal linkage keeps each test file's
// copy its own.
static inline void PrintTo(const QRect& rect, std::ostream* out) {
  *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << " x " << rect.height() << ")";
}
static inline void PrintTo(const QPoint& point, std::ostream* out) {
  *out << "QPoint(" << point.x() << ", " << point.y() << ")";
}
static inline void PrintTo(const QSize& size, std::ostream* out) {
  *out << "QSize(" << size.width() << " x " << size.height() << ")";
}

// A plain child that counts the presses that reach it.
class PressRecorder : public QWidget {
public:
  using QWidget::QWidget;
  int presses = 0;

protected:
  void mousePressEvent(QMouseEvent* event) override {
    ++presses;
    event->accept();
  }
};
