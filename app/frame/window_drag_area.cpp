#include "frame/window_drag_area.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWindow>

#include <algorithm>

#include "frame/browser_window.h"
#include "frame/window_controls.h"

WindowDragArea::WindowDragArea(bool withControls, QWidget* parent) : QWidget(parent), m_withControls(withControls) {
  if (!withControls) return;
  m_controls = new WindowControls(this);
  // The buttons act on the window the strip moves, found when clicked.
  connect(m_controls->closeButton(), &QAbstractButton::clicked, this, [this] {
    if (BrowserWindow* window = browserWindow()) window->close();
  });
  connect(m_controls->minimizeButton(), &QAbstractButton::clicked, this, [this] {
    if (BrowserWindow* window = browserWindow()) window->showMinimized();
  });
  connect(m_controls->zoomButton(), &QAbstractButton::clicked, this, [this] {
    if (BrowserWindow* window = browserWindow()) window->toggleMaximize(true);
  });
  layoutControls();
}

WindowDragArea::~WindowDragArea() = default;

void WindowDragArea::setBrowserWindow(BrowserWindow* window) {
  m_window = window;
  followWindow();
}

BrowserWindow* WindowDragArea::browserWindow() const {
  if (m_window) return m_window;
  return qobject_cast<BrowserWindow*>(window());
}

void WindowDragArea::setTheme(std::shared_ptr<KitTheme> theme) {
  if (m_controls) m_controls->setTheme(std::move(theme));
}

QSize WindowDragArea::sizeHint() const {
  return QSize(m_withControls ? WindowControls::kStripWidth : 0, 0);
}

void WindowDragArea::mousePressEvent(QMouseEvent* event) {
  BrowserWindow* window = browserWindow();
  if (!window || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  event->accept();
  m_drag.reset();
  if (window->isFullScreenMode()) return;
  // The move starts with the pointer's first movement, not with the press:
  // a window manager that took the pointer at once would keep the second
  // press of a double click from ever reaching us.
  m_drag = Drag{window, event->globalPosition(), window->pos()};
}

void WindowDragArea::mouseMoveEvent(QMouseEvent* event) {
  if (!m_drag || !(event->buttons() & Qt::LeftButton) || !m_drag->window) {
    endDrag();
    return;
  }
  event->accept();
  BrowserWindow& window = *m_drag->window;
  if (!m_drag->moving) {
    // The window manager moves the window until the button is released.
    // Where it cannot (the offscreen platform answers false), the strip
    // moves the window itself while the button is held.
    QWindow* handle = window.windowHandle();
    if (handle && handle->startSystemMove()) {
      endDrag();
      return;
    }
    m_drag->moving = true;
  }
  window.move(m_drag->windowStart + (event->globalPosition() - m_drag->pressGlobal).toPoint());
}

void WindowDragArea::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) endDrag();
  event->accept();
}

// The second press of a series; a third counts as a single press again.
void WindowDragArea::mouseDoubleClickEvent(QMouseEvent* event) {
  endDrag();
  BrowserWindow* window = browserWindow();
  if (!window || event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  event->accept();
  window->toggleMaximize(true);
}

void WindowDragArea::endDrag() {
  m_drag.reset();
}

void WindowDragArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutControls();
}

void WindowDragArea::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  followWindow();
}

void WindowDragArea::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ParentChange) followWindow();
}

void WindowDragArea::layoutControls() {
  if (!m_controls) return;
  const int top = (height() - m_controls->height()) / 2;
  m_controls->move(WindowControls::kLeadingInset, std::max(0, top));
}

void WindowDragArea::followWindow() {
  if (!m_controls) return;
  BrowserWindow* window = browserWindow();
  if (window == m_followed) return;
  disconnect(m_fullScreenConnection);
  disconnect(m_zoomConnection);
  m_followed = window;
  if (!window) {
    m_controls->setVisible(true);
    m_controls->setZoomed(false);
    return;
  }
  m_fullScreenConnection = connect(&window->chromeState(), &BrowserWindowState::fullScreenChanged, m_controls,
                                   [this](bool fullScreen) { m_controls->setVisible(!fullScreen); });
  m_zoomConnection = connect(window, &BrowserWindow::zoomedChanged, m_controls, &WindowControls::setZoomed);
  m_controls->setVisible(!window->chromeState().isFullScreen());
  m_controls->setZoomed(window->isZoomed());
}
