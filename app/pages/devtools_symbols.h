// The symbol images of the developer tools that the kit does not carry
// ("chevron.right", "chevron.left.forwardslash.chevron.right",
// "xmark.circle", "exclamationmark.triangle"), drawn as stroked paths; every
// other name is handed to the kit's images. Main thread.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>

namespace DevToolsSymbols {
// True when `name` can be drawn here or by the kit.
bool exists(const QString& name);
// Draws `name` in `color`, fitted and centred in `rect`; an unknown name
// draws nothing.
void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);
}  // namespace DevToolsSymbols
