#include "kit/kivo_color_picker.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

#include "kit/kit_test_support.h"
#include "kit/kivo_panel.h"
#include "kit/kivo_popup.h"

namespace {

TEST(KivoColorEditor, ValidCodesAreSixAsciiHexDigits) {
  const std::vector<std::pair<QString, bool>> cases = {
      {QStringLiteral("6658d3"), true},   {QStringLiteral("00FF7F"), true}, {QStringLiteral("#6658d3"), false},
      {QStringLiteral("6658dg"), false},  {QStringLiteral("6658d"), false}, {QStringLiteral("+12345"), false},
      {QStringLiteral("６６５８ｄ３"), false}, {QString(), false},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(KivoColorEditor::valid(text), expected) << text.toStdString();
}

TEST(KivoColorEditor, ChannelsFormatHalvesAwayFromZero) {
  EXPECT_EQ(KivoColorEditor::hexOf({0.5, 88 / 255.0, 211 / 255.0}), QStringLiteral("8058D3"));
  EXPECT_EQ(KivoColorEditor::hexOf({1, 0, 1}), QStringLiteral("FF00FF"));
}

class KivoColorPickerTest : public testing::Test {
protected:
  void SetUp() override {
    Motion::setReduceMotionOverride(true);
    preferences = KitTest::preferences(QStringLiteral("kit-picker-test"));
    window = KitTest::window();
    picker = new KivoColorPicker(PreferencesTheme::of(preferences), window.get());
    picker->move(600, 80);
    picker->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    Motion::setReduceMotionOverride(std::nullopt);
    preferences->storage()->removeAll();
  }
  KivoColorEditor* open() {
    // As a real display does it: the window active again before the click,
    // and the editor's panel active before the keys.
    EXPECT_TRUE(KitTest::waitUntilActive(window.get()));
    QTest::mouseClick(picker, Qt::LeftButton);
    QApplication::processEvents();
    if (KivoPanel* panel = picker->popup()->panel()) {
      EXPECT_TRUE(KitTest::waitUntilActive(panel));
    }
    return picker->editor();
  }

  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<QWidget> window;
  KivoColorPicker* picker = nullptr;
};

TEST_F(KivoColorPickerTest, OpensOnTheStoredAccent) {
  EXPECT_EQ(picker->toolTip(), QStringLiteral("Özel vurgu rengi"));
  EXPECT_EQ(picker->size(), QSize(34, 34));
  KivoColorEditor* editor = open();
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->hex(), QStringLiteral("6658D3"));
  EXPECT_EQ(editor->window()->focusWidget(), editor->field());
  EXPECT_DOUBLE_EQ(editor->channels()[0], 102 / 255.0);
  EXPECT_DOUBLE_EQ(editor->channels()[1], 88 / 255.0);
  EXPECT_DOUBLE_EQ(editor->channels()[2], 211 / 255.0);
  EXPECT_EQ(editor->previewColor(), QColor(0x66, 0x58, 0xD3));
  EXPECT_EQ(editor->hint(), QStringLiteral("Renkler anında önizlenir ve bu bilgisayarda saklanır."));
  EXPECT_EQ(editor->width(), KivoColorEditor::kWidth);
}

TEST_F(KivoColorPickerTest, AnIncompleteCodeDisablesApplyAndReturnDoesNothing) {
  KivoColorEditor* editor = open();
  ASSERT_TRUE(editor);
  QTest::keyClick(editor->field(), Qt::Key_Backspace);
  EXPECT_EQ(editor->hint(), QStringLiteral("6 haneli bir HEX kodu gir: 6658D3"));
  EXPECT_FALSE(editor->applyButton()->isEnabled());
  QTest::keyClick(editor->field(), Qt::Key_Return);
  EXPECT_EQ(preferences->accentHex(), QStringLiteral("6658d3"));
  EXPECT_EQ(editor->previewColor(), QColor(0x66, 0x58, 0xD3));
  EXPECT_TRUE(picker->isOpen());
}

TEST_F(KivoColorPickerTest, TypedCodesApplyOnReturnOrUygulaInLowerCase) {
  KivoColorEditor* editor = open();
  ASSERT_TRUE(editor);
  editor->field()->clear();
  QTest::keyClicks(editor->field(), QStringLiteral("00ff7f"));
  QTest::keyClick(editor->field(), Qt::Key_Return);
  EXPECT_EQ(preferences->accentHex(), QStringLiteral("00ff7f"));
  EXPECT_EQ(editor->hex(), QStringLiteral("00ff7f"));
  EXPECT_DOUBLE_EQ(editor->channels()[1], 1.0);
  EXPECT_DOUBLE_EQ(editor->channels()[2], 127 / 255.0);
  EXPECT_TRUE(picker->isOpen());
  editor->field()->setText(QStringLiteral("25846A"));
  QTest::mouseClick(editor->applyButton(), Qt::LeftButton);
  EXPECT_EQ(preferences->accentHex(), QStringLiteral("25846a"));
  EXPECT_EQ(preferences->storage()->text(QStringLiteral("kivo.accent")), QStringLiteral("25846a"));
}

TEST_F(KivoColorPickerTest, EverySliderStepStoresTheAccent) {
  KivoColorEditor* editor = open();
  ASSERT_TRUE(editor);
  int writes = 0;
  QObject::connect(preferences.get(), &BrowserPreferences::accentHexChanged, [&] { ++writes; });
  editor->setChannel(0, 0.5);
  EXPECT_EQ(editor->hex(), QStringLiteral("8058D3"));
  EXPECT_EQ(preferences->accentHex(), QStringLiteral("8058d3"));
  // A drag across the red slider reports every step.
  ChannelSlider* red = editor->slider(0);
  QTest::mousePress(red, Qt::LeftButton, {}, QPoint(red->height() / 2, red->height() / 2));
  QMouseEvent move(QEvent::MouseMove, QPointF(red->width() - red->height() / 2, red->height() / 2),
                   red->mapToGlobal(QPointF(red->width() - red->height() / 2, red->height() / 2)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(red, &move);
  EXPECT_EQ(writes, 3);
  EXPECT_EQ(preferences->accentHex(), QStringLiteral("ff58d3"));
}

TEST_F(KivoColorPickerTest, CloseButtonAndEscapeKeepTheAccent) {
  KivoColorEditor* editor = open();
  ASSERT_TRUE(editor);
  editor->setChannel(2, 0);
  QTest::mouseClick(editor->closeButton(), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_FALSE(picker->popup()->isOpen());
  EXPECT_EQ(preferences->accentHex(), QStringLiteral("665800"));
  editor = open();
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->hex(), QStringLiteral("665800"));
  QTest::keyClick(editor->field(), Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_FALSE(picker->popup()->isOpen());
}

TEST_F(KivoColorPickerTest, AStoredPlusSignCodeOpensAsInvalid) {
  preferences->setAccentHex(QStringLiteral("+12345"));
  KivoColorEditor* editor = open();
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->hex(), QStringLiteral("+12345"));
  EXPECT_DOUBLE_EQ(editor->channels()[0], 1 / 255.0);
  EXPECT_DOUBLE_EQ(editor->channels()[1], 35 / 255.0);
  EXPECT_DOUBLE_EQ(editor->channels()[2], 69 / 255.0);
  EXPECT_FALSE(editor->applyButton()->isEnabled());
}

}  // namespace
