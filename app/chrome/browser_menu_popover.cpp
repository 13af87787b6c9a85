#include "chrome/browser_menu_popover.h"

BrowserMenuPopover::BrowserMenuPopover(BrowserModel& model, BrowserMenu kind, QWidget* parent)
    : QWidget(parent), m_model(model), m_kind(kind) {}

BrowserMenuPopover::~BrowserMenuPopover() = default;
