#include "chrome/browser_view.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "chrome/browser_chrome_view.h"
#include "frame/browser_window_state.h"
#include "document/document_canvas.h"
#include "pages/page_states.h"
#include "document/scene_view.h"
#include "pages/search_view.h"
#include "kit/kit_fonts.h"
#include "kit/kit_symbols.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "model/builtin_pages.h"
#include "pages/developer_tools_view.h"
#include "pages/downloads_view.h"
#include "pages/history_view.h"
#include "pages/home_view.h"
#include "pages/page_widgets.h"
#include "pages/settings_view.h"
#include "profile/browsing_profile.h"
#include "profile/download_store.h"

static_assert(BrowserView::kDeveloperToolsHeight == DeveloperToolsView::kPanelHeight);

namespace {

constexpr double kBannerPoints = 11;
constexpr int kBannerSymbolPoints = 12;
constexpr int kBannerSymbolGap = 5;
constexpr int kBannerTextFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

constexpr int kNoticeHorizontalPadding = 18;
constexpr int kNoticeVerticalPadding = 12;
constexpr int kNoticeTextFlags = Qt::AlignCenter | Qt::TextWordWrap;
// The opacity of the notice's fill, the stand-in for the platform's
// translucent material.
constexpr double kNoticeFillOpacity = 0.94;

}  // namespace

// ---------------------------------------------------------------------------
// Banner

RootBanner::RootBanner(const QString& text, const QString& symbol, Tone tone, int padding, Fill fill,
                       std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QWidget(parent),
      m_text(text),
      m_symbol(symbol),
      m_tone(tone),
      m_padding(padding),
      m_fill(std::move(fill)),
      m_theme(std::move(theme)),
      m_font(KitFonts::system(kBannerPoints)) {
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  setAccessibleName(text);
  connect(m_theme.get(), &KitTheme::schemeChanged, this, qOverload<>(&QWidget::update));
}

QColor RootBanner::fillColor() const { return m_fill(Palette::scheme(m_theme.get())); }

QRect RootBanner::textBounds(int width) const {
  const int symbol = m_symbol.isEmpty() ? 0 : kBannerSymbolPoints + kBannerSymbolGap;
  const int available = std::max(width - 2 * m_padding - symbol, 1);
  return QFontMetrics(m_font).boundingRect(QRect(0, 0, available, 1 << 20), kBannerTextFlags, m_text);
}

int RootBanner::heightForWidth(int width) const {
  const int symbol = m_symbol.isEmpty() ? 0 : kBannerSymbolPoints;
  return std::max(textBounds(width).height(), symbol) + 2 * m_padding;
}

QSize RootBanner::sizeHint() const {
  const int symbol = m_symbol.isEmpty() ? 0 : kBannerSymbolPoints + kBannerSymbolGap;
  const int width = QFontMetrics(m_font).horizontalAdvance(m_text) + 1 + symbol + 2 * m_padding;
  return QSize(width, heightForWidth(width));
}

QSize RootBanner::minimumSizeHint() const { return QSize(2 * m_padding, sizeHint().height()); }

void RootBanner::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(rect(), fillColor());
  const PaletteColors& colors = Palette::colors(m_theme.get());
  const QColor ink = m_tone == Tone::Ink ? colors.ink : colors.muted;
  const QRect text = textBounds(width());
  const int symbol = m_symbol.isEmpty() ? 0 : kBannerSymbolPoints + kBannerSymbolGap;
  // The symbol and the text are centred together.
  const int left = (width() - symbol - text.width()) / 2;
  if (!m_symbol.isEmpty()) {
    const double lineMiddle = m_padding + QFontMetrics(m_font).height() / 2.0;
    KitSymbols::paint(painter, m_symbol,
                      QRectF(left, lineMiddle - kBannerSymbolPoints / 2.0, kBannerSymbolPoints, kBannerSymbolPoints),
                      ink);
  }
  painter.setFont(m_font);
  painter.setPen(ink);
  painter.drawText(QRect(left + symbol, m_padding, text.width() + 1, text.height()), kBannerTextFlags, m_text);
}

