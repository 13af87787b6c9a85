// The Elements pane: which rows the tree shows, what a click on a row or its
// disclosure does to the model, the detail area of the inspected node, the
// empty state, and a real renderer scene of more than 2,000 nodes.
#include <QLabel>
#include <QAbstractButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "pages/developer_tools_view.h"
#include "pages/devtools_test_support.h"
#include "pages/devtools_text.h"
#include "pages/elements_pane.h"

using DevToolsTest::node;

namespace {

// #document
//   html
//     body
//       "\n  "            (blank text)
//       div#main.card
//         "Merhaba"
//       "\n"              (blank text)
//       p
//         "  dünya  "
QList<InspectedNode> sampleNodes() {
  QList<InspectedNode> nodes{
      node(0, std::nullopt, 0, QStringLiteral("#document")),
      node(1, 0, 1, QStringLiteral("html")),
      node(2, 1, 2, QStringLiteral("body")),
      node(3, 2, 3, QStringLiteral("#text"), QStringLiteral("\n  ")),
      node(4, 2, 3, QStringLiteral("div")),
      node(5, 4, 4, QStringLiteral("#text"), QStringLiteral("Merhaba")),
      node(6, 2, 3, QStringLiteral("#text"), QStringLiteral("\n")),
      node(7, 2, 3, QStringLiteral("p")),
      node(8, 7, 4, QStringLiteral("#text"), QStringLiteral("  dünya  ")),
  };
  nodes[4].attributes = {{QStringLiteral("class"), QStringLiteral("card")}, {QStringLiteral("id"), QStringLiteral("main")}};
  nodes[4].computed = {{QStringLiteral("width"), QStringLiteral("123.9px")},
                       {QStringLiteral("display"), QStringLiteral("block")},
                       {QStringLiteral("color"), QStringLiteral("rgb(0, 0, 0)")}};
  nodes[4].bounds = InspectorBounds{8.5, 0, 123.9, 40.2};
  nodes[7].computed = {{QStringLiteral("display"), QStringLiteral("block")}};
  return nodes;
}

QList<qint64> ids(const QList<InspectedNode>& nodes, const QList<qsizetype>& rows) {
  QList<qint64> result;
  for (const qsizetype row : rows) result.append(nodes.at(row).id);
  return result;
}

struct VisibleCase {
  const char* name;
  QList<InspectedNode> nodes;
  QSet<qint64> collapsed;
  QList<qint64> expected;
};

TEST(ElementsVisibleRows, FollowTheDepthRule) {
  const QList<InspectedNode> sample = sampleNodes();
  // A collapsed run that ends with a blank text node clears the hidden depth
  // at that node, so the deeper node after it shows again.
  const QList<InspectedNode> blankEndsRun{
      node(1, std::nullopt, 0, QStringLiteral("div")),
      node(2, 1, 1, QStringLiteral("span")),
      node(3, 2, 2, QStringLiteral("b")),
      node(4, 1, 1, QStringLiteral("#text"), QStringLiteral(" \t")),
      node(5, 4, 2, QStringLiteral("i")),
  };
  const std::vector<VisibleCase> cases{
      {"nothing collapsed drops blank text only", sample, {}, {0, 1, 2, 4, 5, 7, 8}},
      {"collapsed div keeps its row and hides its text", sample, {4}, {0, 1, 2, 4, 7, 8}},
      {"collapsed body hides everything deeper", sample, {2}, {0, 1, 2}},
      {"a descendant collapsed under a collapsed ancestor stays hidden", sample, {2, 4}, {0, 1, 2}},
      {"collapsed leaf changes nothing", sample, {5}, {0, 1, 2, 4, 5, 7, 8}},
      {"blank text ends a hidden run", blankEndsRun, {2}, {1, 2, 5}},
      {"empty list", {}, {1}, {}},
  };
  for (const VisibleCase& c : cases) {
    EXPECT_EQ(ids(c.nodes, DevToolsText::visibleRows(c.nodes, c.collapsed)), c.expected) << c.name;
  }
}

TEST(ElementsVisibleRows, UnicodeWhiteSpaceIsBlank) {
  EXPECT_TRUE(DevToolsText::isBlankText(node(1, 0, 1, QStringLiteral("#text"), QString::fromUtf8("\u00a0\u2003\r\n"))));
  EXPECT_FALSE(DevToolsText::isBlankText(node(1, 0, 1, QStringLiteral("#text"), QStringLiteral(" . "))));
  EXPECT_FALSE(DevToolsText::isBlankText(node(1, 0, 1, QStringLiteral("p"))));
}

TEST(ElementsText, BoxLineTruncatesTowardZero) {
  EXPECT_EQ(DevToolsText::boxLine({8.5, 0, 123.9, 40.2}), QStringLiteral("123 × 40 px · x 8 · y 0"));
  EXPECT_EQ(DevToolsText::boxLine({-3.7, -0.2, 0, 1e6}), QStringLiteral("0 × 1000000 px · x -3 · y 0"));
  EXPECT_EQ(DevToolsText::wholeNumber(std::numeric_limits<double>::infinity()), QStringLiteral("—"));
  EXPECT_EQ(DevToolsText::wholeNumber(1e19), QStringLiteral("—"));
}

class ElementsPaneTest : public testing::Test {
protected:
  void SetUp() override {
    fixture = std::make_unique<DevToolsTest::ModelFixture>(
        QStringLiteral("elements-pane-test"), DevToolsTest::documentTab(DevToolsTest::document(sampleNodes())));
    view = std::make_unique<DeveloperToolsView>(fixture->model.get());
    view->resize(1000, DeveloperToolsView::kPanelHeight);
    view->show();
    QApplication::processEvents();
  }

