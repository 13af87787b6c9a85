#include "platform/window_compositing.h"

#include <QGuiApplication>

#include <cstdlib>
#include <memory>

#ifdef KIVO_HAVE_XCB
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#endif

namespace {

std::optional<bool>& overridden() {
  static std::optional<bool> value;
  return value;
}

#ifdef KIVO_HAVE_XCB
// The screen number of DISPLAY (":0.1" is screen 1); 0 when it names none.
int displayScreen() {
  const QByteArray display = qgetenv("DISPLAY");
  const qsizetype colon = display.lastIndexOf(':');
  const qsizetype dot = display.indexOf('.', colon < 0 ? 0 : colon);
  if (dot < 0) return 0;
  bool ok = false;
  const int screen = display.mid(dot + 1).toInt(&ok);
  return ok && screen >= 0 ? screen : 0;
}
#endif

}  // namespace

namespace WindowCompositing {

bool rule(const QString& platformName, std::optional<bool> x11Manager) {
  if (platformName.startsWith(QLatin1String("wayland"))) return true;
  if (platformName == QLatin1String("xcb")) return x11Manager.value_or(false);
  return false;
}

std::optional<bool> x11CompositingManager() {
#ifdef KIVO_HAVE_XCB
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return std::nullopt;
  const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(displayScreen());
  // An atom that was never made has no owner; asking only for an existing
  // one leaves the server's atom table alone.
  const xcb_intern_atom_cookie_t atomCookie =
      xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.constData());
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(connection, atomCookie, nullptr), &std::free);
  if (!atom || atom->atom == XCB_ATOM_NONE) return false;
  const xcb_get_selection_owner_cookie_t ownerCookie = xcb_get_selection_owner(connection, atom->atom);
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
      xcb_get_selection_owner_reply(connection, ownerCookie, nullptr), &std::free);
  return owner && owner->owner != XCB_NONE;
#else
  return std::nullopt;
#endif
}

bool composites() {
  if (overridden()) return *overridden();
  const QString platform = QGuiApplication::platformName();
  return rule(platform, platform == QLatin1String("xcb") ? x11CompositingManager() : std::nullopt);
}

void setOverride(const std::optional<bool>& composites) { overridden() = composites; }

}  // namespace WindowCompositing
