#include "pages/history_view.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "kit/kivo_action_button.h"
#include "kit/kivo_dialog.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_select.h"
#include "pages/keyboard_test_support.h"
#include "pages/page_widgets.h"
#include "pages/pages_test_support.h"
#include "platform/temporary_folder.h"
#include "profile/profile_values.h"

namespace {

class HistoryViewTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = PagesTest::preferences(QStringLiteral("pages-history-test"));
    model = PagesTest::model(preferences);
    store().record(QStringLiteral("https://example.com/cay"), QStringLiteral("Çay Evi"), store().revision());
    store().record(QStringLiteral("https://example.org/"), QString(), store().revision());
    store().record(QStringLiteral("https://news.example/"), QStringLiteral("Haberler"), store().revision());
  }
  HistoryStore& store() { return model->profile()->history(); }
  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
};

struct QueryCase {
  const char* query;
  int count;
};

TEST_F(HistoryViewTest, SearchFiltersCaseAndDiacriticInsensitively) {
  const std::vector<QueryCase> cases{{"", 3},        {"cay", 1},        {"ÇAY", 1}, {"evi https", 1},
                                     {" ", 3},       {"example.org", 1}, {"yok", 0}};
  HistoryView view(*model, store());
  for (const QueryCase& c : cases) {
    view.searchField()->clear();
    QTest::keyClicks(view.searchField(), QString::fromUtf8(c.query));
    EXPECT_EQ(view.list()->entries().size(), c.count) << c.query;
    EXPECT_EQ(view.emptyState()->isHidden(), c.count != 0) << c.query;
  }
}

TEST_F(HistoryViewTest, TrashRemovesExactlyThatVisitAndRowOpensAddress) {
  HistoryView view(*model, store());
  view.resize(1000, 800);
  view.show();
  ASSERT_EQ(view.list()->entries().size(), 3);
  const QUuid middle = store().entries().at(1).id;
  QTest::mouseClick(view.list(), Qt::LeftButton, {}, view.list()->trashRect(1).center());
  ASSERT_EQ(store().entries().size(), 2);
  EXPECT_NE(store().entries().at(0).id, middle);
  EXPECT_NE(store().entries().at(1).id, middle);
  EXPECT_EQ(view.list()->entries().size(), 2);
  EXPECT_EQ(view.list()->entries().at(1).address, "https://example.com/cay");

  QTest::mouseClick(view.list(), Qt::LeftButton, {}, view.list()->openRect(1).center());
  EXPECT_EQ(model->current().address(), "https://example.com/cay");
}

TEST_F(HistoryViewTest, PeriodSelectDoesNotFilter) {
  HistoryView view(*model, store());
  view.periodSelect()->setSelection(24);
  EXPECT_EQ(view.period(), 24);
  EXPECT_EQ(view.list()->entries().size(), 3);
  EXPECT_EQ(HistoryView::periodLabel(24), "Son 24 saat");
  EXPECT_EQ(HistoryView::periodLabel(5), "Tüm zamanlar");
}

TEST_F(HistoryViewTest, TabReachesEveryControlAndEachActsFromTheKeyboard) {
  HistoryView view(*model, store());
  KeyboardTest::show(view);
  const QList<QWidget*> chain = KeyboardTest::tabChain(view);
  KeyboardTest::expectAllReached(view, chain);
  // Field, select, clear button, list: in reading order.
  ASSERT_EQ(chain.size(), 4);
  EXPECT_EQ(chain.at(0), view.searchField());
  EXPECT_EQ(chain.at(1), view.periodSelect());
  EXPECT_EQ(chain.at(2), view.clearButton());
  EXPECT_EQ(chain.at(3), view.list());
  KeyboardTest::expectButtonsAct(chain);

  // The list: Tab enters at the first row; Down and Return open the second
  // visit, Right and Space delete through the trash button, Delete deletes
  // from the title as well.
  HistoryList* list = view.list();
  KeyboardTest::focus(list);
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_TRUE(list->showsFocusRing());
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(model->current().address(), "https://example.org/");
  const QUuid second = store().entries().at(1).id;
  QTest::keyClick(list, Qt::Key_Right);
  EXPECT_EQ(list->currentPart(), HistoryList::Part::Trash);
  QTest::keyClick(list, Qt::Key_Space);
  ASSERT_EQ(store().entries().size(), 2);
  EXPECT_NE(store().entries().at(1).id, second);
  // The next row took the deleted one's place and keeps the focus.
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_TRUE(list->hasFocus());
  QTest::keyClick(list, Qt::Key_Left);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_EQ(store().entries().size(), 1);
  EXPECT_EQ(list->currentRow(), 0);
  QTest::keyClick(list, Qt::Key_End);
  QTest::keyClick(list, Qt::Key_Delete);
  EXPECT_TRUE(store().entries().isEmpty());
  EXPECT_EQ(list->currentRow(), -1);
  EXPECT_FALSE(view.emptyState()->isHidden());
}

