// The developer tools: the panel a browser window shows below its page
// while the model's devToolsVisible is true. A header with the symbol, the
// "Elements", "Console" and "Network" tabs, the title and a close button,
// a divider, and the pane the model's inspectorTab names. Every pane shows
// the window's selected tab, so selecting another tab switches the panel
// at once.
//
// The panel keeps no state of its own: the selected pane, the inspected and
// collapsed nodes and the console lines live in the model, which the panel
// observes; only the shown pane is refreshed on a change. Main thread.
#pragma once

#include <QList>
#include <QWidget>

#include "kit/kivo_button.h"
#include "model/browser_model.h"

class ConsolePane;
class ElementsPane;
class NetworkPane;
class QLabel;
class QStackedWidget;

// One tab button of the header: the pane's label, accent-coloured and
// underlined while selected.
class DevToolsTabButton : public KivoButton {
  Q_OBJECT

public:
  static constexpr int kHeight = 35;

  DevToolsTabButton(InspectorTab tab, std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);

  InspectorTab tab() const { return m_tab; }
  void setSelected(bool selected);
  bool isSelected() const { return m_selected; }

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override;
  QSize labelSize() const override;

private:
  QFont labelFont() const;

  InspectorTab m_tab;
  bool m_selected = false;
};

class DeveloperToolsView : public QWidget {
  Q_OBJECT

public:
  // The height the window gives the panel.
  static constexpr int kPanelHeight = 285;

  // The panel for one window model; the model must outlive it.
  explicit DeveloperToolsView(BrowserModel* model, QWidget* parent = nullptr);

  // The nodes of `nodes` that get a row in the Elements tree, in order, for
  // the collapsed set of the model's selected tab.
  QList<InspectedNode> visible(const QList<InspectedNode>& nodes) const;

  // Shows the model's current state.
  void refresh();

  // The parts (tests and the window).
  const QList<DevToolsTabButton*>& tabButtons() const { return m_tabButtons; }
  KivoButton* closeButton() const { return m_close; }
  ElementsPane* elementsPane() const { return m_elements; }
  ConsolePane* consolePane() const { return m_console; }
  NetworkPane* networkPane() const { return m_network; }
  // The pane on show.
  QWidget* currentPane() const;

  QSize sizeHint() const override { return QSize(960, kPanelHeight); }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QWidget* buildHeader();

  BrowserModel* m_model;
  QWidget* m_header = nullptr;
  QLabel* m_title = nullptr;
  QList<DevToolsTabButton*> m_tabButtons;
  KivoButton* m_close = nullptr;
  QStackedWidget* m_panes;
  ElementsPane* m_elements;
  ConsolePane* m_console;
  NetworkPane* m_network;
};
