// The kit's one window class: a frameless window that takes keyboard focus
// and hands Escape to whoever shows it. A sheet panel is modal for its
// parent window only; a popup panel is a tool window that floats above its
// parent. The panel never closes itself.
//
// Depth: a panel stands apart from the page under it. Each time the panel
// is shown it asks whether the window system composites (see
// WindowCompositing). Where it does, the panel is translucent and
// draws a soft shadow of its card's rounded shape in a margin around the
// card. Where it does not, transparent pixels would come out black, so the
// panel has no margin and no transparent pixel at all: its card is square
// and opaque and carries a one-pixel border in the palette's edge grey.
// The card inside (the dialog's, the popup's frame) paints itself with
// paintCard(), which follows the panel's depth. Main thread.
#pragma once

#include <QImage>
#include <QMargins>

#include <functional>
#include <memory>

#include "kit/kit_theme.h"
#include "kit/translucent_window.h"

class KivoPanel : public TranslucentWindow {
  Q_OBJECT

public:
  enum class Role { Sheet, Popup };
  enum class Depth { Shadow, Edge };

  // The shadow's room around the card, and how far the light falls from
  // above: the shadow sits kShadowOffset lower than the card.
  static constexpr QMargins kShadowMargins{26, 18, 26, 34};
  static constexpr int kShadowOffset = 8;
  static constexpr int kShadowBlur = 12;

  // How panels show depth: a shadow where the window system composites, an
  // edge where it does not.
  static Depth depthFor(bool composites);

  // A hidden panel of `role` owned by `parentWindow` (may be null), with the
  // depth the window system allows now (asked again on every show); `theme`
  // sets the shadow's strength.
  KivoPanel(Role role, QWidget* parentWindow, std::shared_ptr<KitTheme> theme = nullptr);

  Role role() const { return m_role; }
  Depth depth() const { return m_depth; }
  // The room around the card: kShadowMargins with a shadow, none otherwise.
  QMargins margins() const;
  // The corner radius of the card's shape, which the shadow follows.
  void setCornerRadius(double radius);
  double cornerRadius() const { return m_radius; }

  // Called for Escape that no view inside the panel handled; none at first.
  void setDismiss(std::function<void()> dismiss) { m_dismiss = std::move(dismiss); }
  bool hasDismiss() const { return static_cast<bool>(m_dismiss); }

  // Puts `content` (the card) into the panel and sizes the panel to its
  // size hint and the margins.
  void setContent(QWidget* content);
  QWidget* content() const { return m_content; }

  // The card's rectangle in the panel, and in screen coordinates; placing
  // the card places the panel around it.
  QRect cardRect() const;
  QRect cardGeometry() const;
  void setCardGeometry(const QRect& card);

  // The shadow the panel draws in its margin (empty without a shadow).
  const QImage& shadow();

  // Paints the fill and outline of `card`: in a panel without a shadow, the
  // surface over the whole card with a one-pixel edge border; otherwise (in
  // a shadowed panel, or outside any panel) the surface in a rounded
  // rectangle of `radius` with the hairline.
  static void paintCard(QPainter& painter, const QWidget* card, double radius, const KitTheme* theme);

  // The visible sheet panel attached to `window`, or null.
  static KivoPanel* attachedSheet(QWidget* window);

  // Showing decides the depth anew, keeping the card where it was placed.
  void setVisible(bool visible) override;

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void setDepth(Depth depth);

  Role m_role;
  Depth m_depth;
  std::shared_ptr<KitTheme> m_theme;
  double m_radius = 14;
  std::function<void()> m_dismiss;
  QWidget* m_content = nullptr;
  QImage m_shadow;
};
