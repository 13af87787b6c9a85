// The updates group of the settings page: the running version, the update
// check's status, a check button and, when a newer release was found, a
// button that downloads its package through the window profile's download
// store with the announced size and SHA-256 as expectations. It installs
// nothing, and no check starts by itself. Main thread.
#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

#include "profile/update_checker.h"

class BrowserModel;
class KitLabel;
class KivoActionButton;

class UpdatesView : public QWidget {
  Q_OBJECT

public:
  // A view over `model` with a checker of its own.
  explicit UpdatesView(BrowserModel* model, QWidget* parent = nullptr);
  // The same with a checker made from `settings` (tests).
  UpdatesView(BrowserModel* model, UpdateChecker::Settings settings, QWidget* parent = nullptr);

  UpdateChecker& checker() { return *m_checker; }
  KivoActionButton* checkButton() const { return m_check; }
  // The download button; hidden while no package is available.
  KivoActionButton* downloadButton() const { return m_download; }
  QString titleText() const;
  QString statusText() const;
  QString footerText() const;
  // "Kontrol, " + host + " adresine bağlanır. ..." for the update server.
  static QString footer(const QUrl& base);

private:
  void build();
  void refresh();
  void download();

  QPointer<BrowserModel> m_model;
  UpdateChecker* m_checker;
  KitLabel* m_title = nullptr;
  KitLabel* m_status = nullptr;
  KitLabel* m_footer = nullptr;
  KivoActionButton* m_check = nullptr;
  KivoActionButton* m_download = nullptr;
};