TEST_F(HistoryViewTest, ArrowsStopAtTheEndsAndKeepTheRowInView) {
  for (int index = 0; index < 40; ++index) {
    store().record(QStringLiteral("https://example.net/%1").arg(index), QStringLiteral("Sayfa %1").arg(index),
                   store().revision());
  }
  HistoryView view(*model, store());
  KeyboardTest::show(view, QSize(900, 600));
  HistoryList* list = view.list();
  KeyboardTest::focus(list);
  QTest::keyClick(list, Qt::Key_Up);
  EXPECT_EQ(list->currentRow(), 0);
  QTest::keyClick(list, Qt::Key_End);
  EXPECT_EQ(list->currentRow(), list->entries().size() - 1);
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(list->currentRow(), list->entries().size() - 1);
  // The last row lies inside the visible part of the page.
  const QRect row = list->trashRect(list->currentRow());
  const QRect shown = list->visibleRegion().boundingRect();
  EXPECT_TRUE(shown.contains(row)) << shown.top() << " " << shown.bottom() << " " << row.top();
  QTest::keyClick(list, Qt::Key_Home);
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_TRUE(list->visibleRegion().boundingRect().contains(list->openRect(0)));
}

TEST_F(HistoryViewTest, EveryRowIsAnAccessibleItemWithOpenAndDeleteActions) {
  HistoryView view(*model, store());
  KeyboardTest::show(view);
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(view.list());
  ASSERT_TRUE(list);
  EXPECT_EQ(list->role(), QAccessible::List);
  ASSERT_EQ(list->childCount(), 3);
  // Newest first: the row with an empty title is named after its address.
  QAccessibleInterface* row = list->child(1);
  ASSERT_TRUE(row);
  EXPECT_EQ(row->role(), QAccessible::ListItem);
  EXPECT_EQ(row->text(QAccessible::Name), "https://example.org/");
  EXPECT_TRUE(row->text(QAccessible::Description).startsWith("https://example.org/ · "));
  EXPECT_EQ(row->parent(), list);
  EXPECT_EQ(list->indexOfChild(row), 1);
  EXPECT_EQ(list->child(0)->text(QAccessible::Name), "Haberler");
  EXPECT_TRUE(row->rect().intersects(QRect(view.list()->mapToGlobal(QPoint(0, 0)), view.list()->size())));
  EXPECT_EQ(list->childAt(row->rect().center().x(), row->rect().center().y()), row);
  // The focused row is the list's focus child.
  KeyboardTest::focus(view.list());
  QTest::keyClick(view.list(), Qt::Key_Down);
  EXPECT_EQ(list->focusChild(), row);
  EXPECT_TRUE(row->state().focused);

  QAccessibleActionInterface* actions = row->actionInterface();
  ASSERT_TRUE(actions);
  EXPECT_EQ(actions->actionNames(), (QStringList{QAccessibleActionInterface::pressAction(), QStringLiteral("Delete")}));
  EXPECT_EQ(actions->localizedActionDescription(QStringLiteral("Delete")), "Bu ziyareti geçmişten sil");
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(model->current().address(), "https://example.org/");
  const QUuid removed = store().entries().at(1).id;
  actions->doAction(QStringLiteral("Delete"));
  ASSERT_EQ(store().entries().size(), 2);
  EXPECT_NE(store().entries().at(1).id, removed);
  // The rows were made again for the new list.
  EXPECT_EQ(list->childCount(), 2);
  EXPECT_EQ(list->child(1)->text(QAccessible::Name), "Çay Evi");
}

