#include "kit/kit_icons.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

namespace {

QString resourcePath(const QString& name) { return QStringLiteral(":/icons/") + name + QStringLiteral(".svg"); }

// One renderer per image, parsed on first use and kept for the process.
QSvgRenderer* renderer(const QString& name) {
  static QHash<QString, std::shared_ptr<QSvgRenderer>> cache;
  auto found = cache.find(name);
  if (found != cache.end()) return found->get();
  if (!KitIcons::exists(name)) return nullptr;
  auto made = std::make_shared<QSvgRenderer>(resourcePath(name));
  if (!made->isValid()) return nullptr;
  cache.insert(name, made);
  return made.get();
}

}  // namespace

namespace KitIcons {

QStringList names() {
  return {QStringLiteral("checkmark"), QStringLiteral("chevron.down"), QStringLiteral("info.circle"),
          QStringLiteral("slider.horizontal.3"), QStringLiteral("sparkles"), QStringLiteral("trash"),
          QStringLiteral("xmark")};
}

bool exists(const QString& name) { return names().contains(name) && QFile::exists(resourcePath(name)); }

void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color) {
  QSvgRenderer* svg = renderer(name);
  if (!svg || rect.isEmpty()) return;
  // The drawing is rendered in black into an image at the device's pixel
  // ratio, then its coverage is filled with the colour.
  double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  QSize pixels(std::max(1, int(std::ceil(rect.width() * ratio))), std::max(1, int(std::ceil(rect.height() * ratio))));
  QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter inner(&image);
    inner.setRenderHint(QPainter::Antialiasing);
    QSizeF natural = svg->defaultSize();
    double fit = std::min(pixels.width() / natural.width(), pixels.height() / natural.height());
    QSizeF drawn = natural * fit;
    svg->render(&inner, QRectF(QPointF((pixels.width() - drawn.width()) / 2, (pixels.height() - drawn.height()) / 2), drawn));
    inner.setCompositionMode(QPainter::CompositionMode_SourceIn);
    inner.fillRect(image.rect(), color);
  }
  image.setDevicePixelRatio(ratio);
  painter.drawImage(rect.topLeft(), image);
}

}  // namespace KitIcons
