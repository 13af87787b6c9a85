// The browser's own "kivo://" addresses in one place: the pages a window
// shows by itself (home, history, downloads, settings and the local search)
// and the pages shipped with the application, which are rendered from the
// resource folder. The model routes an address through route(); the chrome
// and the pages navigate to, and compare with, the constants.
#pragma once

#include <QString>

#include <optional>

class WebAddress;

namespace BuiltinPages {

// The scheme of every built-in address, as the route compares it: exactly,
// letter case included.
inline constexpr QLatin1String kScheme("kivo");
// The start of every built-in address: the scheme and "://".
inline constexpr QLatin1String kPrefix("kivo://");

// The pages a window shows by itself.
inline constexpr QLatin1String kHome("kivo://home");
inline constexpr QLatin1String kHistory("kivo://history");
inline constexpr QLatin1String kDownloads("kivo://downloads");
inline constexpr QLatin1String kSettings("kivo://settings");
// The local search; its query travels in the query item "q".
inline constexpr QLatin1String kSearch("kivo://search");

// The pages shipped with the application (LibraryPage::all() in this order).
inline constexpr QLatin1String kWelcome("kivo://welcome");
inline constexpr QLatin1String kEngine("kivo://engine");
inline constexpr QLatin1String kPrinciples("kivo://principles");

// The host of one of the addresses above: what follows "kivo://".
constexpr QLatin1String host(QLatin1String address) {
  return address.sliced(kPrefix.size());
}

// What a built-in address stands for.
enum class Page { Home, History, Downloads, Settings, Search, Shipped };

struct Route {
  Page page = Page::Home;
  // For a shipped page, its LibraryPage id (the address's host).
  QString shippedId;
};

// The page `address` names: scheme "kivo" and a host of the table, both
// compared exactly (letter case included); the rest of the address is not
// looked at. Nothing for any other address, including a "kivo" address with
// another host. A shipped page is named whether or not its file exists.
std::optional<Route> route(const WebAddress& address);

}  // namespace BuiltinPages
