#include "platform/display_platform.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using DisplayPlatform::Need;

// Probes that answer for ":0" and "wayland-0" in /run/user/1000 only, and
// remember what they were asked.
struct FakeProbes {
  std::vector<std::string> asked;

  DisplayPlatform::Probes probes() {
    return {[this](const std::string& display) -> std::optional<std::string> {
              asked.push_back("x11 " + display);
              if (display == ":0") return std::nullopt;
              return "nobody there";
            },
            [this](const std::string& path) -> std::optional<std::string> {
              asked.push_back("wayland " + path);
              if (path == "/run/user/1000/wayland-0") return std::nullopt;
              return "nobody there";
            }};
  }
};

TEST(DisplayPlatformDecide, ChoosesThePlatformOrSaysWhyNone) {
  struct Case {
    const char* name;
    DisplayPlatform::Environment environment;
    Need need;
    std::string platform;
    std::string failure;
  };
  const std::string run = "/run/user/1000";
  const std::vector<Case> cases = {
      {"X display", {"", ":0", "", run}, Need::Display, "xcb", ""},
      {"X preferred over Wayland", {"", ":0", "wayland-0", run}, Need::Display, "xcb", ""},
      {"Wayland alone", {"", "", "wayland-0", run}, Need::Display, "wayland", ""},
      {"X display where nothing answers", {"", ":99", "", run}, Need::Display, "",
       "cannot open display :99 (nobody there)"},
      {"a dead display is no reason for offscreen", {"", ":99", "", run}, Need::DisplayOrOffscreen, "",
       "cannot open display :99 (nobody there)"},
      {"Wayland where nothing answers", {"", "", "wayland-5", run}, Need::Display, "",
       "cannot open display wayland-5 (nobody there)"},
      {"Wayland without a runtime folder", {"", "", "wayland-0", ""}, Need::Display, "",
       "cannot open display wayland-0 (XDG_RUNTIME_DIR is not set)"},
      {"an absolute Wayland socket", {"", "", "/run/user/1000/wayland-0", ""}, Need::Display, "wayland", ""},
      {"no display at all", {"", "", "", run}, Need::Display, "",
       "no display (set DISPLAY or WAYLAND_DISPLAY, or QT_QPA_PLATFORM=offscreen)"},
      {"no display, offscreen will do", {"", "", "", run}, Need::DisplayOrOffscreen, "offscreen:test", ""},
      {"an offscreen program ignores the display", {"", ":99", "", run}, Need::Offscreen, "offscreen:test", ""},
      {"the user's offscreen stays", {"offscreen", ":99", "", run}, Need::Display, "", ""},
      {"the user's xcb is checked", {"xcb", ":99", "", run}, Need::Offscreen, "",
       "cannot open display :99 (nobody there)"},
      {"the user's xcb without DISPLAY", {"xcb", "", "", run}, Need::Display, "",
       "cannot open display (DISPLAY is not set)"},
      {"the user's xcb with options", {"xcb:nomitshm", ":0", "", run}, Need::Display, "", ""},
      {"the user's wayland defaults to wayland-0", {"wayland", "", "", run}, Need::Display, "", ""},
      {"the user's wayland-egl is checked", {"wayland-egl", "", "wayland-1", run}, Need::Display, "",
       "cannot open display wayland-1 (nobody there)"},
      {"a list is Qt's to try", {"wayland;xcb", ":99", "wayland-9", run}, Need::Display, "", ""},
  };
  for (const Case& c : cases) {
    FakeProbes fake;
    const DisplayPlatform::Choice choice =
        DisplayPlatform::decide(c.environment, c.need, "offscreen:test", fake.probes());
    EXPECT_EQ(choice.platform, c.platform) << c.name;
    EXPECT_EQ(choice.failure, c.failure) << c.name;
  }
}

TEST(DisplayPlatformProbes, AWaylandSocketAnswersOnlyWhileSomethingListens) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string path = folder.filePath(QStringLiteral("wayland-test")).toStdString();
  EXPECT_EQ(DisplayPlatform::probeWayland(path), "no Wayland compositor answers there");

  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  EXPECT_EQ(DisplayPlatform::probeWayland(path), std::nullopt);
  ::close(listener);

  EXPECT_EQ(DisplayPlatform::probeWayland("/" + std::string(200, 'x')), "the socket path is too long");
}

#ifdef KIVO_HAVE_XCB
TEST(DisplayPlatformProbes, AnXDisplayWhereNothingListensOrABadNameDoesNotAnswer) {
  EXPECT_EQ(DisplayPlatform::probeX11(":65011"), "no X server answers there, or it refused the connection");
  EXPECT_EQ(DisplayPlatform::probeX11("no display"), "not a display name");
}
#endif

}  // namespace
