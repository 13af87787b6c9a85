#include "platform/executable_files.h"

#include <unistd.h>

#include <QFile>

QString executableFolder() {
  char path[4096];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return QString();
  const QString self = QString::fromLocal8Bit(path, static_cast<qsizetype>(length));
  const qsizetype slash = self.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QString();
  // The root folder keeps its slash.
  return self.left(slash > 0 ? slash : 1);
}

bool canExecute(const QString& path) {
  return !path.isEmpty() && ::access(QFile::encodeName(path).constData(), X_OK) == 0;
}
