#include "model/browser_command.h"

#include "model/browser_model.h"
#include "model/builtin_pages.h"
#include "model/web_address.h"
#include "model/window_services.h"

namespace BrowserCommands {
namespace {

struct Row {
  BrowserCommand command;
  const char* raw;
  const char* title;
  const char* key;
  CommandModifiers modifiers;
  const char* symbol;
};

constexpr CommandModifiers kCommand = CommandModifier::Command;

// The table, in its order; rows are looked up by the enumeration's value.
const QList<Row>& rows() {
  static const QList<Row> table{
      {BrowserCommand::PrivateWindow, "privateWindow", "Yeni gizli pencere", "n",
       CommandModifier::Shift | CommandModifier::Command, "eye.slash"},
      {BrowserCommand::History, "history", "Geçmiş", "y", kCommand, "clock.arrow.circlepath"},
      {BrowserCommand::Downloads, "downloads", "İndirmeler", "j", kCommand, "arrow.down.circle"},
      {BrowserCommand::SaveDownload, "saveDownload", "Bağlantıyı dosya olarak indir…", "s", kCommand,
       "square.and.arrow.down"},
      {BrowserCommand::NewWindow, "newWindow", "Yeni pencere", "n", kCommand, "macwindow.badge.plus"},
      {BrowserCommand::DetachTab, "detachTab", "Sekmeyi yeni pencereye taşı", "", kCommand,
       "rectangle.portrait.and.arrow.right"},
      {BrowserCommand::NewTab, "newTab", "Yeni sekme", "t", kCommand, "plus"},
      {BrowserCommand::CloseTab, "closeTab", "Sekmeyi kapat", "w", kCommand, "xmark"},
      {BrowserCommand::ReopenTab, "reopenTab", "Kapatılan sekmeyi aç", "t",
       CommandModifier::Shift | CommandModifier::Command, "arrow.uturn.backward"},
      {BrowserCommand::OpenFile, "openFile", "Yerel dosya aç…", "o", kCommand, "folder"},
      {BrowserCommand::FocusAddress, "focusAddress", "Adres çubuğuna git", "l", kCommand, "text.cursor"},
      {BrowserCommand::Back, "back", "Geri", "[", kCommand, "arrow.left"},
      {BrowserCommand::Forward, "forward", "İleri", "]", kCommand, "arrow.right"},
      {BrowserCommand::Reload, "reload", "Yenile", "r", kCommand, "arrow.clockwise"},
      {BrowserCommand::HardReload, "hardReload", "Önbelleği temizle ve yenile", "r",
       CommandModifier::Shift | CommandModifier::Command, "arrow.clockwise.circle"},
      {BrowserCommand::PreviousTab, "previousTab", "Önceki sekme", "\t",
       CommandModifier::Control | CommandModifier::Shift, "chevron.left"},
      {BrowserCommand::NextTab, "nextTab", "Sonraki sekme", "\t", CommandModifier::Control, "chevron.right"},
      {BrowserCommand::Settings, "settings", "Ayarlar", ",", kCommand, "slider.horizontal.3"},
      {BrowserCommand::DeveloperTools, "developerTools", "Geliştirici araçları", "i",
       CommandModifier::Option | CommandModifier::Command, "chevron.left.forwardslash.chevron.right"},
      {BrowserCommand::FullScreen, "fullScreen", "Tam ekranı aç / kapat", "f",
       CommandModifier::Control | CommandModifier::Command, "arrow.up.left.and.arrow.down.right"},
  };
  return table;
}

const Row& row(BrowserCommand command) { return rows().at(qsizetype(command)); }

// True when the current tab's address is one the download store accepts;
// the same reading as BrowserModel::downloadCurrent, so an enabled command
// always offers the download.
bool canDownload(const BrowserModel& model) {
  const std::optional<WebAddress> address = WebAddress::parse(model.current().address());
  return address && address->isAllowedWebAddress();
}

}  // namespace

const QList<BrowserCommand>& allCases() {
  static const QList<BrowserCommand> cases = [] {
    QList<BrowserCommand> list;
    for (const Row& entry : rows()) list.append(entry.command);
    return list;
  }();
  return cases;
}

QString rawValue(BrowserCommand command) { return QString::fromLatin1(row(command).raw); }

std::optional<BrowserCommand> fromRawValue(const QString& raw) {
  for (const Row& entry : rows()) {
    if (raw == QLatin1String(entry.raw)) return entry.command;
  }
  return std::nullopt;
}

QString title(BrowserCommand command) { return QString::fromUtf8(row(command).title); }

QString symbol(BrowserCommand command) { return QString::fromLatin1(row(command).symbol); }

QString key(BrowserCommand command) { return QString::fromLatin1(row(command).key); }

CommandModifiers modifiers(BrowserCommand command) { return row(command).modifiers; }

QString shortcut(BrowserCommand command) {
  const QString k = key(command);
  if (k.isEmpty()) return {};
  if (command == BrowserCommand::PreviousTab) return QStringLiteral("⌃⇧Tab");
  if (command == BrowserCommand::NextTab) return QStringLiteral("⌃Tab");
  QString text;
  if (command == BrowserCommand::FullScreen) text += QStringLiteral("⌃");
  if (command == BrowserCommand::DeveloperTools) text += QStringLiteral("⌥");
  if (command == BrowserCommand::PrivateWindow || command == BrowserCommand::ReopenTab ||
      command == BrowserCommand::HardReload) {
    text += QStringLiteral("⇧");
  }
  return text + QStringLiteral("⌘") + k.toUpper();
}

QKeySequence keySequence(const QString& key, CommandModifiers modifiers) {
  if (key.size() != 1) return {};
  const QChar character = key.at(0);
  int code = 0;
  if (character == QLatin1Char('\t')) {
    code = Qt::Key_Tab;
  } else {
    // Qt's codes of printable ASCII keys are the upper-case characters.
    code = character.toUpper().unicode();
  }
  Qt::KeyboardModifiers qt;
  if (modifiers.testFlag(CommandModifier::Command)) qt |= Qt::ControlModifier;
  if (modifiers.testFlag(CommandModifier::Shift)) qt |= Qt::ShiftModifier;
  if (modifiers.testFlag(CommandModifier::Option)) qt |= Qt::AltModifier;
  if (modifiers.testFlag(CommandModifier::Control)) qt |= Qt::MetaModifier;
  return QKeySequence(QKeyCombination(qt, Qt::Key(code)));
}

QList<QKeySequence> keySequences(BrowserCommand command) {
  // The desktop's own habits where the table's keys have none here: Ctrl is
  // this desktop's command key, and Ctrl+Tab already means "next tab".
  switch (command) {
    case BrowserCommand::PreviousTab:
      return {QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Tab)};
    case BrowserCommand::NextTab:
      return {QKeySequence(Qt::ControlModifier | Qt::Key_Tab)};
    case BrowserCommand::FullScreen:
      return {QKeySequence(Qt::Key_F11)};
    case BrowserCommand::DeveloperTools:
      return {QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_I)};
    case BrowserCommand::Back:
      return {keySequence(key(command), modifiers(command)), QKeySequence(Qt::AltModifier | Qt::Key_Left)};
    case BrowserCommand::Forward:
      return {keySequence(key(command), modifiers(command)), QKeySequence(Qt::AltModifier | Qt::Key_Right)};
    default:
      break;
  }
  const QKeySequence sequence = keySequence(key(command), modifiers(command));
  if (sequence.isEmpty()) return {};
  return {sequence};
}

