#include "model/builtin_pages.h"

#include "model/library_page.h"
#include "model/web_address.h"

namespace {

struct Row {
  BuiltinPages::Page page;
  QLatin1String address;
};

constexpr Row kRows[] = {
    {BuiltinPages::Page::Home, BuiltinPages::kHome},
    {BuiltinPages::Page::History, BuiltinPages::kHistory},
    {BuiltinPages::Page::Downloads, BuiltinPages::kDownloads},
    {BuiltinPages::Page::Settings, BuiltinPages::kSettings},
    {BuiltinPages::Page::Search, BuiltinPages::kSearch},
};

}  // namespace

std::optional<BuiltinPages::Route> BuiltinPages::route(const WebAddress& address) {
  if (address.scheme() != kScheme) return std::nullopt;
  const QString name = address.host().value_or(QString());
  for (const Row& row : kRows) {
    if (name == host(row.address)) return Route{row.page, QString()};
  }
  for (const LibraryPage& page : LibraryPage::all()) {
    if (page.id == name) return Route{Page::Shipped, page.id};
  }
  return std::nullopt;
}
