// Text widths in CSS pixels with the document font, for the renderer's
// measurement requests.
//
// The metrics of the two reference fonts (regular and bold) are made once per
// measurer; every size is a linear scale of them, so fractional sizes are
// exact. Not shared between threads: each render run owns one measurer.
#pragma once

#include <QFontMetricsF>
#include <QString>

class TextMeasurer {
public:
  TextMeasurer();

  // The advance width of `text` set in the document font of `cssPixels`
  // pixels, bold or regular; unrounded.
  qreal width(const QString& text, qreal cssPixels, bool bold) const;

private:
  QFontMetricsF m_regular;
  QFontMetricsF m_bold;
};
