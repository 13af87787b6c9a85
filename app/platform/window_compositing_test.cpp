#include "platform/window_compositing.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <vector>

#ifdef KIVO_HAVE_XCB
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>
#include <memory>
#endif

namespace {

struct RuleCase {
  const char* platform;
  std::optional<bool> x11Manager;
  bool composites;
};

TEST(WindowCompositing, RuleFollowsThePlatformAndTheX11Manager) {
  const std::vector<RuleCase> cases{
      {"wayland", std::nullopt, true},       {"wayland-egl", std::nullopt, true},
      {"xcb", true, true},                   {"xcb", false, false},
      {"xcb", std::nullopt, false},          {"offscreen", std::nullopt, false},
      {"offscreen", true, false},            {"minimal", std::nullopt, false},
      {"eglfs", std::nullopt, false},        {"", std::nullopt, false},
  };
  for (const RuleCase& c : cases) {
    EXPECT_EQ(WindowCompositing::rule(QString::fromLatin1(c.platform), c.x11Manager), c.composites)
        << c.platform << " " << (c.x11Manager ? (*c.x11Manager ? "manager" : "no manager") : "no answer");
  }
}

TEST(WindowCompositing, OverrideAnswersUntilCleared) {
  const bool rule = WindowCompositing::composites();
  for (bool value : {true, false}) {
    WindowCompositing::setOverride(value);
    EXPECT_EQ(WindowCompositing::composites(), value);
  }
  WindowCompositing::setOverride(std::nullopt);
  EXPECT_EQ(WindowCompositing::composites(), rule);
  // The test platform is offscreen unless someone runs the suite on X11.
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
    EXPECT_FALSE(rule);
    EXPECT_EQ(WindowCompositing::x11CompositingManager(), std::nullopt);
  }
}

#ifdef KIVO_HAVE_XCB
// Runs only on X11 (QT_QPA_PLATFORM=xcb, for example under xvfb-run): the
// test takes the compositing manager's selection itself and lets it go.
TEST(WindowCompositingX11, AnswerFollowsTheSelectionOwner) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) GTEST_SKIP() << "not running on X11";
  xcb_connection_t* connection = x11->connection();
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const QByteArray name = "_NET_WM_CM_S0";
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(connection,
                            xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()),
                            nullptr),
      &std::free);
  ASSERT_TRUE(atom);
  const xcb_window_t owner = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, owner, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  xcb_set_selection_owner(connection, owner, atom->atom, XCB_CURRENT_TIME);
  xcb_flush(connection);
  EXPECT_EQ(WindowCompositing::x11CompositingManager(), true);
  EXPECT_TRUE(WindowCompositing::composites());
  xcb_set_selection_owner(connection, XCB_NONE, atom->atom, XCB_CURRENT_TIME);
  xcb_destroy_window(connection, owner);
  xcb_flush(connection);
  EXPECT_EQ(WindowCompositing::x11CompositingManager(), false);
  EXPECT_FALSE(WindowCompositing::composites());
}
#endif

}  // namespace
