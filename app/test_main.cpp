// The main of every application unit test: a widget application on the
// offscreen platform, because font metrics and the kit's widgets need one, and
// Qt's test-mode standard paths, so that no test touches the user's real profile.
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <csignal>

#include "platform/display_platform.h"
#include "support/kivo_version.h"
#include "support/test_listener.h"

int main(int argc, char** argv) {
  // Offscreen unless the run names a platform (the X11 entries do); a display
  // that does not answer fails the run with one line instead of Qt's abort.
  if (!DisplayPlatform::prepare(argv[0], DisplayPlatform::Need::Offscreen)) return 1;
  // A renderer that dies must never take the test process with it.
  std::signal(SIGPIPE, SIG_IGN);
  QStandardPaths::setTestModeEnabled(true);
  QApplication application(argc, argv);
  QApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));
  testing::InitGoogleTest(&argc, argv);
  kivo_testing::installSkippedRunMarker();
  return RUN_ALL_TESTS();
}
