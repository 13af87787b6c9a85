// The root view of a browser window (stand-in until the real one lands).
#pragma once

#include <QWidget>

class BrowserModel;
class BrowserWindowState;

class BrowserView : public QWidget {
  Q_OBJECT

public:
  BrowserView(BrowserModel& model, BrowserWindowState& windowState, QWidget* parent = nullptr);
};
