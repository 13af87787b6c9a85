#include "chrome/browser_chrome_view.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

#include "chrome/address_field.h"
#include "chrome/browser_menu_popover.h"
#include "frame/browser_window.h"
#include "frame/browser_window_state.h"
#include "chrome/tab_strip.h"
#include "frame/window_drag_area.h"
#include "kit/kit_fonts.h"
#include "kit/kivo_popup.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "model/builtin_pages.h"
#include "pages/page_widgets.h"

namespace {

constexpr int kLeadingWidth = 79;
constexpr int kFullScreenLeadingWidth = 12;
// What the row keeps beside the strip: the new-tab button with its padding,
// the tabs-menu button with its padding, and a little trailing drag area.
constexpr double kRowReserve = 111;
constexpr double kMinimumStripWidth = 180;
constexpr double kStripWidthPerTab = 198;
// The tab row's buttons sit this much lower than the row's centre.
constexpr int kRowButtonDrop = 3;
constexpr int kNewTabPadding = 4;
constexpr int kTabsMenuPadding = 9;
constexpr double kSymbolPoints = 12;
constexpr double kDisabledOpacity = 0.25;
constexpr double kOpenMenuFill = 0.12;
constexpr double kMenuCornerRadius = 6;

// A shortcut as the desktop writes it ("Ctrl+T").
QString keys(QKeyCombination combination) {
  return QKeySequence(combination).toString(QKeySequence::NativeText);
}

}  // namespace

BrowserChromeView::BrowserChromeView(BrowserModel& model, BrowserWindowState& windowState, TabTearOff* tearOff,
                                     QWidget* parent)
    : QWidget(parent), m_model(model), m_windowState(windowState), m_theme(PreferencesTheme::of(model.preferences())) {
  setFixedHeight(kHeight);
  setMinimumWidth(0);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

  // The tab row, laid out by hand in layoutTabRow().
  m_leadingDrag = new WindowDragArea(true, this);
  m_leadingDrag->setTheme(m_theme);
  m_strip = new BrowserTabStrip(m_model, tearOff, this);
  m_newTab = iconButton(QStringLiteral("plus"), QStringLiteral("Yeni sekme · ") + keys(Qt::CTRL | Qt::Key_T), this);
  connect(m_newTab, &QAbstractButton::clicked, &m_model, &BrowserModel::newTab);
  m_trailingDrag = new WindowDragArea(false, this);
  m_tabsMenu = menuButton(BrowserMenu::Tabs, QStringLiteral("chevron.down"), QStringLiteral("Sekmeler"), this);

  buildToolbar();

  connect(&m_model, &BrowserModel::tabsChanged, this, [this] {
    refreshTab();
    layoutTabRow();
  });
  connect(&m_model, &BrowserModel::selectedIDChanged, this, &BrowserChromeView::refreshTab);
  connect(&m_model, &BrowserModel::openMenuChanged, this, &BrowserChromeView::refreshMenus);
  connect(&m_windowState, &BrowserWindowState::fullScreenChanged, this, &BrowserChromeView::layoutTabRow);
  if (m_theme) {
    connect(m_theme.get(), &KitTheme::schemeChanged, this, [this] { PageLayout::repaintTree(this); });
    connect(m_theme.get(), &KitTheme::accentChanged, this, [this] { PageLayout::repaintTree(this); });
  }
  connect(&m_model, &BrowserModel::addressFocusRequested, this, &BrowserChromeView::answerFocusAddress);

  refreshWindow();
  refreshTab();
  refreshMenus();
  layoutTabRow();
}

BrowserChromeView::~BrowserChromeView() = default;

int BrowserChromeView::leadingWidth(bool fullScreen) { return fullScreen ? kFullScreenLeadingWidth : kLeadingWidth; }

double BrowserChromeView::stripWidth(double rowWidth, bool fullScreen, qsizetype tabCount) {
  const double available = std::max(rowWidth - leadingWidth(fullScreen) - kRowReserve, kMinimumStripWidth);
  return std::min(available, kStripWidthPerTab * double(std::max<qsizetype>(tabCount, 0)));
}

QLineEdit* BrowserChromeView::addressLineEdit() const { return m_address->lineEdit(); }

KivoPopup* BrowserChromeView::menuPopup(BrowserMenu kind) const {
  return kind == BrowserMenu::Tabs ? m_tabsMenu.popup : m_mainMenu.popup;
}

