// The tabs of one window as a row of equal-width cells, each showing the
// tab's title, the selected one raised as a tab standing on the toolbar. A
// press on a cell selects its tab; the small cross of a hovered or selected
// cell closes it. This simple strip neither scrolls nor reorders: cells
// shrink to share the strip's width. Main thread.
#pragma once

#include <QAbstractButton>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <memory>

#include "kit/kit_theme.h"

class BrowserModel;
class BrowserTabStrip;

// The close control of a cell: a cross, with a faint circle under the
// pointer and a darker one while pressed.
class TabCloseButton : public QAbstractButton {
  Q_OBJECT

public:
  TabCloseButton(std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);

protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  std::shared_ptr<KitTheme> m_theme;
  bool m_hovered = false;
};

// One tab of the strip.
class BrowserTabCell : public QWidget {
  Q_OBJECT

public:
  static constexpr int kHeight = 32;

  BrowserTabCell(BrowserTabStrip& strip, const QUuid& id, std::shared_ptr<KitTheme> theme);

  const QUuid& id() const { return m_id; }
  const QString& title() const { return m_title; }
  bool isSelected() const { return m_selected; }
  bool isHovered() const { return m_hovered; }
  TabCloseButton* closeButton() const { return m_close; }

  // Set by the strip on every change of the model.
  void present(const QString& title, bool isSettings, bool selected, bool showsSeparator);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  void refreshCloseButton();

  QPointer<BrowserTabStrip> m_strip;
  QUuid m_id;
  std::shared_ptr<KitTheme> m_theme;
  QString m_title;
  bool m_isSettings = false;
  bool m_selected = false;
  bool m_showsSeparator = false;
  bool m_hovered = false;
  TabCloseButton* m_close;
};

class BrowserTabStrip : public QWidget {
  Q_OBJECT

public:
  static constexpr double kGap = 4;
  static constexpr double kMaximumCellWidth = 194;
  static constexpr int kCellTop = 6;

  explicit BrowserTabStrip(BrowserModel& model, QWidget* parent = nullptr);
  ~BrowserTabStrip() override;

  // The width of every cell for `count` tabs in a strip `width` wide.
  static double cellWidth(double width, qsizetype count);

  // The cells in the model's order.
  QList<BrowserTabCell*> cells() const;
  BrowserTabCell* cell(const QUuid& id) const { return m_cells.value(id); }

  // What the cells ask of the model.
  void select(const QUuid& id);
  void close(const QUuid& id);

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  // Brings the cells in line with the model's tabs and selection.
  void sync();
  void layoutCells();

  BrowserModel& m_model;
  std::shared_ptr<KitTheme> m_theme;
  QList<QUuid> m_order;
  QHash<QUuid, QPointer<BrowserTabCell>> m_cells;
};
