// kivo-pictures DIR: draws every control of the kit, every built-in page and
// every pane of the developer tools, and the keyboard's focus ring and the
// panels' depth, in the light and the dark scheme, into
// PNG files in DIR (made when missing), and prints each file's path.
//
// It draws on the offscreen platform with one 1920 x 1080 screen at 96 dpi, so
// the pictures are the same with or without a display; set QT_QPA_PLATFORM to
// draw elsewhere. Its preferences and profile stores live in Qt's test-mode
// folders and are emptied afterwards: the user's own profile is never read or
// written. Exit status: 0 when every picture was written, 1 when one was not,
// 2 for a usage error.
#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <csignal>
#include <cstdio>
#include <string>

#include "kit/motion.h"
#include "platform/display_platform.h"
#include "picture_folder.h"
#include "support/kivo_version.h"

namespace {

// Qt's own offscreen screen is 800 x 800 with fake window frames; popups and
// pages get a real desktop's room instead.
constexpr char kScreenConfiguration[] =
    R"({"synchronousWindowSystemEvents": true, "windowFrameMargins": false, "screens": [{"name": "S1", "x": 0, )"
    R"("y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";

// The offscreen platform warns about every window feature it lacks (raising,
// size hints); those lines say nothing about the pictures and are dropped.
QtMessageHandler defaultHandler = nullptr;
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support"))) return;
  defaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
    std::fputs("usage: kivo-pictures DIR\n", stderr);
    return 2;
  }
  // A renderer that dies mid-answer must not take the program with it.
  std::signal(SIGPIPE, SIG_IGN);
  // The configuration file must outlive the application object, which reads it.
  QTemporaryFile screens;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      (!screens.open() || screens.write(kScreenConfiguration) < 0 || !screens.flush())) {
    std::fputs("kivo-pictures: could not write the offscreen screen configuration\n", stderr);
    return 1;
  }
  const std::string offscreen = "offscreen:configfile=" + QFile::encodeName(screens.fileName()).toStdString();
  if (!DisplayPlatform::prepare("kivo-pictures", DisplayPlatform::Need::Offscreen, offscreen)) return 1;
  defaultHandler = qInstallMessageHandler(quietOffscreen);
  QStandardPaths::setTestModeEnabled(true);
  QApplication application(argc, argv);
  QApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));

  const QString path = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(path)) {
    std::fprintf(stderr, "kivo-pictures: could not make the folder %s\n", argv[1]);
    return 1;
  }
  // Pictures show controls at rest, never halfway through an animation.
  Motion::setReduceMotionOverride(true);
  PictureFolder folder(path);
  for (const BrowserAppearance appearance : {BrowserAppearance::Light, BrowserAppearance::Dark}) {
    folder.setAppearance(appearance);
    Pictures::kit(folder);
    Pictures::pages(folder);
    Pictures::developerTools(folder);
    Pictures::keyboard(folder);
  }
  std::fflush(stdout);
  std::fprintf(stderr, "kivo-pictures: %d pictures written, %d failed\n", folder.written(), folder.failed());
  return folder.failed() == 0 ? 0 : 1;
}
