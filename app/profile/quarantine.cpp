#include "profile/quarantine.h"

#include <QFile>

#include <sys/xattr.h>

#include <cerrno>

#include "platform/system_error.h"
#include "profile/json_text_writer.h"

namespace Quarantine {
namespace {

// True for the errors of a file system without extended attributes.
bool unsupported(int code) {
  return code == ENOTSUP || code == EOPNOTSUPP;
}

void setAttribute(const QByteArray& nativePath, const QString& path, const char* name, const QByteArray& value) {
  if (::lsetxattr(nativePath.constData(), name, value.constData(), static_cast<size_t>(value.size()), 0) == 0) return;
  if (unsupported(errno)) return;
  throw SystemError(errno, std::string("mark ") + path.toStdString() + " as downloaded");
}

}  // namespace

QByteArray describe(const QUrl& origin, double moment) {
  JsonTextWriter writer;
  writer.beginObject();
  writer.key("LSQuarantineAgentName");
  writer.string(QStringLiteral("Kivo"));
  writer.key("LSQuarantineType");
  writer.string(QStringLiteral("LSQuarantineTypeWebDownload"));
  writer.key("LSQuarantineDataURL");
  writer.string(origin.toString(QUrl::FullyEncoded));
  writer.key("LSQuarantineTimeStamp");
  writer.number(moment);
  writer.endObject();
  return writer.bytes();
}

void mark(const QString& path, const QUrl& origin, double moment) {
  const QByteArray native = QFile::encodeName(path);
  setAttribute(native, path, kOriginAttribute, origin.toString(QUrl::FullyEncoded).toUtf8());
  setAttribute(native, path, kQuarantineAttribute, describe(origin, moment));
}

std::optional<QByteArray> read(const QString& path, const char* name) {
  const QByteArray native = QFile::encodeName(path);
  const ssize_t size = ::lgetxattr(native.constData(), name, nullptr, 0);
  if (size < 0) return std::nullopt;
  QByteArray value(static_cast<qsizetype>(size), '\0');
  const ssize_t read = ::lgetxattr(native.constData(), name, value.data(), static_cast<size_t>(value.size()));
  if (read < 0) return std::nullopt;
  value.truncate(static_cast<qsizetype>(read));
  return value;
}

}  // namespace Quarantine
