// The plain records a window's model is made of: one tab with its own
// back/forward list, what it shows, its console lines and its remembered
// scroll position; the developer tools' pane selector; and a closed tab kept
// for reopening. They live on the main thread with the model.
#pragma once

#include <QList>
#include <QPointF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <memory>
#include <optional>
#include <variant>

#include "loading/page_document.h"
#include "loading/subresource_records.h"
#include "model/builtin_pages.h"
#include "network/network_transport.h"

// The panes of the developer tools, in the order of their buttons.
enum class InspectorTab { Elements, Console, Network };

namespace InspectorTabs {
// Every pane, in order.
QList<InspectorTab> all();
// The pane's label: "Elements", "Console" or "Network".
QString rawValue(InspectorTab tab);
// The pane whose label is exactly `raw` (letter case included).
std::optional<InspectorTab> fromRawValue(const QString& raw);
}  // namespace InspectorTabs

// One console line; every line has an identity of its own.
struct ConsoleEntry {
  ConsoleEntry(const QString& level, const QString& message);

  QUuid id;
  QString level;  // "info", "warning" or "error"
  QString message;
};

// Where the document view last stood in a tab. Shared by every copy of the
// tab record, so it travels with the tab; the model never reads it.
struct TabPagePosition {
  QString address;
  QPointF offset;
};

// What a tab shows.
class PageContent {
public:
  enum class Kind { Download, Document, Search, Message, Home, Settings, History, Downloads, Loading };

  struct DownloadOffer {
    QUrl url;
    QString suggestedFilename;
  };
  struct Message {
    QString title;
    QString detail;
  };

  static PageContent download(const QUrl& url, const QString& suggestedFilename);
  static PageContent document(const PageDocument& document);
  static PageContent search(const QString& query);
  static PageContent message(const QString& title, const QString& detail);
  static PageContent home() { return PageContent(Kind::Home); }
  static PageContent settings() { return PageContent(Kind::Settings); }
  static PageContent history() { return PageContent(Kind::History); }
  static PageContent downloads() { return PageContent(Kind::Downloads); }
  static PageContent loading() { return PageContent(Kind::Loading); }

  Kind kind() const { return m_kind; }
  bool is(Kind kind) const { return m_kind == kind; }

  // The payloads; null for another kind.
  const PageDocument* documentValue() const { return std::get_if<PageDocument>(&m_payload); }
  const DownloadOffer* downloadValue() const { return std::get_if<DownloadOffer>(&m_payload); }
  const Message* messageValue() const { return std::get_if<Message>(&m_payload); }
  const QString* searchQuery() const { return std::get_if<QString>(&m_payload); }

private:
  explicit PageContent(Kind kind) : m_kind(kind) {}

  Kind m_kind;
  std::variant<std::monostate, DownloadOffer, PageDocument, QString, Message> m_payload;
};

// A closed tab remembered for reopening: its history and position only.
struct ClosedTab {
  QStringList history;
  qsizetype position = 0;
};

// One tab. Its identity and its page position are fixed when it is made.
class BrowserTab {
public:
  // A new tab on the home page.
  BrowserTab();
  // A new tab with the given back/forward list, showing the home page until
  // its load replaces it. `position` must index `history`.
  BrowserTab(const QStringList& history, qsizetype position);

  const QUuid& id() const { return m_id; }
  const std::shared_ptr<TabPagePosition>& pagePosition() const { return m_pagePosition; }

  // The current address: the history entry at the position.
  QString address() const { return history.at(position); }

  // Visits `address`: nothing when it is the current entry; otherwise the
  // forward entries are dropped and the address becomes the new last entry.
  void visit(const QString& address);

  QString title = QStringLiteral("Yeni sekme");
  QStringList history{BuiltinPages::kHome};
  qsizetype position = 0;
  QUuid generation = QUuid::createUuid();
  PageContent content = PageContent::home();
  std::optional<WebResourcePack> resources;
  std::optional<NetworkResponse> networkResponse;
  std::optional<double> renderedWidth;
  std::optional<qint64> inspectedNodeID;
  QSet<qint64> collapsedInspectorNodes;
  QList<ConsoleEntry> console;

private:
  QUuid m_id = QUuid::createUuid();
  std::shared_ptr<TabPagePosition> m_pagePosition = std::make_shared<TabPagePosition>();
};
