#include "chrome/native_tab_strip.h"

#include <QMouseEvent>
#include <QTimer>
#include <QVariantAnimation>

FlippedTabCanvas::FlippedTabCanvas(QWidget* parent) : QWidget(parent) {}
void FlippedTabCanvas::mousePressEvent(QMouseEvent* event) { event->accept(); }
void FlippedTabCanvas::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void FlippedTabCanvas::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

TabScrollView::TabScrollView(QWidget* parent) : QWidget(parent) {}
TabScrollView::~TabScrollView() = default;
double TabScrollView::maximumOffset() const { return 0; }
void TabScrollView::scrollToX(double, bool) {}
double TabScrollView::targetOffset() const { return m_offset; }
void TabScrollView::wheelEvent(QWheelEvent*) {}
void TabScrollView::resizeEvent(QResizeEvent*) {}
void TabScrollView::applyOffset(double offset) { m_offset = offset; }

NativeTabStrip::NativeTabStrip(QWidget* parent) : QWidget(parent) {}
NativeTabStrip::~NativeTabStrip() = default;
void NativeTabStrip::setTheme(std::shared_ptr<KitTheme> theme) { m_theme = std::move(theme); }
void NativeTabStrip::update(const QList<TabPresentation>&, const QUuid&, const QColor&, bool) {}
int NativeTabStrip::insertionIndex(QPoint, bool) { return 0; }
void NativeTabStrip::showDropMarker(std::optional<int>) {}
std::optional<QPointF> NativeTabStrip::tabCenter(const QUuid&) const { return std::nullopt; }
void NativeTabStrip::close(const QUuid&) {}
void NativeTabStrip::press(const QUuid&, QMouseEvent*) {}
void NativeTabStrip::drag(const QUuid&, QMouseEvent*) {}
void NativeTabStrip::release(const QUuid&, QMouseEvent*) {}
void NativeTabStrip::finishDrag(bool) {}
void NativeTabStrip::autoScroll() {}
bool NativeTabStrip::isScrollTimerActive() const { return false; }
double NativeTabStrip::scrollOffset() const { return 0; }
void NativeTabStrip::setScrollOffset(double) {}
double NativeTabStrip::contentWidth() const { return 0; }
double NativeTabStrip::canvasWidth() const { return 0; }
QRectF NativeTabStrip::slotRect(int) const { return {}; }
QRectF NativeTabStrip::itemRect(const QUuid&) const { return {}; }
TabItemView* NativeTabStrip::item(const QUuid&) const { return nullptr; }
bool NativeTabStrip::event(QEvent* event) { return QWidget::event(event); }
void NativeTabStrip::resizeEvent(QResizeEvent* event) { QWidget::resizeEvent(event); }
void NativeTabStrip::hideEvent(QHideEvent* event) { QWidget::hideEvent(event); }
void NativeTabStrip::layoutTabs(bool) {}
void NativeTabStrip::reveal(const QUuid&, bool) {}
void NativeTabStrip::updateDrag() {}
void NativeTabStrip::positionDragged(TabItemView*) {}
void NativeTabStrip::startDragTimer() {}
void NativeTabStrip::stopDragTimer() {}
bool NativeTabStrip::inWindow() const { return false; }
QPointF NativeTabStrip::fromWindow(QPointF p) const { return p; }
double NativeTabStrip::windowWidth() const { return 0; }
void NativeTabStrip::applicationStateChanged(Qt::ApplicationState) {}
void NativeTabStrip::moveCell(TabItemView*, const QRectF&, bool) {}
int NativeTabStrip::indexOf(const QUuid&) const { return -1; }
