#include "model/browser_tab.h"

#include "platform/check.h"

QList<InspectorTab> InspectorTabs::all() {
  return {InspectorTab::Elements, InspectorTab::Console, InspectorTab::Network};
}

QString InspectorTabs::rawValue(InspectorTab tab) {
  switch (tab) {
    case InspectorTab::Elements:
      return QStringLiteral("Elements");
    case InspectorTab::Console:
      return QStringLiteral("Console");
    case InspectorTab::Network:
      return QStringLiteral("Network");
  }
  kivo_platform::failInvariant("unknown inspector pane", __FILE__, __LINE__);
}

std::optional<InspectorTab> InspectorTabs::fromRawValue(const QString& raw) {
  for (const InspectorTab tab : all()) {
    if (rawValue(tab) == raw) return tab;
  }
  return std::nullopt;
}

ConsoleEntry::ConsoleEntry(const QString& level, const QString& message)
    : id(QUuid::createUuid()), level(level), message(message) {}

PageContent PageContent::download(const QUrl& url, const QString& suggestedFilename) {
  PageContent content(Kind::Download);
  content.m_payload = DownloadOffer{url, suggestedFilename};
  return content;
}

PageContent PageContent::document(const PageDocument& document) {
  PageContent content(Kind::Document);
  content.m_payload = document;
  return content;
}

PageContent PageContent::search(const QString& query) {
  PageContent content(Kind::Search);
  content.m_payload = query;
  return content;
}

PageContent PageContent::message(const QString& title, const QString& detail) {
  PageContent content(Kind::Message);
  content.m_payload = Message{title, detail};
  return content;
}

BrowserTab::BrowserTab() = default;

BrowserTab::BrowserTab(const QStringList& history, qsizetype position) : history(history), position(position) {
  KIVO_CHECK(!history.isEmpty() && position >= 0 && position < history.size());
}

void BrowserTab::visit(const QString& address) {
  // 1. The current entry again changes nothing; the forward entries survive.
  if (history.at(position) == address) return;
  // 2. Drop the forward entries and append the address.
  history.erase(history.begin() + position + 1, history.end());
  history.append(address);
  position = history.size() - 1;
}
