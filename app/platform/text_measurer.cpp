#include "platform/text_measurer.h"

#include "platform/font_factory.h"

TextMeasurer::TextMeasurer()
    : m_regular(FontFactory::referenceFont(false)), m_bold(FontFactory::referenceFont(true)) {}

qreal TextMeasurer::width(const QString& text, qreal cssPixels, bool bold) const {
  const QFontMetricsF& metrics = bold ? m_bold : m_regular;
  return metrics.horizontalAdvance(text) * FontFactory::scaleFor(cssPixels);
}
