#include "platform/temporary_folder.h"

#include <sys/stat.h>

#include <QDir>
#include <QUuid>

#include <cerrno>

#include "platform/system_error.h"

TemporaryFolder::TemporaryFolder(const QString& prefix) {
  const QString name = prefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
  m_path = QDir::tempPath() + QLatin1Char('/') + name;
  const QByteArray native = m_path.toLocal8Bit();
  // mkdir fails on an existing name, so another process cannot hand us its
  // folder; the mode keeps the contents private from the start.
  if (::mkdir(native.constData(), 0700) != 0) throw SystemError(errno, "create folder " + m_path.toStdString());
}

TemporaryFolder::~TemporaryFolder() {
  QDir(m_path).removeRecursively();
}
