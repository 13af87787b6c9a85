#include "model/browser_tab.h"

#include <QFile>
#include <gtest/gtest.h>

#include "model/library_page.h"

namespace {

TEST(BrowserTab, NewTabStartsOnTheHomePage) {
  const BrowserTab tab;
  EXPECT_EQ(tab.title, QStringLiteral("Yeni sekme"));
  EXPECT_EQ(tab.history, QStringList{QStringLiteral("kivo://home")});
  EXPECT_EQ(tab.position, 0);
  EXPECT_EQ(tab.address(), QStringLiteral("kivo://home"));
  EXPECT_TRUE(tab.content.is(PageContent::Kind::Home));
  EXPECT_FALSE(tab.resources || tab.networkResponse || tab.renderedWidth || tab.inspectedNodeID);
  EXPECT_TRUE(tab.collapsedInspectorNodes.isEmpty());
  EXPECT_TRUE(tab.console.isEmpty());
}

TEST(BrowserTab, VisitKeepsForwardEntriesOnlyForTheCurrentAddress) {
  BrowserTab tab({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, 0);
  tab.visit(QStringLiteral("a"));
  EXPECT_EQ(tab.history.size(), 3);
  EXPECT_EQ(tab.position, 0);
  tab.visit(QStringLiteral("d"));
  EXPECT_EQ(tab.history, (QStringList{QStringLiteral("a"), QStringLiteral("d")}));
  EXPECT_EQ(tab.position, 1);
  tab.visit(QStringLiteral("d"));
  EXPECT_EQ(tab.history.size(), 2);
}

TEST(BrowserTab, CopiesShareThePagePositionAndNewTabsDoNot) {
  BrowserTab tab;
  const BrowserTab copy = tab;
  tab.pagePosition()->offset = QPointF(0, 120);
  EXPECT_EQ(copy.pagePosition()->offset, QPointF(0, 120));
  EXPECT_EQ(copy.id(), tab.id());
  const BrowserTab other({QStringLiteral("kivo://home")}, 0);
  EXPECT_NE(other.pagePosition(), tab.pagePosition());
  EXPECT_NE(other.id(), tab.id());
  EXPECT_NE(BrowserTab().pagePosition(), tab.pagePosition());
}

TEST(ConsoleEntry, EveryLineHasItsOwnIdentity) {
  const ConsoleEntry first(QStringLiteral("info"), QStringLiteral("x"));
  const ConsoleEntry second(QStringLiteral("info"), QStringLiteral("x"));
  EXPECT_NE(first.id, second.id);
}

TEST(InspectorTab, RawValuesAreCaseSensitive) {
  EXPECT_EQ(InspectorTabs::fromRawValue(QStringLiteral("Console")), InspectorTab::Console);
  EXPECT_FALSE(InspectorTabs::fromRawValue(QStringLiteral("console")).has_value());
  QStringList labels;
  for (const InspectorTab tab : InspectorTabs::all()) labels.append(InspectorTabs::rawValue(tab));
  EXPECT_EQ(labels, (QStringList{QStringLiteral("Elements"), QStringLiteral("Console"), QStringLiteral("Network")}));
}

QStringList ids(const QList<LibraryPage>& pages) {
  QStringList out;
  for (const LibraryPage& page : pages) out.append(page.id);
  return out;
}

TEST(LibraryPage, SearchIgnoresCaseAndDiacritics) {
  const QStringList all = {QStringLiteral("welcome"), QStringLiteral("engine"), QStringLiteral("principles")};
  EXPECT_EQ(ids(LibraryPage::search(QString())), all);
  EXPECT_EQ(ids(LibraryPage::search(QStringLiteral("motor"))), (QStringList{QStringLiteral("welcome"), QStringLiteral("engine")}));
  EXPECT_EQ(ids(LibraryPage::search(QStringLiteral("MOTOR"))), (QStringList{QStringLiteral("welcome"), QStringLiteral("engine")}));
  EXPECT_EQ(ids(LibraryPage::search(QStringLiteral("gunlugu"))), QStringList{QStringLiteral("engine")});
  EXPECT_EQ(ids(LibraryPage::search(QStringLiteral("İlkeleri"))), QStringList{QStringLiteral("principles")});
  EXPECT_TRUE(LibraryPage::search(QStringLiteral("zzznomatch")).isEmpty());
  EXPECT_TRUE(LibraryPage::search(QStringLiteral(" motor ")).isEmpty()) << "the query is not trimmed";
  EXPECT_EQ(LibraryPage::all().at(2).address(), QStringLiteral("kivo://principles"));
}

TEST(LibraryPage, ShippedPagesLieBesideTheExecutable) {
  for (const LibraryPage& page : LibraryPage::all()) {
    const std::optional<QString> file = LibraryPage::filePath(page.id);
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(QFile::exists(*file)) << file->toStdString();
  }
}

}  // namespace
