#include "kit/motion.h"

#include "kit/kit_theme.h"
#include "platform/desktop_motion.h"

namespace {

std::optional<bool>& reduceOverride() {
  static std::optional<bool> value;
  return value;
}

}  // namespace

namespace Motion {

bool reduceMotion() {
  if (reduceOverride()) return *reduceOverride();
  if (auto fromEnvironment = parseSwitch(qgetenv("KIVO_REDUCE_MOTION"))) return *fromEnvironment;
  static const bool desktop = desktopReducesMotion();
  return desktop;
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
