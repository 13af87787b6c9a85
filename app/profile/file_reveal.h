// Showing a downloaded file in the desktop's file manager, never opening the
// file itself.
#pragma once

#include <QUrl>

namespace FileReveal {

// Asks the file manager (D-Bus org.freedesktop.FileManager1.ShowItems) to show
// `file` selected; when no file manager answers, opens the folder that holds
// it. Does nothing for a URL that is not an absolute local file. Returns at
// once.
void showInFileManager(const QUrl& file);

}  // namespace FileReveal
