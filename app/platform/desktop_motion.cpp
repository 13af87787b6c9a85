#include "platform/desktop_motion.h"

#include <QDir>
#include <QList>

#include <exception>

#include "platform/regular_file.h"

namespace {

// A settings file is a few hundred bytes; a larger one is not GTK's.
constexpr qint64 kSettingsLimit = 65'536;

}  // namespace

std::optional<bool> parseSwitch(const QByteArray& text) {
  const QByteArray value = text.trimmed().toLower();
  if (value == "1" || value == "true") return true;
  if (value == "0" || value == "false") return false;
  return std::nullopt;
}

std::optional<bool> gtkEnableAnimations(const QByteArray& settings) {
  std::optional<bool> answer;
  for (const QByteArray& line : settings.split('\n')) {
    const qsizetype equals = line.indexOf('=');
    if (equals < 0 || line.left(equals).trimmed() != "gtk-enable-animations") continue;
    answer = parseSwitch(line.mid(equals + 1));
  }
  return answer;
}

QString gtkSettingsPath() {
  const QByteArray base = qgetenv("XDG_CONFIG_HOME");
  const QString folder = base.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : QString::fromLocal8Bit(base);
  return folder + QStringLiteral("/gtk-3.0/settings.ini");
}

bool desktopReducesMotion(const QString& settingsPath) {
  std::optional<QByteArray> settings;
  try {
    // One byte more than the limit tells an oversized file from a full one.
    settings = readRegularFile(settingsPath, kSettingsLimit + 1);
  } catch (const std::exception&) {
    return false;
  }
  if (!settings || settings->size() > kSettingsLimit) return false;
  const std::optional<bool> animations = gtkEnableAnimations(*settings);
  return animations.has_value() && !*animations;
}
