// The symbol images of the built-in pages and of the window: its commands,
// chrome and popover menus. The kit's SVG set covers a few names; the others
// (magnifying glass, clock, globe, house, chevrons, ...) are drawn here as
// simple strokes at 1.5/16 of the symbol's size. Main thread.
#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace PageSymbols {

// True when `name` has a drawing (here or in the kit).
bool exists(const QString& name);

// Draws `name` in `color`, fitted into the square centred in `rect`; an
// unknown name draws nothing.
void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);

}  // namespace PageSymbols
