// The content of an in-window popover: the open tabs, or the main commands.
// Main thread.
#pragma once

#include <QWidget>

#include "model/window_services.h"

class BrowserModel;

class BrowserMenuPopover : public QWidget {
  Q_OBJECT

public:
  BrowserMenuPopover(BrowserModel& model, BrowserMenu kind, QWidget* parent = nullptr);
  ~BrowserMenuPopover() override;

private:
  BrowserModel& m_model;
  BrowserMenu m_kind;
};
