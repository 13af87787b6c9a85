#include "pages/updates_view.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kivo_action_button.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "profile/browsing_profile.h"
#include "profile/download_store.h"

UpdatesView::UpdatesView(BrowserModel* model, QWidget* parent)
    : QWidget(parent), m_model(model), m_checker(new UpdateChecker(this)) {
  build();
}

UpdatesView::UpdatesView(BrowserModel* model, UpdateChecker::Settings settings, QWidget* parent)
    : QWidget(parent), m_model(model), m_checker(new UpdateChecker(std::move(settings), this)) {
  build();
}

QString UpdatesView::footer(const QUrl& base) {
  return QStringLiteral("Kontrol, ") + base.host() +
         QStringLiteral(" adresine bağlanır. Paket imzası ve otomatik güncelleme henüz yok.");
}

void UpdatesView::build() {
  std::shared_ptr<KitTheme> theme = m_model ? PreferencesTheme::of(m_model->preferences()) : nullptr;
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(14);
  // The running version.
  m_title = new KitLabel(QStringLiteral("Kivo ") + UpdateChecker::currentVersion(), KitFonts::system(14, QFont::Medium),
                         KitLabel::Tone::Ink, theme, 0, this);
  column->addWidget(m_title);
  // The checker's status.
  m_status = new KitLabel(QString(), KitFonts::system(12), KitLabel::Tone::Muted, theme, 0, this);
  m_status->setWordWrap(true);
  column->addWidget(m_status);
  // Check and download buttons.
  auto* buttons = new QHBoxLayout();
  buttons->setSpacing(8);
  m_check = new KivoActionButton(QString(), KivoActionStyle{}, theme, this);
  connect(m_check, &QAbstractButton::clicked, this, [this] { m_checker->check(); });
  m_download = new KivoActionButton(QString(), KivoActionStyle{true, false}, theme, this);
  connect(m_download, &QAbstractButton::clicked, this, &UpdatesView::download);
  buttons->addWidget(m_check);
  buttons->addWidget(m_download);
  buttons->addStretch(1);
  column->addLayout(buttons);
  // Where the check goes.
  m_footer = new KitLabel(footer(UpdateChecker::downloadBase()), KitFonts::system(11), KitLabel::Tone::Muted,
                          theme, 0, this);
  m_footer->setWordWrap(true);
  column->addWidget(m_footer);

  connect(m_checker, &UpdateChecker::messageChanged, this, &UpdatesView::refresh);
  connect(m_checker, &UpdateChecker::availableChanged, this, &UpdatesView::refresh);
  connect(m_checker, &UpdateChecker::checkingChanged, this, &UpdatesView::refresh);
  refresh();
}

void UpdatesView::refresh() {
  m_status->setPlainText(m_checker->message());
  bool checking = m_checker->checking();
  m_check->setText(checking ? QStringLiteral("Kontrol ediliyor…") : QStringLiteral("Güncellemeleri kontrol et"));
  m_check->setEnabled(!checking);
  m_check->updateGeometry();
  const auto& available = m_checker->available();
  m_download->setVisible(available.has_value());
  if (available) {
    m_download->setText(available->version + QStringLiteral(" sürümünü indir…"));
    m_download->updateGeometry();
  }
}

void UpdatesView::download() {
  const auto& available = m_checker->available();
  if (!available || !m_model) return;
  // The profile's store, the package's address and the window, if any.
  DownloadStore& store = m_model->profile()->downloads();
  QUrl source = available->url();
  QWidget* window = m_model->browserWindow() ? m_model->browserWindow()->dialogParent() : nullptr;
  // The store asks where to save and verifies size and digest.
  store.chooseDestination(source, available->file, window, available->sha256, available->bytes);
}

QString UpdatesView::titleText() const { return m_title->plainText(); }
QString UpdatesView::statusText() const { return m_status->plainText(); }
QString UpdatesView::footerText() const { return m_footer->plainText(); }
