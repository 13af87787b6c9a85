// The panel that asks the user where a download goes. Download jobs talk to
// this interface only, so that they run and are tested without a window; the
// application's panel is FileDialogSavePanel.
#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

class SavePanel {
public:
  // What the panel shows, and nothing more.
  struct Request {
    QString title;
    QString message;
    QString fileName;      // the proposed name
    QString directory;     // the folder shown first; empty: the panel's own choice
    bool canCreateDirectories = true;
  };
  // Receives the chosen file URL, or nothing when the user cancelled.
  using Completion = std::function<void(const std::optional<QUrl>& chosen)>;

  virtual ~SavePanel() = default;

  // Shows the panel, as a sheet of `window` when one is given, and returns at
  // once; `done` later runs on the main thread, exactly once.
  virtual void begin(const Request& request, QWidget* window, Completion done) = 0;
};

// The application's save panel: a QFileDialog in save mode.
class FileDialogSavePanel : public SavePanel {
public:
  void begin(const Request& request, QWidget* window, Completion done) override;
};
