#include "kit/preferences_theme.h"

#include <QPointer>
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "kit/kit_test_support.h"
#include "kit/motion.h"
#include "kit/palette.h"

namespace {

class PreferencesThemeTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = KitTest::preferences(QStringLiteral("kit-preferences-theme-test"));
    theme = PreferencesTheme::of(preferences);
    QObject::connect(theme.get(), &KitTheme::schemeChanged, [this] { ++schemeSignals; });
    QObject::connect(theme.get(), &KitTheme::accentChanged, [this] { ++accentSignals; });
  }
  void TearDown() override {
    Motion::setReduceMotionOverride(std::nullopt);
    preferences->storage()->removeAll();
  }

  std::shared_ptr<BrowserPreferences> preferences;
  std::shared_ptr<KitTheme> theme;
  int schemeSignals = 0;
  int accentSignals = 0;
};

TEST_F(PreferencesThemeTest, ForwardsEveryAssignmentThatChangesTheLookAndNothingElse) {
  struct Case {
    const char* name;
    std::function<void(BrowserPreferences&)> assign;
    int scheme;
    int accent;
  };
  const std::vector<Case> cases = {
      {"appearance", [](BrowserPreferences& p) { p.setAppearance(BrowserAppearance::Dark); }, 1, 0},
      {"same appearance again", [](BrowserPreferences& p) { p.setAppearance(BrowserAppearance::Dark); }, 1, 0},
      {"preview", [](BrowserPreferences& p) { p.setPreviewAppearance(BrowserAppearance::Light); }, 1, 0},
      {"preview ends", [](BrowserPreferences& p) { p.setPreviewAppearance(std::nullopt); }, 1, 0},
      {"accent", [](BrowserPreferences& p) { p.setAccentHex(QStringLiteral("25846a")); }, 0, 1},
      {"backdrop", [](BrowserPreferences& p) { p.setBackdrop(Backdrop::Forest); }, 0, 0},
      {"shortcuts", [](BrowserPreferences& p) { p.setShowShortcuts(false); }, 0, 0},
  };
  for (const Case& c : cases) {
    schemeSignals = accentSignals = 0;
    c.assign(*preferences);
    EXPECT_EQ(schemeSignals, c.scheme) << c.name;
    EXPECT_EQ(accentSignals, c.accent) << c.name;
  }
}

TEST_F(PreferencesThemeTest, ReadsThePreviewFirstThenTheAppearanceThenTheDesktop) {
  EXPECT_EQ(theme->scheme(), Palette::systemScheme());
  preferences->setAppearance(BrowserAppearance::Dark);
  EXPECT_EQ(theme->scheme(), ColorScheme::Dark);
  preferences->setPreviewAppearance(BrowserAppearance::Light);
  EXPECT_EQ(theme->scheme(), ColorScheme::Light);
  preferences->setPreviewAppearance(BrowserAppearance::System);
  EXPECT_EQ(theme->scheme(), Palette::systemScheme());
}

TEST_F(PreferencesThemeTest, FollowsADesktopThatSwitchesSchemeOnlyWhileTheAppearanceIsSystem) {
  struct Case {
    const char* name;
    BrowserAppearance appearance;
    std::optional<BrowserAppearance> preview;
    bool follows;
  };
  const std::vector<Case> cases = {
      {"system", BrowserAppearance::System, std::nullopt, true},
      {"previewed system over a stored dark", BrowserAppearance::Dark, BrowserAppearance::System, true},
      {"stored dark", BrowserAppearance::Dark, std::nullopt, false},
      {"stored light", BrowserAppearance::Light, std::nullopt, false},
      {"previewed light over system", BrowserAppearance::System, BrowserAppearance::Light, false},
  };
  for (const Case& c : cases) {
    preferences->setAppearance(c.appearance);
    preferences->setPreviewAppearance(c.preview);
    const ColorScheme before = theme->scheme();
    schemeSignals = 0;
    {
      KitTest::DesktopSchemeSwitch desktop;
      EXPECT_EQ(schemeSignals, c.follows ? 1 : 0) << c.name;
      EXPECT_EQ(theme->scheme(), c.follows ? desktop.to : before) << c.name;
    }
    EXPECT_EQ(theme->scheme(), before) << c.name << ": the desktop switched back";
    EXPECT_EQ(preferences->appearance(), c.appearance) << c.name << ": the choice is untouched";
  }
}

TEST_F(PreferencesThemeTest, WritesTheAccentThroughToTheStore) {
  theme->setAccentHex(QStringLiteral("00ff7f"));
  EXPECT_EQ(accentSignals, 1);
  EXPECT_EQ(preferences->storage()->text(QStringLiteral("kivo.accent")), QStringLiteral("00ff7f"));
  EXPECT_EQ(theme->accentHex(), QStringLiteral("00ff7f"));
  EXPECT_EQ(theme->accent(), QColor(0x00, 0xFF, 0x7F));
  // Text that does not parse draws the default accent, as the preferences do.
  preferences->setAccentHex(QStringLiteral("+12345"));
  EXPECT_EQ(theme->accent(), preferences->accent());
}

TEST_F(PreferencesThemeTest, FollowsTheDesktopReduceMotionSetting) {
  for (bool reduce : {true, false}) {
    Motion::setReduceMotionOverride(reduce);
    EXPECT_EQ(theme->reduceMotion(), reduce);
  }
}

TEST_F(PreferencesThemeTest, OneThemePerPreferencesThatKeepsThemAlive) {
  EXPECT_EQ(PreferencesTheme::of(preferences).get(), theme.get());
  EXPECT_EQ(PreferencesTheme::of(preferences.get()), theme.get());
  EXPECT_EQ(PreferencesTheme::of(std::shared_ptr<BrowserPreferences>()), nullptr);
  EXPECT_EQ(PreferencesTheme::of(static_cast<BrowserPreferences*>(nullptr)), nullptr);

  // A control holding only the theme keeps the preferences; the theme goes
  // with the last holder of either.
  auto other = KitTest::preferences(QStringLiteral("kit-preferences-theme-other"));
  std::shared_ptr<KitTheme> held = PreferencesTheme::of(other);
  QPointer<KitTheme> watched(held.get());
  QPointer<BrowserPreferences> owner(other.get());
  other->storage()->removeAll();
  other.reset();
  ASSERT_TRUE(owner);
  held->setAccentHex(QStringLiteral("112233"));
  EXPECT_EQ(owner->accentHex(), QStringLiteral("112233"));
  owner->storage()->removeAll();
  held.reset();
  EXPECT_FALSE(owner);
  EXPECT_FALSE(watched);
}

}  // namespace
