// The choice of Qt's platform plugin, made before the application object
// exists. Qt aborts inside the QApplication constructor when the platform it
// starts cannot reach its display ("Reinstalling the application may fix this
// problem", status 134), so every program of the build that uses Qt's GUI
// asks here first: a display that cannot be opened, or a missing one where a
// program needs one, becomes one line on standard error and status 1.
//
// The rule, with QT_QPA_PLATFORM unset: a program that draws offscreen takes
// its offscreen platform; otherwise an X display (DISPLAY) is preferred, since
// Kivo places its windows itself (cascading, tear-off near the pointer, its
// own maximise), which Wayland does not let a program do; else a Wayland
// display (WAYLAND_DISPLAY); else offscreen where the program can do without
// a display. A platform the user named is kept, and its display checked when
// it is xcb or wayland. Main thread, before the application object.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace DisplayPlatform {

// What a program does about a display.
enum class Need {
  Display,             // it shows windows: without a display it cannot start
  DisplayOrOffscreen,  // it uses a display when there is one, else offscreen
  Offscreen,           // it draws offscreen unless QT_QPA_PLATFORM says otherwise
};

// The variables the choice reads; an empty value counts as unset.
struct Environment {
  std::string platform;        // QT_QPA_PLATFORM
  std::string display;         // DISPLAY
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string runtimeDir;      // XDG_RUNTIME_DIR

  static Environment current();
};

// Whether a display server answers: none when it does, else a short reason.
struct Probes {
  std::function<std::optional<std::string>(const std::string& display)> x11;
  std::function<std::optional<std::string>(const std::string& socketPath)> wayland;
};

// The probes that ask the system: an X connection (xcb_connect), and a
// connection to the Wayland compositor's socket.
Probes systemProbes();
std::optional<std::string> probeX11(const std::string& display);
std::optional<std::string> probeWayland(const std::string& socketPath);

struct Choice {
  // The value for QT_QPA_PLATFORM; empty keeps the variable as it is.
  std::string platform;
  // When not empty the program cannot start: the text of its one line,
  // after "<program>: ".
  std::string failure;
};

// The choice for `environment`; `offscreen` is the program's offscreen
// platform (with its configuration, if any).
Choice decide(const Environment& environment, Need need, const std::string& offscreen, const Probes& probes);

// decide() for this process: sets QT_QPA_PLATFORM and returns true, or
// writes "<program>: <failure>" as one line on standard error and returns
// false (the caller ends with status 1).
bool prepare(const char* program, Need need, const std::string& offscreen = "offscreen");

}  // namespace DisplayPlatform