  BrowserModel& model() { return *fixture->model; }
  ElementsTree* tree() { return view->elementsPane()->tree(); }
  qsizetype rowOf(qint64 id) {
    for (qsizetype row = 0; row < tree()->rowCount(); ++row) {
      if (tree()->rowNode(row).id == id) return row;
    }
    return -1;
  }
  QStringList rowLabels() {
    QStringList labels;
    for (qsizetype row = 0; row < tree()->rowCount(); ++row) labels.append(tree()->rowLabel(row));
    return labels;
  }

  std::unique_ptr<DevToolsTest::ModelFixture> fixture;
  std::unique_ptr<DeveloperToolsView> view;
};

TEST_F(ElementsPaneTest, RowsShowLabelsIndentsAndDisclosures) {
  EXPECT_TRUE(view->elementsPane()->showsSplitView());
  EXPECT_EQ(rowLabels(), (QStringList{QStringLiteral("#document"), QStringLiteral("<html>"), QStringLiteral("<body>"),
                                      QStringLiteral("<div id=\"main\" class=\"card\">"), QStringLiteral("\"Merhaba\""),
                                      QStringLiteral("<p>"), QStringLiteral("\"dünya\"")}));
  const qsizetype div = rowOf(4);
  EXPECT_EQ(tree()->rowDisclosureSymbol(div), QStringLiteral("chevron.down"));
  EXPECT_EQ(tree()->rowDisclosureSymbol(rowOf(5)), QString());
  EXPECT_EQ(tree()->disclosureRect(div).left() - tree()->rowRect(div).left(), 3 * 13 + 10);
  EXPECT_EQ(tree()->rowRect(div).height(), 24);
  EXPECT_EQ(ElementsTree::leadingInset(0), 10);
  EXPECT_EQ(ElementsTree::leadingInset(20), 270);
  EXPECT_EQ(ElementsTree::leadingInset(25), 270);
  EXPECT_FALSE(tree()->showsTruncationNote());
}

TEST_F(ElementsPaneTest, DisclosureClicksCollapseAndExpandThroughTheModel) {
  const qsizetype body = rowOf(2);
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->disclosureRect(body).center());
  EXPECT_EQ(model().current().collapsedInspectorNodes, QSet<qint64>{2});
  EXPECT_EQ(tree()->rowCount(), 3);
  EXPECT_EQ(tree()->rowDisclosureSymbol(rowOf(2)), QStringLiteral("chevron.right"));
  EXPECT_FALSE(model().current().inspectedNodeID.has_value()) << "collapsing never inspects";

  // A descendant collapsed before keeps its state when the ancestor opens.
  model().toggleInspectorNode(4);
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->disclosureRect(rowOf(2)).center());
  EXPECT_EQ(model().current().collapsedInspectorNodes, QSet<qint64>{4});
  EXPECT_EQ(rowLabels().size(), 6);
  EXPECT_EQ(rowOf(5), -1);
  EXPECT_EQ(tree()->rowDisclosureSymbol(rowOf(4)), QStringLiteral("chevron.right"));
}

