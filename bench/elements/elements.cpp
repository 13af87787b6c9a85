// Times the Elements tree of the developer tools over a real scene of 2,000
// inspection nodes (the renderer's limit), rendered by the kivo-document
// beside this program:
// 1. opening the panel: building the view and its first paint, which reads
//    the whole node list once;
// 2. a model change (another node inspected) with the repaint that follows,
//    and the tree's own refresh and repaint within it;
// 3. a scroll to another part of the list with its repaint.
// The tree draws only the rows in its viewport, so a scroll stays far below a
// frame (16 ms); a refresh reads the list once more.
//
//   kivo-bench-elements [--rounds N]
//
// Prints medians and maxima; the exit status says only whether it could run.
#include <QApplication>
#include <QScrollBar>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "../widget_bench_main.h"
#include "kit/motion.h"
#include "pages/developer_tools_view.h"
// The developer tools' test helpers render a document and build an offline
// model in the same way as the Elements pane's tests.
#include "pages/devtools_test_support.h"
#include "pages/elements_pane.h"
#include "platform/child_process.h"
#include "platform/display_platform.h"

namespace {

using namespace WidgetBench;

// Twelve hundred paragraphs: more elements and texts than the renderer reports, so
// the list is cut at 2,000 nodes with its note.
QByteArray longPage() {
  QByteArray html = "<!doctype html><html><head><title>Uzun</title><style>.kart{padding:4px;color:#333}</style>"
                    "</head><body><main id=\"ana\" class=\"kart\">";
  for (int i = 0; i < 1200; ++i) html += "<p class=\"satir\">Satır " + QByteArray::number(i) + "</p>\n";
  html += "</main></body></html>";
  return html;
}

bool run(int rounds) {
  const auto runner = DevToolsTest::renderer();
  if (!runner) {
    std::fputs("kivo-bench-elements: kivo-document is not beside this program\n", stderr);
    return false;
  }
  const PageDocument document = DevToolsTest::render(*runner, longPage());
  if (!document.nodes || document.nodes->isEmpty()) {
    std::fputs("kivo-bench-elements: the renderer gave no node list\n", stderr);
    return false;
  }
  const qsizetype nodes = document.nodes->size();
  DevToolsTest::ModelFixture fixture(QStringLiteral("kivo-bench-elements"), DevToolsTest::documentTab(document));

  // 1. Opening the panel.
  const Clock::time_point opening = Clock::now();
  DeveloperToolsView view(fixture.model.get());
  view.resize(1000, DeveloperToolsView::kPanelHeight);
  view.show();
  // The window is exposed, and so paintable, once its events are handled.
  QApplication::processEvents();
  ElementsTree* tree = view.elementsPane()->tree();
  tree->viewport()->repaint();
  const double open = milliseconds(Clock::now() - opening);

  // 2. Model changes with a repaint each.
  std::vector<double> changes;
  for (int i = 0; i < rounds; ++i) {
    const qint64 id = document.nodes->at((i * 13) % nodes).id;
    const Clock::time_point start = Clock::now();
    fixture.model->inspect(id);
    tree->viewport()->repaint();
    changes.push_back(milliseconds(Clock::now() - start));
  }

  // The tree's share of a model change: its refresh and repaint alone.
  std::vector<double> treeRefreshes;
  for (int i = 0; i < rounds; ++i) {
    const Clock::time_point start = Clock::now();
    tree->refresh();
    tree->viewport()->repaint();
    treeRefreshes.push_back(milliseconds(Clock::now() - start));
  }

  // 3. Scrolls across the list with a repaint each.
  std::vector<double> scrolls;
  QScrollBar* bar = tree->verticalScrollBar();
  for (int i = 0; i < rounds; ++i) {
    const int position = static_cast<int>(static_cast<qint64>(bar->maximum()) * ((i * 37) % 100) / 99);
    const Clock::time_point start = Clock::now();
    bar->setValue(position);
    tree->viewport()->repaint();
    scrolls.push_back(milliseconds(Clock::now() - start));
  }

  const auto painted = tree->lastPaintedRows();
  std::printf("elements tree (%lld nodes, %lld rows, %lld drawn per paint) over %d rounds:\n"
              "  open the panel and paint once       %8.2f ms\n"
              "  model change and repaint            %8.3f ms median, %8.3f ms max\n"
              "    of which the tree's refresh       %8.3f ms median, %8.3f ms max\n"
              "  scroll and repaint                  %8.3f ms median, %8.3f ms max\n",
              static_cast<long long>(nodes), static_cast<long long>(tree->rowCount()),
              static_cast<long long>(painted.second - painted.first), rounds, open, median(changes),
              maximum(changes), median(treeRefreshes), maximum(treeRefreshes), median(scrolls), maximum(scrolls));
  return true;
}

}  // namespace

int main(int argc, char** argv) { return runWidgetBench(argc, argv, "kivo-bench-elements", 100, run); }
