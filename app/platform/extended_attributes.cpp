#include "platform/extended_attributes.h"

#include <sys/xattr.h>

#include <QFile>

#include <cerrno>

int setExtendedAttribute(const QString& path, const char* name, const QByteArray& value) {
  const QByteArray native = QFile::encodeName(path);
  if (::lsetxattr(native.constData(), name, value.constData(), static_cast<size_t>(value.size()), 0) == 0) return 0;
  return errno;
}

std::optional<QByteArray> extendedAttribute(const QString& path, const char* name) {
  const QByteArray native = QFile::encodeName(path);
  const ssize_t size = ::lgetxattr(native.constData(), name, nullptr, 0);
  if (size < 0) return std::nullopt;
  QByteArray value(static_cast<qsizetype>(size), '\0');
  const ssize_t read = ::lgetxattr(native.constData(), name, value.data(), static_cast<size_t>(value.size()));
  if (read < 0) return std::nullopt;
  value.truncate(static_cast<qsizetype>(read));
  return value;
}
