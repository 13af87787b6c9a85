// The synthetic input of the in-window suites: keys, shortcuts and mouse
// buttons delivered to a top-level window the way the windowing system
// delivers real input, through QTest on the window's QWindow. The QWidget
// overloads of QTest send events straight to one widget and bypass routing
// (focus, shortcuts, mouse grabs, popups, modal blocking, double-click
// synthesis), so a suite never uses them.
//
// Points. The suites state their points with y growing upwards: a window's
// points from the bottom-left corner of its content, screen points from the
// bottom of the virtual desktop. Qt's y grows downwards from the top. The
// conversion happens here and nowhere else: a suite writes
//
//   SuiteInput::click(window, SuiteInput::windowPoint(window, {20, 300}));
//
// and every function that takes a point takes Qt's window-local point. A
// browser window has no frame, so its content is the whole window.
//
// Keys. keyClick() sends one key stroke (its modifiers pressed first) to a
// window; keyToFocusWindow() sends it to whichever window has the keyboard
// now, as keys typed into a popup, a list or a sheet go. shortcut() delivers
// a key equivalent of the command table (Command is Ctrl here, see
// BrowserCommands::keySequence) to a window and reports which of the
// window's actions took it: the menus' items are actions of their window, so
// a key that no enabled item takes triggers nothing. Shortcuts fire only in
// the active window.
//
// Mouse. Presses, releases and moves carry the button state from one call to
// the next, as QTest keeps it; a press must be followed by its release, or
// the window keeps the mouse grabbed. doubleClick() sends a whole double
// click, releases included, so it leaves no grab behind.
//
// QTest processes posted events after each event it sends; it never runs the
// deferred deletions of the step that sends, and it waits for nothing (no
// key or mouse delay is configured). Main thread.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

#include "model/browser_command.h"
#include "selftests/suite_task.h"

class QAction;
class QWidget;
class QWindow;

namespace SuiteInput {

// Conversion of y-up points. Pure functions.

// The y-down point of `yUp` in an area `height` high: x stays, y becomes
// height - y.
QPointF flipped(const QPointF& yUp, double height);
// The window-local point of `yUp`, a point of a content area of `contentSize`
// measured from its bottom-left corner.
QPointF windowPoint(const QSizeF& contentSize, const QPointF& yUp);
// The same for a top-level widget's current size.
QPointF windowPoint(const QWidget& window, const QPointF& yUp);
// The screen point of `yUp`, a point whose y is measured upwards from the
// bottom of `desktop` (the virtual desktop, all screens together).
QPointF screenPoint(const QRect& desktop, const QPointF& yUp);
// The screen rectangle of `yUp`, a rectangle whose origin is its bottom-left
// corner in those coordinates. The flip is its own inverse: given a Qt
// rectangle, it answers the y-up one.
QRectF screenRect(const QRect& desktop, const QRectF& yUp);
// The virtual desktop of the primary screen; empty without a screen.
QRect virtualDesktop();

// Windows.

// Shows `window`, puts it in front and asks for it to become the active
// window: the key and front window of the suites' steps. On a real display
// the window becomes active some loop turns later; activate() waits for it.
void makeKeyAndFront(QWidget& window);
// makeKeyAndFront(), then waits until the window system has made `window`
// the active window (bounded, see SuiteWait::windowSystem). A window that
// never becomes active, or goes meanwhile, ends the wait; the check that
// follows decides.
SuiteTask activate(QWidget& window);

// Keys.

// The QWindow that shows `window` (a top-level widget), or null when it has
// none yet.
QWindow* windowHandle(const QWidget& window);
// One key stroke on `window`: press, then release unless the press destroyed
// the window. False when the widget has no QWindow.
bool keyClick(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// One key stroke on the window that has the keyboard focus now. False when
// no window has it.
bool keyToFocusWindow(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The key stroke of a key equivalent of the command table: `key` one
// character, `modifiers` its flags. None when the key cannot be typed.
std::optional<QKeyCombination> shortcutKey(const QString& key, CommandModifiers modifiers);
// Delivers `keys` to `window` as one key stroke and returns the actions of
// the window that triggered while it was handled, in the window's action
// order. Empty when no action took the key or the widget has no QWindow.
QList<QAction*> shortcut(QWidget& window, QKeyCombination keys);

// Mouse, at window-local points (y down). The point (0, 0) stands for the
// window's centre in QTest, so it cannot be used: these functions return
// false for it and send nothing, as they do for a widget without a QWindow.

bool mousePress(QWidget& window, const QPointF& point, Qt::MouseButton button = Qt::LeftButton,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier);
bool mouseRelease(QWidget& window, const QPointF& point, Qt::MouseButton button = Qt::LeftButton,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// A move with the buttons held now.
bool mouseMove(QWidget& window, const QPointF& point);
// A press and its release.
bool click(QWidget& window, const QPointF& point, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Two clicks close enough to count as a double click; widgets see press,
// release, double click (in place of the second press), release.
bool doubleClick(QWidget& window, const QPointF& point, Qt::MouseButton button = Qt::LeftButton,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier);

}  // namespace SuiteInput
