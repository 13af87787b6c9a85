#include "chrome/application_menus.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include "kit/kivo_dialog.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"

namespace {

// The editing operations of QTextEdit and QPlainTextEdit, which share their
// names but no base class.
template <typename Editor>
void editText(Editor* editor, ApplicationMenus::ItemAction action) {
  const bool writable = !editor->isReadOnly();
  switch (action) {
    case ApplicationMenus::ItemAction::Undo:
      if (writable) editor->undo();
      break;
    case ApplicationMenus::ItemAction::Cut:
      if (writable) editor->cut();
      break;
    case ApplicationMenus::ItemAction::Copy:
      editor->copy();
      break;
    case ApplicationMenus::ItemAction::Paste:
      if (writable) editor->paste();
      break;
    case ApplicationMenus::ItemAction::SelectAll:
      editor->selectAll();
      break;
    default:
      break;
  }
}

QKeySequence ctrl(Qt::Key key) { return QKeySequence(Qt::ControlModifier | key); }

// Draws the bar's active title as pressed: some styles (Fusion among them)
// mark a title only while its menu is open, which would leave the title
// that the keyboard has reached looking like all the others.
class RevealedBarStyle : public QProxyStyle {
public:
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuBarItem && item && (item->state & State_Selected)) {
      QStyleOptionMenuItem active(*item);
      active.state |= State_Sunken;
      QProxyStyle::drawControl(element, &active, painter, widget);
      return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }
};

}  // namespace

ApplicationMenus::ApplicationMenus(MenuTarget& target, QWidget* window, BrowserModel* windowModel)
    : QObject(window), m_target(target), m_window(window), m_windowModel(windowModel) {
  m_menuBar = new QMenuBar(window);
  m_menuBar->setObjectName(QStringLiteral("kivoMenuBar"));
  // The global menu of the desktop when there is one; otherwise the bar
  // stays hidden, and the window's own actions carry the shortcuts.
  m_menuBar->setNativeMenuBar(true);
  buildKivoMenu();
  buildFileMenu();
  buildEditMenu();
  buildNavigationMenu();
  const bool hidden = !m_menuBar->isNativeMenuBar();
  if (hidden) {
    m_menuBar->setVisible(false);
    auto* style = new RevealedBarStyle;
    style->setParent(m_menuBar);
    m_menuBar->setStyle(style);
  }

  for (QMenu* menu : {m_kivoMenu, m_fileMenu, m_editMenu, m_navigationMenu, m_tabsMenu}) {
    connect(menu, &QMenu::aboutToShow, this, &ApplicationMenus::refresh);
    connect(menu, &QMenu::aboutToHide, this, &ApplicationMenus::scheduleSettle);
  }
  if (window) {
    for (QAction* item : m_items) window->addAction(item);
    window->installEventFilter(this);
    if (hidden) {
      // Keys reach the focused widget, not the window: the lone Alt is
      // watched application-wide and kept to this window.
      qApp->installEventFilter(this);
      connect(qApp, &QApplication::focusChanged, this, &ApplicationMenus::scheduleSettle);
    }
  }
  if (windowModel) {
    const auto watch = [this, windowModel](auto signal) {
      connect(windowModel, signal, this, &ApplicationMenus::refresh);
    };
    watch(&BrowserModel::tabsChanged);
    watch(&BrowserModel::selectedIDChanged);
    watch(&BrowserModel::closedTabsChanged);
    watch(&BrowserModel::addressDraftChanged);
    watch(&BrowserModel::devToolsVisibleChanged);
    watch(&BrowserModel::openMenuChanged);
  }
  refresh();
}

ApplicationMenus::~ApplicationMenus() {
  qApp->removeEventFilter(this);
  if (m_window) m_window->removeEventFilter(this);
  // The bar and its items go with the menus: a bar left behind in the
  // window would keep shortcuts that no longer do anything. The pointer is
  // let go of first, so nothing here looks at the bar while it is destroyed.
  QMenuBar* bar = m_menuBar.data();
  m_menuBar = nullptr;
  delete bar;
}

