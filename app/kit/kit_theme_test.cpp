#include "kit/kit_theme.h"

#include <QLineEdit>
#include <gtest/gtest.h>

#include <vector>

#include "kit/kit_fonts.h"
#include "kit/kit_label.h"
#include "kit/kivo_action_button.h"
#include "kit/kivo_button.h"
#include "kit/kivo_color_picker.h"
#include "kit/motion.h"
#include "kit/palette.h"

namespace {

// A theme kept in memory: the kit's controls must draw, animate and write
// the accent through whatever theme they are given.
class FixedTheme : public KitTheme {
public:
  ColorScheme scheme() const override { return m_scheme; }
  QColor accent() const override { return QColor(QStringLiteral("#") + m_accentHex); }
  QString accentHex() const override { return m_accentHex; }
  void setAccentHex(const QString& hex) override {
    m_accentHex = hex;
    writes.push_back(hex);
    Q_EMIT accentChanged();
  }
  bool reduceMotion() const override { return m_reduceMotion; }

  void setScheme(ColorScheme scheme) {
    m_scheme = scheme;
    Q_EMIT schemeChanged();
  }
  void setReduceMotion(bool reduce) { m_reduceMotion = reduce; }

  std::vector<QString> writes;

private:
  ColorScheme m_scheme = ColorScheme::Light;
  QString m_accentHex = QStringLiteral("25846a");
  bool m_reduceMotion = false;
};

class KitThemeTest : public testing::Test {
protected:
  // The desktop's rule says the opposite of the theme in every case below.
  void TearDown() override { Motion::setReduceMotionOverride(std::nullopt); }

  std::shared_ptr<FixedTheme> theme = std::make_shared<FixedTheme>();
};

TEST_F(KitThemeTest, LabelsTakeTheThemesSchemeAndFollowItsChanges) {
  KitLabel label(QStringLiteral("Metin"), KitFonts::system(12), KitLabel::Tone::Muted, theme);
  EXPECT_EQ(label.palette().color(QPalette::WindowText), Palette::colors(ColorScheme::Light).muted);
  theme->setScheme(ColorScheme::Dark);
  EXPECT_EQ(label.palette().color(QPalette::WindowText), Palette::colors(ColorScheme::Dark).muted);
}

TEST_F(KitThemeTest, ButtonsAskTheThemeWhetherToShrink) {
  struct Case {
    bool themeReduces;
    double buttonScale;
    double actionScale;
  };
  for (const Case& c : std::vector<Case>{{true, 1, 1}, {false, 0.98, 0.98}}) {
    Motion::setReduceMotionOverride(!c.themeReduces);
    theme->setReduceMotion(c.themeReduces);
    KivoButton button(theme);
    button.setDown(true);
    KivoActionButton action(QStringLiteral("Tamam"), KivoActionStyle{true, false}, theme);
    action.setDown(true);
    EXPECT_EQ(button.targetFeedback().scale, c.buttonScale) << c.themeReduces;
    EXPECT_EQ(action.targetFeedback().scale, c.actionScale) << c.themeReduces;
  }
}

TEST_F(KitThemeTest, ProminentActionsFillWithTheThemesAccent) {
  KivoActionButton action(QStringLiteral("Tamam"), KivoActionStyle{true, false}, theme);
  EXPECT_EQ(action.fillColor(), QColor(0x25, 0x84, 0x6A));
  theme->setAccentHex(QStringLiteral("112233"));
  EXPECT_EQ(action.fillColor(), QColor(0x11, 0x22, 0x33));
}

TEST_F(KitThemeTest, TheColourEditorStartsFromAndWritesThroughTheTheme) {
  KivoColorEditor editor([] {}, theme);
  EXPECT_EQ(editor.hex(), QStringLiteral("25846A"));
  editor.setChannel(0, 1);
  editor.field()->setText(QStringLiteral("ABCDEF"));
  editor.apply();
  EXPECT_EQ(theme->writes, (std::vector<QString>{QStringLiteral("ff846a"), QStringLiteral("abcdef")}));
}

}  // namespace
