#include "chrome/start_plan.h"

#include "network/network_transport.h"

namespace StartPlans {

bool hasFlag(const QStringList& arguments, const QString& flag) {
  return arguments.contains(flag);
}

std::optional<QString> flagValue(const QStringList& arguments, const QString& flag) {
  const qsizetype at = arguments.indexOf(flag);
  if (at < 0 || at + 1 >= arguments.size()) return std::nullopt;
  return arguments.at(at + 1);
}

namespace {

// The suite that runs inside the first window, first match wins.
InWindowSuite inWindowSuite(const QStringList& arguments) {
  if (hasFlag(arguments, QStringLiteral("--window-interaction-test"))) return InWindowSuite::WindowInteraction;
  if (hasFlag(arguments, QStringLiteral("--tab-interaction-test"))) return InWindowSuite::TabInteraction;
  if (hasFlag(arguments, QStringLiteral("--interaction-test"))) return InWindowSuite::Interaction;
  return InWindowSuite::None;
}

}  // namespace

StartPlan decide(const QStringList& arguments) {
  StartPlan plan;
  if (hasFlag(arguments, QStringLiteral("--home-test"))) {
    plan.mode = StartMode::HomeTest;
    return plan;
  }
  if (hasFlag(arguments, QStringLiteral("--self-test"))) {
    plan.mode = StartMode::SelfTest;
    return plan;
  }
  // The network suite needs an http or https base; without one the flag is
  // passed over, as if it were absent.
  const bool networkFlag = hasFlag(arguments, QStringLiteral("--network-test"));
  if (networkFlag) {
    const std::optional<QString> value = flagValue(arguments, QStringLiteral("--network-test"));
    const QUrl base = value ? QUrl(*value, QUrl::StrictMode) : QUrl();
    if (value && NetworkTransport::isAllowed(base)) {
      plan.mode = StartMode::NetworkTest;
      plan.networkBase = base;
      plan.tlsFixture = hasFlag(arguments, QStringLiteral("--tls-fixture"));
      return plan;
    }
  }
  if (hasFlag(arguments, QStringLiteral("--integration-test"))) {
    plan.mode = StartMode::IntegrationTest;
    return plan;
  }
  plan.suite = inWindowSuite(arguments);
  // A network run that cannot start, with no other suite to run instead,
  // would otherwise open a window that the calling script waits on forever.
  if (networkFlag && plan.suite == InWindowSuite::None) {
    plan.mode = StartMode::NetworkTestUsage;
    return plan;
  }

  plan.mode = StartMode::Normal;
  plan.fileLessProfile = hasFlag(arguments, QStringLiteral("--snapshot")) || plan.suite != InWindowSuite::None;
  if (const std::optional<QString> value = flagValue(arguments, QStringLiteral("--preview-appearance"))) {
    plan.previewAppearance = BrowserAppearances::fromRawValue(*value);
  }
  plan.devtools = hasFlag(arguments, QStringLiteral("--devtools"));
  if (plan.suite == InWindowSuite::None) {
    plan.route = flagValue(arguments, QStringLiteral("--route"));
    plan.snapshotPath = flagValue(arguments, QStringLiteral("--snapshot"));
    plan.exitAfterSnapshot = hasFlag(arguments, QStringLiteral("--exit-after-snapshot"));
  }
  return plan;
}

}  // namespace StartPlans
