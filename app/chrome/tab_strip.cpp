#include "chrome/tab_strip.h"

#include <QPointer>
#include <QResizeEvent>

#include "chrome/native_tab_strip.h"
#include "kit/kit_theme.h"
#include "kit/motion.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "model/window_services.h"
#include "pages/page_widgets.h"

namespace {

const QString& settingsAddress() {
  static const QString address = QStringLiteral("kivo://settings");
  return address;
}

}  // namespace

BrowserTabStrip::BrowserTabStrip(BrowserModel& model, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_theme(PreferencesTheme::of(model.preferences())),
      m_strip(new NativeTabStrip(this)) {
  m_strip->setTheme(m_theme);
  m_strip->setGeometry(rect());
  connect(&m_model, &BrowserModel::tabsChanged, this, &BrowserTabStrip::sync);
  connect(&m_model, &BrowserModel::selectedIDChanged, this, &BrowserTabStrip::sync);
  if (m_theme) {
    connect(m_theme.get(), &KitTheme::schemeChanged, this, [this] { PageLayout::repaintTree(this); });
    connect(m_theme.get(), &KitTheme::accentChanged, this, &BrowserTabStrip::sync);
  }
  sync();
}

BrowserTabStrip::~BrowserTabStrip() = default;

void BrowserTabStrip::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_strip->setGeometry(rect());
}

void BrowserTabStrip::sync() {
  BrowserModel* model = &m_model;
  m_strip->onSelect = [model](const QUuid& id) { model->select(id); };
  m_strip->onClose = [model](const QUuid& id) { model->close(id); };
  m_strip->onMove = [model](const QUuid& id, int index) { model->moveTab(id, index); };
  m_strip->onRestoreOrder = [model](const QList<QUuid>& order) { model->restoreTabOrder(order); };

  // The tear-off callbacks hold the model weakly and ask its workspace as it
  // is when they run. Without a workspace now, a tab never leaves the strip.
  QPointer<BrowserModel> weak(model);
  if (model->workspace()) {
    m_strip->onExternalDrag = [weak](const QUuid& id, QPoint point) {
      if (weak && weak->workspace()) weak->workspace()->updateDragPreview(id, *weak, point);
    };
  } else {
    m_strip->onExternalDrag = nullptr;
  }
  m_strip->onExternalDrop = [weak](const QUuid& id, QPoint point) {
    return weak && weak->workspace() && weak->workspace()->dropTab(id, *weak, point);
  };
  m_strip->onExternalCancel = [weak] {
    if (weak && weak->workspace()) weak->workspace()->cancelDragPreview();
  };

  QList<TabPresentation> presentations;
  presentations.reserve(m_model.tabs().size());
  for (const BrowserTab& tab : m_model.tabs())
    presentations.append({tab.id(), tab.title, tab.address() == settingsAddress()});
  m_strip->update(presentations, m_model.selectedID(), Palette::accent(m_theme.get()),
                  Motion::reduceMotion(m_theme.get()));
}
