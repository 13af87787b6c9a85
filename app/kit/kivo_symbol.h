// The product's glyph as a vector path: a band that bows to the right and a
// slanted bar, built on a 100 x 100 grid and scaled into the largest centred
// square of a rectangle. Pure; callable from any thread.
#pragma once

#include <QPainterPath>
#include <QRectF>

namespace KivoSymbol {
// The glyph scaled by min(width, height) / 100 and centred in `rect`
// (y grows downwards). Both subpaths run clockwise, so either fill rule
// gives the same shape.
QPainterPath path(const QRectF& rect);
}  // namespace KivoSymbol
