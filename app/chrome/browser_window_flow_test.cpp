// A whole window over the real renderer: a local page is fetched, laid out
// and drawn, and its links are followed by pointer and by keyboard.
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "chrome/browser_window.h"
#include "chrome/browser_workspace.h"
#include "chrome/document_canvas.h"
#include "kit/kit_test_support.h"
#include "chrome/scene_view.h"
#include "loading/document_cache.h"
#include "model/browser_model.h"
#include "model/browser_preferences.h"
#include "model/settings_store.h"
#include "profile/browsing_profile.h"

namespace {

constexpr int kLoadLimitMs = 30000;

const char* const kPage = R"(<!DOCTYPE html>
<html><head><title>Flow</title></head>
<body>
<p><a href="#second">To the second part</a></p>
<p><a href="other.html">To the other page</a></p>
<div style="height: 2000px">Filler</div>
<h2 id="second">Second part</h2>
</body></html>)";

class WindowFlowTest : public testing::Test {
protected:
  void SetUp() override {
    const QString renderer = QCoreApplication::applicationDirPath() + QStringLiteral("/kivo-document");
    if (!QFileInfo(renderer).isExecutable()) GTEST_SKIP() << "kivo-document is not built beside the tests";
    QApplication::setQuitOnLastWindowClosed(false);
    ASSERT_TRUE(folder.isValid());
    for (const auto& [name, text] : {std::pair{"page.html", kPage}, std::pair{"other.html", "<title>Other</title>"}}) {
      QFile file(folder.filePath(QString::fromLatin1(name)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(text);
    }
    store = SettingsStore::open(KitTest::storeName(QStringLiteral("com.kivo.browser.tests.window-flow")));
    auto cache = std::make_shared<DocumentCache>();
    workspace = std::make_unique<BrowserWorkspace>(std::make_shared<BrowserPreferences>(store), cache,
                                                   std::make_shared<BrowsingProfile>(false, QString(), cache));
    controller = workspace->newWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&controller->browserWindow()));
  }
  void TearDown() override {
    workspace.reset();
    if (store) store->removeAll();
  }

  BrowserModel& model() { return controller->model(); }
  QWindow* window() { return controller->browserWindow().windowHandle(); }

  // Navigates and waits until the tab shows a document titled `title`.
  bool open(const QString& address, const QString& title) {
    model().navigate(address);
    return showsTitle(title);
  }
  bool showsTitle(const QString& title) {
    return QTest::qWaitFor(
        [&] {
          const std::optional<PageDocument> document = model().currentDocument();
          return document && document->title == title && canvas() && canvas()->document() &&
                 canvas()->document()->title == title;
        },
        kLoadLimitMs);
  }
  DocumentCanvas* canvas() {
    auto* scene = controller->browserWindow().findChild<SceneView*>();
    return scene ? scene->canvas() : nullptr;
  }
  // The centre of the first link box whose target is `href`, in the
  // window's coordinates. The renderer draws a link word by word, so one
  // link can have several boxes.
  QPoint linkCentre(const QString& href) {
    const PageDocument& document = *canvas()->document();
    qsizetype at = 0;
    while (document.commands.at(canvas()->links().at(static_cast<size_t>(at))).href != href) ++at;
    const PaintCommand& link = document.commands.at(canvas()->links().at(static_cast<size_t>(at)));
    const QPoint inCanvas(static_cast<int>(link.x + link.width / 2), static_cast<int>(link.y + link.height / 2));
    return canvas()->mapTo(&controller->browserWindow(), inCanvas);
  }

  QTemporaryDir folder;
  std::shared_ptr<SettingsStore> store;
  std::unique_ptr<BrowserWorkspace> workspace;
  BrowserWindowController* controller = nullptr;
};

TEST_F(WindowFlowTest, AClickOnALinkFollowsIt) {
  const QString page = folder.filePath(QStringLiteral("page.html"));
  ASSERT_TRUE(open(page, QStringLiteral("Flow")));
  QTest::mouseClick(window(), Qt::LeftButton, {}, linkCentre(QStringLiteral("#second")));
  EXPECT_TRUE(QTest::qWaitFor([&] { return model().fragment() == QStringLiteral("second"); }, kLoadLimitMs));
  // The fragment's anchor is scrolled to the top of the page.
  ASSERT_TRUE(showsTitle(QStringLiteral("Flow")));
  auto* scene = controller->browserWindow().findChild<SceneView*>();
  EXPECT_TRUE(QTest::qWaitFor([&] { return scene->verticalScrollBar()->value() > 1000; }, kLoadLimitMs));

  model().navigate(page);
  ASSERT_TRUE(showsTitle(QStringLiteral("Flow")));
  QTest::mouseClick(window(), Qt::LeftButton, {}, linkCentre(QStringLiteral("other.html")));
  EXPECT_TRUE(showsTitle(QStringLiteral("Other")));
}

TEST_F(WindowFlowTest, TabAndReturnFollowALinkAndShiftTabStartsAtTheLast) {
  ASSERT_TRUE(open(folder.filePath(QStringLiteral("page.html")), QStringLiteral("Flow")));
  canvas()->setFocus(Qt::MouseFocusReason);
  ASSERT_TRUE(QTest::qWaitFor([&] { return canvas()->hasFocus(); }));

  const int last = static_cast<int>(canvas()->links().size()) - 1;
  QTest::keyClick(window(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(canvas()->focusedLink(), last) << "the first Shift-Tab focuses the last link";
  QTest::keyClick(window(), Qt::Key_Tab);
  EXPECT_EQ(canvas()->focusedLink(), 0) << "Tab wraps to the first";
  QTest::keyClick(window(), Qt::Key_Backtab, Qt::ShiftModifier);
  QTest::keyClick(window(), Qt::Key_Return);
  EXPECT_TRUE(showsTitle(QStringLiteral("Other"))) << "Return follows the last link, to the other page";
}

}  // namespace
