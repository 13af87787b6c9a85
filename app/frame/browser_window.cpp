#include "frame/browser_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <utility>

#include "frame/window_geometry.h"
#include "kit/palette.h"
#include "platform/window_compositing.h"

namespace {

// The window's one-point edge, drawn over the content; presses pass
// through it to what lies below.
class WindowEdge : public QWidget {
public:
  explicit WindowEdge(QWidget* window) : QWidget(window) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
  }
  void setTheme(std::shared_ptr<KitTheme> theme) {
    disconnect(m_themeConnection);
    m_theme = std::move(theme);
    if (m_theme) m_themeConnection = connect(m_theme.get(), &KitTheme::schemeChanged, this, qOverload<>(&QWidget::update));
    update();
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(QPen(Palette::colors(m_theme.get()).line, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
  }

private:
  std::shared_ptr<KitTheme> m_theme;
  QMetaObject::Connection m_themeConnection;
};

void requestFullScreen(BrowserWindow& window, bool enter) {
  if (enter) {
    window.showFullScreen();
  } else {
    window.setWindowState(window.windowState() & ~Qt::WindowFullScreen);
  }
}

}  // namespace

BrowserWindow::BrowserWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_state(new BrowserWindowState(this)),
      m_fullScreenRequest(requestFullScreen) {
  m_state->browserWindow = this;
  m_layout = new QVBoxLayout(this);
  m_layout->setContentsMargins(0, 0, 0, 0);
  m_layout->setSpacing(0);
  m_fullScreenAnswer = new QTimer(this);
  m_fullScreenAnswer->setSingleShot(true);
  m_fullScreenAnswer->setInterval(kFullScreenAnswerBound);
  connect(m_fullScreenAnswer, &QTimer::timeout, this, &BrowserWindow::refuseFullScreen);
  m_edge = new WindowEdge(this);
  // Presses and pointer moves reach the widget under the pointer, not the
  // window: the application-wide filter sees them first, for every widget,
  // and keeps those of this window.
  qApp->installEventFilter(this);
}

BrowserWindow::~BrowserWindow() {
  qApp->removeEventFilter(this);
  clearEdgeCursor();
}

void BrowserWindow::installBrowserContent(QWidget* root) {
  m_root = root;
  m_layout->addWidget(root, 1);
  m_edge->raise();
}

void BrowserWindow::setTheme(std::shared_ptr<KitTheme> theme) {
  static_cast<WindowEdge*>(m_edge)->setTheme(std::move(theme));
}

bool BrowserWindow::hasEdge() const { return m_edge->isVisible(); }

void BrowserWindow::updateEdge() {
  if (!m_edge) return;
  m_edge->setGeometry(rect());
  m_edge->setVisible(!m_composited && !isFullScreenMode());
  m_edge->raise();
}

void BrowserWindow::installFullScreenChrome(QWidget* chrome) {
  if (!chrome || chrome == m_fullScreenChrome) return;
  if (m_fullScreenChrome) {
    // The caller handed its chrome over; one is shown already, so this one
    // goes. Later, since the caller may still be inside one of its methods.
    chrome->hide();
    chrome->deleteLater();
    return;
  }
  m_fullScreenChrome = chrome;
  chrome->setFixedHeight(kFullScreenChromeHeight);
  m_layout->insertWidget(0, chrome);
  chrome->show();
  m_edge->raise();
}

QWidget* BrowserWindow::fullScreenChrome() const {
  return m_fullScreenChrome;
}

void BrowserWindow::setFullScreenLayout(bool fullScreen) {
  if (!fullScreen && m_fullScreenChrome) {
    // The chrome may be the sender of what led here (a button in it left
    // full screen): it is hidden now and deleted once that has returned.
    QWidget* chrome = m_fullScreenChrome;
    m_fullScreenChrome = nullptr;
    m_layout->removeWidget(chrome);
    chrome->hide();
    chrome->deleteLater();
  }
  m_state->setFullScreen(fullScreen);
  m_layout->activate();
}

void BrowserWindow::setScreenArea(ScreenArea area) {
  m_screenArea = std::move(area);
}

std::optional<QRect> BrowserWindow::availableArea() const {
  return m_screenArea ? m_screenArea(*this) : screenAvailableArea(*this);
}

std::optional<QRect> BrowserWindow::screenAvailableArea(const QWidget& window) {
  QScreen* screen = window.screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  return screen->availableGeometry();
}

bool BrowserWindow::isZoomed() const {
  return m_restoredFrame && m_maximizedFrame && WindowGeometry::matches(geometry(), *m_maximizedFrame);
}

// Qt sets window geometry without animation on the desktops Kivo runs on, so
// `animate` changes nothing.
void BrowserWindow::toggleMaximize(bool animate) {
  (void)animate;
  if (isFullScreenMode()) {
    toggleFullScreen();
    return;
  }
  // Maximised by the window manager (its own key or menu) rather than by
  // this toggle: hand the window back to it in its normal state.
  if (isMaximized()) {
    showNormal();
    updateZoomed();
    return;
  }
  std::optional<QRect> visible = availableArea();
  if (!visible) return;
  WindowGeometry::ZoomStep step = WindowGeometry::zoom(geometry(), m_restoredFrame, m_maximizedFrame, *visible);
  m_restoredFrame = step.restored;
  m_maximizedFrame = std::nullopt;
  setGeometry(step.frame);
  // Remember the frame the window really took: a minimum size larger than
  // the area wins over it, and a restore must still recognise the window.
  if (step.maximized) m_maximizedFrame = geometry();
  updateZoomed();
}

bool BrowserWindow::isFullScreenMode() const {
  return m_shownFullScreen;
}

bool BrowserWindow::coversScreen() const {
  const QScreen* shown = screen();
  return shown && geometry().contains(shown->geometry());
}

void BrowserWindow::setFullScreenRequest(FullScreenRequest request) {
  m_fullScreenRequest = request ? std::move(request) : FullScreenRequest(requestFullScreen);
}

void BrowserWindow::performClose() {
  close();
}

void BrowserWindow::toggleFullScreen() {
  // A request still under way is reversed; otherwise what the window shows.
  const bool enter = m_pendingFullScreen ? !*m_pendingFullScreen : !m_shownFullScreen;
  if (enter && !m_shownFullScreen) m_frameBeforeFullScreen = geometry();
  m_pendingFullScreen = enter;
  m_fullScreenAnswer->start();
  m_fullScreenRequest(*this, enter);
  // Some platforms answer within the request.
  settleFullScreen();
}

void BrowserWindow::settleFullScreen() {
  const bool fullScreenState = windowState().testFlag(Qt::WindowFullScreen);
  if (!m_shownFullScreen && fullScreenState && coversScreen()) {
    const bool requested = m_pendingFullScreen == std::optional<bool>(true);
    if (requested) {
      m_pendingFullScreen.reset();
      m_fullScreenAnswer->stop();
    } else if (QRect normal = normalGeometry(); normal.isValid()) {
      // Entered some other way (the window manager's own key).
      m_frameBeforeFullScreen = normal;
    }
    m_shownFullScreen = true;
    clearEdgeCursor();
    updateEdge();
    // The controller installs the chrome on the first, and lays it out on
    // the second.
    Q_EMIT willEnterFullScreen();
    Q_EMIT didEnterFullScreen();
    return;
  }
  if (m_shownFullScreen && !fullScreenState) {
    if (m_pendingFullScreen == std::optional<bool>(false)) {
      m_pendingFullScreen.reset();
      m_fullScreenAnswer->stop();
    }
    m_shownFullScreen = false;
    clearEdgeCursor();
    updateEdge();
    // Back to the frame from before full screen, so that a maximised window
    // returns maximised (and its remembered frames still apply).
    if (std::optional<QRect> frame = std::exchange(m_frameBeforeFullScreen, std::nullopt);
        frame && *frame != geometry())
      setGeometry(*frame);
    Q_EMIT didExitFullScreen();
    return;
  }
  // Leaving a full screen that was requested but never shown needs no
  // announcement.
  if (m_pendingFullScreen == std::optional<bool>(false) && !fullScreenState) {
    m_pendingFullScreen.reset();
    m_fullScreenAnswer->stop();
  }
}

void BrowserWindow::refuseFullScreen() {
  if (!m_pendingFullScreen) return;
  const bool enter = *m_pendingFullScreen;
  m_pendingFullScreen.reset();
  if (!enter) {
    Q_EMIT didFailToExitFullScreen();
    return;
  }
  // Qt records a request as the state at once; the window system did not
  // follow, so the window takes its normal state and frame back.
  if (windowState().testFlag(Qt::WindowFullScreen)) setWindowState(windowState() & ~Qt::WindowFullScreen);
  if (std::optional<QRect> frame = std::exchange(m_frameBeforeFullScreen, std::nullopt); frame && *frame != geometry())
    setGeometry(*frame);
  Q_EMIT didFailToEnterFullScreen();
}

bool BrowserWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Q_EMIT becameActive();
  return QWidget::event(event);
}

void BrowserWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  settleFullScreen();
  updateEdge();
}

void BrowserWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  clearEdgeCursor();
  Q_EMIT willClose();
}

void BrowserWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  updateZoomed();
  settleFullScreen();
}

void BrowserWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_edge->setGeometry(rect());
  updateZoomed();
  settleFullScreen();
  updateEdge();
}

void BrowserWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  clearEdgeCursor();
}

void BrowserWindow::showEvent(QShowEvent* event) {
  // The window system may have started or stopped compositing since the
  // window was last shown.
  if (!event->spontaneous()) m_composited = WindowCompositing::composites();
  updateEdge();
  QWidget::showEvent(event);
}

void BrowserWindow::updateZoomed() {
  const bool zoomed = isZoomed();
  if (zoomed == m_zoomed) return;
  m_zoomed = zoomed;
  Q_EMIT zoomedChanged(zoomed);
}

bool BrowserWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::Leave) return false;
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != this) return false;
  switch (type) {
    case QEvent::MouseButtonPress:
      return handlePress(static_cast<const QMouseEvent&>(*event));
    case QEvent::MouseMove: {
      const auto& move = static_cast<const QMouseEvent&>(*event);
      if (move.buttons() == Qt::NoButton) updateEdgeCursor(move.globalPosition());
      return false;
    }
    default:
      // Leaving the window itself (not one of its children) ends any edge
      // cursor; children's leaves happen while the pointer stays inside.
      if (widget == this) clearEdgeCursor();
      return false;
  }
}

