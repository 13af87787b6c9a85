// The browser command table as the built-in pages see it: the home page's
// private-window chip and the settings page's list of shortcuts. The
// application installs it once at start, before the first page is made.
// Main thread.
#pragma once

#include "pages/page_commands.h"

class BrowserPageCommands final : public PageCommands {
public:
  // Performs the private-window command, which does nothing when the model
  // has no workspace.
  void openPrivateWindow(BrowserModel& model) override;
  // The twenty commands in table order, with the shortcut text the menus
  // show ("Ctrl+T"; empty for a command without a key).
  QList<PageCommandRow> rows() const override;
};

namespace BrowserPageCommandTable {
// Installs the application's one table into PageCommandTable; calling it
// again changes nothing.
void install();
}  // namespace BrowserPageCommandTable