PageButton* BrowserChromeView::iconButton(const QString& symbol, const QString& title, QWidget* parent) {
  auto* button = new PageButton(m_model.preferences(), {}, symbol, kSymbolPoints, QFont::Medium, parent);
  button->setFrameSize(QSize(kButtonSide, kButtonSide));
  button->setToolTip(title);
  button->setAccessibleName(title);
  // A disabled button has no hover or press feedback, so drawing its symbol
  // faintly is the same as drawing the whole button at that opacity.
  const std::shared_ptr<KitTheme> theme = m_theme;
  QPointer<PageButton> guarded(button);
  button->setInk([theme, guarded] {
    const QColor ink = Palette::colors(theme.get()).ink;
    return guarded && !guarded->isEnabled() ? Palette::withOpacity(ink, kDisabledOpacity) : ink;
  });
  return button;
}

BrowserChromeView::MenuControl BrowserChromeView::menuButton(BrowserMenu kind, const QString& symbol,
                                                             const QString& title, QWidget* parent) {
  MenuControl control;
  control.button = iconButton(symbol, title, parent);
  const std::shared_ptr<KitTheme> theme = m_theme;
  QPointer<BrowserModel> model(&m_model);
  control.button->setBackground(PageButton::Shape::Rounded, kMenuCornerRadius, [theme, model, kind] {
    const bool open = model && model->openMenu() == kind;
    return open ? Palette::withOpacity(Palette::accent(theme.get()), kOpenMenuFill) : QColor(Qt::transparent);
  });
  connect(control.button, &QAbstractButton::clicked, this, [this, kind] { toggleMenu(kind); });
  control.popup = new KivoPopup(
      control.button, [this, kind]() -> QWidget* { return new BrowserMenuPopover(m_model, kind); }, m_theme);
  // The popup closed itself (an outside click, Escape, the window moved):
  // the menu is closed, unless the model has already moved on to another.
  connect(control.popup, &KivoPopup::presentedChanged, this, [this, kind](bool presented) {
    if (!presented && m_model.openMenu() == kind) m_model.setOpenMenu(std::nullopt);
  });
  return control;
}

void BrowserChromeView::buildToolbar() {
  m_toolbar = new QWidget(this);
  auto* row = new QHBoxLayout(m_toolbar);
  row->setContentsMargins(10, 0, 10, 0);
  row->setSpacing(5);
  const auto add = [row](QWidget* widget) { row->addWidget(widget, 0, Qt::AlignVCenter); };

  m_back = iconButton(QStringLiteral("arrow.left"), QStringLiteral("Geri · ") + keys(Qt::CTRL | Qt::Key_BracketLeft),
                      m_toolbar);
  connect(m_back, &QAbstractButton::clicked, &m_model, &BrowserModel::back);
  add(m_back);
  m_forward = iconButton(QStringLiteral("arrow.right"),
                         QStringLiteral("İleri · ") + keys(Qt::CTRL | Qt::Key_BracketRight), m_toolbar);
  connect(m_forward, &QAbstractButton::clicked, &m_model, &BrowserModel::forward);
  add(m_forward);
  m_reload = iconButton(QStringLiteral("arrow.clockwise"), QString(), m_toolbar);
  // The slot acts by what it shows, which follows every change of the tab.
  connect(m_reload, &QAbstractButton::clicked, this, [this] {
    if (m_showsStop) m_model.stopLoading();
    else m_model.reload();
  });
  add(m_reload);

  auto* fieldSlot = new QWidget(m_toolbar);
  auto* fieldRow = new QHBoxLayout(fieldSlot);
  fieldRow->setContentsMargins(5, 0, 5, 0);
  m_address = new AddressField(m_model, m_theme, fieldSlot);
  fieldRow->addWidget(m_address);
  row->addWidget(fieldSlot, 1, Qt::AlignVCenter);

  m_home = iconButton(QStringLiteral("house"), QStringLiteral("Yeni sekme sayfası"), m_toolbar);
  connect(m_home, &QAbstractButton::clicked, this, [this] { m_model.navigate(BuiltinPages::kHome); });
  add(m_home);
  m_downloads = iconButton(QStringLiteral("arrow.down.circle"),
                           QStringLiteral("İndirmeler · ") + keys(Qt::CTRL | Qt::Key_J), m_toolbar);
  connect(m_downloads, &QAbstractButton::clicked, this,
          [this] { m_model.navigate(BuiltinPages::kDownloads); });
  add(m_downloads);
  m_settings = iconButton(QStringLiteral("slider.horizontal.3"), QStringLiteral("Ayarlar"), m_toolbar);
  connect(m_settings, &QAbstractButton::clicked, &m_model, &BrowserModel::openSettings);
  add(m_settings);
  m_mainMenu = menuButton(BrowserMenu::Main, QStringLiteral("ellipsis"), QStringLiteral("Kivo menüsü"), m_toolbar);
  add(m_mainMenu.button);
}

