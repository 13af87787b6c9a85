// The developer tools panel 285 high at 900, 1200 and 1600 wide: each pane over a small document
// with console messages and a network answer, the Elements pane of a tab
// without a document, and a real renderer scene of 2,000 nodes at its top
// and at its end, where the truncation note shows.
#include <QApplication>
#include <QScrollBar>

#include "pages/developer_tools_view.h"
// The developer tools' test helpers build the same nodes, documents and
// offline model that the panel's tests use.
#include "pages/devtools_test_support.h"
#include "pages/elements_pane.h"
#include "picture_folder.h"

using DevToolsTest::node;

namespace {

void panes(PictureFolder& folder) {
  const QList<InspectedNode> nodes{node(0, std::nullopt, 0, QStringLiteral("#document")),
                                   node(1, 0, 1, QStringLiteral("html")), node(2, 1, 2, QStringLiteral("body"))};
  BrowserTab first = DevToolsTest::documentTab(DevToolsTest::document(nodes), QStringLiteral("https://example.test/"));
  first.console = {ConsoleEntry(QStringLiteral("info"), QStringLiteral("HTTP 200 text/html · 5120 bayt")),
                   ConsoleEntry(QStringLiteral("warning"), QStringLiteral("desteklenmeyen özellik: float")),
                   ConsoleEntry(QStringLiteral("error"), QStringLiteral("ilk satır\nikinci satır"))};
  NetworkResponse response;
  response.url = QUrl(QStringLiteral("https://örnek.test/yol?q=a b"));
  response.status = 200;
  response.mime = QStringLiteral("text/html");
  response.byteCount = 5120;
  response.elapsed = 0.0456;
  first.networkResponse = response;

  DevToolsTest::ModelFixture fixture(QStringLiteral("kivo-pictures-devtools"), first);
  fixture.preferences->setAppearance(folder.appearance());
  BrowserModel& model = *fixture.model;
  const QUuid firstID = model.selectedID();
  model.newTab();
  const QUuid secondID = model.selectedID();
  model.select(firstID);
  model.setDevToolsVisible(true);
  model.inspect(2);
  DeveloperToolsView view(&model);
  for (const int width : {900, 1200, 1600}) {
    const QString suffix = QLatin1Char('-') + QString::number(width);
    view.resize(width, DeveloperToolsView::kPanelHeight);
    view.show();
    model.select(firstID);
    for (const InspectorTab tab : InspectorTabs::all()) {
      model.setInspectorTab(tab);
      QApplication::processEvents();
      folder.grab(&view, QStringLiteral("devtools-") + InspectorTabs::rawValue(tab).toLower() + suffix);
    }
    // The second tab shows the home page, so the Elements pane has no nodes.
    model.select(secondID);
    model.setInspectorTab(InspectorTab::Elements);
    QApplication::processEvents();
    folder.grab(&view, QStringLiteral("devtools-elements-empty") + suffix);
  }
}

void realScene(PictureFolder& folder) {
  const auto runner = DevToolsTest::renderer();
  if (!runner) {
    std::fputs("kivo-pictures: kivo-document is not beside the program; the real scene is left out\n", stderr);
    folder.save(QImage(), QStringLiteral("devtools-elements-scene-top"));
    return;
  }
  QByteArray html = "<!doctype html><html><head><title>Uzun</title><style>.kart{padding:4px;color:#333}</style>"
                    "</head><body><main id=\"ana\" class=\"kart\">";
  for (int i = 0; i < 1200; ++i) html += "<p class=\"satir\">Satır " + QByteArray::number(i) + "</p>\n";
  html += "</main></body></html>";
  const PageDocument document = DevToolsTest::render(*runner, html);
  if (!document.nodes) {
    folder.save(QImage(), QStringLiteral("devtools-elements-scene-top"));
    return;
  }
  DevToolsTest::ModelFixture fixture(QStringLiteral("kivo-pictures-scene"), DevToolsTest::documentTab(document));
  fixture.preferences->setAppearance(folder.appearance());
  for (const InspectedNode& n : *document.nodes) {
    if (n.attributes.value(QStringLiteral("id")) == QLatin1String("ana")) fixture.model->inspect(n.id);
  }
  DeveloperToolsView view(fixture.model.get());
  for (const int width : {900, 1200, 1600}) {
    const QString suffix = QLatin1Char('-') + QString::number(width);
    view.resize(width, DeveloperToolsView::kPanelHeight);
    view.show();
    QApplication::processEvents();
    ElementsTree* tree = view.elementsPane()->tree();
    tree->verticalScrollBar()->setValue(0);
    QApplication::processEvents();
    folder.grab(&view, QStringLiteral("devtools-elements-scene-top") + suffix);
    tree->verticalScrollBar()->setValue(tree->verticalScrollBar()->maximum());
    QApplication::processEvents();
    folder.grab(&view, QStringLiteral("devtools-elements-scene-end") + suffix);
  }
}

}  // namespace

void Pictures::developerTools(PictureFolder& folder) {
  panes(folder);
  realScene(folder);
}
