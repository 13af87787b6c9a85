// The root view of a browser window. From top to bottom: the chrome (only
// outside full screen, where the window shows its own), the banner of a
// private window, the page of the selected tab, and the developer tools
// (285 high) while they are open; a transient notice floats over the bottom
// edge of all of it without taking clicks.
//
// The view keeps nothing of its own: it follows the model, the window state
// and the theme. Changes of the model are gathered and shown once per turn
// of the event loop, as one evaluation of the newest state, so a navigation
// that changes a tab several times in one go builds only the page it ends
// with. Pages of the same kind keep their widget across changes (a second
// history tab keeps the same history page with its search text; a second
// document tab keeps the same document view); the search page is built anew
// for every navigation of its tab. A replaced widget is hidden, taken out of
// the layout and deleted later, never inside its own event handler.
//
// Only the document page reports a width to the model: the page area's,
// when the document comes into view and on every change of that width.
//
// The keyboard stays where a person types. A newly opened tab takes it
// (the home page's search field, with its text selected, or the document),
// unless it was put elsewhere since the tab opened. A page that replaces
// the page holding it takes it over (following a link by keyboard keeps it
// on the document), and so does the page when the window has none. It is
// moved before the old widget hides, since a hidden focus widget passes it
// on along the focus chain to a toolbar button.
// Main thread.
#pragma once

#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "chrome/browser_chrome_view.h"
#include "frame/browser_window_state.h"
#include "document/scene_view.h"
#include "kit/kit_theme.h"
#include "model/browser_tab.h"
#include "pages/developer_tools_view.h"

class BrowserModel;
class QVBoxLayout;

// A full-width strip of text on a tinted fill (the private-window and
// document banners): an optional symbol before the text, centred, wrapping
// in narrow windows.
class RootBanner : public QWidget {
  Q_OBJECT
public:
  using Fill = std::function<QColor(ColorScheme)>;
  enum class Tone { Ink, Muted };

  RootBanner(const QString& text, const QString& symbol, Tone tone, int padding, Fill fill,
             std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);

  const QString& text() const { return m_text; }
  const QString& symbol() const { return m_symbol; }
  // The fill in the theme's scheme now.
  QColor fillColor() const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  // The text's rectangle for a banner `width` wide, at the origin.
  QRect textBounds(int width) const;

  QString m_text;
  QString m_symbol;
  Tone m_tone;
  int m_padding;
  Fill m_fill;
  std::shared_ptr<KitTheme> m_theme;
  QFont m_font;
};

// The notice: the text in a capsule on a translucent fill with a hairline.
// It never takes the pointer.
class NoticeBubble : public QWidget {
  Q_OBJECT
public:
  explicit NoticeBubble(std::shared_ptr<KitTheme> theme, QWidget* parent = nullptr);
  void setText(const QString& text);
  const QString& text() const { return m_text; }
  // The bubble's size for a parent `available` wide.
  QSize sizeFor(int available) const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::shared_ptr<KitTheme> m_theme;
  QString m_text;
  QFont m_font;
};

class BrowserView : public QWidget {
  Q_OBJECT

public:
  static constexpr int kDeveloperToolsHeight = 285;
  // The notice's distance from the bottom edge.
  static constexpr int kNoticeLift = 18;

  static QString privateBannerText();
  static QString webPreviewText();
  static QString warningsText();
  // The system purple and yellow of the banners, per scheme.
  static QColor systemPurple(ColorScheme scheme);
  static QColor systemYellow(ColorScheme scheme);

  // What the document view is given for `tab` of `model`: its document,
  // address, fragment and page position, links followed by the model, and
  // the inspected node's box and id only while the developer tools are open.
  static SceneInputs sceneInputs(BrowserModel& model, const BrowserTab& tab);

  // `tearOff` goes to the tab strip of every chrome the view shows.
  BrowserView(BrowserModel& model, BrowserWindowState& windowState, TabTearOff* tearOff = nullptr,
              QWidget* parent = nullptr);
  ~BrowserView() override;

  // Shows the newest state now instead of at the next turn of the loop.
  void refresh();

  // The parts on show; null while absent.
  BrowserChromeView* chrome() const { return m_chrome; }
  RootBanner* privateBanner() const { return m_privateBanner; }
  QWidget* pageArea() const { return m_pageArea; }
  QWidget* page() const { return m_page; }
  // The kind of the page on show.
  std::optional<PageContent::Kind> pageKind() const { return m_pageKind; }
  // The document column's parts, while it is on show.
  SceneView* sceneView() const { return m_scene; }
  RootBanner* webPreviewBanner() const { return m_webBanner; }
  RootBanner* warningsBanner() const { return m_warningsBanner; }
  DeveloperToolsView* developerTools() const { return m_devTools; }
  NoticeBubble* notice() const { return m_notice; }
  // The widget of the page on show that takes the keyboard: the home
  // page's search field, the document's canvas, else the page itself.
  QWidget* pageFocusTarget() const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  // Asks for one evaluation at the next turn of the event loop.
  void scheduleRefresh();
  void refreshChrome();
  void refreshPage();
  void refreshDeveloperTools();
  void refreshNotice();
  void placeNotice();

  // Builds the page for `content` and puts it into the page area.
  void replacePage(const BrowserTab& tab);
  // Updates a page of the same kind with the tab's payload.
  void updatePage(const BrowserTab& tab);
  QWidget* buildDocumentColumn();
  void updateDocumentColumn(const BrowserTab& tab);
  // Reports the page area's width when the document column is on show and
  // the width is new to it.
  void reportViewportWidth();
  // Hides `widget`, takes it out of its layout and deletes it later; the
  // keyboard, when inside it, goes to the page first.
  void retire(QWidget* widget);

  // The window's focus widget, or null when nothing there takes typing
  // (none, the window itself, a hidden widget).
  QWidget* typingFocus() const;
  bool holdsFocus(const QWidget* widget) const;
  // Gives the keyboard to the page on show.
  void focusPage();
  // Notes a newly opened tab becoming selected, with where the keyboard is.
  void noteSelection();

  QPointer<BrowserModel> m_model;
  QPointer<BrowserWindowState> m_windowState;
  TabTearOff* m_tearOff;
  std::shared_ptr<KitTheme> m_theme;

  QWidget* m_column = nullptr;
  QVBoxLayout* m_columnLayout = nullptr;
  QWidget* m_pageArea = nullptr;
  QVBoxLayout* m_pageLayout = nullptr;
  QPointer<BrowserChromeView> m_chrome;
  RootBanner* m_privateBanner = nullptr;
  QPointer<QWidget> m_page;
  std::optional<PageContent::Kind> m_pageKind;
  // The generation the search page was built for.
  QUuid m_pageGeneration;
  QPointer<SceneView> m_scene;
  QPointer<RootBanner> m_webBanner;
  QPointer<RootBanner> m_warningsBanner;
  QPointer<DeveloperToolsView> m_devTools;
  NoticeBubble* m_notice = nullptr;

  bool m_refreshPending = false;
  // The tabs of the last evaluation, to tell a newly opened tab.
  QSet<QUuid> m_knownTabs;
  // Set when a newly opened tab was selected: where the keyboard was then.
  std::optional<QPointer<QWidget>> m_newTabFocus;
  // The width last reported for the document column on show.
  std::optional<int> m_reportedWidth;
};
