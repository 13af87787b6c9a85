// The one source of fonts: the family "Inter" (Debian's fonts-inter), sized in
// CSS pixels, hinting off, so that the widths the renderer lays out with are
// the widths the document canvas draws.
//
// Qt's font engines round a font's pixel size to a whole pixel, while document
// sizes are fractional (13.5 px). Exact widths therefore come from the
// reference font: unhinted advances grow linearly with the size, so a width at
// the reference size times cssPixels / kReferencePixels is the width at
// cssPixels. The canvas draws with the same reference font under a scale.
#pragma once

#include <QFont>

namespace FontFactory {

// The pixel size of the reference font: large, so that the engine's 1/64-pixel
// advance steps shrink to a thousandth of a pixel when scaled to text sizes,
// yet small enough that Qt still caches its glyph metrics (at 1,000 pixels a
// width costs four times as much).
inline constexpr int kReferencePixels = 256;

// The family every document text uses.
QString family();

// The reference font, bold or regular, at kReferencePixels pixels.
QFont referenceFont(bool bold);

// The scale that turns reference-size lengths into lengths at `cssPixels`.
inline qreal scaleFor(qreal cssPixels) {
  return cssPixels / kReferencePixels;
}

// The font of `cssPixels` pixels (rounded by Qt to a whole pixel), bold or
// regular, for widget text that need not match document widths exactly.
QFont font(qreal cssPixels, bool bold);

}  // namespace FontFactory
