// The chrome of a window: the tab row (drag areas with the window controls,
// the tab strip, the new-tab button, the tabs menu) and the toolbar (back,
// forward, reload or stop, the address field, home, downloads, settings and
// the main menu), 84 points high. The root view shows one outside full
// screen; in full screen the window's chrome host shows another, for the
// same model, and each instance keeps to its own controls. Main thread.
#pragma once

#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"
#include "model/window_services.h"

class AddressField;
class BrowserModel;
class BrowserTabStrip;
class BrowserWindowState;
class TabTearOff;
class KivoPopup;
class PageButton;
class QLineEdit;
class WindowDragArea;

class BrowserChromeView : public QWidget {
  Q_OBJECT

public:
  static constexpr int kHeight = 84;
  static constexpr int kTabRowHeight = 38;
  static constexpr int kToolbarHeight = 45;
  static constexpr int kButtonSide = 28;

  // `tearOff` is what the tab strip offers a tab dragged outside it.
  BrowserChromeView(BrowserModel& model, BrowserWindowState& windowState, TabTearOff* tearOff = nullptr,
                    QWidget* parent = nullptr);
  ~BrowserChromeView() override;

  // The width of the leading drag area: 12 in full screen (no window
  // controls there), 79 otherwise.
  static int leadingWidth(bool fullScreen);
  // The tab strip's width in a tab row `rowWidth` wide holding `tabCount`
  // tabs: what the row leaves, never below 180, and never more than 198 a
  // tab.
  static double stripWidth(double rowWidth, bool fullScreen, qsizetype tabCount);
  // True while the reload-or-stop slot holds the stop button, that is while
  // the current tab loads.
  bool showsStop() const { return m_showsStop; }

  // The parts, for the window and the tests.
  BrowserTabStrip* tabStrip() const { return m_strip; }
  AddressField* addressField() const { return m_address; }
  QLineEdit* addressLineEdit() const;
  WindowDragArea* leadingDragArea() const { return m_leadingDrag; }
  WindowDragArea* trailingDragArea() const { return m_trailingDrag; }
  PageButton* newTabButton() const { return m_newTab; }
  PageButton* tabsMenuButton() const { return m_tabsMenu.button; }
  PageButton* backButton() const { return m_back; }
  PageButton* forwardButton() const { return m_forward; }
  PageButton* reloadButton() const { return m_reload; }
  PageButton* homeButton() const { return m_home; }
  PageButton* downloadsButton() const { return m_downloads; }
  PageButton* settingsButton() const { return m_settings; }
  PageButton* mainMenuButton() const { return m_mainMenu.button; }
  KivoPopup* menuPopup(BrowserMenu kind) const;

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  struct MenuControl {
    PageButton* button = nullptr;
    KivoPopup* popup = nullptr;
  };

  PageButton* iconButton(const QString& symbol, const QString& title, QWidget* parent);
  MenuControl menuButton(BrowserMenu kind, const QString& symbol, const QString& title, QWidget* parent);
  void buildToolbar();
  void layoutTabRow();
  // Follows the current tab: history buttons and the reload-or-stop slot.
  void refreshTab();
  // Follows the open menu: the buttons' backgrounds and the popups.
  void refreshMenus();
  void refreshWindow();
  void toggleMenu(BrowserMenu kind);
  // Focuses the address field when the model asks and this chrome is on
  // screen.
  void answerFocusAddress();

  BrowserModel& m_model;
  BrowserWindowState& m_windowState;
  std::shared_ptr<KitTheme> m_theme;
  WindowDragArea* m_leadingDrag = nullptr;
  BrowserTabStrip* m_strip = nullptr;
  PageButton* m_newTab = nullptr;
  WindowDragArea* m_trailingDrag = nullptr;
  MenuControl m_tabsMenu;
  QWidget* m_toolbar = nullptr;
  PageButton* m_back = nullptr;
  PageButton* m_forward = nullptr;
  PageButton* m_reload = nullptr;
  AddressField* m_address = nullptr;
  PageButton* m_home = nullptr;
  PageButton* m_downloads = nullptr;
  PageButton* m_settings = nullptr;
  MenuControl m_mainMenu;
  bool m_showsStop = false;
};
