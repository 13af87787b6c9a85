#include "platform/font_factory.h"

#include <cmath>

namespace FontFactory {

namespace {

QFont make(int pixels, bool bold) {
  QFont result(family());
  result.setPixelSize(pixels);
  result.setWeight(bold ? QFont::Bold : QFont::Normal);
  result.setHintingPreference(QFont::PreferNoHinting);
  result.setKerning(true);
  return result;
}

}  // namespace

QString family() {
  return QStringLiteral("Inter");
}

QFont referenceFont(bool bold) {
  return make(kReferencePixels, bold);
}

QFont font(qreal cssPixels, bool bold) {
  const long rounded = std::lround(cssPixels);
  return make(rounded < 1 ? 1 : static_cast<int>(rounded), bold);
}

}  // namespace FontFactory
