// Every question to the user: a rounded card (symbol, title, message,
// optional boxed detail, optional cancel button, one confirm button) shown
// as a sheet of the window it concerns, at most one per window. The dialog
// closes exactly once and runs the caller's action only on confirmation,
// after the sheet has gone and the window's focus is back where it was.
//
// Keys: Return confirms only while the confirm button has focus (focus
// starts on the cancel button when there is one), Escape cancels. Main
// thread.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "kit/kit_theme.h"

class KitLabel;
class KivoActionButton;
class KivoButton;
class KivoPanel;

class KivoDialogCard : public QWidget {
  Q_OBJECT

public:
  static constexpr int kWidth = 444;

  // `complete` receives true for confirm and false for every way of
  // cancelling; it may run more than once (the dialog keeps it to one).
  KivoDialogCard(const QString& title, const QString& message, const std::optional<QString>& detail,
                 const QString& confirmTitle, bool destructive, const std::optional<QString>& cancelTitle,
                 std::function<void(bool)> complete, std::shared_ptr<KitTheme> theme,
                 QWidget* parent = nullptr);

  // Gives focus to the cancel button when there is one, else to confirm.
  void focusInitialButton();

  const QString& title() const { return m_title; }
  const QString& message() const { return m_message; }
  const std::optional<QString>& detail() const { return m_detail; }
  bool destructive() const { return m_destructive; }
  // "trash" for a destructive question, else "sparkles".
  QString headerSymbol() const;
  KivoActionButton* confirmButton() const { return m_confirm; }
  KivoActionButton* cancelButton() const { return m_cancel; }
  KivoButton* closeButton() const { return m_close; }

  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  QString m_title;
  QString m_message;
  std::optional<QString> m_detail;
  bool m_destructive;
  std::function<void(bool)> m_complete;
  std::shared_ptr<KitTheme> m_theme;
  KivoActionButton* m_confirm = nullptr;
  KivoActionButton* m_cancel = nullptr;
  KivoButton* m_close = nullptr;
};

namespace KivoDialog {
// Shows the question as a sheet of `window` and returns its panel, or null
// when there is no window or the window already carries a sheet. The panel
// deletes itself after it closes; keep it in a QPointer.
KivoPanel* show(QWidget* window, std::shared_ptr<KitTheme> theme, const QString& title,
                const QString& message, const std::optional<QString>& detail,
                const QString& confirm = QStringLiteral("Tamam"), bool destructive = false,
                const std::optional<QString>& cancel = std::nullopt, std::function<void()> action = {});
}  // namespace KivoDialog
