// What the browser model uses of the window layer. The window chrome
// implements these; the model holds plain pointers that the window controller
// sets when it takes the model and clears before its window closes.
#pragma once

#include <QList>
#include <QUuid>

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
  // Opens a new window with a new model: a private one with a private
  // profile of its own when `privateMode` is true.
  virtual void newWindow(bool privateMode) { (void)privateMode; }
  // Moves the tab `tab` of `model` into a new window of its own.
  virtual void detachTab(const QUuid& tab, BrowserModel& model) {
    (void)tab;
    (void)model;
  }
  // The model of the window that is active now, or null without windows.
  virtual BrowserModel* activeModel() const { return nullptr; }
};

// The window that shows one model.
class WindowServices {
public:
  virtual ~WindowServices() = default;
  // Closes the window as its close button does, without a veto.
  virtual void performClose() = 0;
  // The parent of sheets and save dialogs; may be null.
  virtual QWidget* dialogParent() = 0;
  // Enters full screen, or leaves it.
  virtual void toggleFullScreen() {}
};
