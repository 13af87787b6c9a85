// The application's menus, built in code from the command table: "Kivo",
// "Dosya", "Düzen" and "Gezinme" with the numbered-tab submenu. Each browser
// window carries its own menu bar. Where the desktop offers a global menu the
// bar is shown there; otherwise it stays hidden and the toolbar's popover menu
// is the visible menu. Every item is also an action of the window itself,
// because a hidden menu bar's shortcuts never fire.
//
// Where the bar is hidden, Alt pressed and released alone, or F10, shows it
// in the window with its first title active for the keyboard, as Qt's own
// Alt navigation does for a bar on show; a choice, Escape, a second Alt or a
// click elsewhere hides it again and gives the keyboard back.
//
// Command items run on the model of the application's active window; "Yeni
// pencere" and "Yeni gizli pencere" go to the application directly, so they
// work with no window open. Qt asks for no validation before a menu shows or
// a shortcut fires, so the enabled states are recomputed whenever the
// window's model changes, when the window is activated and when a menu is
// about to show. Main thread.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QMenuBar>
#include <QPointer>

#include <optional>

#include "model/browser_command.h"

class BrowserModel;
class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// What the menus need of the application; the application delegate
// implements it.
class MenuTarget {
public:
  virtual ~MenuTarget() = default;
  // The model of the active browser window (the last activated one), or
  // null when no window is open.
  virtual BrowserModel* activeModel() const = 0;
  // Opens a new window: a private one with a profile of its own when
  // `privateMode` is true.
  virtual void openNewWindow(bool privateMode) = 0;
  // The window that shows the about dialog (the active browser window), or
  // null.
  virtual QWidget* aboutDialogParent() const = 0;
  // Hides the application: minimises every window.
  virtual void hideApplication() = 0;
  // Quits the application through its ordinary termination.
  virtual void quitApplication() = 0;
};

class ApplicationMenus : public QObject {
  Q_OBJECT

public:
  // What an item does when chosen.
  enum class ItemAction {
    ExecuteCommand,     // the command named by the item's data
    SelectNumberedTab,  // the tab given by the item's tag
    About,
    Hide,
    Terminate,
    Undo,
    Cut,
    Copy,
    Paste,
    SelectAll,
    None,  // "Sekmeye git", which only opens its submenu
  };

  static constexpr const char* kTagProperty = "kivoTag";

  static inline const QString kAboutMessage = QStringLiteral("Güvenlik, performans ve yenilik için geliştiriliyor.");
  static inline const QString kAboutDetail = QStringLiteral(
      "Geliştirici önizlemesi · Temel HTTP/HTTPS, HTML ve CSS desteklenir. JavaScript ve geniş web uyumluluğu "
      "geliştirme aşamasındadır.");

  // Builds the menu bar of `window` (which owns it and these menus);
  // `windowModel` is that window's model, whose changes refresh the enabled
  // states. `target` must outlive the menus.
  ApplicationMenus(MenuTarget& target, QWidget* window, BrowserModel* windowModel);
  ~ApplicationMenus() override;

  QMenuBar* menuBar() const { return m_menuBar.data(); }
  // The four top-level menus in order, and the numbered-tab submenu.
  QList<QMenu*> menus() const;
  QMenu* tabsMenu() const { return m_tabsMenu; }
  // The item of `command`.
  QAction* commandItem(BrowserCommand command) const;
  // The nine numbered-tab items, tags 1 to 9.
  const QList<QAction*>& numberedTabItems() const { return m_numberedItems; }
  // Every item that does something, in menu order.
  const QList<QAction*>& items() const { return m_items; }
  // What `item` does; None for an item of no menu of these.
  ItemAction itemAction(const QAction* item) const;

  // The menu actions.
  // Runs the command named by the item's data: new and private windows
  // through the target, any other command on the active model (nothing
  // without one). An item without a command's name does nothing.
  void executeCommand(const QAction* item);
  // Selects the active model's tab at the item's tag (1 to 8) or its last
  // tab (tag 9); nothing when there is no such tab or no active model.
  void selectNumberedTab(const QAction* item);
  // Whether `item` is enabled for the model the menus stand for now.
  bool validateMenuItem(const QAction* item) const;
  // Shows "Kivo " and the application's version with the about text, as a
  // dialog of the active window; nothing without an active model.
  void about();

  // Recomputes the enabled state of every item.
  void refresh();

  // Shows the hidden bar in the window with its first title active, as a
  // lone Alt or F10 does; nothing where the desktop shows the bar itself.
  void revealMenuBar();
  // Hides the bar shown by revealMenuBar() and gives the keyboard back to
  // the widget that had it; nothing when the bar is not revealed.
  void concealMenuBar();
  // True while the bar shows in the window after revealMenuBar().
  bool isMenuBarRevealed() const { return m_revealed; }

  // The model validation reads: the window's own model while it is there
  // (its menus and shortcuts are in use only while it is the active
  // window), else the target's active model.
  BrowserModel* validationModel() const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QAction* addItem(QMenu* menu, const QString& title, ItemAction action, const QList<QKeySequence>& keys = {});
  void buildKivoMenu();
  void buildFileMenu();
  void buildEditMenu();
  void buildNavigationMenu();
  void trigger(QAction* item);
  void edit(ItemAction action);
  void captureEditTarget();
  // Follows the keys and presses that reveal the hidden bar; true when the
  // event is used up.
  bool watchRevealKeys(QObject* watched, QEvent* event);
  // True when `watched` belongs to this window.
  bool inWindow(QObject* watched) const;
  // Hides the revealed bar once no menu of it is open and it has left its
  // keyboard mode (a choice, Escape, a second Alt, a press elsewhere).
  void settleRevealedBar();
  void scheduleSettle();

  MenuTarget& m_target;
  QPointer<QWidget> m_window;
  QPointer<BrowserModel> m_windowModel;
  QPointer<QMenuBar> m_menuBar;
  QMenu* m_kivoMenu = nullptr;
  QMenu* m_fileMenu = nullptr;
  QMenu* m_editMenu = nullptr;
  QMenu* m_navigationMenu = nullptr;
  QMenu* m_tabsMenu = nullptr;
  QList<QAction*> m_items;
  QList<QAction*> m_numberedItems;
  QHash<const QAction*, ItemAction> m_actions;
  // The widget the edit items act on, captured when the edit menu opens
  // and released once the menu's choice has run.
  QPointer<QWidget> m_editTarget;
  bool m_editMenuOpen = false;
  // An Alt press went to this window with nothing else since.
  bool m_altArmed = false;
  bool m_revealed = false;
  // True while the bar is handed Qt's own Alt press and release.
  bool m_enteringKeyboardMode = false;
  bool m_settlePending = false;
  // Where the keyboard was before the bar was revealed.
  QPointer<QWidget> m_focusBeforeReveal;
};
