#include "chrome/tab_strip.h"

#include <QResizeEvent>

#include "chrome/native_tab_strip.h"
#include "kit/kit_theme.h"
#include "kit/motion.h"
#include "kit/palette.h"
#include "kit/preferences_theme.h"
#include "model/browser_model.h"
#include "model/builtin_pages.h"
#include "pages/page_widgets.h"

BrowserTabStrip::BrowserTabStrip(BrowserModel& model, TabTearOff* tearOff, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_tearOff(tearOff),
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
  // go to the tear-off while it takes tabs when they arrive.
  BrowserModel* model = &m_model;
  connect(m_strip, &NativeTabStrip::onSelect, model, &BrowserModel::select);
  connect(m_strip, &NativeTabStrip::onClose, model, qOverload<const QUuid&>(&BrowserModel::close));
  connect(m_strip, &NativeTabStrip::onMove, model, &BrowserModel::moveTab);
  connect(m_strip, &NativeTabStrip::onRestoreOrder, model, &BrowserModel::restoreTabOrder);
  connect(m_strip, &NativeTabStrip::onExternalDrag, this, [this](const QUuid& id, QPoint point) {
    if (TabTearOff* tearOff = openTearOff()) tearOff->updateDragPreview(id, point);
  });
  connect(m_strip, &NativeTabStrip::onExternalDrop, this, [this](const QUuid& id, QPoint point) {
    TabTearOff* tearOff = openTearOff();
    return tearOff && tearOff->dropTab(id, point);
  });
  connect(m_strip, &NativeTabStrip::onExternalCancel, this, [this] {
    if (TabTearOff* tearOff = openTearOff()) tearOff->cancelDragPreview();
  });
}

TabTearOff* BrowserTabStrip::openTearOff() const {
  return m_tearOff && m_tearOff->canTearOff() ? m_tearOff : nullptr;
}

void BrowserTabStrip::sync() {
  // While the tear-off refuses, a tab never leaves the strip.
  m_strip->setTearOffEnabled(openTearOff() != nullptr);
  QList<TabPresentation> presentations;
  presentations.reserve(m_model.tabs().size());
  for (const BrowserTab& tab : m_model.tabs())
    presentations.append({tab.id(), tab.title, tab.address() == BuiltinPages::kSettings});
  m_strip->update(presentations, m_model.selectedID(), Palette::accent(m_theme.get()),
                  Motion::reduceMotion(m_theme.get()));
}
