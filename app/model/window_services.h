// What the browser model uses of the window layer. The window chrome
// implements these; the model holds plain pointers that the window controller
// sets when it takes the model and clears before its window closes.
#pragma once

#include <QList>

class BrowserModel;
class QWidget;

// The in-window popover menus.
enum class BrowserMenu { Tabs, Main };

// The application's set of windows.
class WorkspaceServices {
public:
  virtual ~WorkspaceServices() = default;
  // The model of every open window, in opening order.
  virtual QList<BrowserModel*> windowModels() const = 0;
};

// The window that shows one model.
class WindowServices {
public:
  virtual ~WindowServices() = default;
  // Closes the window as its close button does, without a veto.
  virtual void performClose() = 0;
  // The parent of sheets and save dialogs; may be null.
  virtual QWidget* dialogParent() = 0;
};
