// A drop-down control for choosing one integer value out of a short list of
// labelled options: a button with the current choice and a chevron that
// opens the option list in a popup 7 pt below it (or above it), 202 pt wide
// and right-aligned. The list works with the mouse (hover highlights, click
// picks) and the keyboard (Up and Down move a wrapping highlight, Return or
// Space pick, Escape closes).
//
// Limit: the option list must not be empty; an empty list is refused where
// it is given (construction, setOptions) and stops the program, as a caller's
// fault that no later key press may turn into a division by zero. Main thread.
#pragma once

#include <QList>
#include <QString>

#include <memory>

#include "kit/kivo_button.h"
#include "kit/kit_theme.h"

class KivoPopup;

struct KivoSelectOption {
  qint64 value = 0;
  QString label;
};

// The popup's list; built anew each time the list opens.
class KivoSelectOptions : public QWidget {
  Q_OBJECT

public:
  static constexpr int kWidth = 202;

  // `pick` receives the chosen value; `close` closes the list.
  KivoSelectOptions(QList<KivoSelectOption> options, qint64 selection, std::function<void(qint64)> pick,
                    std::function<void()> close, std::shared_ptr<KitTheme> theme,
                    QWidget* parent = nullptr);

  // The row the keyboard acts on.
  int highlighted() const { return m_highlighted; }
  void setHighlighted(int index);
  const QList<KivoSelectOption>& options() const { return m_options; }
  qint64 selection() const { return m_selection; }
  // The row buttons, in option order.
  const QList<KivoButton*>& rows() const { return m_rows; }

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  QList<KivoSelectOption> m_options;
  qint64 m_selection;
  std::function<void(qint64)> m_pick;
  std::function<void()> m_close;
  std::shared_ptr<KitTheme> m_theme;
  QList<KivoButton*> m_rows;
  int m_highlighted = 0;
};

class KivoSelect : public KivoButton {
  Q_OBJECT

public:
  static constexpr int kHeight = 38;

  KivoSelect(const QString& title, QList<KivoSelectOption> options, qint64 selection,
             std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);

  const QString& title() const { return m_title; }
  const QList<KivoSelectOption>& options() const { return m_options; }
  // Takes effect at the next opening of the list; `options` must not be
  // empty.
  void setOptions(QList<KivoSelectOption> options);
  qint64 selection() const { return m_selection; }
  // Changes what the button shows at once; emits selectionChanged.
  void setSelection(qint64 value);
  // The label of the first option with the selected value, or the title.
  QString currentLabel() const;
  // The label of the first option with the selected value, or empty.
  QString accessibleValue() const;
  // True while the list is open (the state the button toggles).
  bool isOpen() const;
  KivoPopup* popup() const { return m_popup; }

Q_SIGNALS:
  // Emitted on every assignment of the selection.
  void selectionChanged(qint64 value);

protected:
  void paintLabel(QPainter& painter, const QRectF& rect) override;
  QSize labelSize() const override;

private:
  void setOpen(bool open);

  QString m_title;
  QList<KivoSelectOption> m_options;
  qint64 m_selection;
  KivoPopup* m_popup;
};
