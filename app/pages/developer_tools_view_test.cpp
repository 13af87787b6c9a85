// The developer tools panel: its header buttons, the Network lines, the
// Console pane's levels and clearing, switching browser tabs, and the
// selected tab's accent bar in both schemes. tools/pictures draws every pane
// for a person to see.
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

#include "kit/kit_fonts.h"
#include "kit/kivo_button.h"
#include "kit/motion.h"
#include "kit/palette.h"
#include "pages/console_pane.h"
#include "pages/developer_tools_view.h"
#include "pages/devtools_test_support.h"
#include "pages/devtools_text.h"
#include "pages/elements_pane.h"
#include "pages/keyboard_test_support.h"
#include "pages/network_pane.h"

using DevToolsTest::node;

namespace {

NetworkResponse response(qint64 status, const QString& mime, qint64 bytes, double elapsed) {
  NetworkResponse made;
  made.url = QUrl(QStringLiteral("https://örnek.test/yol?q=a b"));
  made.status = status;
  made.mime = mime;
  made.byteCount = bytes;
  made.elapsed = elapsed;
  return made;
}

QStringList texts(const QList<DevToolsText::NetworkLine>& lines) {
  QStringList result;
  for (const auto& line : lines) result.append(line.text);
  return result;
}

TEST(NetworkLines, AbsentResponseHasTwoLines) {
  const auto lines = DevToolsText::networkLines(std::nullopt);
  EXPECT_EQ(texts(lines), (QStringList{QStringLiteral("Bu sekmede tamamlanmış bir ağ yanıtı yok."),
                                       QStringLiteral("Bağlantı hataları Console bölümünde gösterilir.")}));
  EXPECT_FALSE(lines[0].muted);
  EXPECT_TRUE(lines[1].muted);
}

TEST(NetworkLines, ResponseLinesTruncateTheMilliseconds) {
  struct Case {
    double elapsed;
    QString third;
  };
  const std::vector<Case> cases{{0.0456, QStringLiteral("5120 bayt · 45 ms")},
                                {0.0009, QStringLiteral("5120 bayt · 0 ms")},
                                {2.5, QStringLiteral("5120 bayt · 2500 ms")}};
  for (const Case& c : cases) {
    const auto lines = DevToolsText::networkLines(response(200, QStringLiteral("text/html"), 5120, c.elapsed));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0].text, QStringLiteral("GET https://xn--rnek-4qa.test/yol?q=a%20b"));
    EXPECT_TRUE(lines[0].selectable);
    EXPECT_EQ(lines[1].text, QStringLiteral("HTTP 200 · text/html"));
    EXPECT_EQ(lines[2].text, c.third);
    EXPECT_EQ(lines[3].text, QStringLiteral("Ana belge isteği. Alt kaynak hataları Console bölümünde gösterilir; "
                                            "ayrıntılı kaynak zaman çizelgesi henüz yok."));
    EXPECT_TRUE(lines[3].muted);
  }
}

TEST(ConsoleLevels, SymbolAndColourFollowTheExactLevel) {
  const QColor accent(0x66, 0x58, 0xd3);
  struct Case {
    QString level;
    QString symbol;
    QColor color;
  };
  const std::vector<Case> cases{
      {QStringLiteral("error"), QStringLiteral("xmark.circle"), ConsolePane::red(ColorScheme::Light)},
      {QStringLiteral("warning"), QStringLiteral("exclamationmark.triangle"), ConsolePane::orange(ColorScheme::Light)},
      {QStringLiteral("info"), QStringLiteral("info.circle"), accent},
      {QStringLiteral("Error"), QStringLiteral("info.circle"), accent},
      {QStringLiteral("debug"), QStringLiteral("info.circle"), accent},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ConsolePane::symbol(c.level), c.symbol) << c.level.toStdString();
    EXPECT_EQ(ConsolePane::color(c.level, ColorScheme::Light, accent), c.color) << c.level.toStdString();
  }
}

class DeveloperToolsTest : public testing::Test {
protected:
  void SetUp() override {
    Motion::setReduceMotionOverride(true);
    QList<InspectedNode> nodes{node(0, std::nullopt, 0, QStringLiteral("#document")),
                               node(1, 0, 1, QStringLiteral("html")), node(2, 1, 2, QStringLiteral("body"))};
    BrowserTab first = DevToolsTest::documentTab(DevToolsTest::document(nodes), QStringLiteral("https://example.test/"));
    first.console = {ConsoleEntry(QStringLiteral("info"), QStringLiteral("HTTP 200 text/html · 5120 bayt")),
                     ConsoleEntry(QStringLiteral("warning"), QStringLiteral("desteklenmeyen özellik: float")),
                     ConsoleEntry(QStringLiteral("error"), QStringLiteral("ilk satır\nikinci satır"))};
    first.networkResponse = response(200, QStringLiteral("text/html"), 5120, 0.0456);
    fixture = std::make_unique<DevToolsTest::ModelFixture>(QStringLiteral("devtools-view-test"), first);
    firstID = model().selectedID();
    model().newTab();
    secondID = model().selectedID();
    model().select(firstID);
    model().setDevToolsVisible(true);
    view = std::make_unique<DeveloperToolsView>(fixture->model.get());
    view->resize(960, DeveloperToolsView::kPanelHeight);
    view->show();
    QApplication::processEvents();
  }
  void TearDown() override { Motion::setReduceMotionOverride(std::nullopt); }

