#include "profile/file_reveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace FileReveal {
namespace {

void openFolder(const QUrl& file) {
  const QString folder = QFileInfo(file.toLocalFile()).absolutePath();
  QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

}  // namespace

void showInFileManager(const QUrl& file) {
  if (!file.isLocalFile() || !QDir::isAbsolutePath(file.toLocalFile())) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    openFolder(file);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                     QStringLiteral("/org/freedesktop/FileManager1"),
                                                     QStringLiteral("org.freedesktop.FileManager1"),
                                                     QStringLiteral("ShowItems"));
  call << QStringList{file.toString(QUrl::FullyEncoded)} << QString();
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), nullptr);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [watcher, file] {
    if (watcher->isError()) openFolder(file);
    watcher->deleteLater();
  });
}

}  // namespace FileReveal
