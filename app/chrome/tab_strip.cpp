#include "chrome/tab_strip.h"

#include <QResizeEvent>

#include "chrome/native_tab_strip.h"
#include "kit/kit_theme.h"
#include "kit/motion.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "model/builtin_pages.h"
#include "model/window_services.h"
#include "pages/page_widgets.h"

BrowserTabStrip::BrowserTabStrip(BrowserModel& model, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_theme(PreferencesTheme::of(model.preferences())),
      m_strip(new NativeTabStrip(this)) {
  m_strip->setTheme(m_theme);
  m_strip->setGeometry(rect());
  wire();
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

void BrowserTabStrip::wire() {
  // The model's intents go to the model while it exists; the tear-off ones
  // go to its workspace as it is when they arrive.
  BrowserModel* model = &m_model;
  connect(m_strip, &NativeTabStrip::onSelect, model, &BrowserModel::select);
  connect(m_strip, &NativeTabStrip::onClose, model, qOverload<const QUuid&>(&BrowserModel::close));
  connect(m_strip, &NativeTabStrip::onMove, model, &BrowserModel::moveTab);
  connect(m_strip, &NativeTabStrip::onRestoreOrder, model, &BrowserModel::restoreTabOrder);
  connect(m_strip, &NativeTabStrip::onExternalDrag, model, [model](const QUuid& id, QPoint point) {
    if (WorkspaceServices* workspace = model->workspace()) workspace->updateDragPreview(id, *model, point);
  });
  connect(m_strip, &NativeTabStrip::onExternalDrop, model, [model](const QUuid& id, QPoint point) {
    WorkspaceServices* workspace = model->workspace();
    return workspace && workspace->dropTab(id, *model, point);
  });
  connect(m_strip, &NativeTabStrip::onExternalCancel, model, [model] {
    if (WorkspaceServices* workspace = model->workspace()) workspace->cancelDragPreview();
  });
}

void BrowserTabStrip::sync() {
  // Without a workspace now, a tab never leaves the strip.
  m_strip->setTearOffEnabled(m_model.workspace() != nullptr);
  QList<TabPresentation> presentations;
  presentations.reserve(m_model.tabs().size());
  for (const BrowserTab& tab : m_model.tabs())
    presentations.append({tab.id(), tab.title, tab.address() == BuiltinPages::kSettings});
  m_strip->update(presentations, m_model.selectedID(), Palette::accent(m_theme.get()),
                  Motion::reduceMotion(m_theme.get()));
}
