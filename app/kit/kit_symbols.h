// The application's symbol images, all in one place: small SVG drawings of
// our own under app/resources/icons, embedded as Qt resources and drawn with
// QtSvg. Names follow the symbols the views ask for ("trash",
// "magnifyingglass", "chevron.down", ...).
//
// A drawing that paints with the paint server "ink" is drawn straight onto
// the painter in the caller's colour, stroke by stroke, at any position. A
// drawing in black is rendered at the device's pixel ratio into an image
// whose coverage is then filled with the colour, and placed on whole pixels:
// the kit's first images, and "eye.slash.fill", whose eye is cut away in a
// band around the slash. The developer tools have finer drawings
// of a few names of their own, under icons/devtools; for every other name
// they get the common drawing. Main thread (QtSvg renders on demand).
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace KitSymbols {
// Which drawings a name looks up first.
enum class Set { Common, DeveloperTools };

// Every name of `set` that has a drawing of its own there.
QStringList names(Set set = Set::Common);
// True when `name` can be drawn for `set`.
bool exists(const QString& name, Set set = Set::Common);
// Draws `name` in `color`, fitted into the square centred in `rect`; an
// unknown name draws nothing.
void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color, Set set = Set::Common);
}  // namespace KitSymbols
