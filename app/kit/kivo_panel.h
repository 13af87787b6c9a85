// The kit's one window class: a frameless, translucent window that takes
// keyboard focus and hands Escape to whoever shows it. A sheet panel is
// modal for its parent window only; a popup panel is a tool window that
// floats above its parent. The panel never closes itself. Main thread.
#pragma once

#include <QWidget>

#include <functional>

class KivoPanel : public QWidget {
  Q_OBJECT

public:
  enum class Role { Sheet, Popup };

  // A hidden panel of `role` owned by `parentWindow` (may be null).
  KivoPanel(Role role, QWidget* parentWindow);

  Role role() const { return m_role; }
  // Called for Escape that no view inside the panel handled; none at first.
  void setDismiss(std::function<void()> dismiss) { m_dismiss = std::move(dismiss); }
  bool hasDismiss() const { return static_cast<bool>(m_dismiss); }

  // Puts `content` into the panel and sizes the panel to its size hint.
  void setContent(QWidget* content);
  QWidget* content() const { return m_content; }

  // The visible sheet panel attached to `window`, or null.
  static KivoPanel* attachedSheet(QWidget* window);

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  Role m_role;
  std::function<void()> m_dismiss;
  QWidget* m_content = nullptr;
};
