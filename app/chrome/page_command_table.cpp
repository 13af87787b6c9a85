#include "chrome/page_command_table.h"

#include "chrome/browser_command.h"

void BrowserPageCommands::openPrivateWindow(BrowserModel& model) {
  BrowserCommands::perform(BrowserCommand::PrivateWindow, model);
}

QList<PageCommandRow> BrowserPageCommands::rows() const {
  QList<PageCommandRow> list;
  for (BrowserCommand command : BrowserCommands::allCases()) {
    list.append({BrowserCommands::title(command), BrowserCommands::symbol(command),
                 BrowserCommands::shortcutText(command)});
  }
  return list;
}

namespace BrowserPageCommandTable {

void install() {
  static BrowserPageCommands table;
  PageCommandTable::install(&table);
}

}  // namespace BrowserPageCommandTable