// ---------------------------------------------------------------------------
// Notice

NoticeBubble::NoticeBubble(std::shared_ptr<KitTheme> theme, QWidget* parent)
    : QWidget(parent), m_theme(std::move(theme)), m_font(KitFonts::system(12, QFont::Medium)) {
  // Controls under the notice stay usable.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  connect(m_theme.get(), &KitTheme::schemeChanged, this, qOverload<>(&QWidget::update));
}

void NoticeBubble::setText(const QString& text) {
  m_text = text;
  setAccessibleName(text);
  update();
}

QSize NoticeBubble::sizeFor(int available) const {
  // The capsule keeps the lift's distance from the sides too.
  const int maximumText = std::max(available - 2 * BrowserView::kNoticeLift - 2 * kNoticeHorizontalPadding, 40);
  const QRect text =
      QFontMetrics(m_font).boundingRect(QRect(0, 0, maximumText, 1 << 20), kNoticeTextFlags, m_text);
  return QSize(text.width() + 1 + 2 * kNoticeHorizontalPadding, text.height() + 2 * kNoticeVerticalPadding);
}

void NoticeBubble::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const PaletteColors& colors = Palette::colors(m_theme.get());
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const double radius = std::min(frame.height(), frame.width()) / 2;
  QPainterPath capsule;
  capsule.addRoundedRect(frame, radius, radius);
  painter.fillPath(capsule, Palette::withOpacity(colors.surface, kNoticeFillOpacity));
  painter.strokePath(capsule, QPen(colors.line, 1));
  painter.setFont(m_font);
  painter.setPen(colors.ink);
  painter.drawText(rect().adjusted(kNoticeHorizontalPadding, kNoticeVerticalPadding, -kNoticeHorizontalPadding,
                                   -kNoticeVerticalPadding),
                   kNoticeTextFlags, m_text);
}

// ---------------------------------------------------------------------------
// Root view

QString BrowserView::privateBannerText() {
  return QStringLiteral(
      "Gizli pencere · Geçmiş kaydedilmez. Siteler ve ağ sağlayıcın seni görebilir; indirdiğin dosyalar kalır.");
}

QString BrowserView::webPreviewText() {
  return QStringLiteral(
      "Web önizlemesi · Temel Flexbox/Grid ve görseller. JavaScript, formlar ve tam web uyumluluğu henüz yok.");
}

QString BrowserView::warningsText() {
  return QStringLiteral("Bu sayfanın bazı özellikleri henüz desteklenmiyor; ayrıntılar Console bölümünde.");
}

QColor BrowserView::systemPurple(ColorScheme scheme) {
  return scheme == ColorScheme::Dark ? QColor(191, 90, 242) : QColor(175, 82, 222);
}

QColor BrowserView::systemYellow(ColorScheme scheme) {
  return scheme == ColorScheme::Dark ? QColor(255, 214, 10) : QColor(255, 204, 0);
}

SceneInputs BrowserView::sceneInputs(BrowserModel& model, const BrowserTab& tab) {
  SceneInputs inputs;
  if (const PageDocument* document = tab.content.documentValue()) inputs.document = *document;
  inputs.address = tab.address();
  inputs.fragment = model.fragment();
  inputs.pagePosition = tab.pagePosition();
  const QPointer<BrowserModel> weakModel(&model);
  inputs.onLink = [weakModel](const QString& href) {
    if (weakModel) weakModel->followLink(href);
  };
  // The page shows the inspected node only while the tools are open.
  if (model.devToolsVisible()) {
    if (const std::optional<InspectedNode> node = model.inspectedNode()) {
      inputs.highlightedBounds = node->bounds;
      inputs.highlightedNodeID = node->id;
    }
  }
  return inputs;
}

