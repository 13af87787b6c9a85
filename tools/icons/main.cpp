// kivo-icons DIR NAME: draws the product mark in the default accent as the
// desktop's application icons, into DIR in the icon theme's layout:
// hicolor/scalable/apps/NAME.svg and hicolor/SxS/apps/NAME.png for the usual
// sizes. The build runs it; the files are installed with the program.
// Exit status: 0 when every file was written, 1 otherwise, 2 for a usage error.
#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cstdio>

#include "kit/mark.h"
#include "kit/palette.h"
#include "platform/display_platform.h"

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};
// The scalable icon's own grid.
constexpr int kScalableSide = 128;

bool save(const QString& path, const QByteArray& bytes) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QByteArray png(int side, const QColor& accent) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    Mark::paintTile(painter, QPointF(0, 0), side, accent);
  }
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

QByteArray svg(const QColor& accent) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator generator;
  generator.setOutputDevice(&buffer);
  generator.setSize(QSize(kScalableSide, kScalableSide));
  generator.setViewBox(QRect(0, 0, kScalableSide, kScalableSide));
  generator.setTitle(QStringLiteral("Kivo"));
  {
    QPainter painter(&generator);
    Mark::paintTile(painter, QPointF(0, 0), kScalableSide, accent);
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || argv[1][0] == '\0' || argv[2][0] == '\0') {
    std::fputs("usage: kivo-icons DIR NAME\n", stderr);
    return 2;
  }
  // Drawing into images needs no display.
  if (!DisplayPlatform::prepare("kivo-icons", DisplayPlatform::Need::Offscreen)) return 1;
  QGuiApplication application(argc, argv);
  const QDir folder(QFile::decodeName(argv[1]));
  const QString name = QFile::decodeName(argv[2]);
  const QColor accent = Palette::accent(nullptr);

  bool written = save(folder.filePath(QStringLiteral("hicolor/scalable/apps/%1.svg").arg(name)), svg(accent));
  for (int side : kSizes) {
    const QString path = folder.filePath(QStringLiteral("hicolor/%1x%1/apps/%2.png").arg(side).arg(name));
    written = save(path, png(side, accent)) && written;
  }
  if (!written) {
    std::fputs("kivo-icons: could not write every icon\n", stderr);
    return 1;
  }
  return 0;
}
