#include "platform/desktop_motion.h"

#include <gtest/gtest.h>

#include <QDir>

#include "platform/regular_file.h"
#include "platform/temporary_folder.h"

namespace {

TEST(DesktopMotionTest, Switches) {
  const struct {
    const char* text;
    std::optional<bool> value;
  } cases[] = {
      {"1", true},         {"true", true},       {" TRUE\r", true},    {"0", false},
      {"False", false},    {"\tfalse ", false},  {"", std::nullopt},   {"yes", std::nullopt},
      {"2", std::nullopt}, {"truefalse", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(parseSwitch(c.text), c.value) << '"' << c.text << '"';
}

TEST(DesktopMotionTest, GtkSettingIsTheLastLineWithItsName) {
  const struct {
    const char* settings;
    std::optional<bool> animations;
  } cases[] = {
      {"[Settings]\ngtk-enable-animations=false\n", false},
      {"[Settings]\r\ngtk-enable-animations = 0\r\ngtk-theme-name=Adwaita\r\n", false},
      {"gtk-enable-animations=false\ngtk-enable-animations=true\n", true},
      // A later value that is no switch leaves the setting unsaid.
      {"gtk-enable-animations=false\ngtk-enable-animations=maybe\n", std::nullopt},
      {"gtk-enable-animations-extra=false\n", std::nullopt},
      {"# gtk-enable-animations=false\n", std::nullopt},
      {"gtk-enable-animations\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(gtkEnableAnimations(c.settings), c.animations) << c.settings;
}

TEST(DesktopMotionTest, OnlyAReadableSettingsFileTurningAnimationsOffReducesMotion) {
  TemporaryFolder folder(QStringLiteral("kivo-desktop-motion-test-"));
  const QByteArray off = "[Settings]\ngtk-enable-animations=false\n";
  const auto padded = [&](qsizetype size) { return off + QByteArray(size - off.size(), '\n'); };
  const struct {
    const char* name;
    QByteArray content;
    bool reduces;
  } cases[] = {
      {"off", off, true},
      {"on", "[Settings]\ngtk-enable-animations=true\n", false},
      {"unsaid", "[Settings]\ngtk-theme-name=Adwaita\n", false},
      {"at-the-limit", padded(65'536), true},
      {"above-the-limit", padded(65'537), false},
  };
  for (const auto& c : cases) {
    const QString path = folder.filePath(QString::fromLatin1(c.name));
    writeNewFile(path, c.content);
    EXPECT_EQ(desktopReducesMotion(path), c.reduces) << c.name;
  }
  EXPECT_FALSE(desktopReducesMotion(folder.filePath(QStringLiteral("missing"))));
  EXPECT_FALSE(desktopReducesMotion(folder.path()));
}

TEST(DesktopMotionTest, SettingsLiveInTheUsersConfigurationFolder) {
  const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
  const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", "/somewhere/config");
  EXPECT_EQ(gtkSettingsPath(), QStringLiteral("/somewhere/config/gtk-3.0/settings.ini"));
  qputenv("XDG_CONFIG_HOME", "");
  EXPECT_EQ(gtkSettingsPath(), QDir::homePath() + QStringLiteral("/.config/gtk-3.0/settings.ini"));
  if (wasSet) {
    qputenv("XDG_CONFIG_HOME", saved);
  } else {
    qunsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