BrowserView::BrowserView(BrowserModel& model, BrowserWindowState& windowState, TabTearOff* tearOff,
                         QWidget* parent)
    : QWidget(parent),
      m_model(&model),
      m_windowState(&windowState),
      m_tearOff(tearOff),
      m_theme(PreferencesTheme::of(model.preferences())) {
  // The column fills the view; the notice, made after it, floats above.
  m_column = new QWidget(this);
  m_columnLayout = new QVBoxLayout(m_column);
  m_columnLayout->setContentsMargins(0, 0, 0, 0);
  m_columnLayout->setSpacing(0);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addWidget(m_column);

  if (model.isPrivate()) {
    m_privateBanner = new RootBanner(
        privateBannerText(), QStringLiteral("eye.slash.fill"), RootBanner::Tone::Ink, 9,
        [](ColorScheme scheme) { return Palette::withOpacity(systemPurple(scheme), 0.12); }, m_theme);
    m_columnLayout->addWidget(m_privateBanner);
  }
  m_pageArea = new QWidget(m_column);
  m_pageLayout = new QVBoxLayout(m_pageArea);
  m_pageLayout->setContentsMargins(0, 0, 0, 0);
  m_pageLayout->setSpacing(0);
  m_pageArea->installEventFilter(this);
  m_columnLayout->addWidget(m_pageArea, 1);

  m_notice = new NoticeBubble(m_theme, this);
  m_notice->hide();

  connect(&model, &BrowserModel::tabsChanged, this, &BrowserView::scheduleRefresh);
  connect(&model, &BrowserModel::selectedIDChanged, this, &BrowserView::noteSelection);
  connect(&model, &BrowserModel::selectedIDChanged, this, &BrowserView::scheduleRefresh);
  connect(&model, &BrowserModel::devToolsVisibleChanged, this, &BrowserView::scheduleRefresh);
  connect(&model, &BrowserModel::noticeChanged, this, &BrowserView::refreshNotice);
  connect(&windowState, &BrowserWindowState::fullScreenChanged, this, &BrowserView::scheduleRefresh);
  connect(m_theme.get(), &KitTheme::schemeChanged, this, [this] { PageLayout::repaintTree(this); });
  connect(m_theme.get(), &KitTheme::accentChanged, this, [this] { PageLayout::repaintTree(this); });

  refresh();
  refreshNotice();
}

BrowserView::~BrowserView() = default;

void BrowserView::scheduleRefresh() {
  if (m_refreshPending) return;
  m_refreshPending = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (m_refreshPending) refresh();
      },
      Qt::QueuedConnection);
}

void BrowserView::refresh() {
  m_refreshPending = false;
  if (!m_model) return;
  // A new tab takes the keyboard unless it was put somewhere else since
  // the tab opened (a shortcut that focuses the address field, a click).
  bool focusNewTab = false;
  if (m_newTabFocus) {
    focusNewTab = !m_knownTabs.contains(m_model->selectedID()) && m_newTabFocus->data() == typingFocus();
    m_newTabFocus.reset();
  }
  m_knownTabs.clear();
  for (const BrowserTab& tab : m_model->tabs()) m_knownTabs.insert(tab.id());
  refreshChrome();
  refreshPage();
  refreshDeveloperTools();
  if (focusNewTab || !typingFocus()) focusPage();
}

void BrowserView::noteSelection() {
  if (!m_model || m_newTabFocus || m_knownTabs.contains(m_model->selectedID())) return;
  m_newTabFocus = QPointer<QWidget>(typingFocus());
}

QWidget* BrowserView::typingFocus() const {
  QWidget* focus = window()->focusWidget();
  if (!focus || focus == window() || !focus->isVisible()) return nullptr;
  return focus;
}

bool BrowserView::holdsFocus(const QWidget* widget) const {
  const QWidget* focus = window()->focusWidget();
  return focus && (focus == widget || widget->isAncestorOf(focus));
}

QWidget* BrowserView::pageFocusTarget() const {
  if (!m_page) return nullptr;
  if (auto* home = qobject_cast<HomeView*>(m_page.data())) return home->searchField();
  if (m_scene && m_scene->canvas()) return m_scene->canvas();
  return m_page;
}

void BrowserView::focusPage() {
  QWidget* target = pageFocusTarget();
  if (!target) return;
  target->setFocus(Qt::OtherFocusReason);
  // Typing replaces the search text left from before; the text stays.
  if (auto* field = qobject_cast<QLineEdit*>(target)) field->selectAll();
}