TEST_F(ElementsPaneTest, RowClicksInspectAndTheDetailFollows) {
  ElementsDetail* detail = view->elementsPane()->detail();
  EXPECT_EQ(detail->texts(),
            (QStringList{QStringLiteral("COMPUTED"),
                         QStringLiteral("DOM ağacından bir öğe seç.\nKutu konumu ve hesaplanan stilleri burada görünür.")}));

  const qsizetype div = rowOf(4);
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->labelRect(div).center());
  EXPECT_EQ(model().current().inspectedNodeID, std::optional<qint64>(4));
  EXPECT_TRUE(model().current().collapsedInspectorNodes.isEmpty()) << "inspecting never collapses";
  EXPECT_EQ(detail->texts(), (QStringList{QStringLiteral("COMPUTED"), QStringLiteral("<div id=\"main\" class=\"card\">"),
                                          QStringLiteral("123 × 40 px · x 8 · y 0"), QStringLiteral("color"),
                                          QStringLiteral("rgb(0, 0, 0)"), QStringLiteral("display"),
                                          QStringLiteral("block"), QStringLiteral("width"), QStringLiteral("123.9px"),
                                          QStringLiteral("ATTRIBUTES"), QStringLiteral("class = card"),
                                          QStringLiteral("id = main")}));

  // Clicking the inspected row again keeps it; another row moves the selection.
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->labelRect(div).center());
  EXPECT_EQ(model().current().inspectedNodeID, std::optional<qint64>(4));
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->labelRect(rowOf(7)).center());
  EXPECT_EQ(model().current().inspectedNodeID, std::optional<qint64>(7));
  EXPECT_EQ(detail->texts(), (QStringList{QStringLiteral("COMPUTED"), QStringLiteral("<p>"), QStringLiteral("display"),
                                          QStringLiteral("block")}))
      << "no bounds: no box line; no attributes: no divider or heading";

  // A node hidden under a collapsed ancestor stays inspected.
  model().toggleInspectorNode(2);
  EXPECT_EQ(model().current().inspectedNodeID, std::optional<qint64>(7));
  EXPECT_EQ(detail->texts().value(1), QStringLiteral("<p>"));
}

TEST_F(ElementsPaneTest, AClickOnTheIndentOrALeafSpacerDoesNothing) {
  const qsizetype text = rowOf(5);
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, QPoint(tree()->rowRect(text).left() + 3, tree()->rowRect(text).center().y()));
  QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, tree()->disclosureRect(text).center());
  EXPECT_FALSE(model().current().inspectedNodeID.has_value());
  EXPECT_TRUE(model().current().collapsedInspectorNodes.isEmpty());
}

TEST_F(ElementsPaneTest, AnInspectedIdMissingFromTheDocumentShowsThePlaceholder) {
  model().inspect(99);
  EXPECT_EQ(view->elementsPane()->detail()->texts().size(), 2);
}

TEST_F(ElementsPaneTest, ViewVisibleReadsTheSelectedTabsCollapsedSet) {
  model().toggleInspectorNode(4);
  QList<qint64> shown;
  for (const InspectedNode& n : view->visible(sampleNodes())) shown.append(n.id);
  EXPECT_EQ(shown, (QList<qint64>{0, 1, 2, 4, 7, 8}));
}

struct EmptyCase {
  const char* name;
  PageContent content;
  bool split;
};

TEST(ElementsPaneChoice, EmptyStateUnlessTheTabShowsADocumentWithNodes) {
  const std::vector<EmptyCase> cases{
      {"home", PageContent::home(), false},
      {"settings", PageContent::settings(), false},
      {"message", PageContent::message(QStringLiteral("a"), QStringLiteral("b")), false},
      {"loading", PageContent::loading(), false},
      {"document without a node list", PageContent::document(DevToolsTest::document(std::nullopt)), false},
      {"document with an empty node list", PageContent::document(DevToolsTest::document(QList<InspectedNode>{})), true},
  };
  for (const EmptyCase& c : cases) {
    BrowserTab tab;
    tab.content = c.content;
    DevToolsTest::ModelFixture fixture(QStringLiteral("elements-choice-test"), tab);
    DeveloperToolsView view(fixture.model.get());
    EXPECT_EQ(view.elementsPane()->showsSplitView(), c.split) << c.name;
    if (c.split) {
      EXPECT_EQ(view.elementsPane()->tree()->rowCount(), 0) << c.name;
    }
  }
}

