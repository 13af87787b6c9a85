// What the built-in pages use of the window layer's table of browser
// commands: the private-window command of the home page's chip and the rows
// of the settings page's shortcut list. The window layer installs its table
// here when it starts; until it does, the chip does nothing and the list
// shows no command rows. Main thread.
#pragma once

#include <QList>
#include <QString>

class BrowserModel;

// One command as the shortcut list shows it.
struct PageCommandRow {
  QString title;
  QString symbol;    // the symbol image's name
  QString shortcut;  // as the menus show it; empty when the command has none
};

class PageCommands {
public:
  virtual ~PageCommands() = default;
  // Performs the private-window command on `model` when it is enabled there.
  virtual void openPrivateWindow(BrowserModel& model) = 0;
  // Every command, in the table's order.
  virtual QList<PageCommandRow> rows() const = 0;
};

namespace PageCommandTable {

// The installed table, or null.
PageCommands* current();

// Installs `table` (not owned; null removes it).
void install(PageCommands* table);

}  // namespace PageCommandTable