  BrowserModel& model() { return *fixture->model; }
  DevToolsTabButton* tabButton(InspectorTab tab) {
    for (DevToolsTabButton* button : view->tabButtons()) {
      if (button->tab() == tab) return button;
    }
    return nullptr;
  }

  std::unique_ptr<DevToolsTest::ModelFixture> fixture;
  std::unique_ptr<DeveloperToolsView> view;
  QUuid firstID;
  QUuid secondID;
};

TEST_F(DeveloperToolsTest, TabButtonsChooseThePaneAndCloseHidesThePanel) {
  ASSERT_EQ(view->tabButtons().size(), 3);
  EXPECT_EQ(view->tabButtons()[0]->text(), QStringLiteral("Elements"));
  EXPECT_EQ(view->tabButtons()[1]->text(), QStringLiteral("Console"));
  EXPECT_EQ(view->tabButtons()[2]->text(), QStringLiteral("Network"));
  EXPECT_EQ(view->currentPane(), view->elementsPane());
  EXPECT_TRUE(tabButton(InspectorTab::Elements)->isSelected());

  int announced = 0;
  QObject::connect(&model(), &BrowserModel::inspectorTabChanged, [&] { ++announced; });
  QTest::mouseClick(tabButton(InspectorTab::Console), Qt::LeftButton);
  EXPECT_EQ(model().inspectorTab(), InspectorTab::Console);
  EXPECT_EQ(view->currentPane(), view->consolePane());
  EXPECT_TRUE(tabButton(InspectorTab::Console)->isSelected());
  EXPECT_FALSE(tabButton(InspectorTab::Elements)->isSelected());

  QTest::mouseClick(tabButton(InspectorTab::Console), Qt::LeftButton);
  EXPECT_EQ(model().inspectorTab(), InspectorTab::Console) << "the selected tab stays selected";

  QTest::mouseClick(tabButton(InspectorTab::Network), Qt::LeftButton);
  EXPECT_EQ(view->currentPane(), view->networkPane());
  EXPECT_EQ(announced, 3);

  EXPECT_EQ(view->closeButton()->toolTip(), QStringLiteral("Geliştirici araçlarını kapat"));
  QTest::mouseClick(view->closeButton(), Qt::LeftButton);
  EXPECT_FALSE(model().devToolsVisible());
  QTest::mouseClick(view->closeButton(), Qt::LeftButton);
  EXPECT_FALSE(model().devToolsVisible()) << "the close button never toggles";
  model().toggleDeveloperTools();
  EXPECT_TRUE(model().devToolsVisible());
  EXPECT_EQ(model().inspectorTab(), InspectorTab::Network);
}

TEST_F(DeveloperToolsTest, TabReachesEveryControlAndEachActsFromTheKeyboard) {
  KeyboardTest::show(*view, QSize(960, DeveloperToolsView::kPanelHeight));
  // The Elements pane: the header's buttons, then the tree.
  QList<QWidget*> chain = KeyboardTest::tabChain(*view);
  KeyboardTest::expectAllReached(*view, chain);
  ElementsTree* tree = view->elementsPane()->tree();
  ASSERT_EQ(chain.size(), 5);
  EXPECT_EQ(chain.at(0), tabButton(InspectorTab::Elements));
  EXPECT_EQ(chain.at(3), view->closeButton());
  EXPECT_EQ(chain.at(4), tree);

  // The tree starts at its first row; Down and Return inspect the next
  // node, Left and Space collapse it, and the ring follows the focus.
  KeyboardTest::focus(tree);
  EXPECT_EQ(tree->currentRow(), 0);
  EXPECT_TRUE(tree->showsFocusRing());
  QTest::keyClick(tree, Qt::Key_Down);
  QTest::keyClick(tree, Qt::Key_Return);
  EXPECT_EQ(model().current().inspectedNodeID, std::optional<qint64>(1));
  QTest::keyClick(tree, Qt::Key_Left);
  EXPECT_TRUE(tree->currentIsDisclosure());
  QTest::keyClick(tree, Qt::Key_Space);
  EXPECT_EQ(model().current().collapsedInspectorNodes, QSet<qint64>{1});
  EXPECT_EQ(tree->rowCount(), 2);
  EXPECT_EQ(tree->currentRow(), 1);
  QTest::keyClick(tree, Qt::Key_Space);
  EXPECT_TRUE(model().current().collapsedInspectorNodes.isEmpty());
  // A row without children has no disclosure to move to.
  QTest::keyClick(tree, Qt::Key_End);
  EXPECT_EQ(tree->currentRow(), 2);
  EXPECT_FALSE(tree->currentIsDisclosure());
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->labelRect(0).center());
  EXPECT_FALSE(tree->showsFocusRing()) << "a click hides the ring";

  // The Console tab on Return shows its pane, whose clear button joins.
  KeyboardTest::focus(tabButton(InspectorTab::Console));
  QTest::keyClick(tabButton(InspectorTab::Console), Qt::Key_Return);
  ASSERT_EQ(view->currentPane(), view->consolePane());
  chain = KeyboardTest::tabChain(*view);
  KeyboardTest::expectAllReached(*view, chain);
  EXPECT_TRUE(chain.contains(view->consolePane()->clearButton()));
  KeyboardTest::focus(view->consolePane()->clearButton());
  QTest::keyClick(view->consolePane()->clearButton(), Qt::Key_Return);
  EXPECT_TRUE(model().current().console.isEmpty());
  KeyboardTest::focus(view->closeButton());
  QTest::keyClick(view->closeButton(), Qt::Key_Space);
  EXPECT_FALSE(model().devToolsVisible());
  KeyboardTest::expectButtonsAct(chain);
}

