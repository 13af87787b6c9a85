// The interface font of the kit's views: Inter at a size in points (1 pt =
// 1 logical pixel), the family the whole application draws with.
#pragma once

#include <QFont>

namespace KitFonts {
// Inter at `points` logical pixels and `weight`.
inline QFont system(double points, QFont::Weight weight = QFont::Normal) {
  QFont font(QStringLiteral("Inter"));
  font.setPixelSize(qRound(points));
  font.setWeight(weight);
  return font;
}
// The monospaced font of code fields.
inline QFont monospaced(double points) {
  QFont font(QStringLiteral("monospace"));
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(qRound(points));
  return font;
}
}  // namespace KitFonts
