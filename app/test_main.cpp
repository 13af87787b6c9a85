// The main of every application unit test: a GUI application on the offscreen
// platform, because font metrics need one, and Qt's test-mode standard paths,
// so that no test touches the user's real profile.
#include <QGuiApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <csignal>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // A renderer that dies must never take the test process with it.
  std::signal(SIGPIPE, SIG_IGN);
  QStandardPaths::setTestModeEnabled(true);
  QGuiApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
