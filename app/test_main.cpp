// The main of every application unit test: a widget application on the
// offscreen platform, because font metrics and the kit's widgets need one, and
// Qt's test-mode standard paths, so that no test touches the user's real profile.
#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <csignal>

#include "support/kivo_version.h"
#include "support/test_listener.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // A renderer that dies must never take the test process with it.
  std::signal(SIGPIPE, SIG_IGN);
  QStandardPaths::setTestModeEnabled(true);
  QApplication application(argc, argv);
  QApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));
  testing::InitGoogleTest(&argc, argv);
  kivo_testing::installSkippedRunMarker();
  return RUN_ALL_TESTS();
}
