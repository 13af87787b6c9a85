// The page of a local search ("kivo://search?q=..."): the browser has no web
// search, so it lists the pages shipped with the browser whose title and
// description match the query, and opens one when its row is clicked. The
// page keeps nothing of its own; the root view builds a new one for every
// navigation of its tab, so each search starts at the top. Main thread.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

#include "kit/kivo_button.h"
#include "model/browser_preferences.h"
#include "model/library_page.h"

class BrowserModel;
class KitLabel;
class QScrollArea;
class QVBoxLayout;

// One result: the address (10 pt, muted), the title (18 pt medium, accent)
// and the description (12 pt, muted), one above the other at the leading
// edge, wrapping in narrow pages.
class SearchResultRow : public KivoButton {
  Q_OBJECT
public:
  SearchResultRow(const LibraryPage& page, std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);

  const LibraryPage& page() const { return m_page; }

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override;
  QSize labelSize() const override;

private:
  struct Line {
    QString text;
    QFont font;
  };
  QList<Line> lines() const;
  // The height the three lines take at `width`.
  int textHeight(int width) const;

  LibraryPage m_page;
};

class SearchView : public QWidget {
  Q_OBJECT
public:
  static constexpr int kMaximumWidth = 800;

  // The heading: "Yerel sayfalar" for an empty query, else the query in
  // typographic quotation marks.
  static QString heading(const QString& query);
  // The count line: the number, then " sonuç · Yalnızca Kivo'nın yerel
  // sayfaları".
  static QString countLine(qsizetype count);
  // The hint shown when nothing matches.
  static QString noMatchHint();

  SearchView(const QString& query, BrowserModel& model, QWidget* parent = nullptr);

  // Shows the results of `query` (a changed query of the same navigation).
  void setQuery(const QString& query);
  const QString& query() const { return m_query; }

  KitLabel* headingLabel() const { return m_heading; }
  KitLabel* countLabel() const { return m_count; }
  const QList<SearchResultRow*>& rows() const { return m_rows; }
  // The no-match hint; hidden while there are results.
  KitLabel* hintLabel() const { return m_hint; }
  QScrollArea* scrollArea() const { return m_scroll; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void refresh();

  QPointer<BrowserModel> m_model;
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<KitTheme> m_theme;
  QString m_query;
  QScrollArea* m_scroll = nullptr;
  QVBoxLayout* m_column = nullptr;
  KitLabel* m_heading = nullptr;
  KitLabel* m_count = nullptr;
  KitLabel* m_hint = nullptr;
  QList<SearchResultRow*> m_rows;
};
