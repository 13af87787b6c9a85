// The three pages shipped with the browser behind "kivo://" addresses, and the
// local search over their titles and descriptions.
#pragma once

#include <QList>
#include <QString>

#include <optional>

struct LibraryPage {
  QString id;           // the host of the page's address and the name of its file
  QString title;        // the heading shown for the page
  QString description;  // one line shown under the title
  QString symbol;       // the name of the icon shown beside it

  // The fixed table: welcome, engine, principles, in this order.
  static const QList<LibraryPage>& all();

  // "kivo://" followed by the id.
  QString address() const;

  // The pages whose title, a space and description contain `query` when both
  // are compared without regard to letter case and diacritics, in table
  // order; every page for an empty query. The query is not trimmed.
  static QList<LibraryPage> search(const QString& query);

  // The application's resource folder: the folder of the running executable,
  // which holds "pages/<id>.html"; nothing when no application runs.
  static std::optional<QString> resourceFolder();

  // The file of the page with `id` in the resource folder.
  static std::optional<QString> filePath(const QString& id);

  // `text` folded for the search: decomposed, combining marks dropped and
  // case-folded.
  static QString searchFolded(const QString& text);
};
