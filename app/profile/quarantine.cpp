#include "profile/quarantine.h"

#include <cerrno>

#include "platform/extended_attributes.h"
#include "platform/system_error.h"
#include "profile/json_text_writer.h"

namespace Quarantine {
namespace {

// True for the errors of a file system without extended attributes.
bool unsupported(int code) {
  return code == ENOTSUP || code == EOPNOTSUPP;
}

void setAttribute(const QString& path, const char* name, const QByteArray& value) {
  const int code = setExtendedAttribute(path, name, value);
  if (code == 0 || unsupported(code)) return;
  throw SystemError(code, std::string("mark ") + path.toStdString() + " as downloaded");
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
  setAttribute(path, kOriginAttribute, origin.toString(QUrl::FullyEncoded).toUtf8());
  setAttribute(path, kQuarantineAttribute, describe(origin, moment));
}

std::optional<QByteArray> read(const QString& path, const char* name) {
  return extendedAttribute(path, name);
}

}  // namespace Quarantine
