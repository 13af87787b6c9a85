// The program entry: the platform choice, the application object, then the
// start-up dispatch over the command line. Suites that need no window run on a
// worker thread (the smoke and home suites on the main thread) and end the
// process with their result line.
#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "chrome/app_delegate.h"
#include "chrome/browser_workspace.h"
#include "chrome/start_plan.h"
#include "platform/child_process.h"
#include "platform/display_platform.h"
#include "network/network_error.h"
#include "network/network_transport.h"
#include "selftests/home_feature_tests.h"
#include "selftests/interaction_tests.h"
#include "selftests/network_tests.h"
#include "selftests/self_tests.h"
#include "selftests/tab_interaction_tests.h"
#include "selftests/window_interaction_tests.h"
#include "support/kivo_version.h"

namespace {

// The suites that open no window. Without a display they run on the offscreen
// platform, as CTest runs them; every other start needs a display.
constexpr const char* kWindowlessFlags[] = {"--self-test", "--integration-test", "--home-test", "--network-test"};

// True when any argument asks for a windowless suite. Read from argv because
// the platform must be chosen before the application object exists.
bool asksForWindowlessSuite(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    for (const char* flag : kWindowlessFlags) {
      if (std::strcmp(argv[i], flag) == 0) return true;
    }
  }
  return false;
}

// Ends the process at once with the suite's failure line; the ordinary quit
// path does not run, so a check's worker thread cannot hold the exit up.
[[noreturn]] void failRun(const char* prefix, const std::string& description) {
  const std::string line = std::string(prefix) + description + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(1);
}

// The worker of a windowless suite. It is joined before main returns, so
// nothing it still owns is destroyed after the application object is gone.
std::thread suiteWorker;

// Runs the event loop, then waits for the suite's worker to end.
int runUntilQuit(QApplication& application) {
  const int status = application.exec();
  if (suiteWorker.joinable()) suiteWorker.join();
  return status;
}

// Runs a windowless suite on a worker thread and reports on the main thread:
// the success line and an ordinary quit, or the failure line and status 1.
void startWindowlessSuite(std::function<void()> suite, const char* successLine, const char* failurePrefix) {
  QTimer::singleShot(0, qApp, [suite = std::move(suite), successLine, failurePrefix] {
    suiteWorker = std::thread([suite, successLine, failurePrefix]() mutable {
      std::exception_ptr failure;
      try {
        suite();
      } catch (...) {
        failure = std::current_exception();
      }
      // Whatever the suite holds goes on this thread, before the main
      // thread is told to quit.
      suite = nullptr;
      QMetaObject::invokeMethod(
          qApp,
          [failure, successLine, failurePrefix] {
            if (failure) failRun(failurePrefix, diagnosticMessage(failure).toStdString());
            if (successLine) std::printf("%s\n", successLine);
            std::fflush(stdout);
            QCoreApplication::quit();
          },
          Qt::QueuedConnection);
    });
  });
}

}  // namespace

int main(int argc, char** argv) {
  // A renderer that dies mid-answer must never take the application with it.
  ChildProcess::ignoreBrokenPipe();
  // A windowless suite needs no display; any other start does. A display
  // that is missing or does not answer ends the start with one line.
  const DisplayPlatform::Need need = asksForWindowlessSuite(argc, argv) ? DisplayPlatform::Need::DisplayOrOffscreen
                                                                         : DisplayPlatform::Need::Display;
  if (!DisplayPlatform::prepare("Kivo", need)) return 1;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kivo"));
  QApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral(KIVO_APP_ID));
  const StartPlan plan = StartPlans::decide(QCoreApplication::arguments());

  switch (plan.mode) {
    // The home feature suite runs on the main thread and prints its own
    // success line.
    case StartMode::HomeTest:
      try {
        runHomeFeatureTests();
      } catch (...) {
        failRun("Kivo home test failed: ", diagnosticMessage(std::current_exception()).toStdString());
      }
      std::fflush(stdout);
      return 0;
    // The smoke suite runs synchronously on the main thread, before any
    // window exists.
    case StartMode::SelfTest:
      try {
        runSelfTests();
      } catch (...) {
        failRun("Kivo self-test failed: ", diagnosticMessage(std::current_exception()).toStdString());
      }
      std::printf("%s\n", "Kivo macOS: all smoke checks passed.");
      std::fflush(stdout);
      return 0;
    case StartMode::NetworkTest: {
      const QUrl base = plan.networkBase;
      const bool tlsFixture = plan.tlsFixture;
      startWindowlessSuite([base, tlsFixture] { runNetworkTests(base, tlsFixture); }, nullptr,
                           "Kivo network test failed: ");
      return runUntilQuit(application);
    }
    case StartMode::IntegrationTest:
      startWindowlessSuite(runAsyncTests, "Kivo macOS: async navigation and resize checks passed.",
                           "Kivo integration test failed: ");
      return runUntilQuit(application);
    // A network run that cannot start is a usage error, never a window that
    // a script waits on.
    case StartMode::NetworkTestUsage:
      std::fputs("Kivo: --network-test needs an http or https base URL.\n", stderr);
      return 2;
    case StartMode::Normal:
      break;
  }

  // The normal start: the first window, then an in-window suite or the route
  // and the snapshot.
  AppDelegate delegate(plan);
  delegate.startNormal();
  // An in-window suite drives the first window; its end ends the process.
  const auto runSuite = [&delegate](SuiteTask suite, const char* successLine, const char* failurePrefix) {
    SuiteTask::start(std::move(suite), [&delegate, successLine, failurePrefix](std::exception_ptr failure) {
      if (failure) {
        delegate.removeSuiteSettings();
        failRun(failurePrefix, diagnosticMessage(failure).toStdString());
      }
      std::printf("%s\n", successLine);
      std::fflush(stdout);
      QCoreApplication::quit();
    });
  };
  BrowserWindowController* first = delegate.firstController();
  switch (plan.suite) {
    case InWindowSuite::WindowInteraction:
      runSuite(runWindowInteractionTests(delegate.workspace()),
               "Kivo macOS: window detachment, merging, focus and transfer checks passed.",
               "Kivo window interaction test failed: ");
      return application.exec();
    case InWindowSuite::TabInteraction:
      runSuite(runTabInteractionTests(first->model(), first->browserWindow()),
               "Kivo macOS: tab dragging, overflow and full-screen checks passed.",
               "Kivo tab interaction test failed: ");
      return application.exec();
    case InWindowSuite::Interaction:
      runSuite(runInteractionTests(first->model(), first->browserWindow()),
               "Kivo macOS: native shortcuts and custom menu interaction checks passed.",
               "Kivo interaction test failed: ");
      return application.exec();
    case InWindowSuite::None:
      break;
  }
  delegate.startRouteAndSnapshot();
  return application.exec();
}
