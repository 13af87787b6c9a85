#include "loading/raster_decoder.h"

#include <QBuffer>
#include <QImageReader>

#include "base/bridge_error.h"

namespace RasterDecoder {
namespace {

const QString kCorrupt = QStringLiteral("Görsel bozuk veya piksel bütçesini aşıyor.");
const QString kInconsistent = QStringLiteral("Görsel boyutları tutarsız.");

QByteArray formatName(Format format) {
  switch (format) {
    case Format::png:
      return "png";
    case Format::jpeg:
      return "jpeg";
    case Format::gif:
      return "gif";
  }
  return QByteArray();
}

}  // namespace

std::optional<Format> sniff(QByteArrayView bytes) {
  if (bytes.startsWith(QByteArrayView("\x89PNG\r\n\x1a\n", 8))) return Format::png;
  if (bytes.startsWith(QByteArrayView("\xFF\xD8\xFF", 3))) return Format::jpeg;
  if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")) return Format::gif;
  return std::nullopt;
}

RasterImage decode(const QByteArray& bytes, qint64 pixelAllowance) {
  // The content names the format, and only ours are read.
  const std::optional<Format> format = sniff(bytes);
  if (!format) throw BridgeError(kCorrupt);
  // A PNG must open with its 13-byte header chunk; anything else is refused
  // here rather than left to the decoder's own complaints.
  if (*format == Format::png && (bytes.size() < 33 || QByteArrayView(bytes).sliced(8, 8) != QByteArrayView("\0\0\0\x0DIHDR", 8))) {
    throw BridgeError(kCorrupt);
  }
  QByteArray data = bytes;
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, formatName(*format));
  reader.setAutoDetectImageFormat(false);
  reader.setDecideFormatFromContent(false);
  reader.setAutoTransform(false);
  // The header's size, read before any pixel.
  if (!reader.canRead()) throw BridgeError(kCorrupt);
  const QSize size = reader.size();
  // Each side within bounds, the area within the allowance.
  if (size.width() < 1 || size.height() < 1 || size.width() > kMaximumSide || size.height() > kMaximumSide) {
    throw BridgeError(kCorrupt);
  }
  if (static_cast<qint64>(size.width()) * size.height() > pixelAllowance) throw BridgeError(kCorrupt);
  // Decode the first frame now.
  QImage image;
  if (!reader.read(&image) || image.isNull()) throw BridgeError(kCorrupt);
  // The pixels must match the header.
  if (image.size() != size) throw BridgeError(kInconsistent);
  return RasterImage{image};
}

}  // namespace RasterDecoder