bool BrowserWindow::handlePress(const QMouseEvent& event) {
  const Qt::MouseButton button = event.button();
  if (button != Qt::LeftButton && button != Qt::RightButton) return false;
  if (dismissTransientUI) {
    QPointer<BrowserWindow> self(this);
    const bool dismissed = dismissTransientUI();
    if (!self) return true;
    if (dismissed) return true;
  }
  if (button != Qt::LeftButton || !canResizeFromEdges()) return false;
  const Qt::Edges edges =
      WindowGeometry::resizeEdges(size(), mapFromGlobal(event.globalPosition()).toPoint());
  if (!edges) return false;
  // The window manager resizes from here until the button is released. Where
  // it cannot (the offscreen platform answers false), the press goes on to
  // the widget under the pointer as if there were no edge.
  QWindow* handle = windowHandle();
  if (!handle || !handle->startSystemResize(edges)) return false;
  clearEdgeCursor();
  return true;
}

bool BrowserWindow::canResizeFromEdges() const {
  return !isFullScreenMode() && !isFullScreen() && !isMaximized() && !isMinimized() && !isZoomed();
}

void BrowserWindow::updateEdgeCursor(const QPointF& global) {
  Qt::Edges edges;
  if (canResizeFromEdges()) edges = WindowGeometry::resizeEdges(size(), mapFromGlobal(global).toPoint());
  if (!edges) {
    clearEdgeCursor();
    return;
  }
  // An application-wide override, because the widget under the pointer may
  // have a cursor of its own (the address field's I-beam, a link's hand).
  const Qt::CursorShape shape = WindowGeometry::resizeCursor(edges);
  if (m_edgeCursor == shape) return;
  if (m_edgeCursor) {
    QGuiApplication::changeOverrideCursor(QCursor(shape));
  } else {
    QGuiApplication::setOverrideCursor(QCursor(shape));
  }
  m_edgeCursor = shape;
}

void BrowserWindow::clearEdgeCursor() {
  if (!m_edgeCursor) return;
  m_edgeCursor = std::nullopt;
  QGuiApplication::restoreOverrideCursor();
}
