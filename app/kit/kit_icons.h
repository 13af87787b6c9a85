// The kit's symbol images: small SVG drawings of our own, embedded as Qt
// resources and tinted when drawn. Names follow the symbols the views ask
// for: "checkmark", "chevron.down", "info.circle", "slider.horizontal.3",
// "sparkles", "trash", "xmark". Main thread (QtSvg renders on demand).
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace KitIcons {
// Every name that has an image.
QStringList names();
// True when `name` has an image.
bool exists(const QString& name);
// Draws the image of `name` in `color`, fitted and centred in `rect`; an
// unknown name draws nothing.
void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color);
}  // namespace KitIcons
