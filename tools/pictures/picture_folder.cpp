#include "picture_folder.h"

#include <QDir>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

void PictureFolder::save(const QImage& image, const QString& name) {
  const QString scheme = m_appearance == BrowserAppearance::Dark ? QStringLiteral("dark") : QStringLiteral("light");
  const QString path = QDir(m_path).filePath(name + QLatin1Char('-') + scheme + QStringLiteral(".png"));
  // An empty grab means the widget drew nothing, which is worth a failure too.
  if (image.isNull() || !image.save(path)) {
    std::fprintf(stderr, "kivo-pictures: could not write %s\n", qUtf8Printable(path));
    ++m_failed;
    return;
  }
  std::printf("%s\n", qUtf8Printable(path));
  ++m_written;
}

void PictureFolder::grab(QWidget* widget, const QString& name) {
  save(widget->grab().toImage(), name);
}

void PictureFolder::control(QWidget* widget, const QString& name, const QColor& background) {
  widget->ensurePolished();
  widget->adjustSize();
  const QPixmap grabbed = widget->grab();
  QPixmap framed(grabbed.size() + QSize(32, 32));
  framed.fill(background);
  {
    QPainter painter(&framed);
    painter.drawPixmap(16, 16, grabbed);
  }
  save(framed.toImage(), name);
}
