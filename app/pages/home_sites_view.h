// The home page's site tiles: an order switch ("Son ziyaretler" / "Sık
// ziyaretler"), a button to the history page, and up to eight tiles of
// visited origins (or a line saying where they will appear). The tiles are
// derived again from the history store on every change of it. The chosen
// order lives as long as the view. Main thread.
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <memory>

#include "pages/page_widgets.h"
#include "pages/site_suggestions.h"

class BrowserModel;
class HistoryStore;
class QHBoxLayout;
class QVBoxLayout;

// One tile: the initial on an accent square above the name.
class SiteTile : public KivoButton {
  Q_OBJECT
public:
  SiteTile(const SiteSuggestion& suggestion, std::shared_ptr<BrowserPreferences> preferences,
           QWidget* parent = nullptr);
  const SiteSuggestion& suggestion() const { return m_suggestion; }
  // The first character of the title, upper-cased.
  static QString initial(const QString& title);

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override;
  QSize labelSize() const override;
  void paintEvent(QPaintEvent* event) override;

private:
  SiteSuggestion m_suggestion;
};

// The adaptive grid: as many columns of 95 to 150 points as fit, centred.
class SiteTileGrid : public QWidget {
  Q_OBJECT
public:
  static constexpr int kMinimumCell = 95;
  static constexpr int kMaximumCell = 150;
  static constexpr int kColumnSpacing = 8;
  static constexpr int kRowSpacing = 12;
  explicit SiteTileGrid(QWidget* parent = nullptr);
  void setTiles(const QList<SiteTile*>& tiles);
  const QList<SiteTile*>& tiles() const { return m_tiles; }
  // Columns and cell width for an available width.
  static std::pair<int, int> columns(int width);
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void place();
  QList<SiteTile*> m_tiles;
};

class HomeSitesView : public QWidget {
  Q_OBJECT
public:
  static constexpr int kMaximumWidth = 760;
  HomeSitesView(HistoryStore& store, BrowserModel& model, QWidget* parent = nullptr);

  bool frequent() const { return m_frequent; }
  void setFrequent(bool frequent);
  // The segment buttons, recent first.
  PageButton* segment(bool frequent) const { return frequent ? m_frequentSegment : m_recentSegment; }
  PageButton* historyButton() const { return m_history; }
  // The tiles shown now (empty while the empty line shows).
  const QList<SiteTile*>& tiles() const { return m_grid->tiles(); }
  // True while the empty-state line shows.
  bool showsEmptyLine() const;
  // The last of its controls in reading order: the last tile, or the
  // history button when there is none.
  QWidget* lastControl() const;

Q_SIGNALS:
  // Emitted after the tiles were made again.
  void tilesChanged();

private:
  void rebuild();
  void styleSegments();

  QPointer<HistoryStore> m_store;
  QPointer<BrowserModel> m_model;
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<KitTheme> m_theme;
  bool m_frequent = false;
  PageButton* m_recentSegment = nullptr;
  PageButton* m_frequentSegment = nullptr;
  PageButton* m_history = nullptr;
  SiteTileGrid* m_grid = nullptr;
  QWidget* m_empty = nullptr;
};
