#include "chrome/window_drag_area.h"

#include "chrome/browser_window.h"

WindowDragArea::WindowDragArea(bool withControls, QWidget* parent) : QWidget(parent), m_withControls(withControls) {}

WindowDragArea::~WindowDragArea() = default;
