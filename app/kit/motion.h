// Whether the kit animates, and the small animation its controls share.
//
// The kit reads, in order: the environment variable KIVO_REDUCE_MOTION
// ("1"/"true" on, "0"/"false" off), then the desktop's setting
// (desktopReducesMotion: GTK's "gtk-enable-animations" turned off). The
// desktop is asked once per process. Main thread.
#pragma once

#include <QObject>
#include <QVariantAnimation>

#include <array>
#include <functional>
#include <optional>

class KitTheme;

namespace Motion {
// True when motion is to be skipped.
bool reduceMotion();
// The theme's answer, or reduceMotion() without a theme.
bool reduceMotion(const KitTheme* theme);
// Replaces the answer of reduceMotion() (tests); nothing restores the rule.
void setReduceMotionOverride(const std::optional<bool>& reduce);
// The duration of hover, press and fade changes, in milliseconds.
inline constexpr int kFeedbackMilliseconds = 120;
}  // namespace Motion

// A set of up to four numbers that eases out to new targets over 0.12 s, or
// jumps there at once with reduce motion on. `changed` runs on every step.
class FeedbackAnimation : public QObject {
  Q_OBJECT

public:
  using Values = std::array<double, 4>;

  FeedbackAnimation(Values initial, std::function<void()> changed, QObject* parent = nullptr);

  // The values drawn now.
  const Values& current() const { return m_current; }
  // The values the animation is heading for.
  const Values& target() const { return m_target; }
  // Heads for `target`: animated, or at once when `reduceMotion`.
  void moveTo(const Values& target, bool reduceMotion);

private:
  Values m_start{};
  Values m_current{};
  Values m_target{};
  std::function<void()> m_changed;
  QVariantAnimation m_animation;
};
