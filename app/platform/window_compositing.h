// Whether the window system composites top-level windows, so that the
// transparent pixels of a translucent window show what lies behind it. Where
// it does not (an X11 desktop without a compositing manager, the offscreen
// platform, a bare framebuffer), those pixels come out black, so a window
// that wants a soft shadow around its shape must do without one there.
//
// The rule: Wayland compositors always composite; on X11 a compositing
// manager announces itself by owning the selection _NET_WM_CM_S<screen>
// (the desktop's window-manager convention), which is asked of the X server
// each time; every other platform, offscreen included, counts as not
// compositing. Main thread (it reads the application's platform).
#pragma once

#include <QString>

#include <optional>

namespace WindowCompositing {

// The rule for a platform name (QGuiApplication::platformName()) and, on
// X11, whether a compositing manager owns its selection.
bool rule(const QString& platformName, std::optional<bool> x11Manager);

// Whether a compositing manager owns the selection of the X screen the
// application is on; none when the application does not run on X11 or the
// build has no X11 client library.
std::optional<bool> x11CompositingManager();

// The answer for this application now: the override when one is set, else
// the rule for the running platform.
bool composites();

// Replaces the answer of composites() (tests, pictures); none restores the
// rule.
void setOverride(const std::optional<bool>& composites);

}  // namespace WindowCompositing
