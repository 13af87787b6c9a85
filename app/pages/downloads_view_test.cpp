#include "pages/downloads_view.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QPushButton>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stop_token>

#include "kit/kivo_progress_bar.h"
#include "kit/loading_spinner.h"
#include "pages/keyboard_test_support.h"
#include "pages/page_widgets.h"
#include "pages/pages_test_support.h"
#include "profile/download_store.h"

namespace {

// A transfer that fails at once, so started downloads end without network.
QUrl failing(const QUrl&, const QString&, const std::optional<QString>&, const std::optional<qint64>&,
             const DownloadStore::ProgressFunction&, std::stop_token) {
  throw std::runtime_error("Bağlantı kurulamadı");
}

TEST(DownloadCardTest, ButtonsSymbolAndProgressFollowTheState) {
  auto preferences = PagesTest::preferences(QStringLiteral("pages-downloads-test"));
  DownloadStore store(nullptr);
  DownloadCard card(store, preferences);
  struct Case {
    DownloadEntry::State state;
    const char* symbol;
    bool cancel, reveal, remove;
  };
  const std::vector<Case> cases{{DownloadEntry::State::Running, "arrow.down.doc", true, false, false},
                                {DownloadEntry::State::Complete, "checkmark.circle", false, true, true},
                                {DownloadEntry::State::Cancelled, "arrow.down.doc", false, false, true},
                                {DownloadEntry::State::Failed, "arrow.down.doc", false, false, true},
                                {DownloadEntry::State::Interrupted, "arrow.down.doc", false, false, true}};
  for (const Case& c : cases) {
    DownloadEntry entry;
    entry.id = QUuid::createUuid();
    entry.address = QStringLiteral("https://example.com/file.zip");
    entry.destination = QUrl::fromLocalFile(QStringLiteral("/tmp/file.zip"));
    entry.state = c.state;
    entry.received = 1500;
    card.setEntry(entry);
    EXPECT_EQ(card.symbol().toStdString(), c.symbol);
    EXPECT_EQ(!card.cancelButton()->isHidden(), c.cancel);
    EXPECT_EQ(!card.revealButton()->isHidden(), c.reveal);
    EXPECT_EQ(!card.removeButton()->isHidden(), c.remove);
    EXPECT_EQ(!card.progress()->isHidden(), c.state == DownloadEntry::State::Running);
    EXPECT_TRUE(card.detailLine()->isHidden());
  }
  DownloadEntry running;
  running.state = DownloadEntry::State::Running;
  running.received = 250;
  running.expected = 1000;
  card.setEntry(running);
  EXPECT_EQ(card.progress()->maximum(), 1000);
  EXPECT_EQ(card.progress()->value(), 250);
  running.expected = 0;
  card.setEntry(running);
  EXPECT_EQ(card.progress()->maximum(), 0);  // indeterminate
  DownloadEntry complete;
  complete.state = DownloadEntry::State::Complete;
  complete.received = 1500;
  EXPECT_EQ(DownloadCard::statusLine(complete), QStringLiteral("Tamamlandı · 1,5 KB").replace(',', QLocale().decimalPoint()));
}

TEST(DownloadsViewTest, RemoveAndClearFinishedGoThroughTheStore) {
  auto preferences = PagesTest::preferences(QStringLiteral("pages-downloads-test"));
  DownloadStore store(nullptr);
  store.setTransfer(failing);
  DownloadsView view(store, false, preferences);
  EXPECT_FALSE(view.emptyState()->isHidden());
  store.start(QUrl(QStringLiteral("https://example.com/a.zip")), QUrl::fromLocalFile(QStringLiteral("/tmp/kivo-pages-a.zip")));
  store.start(QUrl(QStringLiteral("https://example.com/b.zip")), QUrl::fromLocalFile(QStringLiteral("/tmp/kivo-pages-b.zip")));
  // Both jobs fail at once; the wait ends when the cards show it, and only a
  // fault would let it run to its bound.
  const auto bothFailed = [&] {
    if (store.runningJobs() != 0 || view.cards().size() != 2) return false;
    return std::all_of(view.cards().begin(), view.cards().end(),
                       [](const DownloadCard* card) { return card->entry().state == DownloadEntry::State::Failed; });
  };
  ASSERT_TRUE(QTest::qWaitFor(bothFailed, 60'000));
  ASSERT_EQ(view.cards().size(), 2);
  EXPECT_TRUE(view.emptyState()->isHidden());
  EXPECT_EQ(view.cards().at(0)->entry().state, DownloadEntry::State::Failed);
  EXPECT_FALSE(view.cards().at(0)->detailLine()->isHidden());

  QTest::mouseClick(view.cards().at(0)->removeButton(), Qt::LeftButton);
  ASSERT_EQ(store.entries().size(), 1);
  EXPECT_EQ(store.entries().at(0).address, "https://example.com/a.zip");
  EXPECT_EQ(view.cards().size(), 1);

  QTest::mouseClick(view.clearFinishedButton(), Qt::LeftButton);
  EXPECT_TRUE(store.entries().isEmpty());
  EXPECT_FALSE(view.emptyState()->isHidden());
}

// A transfer that runs until it is cancelled.
QUrl untilCancelled(const QUrl&, const QString&, const std::optional<QString>&, const std::optional<qint64>&,
                    const DownloadStore::ProgressFunction&, std::stop_token stop) {
  std::mutex mutex;
  std::condition_variable_any stopped;
  std::unique_lock lock(mutex);
  stopped.wait(lock, stop, [] { return false; });
  throw std::runtime_error("İptal edildi");
}

TEST(DownloadsViewTest, TabReachesEveryControlAndEachActsFromTheKeyboard) {
  auto preferences = PagesTest::preferences(QStringLiteral("pages-downloads-test"));
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  // A finished download (shown in the file manager, removed from the list)
  // and a running one (cancelled).
  DownloadEntry complete;
  complete.id = QUuid::createUuid();
  complete.address = QStringLiteral("https://example.com/rapor.pdf");
  complete.destination = QUrl::fromLocalFile(folder.filePath(QStringLiteral("rapor.pdf")));
  complete.state = DownloadEntry::State::Complete;
  complete.received = 2048;
  complete.expected = 2048;
  const QString file = folder.filePath(QStringLiteral("downloads.json"));
  {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(DownloadStore::encode({complete}));
  }
  DownloadStore store(nullptr, file);
  ASSERT_EQ(store.entries().size(), 1);
  store.setTransfer(untilCancelled);
  QList<QUrl> revealed;
  store.setRevealHandler([&](const QUrl& url) { revealed.append(url); });
  store.start(QUrl(QStringLiteral("https://example.com/arsiv.zip")),
              QUrl::fromLocalFile(folder.filePath(QStringLiteral("arsiv.zip"))));
  DownloadsView view(store, false, preferences);
  KeyboardTest::show(view);
  ASSERT_EQ(view.cards().size(), 2);
  DownloadCard* running = view.cards().at(0);
  DownloadCard* finished = view.cards().at(1);
  ASSERT_EQ(running->entry().state, DownloadEntry::State::Running);

  const QList<QWidget*> chain = KeyboardTest::tabChain(view);
  KeyboardTest::expectAllReached(view, chain);
  // The header's button, then each card's buttons, top to bottom.
  EXPECT_EQ(chain, (QList<QWidget*>{view.clearFinishedButton(), running->cancelButton(), finished->revealButton(),
                                    finished->removeButton()}));
  // The cards' buttons do on Return what a click does.
  KeyboardTest::focus(finished->revealButton());
  QTest::keyClick(finished->revealButton(), Qt::Key_Return);
  EXPECT_EQ(revealed.size(), 1);
  KeyboardTest::focus(running->cancelButton());
  QTest::keyClick(running->cancelButton(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] { return store.runningJobs() == 0; }, 60'000));
  EXPECT_EQ(store.entries().at(0).state, DownloadEntry::State::Cancelled);
  KeyboardTest::expectButtonsAct(KeyboardTest::tabChain(view));
}

// A download list the store cannot use is moved aside at the start; the page
// says where it went. A list it can use stays as it is, its failure texts
// held to a length a card can show.
struct DownloadListCase {
  const char* name;
  QByteArray text;
  qsizetype shown;         // cards
  qsizetype detailLength;  // of the card shown, if any
  bool keptAside;          // moved aside, and named on the page
};

QByteArray oneDownload(const QByteArray& address, const QByteArray& destination, const QByteArray& detail = "",
                       const QByteArray& startedAt = "1") {
  return R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":")" + address + R"(","destination":")" +
         destination + R"(","startedAt":)" + startedAt +
         R"(,"received":0,"expected":-1,"state":"failed","detail":")" + detail + R"("}])";
}

TEST(DownloadsViewTest, AListSetAsideIsNamedOnThePage) {
  const DownloadListCase cases[] = {
      {"damaged", "[{\"id\":", 0, 0, true},
      {"start_out_of_range", oneDownload("https://a.com/f", "file:///tmp/f", "", "252423993600"), 0, 0, true},
      {"huge_address", oneDownload("https://a.com/" + QByteArray(3 << 20, 'a'), "file:///tmp/f"), 0, 0, true},
      {"huge_name", oneDownload("https://a.com/f", "file:///tmp/" + QByteArray(3 << 20, 'n')), 0, 0, true},
      {"huge_path", oneDownload("https://a.com/f", "file://" + QByteArray(1 << 20, 'd').replace("dd", "/d")), 0, 0, true},
      {"huge_detail", oneDownload("https://a.com/f", "file:///tmp/f", QByteArray(3 << 20, 'e')), 1, 8'192, false},
      {"sound", oneDownload("https://a.com/f", "file:///tmp/f", "neden"), 1, 5, false},
  };
  auto preferences = PagesTest::preferences(QStringLiteral("pages-downloads-test"));
  for (const DownloadListCase& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("downloads.json"));
    ProfileFiles::write(c.text, file);
    DownloadStore store(nullptr, file);
    DownloadsView view(store, false, preferences);
    ASSERT_EQ(view.cards().size(), c.shown);
    if (c.shown > 0) {
      EXPECT_EQ(view.cards().at(0)->entry().detail.size(), c.detailLength);
    }
    PagesTest::expectKeptAside(view.keptAsideLine(), file, QStringLiteral("İndirme listesi okunamadı; "), c.text,
                               c.keptAside);
  }
}

TEST(DownloadsViewTest, PrivateNote) {
  auto preferences = PagesTest::preferences(QStringLiteral("pages-downloads-test"));
  DownloadStore store(nullptr);
  DownloadsView view(store, true, preferences);
  EXPECT_TRUE(view.noteText().startsWith("Gizli oturum kapanınca"));
}

// A long file name used to widen the card past the page, pushing the buttons
// (and the header button) out of reach. From the narrowest window up, every
// card now stays inside the page with its buttons inside the card, the name
// shortened in the middle and the address at the end.
class DownloadsFit : public testing::TestWithParam<int> {};

TEST_P(DownloadsFit, CardsAndButtonsStayInsideThePage) {
  const int width = GetParam();
  auto preferences = PagesTest::preferences(QStringLiteral("pages-downloads-fit-test"));
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString name = QStringLiteral("cok-uzun-bir-dosya-adi-") + QString(220, QLatin1Char('x')) +
                       QStringLiteral("-son.tar.gz");
  const QString address = QStringLiteral("https://example.com/") + QString(400, QLatin1Char('y'));
  using State = DownloadEntry::State;
  const std::unique_ptr<DownloadStore> store = PagesTest::downloads(
      folder.filePath(QStringLiteral("downloads.json")),
      {PagesTest::download(folder.path(), name, address, State::Complete),
       PagesTest::download(folder.path(), name, address, State::Failed, 0, QStringLiteral("Bağlantı kurulamadı")),
       PagesTest::download(folder.path(), name, address, State::Failed)});
  DownloadsView view(*store, false, preferences);
  ASSERT_EQ(view.cards().size(), 3);
  // The last card shows a running download, with its cancel button.
  DownloadEntry running = view.cards().at(2)->entry();
  running.state = State::Running;
  running.expected = -1;
  view.cards().at(2)->setEntry(running);
  view.resize(width, 700);
  view.show();
  QApplication::processEvents();

  const QRect page = view.rect();
  const auto inside = [&](QWidget* widget, QWidget* frame) {
    return frame->rect().contains(QRect(widget->mapTo(frame, QPoint(0, 0)), widget->size()));
  };
  EXPECT_TRUE(inside(view.clearFinishedButton(), &view)) << width;
  EXPECT_GE(view.clearFinishedButton()->width(), view.clearFinishedButton()->sizeHint().width());
  for (DownloadCard* card : view.cards()) {
    EXPECT_TRUE(page.contains(QRect(card->mapTo(&view, QPoint(0, 0)), card->size()))) << width;
    const QList<QWidget*> buttons{card->cancelButton(), card->revealButton(), card->removeButton()};
    for (QWidget* button : buttons) {
      if (button->isHidden()) continue;
      EXPECT_TRUE(inside(button, card)) << width << " " << button->metaObject()->className();
      // Whole, not squeezed to part of its title.
      EXPECT_GE(button->width(), button->sizeHint().width()) << width << " " << button->metaObject()->className();
      // The buttons sit right of the text, which never runs under them.
      EXPECT_LE(card->nameLabel()->mapTo(card, QPoint(card->nameLabel()->width(), 0)).x(),
                button->mapTo(card, QPoint(0, 0)).x());
    }
    // What shows fits the label: shortened with "…", never cut off.
    for (ElidedLabel* label : {card->nameLabel(), card->addressLabel()}) {
      EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->shownText()), label->width());
    }
    EXPECT_TRUE(card->nameLabel()->isElided());
    EXPECT_TRUE(card->nameLabel()->shownText().contains(QChar(0x2026)));
    EXPECT_TRUE(card->nameLabel()->shownText().endsWith(QStringLiteral("-son.tar.gz")));
    EXPECT_EQ(card->nameLabel()->toolTip(), name);
    EXPECT_TRUE(card->addressLabel()->shownText().startsWith(QStringLiteral("https://example.com/")));
    EXPECT_TRUE(card->addressLabel()->shownText().endsWith(QChar(0x2026)));
  }
  EXPECT_FALSE(view.cards().at(2)->cancelButton()->isHidden());
  preferences->storage()->removeAll();
}

