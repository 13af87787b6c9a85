#include "chrome/browser_view.h"

BrowserView::BrowserView(BrowserModel&, BrowserWindowState&, QWidget* parent) : QWidget(parent) {}