QList<QMenu*> ApplicationMenus::menus() const { return {m_kivoMenu, m_fileMenu, m_editMenu, m_navigationMenu}; }

QAction* ApplicationMenus::commandItem(BrowserCommand command) const {
  const QString raw = BrowserCommands::rawValue(command);
  for (QAction* item : m_items) {
    if (m_actions.value(item) == ItemAction::ExecuteCommand && item->data().toString() == raw) return item;
  }
  return nullptr;
}

ApplicationMenus::ItemAction ApplicationMenus::itemAction(const QAction* item) const {
  return m_actions.value(item, ItemAction::None);
}

QAction* ApplicationMenus::addItem(QMenu* menu, const QString& title, ItemAction action,
                                   const QList<QKeySequence>& keys) {
  auto* item = new QAction(title, menu);
  item->setMenuRole(QAction::NoRole);
  // Window scope: the shortcut fires in this window only while it is the
  // active one, through the window's own copy of the action when the bar
  // is hidden. The editing keys need no narrower scope: a focused line or
  // text field claims its standard editing keys (undo, cut, copy, paste,
  // select all) before any window shortcut is looked up, so typing and
  // editing in a field are never taken over; the items' shortcuts fire only
  // where no field claims the key.
  item->setShortcutContext(Qt::WindowShortcut);
  if (!keys.isEmpty()) item->setShortcuts(keys);
  menu->addAction(item);
  m_actions.insert(item, action);
  m_items.append(item);
  connect(item, &QAction::triggered, this, [this, item] { trigger(item); });
  return item;
}

void ApplicationMenus::buildKivoMenu() {
  m_kivoMenu = m_menuBar->addMenu(QStringLiteral("Kivo"));
  addItem(m_kivoMenu, QStringLiteral("Kivo Hakkında"), ItemAction::About);
  QAction* settings = addItem(m_kivoMenu, BrowserCommands::title(BrowserCommand::Settings),
                              ItemAction::ExecuteCommand, BrowserCommands::keySequences(BrowserCommand::Settings));
  settings->setData(BrowserCommands::rawValue(BrowserCommand::Settings));
  m_kivoMenu->addSeparator();
  // Hiding has no key here: desktops keep their own shortcuts for it.
  addItem(m_kivoMenu, QStringLiteral("Kivo'yı Gizle"), ItemAction::Hide);
  addItem(m_kivoMenu, QStringLiteral("Kivo'dan Çık"), ItemAction::Terminate, {ctrl(Qt::Key_Q)});
}

void ApplicationMenus::buildFileMenu() {
  m_fileMenu = m_menuBar->addMenu(QStringLiteral("Dosya"));
  for (BrowserCommand command :
       {BrowserCommand::NewWindow, BrowserCommand::PrivateWindow, BrowserCommand::NewTab, BrowserCommand::DetachTab,
        BrowserCommand::CloseTab, BrowserCommand::ReopenTab, BrowserCommand::OpenFile, BrowserCommand::SaveDownload}) {
    addItem(m_fileMenu, BrowserCommands::title(command), ItemAction::ExecuteCommand,
            BrowserCommands::keySequences(command))
        ->setData(BrowserCommands::rawValue(command));
  }
}

