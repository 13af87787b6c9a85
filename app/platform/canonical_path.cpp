#include "platform/canonical_path.h"

#include <limits.h>
#include <stdlib.h>

#include <QDir>

QString canonicalPath(const QString& path) {
  const QString standardised = QDir::cleanPath(path);
  char resolved[PATH_MAX];
  if (::realpath(standardised.toLocal8Bit().constData(), resolved) == nullptr) return standardised;
  return QString::fromLocal8Bit(resolved);
}
