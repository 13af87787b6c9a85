// The built-in pages at 900, 1200 and 1600 wide (the window's narrowest, a
// common and a wide page) and 800 high: home with internationalised and long
// host names, and a short home page that scrolls; history over a few visits
// and over enough to scroll; downloads with one card of every state, long
// names and addresses, a bar and a spinner; settings at the top, the middle
// and the end of its column; and the settings page's updates group alone.
#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "pages/downloads_view.h"
#include "pages/history_view.h"
#include "pages/home_view.h"
// The pages' test helpers build the same isolated preferences, offline model
// and download lists that the pages' tests use.
#include "pages/pages_test_support.h"
#include "pages/settings_view.h"
#include "pages/updates_view.h"
#include "picture_folder.h"
#include "profile/download_store.h"

namespace {

constexpr int kWidths[] = {900, 1200, 1600};
constexpr int kHeight = 800;

// The shortcut card's commands: one row that has a shortcut and one that
// has none.
const QList<SettingsView::CommandRow> kSampleCommands{
    {QStringLiteral("Yeni sekme"), QStringLiteral("plus"), QStringLiteral("Ctrl+T")},
    {QStringLiteral("Sayfayı indir"), QStringLiteral("arrow.down.circle"), QString()}};

// Delivers the layout requests that a first show or a scroll posts; a card
// that lays itself out posts the next request for its parent, so a few
// rounds are needed before everything has its final geometry.
void settle() {
  for (int round = 0; round < 10; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

QString sized(const QString& name, int width) { return name + QLatin1Char('-') + QString::number(width); }

void page(PictureFolder& folder, QWidget* widget, const QString& name, int width, int height = kHeight) {
  widget->resize(width, height);
  widget->show();
  settle();
  folder.grab(widget, sized(name, width));
}

// A transfer that reports `received` of `total` bytes and then waits until
// the store cancels it, so its card stays running while it is drawn.
DownloadStore::Transfer waiting(qint64 received, qint64 total) {
  return [received, total](const QUrl&, const QString&, const std::optional<QString>&, const std::optional<qint64>&,
                           const DownloadStore::ProgressFunction& progress, std::stop_token stop) -> QUrl {
    progress(received, total);
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait(lock, stop, [] { return false; });
    throw std::runtime_error("İptal edildi");
  };
}

void downloads(PictureFolder& folder, const std::shared_ptr<BrowserPreferences>& preferences) {
  QTemporaryDir target;
  using State = DownloadEntry::State;
  const QString path = target.path();
  const QString longName = QStringLiteral(
      "Kivo-0.8.0-linux-x86_64-gecelik-derleme-çok-uzun-bir-dosya-adı-ki-kartın-genişliğine-asla-sığmaz.tar.gz");
  const QString longAddress = QStringLiteral(
      "https://indirmeler.example.com/surumler/gecelik/2024/11/29/Kivo-0.8.0-linux-x86_64-gecelik-derleme.tar.gz"
      "?imza=0123456789abcdef0123456789abcdef&sure=3600");
  const std::unique_ptr<DownloadStore> store = PagesTest::downloads(
      target.filePath(QStringLiteral("downloads.json")),
      {PagesTest::download(path, longName, longAddress, State::Complete, 48'213'004),
       PagesTest::download(path, QStringLiteral("rapor.pdf"), QStringLiteral("https://example.com/rapor.pdf"),
                           State::Failed, 0,
                           QStringLiteral("Sunucu yanıt vermedi. Bağlantı 30 saniye içinde kurulamadı; adres, ağ "
                                          "ya da sunucu şu an ulaşılamıyor olabilir.")),
       PagesTest::download(path, QStringLiteral("fotograf.jpg"), QStringLiteral("https://example.com/fotograf.jpg"),
                           State::Cancelled, 20'480),
       PagesTest::download(path, QStringLiteral("arsiv.zip"), QStringLiteral("https://example.com/arsiv.zip"),
                           State::Running, 734'003)});
  // Two running downloads: one with a known size, one without.
  store->setTransfer(waiting(400'000, 1'000'000));
  store->start(QUrl(QStringLiteral("https://example.com/boyutu-belli.iso")),
               QUrl::fromLocalFile(target.filePath(QStringLiteral("boyutu-belli.iso"))));
  store->setTransfer(waiting(123'456, -1));
  store->start(QUrl(longAddress), QUrl::fromLocalFile(target.filePath(longName + QStringLiteral(".part2"))));
  settle();
  {
    DownloadsView view(*store, false, preferences);
    for (const int width : kWidths) page(folder, &view, QStringLiteral("downloads"), width);
    // The end of the list at the narrowest width: the interrupted card.
    view.resize(900, kHeight);
    settle();
    if (auto* area = view.findChild<QScrollArea*>()) {
      area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
      settle();
    }
    folder.grab(&view, sized(QStringLiteral("downloads-end"), 900));
  }
  {
    DownloadStore empty(nullptr);
    DownloadsView view(empty, true, preferences);
    page(folder, &view, QStringLiteral("downloads-empty-private"), 900);
  }
  // The store's end cancels the two waiting jobs and joins their workers.
}

void home(PictureFolder& folder, BrowserModel& model) {
  HomeView view(model);
  for (const int width : kWidths) page(folder, &view, QStringLiteral("home"), width);
  // A short window: the column scrolls under the footer.
  page(folder, &view, QStringLiteral("home-short"), 900, 480);
}

void history(PictureFolder& folder, BrowserModel& model, HistoryStore& store) {
  {
    HistoryView view(model, store);
    for (const int width : kWidths) page(folder, &view, QStringLiteral("history"), width);
  }
  for (int index = 0; index < 30; ++index) {
    store.record(QStringLiteral("https://haber.example/makale/%1").arg(index),
                 QStringLiteral("Uzun bir makale başlığı, dar bir pencerede satıra sığmayacak kadar uzun olan ve "
                                "bu yüzden sonunda kısaltılması gereken bir başlık %1")
                     .arg(index),
                 store.revision());
  }
  HistoryView view(model, store);
  page(folder, &view, QStringLiteral("history-long"), 900);
}

void settings(PictureFolder& folder, BrowserModel& model) {
  SettingsView view(model, kSampleCommands);
  auto* area = view.findChild<QScrollArea*>();
  for (const int width : kWidths) {
    page(folder, &view, QStringLiteral("settings"), width);
    if (!area) continue;
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum() / 2);
    settle();
    folder.grab(&view, sized(QStringLiteral("settings-middle"), width));
    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
    settle();
    folder.grab(&view, sized(QStringLiteral("settings-end"), width));
    area->verticalScrollBar()->setValue(0);
  }
}

// The updates group at its preferred height on the settings card's surface
// (drawn alone, a top-level widget would fill with the platform's light
// window colour), with a margin of the page colour.
void updates(PictureFolder& folder, BrowserModel& model) {
  const PaletteColors& colors = Palette::colors(PreferencesTheme::of(model.preferences().get()));
  QWidget card;
  QPalette palette = card.palette();
  palette.setColor(QPalette::Window, colors.surface);
  card.setPalette(palette);
  card.setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(&card);
  // The settings card's inset.
  layout->setContentsMargins(22, 22, 22, 22);
  layout->addWidget(new UpdatesView(&model));
  card.resize(520, card.sizeHint().height());
  folder.control(&card, QStringLiteral("updates"), colors.background);
}

}  // namespace

void Pictures::pages(PictureFolder& folder) {
  auto preferences = PagesTest::preferences(QStringLiteral("kivo-pictures-pages"));
  preferences->setAppearance(folder.appearance());
  auto model = PagesTest::model(preferences);
  HistoryStore& history = model->profile()->history();
  // Three hosts with Turkish letters, written as the address field sends them.
  for (const char* address :
       {"https://example.com/a", "https://www.wikipedia.example/", "https://news.example/", "https://example.com/b",
        "http://localhost.example:8080/", "https://xn--rnek-4qa.com/", "https://xn--slak-kza.example/",
        "https://www.xn--kitaplk-wfb.com.tr/", "https://cok-uzun-bir-alan-adi-ornegi.example.com/"}) {
    history.record(QString::fromUtf8(address), QStringLiteral("Örnek sayfa başlığı"), history.revision());
  }
  home(folder, *model);
  ::history(folder, *model, history);
  downloads(folder, preferences);
  settings(folder, *model);
  updates(folder, *model);
  preferences->storage()->removeAll();
}