QString shortcutText(BrowserCommand command) {
  const QList<QKeySequence> sequences = keySequences(command);
  return sequences.isEmpty() ? QString() : sequences.first().toString(QKeySequence::NativeText);
}

bool isEnabled(BrowserCommand command, const BrowserModel& model) {
  switch (command) {
    case BrowserCommand::PrivateWindow:
    case BrowserCommand::NewWindow:
      return model.workspace() != nullptr;
    case BrowserCommand::DetachTab:
      return model.workspace() != nullptr && model.tabs().size() > 1;
    case BrowserCommand::PreviousTab:
    case BrowserCommand::NextTab:
      return model.tabs().size() > 1;
    case BrowserCommand::ReopenTab:
      return !model.closedTabs().isEmpty();
    case BrowserCommand::Back:
      return model.canGoBack();
    case BrowserCommand::Forward:
      return model.canGoForward();
    case BrowserCommand::SaveDownload:
      return canDownload(model);
    default:
      return true;
  }
}

void perform(BrowserCommand command, BrowserModel& model) {
  if (!isEnabled(command, model)) return;
  model.setOpenMenu(std::nullopt);
  switch (command) {
    case BrowserCommand::PrivateWindow:
      if (WorkspaceServices* workspace = model.workspace()) workspace->newWindow(true);
      break;
    case BrowserCommand::NewWindow:
      if (WorkspaceServices* workspace = model.workspace()) workspace->newWindow(false);
      break;
    case BrowserCommand::DetachTab:
      if (WorkspaceServices* workspace = model.workspace()) workspace->detachTab(model.selectedID(), model);
      break;
    case BrowserCommand::History:
      model.navigate(BuiltinPages::kHistory);
      break;
    case BrowserCommand::Downloads:
      model.navigate(BuiltinPages::kDownloads);
      break;
    case BrowserCommand::SaveDownload:
      model.downloadCurrent();
      break;
    case BrowserCommand::NewTab:
      model.newTab();
      break;
    case BrowserCommand::CloseTab:
      model.close(model.selectedID());
      break;
    case BrowserCommand::ReopenTab:
      model.reopenClosedTab();
      break;
    case BrowserCommand::OpenFile:
      model.openFile();
      break;
    case BrowserCommand::FocusAddress:
      Q_EMIT model.addressFocusRequested();
      break;
    case BrowserCommand::Back:
      model.back();
      break;
    case BrowserCommand::Forward:
      model.forward();
      break;
    case BrowserCommand::Reload:
      model.reload();
      break;
    case BrowserCommand::HardReload:
      model.hardReload();
      break;
    case BrowserCommand::PreviousTab:
      model.cycleTab(-1);
      break;
    case BrowserCommand::NextTab:
      model.cycleTab(+1);
      break;
    case BrowserCommand::Settings:
      model.openSettings();
      break;
    case BrowserCommand::DeveloperTools:
      model.toggleDeveloperTools();
      break;
    case BrowserCommand::FullScreen:
      if (WindowServices* window = model.browserWindow()) window->toggleFullScreen();
      break;
  }
}

}  // namespace BrowserCommands