void BrowserView::refreshChrome() {
  if (!m_windowState) return;
  const bool wanted = !m_windowState->isFullScreen();
  if (wanted && !m_chrome) {
    m_chrome = new BrowserChromeView(*m_model, *m_windowState, m_tearOff);
    m_columnLayout->insertWidget(0, m_chrome);
    m_chrome->show();
  } else if (!wanted && m_chrome) {
    retire(m_chrome);
    m_chrome = nullptr;
  }
}

void BrowserView::refreshDeveloperTools() {
  const bool wanted = m_model->devToolsVisible();
  if (wanted && !m_devTools) {
    m_devTools = new DeveloperToolsView(m_model.data());
    m_devTools->setFixedHeight(kDeveloperToolsHeight);
    m_columnLayout->addWidget(m_devTools);
    m_devTools->show();
  } else if (!wanted && m_devTools) {
    retire(m_devTools);
    m_devTools = nullptr;
  }
}

void BrowserView::refreshNotice() {
  if (!m_model) return;
  const std::optional<QString>& notice = m_model->notice();
  if (!notice) {
    m_notice->hide();
    return;
  }
  m_notice->setText(*notice);
  placeNotice();
  m_notice->show();
  m_notice->raise();
}

void BrowserView::placeNotice() {
  const QSize size = m_notice->sizeFor(width());
  m_notice->setGeometry((width() - size.width()) / 2, height() - kNoticeLift - size.height(), size.width(),
                        size.height());
}

void BrowserView::refreshPage() {
  const BrowserTab tab = m_model->current();
  const PageContent::Kind kind = tab.content.kind();
  // The search page belongs to one navigation of its tab.
  const bool rebuild =
      !m_page || m_pageKind != kind || (kind == PageContent::Kind::Search && tab.generation != m_pageGeneration);
  if (rebuild) {
    replacePage(tab);
  } else {
    updatePage(tab);
  }
}

void BrowserView::replacePage(const BrowserTab& tab) {
  // The old page goes once the new one is on show, so that the keyboard,
  // when the old page holds it, passes straight to the new one.
  const QPointer<QWidget> old = m_page;
  m_page = nullptr;
  m_scene = nullptr;
  m_webBanner = nullptr;
  m_warningsBanner = nullptr;
  m_reportedWidth.reset();

  BrowserModel& model = *m_model;
  const std::shared_ptr<BrowserPreferences>& preferences = model.preferences();
  const QPointer<BrowserModel> weakModel(&model);
  QWidget* page = nullptr;
  switch (tab.content.kind()) {
    case PageContent::Kind::Download: {
      auto* offer = new DownloadOfferPage(preferences);
      connect(offer->downloadButton(), &QPushButton::clicked, offer, [weakModel, offer] {
        if (!weakModel) return;
        WindowServices* window = weakModel->browserWindow();
        weakModel->profile()->downloads().chooseDestination(offer->address(), offer->suggestedFilename(),
                                                            window ? window->dialogParent() : nullptr);
      });
      connect(offer->showDownloadsButton(), &QPushButton::clicked, offer, [weakModel] {
        if (weakModel) weakModel->navigate(BuiltinPages::kDownloads);
      });
      page = offer;
      break;
    }
    case PageContent::Kind::Document:
      page = buildDocumentColumn();
      break;
    case PageContent::Kind::Search:
      page = new SearchView(tab.content.searchQuery() ? *tab.content.searchQuery() : QString(), model);
      m_pageGeneration = tab.generation;
      break;
    case PageContent::Kind::Message: {
      auto* message = new MessagePage(preferences);
      connect(message->homeButton(), &QPushButton::clicked, message, [weakModel] {
        if (weakModel) weakModel->navigate(BuiltinPages::kHome);
      });
      page = message;
      break;
    }
    case PageContent::Kind::Home:
      page = new HomeView(model);
      break;
    case PageContent::Kind::Settings:
      page = new SettingsView(model);
      break;
    case PageContent::Kind::History:
      page = new HistoryView(model, model.profile()->history());
      break;
    case PageContent::Kind::Downloads:
      page = new DownloadsView(model.profile()->downloads(), model.isPrivate(), preferences);
      break;
    case PageContent::Kind::Loading:
      page = new LoadingPage(preferences);
      break;
  }
  m_page = page;
  m_pageKind = tab.content.kind();
  m_pageLayout->addWidget(page);
  // Shown now rather than at the layout's next turn, so the page has its
  // place before it is filled and its width is known.
  page->show();
  if (old) retire(old);
  updatePage(tab);
  reportViewportWidth();
}

