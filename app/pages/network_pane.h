// The Network pane of the developer tools: the selected tab's main response
// (address, status, type, size and time), or two lines saying there is none.
// Keeps no state of its own; refresh() reads the selected tab. Main thread.
#pragma once

#include <QStringList>
#include <QWidget>

#include <optional>

#include "model/browser_model.h"

class QScrollArea;

class NetworkPane : public QWidget {
  Q_OBJECT

public:
  explicit NetworkPane(BrowserModel* model, QWidget* parent = nullptr);

  // Shows the selected tab's response.
  void refresh();
  // The shown lines, in order (tests).
  QStringList lines() const { return m_lines; }

private:
  BrowserModel* m_model;
  QScrollArea* m_scroll;
  QStringList m_lines;
  std::optional<QStringList> m_builtLines;
  QRgb m_builtInk = 0, m_builtMuted = 0;
};
