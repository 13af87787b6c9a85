#include "kit/motion.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include "kit/kit_theme.h"

namespace {

std::optional<bool>& reduceOverride() {
  static std::optional<bool> value;
  return value;
}

std::optional<bool> flag(QByteArray text) {
  text = text.trimmed().toLower();
  if (text == "1" || text == "true") return true;
  if (text == "0" || text == "false") return false;
  return std::nullopt;
}

// GTK's "gtk-enable-animations" from the user's settings.ini, if set.
std::optional<bool> gtkAnimations() {
  QByteArray base = qgetenv("XDG_CONFIG_HOME");
  QString folder = base.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : QString::fromLocal8Bit(base);
  QFile file(folder + QStringLiteral("/gtk-3.0/settings.ini"));
  if (!file.open(QIODevice::ReadOnly) || file.size() > 65'536) return std::nullopt;
  std::optional<bool> answer;
  for (const QByteArray& line : file.readAll().split('\n')) {
    int equals = line.indexOf('=');
    if (equals < 0 || line.left(equals).trimmed() != "gtk-enable-animations") continue;
    answer = flag(line.mid(equals + 1));
  }
  return answer;
}

}  // namespace

namespace Motion {

bool reduceMotion() {
  if (reduceOverride()) return *reduceOverride();
  if (auto fromEnvironment = flag(qgetenv("KIVO_REDUCE_MOTION"))) return *fromEnvironment;
  static const std::optional<bool> animations = gtkAnimations();
  return animations.has_value() && !*animations;
}

bool reduceMotion(const KitTheme* theme) { return theme ? theme->reduceMotion() : reduceMotion(); }

void setReduceMotionOverride(const std::optional<bool>& reduce) { reduceOverride() = reduce; }

}  // namespace Motion

FeedbackAnimation::FeedbackAnimation(Values initial, std::function<void()> changed, QObject* parent)
    : QObject(parent), m_start(initial), m_current(initial), m_target(initial), m_changed(std::move(changed)) {
  m_animation.setDuration(Motion::kFeedbackMilliseconds);
  m_animation.setEasingCurve(QEasingCurve::OutCubic);
  m_animation.setStartValue(0.0);
  m_animation.setEndValue(1.0);
  connect(&m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
    double progress = value.toDouble();
    for (size_t i = 0; i < m_current.size(); ++i) m_current[i] = m_start[i] + (m_target[i] - m_start[i]) * progress;
    if (m_changed) m_changed();
  });
}

void FeedbackAnimation::moveTo(const Values& target, bool reduceMotion) {
  if (target == m_target) return;
  m_animation.stop();
  m_target = target;
  if (reduceMotion) {
    m_current = target;
    if (m_changed) m_changed();
    return;
  }
  m_start = m_current;
  m_animation.start();
}
