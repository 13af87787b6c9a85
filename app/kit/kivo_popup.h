// A floating piece of interface next to a control: its content in a
// borderless panel above the window, right-aligned under the anchor (or
// above it when there is no room below), fading in over 0.12 s unless
// reduce motion is on.
//
// The popup owns the "presented" state its owner binds to. The owner's
// writes act on the next turn of the event loop, and only the last of
// several writes in one turn acts. The popup closes itself, writing false
// back, on a left or right mouse press outside the panel (the press is
// consumed), on Escape, when the parent window moves, resizes, hides or
// closes, when the application is deactivated and when the panel loses
// activation. Destroying the popup (with its anchor) closes it silently.
// An open panel keeps its size and place until it closes. Main thread.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "kit/kit_theme.h"

class KivoPanel;

class KivoPopup : public QObject {
  Q_OBJECT

public:
  static constexpr double kCornerRadius = 14;
  static constexpr double kGap = 7;
  static constexpr double kMargin = 8;

  // Builds the content each time the popup opens; the panel takes it.
  using ContentFactory = std::function<QWidget*()>;

  // A closed popup anchored to `anchor`, which owns it.
  KivoPopup(QWidget* anchor, ContentFactory content, std::shared_ptr<KitTheme> theme);
  ~KivoPopup() override;

  // The owner's state: true asks for the panel, false for none. Closing
  // gives the parent window its activation back unless `restoreFocus` is
  // false: an owner that opens another popup in its place passes false, or
  // the parent's late activation would close the new popup at once.
  bool isPresented() const { return m_presented; }
  void setPresented(bool presented, bool restoreFocus = true);
  // The open panel, or null.
  KivoPanel* panel() const { return m_panel; }
  bool isOpen() const { return m_panel != nullptr; }

  // The panel's top-left corner, in screen coordinates with y growing
  // downwards, for a panel of `size` under `anchor` in the visible `area`
  // (without an area, the anchor enlarged by 800 across and 600 up and down).
  static QPointF placement(const QRectF& anchor, const std::optional<QRectF>& area, const QSizeF& size);

Q_SIGNALS:
  // Emitted when the popup closes itself and writes false into its state.
  void presentedChanged(bool presented);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void scheduleUpdate();
  void show();
  void close(bool notify, bool restoreFocus);

  QWidget* m_anchor;
  ContentFactory m_content;
  std::shared_ptr<KitTheme> m_theme;
  bool m_presented = false;
  qint64 m_revision = 0;
  KivoPanel* m_panel = nullptr;
  QPointer<QWidget> m_parent;
  QPointer<QWidget> m_previousResponder;
  bool m_restoreFocus = true;
  QMetaObject::Connection m_applicationState;
};
