// The one table of browser commands. Every command the user can give from
// the menu bar, a keyboard shortcut, the in-window popover menu, the toolbar
// or the home page is one case here, with its title, symbol, key equivalent,
// the shortcut text shown beside it, the rule that says whether it can run
// for a window's model and the action it performs on that model. Views never
// act on a command themselves: they ask whether it is enabled and tell it to
// perform.
//
// The key equivalents are kept as the table states them (a key and a set of
// modifier flags with their fixed values), and turned into the key sequences
// this desktop uses in one place, keySequences(). Main thread.
#pragma once

#include <QFlags>
#include <QKeySequence>
#include <QList>
#include <QString>

#include <optional>

class BrowserModel;

// In table order.
enum class BrowserCommand {
  PrivateWindow,
  History,
  Downloads,
  SaveDownload,
  NewWindow,
  DetachTab,
  NewTab,
  CloseTab,
  ReopenTab,
  OpenFile,
  FocusAddress,
  Back,
  Forward,
  Reload,
  HardReload,
  PreviousTab,
  NextTab,
  Settings,
  DeveloperTools,
  FullScreen,
};

// The modifier flags of a key equivalent, with the values the self-tests
// read.
enum class CommandModifier : quint32 {
  Shift = 0x20000,
  Control = 0x40000,
  Option = 0x80000,
  Command = 0x100000,
};
Q_DECLARE_FLAGS(CommandModifiers, CommandModifier)
Q_DECLARE_OPERATORS_FOR_FLAGS(CommandModifiers)

namespace BrowserCommands {

// The twenty commands in table order.
const QList<BrowserCommand>& allCases();

// The case name: "privateWindow", "history", ...; also the command's id.
QString rawValue(BrowserCommand command);
// The command whose case name is exactly `raw`; nothing for any other text
// (a title such as "Yenile" included).
std::optional<BrowserCommand> fromRawValue(const QString& raw);

// The Turkish title of menus and lists.
QString title(BrowserCommand command);
// The name of the symbol image (see KitSymbols).
QString symbol(BrowserCommand command);
// The key equivalent: one lower-case character, the tab character for the
// tab-cycling commands, empty for detachTab.
QString key(BrowserCommand command);
// The key equivalent's modifier flags (command alone unless the table says
// otherwise; detachTab carries command although it has no key).
CommandModifiers modifiers(BrowserCommand command);
// The table's shortcut text: "⇧⌘N", "⌃⇧Tab", ...; empty without a key.
QString shortcut(BrowserCommand command);

// A key and modifier flags as this desktop's key sequence: command is Ctrl,
// shift is Shift, option is Alt and control is Meta; an empty key gives an
// empty sequence.
QKeySequence keySequence(const QString& key, CommandModifiers modifiers);
// Every key sequence the command answers to here, the one shown in menus
// first; empty for a command without a key. Full screen is F11, the
// developer tools Ctrl+Shift+I, the tab-cycling commands Ctrl+Tab and
// Ctrl+Shift+Tab, and back and forward also answer to Alt+Left and
// Alt+Right.
QList<QKeySequence> keySequences(BrowserCommand command);
// The first key sequence as the desktop writes it ("Ctrl+T",
// "Ctrl+Shift+N"); empty without a key. Menus, the popover and the settings
// page's list show this text.
QString shortcutText(BrowserCommand command);

// Whether the command can run for `model` now.
bool isEnabled(BrowserCommand command, const BrowserModel& model);
// Runs the command for `model` when it is enabled there: closes the model's
// open popover menu first, then acts. A disabled command changes nothing.
void perform(BrowserCommand command, BrowserModel& model);

}  // namespace BrowserCommands
