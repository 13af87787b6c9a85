#include "platform/display_platform.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef KIVO_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// The first platform of QT_QPA_PLATFORM's value, without its options
// ("offscreen:configfile=..." names offscreen).
std::string platformName(const std::string& value) {
  return value.substr(0, value.find(':'));
}

std::string cannotOpen(const std::string& display, const std::string& reason) {
  return "cannot open display " + display + " (" + reason + ")";
}

// The failure of an X display that does not answer, or none.
std::optional<std::string> x11Failure(const std::string& display, const DisplayPlatform::Probes& probes) {
  if (display.empty()) return std::string("cannot open display (DISPLAY is not set)");
  if (std::optional<std::string> reason = probes.x11(display)) return cannotOpen(display, *reason);
  return std::nullopt;
}

// The failure of a Wayland display that does not answer, or none. Like the
// Wayland client library, an unset WAYLAND_DISPLAY means "wayland-0" and a
// relative name lies in XDG_RUNTIME_DIR.
std::optional<std::string> waylandFailure(const DisplayPlatform::Environment& environment,
                                          const DisplayPlatform::Probes& probes) {
  const std::string name = environment.waylandDisplay.empty() ? "wayland-0" : environment.waylandDisplay;
  std::string path = name;
  if (name.front() != '/') {
    if (environment.runtimeDir.empty()) return cannotOpen(name, "XDG_RUNTIME_DIR is not set");
    path = environment.runtimeDir + "/" + name;
  }
  if (std::optional<std::string> reason = probes.wayland(path)) return cannotOpen(name, *reason);
  return std::nullopt;
}

}  // namespace

namespace DisplayPlatform {

Environment Environment::current() {
  return {variable("QT_QPA_PLATFORM"), variable("DISPLAY"), variable("WAYLAND_DISPLAY"), variable("XDG_RUNTIME_DIR")};
}

std::optional<std::string> probeX11(const std::string& display) {
#ifdef KIVO_HAVE_XCB
  xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
  const int error = xcb_connection_has_error(connection);
  xcb_disconnect(connection);
  switch (error) {
    case 0:
      return std::nullopt;
    case XCB_CONN_CLOSED_PARSE_ERR:
      return "not a display name";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
      return "the X server has no such screen";
    case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
      return "out of memory";
    case XCB_CONN_ERROR:
      // Both a missing server and one that turns the connection down end
      // here; libxcb itself prints the server's reason for the latter.
      return "no X server answers there, or it refused the connection";
    default:
      return "the X connection failed";
  }
#else
  // Without the X client library there is nothing to ask; Qt will tell.
  (void)display;
  return std::nullopt;
#endif
}

std::optional<std::string> probeWayland(const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof(address.sun_path)) return "the socket path is too long";
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (descriptor < 0) return std::string("no socket: ") + std::strerror(errno);
  const bool answered = ::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
  ::close(descriptor);
  if (!answered) return "no Wayland compositor answers there";
  return std::nullopt;
}

Probes systemProbes() { return {probeX11, probeWayland}; }

Choice decide(const Environment& environment, Need need, const std::string& offscreen, const Probes& probes) {
  // A platform the user named: its display must answer; a list of
  // platforms is Qt's to try in turn.
  if (!environment.platform.empty()) {
    if (environment.platform.find(';') != std::string::npos) return {};
    const std::string name = platformName(environment.platform);
    std::optional<std::string> failure;
    if (name == "xcb") failure = x11Failure(environment.display, probes);
    if (name.rfind("wayland", 0) == 0) failure = waylandFailure(environment, probes);
    return {std::string(), failure.value_or(std::string())};
  }
  if (need == Need::Offscreen) return {offscreen, std::string()};
  if (!environment.display.empty()) {
    if (std::optional<std::string> failure = x11Failure(environment.display, probes)) return {std::string(), *failure};
    return {"xcb", std::string()};
  }
  if (!environment.waylandDisplay.empty()) {
    if (std::optional<std::string> failure = waylandFailure(environment, probes)) return {std::string(), *failure};
    return {"wayland", std::string()};
  }
  if (need == Need::Display)
    return {std::string(), "no display (set DISPLAY or WAYLAND_DISPLAY, or QT_QPA_PLATFORM=offscreen)"};
  return {offscreen, std::string()};
}

bool prepare(const char* program, Need need, const std::string& offscreen) {
  const Choice choice = decide(Environment::current(), need, offscreen, systemProbes());
  if (!choice.failure.empty()) {
    std::fprintf(stderr, "%s: %s\n", program, choice.failure.c_str());
    return false;
  }
  if (!choice.platform.empty()) ::setenv("QT_QPA_PLATFORM", choice.platform.c_str(), 1);
  return true;
}

}  // namespace DisplayPlatform