void ApplicationMenus::buildEditMenu() {
  m_editMenu = m_menuBar->addMenu(QStringLiteral("Düzen"));
  addItem(m_editMenu, QStringLiteral("Geri Al"), ItemAction::Undo, {ctrl(Qt::Key_Z)});
  m_editMenu->addSeparator();
  addItem(m_editMenu, QStringLiteral("Kes"), ItemAction::Cut, {ctrl(Qt::Key_X)});
  addItem(m_editMenu, QStringLiteral("Kopyala"), ItemAction::Copy, {ctrl(Qt::Key_C)});
  addItem(m_editMenu, QStringLiteral("Yapıştır"), ItemAction::Paste, {ctrl(Qt::Key_V)});
  addItem(m_editMenu, QStringLiteral("Tümünü Seç"), ItemAction::SelectAll, {ctrl(Qt::Key_A)});
  // The edit items act on the widget that had the focus when the menu
  // opened: an open menu may take the focus itself. The target is kept
  // until the chosen item has run (a menu hides before its item triggers).
  connect(m_editMenu, &QMenu::aboutToShow, this, &ApplicationMenus::captureEditTarget);
  connect(m_editMenu, &QMenu::aboutToHide, this, [this] {
    QTimer::singleShot(0, this, [this] {
      m_editMenuOpen = false;
      m_editTarget.clear();
    });
  });
}

void ApplicationMenus::buildNavigationMenu() {
  m_navigationMenu = m_menuBar->addMenu(QStringLiteral("Gezinme"));
  const auto commands = [this](std::initializer_list<BrowserCommand> list) {
    for (BrowserCommand command : list) {
      addItem(m_navigationMenu, BrowserCommands::title(command), ItemAction::ExecuteCommand,
              BrowserCommands::keySequences(command))
          ->setData(BrowserCommands::rawValue(command));
    }
  };
  commands({BrowserCommand::FocusAddress, BrowserCommand::Back, BrowserCommand::Forward, BrowserCommand::Reload,
            BrowserCommand::HardReload});
  m_navigationMenu->addSeparator();
  commands({BrowserCommand::History, BrowserCommand::Downloads, BrowserCommand::PreviousTab, BrowserCommand::NextTab,
            BrowserCommand::DeveloperTools, BrowserCommand::FullScreen});

  // The submenu is shown under its item's title; its own name stays
  // "Sekmeler" for whoever looks it up.
  m_tabsMenu = new QMenu(m_navigationMenu);
  m_tabsMenu->setObjectName(QStringLiteral("Sekmeler"));
  auto* goToTab = new QAction(QStringLiteral("Sekmeye git"), m_navigationMenu);
  goToTab->setMenuRole(QAction::NoRole);
  goToTab->setMenu(m_tabsMenu);
  m_navigationMenu->addAction(goToTab);
  m_actions.insert(goToTab, ItemAction::None);
  for (int tag = 1; tag <= 9; ++tag) {
    const QString title = tag == 9 ? QStringLiteral("Son sekme") : QString::number(tag) + QStringLiteral(". sekme");
    QAction* item = addItem(m_tabsMenu, title, ItemAction::SelectNumberedTab,
                            {ctrl(Qt::Key(Qt::Key_0 + tag))});
    item->setProperty(kTagProperty, tag);
    m_numberedItems.append(item);
  }
}

void ApplicationMenus::trigger(QAction* item) {
  switch (itemAction(item)) {
    case ItemAction::ExecuteCommand:
      executeCommand(item);
      break;
    case ItemAction::SelectNumberedTab:
      selectNumberedTab(item);
      break;
    case ItemAction::About:
      about();
      break;
    case ItemAction::Hide:
      m_target.hideApplication();
      break;
    case ItemAction::Terminate:
      m_target.quitApplication();
      break;
    case ItemAction::Undo:
    case ItemAction::Cut:
    case ItemAction::Copy:
    case ItemAction::Paste:
    case ItemAction::SelectAll:
      edit(itemAction(item));
      break;
    case ItemAction::None:
      break;
  }
}

void ApplicationMenus::executeCommand(const QAction* item) {
  if (!item) return;
  const QVariant data = item->data();
  if (data.typeId() != QMetaType::QString) return;
  const std::optional<BrowserCommand> command = BrowserCommands::fromRawValue(data.toString());
  if (!command) return;
  // New windows come from the application itself, so they open with no
  // window at all, and without the command's enabling rule.
  if (*command == BrowserCommand::NewWindow || *command == BrowserCommand::PrivateWindow) {
    m_target.openNewWindow(*command == BrowserCommand::PrivateWindow);
    return;
  }
  if (BrowserModel* model = m_target.activeModel()) BrowserCommands::perform(*command, *model);
}