TEST(ElementsPaneChoice, SampleButtonOpensTheWelcomePageInTheSameTab) {
  DevToolsTest::ModelFixture fixture(QStringLiteral("elements-sample-test"));
  DeveloperToolsView view(fixture.model.get());
  view.show();
  const QUuid tab = fixture.model->selectedID();
  QTest::mouseClick(view.elementsPane()->sampleButton(), Qt::LeftButton);
  EXPECT_EQ(fixture.model->tabs().size(), 1);
  EXPECT_EQ(fixture.model->selectedID(), tab);
  EXPECT_EQ(fixture.model->current().address(), QStringLiteral("kivo://welcome"));
}

// A real scene of 2,000 nodes: the tree builds no widget per row and draws
// only the rows inside the viewport, at the top and at the end of the list.
// The time a refresh and a paint take is measured by kivo-bench-elements.
TEST(ElementsPaneScene, ARealSceneOfMoreThan2000NodesDrawsOnlyTheVisibleRows) {
  const auto runner = DevToolsTest::renderer();
  if (!runner) GTEST_SKIP() << "kivo-document was not built beside the test";
  QByteArray html = "<!doctype html><html><head><title>Uzun</title><style>.kart{padding:4px;color:#333}</style></head>"
                    "<body><main id=\"ana\" class=\"kart\">";
  for (int i = 0; i < 1200; ++i) html += "<p class=\"satir\">Satır " + QByteArray::number(i) + "</p>\n";
  html += "</main></body></html>";
  const PageDocument document = DevToolsTest::render(*runner, html);
  ASSERT_TRUE(document.nodes.has_value());
  EXPECT_EQ(document.nodes->size(), 2000);
  EXPECT_EQ(document.inspectorTruncated, std::optional<bool>(true));

  DevToolsTest::ModelFixture fixture(QStringLiteral("elements-scene-test"), DevToolsTest::documentTab(document));
  DeveloperToolsView view(fixture.model.get());
  view.resize(1000, DeveloperToolsView::kPanelHeight);
  view.show();
  QApplication::processEvents();
  ElementsTree* tree = view.elementsPane()->tree();
  EXPECT_TRUE(tree->showsTruncationNote());
  const qsizetype rows = tree->rowCount();
  EXPECT_GT(rows, 1000);
  // The viewport holds the scroll bars' corner at most: no row is a widget.
  EXPECT_LT(tree->findChildren<QWidget*>().size(), 10);

  // At most the rows that fit, plus one cut at each edge.
  const qsizetype fit = tree->viewport()->height() / ElementsTree::kRowHeight + 2;
  ASSERT_GT(fit, 2);
  tree->viewport()->repaint();
  EXPECT_EQ(tree->lastPaintedRows().first, 0);
  EXPECT_LE(tree->lastPaintedRows().second, fit);
  tree->verticalScrollBar()->setValue(tree->verticalScrollBar()->maximum());
  tree->viewport()->repaint();
  EXPECT_EQ(tree->lastPaintedRows().second, rows);
  EXPECT_GE(tree->lastPaintedRows().first, rows - fit);

  // A model change refreshes the list and still draws only what shows.
  qint64 mainID = -1;
  for (const InspectedNode& n : *document.nodes) {
    if (n.attributes.value(QStringLiteral("id")) == QLatin1String("ana")) mainID = n.id;
  }
  ASSERT_GE(mainID, 0);
  fixture.model->inspect(mainID);
  tree->verticalScrollBar()->setValue(0);
  tree->viewport()->repaint();
  EXPECT_LE(tree->lastPaintedRows().second - tree->lastPaintedRows().first, fit);

  fixture.model->toggleInspectorNode(mainID);
  EXPECT_LT(tree->rowCount(), 10);
  const QStringList texts = view.elementsPane()->detail()->texts();
  EXPECT_EQ(texts.value(1), QStringLiteral("<main id=\"ana\" class=\"kart\">"));
  EXPECT_TRUE(texts.contains(QStringLiteral("class = kart")));
  EXPECT_TRUE(texts.value(2).contains(QStringLiteral(" px · x "))) << texts.value(2).toStdString();
}

}  // namespace
