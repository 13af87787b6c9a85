// Text widths in CSS pixels with the document font, for the renderer's
// measurement requests.
//
// The metrics of the two reference fonts (regular and bold) are made once per
// measurer; every size is a linear scale of them, so fractional sizes are
// exact. A measurer is not shared between threads (each render run owns one),
// but the widths it finds are: shaping a word costs microseconds, and a page
// laid out again at another width, or the next page of the same site, asks
// for mostly the same words.
//
// Limits: the shared widths hold at most 65,536 texts of at most 256 UTF-16
// units each (longer texts are measured every time); when full they are
// dropped all at once and gathered again.
#pragma once

#include <QFontMetricsF>
#include <QString>

#include <cstddef>

class FontTextMeasurer {
public:
  static constexpr qsizetype kSharedTextLimit = 256;
  static constexpr std::size_t kSharedWidthLimit = 65'536;

  FontTextMeasurer();

  // The advance width of `text` set in the document font of `cssPixels`
  // pixels, bold or regular; unrounded.
  qreal width(const QString& text, qreal cssPixels, bool bold) const;

  // Drops the widths shared by the measurers of this process, so that the
  // next measurement shapes its text again (for benchmarks of a first load).
  static void forgetSharedWidths();

private:
  QFontMetricsF m_regular;
  QFontMetricsF m_bold;
};
