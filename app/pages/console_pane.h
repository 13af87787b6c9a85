// The Console pane of the developer tools: a toolbar with "Temizle", then
// the selected tab's console lines in list order, each with the symbol and
// colour of its level and its message as selectable text.
//
// The pane keeps no state of its own; refresh() reads the selected tab and
// rebuilds the rows only when the list of entries changed (the model keeps
// at most 200). Main thread.
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QUuid>
#include <QWidget>

#include "model/browser_model.h"

class KivoButton;
class QLabel;
class QScrollArea;
class QVBoxLayout;

class ConsolePane : public QWidget {
  Q_OBJECT

public:
  // The platform's standard red and orange in the light and the dark scheme.
  static QColor red(ColorScheme scheme);
  static QColor orange(ColorScheme scheme);
  // The symbol of a level: "xmark.circle" for "error",
  // "exclamationmark.triangle" for "warning", "info.circle" for any other.
  static QString symbol(const QString& level);
  // The colour of a level: red, orange or `accent`.
  static QColor color(const QString& level, ColorScheme scheme, const QColor& accent);

  explicit ConsolePane(BrowserModel* model, QWidget* parent = nullptr);

  // Shows the selected tab's entries.
  void refresh();

  KivoButton* clearButton() const { return m_clear; }
  // The shown messages, in order (tests).
  QStringList messages() const;
  // The entry rows, in order (tests).
  const QList<QWidget*>& rows() const { return m_rows; }
  // True while the empty-list text shows.
  bool showsEmptyText() const { return m_empty != nullptr; }

private:
  void rebuild(const QList<ConsoleEntry>& entries);

  BrowserModel* m_model;
  KivoButton* m_clear;
  QLabel* m_note;
  QScrollArea* m_scroll;
  QLabel* m_empty = nullptr;
  QStringList m_messages;
  QList<QWidget*> m_rows;
  // What the shown rows were built from.
  QList<QUuid> m_shownIDs;
  bool m_built = false;
  QRgb m_builtInk = 0, m_builtMuted = 0, m_builtAccent = 0;
};