void BrowserView::updatePage(const BrowserTab& tab) {
  switch (tab.content.kind()) {
    case PageContent::Kind::Download:
      if (auto* offer = qobject_cast<DownloadOfferPage*>(m_page.data())) {
        offer->setOffer(tab.content.downloadValue()->url, tab.content.downloadValue()->suggestedFilename);
      }
      break;
    case PageContent::Kind::Document:
      updateDocumentColumn(tab);
      break;
    case PageContent::Kind::Search:
      // A changed query within the same navigation is shown in place.
      if (auto* search = qobject_cast<SearchView*>(m_page.data())) search->setQuery(*tab.content.searchQuery());
      break;
    case PageContent::Kind::Message:
      if (auto* message = qobject_cast<MessagePage*>(m_page.data())) {
        message->setMessage(tab.content.messageValue()->title, tab.content.messageValue()->detail);
      }
      break;
    case PageContent::Kind::Home:
    case PageContent::Kind::Settings:
    case PageContent::Kind::History:
    case PageContent::Kind::Downloads:
    case PageContent::Kind::Loading:
      // These pages follow the model and their stores themselves.
      break;
  }
}

QWidget* BrowserView::buildDocumentColumn() {
  auto* column = new QWidget;
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_webBanner = new RootBanner(
      webPreviewText(), {}, RootBanner::Tone::Muted, 6,
      [](ColorScheme scheme) { return Palette::colors(scheme).chrome; }, m_theme);
  layout->addWidget(m_webBanner);
  m_warningsBanner = new RootBanner(
      warningsText(), {}, RootBanner::Tone::Muted, 6,
      [](ColorScheme scheme) { return Palette::withOpacity(systemYellow(scheme), 0.1); }, m_theme);
  layout->addWidget(m_warningsBanner);
  m_scene = new SceneView;
  layout->addWidget(m_scene, 1);
  return column;
}

void BrowserView::updateDocumentColumn(const BrowserTab& tab) {
  const PageDocument* document = tab.content.documentValue();
  if (!document || !m_scene) return;
  m_webBanner->setVisible(tab.networkResponse.has_value());
  m_warningsBanner->setVisible(!document->warnings.isEmpty());
  // The document view decides where to scroll from its visible size, so the
  // column is laid out before it is filled.
  m_pageLayout->activate();
  if (QLayout* column = m_page->layout()) column->activate();

  m_scene->apply(sceneInputs(*m_model, tab));
}

void BrowserView::reportViewportWidth() {
  if (!m_model || m_pageKind != PageContent::Kind::Document || !m_page || !m_pageArea->isVisible()) return;
  const int width = m_pageArea->width();
  if (m_reportedWidth == width) return;
  m_reportedWidth = width;
  m_model->setViewportWidth(width);
}

void BrowserView::retire(QWidget* widget) {
  if (holdsFocus(widget)) focusPage();
  widget->hide();
  if (QWidget* parent = widget->parentWidget(); parent && parent->layout()) parent->layout()->removeWidget(widget);
  widget->deleteLater();
}

bool BrowserView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_pageArea && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
    reportViewportWidth();
  }
  return QWidget::eventFilter(watched, event);
}

void BrowserView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Palette::colors(m_theme.get()).background);
}

void BrowserView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Taken before the window is activated, which would otherwise hand the
  // keyboard to the first widget of the focus chain.
  if (!typingFocus()) focusPage();
}

void BrowserView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!m_notice->isHidden()) placeNotice();
}