TEST_F(DeveloperToolsTest, NetworkPaneFollowsTheSelectedTab) {
  model().setInspectorTab(InspectorTab::Network);
  EXPECT_EQ(view->networkPane()->lines().value(1), QStringLiteral("HTTP 200 · text/html"));
  EXPECT_EQ(view->networkPane()->lines().value(2), QStringLiteral("5120 bayt · 45 ms"));
  model().select(secondID);
  EXPECT_EQ(view->networkPane()->lines().size(), 2);
  model().select(firstID);
  EXPECT_EQ(view->networkPane()->lines().size(), 4);
}

TEST_F(DeveloperToolsTest, ConsoleShowsEntriesAndClearsOnlyTheSelectedTab) {
  model().setInspectorTab(InspectorTab::Console);
  ConsolePane* console = view->consolePane();
  EXPECT_EQ(console->messages(),
            (QStringList{QStringLiteral("HTTP 200 text/html · 5120 bayt"), QStringLiteral("desteklenmeyen özellik: float"),
                         QStringLiteral("ilk satır\nikinci satır")}));
  EXPECT_FALSE(console->showsEmptyText());
  // A one-line message keeps its row one line high; the two-line one is taller.
  QApplication::processEvents();
  const int lineHeight = QFontMetrics(KitFonts::monospaced(11)).height();
  ASSERT_EQ(console->rows().size(), 3);
  EXPECT_LE(console->rows()[0]->height(), lineHeight + 18 + 2);
  EXPECT_GE(console->rows()[2]->height(), 2 * lineHeight + 18);

  // The other tab has its own, empty list; clearing it leaves the first tab's.
  model().select(secondID);
  EXPECT_TRUE(console->showsEmptyText());
  EXPECT_TRUE(console->messages().isEmpty());
  QTest::mouseClick(console->clearButton(), Qt::LeftButton);
  EXPECT_TRUE(console->showsEmptyText());
  model().select(firstID);
  EXPECT_EQ(console->messages().size(), 3);

  QTest::mouseClick(console->clearButton(), Qt::LeftButton);
  EXPECT_TRUE(model().current().console.isEmpty());
  EXPECT_TRUE(console->showsEmptyText());
  EXPECT_EQ(model().tabs().at(1).console.size(), 0);
}

TEST_F(DeveloperToolsTest, TabSwitchShowsTheOtherTabsElements) {
  EXPECT_TRUE(view->elementsPane()->showsSplitView());
  model().select(secondID);
  EXPECT_FALSE(view->elementsPane()->showsSplitView()) << "the new tab shows the home page";
  model().select(firstID);
  EXPECT_TRUE(view->elementsPane()->showsSplitView());
}

// Each pane in both schemes draws the accent bar under its own tab's label
// and under no other.
TEST_F(DeveloperToolsTest, SelectedTabShowsTheAccentBarInBothSchemes) {
  model().inspect(2);
  for (const BrowserAppearance appearance : {BrowserAppearance::Light, BrowserAppearance::Dark}) {
    fixture->preferences->setAppearance(appearance);
    const QString scheme = appearance == BrowserAppearance::Dark ? QStringLiteral("dark") : QStringLiteral("light");
    for (const InspectorTab tab : InspectorTabs::all()) {
      model().setInspectorTab(tab);
      QApplication::processEvents();
      const QImage image = view->grab().toImage();
      const std::string name = (InspectorTabs::rawValue(tab) + QLatin1Char('-') + scheme).toStdString();
      // Only the selected tab's label has the bar.
      for (DevToolsTabButton* button : view->tabButtons()) {
        const QPoint bar = button->mapTo(view.get(), QPoint(button->width() / 2, button->height() - 1));
        EXPECT_EQ(image.pixelColor(bar).rgb() == fixture->preferences->accent().rgb(), button->tab() == tab)
            << name << " at " << InspectorTabs::rawValue(button->tab()).toStdString();
      }
    }
  }
}

}  // namespace
