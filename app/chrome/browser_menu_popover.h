// The content of an in-window popover: the open tabs, or the main commands.
// The chrome shows it in a KivoPopup under its menu button while the model's
// openMenu names this kind; choosing a row, or Escape, clears openMenu and
// the chrome then removes the popup.
//
// The menu works from the keyboard: Up and Down move a highlight that wraps
// around and skips disabled rows, Return or Space run the highlighted row,
// Escape closes; hovering an enabled row highlights it and a click runs it.
// The rows are read from the model afresh on every change, so a tab that
// closes or a command that becomes disabled shows at once; the highlight is
// never adjusted, and running checks its range. Main thread.
#pragma once

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "model/window_services.h"

class BrowserModel;
class KitTheme;
class KivoButton;
class QLabel;
class QScrollArea;
class QVBoxLayout;

class BrowserMenuPopover : public QWidget {
  Q_OBJECT

public:
  static constexpr int kWidth = 332;
  static constexpr int kMaxListHeight = 440;
  static constexpr double kDisabledOpacity = 0.4;

  // One row of the menu.
  struct Entry {
    QString id;
    QString title;
    std::optional<QString> subtitle;
    QString symbol;
    QString shortcut;  // empty when there is none
    bool enabled = true;
    bool selected = false;  // the current state: the selected tab, visible developer tools
    std::function<void()> action;
  };

  BrowserMenuPopover(BrowserModel& model, BrowserMenu kind, QWidget* parent = nullptr);
  ~BrowserMenuPopover() override;

  BrowserMenu kind() const { return m_kind; }

  // The rows as the model stands now.
  QList<Entry> entries() const;
  // The height of the row list for `count` rows of `kind`:
  // min(pitch x count + 16, 440), with a pitch of 56 for tabs and 40 for
  // commands.
  static int listHeight(BrowserMenu kind, qsizetype count);

  // The highlighted row's position (not clamped to the rows).
  int highlighted() const { return m_highlighted; }
  // Moves the highlight by `step` (+1 or -1) to the next enabled row,
  // wrapping around; stays put when no row is enabled.
  void move(int step);
  // Runs the highlighted row when it exists and is enabled.
  void activate();
  // What a click on the row at `index` does: closes the menu and runs the
  // row, when it exists and is enabled.
  void choose(int index);
  // What the pointer entering the row at `index` does: highlights an
  // enabled row.
  void hover(int index);
  // Closes the menu without running anything (Escape).
  void dismiss();

  // The row buttons, in row order.
  QList<KivoButton*> rowButtons() const;
  QScrollArea* list() const { return m_scroll; }

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  void sync();
  void styleScrollBar();
  void setHighlighted(int index, bool scroll);
  void run(const Entry& entry);
  // The position of `row` among the rows, or -1.
  int rowIndex(const QWidget* row) const;

  BrowserModel& m_model;
  BrowserMenu m_kind;
  std::shared_ptr<KitTheme> m_theme;
  QWidget* m_header = nullptr;
  QScrollArea* m_scroll = nullptr;
  QVBoxLayout* m_rowsLayout = nullptr;
  QList<KivoButton*> m_rows;
  int m_highlighted = 0;
};
