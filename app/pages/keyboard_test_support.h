// Helpers of the pages' keyboard tests: the chain of widgets that Tab walks
// through on a shown page, and the controls on it that a pointer can use.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QList>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "kit/kit_test_support.h"
#include "kit/kivo_color_picker.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"
#include "kit/kivo_select.h"
#include "pages/elements_pane.h"
#include "pages/history_view.h"

namespace KeyboardTest {

// Shows `page` as an active window of `size`, with no widget focused.
inline void show(QWidget& page, QSize size = QSize(1200, 800)) {
  page.resize(size);
  page.show();
  page.activateWindow();
  EXPECT_TRUE(KitTest::waitUntilActive(&page));
  // A laid-out card posts the next layout request for its parent, so a few
  // rounds pass before every widget has its final geometry.
  for (int round = 0; round < 10; ++round) {
    QCoreApplication::sendPostedEvents();
    QApplication::processEvents();
  }
  if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
}

// The widgets that take the focus while Tab is pressed, starting from none,
// in order, until the focus comes back to the first of them (at most
// `limit` presses).
inline QList<QWidget*> tabChain(QWidget& page, int limit = 300) {
  QList<QWidget*> chain;
  QTest::keyClick(&page, Qt::Key_Tab);
  for (int step = 0; step < limit; ++step) {
    QWidget* focused = QApplication::focusWidget();
    if (!focused || (!chain.isEmpty() && focused == chain.first())) break;
    chain.append(focused);
    QTest::keyClick(focused, Qt::Key_Tab);
  }
  return chain;
}

// The controls of `page` that a pointer can use, as a person sees them: the
// shown, enabled buttons and text fields and the lists and trees the pages
// paint row by row.
inline QList<QWidget*> pointerControls(QWidget& page) {
  QList<QWidget*> controls;
  for (QWidget* widget : page.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&page) || !widget->isEnabled()) continue;
    if (widget->testAttribute(Qt::WA_TransparentForMouseEvents)) continue;
    const bool control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                         qobject_cast<HistoryList*>(widget) || qobject_cast<ElementsTree*>(widget);
    if (control) controls.append(widget);
  }
  return controls;
}

// Expects every control of `page` in the Tab chain `chain`.
inline void expectAllReached(QWidget& page, const QList<QWidget*>& chain) {
  for (QWidget* control : pointerControls(page)) {
    EXPECT_TRUE(chain.contains(control)) << control->metaObject()->className() << " \""
                                         << control->accessibleName().toStdString() << "\" "
                                         << (qobject_cast<QAbstractButton*>(control)
                                                 ? qobject_cast<QAbstractButton*>(control)->text().toStdString()
                                                 : std::string());
  }
}

// Focuses `control` from the keyboard, as Tab does.
inline void focus(QWidget* control) {
  // Only the active window's widgets take the focus; a popup closed just
  // before gives the activation back some loop turns later on a real display.
  ASSERT_TRUE(KitTest::waitUntilActive(control->window())) << control->metaObject()->className();
  control->setFocus(Qt::TabFocusReason);
  ASSERT_TRUE(control->hasFocus()) << control->metaObject()->className();
}

// Expects each plain button of `chain` to click on Return and on Space. The
// buttons' own actions are disconnected first, so that none of them changes
// the page under the walk; what they do is each page's own tests' concern.
// The select and the colour picker keep theirs: each opens its popup, which
// Escape closes again, giving the focus back.
inline void expectButtonsAct(const QList<QWidget*>& chain) {
  for (QWidget* widget : chain) {
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (!button) continue;
    KivoPopup* popup = nullptr;
    if (auto* select = qobject_cast<KivoSelect*>(button)) popup = select->popup();
    if (auto* picker = qobject_cast<KivoColorPicker*>(button)) popup = picker->popup();
    if (popup) {
      for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        focus(button);
        QTest::keyClick(button, key);
        QApplication::processEvents();
        EXPECT_TRUE(popup->isOpen()) << button->accessibleName().toStdString() << " key " << key;
        if (!popup->isOpen()) continue;
        EXPECT_TRUE(KitTest::waitUntilActive(popup->panel())) << button->accessibleName().toStdString();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_FALSE(popup->isOpen());
        EXPECT_TRUE(button->hasFocus()) << button->accessibleName().toStdString();
      }
      continue;
    }
    QObject::disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
    QObject::disconnect(button, &QAbstractButton::toggled, nullptr, nullptr);
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    focus(button);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 2) << button->metaObject()->className() << " \"" << button->text().toStdString()
                                 << "\" \"" << button->accessibleName().toStdString() << "\"";
  }
}

}  // namespace KeyboardTest
