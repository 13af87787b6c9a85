#include "profile/save_panel.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

#include <memory>

void FileDialogSavePanel::begin(const Request& request, QWidget* window, Completion done) {
  // Qt's own dialog, so that the message line can be added to it.
  auto* dialog = new QFileDialog(window, request.title);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setOption(QFileDialog::DontUseNativeDialog, true);
  dialog->setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  if (!request.directory.isEmpty()) dialog->setDirectory(request.directory);
  dialog->selectFile(request.fileName);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout())) {
    auto* message = new QLabel(request.message, dialog);
    message->setWordWrap(true);
    grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
  }
  // The completion runs once, whether the dialog is accepted or dismissed.
  auto pending = std::make_shared<Completion>(std::move(done));
  QObject::connect(dialog, &QFileDialog::finished, dialog, [dialog, pending](int result) {
    if (!*pending) return;
    const Completion completion = std::move(*pending);
    *pending = nullptr;
    const QList<QUrl> urls = dialog->selectedUrls();
    if (result != QDialog::Accepted || urls.isEmpty()) {
      completion(std::nullopt);
      return;
    }
    completion(urls.first());
  });
  if (window) {
    dialog->setWindowModality(Qt::WindowModal);
    dialog->open();
  } else {
    dialog->show();
  }
}
