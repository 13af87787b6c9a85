#include "chrome/browser_window.h"

#include <QCloseEvent>
#include <QScreen>
#include <QVBoxLayout>

BrowserWindow::BrowserWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_state(new BrowserWindowState(this)) {
  m_state->browserWindow = this;
  m_layout = new QVBoxLayout(this);
  m_layout->setContentsMargins(0, 0, 0, 0);
  m_layout->setSpacing(0);
}

BrowserWindow::~BrowserWindow() = default;

void BrowserWindow::installBrowserContent(QWidget* root) {
  m_root = root;
  m_layout->addWidget(root, 1);
}

void BrowserWindow::installFullScreenChrome(QWidget* chrome) {
  if (m_fullScreenChrome) {
    delete chrome;
    return;
  }
  m_fullScreenChrome = chrome;
  chrome->setFixedHeight(kFullScreenChromeHeight);
  m_layout->insertWidget(0, chrome);
}

QWidget* BrowserWindow::fullScreenChrome() const {
  return m_fullScreenChrome;
}

void BrowserWindow::setFullScreenLayout(bool fullScreen) {
  if (!fullScreen && m_fullScreenChrome) {
    m_fullScreenChrome->hide();
    m_fullScreenChrome->deleteLater();
    m_fullScreenChrome = nullptr;
  }
  m_state->setFullScreen(fullScreen);
}

void BrowserWindow::toggleMaximize(bool) {}

void BrowserWindow::setScreenArea(ScreenArea area) {
  m_screenArea = std::move(area);
}

bool BrowserWindow::isFullScreenMode() const {
  return windowState().testFlag(Qt::WindowFullScreen);
}

void BrowserWindow::performClose() {
  close();
}

void BrowserWindow::toggleFullScreen() {}

bool BrowserWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) Q_EMIT becameActive();
  return QWidget::event(event);
}

void BrowserWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
}

void BrowserWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  Q_EMIT willClose();
}

bool BrowserWindow::eventFilter(QObject* watched, QEvent* event) {
  return QWidget::eventFilter(watched, event);
}