INSTANTIATE_TEST_SUITE_P(Widths, DownloadsFit, testing::Values(900, 1200, 1600));

TEST(DownloadCardTest, ShortNamesShowWhole) {
  auto preferences = PagesTest::preferences(QStringLiteral("pages-downloads-test"));
  DownloadStore store(nullptr);
  DownloadCard card(store, preferences);
  card.setEntry(PagesTest::download(QStringLiteral("/tmp"), QStringLiteral("a.zip"),
                                    QStringLiteral("https://example.com/a.zip"), DownloadEntry::State::Complete));
  card.resize(900, card.sizeHint().height());
  card.show();
  QApplication::processEvents();
  EXPECT_EQ(card.nameLabel()->shownText(), QStringLiteral("a.zip"));
  EXPECT_FALSE(card.nameLabel()->isElided());
  EXPECT_TRUE(card.nameLabel()->toolTip().isEmpty());
  EXPECT_EQ(card.addressLabel()->shownText(), QStringLiteral("https://example.com/a.zip"));
}

// While a download runs without a known size the bar gives way to a turning
// spinner; with a size, the bar shows the share received.
TEST(DownloadCardTest, UnknownSizeShowsTheSpinner) {
  auto preferences = PagesTest::preferences(QStringLiteral("pages-downloads-test"));
  DownloadStore store(nullptr);
  DownloadCard card(store, preferences);
  DownloadEntry running = PagesTest::download(QStringLiteral("/tmp"), QStringLiteral("a.zip"),
                                              QStringLiteral("https://example.com/a.zip"), DownloadEntry::State::Running);
  running.expected = -1;
  card.setEntry(running);
  card.show();
  QApplication::processEvents();
  EXPECT_TRUE(card.progress()->isIndeterminate());
  EXPECT_TRUE(card.progress()->spinner()->isVisible());
  EXPECT_TRUE(card.progress()->spinner()->isTurning());
  running.expected = 3000;
  card.setEntry(running);
  EXPECT_FALSE(card.progress()->spinner()->isVisible());
  EXPECT_FALSE(card.progress()->spinner()->isTurning());
  EXPECT_DOUBLE_EQ(card.progress()->fraction(), 0.5);
}

}  // namespace

