// The built-in pages at 1200 x 800: home, history over a few visits,
// downloads with one failed download, and settings at the top, the middle
// and the end of its column; and the settings page's updates group alone.
#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/downloads_view.h"
#include "pages/history_view.h"
#include "pages/home_view.h"
#include "pages/page_commands.h"
// The pages' test helpers build the same isolated preferences and offline
// model that the pages' tests use.
#include "pages/pages_test_support.h"
#include "pages/settings_view.h"
#include "pages/updates_view.h"
#include "picture_folder.h"
#include "profile/download_store.h"

namespace {

// A command table with one row that has a shortcut and one that has none.
class SampleCommands : public PageCommands {
public:
  void openPrivateWindow(BrowserModel&) override {}
  QList<PageCommandRow> rows() const override {
    return {{QStringLiteral("Yeni sekme"), QStringLiteral("plus"), QStringLiteral("Ctrl+T")},
            {QStringLiteral("Sayfayı indir"), QStringLiteral("arrow.down.circle"), QString()}};
  }
};

// Delivers the layout requests that a first show or a scroll posts; a card
// that lays itself out posts the next request for its parent, so a few
// rounds are needed before everything has its final geometry.
void settle() {
  for (int round = 0; round < 10; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

void page(PictureFolder& folder, QWidget* widget, const QString& name) {
  widget->resize(1200, 800);
  widget->show();
  settle();
  folder.grab(widget, name);
}

void downloads(PictureFolder& folder, const std::shared_ptr<BrowserPreferences>& preferences) {
  // The transfer fails at once, so the list shows a failed entry and no
  // byte is written anywhere.
  QTemporaryDir target;
  DownloadStore store(nullptr);
  store.setTransfer([](const QUrl&, const QString&, const std::optional<QString>&, const std::optional<qint64>&,
                       const DownloadStore::ProgressFunction&, std::stop_token) -> QUrl {
    throw std::runtime_error("Sunucu yanıt vermedi");
  });
  store.start(QUrl(QStringLiteral("https://example.com/rapor.pdf")),
              QUrl::fromLocalFile(target.filePath(QStringLiteral("rapor.pdf"))));
  if (!QTest::qWaitFor([&] { return store.runningJobs() == 0; }, 10000)) {
    folder.save(QImage(), QStringLiteral("downloads"));
    return;
  }
  DownloadsView view(store, false, preferences);
  page(folder, &view, QStringLiteral("downloads"));
}

void settings(PictureFolder& folder, BrowserModel& model) {
  SampleCommands commands;
  PageCommandTable::install(&commands);
  SettingsView view(model);
  PageCommandTable::install(nullptr);
  page(folder, &view, QStringLiteral("settings"));
  auto* area = view.findChild<QScrollArea*>();
  if (!area) return;
  area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum() / 2);
  settle();
  folder.grab(&view, QStringLiteral("settings-middle"));
  area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
  settle();
  folder.grab(&view, QStringLiteral("settings-end"));
}

// The updates group at its preferred height, with a margin of the page colour.
void updates(PictureFolder& folder, BrowserModel& model) {
  UpdatesView view(&model);
  view.resize(520, view.sizeHint().height());
  const QColor background = Palette::colors(PreferencesTheme::of(model.preferences().get())).background;
  folder.control(&view, QStringLiteral("updates"), background);
}

}  // namespace

void Pictures::pages(PictureFolder& folder) {
  auto preferences = PagesTest::preferences(QStringLiteral("kivo-pictures-pages"));
  preferences->setAppearance(folder.appearance());
  auto model = PagesTest::model(preferences);
  HistoryStore& history = model->profile()->history();
  for (const char* address : {"https://example.com/a", "https://www.wikipedia.example/", "https://news.example/",
                              "https://example.com/b", "http://localhost.example:8080/"}) {
    history.record(QString::fromUtf8(address), QStringLiteral("Örnek sayfa başlığı"), history.revision());
  }
  {
    HomeView view(*model);
    page(folder, &view, QStringLiteral("home"));
  }
  {
    HistoryView view(*model, history);
    page(folder, &view, QStringLiteral("history"));
  }
  downloads(folder, preferences);
  settings(folder, *model);
  updates(folder, *model);
  preferences->storage()->removeAll();
}
