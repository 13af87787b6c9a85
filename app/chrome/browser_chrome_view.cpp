#include "chrome/browser_chrome_view.h"

#include "chrome/browser_window_state.h"
#include "model/browser_model.h"

BrowserChromeView::BrowserChromeView(BrowserModel& model, BrowserWindowState& windowState, QWidget* parent)
    : QWidget(parent), m_model(model), m_windowState(windowState) {
  setFixedHeight(kHeight);
}

BrowserChromeView::~BrowserChromeView() = default;