void ApplicationMenus::selectNumberedTab(const QAction* item) {
  BrowserModel* model = m_target.activeModel();
  if (!item || !model) return;
  const int tag = item->property(kTagProperty).toInt();
  const qsizetype count = model->tabs().size();
  const qsizetype position = tag == 9 ? count - 1 : tag - 1;
  if (position < 0 || position >= count) return;
  model->select(model->tabs().at(position).id());
}

bool ApplicationMenus::validateMenuItem(const QAction* item) const {
  if (!item) return false;
  const QVariant data = item->data();
  if (data.typeId() == QMetaType::QString) {
    if (const std::optional<BrowserCommand> command = BrowserCommands::fromRawValue(data.toString())) {
      if (*command == BrowserCommand::NewWindow || *command == BrowserCommand::PrivateWindow) return true;
      BrowserModel* model = validationModel();
      return model && BrowserCommands::isEnabled(*command, *model);
    }
  }
  if (itemAction(item) == ItemAction::SelectNumberedTab) {
    BrowserModel* model = validationModel();
    if (!model) return false;
    const int tag = item->property(kTagProperty).toInt();
    return tag == 9 || model->tabs().size() >= tag;
  }
  return true;
}

void ApplicationMenus::about() {
  BrowserModel* model = m_target.activeModel();
  if (!model) return;
  const QString version = QCoreApplication::applicationVersion();
  // The dialog declines by itself when the window already shows a sheet.
  KivoDialog::show(m_target.aboutDialogParent(), PreferencesTheme::of(model->preferences()),
                   QStringLiteral("Kivo ") + version, kAboutMessage, kAboutDetail);
}

void ApplicationMenus::refresh() {
  for (QAction* item : m_items) item->setEnabled(validateMenuItem(item));
}

BrowserModel* ApplicationMenus::validationModel() const {
  if (m_windowModel) return m_windowModel.data();
  return m_target.activeModel();
}

bool ApplicationMenus::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_window && event->type() == QEvent::WindowActivate) refresh();
  if (watched == m_window && event->type() == QEvent::Resize && m_revealed) {
    m_menuBar->setGeometry(0, 0, m_window->width(), m_menuBar->sizeHint().height());
  }
  if (m_window && m_menuBar && !m_menuBar->isNativeMenuBar() && watchRevealKeys(watched, event)) return true;
  return QObject::eventFilter(watched, event);
}

bool ApplicationMenus::inWindow(QObject* watched) const {
  if (!m_window) return false;
  if (auto* widget = qobject_cast<QWidget*>(watched)) return widget->window() == m_window;
  return watched == m_window->windowHandle();
}

bool ApplicationMenus::watchRevealKeys(QObject* watched, QEvent* event) {
  // The bar's own Alt press and release, handed to it by revealMenuBar().
  if (m_enteringKeyboardMode) return false;
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Alt) {
        // Alt with another modifier held starts a shortcut, not the bar. A
        // bar on show follows Alt itself (Qt's own keyboard mode).
        if (!key->isAutoRepeat()) {
          m_altArmed = !m_revealed && inWindow(watched) && (key->modifiers() & ~Qt::AltModifier) == Qt::NoModifier;
        }
        return false;
      }
      m_altArmed = false;
      if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::NoModifier && inWindow(watched)) {
        if (m_revealed) concealMenuBar();
        else revealMenuBar();
        return true;
      }
      return false;
    }
    case QEvent::ShortcutOverride:
      // A key that a shortcut takes is never delivered as a press.
      if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Alt) m_altArmed = false;
      return false;
    case QEvent::KeyRelease: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Alt && !key->isAutoRepeat() && m_altArmed) {
        m_altArmed = false;
        revealMenuBar();
      }
      return false;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      m_altArmed = false;
      // A press elsewhere in the window hides the bar and goes on to its
      // target; a press in an open menu is the menu's.
      auto* widget = qobject_cast<QWidget*>(watched);
      if (m_revealed && widget && widget->window() == m_window && widget != m_menuBar &&
          !m_menuBar->isAncestorOf(widget)) {
        concealMenuBar();
      }
      return false;
    }
    case QEvent::Wheel:
      m_altArmed = false;
      return false;
    case QEvent::WindowDeactivate:
      if (watched == m_window) m_altArmed = false;
      return false;
    default:
      return false;
  }
}

