#include "kit/kit_symbols.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <optional>

namespace {

// The paint server of an inked drawing, as the files write it.
constexpr char kInk[] = R"(<solidColor id="ink" solid-color="#000"/>)";

QString folderOf(KitSymbols::Set set) {
  return set == KitSymbols::Set::DeveloperTools ? QStringLiteral(":/icons/devtools/") : QStringLiteral(":/icons/");
}

// The file that draws `name` for `set`, empty when there is none.
QString fileOf(const QString& name, KitSymbols::Set set) {
  const QString own = folderOf(set) + name + QStringLiteral(".svg");
  if (QFile::exists(own)) return own;
  const QString common = folderOf(KitSymbols::Set::Common) + name + QStringLiteral(".svg");
  return QFile::exists(common) ? common : QString();
}

struct Drawing {
  QString file;
  QByteArray text;
  bool inked = false;
};

// The drawing of `name` for `set`, looked up and read on first use and kept
// for the process; null when there is none.
const Drawing* drawingOf(const QString& name, KitSymbols::Set set) {
  // A name is one file name, never a path into the folders.
  if (name.isEmpty() || name.contains(QLatin1Char('/'))) return nullptr;
  static QHash<QString, std::optional<Drawing>> drawings;
  const QString key = folderOf(set) + name;
  auto found = drawings.find(key);
  if (found == drawings.end()) {
    std::optional<Drawing> drawing;
    const QString file = fileOf(name, set);
    QFile source(file);
    if (!file.isEmpty() && source.open(QIODevice::ReadOnly)) {
      drawing = Drawing{file, source.readAll()};
      drawing->inked = drawing->text.contains(kInk);
    }
    found = drawings.insert(key, drawing);
  }
  return found->has_value() ? &**found : nullptr;
}

// One renderer per drawing and colour (per drawing alone for the tinted
// ones), parsed on first use and kept for the process.
QSvgRenderer* renderer(const QString& key, const std::function<QByteArray()>& text) {
  static QHash<QString, std::shared_ptr<QSvgRenderer>> cache;
  auto found = cache.find(key);
  if (found != cache.end()) return found->get();
  auto made = std::make_shared<QSvgRenderer>(text());
  if (!made->isValid()) return nullptr;
  cache.insert(key, made);
  return made.get();
}

// Draws the inked drawing `text` in `color`, scaled into `square`. The ink
// takes the colour's 8-bit channels and its exact opacity, which QtSvg puts
// into the pen's colour, as the colour's own alpha.
void paintInked(QPainter& painter, const QString& file, const QByteArray& text, const QRectF& square,
                const QColor& color) {
  const QString key = file + QLatin1Char('#') + QString::number(quint64(color.rgba64()), 16);
  const auto inked = [&] {
    return QByteArray(text).replace(kInk, QByteArrayLiteral(R"(<solidColor id="ink" solid-color=")") +
                                              color.name(QColor::HexRgb).toLatin1() +
                                              QByteArrayLiteral(R"(" solid-opacity=")") +
                                              QByteArray::number(double(color.alphaF()), 'g', 17) +
                                              QByteArrayLiteral(R"("/>)"));
  };
  if (QSvgRenderer* svg = renderer(key, inked)) svg->render(&painter, square);
}

// Draws the black drawing `text` tinted with `color`, fitted and centred in
// `rect` at the device's pixel ratio.
void paintTinted(QPainter& painter, const QString& file, const QByteArray& text, const QRectF& rect,
                 const QColor& color) {
  QSvgRenderer* svg = renderer(file, [&] { return text; });
  if (!svg) return;
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

}  // namespace

namespace KitSymbols {

QStringList names(Set set) {
  QStringList found;
  for (const QString& file : QDir(folderOf(set)).entryList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name))
    found << file.chopped(4);
  return found;
}

bool exists(const QString& name, Set set) { return drawingOf(name, set) != nullptr; }

void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color, Set set) {
  const double side = std::min(rect.width(), rect.height());
  if (side <= 0) return;
  const Drawing* drawing = drawingOf(name, set);
  if (!drawing) return;
  const QRectF square(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
  if (drawing->inked) paintInked(painter, drawing->file, drawing->text, square, color);
  else paintTinted(painter, drawing->file, drawing->text, square, color);
}

}  // namespace KitSymbols
