#include "kit/kivo_popup.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "kit/kivo_panel.h"
#include "kit/motion.h"
#include "kit/palette.h"
#include "kit/window_front.h"

namespace {

// The popup's card: the surface fill and hairline around the content.
class PopupFrame : public QWidget {
public:
  PopupFrame(QWidget* content, std::shared_ptr<KitTheme> theme)
      : m_theme(std::move(theme)) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    KivoPanel::paintCard(painter, this, KivoPopup::kCornerRadius, m_theme.get());
  }

private:
  std::shared_ptr<KitTheme> m_theme;
};

}  // namespace

KivoPopup::KivoPopup(QWidget* anchor, ContentFactory content, std::shared_ptr<KitTheme> theme)
    : QObject(anchor), m_anchor(anchor), m_content(std::move(content)), m_theme(std::move(theme)) {}

KivoPopup::~KivoPopup() {
  ++m_revision;
  close(false, false);
}

void KivoPopup::setPresented(bool presented, bool restoreFocus) {
  m_presented = presented;
  m_restoreFocus = restoreFocus;
  scheduleUpdate();
}

void KivoPopup::scheduleUpdate() {
  qint64 revision = ++m_revision;
  QTimer::singleShot(0, this, [this, revision] {
    if (revision != m_revision) return;
    if (m_presented) show();
    else close(false, m_restoreFocus);
  });
}

QPointF KivoPopup::placement(const QRectF& anchor, const std::optional<QRectF>& area, const QSizeF& size) {
  QRectF bounds = area ? *area : anchor.adjusted(-800, -600, 800, 600);
  double w = size.width();
  double h = size.height();
  // Right edges aligned, then kept 8 pt inside the area; the right bound wins.
  double x = anchor.right() - w;
  x = std::max(x, bounds.left() + kMargin);
  x = std::min(x, bounds.right() - w - kMargin);
  // Below with a 7-pt gap; above when the bottom would pass the margin.
  double y = anchor.bottom() + kGap;
  if (y + h > bounds.bottom() - kMargin) y = std::max(anchor.top() - kGap - h, bounds.top() + kMargin);
  return QPointF(x, y);
}

void KivoPopup::show() {
  // An open popup is never rebuilt; an anchor off screen shows nothing.
  if (m_panel) return;
  QWidget* parent = m_anchor->window();
  if (!parent || !m_anchor->isVisible()) return;
  // Remember the window and its focus.
  m_parent = parent;
  m_previousResponder = parent->focusWidget();
  // The panel with the decorated content.
  auto* panel = new KivoPanel(KivoPanel::Role::Popup, parent, m_theme);
  panel->setCornerRadius(kCornerRadius);
  auto* frame = new PopupFrame(m_content(), m_theme);
  panel->setContent(frame);
  // Fit the content and place the card; a shadow's margin lies around it.
  QSize size = frame->sizeHint();
  QRectF anchor(m_anchor->mapToGlobal(QPoint(0, 0)), QSizeF(m_anchor->size()));
  std::optional<QRectF> area;
  if (QScreen* screen = parent->screen()) area = QRectF(screen->availableGeometry());
  QPointF origin = placement(anchor, area, QSizeF(size));
  panel->setCardGeometry(QRect(origin.toPoint(), size));
  // Record it; Escape closes with focus restoration.
  m_panel = panel;
  QPointer<KivoPopup> self(this);
  panel->setDismiss([self] {
    if (self) self->close(true, true);
  });
  // Show it above the window and make it active, fading in. A window's
  // opacity means nothing where nothing composites, so there it never fades.
  bool reduce = Motion::reduceMotion(m_theme.get()) || panel->depth() == KivoPanel::Depth::Edge;
  panel->setWindowOpacity(reduce ? 1.0 : 0.0);
  panel->show();
  KitWindows::bringToFront(*panel);
  QApplication::setActiveWindow(panel);
  if (!reduce) {
    auto* fade = new QPropertyAnimation(panel, "windowOpacity", panel);
    fade->setDuration(Motion::kFeedbackMilliseconds);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
  }
  // Watch outside presses, the parent window and the application.
  qApp->installEventFilter(this);
  parent->installEventFilter(this);
  panel->installEventFilter(this);
  m_applicationState = connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state != Qt::ApplicationActive) close(true, false);
  });
}

void KivoPopup::close(bool notify, bool restoreFocus) {
  // Forget the panel first, so anything triggered below finds it closed.
  if (!m_panel) return;
  KivoPanel* panel = m_panel;
  m_panel = nullptr;
  // Stop watching.
  qApp->removeEventFilter(this);
  if (m_parent) m_parent->removeEventFilter(this);
  panel->removeEventFilter(this);
  disconnect(m_applicationState);
  // Hide the panel; it goes when the event loop next runs.
  bool wasActive = panel->isActiveWindow();
  panel->setDismiss({});
  panel->hide();
  panel->deleteLater();
  // Give the focus back when the panel had it.
  if (wasActive && restoreFocus && QGuiApplication::applicationState() == Qt::ApplicationActive && m_parent) {
    m_parent->activateWindow();
    QApplication::setActiveWindow(m_parent);
    if (m_previousResponder) m_previousResponder->setFocus(Qt::PopupFocusReason);
    else m_parent->setFocus(Qt::PopupFocusReason);
  }
  // Write false into the owner's state.
  if (notify) {
    m_presented = false;
    Q_EMIT presentedChanged(false);
  }
}

bool KivoPopup::eventFilter(QObject* watched, QEvent* event) {
  if (!m_panel) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (!widget) return false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton) return false;
      // The shadow's margin belongs to the panel's window but shows the
      // page: a press there is a press outside the card.
      const bool inMargin = widget == m_panel && !m_panel->cardRect().contains(mouse->position().toPoint());
      if (widget->window() == m_panel && !inMargin) return false;
      close(true, true);
      return true;
    }
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Close:
    case QEvent::Hide:
      if (watched == m_parent) close(true, true);
      return false;
    case QEvent::WindowDeactivate:
      if (watched == m_panel) close(true, false);
      return false;
    default:
      return false;
  }
}