void BrowserChromeView::layoutTabRow() {
  const int w = width();
  const bool fullScreen = m_windowState.isFullScreen();
  const int leading = leadingWidth(fullScreen);
  const int strip = int(std::round(stripWidth(w, fullScreen, m_model.tabs().size())));
  const int buttonTop = (kTabRowHeight - kButtonSide) / 2 + kRowButtonDrop;
  m_leadingDrag->setGeometry(0, 0, leading, kTabRowHeight);
  m_strip->setGeometry(leading, 0, strip, kTabRowHeight);
  const int newTabLeft = leading + strip + kNewTabPadding;
  m_newTab->setGeometry(newTabLeft, buttonTop, kButtonSide, kButtonSide);
  const int trailingLeft = newTabLeft + kButtonSide + kNewTabPadding;
  // The tabs menu keeps to the right edge; when the row overflows (the strip
  // never goes below its minimum) it follows the new-tab button instead.
  const int menuLeft = std::max(w - kTabsMenuPadding - kButtonSide, trailingLeft);
  m_trailingDrag->setGeometry(trailingLeft, 0, menuLeft - trailingLeft, kTabRowHeight);
  m_tabsMenu.button->setGeometry(menuLeft, buttonTop, kButtonSide, kButtonSide);
  m_toolbar->setGeometry(0, kTabRowHeight, w, kToolbarHeight);
}

void BrowserChromeView::refreshTab() {
  m_back->setEnabled(m_model.canGoBack());
  m_forward->setEnabled(m_model.canGoForward());
  const qsizetype index = m_model.selectedIndex();
  const bool loading = index < m_model.tabs().size() && m_model.tabs().at(index).content.is(PageContent::Kind::Loading);
  if (loading == m_showsStop && !m_reload->toolTip().isEmpty()) return;
  m_showsStop = loading;
  const QString title = loading ? QStringLiteral("Yüklemeyi durdur")
                                : QStringLiteral("Yenile · ") + keys(Qt::CTRL | Qt::Key_R) +
                                      QStringLiteral(" / Önbelleksiz · ") + keys(Qt::CTRL | Qt::SHIFT | Qt::Key_R);
  m_reload->setPageSymbol(loading ? QStringLiteral("xmark") : QStringLiteral("arrow.clockwise"), kSymbolPoints);
  m_reload->setToolTip(title);
  m_reload->setAccessibleName(title);
}

void BrowserChromeView::refreshMenus() {
  const std::optional<BrowserMenu> open = m_model.openMenu();
  for (const auto& [kind, control] : {std::pair{BrowserMenu::Tabs, m_tabsMenu}, std::pair{BrowserMenu::Main, m_mainMenu}}) {
    const bool presented = open == kind;
    // When the other menu takes this one's place, the window must not be
    // reactivated on the way: that would close the new popup.
    if (control.popup->isPresented() != presented) control.popup->setPresented(presented, !open.has_value());
    control.button->update();
  }
}

void BrowserChromeView::refreshWindow() {
  BrowserWindow* window = m_windowState.browserWindow;
  m_leadingDrag->setBrowserWindow(window);
  m_trailingDrag->setBrowserWindow(window);
}

void BrowserChromeView::toggleMenu(BrowserMenu kind) {
  if (m_model.openMenu() == kind) m_model.setOpenMenu(std::nullopt);
  else m_model.setOpenMenu(kind);
}

void BrowserChromeView::answerFocusAddress() {
  // A chrome that is not on screen (the window's own while its full-screen
  // chrome stands in) leaves the request to the one that is.
  if (!isVisible()) return;
  m_address->focusAndSelectAll();
}

void BrowserChromeView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const PaletteColors& colors = Palette::colors(m_theme.get());
  painter.fillRect(rect(), colors.background);
  painter.fillRect(QRect(0, 0, width(), kTabRowHeight), colors.chrome);
  painter.fillRect(QRect(0, kTabRowHeight, width(), kToolbarHeight), colors.surface);
  painter.fillRect(QRect(0, kTabRowHeight + kToolbarHeight, width(), 1), colors.line);
}

void BrowserChromeView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutTabRow();
}

void BrowserChromeView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The window controller sets the window after the chrome is made.
  refreshWindow();
  // A popup asked for while this chrome was hidden shows now.
  for (const MenuControl& control : {m_tabsMenu, m_mainMenu}) {
    if (control.popup->isPresented() && !control.popup->isOpen()) control.popup->setPresented(true);
  }
}
