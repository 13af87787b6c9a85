// The Elements pane of the developer tools: the inspection nodes of the
// selected tab's document as a collapsible tree on the left and the details
// of the inspected node on the right, or an empty state when the tab shows
// no document with a node list.
//
// The pane keeps no state of its own: the inspected node and the collapsed
// set are read from the selected tab on every refresh() and changed only
// through BrowserModel::inspect() and BrowserModel::toggleInspectorNode().
//
// Limits: the renderer reports at most 2,000 nodes. The tree computes each
// node's label, label width and the has-children set once per node list,
// filters the visible rows in one pass per refresh, and paints only the rows
// inside the viewport, so a refresh and a paint stay cheap at that size.
// Main thread.
#pragma once

#include <QAbstractScrollArea>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>

#include "loading/page_document.h"
#include "model/browser_model.h"

class QAbstractButton;
class QLabel;
class QScrollArea;
class QSplitter;
class QStackedLayout;
class QVBoxLayout;

class FocusRing;

// The tree column: one 24-pt row per visible node, drawn by hand.
//
// Keyboard: the tree takes the focus (Tab or a click); Up and Down, Page Up
// and Page Down, Home and End move between rows, Left to a row's disclosure
// button and Right to its label; Return and Space act on the focused part
// as a click does (collapse or expand, inspect). The focused part carries
// the kit's focus ring and is scrolled into view.
class ElementsTree : public QAbstractScrollArea {
  Q_OBJECT

public:
  static constexpr int kRowHeight = 24;
  static constexpr int kVerticalPadding = 8;
  static constexpr int kIndentStep = 13;
  static constexpr int kIndentDepthLimit = 20;
  static constexpr int kLeadingInset = 10;
  static constexpr int kTrailingInset = 15;
  static constexpr int kDisclosureWidth = 13;
  static constexpr int kDisclosureHeight = 22;
  static constexpr int kItemSpacing = 5;
  static constexpr int kMinimumContentWidth = 320;

  explicit ElementsTree(BrowserModel* model, QWidget* parent = nullptr);

  // Reads the selected tab's document, collapsed set and inspected node.
  void refresh();

  // The leading inset of a row at `depth`: min(depth, 20) x 13 + 10.
  static int leadingInset(qint64 depth);

  // What the tree shows (tests and accessibility).
  qsizetype rowCount() const { return m_rows.size(); }
  const InspectedNode& rowNode(qsizetype row) const { return m_nodes.at(m_rows.at(row)); }
  QString rowLabel(qsizetype row) const { return m_labels.at(m_rows.at(row)); }
  bool rowHasChildren(qsizetype row) const;
  // The symbol of the row's disclosure button; empty when it has none.
  QString rowDisclosureSymbol(qsizetype row) const;
  // A row's rectangles in viewport coordinates.
  QRect rowRect(qsizetype row) const;
  QRect disclosureRect(qsizetype row) const;
  QRect labelRect(qsizetype row) const;
  // The rows the last paint drew: the first and one past the last. Only the
  // rows that meet the exposed area are drawn, whatever the list's length.
  std::pair<qsizetype, qsizetype> lastPaintedRows() const { return m_lastPaintedRows; }
  // True when the truncation note ends the list.
  bool showsTruncationNote() const { return m_truncated; }
  // The width and height of everything the tree draws.
  QSize contentSize() const;
  // The row the keyboard acts on (-1 when there is none) and whether its
  // disclosure button (rather than its label) has the focus.
  qsizetype currentRow() const { return m_current ? m_current->row : -1; }
  bool currentIsDisclosure() const { return m_current && m_current->disclosure; }
  void setCurrent(qsizetype row, bool disclosure);
  // True while the focus ring shows on the current part.
  bool showsFocusRing() const;

  QSize sizeHint() const override { return QSize(560, 285); }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool viewportEvent(QEvent* event) override;

private:
  // What a point of the viewport hits.
  struct Hit {
    qsizetype row = -1;
    bool disclosure = false;  // the disclosure button, else the label button
    bool operator==(const Hit&) const = default;
  };
  std::optional<Hit> hitAt(const QPoint& point) const;
  // Rebuilds the per-list caches when the node list is another one.
  void adoptNodes(const QList<InspectedNode>& nodes);
  void updateScrollBars();
  void setHover(const std::optional<Hit>& hit);
  // The rectangle of a part, in viewport coordinates.
  QRect partRect(const Hit& hit) const;
  void scrollToCurrent();
  // Does what a click on the part does.
  void trigger(const Hit& hit);

  BrowserModel* m_model;
  QList<InspectedNode> m_nodes;
  const InspectedNode* m_nodesIdentity = nullptr;
  QStringList m_labels;
  QList<int> m_labelWidths;
  QSet<qint64> m_parents;
  QList<qsizetype> m_rows;
  QSet<qint64> m_collapsed;
  std::optional<qint64> m_inspected;
  bool m_truncated = false;
  int m_contentWidth = kMinimumContentWidth;
  std::optional<Hit> m_pressed;
  std::optional<Hit> m_hover;
  std::optional<Hit> m_current;
  FocusRing* m_ring = nullptr;
  std::pair<qsizetype, qsizetype> m_lastPaintedRows{0, 0};
};

// The detail area: "COMPUTED", then the inspected node's label, box line,
// computed style and attributes, or a placeholder.
class ElementsDetail : public QWidget {
  Q_OBJECT

public:
  explicit ElementsDetail(BrowserModel* model, QWidget* parent = nullptr);

  // Rebuilds the items when the inspected node, its document or the colours
  // changed since the last refresh.
  void refresh();
  // The texts of the items, top to bottom (tests).
  QStringList texts() const;

private:
  void rebuild(const std::optional<InspectedNode>& node);
  QLabel* addLabel(const QString& text, const QFont& font, const QColor& color, bool selectable);

  BrowserModel* m_model;
  QScrollArea* m_scroll;
  QWidget* m_content = nullptr;
  QVBoxLayout* m_column = nullptr;
  QStringList m_texts;
  // What the shown items were built from.
  struct Key {
    const InspectedNode* nodes = nullptr;
    std::optional<qint64> inspected;
    bool found = false;
    QRgb ink = 0, muted = 0, accent = 0;
    bool operator==(const Key&) const = default;
  };
  std::optional<Key> m_key;
};

// The whole pane: the split view, or the empty state.
class ElementsPane : public QWidget {
  Q_OBJECT

public:
  explicit ElementsPane(BrowserModel* model, QWidget* parent = nullptr);

  // Shows the selected tab's data.
  void refresh();

  // True while the split view (not the empty state) is shown.
  bool showsSplitView() const;
  ElementsTree* tree() const { return m_tree; }
  ElementsDetail* detail() const { return m_detail; }
  QAbstractButton* sampleButton() const { return m_sampleButton; }

private:
  BrowserModel* m_model;
  QStackedLayout* m_stack;
  QWidget* m_empty;
  QLabel* m_emptyTitle;
  QLabel* m_emptyDetail;
  QAbstractButton* m_sampleButton;
  QSplitter* m_split;
  ElementsTree* m_tree;
  ElementsDetail* m_detail;
};