// A history file the store cannot use is moved aside at the start; the page
// says where it went, and shows this session's visits only. A file it can use
// stays as it is, its titles held to what a recorded visit may have.
struct HistoryFileCase {
  const char* name;
  QByteArray text;
  qsizetype shown;        // visits listed
  qsizetype titleLength;  // of the visit listed, if any
  bool keptAside;         // moved aside, and named on the page
};

QByteArray oneVisit(const QByteArray& address, const QByteArray& title, const QByteArray& date = "1") {
  return R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","address":")" + address + R"(","title":")" + title +
         R"(","visitedAt":)" + date + "}]";
}

TEST(HistoryPageFilesTest, AFileSetAsideIsNamedOnThePage) {
  const HistoryFileCase cases[] = {
      {"damaged", "[{\"id\":", 0, 0, true},
      {"date_out_of_range", oneVisit("https://a.com/", "A", "252423993600"), 0, 0, true},
      {"larger_than_the_limit", oneVisit("https://a.com/", "A") + QByteArray(HistoryStore::kFileLimit, ' '), 0, 0, true},
      {"huge_address", oneVisit("https://a.com/" + QByteArray(3 << 20, 'a'), "A"), 0, 0, true},
      {"huge_title", oneVisit("https://a.com/", QByteArray(7 << 20, 'b')), 1, 250, false},
      {"sound", oneVisit("https://a.com/", "A"), 1, 1, false},
  };
  auto preferences = PagesTest::preferences(QStringLiteral("pages-history-files-test"));
  for (const HistoryFileCase& c : cases) {
    SCOPED_TRACE(c.name);
    TemporaryFolder folder(QStringLiteral("kivo-history-page-test-"));
    const QString file = folder.filePath(QStringLiteral("history.json"));
    ProfileFiles::write(c.text, file);
    auto profile = std::make_shared<BrowsingProfile>(false, folder.path());
    BrowserModel model(preferences, nullptr, std::nullopt, profile);
    model.setServices(PagesTest::offlineServices());
    HistoryView view(model, profile->history());
    ASSERT_EQ(view.list()->entries().size(), c.shown);
    if (c.shown > 0) {
      EXPECT_EQ(view.list()->entries().at(0).title.size(), c.titleLength);
    }
    PagesTest::expectKeptAside(view.keptAsideLine(), file, QStringLiteral("Geçmiş dosyası okunamadı; "), c.text,
                               c.keptAside);
    // A new visit is listed; the notice stays, once.
    profile->history().record(QStringLiteral("https://b.com/"), QStringLiteral("B"), profile->history().revision());
    EXPECT_EQ(view.list()->entries().size(), c.shown + 1);
    EXPECT_EQ(view.keptAsideLine()->isHidden(), !c.keptAside);
  }
}

TEST_F(HistoryViewTest, PrivateWindowShowsOnlyTitleAndNote) {
  auto privateModel = PagesTest::model(preferences, true);
  HistoryView view(*privateModel, privateModel->profile()->history());
  EXPECT_EQ(view.noteText(), "Gizli pencere ziyaretleri geçmişe kaydedilmez.");
  EXPECT_EQ(view.searchField(), nullptr);
  EXPECT_EQ(view.list(), nullptr);
  EXPECT_EQ(view.clearButton(), nullptr);
}

using PagesTest::FakeWindow;

class ClearHistoryTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = PagesTest::preferences(QStringLiteral("pages-clear-history-test"));
    window = KitTest::window();
    ASSERT_TRUE(folder.isValid());
    double now = ProfileValues::now();
    QList<HistoryEntry> entries = {
        {QUuid::createUuid(), QStringLiteral("https://recent.example/"), QStringLiteral("Yeni"), now - 3600},
        {QUuid::createUuid(), QStringLiteral("https://old.example/"), QStringLiteral("Eski"), now - 3 * 86400},
    };
    QFile file(folder.path() + QStringLiteral("/history.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(HistoryStore::encode(entries));
    file.close();
    profile = std::make_shared<BrowsingProfile>(false, folder.path());
    model = std::make_unique<BrowserModel>(preferences, nullptr, std::nullopt, profile);
    ASSERT_EQ(profile->history().entries().size(), 2);
  }

  void TearDown() override { preferences->storage()->removeAll(); }

  static KivoDialogCard* card(KivoPanel* panel) { return qobject_cast<KivoDialogCard*>(panel->content()); }

  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<QWidget> window;
  QTemporaryDir folder;
  std::shared_ptr<BrowsingProfile> profile;
  std::unique_ptr<BrowserModel> model;
};

TEST_F(ClearHistoryTest, DefaultsAskAboutTheWholeHistoryAndClearItOnConfirmation) {
  FakeWindow fake(window.get());
  model->setBrowserWindow(&fake);
  HistoryClearing::ask(*model);
  QPointer<KivoPanel> panel = KivoPanel::attachedSheet(window.get());
  ASSERT_TRUE(panel);
  KivoDialogCard* shown = card(panel);
  EXPECT_EQ(shown->title(), QStringLiteral("Geçmiş silinsin mi?"));
  EXPECT_EQ(shown->message(),
            QStringLiteral("Tüm zamanlar dönemindeki ziyaret kayıtları ve bunlardan oluşan başlangıç kısayolları "
                           "kaldırılacak. Bu işlem geri alınamaz."));
  EXPECT_EQ(shown->detail(), QStringLiteral("Geri/ileri ve kapatılan sekme listeleri de temizlenir. Açık sayfalar "
                                            "kapanmaz; indirilen dosyalar silinmez."));
  EXPECT_EQ(shown->confirmButton()->text(), QStringLiteral("Geçmişi sil"));
  EXPECT_EQ(shown->cancelButton()->text(), QStringLiteral("Vazgeç"));
  QTest::mouseClick(shown->confirmButton(), Qt::LeftButton);
  EXPECT_TRUE(profile->history().entries().isEmpty());
  model->setBrowserWindow(nullptr);
}

TEST_F(ClearHistoryTest, APeriodRemovesOnlyItsVisits) {
  FakeWindow fake(window.get());
  model->setBrowserWindow(&fake);
  HistoryClearing::ask(*model, 24, QStringLiteral("Son 24 saat"));
  QPointer<KivoPanel> panel = KivoPanel::attachedSheet(window.get());
  ASSERT_TRUE(panel);
  EXPECT_EQ(card(panel)->detail(), QStringLiteral("Diğer dönemlerdeki ziyaretler ve açık sayfalar korunur."));
  EXPECT_TRUE(card(panel)->message().startsWith(QStringLiteral("Son 24 saat dönemindeki")));
  QTest::mouseClick(card(panel)->confirmButton(), Qt::LeftButton);
  ASSERT_EQ(profile->history().entries().size(), 1);
  EXPECT_EQ(profile->history().entries().front().address, QStringLiteral("https://old.example/"));
  model->setBrowserWindow(nullptr);
}

TEST_F(ClearHistoryTest, CancellingOrHavingNoWindowDeletesNothing) {
  HistoryClearing::ask(*model);
  EXPECT_EQ(KivoPanel::attachedSheet(window.get()), nullptr);
  FakeWindow fake(window.get());
  model->setBrowserWindow(&fake);
  HistoryClearing::ask(*model);
  QPointer<KivoPanel> panel = KivoPanel::attachedSheet(window.get());
  ASSERT_TRUE(panel);
  QTest::keyClick(panel->focusWidget() ? panel->focusWidget() : panel.data(), Qt::Key_Escape);
  EXPECT_EQ(profile->history().entries().size(), 2);
  model->setBrowserWindow(nullptr);
}

}  // namespace
