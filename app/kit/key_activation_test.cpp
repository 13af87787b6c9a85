#include "kit/key_activation.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

TEST(KeyActivationTest, ReturnAndEnterClickOnceWithoutModifiers) {
  struct Case {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    bool repeat;
    bool taken;
    int clicks;
  };
  const Case cases[] = {
      {"return", Qt::Key_Return, Qt::NoModifier, false, true, 1},
      {"enter", Qt::Key_Enter, Qt::NoModifier, false, true, 1},
      {"keypad enter", Qt::Key_Enter, Qt::KeypadModifier, false, true, 1},
      {"repeated return", Qt::Key_Return, Qt::NoModifier, true, true, 0},
      {"control return", Qt::Key_Return, Qt::ControlModifier, false, false, 0},
      {"shift enter", Qt::Key_Enter, Qt::ShiftModifier, false, false, 0},
      {"space", Qt::Key_Space, Qt::NoModifier, false, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QPushButton button;
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, QString(), c.repeat);
    event.ignore();
    EXPECT_EQ(KeyActivation::clickOnReturn(button, &event), c.taken);
    EXPECT_EQ(event.isAccepted(), c.taken);
    EXPECT_EQ(clicked.count(), c.clicks);
  }
}

}  // namespace