void ApplicationMenus::revealMenuBar() {
  if (!m_window || !m_menuBar || m_menuBar->isNativeMenuBar() || m_revealed || !m_window->isVisible()) return;
  m_revealed = true;
  m_altArmed = false;
  m_focusBeforeReveal = m_window->focusWidget();
  // The bar lies over the top of the window while it shows, so the page
  // below neither moves nor lays out again, and a press that hides it lands
  // where it was aimed.
  m_menuBar->setGeometry(0, 0, m_window->width(), m_menuBar->sizeHint().height());
  m_menuBar->show();
  m_menuBar->raise();
  // Qt's own Alt navigation puts a bar on show into its keyboard mode on a
  // lone Alt press and release: the first title active, the arrows moving,
  // Return or Down opening, Escape leaving and giving the keyboard back.
  m_enteringKeyboardMode = true;
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
  QCoreApplication::sendEvent(m_window, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
  QCoreApplication::sendEvent(m_window, &release);
  m_enteringKeyboardMode = false;
  // A style without Alt navigation has no keyboard mode: the first menu
  // opens instead, which the keys then work the same way.
  if (m_revealed && !m_menuBar->activeAction()) m_menuBar->setActiveAction(m_kivoMenu->menuAction());
}

void ApplicationMenus::concealMenuBar() {
  if (!m_revealed) return;
  m_revealed = false;
  for (QMenu* menu : {m_tabsMenu, m_kivoMenu, m_fileMenu, m_editMenu, m_navigationMenu}) {
    if (menu->isVisible()) menu->hide();
  }
  // The keyboard goes back before the bar hides: a hidden focus widget
  // would pass it to the next widget in the chain, a toolbar button.
  QWidget* focus = QApplication::focusWidget();
  if (focus && (focus == m_menuBar || m_menuBar->isAncestorOf(focus))) {
    QWidget* back = m_focusBeforeReveal;
    if (back && back->isVisible() && back->window() == m_window) back->setFocus(Qt::MenuBarFocusReason);
    else focus->clearFocus();
  }
  m_focusBeforeReveal.clear();
  m_menuBar->hide();
}

void ApplicationMenus::scheduleSettle() {
  if (!m_revealed || m_settlePending) return;
  m_settlePending = true;
  // After the bar and its menus have finished their own handling of the
  // key or press that led here.
  QMetaObject::invokeMethod(this, &ApplicationMenus::settleRevealedBar, Qt::QueuedConnection);
}

void ApplicationMenus::settleRevealedBar() {
  m_settlePending = false;
  if (!m_revealed) return;
  for (QMenu* menu : {m_kivoMenu, m_fileMenu, m_editMenu, m_navigationMenu, m_tabsMenu}) {
    if (menu->isVisible()) return;
  }
  if (QApplication::focusWidget() == m_menuBar && m_menuBar->activeAction()) return;
  concealMenuBar();
}

void ApplicationMenus::captureEditTarget() {
  m_editTarget = QApplication::focusWidget();
  m_editMenuOpen = true;
}

void ApplicationMenus::edit(ItemAction action) {
  QWidget* widget = m_editMenuOpen ? m_editTarget.data() : QApplication::focusWidget();
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    editText(line, action);
  } else if (auto* text = qobject_cast<QTextEdit*>(widget)) {
    editText(text, action);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    editText(plain, action);
  }
}
