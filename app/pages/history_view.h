// The page of "kivo://history": the profile's visits, newest first, with a
// search over title and address, a row per visit that opens it in the same
// tab or deletes it, and a period select with a button that clears that
// period after a confirmation. A private window shows only the title and a
// note. The search text and the period are the page's own while it lives.
//
// The rows are painted by one widget, so a history of 5,000 visits costs one
// filter pass per change and draws only the visible rows. Main thread.
#pragma once

#include <QAccessible>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <memory>
#include <optional>

#include "kit/kit_theme.h"
#include "model/browser_preferences.h"
#include "profile/history_store.h"

class BrowserModel;
class FocusRing;
class KivoActionButton;
class KivoSelect;
class PageText;
class QLineEdit;

// The rows of the visible visits on one rounded surface.
//
// Keyboard: Tab enters the list at its current row (the first at first)
// and leaves it again; Up and Down, Page Up and Page Down, Home and End move
// between rows, Left and Right between a row's title and its trash button;
// Return and Space act on the focused part (open the visit, or delete it),
// and Delete deletes the row's visit from anywhere in the row. The focused
// part carries the kit's focus ring and is scrolled into view.
//
// Assistive tools see one list item per row (its title as name, its address
// and visit time as description) with two actions: open ("Press") and
// delete ("Delete"). Main thread.
class HistoryList : public QWidget {
  Q_OBJECT
public:
  static constexpr int kPadding = 16;
  // The two parts of a row that act: the title and address, and the trash
  // button.
  enum class Part { Open, Trash };

  explicit HistoryList(std::shared_ptr<BrowserPreferences> preferences, QWidget* parent = nullptr);
  ~HistoryList() override;

  void setEntries(const QList<HistoryEntry>& entries);
  const QList<HistoryEntry>& entries() const { return m_entries; }
  // The height of one row, its divider included.
  int rowHeight() const;
  // The clickable title area and the trash button of row `index`.
  QRect openRect(qsizetype index) const;
  QRect trashRect(qsizetype index) const;
  // The visit time as the row shows it.
  static QString visitTime(double visitedAt);

  // The row and part the keyboard acts on; row -1 when the list is empty.
  qsizetype currentRow() const { return m_current.row; }
  Part currentPart() const { return m_current.part; }
  void setCurrent(qsizetype row, Part part);
  // Does what a click on the part of the row does.
  void trigger(qsizetype row, Part part);
  // True while the focus ring shows on the current part.
  bool showsFocusRing() const;
  // The assistive-technology item of row `index` (null past the end); the
  // list keeps it until its rows change.
  QAccessibleInterface* accessibleRow(qsizetype index) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return QSize(0, sizeHint().height()); }

Q_SIGNALS:
  // Emitted when a row's title and address are clicked.
  void openRequested(const QString& address);
  // Emitted when a row's trash button is clicked.
  void removeRequested(const QUuid& id);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;

private:
  // A row and one of its parts.
  struct Target {
    qsizetype row = -1;
    Part part = Part::Open;
    bool operator==(const Target&) const = default;
  };
  Target targetAt(const QPoint& point) const;
  void setHovered(const Target& target);
  // The rectangle the feedback and the ring of a part cover.
  QRect partRect(const Target& target) const;
  void scrollToCurrent();
  void forgetAccessibleRows();
  // The number of whole rows the visible part of the page holds.
  int rowsPerPage() const;

  std::shared_ptr<KitTheme> m_theme;
  QList<HistoryEntry> m_entries;
  Target m_hovered;
  Target m_pressed;
  Target m_current;
  FocusRing* m_ring = nullptr;
  mutable QHash<qsizetype, QAccessible::Id> m_accessibleRows;
};

class HistoryView : public QWidget {
  Q_OBJECT
public:
  // The periods of the select and of the clear button: hours and label.
  struct Period {
    int hours;
    QString label;
  };
  static const QList<Period>& periods();
  // The label of `hours`, "Tüm zamanlar" for an unknown value.
  static QString periodLabel(int hours);
  // The visits of `entries` whose title, a space and address contain
  // `query` without regard to case and diacritics; all for an empty query.
  static QList<HistoryEntry> matches(const QList<HistoryEntry>& entries, const QString& query);

  HistoryView(BrowserModel& model, HistoryStore& store, QWidget* parent = nullptr);

  const QString& query() const { return m_query; }
  int period() const { return m_period; }
  // The controls; null in a private window.
  QLineEdit* searchField() const { return m_search; }
  KivoSelect* periodSelect() const { return m_select; }
  KivoActionButton* clearButton() const { return m_clear; }
  HistoryList* list() const { return m_list; }
  QWidget* emptyState() const { return m_empty; }
  PageText* errorLine() const { return m_error; }
  // The line that names a history file moved aside at the start; null in a
  // private window.
  PageText* keptAsideLine() const { return m_keptAsideLine; }
  const QString& noteText() const { return m_note; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void refresh();

  QPointer<BrowserModel> m_model;
  QPointer<HistoryStore> m_store;
  std::shared_ptr<BrowserPreferences> m_preferences;
  std::shared_ptr<KitTheme> m_theme;
  QString m_query;
  int m_period = 0;
  QString m_note;
  QLineEdit* m_search = nullptr;
  KivoSelect* m_select = nullptr;
  KivoActionButton* m_clear = nullptr;
  PageText* m_error = nullptr;
  PageText* m_keptAsideLine = nullptr;
  QWidget* m_empty = nullptr;
  HistoryList* m_list = nullptr;
};

// The question before deleting the browsing history, asked by this page and
// by the settings page.
namespace HistoryClearing {
// Asks, as a sheet of the model's window, before deleting its browsing
// history: the whole history (hours 0) or the visits of the last `hours`
// hours, counted back from the moment of confirmation. Shows nothing when
// the model has no window.
void ask(BrowserModel& model, int hours = 0, const QString& title = QStringLiteral("Tüm zamanlar"));

// The texts of the question for a period.
QString message(const QString& title);
QString detail(int hours);
}  // namespace HistoryClearing
