#include "chrome/start_plan.h"

#include <gtest/gtest.h>

#include "support/test_names.h"

namespace {

struct PlanCase {
  const char* name;
  QStringList arguments;  // after the program path
  StartMode mode;
  InWindowSuite suite = InWindowSuite::None;
  std::optional<QString> route = std::nullopt;
  std::optional<QString> snapshot = std::nullopt;
  bool fileLess = false;
  bool devtools = false;
};

void PrintTo(const PlanCase& c, std::ostream* out) { *out << c.name; }

class StartPlanDecide : public testing::TestWithParam<PlanCase> {};

TEST_P(StartPlanDecide, FollowsTheDispatchOrder) {
  const PlanCase& c = GetParam();
  const StartPlan plan = StartPlans::decide(QStringList{QStringLiteral("/usr/bin/Kivo")} + c.arguments);
  EXPECT_EQ(plan.mode, c.mode);
  EXPECT_EQ(plan.suite, c.suite);
  EXPECT_EQ(plan.route, c.route);
  EXPECT_EQ(plan.snapshotPath, c.snapshot);
  EXPECT_EQ(plan.fileLessProfile, c.fileLess);
  EXPECT_EQ(plan.devtools, c.devtools);
}

const QString kBase = QStringLiteral("http://127.0.0.1:8080");

INSTANTIATE_TEST_SUITE_P(
    Cases, StartPlanDecide,
    testing::Values(
        PlanCase{"nothing opens a window", {}, StartMode::Normal},
        PlanCase{"order of the dispatch not of the arguments", {"--self-test", "--home-test"}, StartMode::HomeTest},
        PlanCase{"network with a base", {"--network-test", kBase, "--integration-test"}, StartMode::NetworkTest},
        PlanCase{"network flag last gives way to integration", {"--integration-test", "--network-test"},
                 StartMode::IntegrationTest},
        PlanCase{"network value not a base gives way", {"--network-test", "--integration-test"},
                 StartMode::IntegrationTest},
        PlanCase{"network without a base alone is a usage error", {"--network-test"}, StartMode::NetworkTestUsage},
        PlanCase{"network ftp base is a usage error", {"--network-test", "ftp://host/"}, StartMode::NetworkTestUsage},
        PlanCase{"network without a base gives way to a window suite",
                 {"--network-test", "--interaction-test"},
                 StartMode::Normal,
                 InWindowSuite::Interaction,
                 std::nullopt,
                 std::nullopt,
                 true},
        PlanCase{"route value may look like a flag",
                 {"--route", "--devtools"},
                 StartMode::Normal,
                 InWindowSuite::None,
                 QStringLiteral("--devtools"),
                 std::nullopt,
                 false,
                 true},
        PlanCase{"first route wins",
                 {"--route", "kivo://engine", "--route", "kivo://history"},
                 StartMode::Normal,
                 InWindowSuite::None,
                 QStringLiteral("kivo://engine")},
        PlanCase{"snapshot last takes no picture but keeps files out",
                 {"--route", "kivo://home", "--snapshot"},
                 StartMode::Normal,
                 InWindowSuite::None,
                 QStringLiteral("kivo://home"),
                 std::nullopt,
                 true},
        PlanCase{"snapshot with a path",
                 {"--snapshot", "/tmp/a.png", "--exit-after-snapshot"},
                 StartMode::Normal,
                 InWindowSuite::None,
                 std::nullopt,
                 QStringLiteral("/tmp/a.png"),
                 true},
        PlanCase{"tab suite ignores route and snapshot",
                 {"--tab-interaction-test", "--route", "kivo://engine", "--snapshot", "/tmp/a.png"},
                 StartMode::Normal,
                 InWindowSuite::TabInteraction,
                 std::nullopt,
                 std::nullopt,
                 true},
        PlanCase{"window suite before the others",
                 {"--interaction-test", "--tab-interaction-test", "--window-interaction-test"},
                 StartMode::Normal,
                 InWindowSuite::WindowInteraction,
                 std::nullopt,
                 std::nullopt,
                 true}),
    [](const testing::TestParamInfo<PlanCase>& info) { return kivo_testing::name_from_text(info.param.name); });

TEST(StartPlanPreview, AWordThatNamesNoAppearanceLeavesTheStoredOne) {
  const auto decide = [](QStringList arguments) {
    arguments.prepend(QStringLiteral("Kivo"));
    return StartPlans::decide(arguments).previewAppearance;
  };
  EXPECT_EQ(decide({QStringLiteral("--preview-appearance"), QStringLiteral("dark")}),
            std::optional<std::optional<BrowserAppearance>>(BrowserAppearance::Dark));
  const auto sepia = decide({QStringLiteral("--preview-appearance"), QStringLiteral("sepia")});
  ASSERT_TRUE(sepia.has_value()) << "a value is given, so the preview is set";
  EXPECT_FALSE(sepia->has_value()) << "to none: the stored appearance applies";
  EXPECT_FALSE(decide({QStringLiteral("--preview-appearance")}).has_value()) << "without a value nothing is set";
}

TEST(StartPlanNetwork, KeepsTheBaseAndTheTlsFlag) {
  const StartPlan plan = StartPlans::decide(
      {QStringLiteral("Kivo"), QStringLiteral("--tls-fixture"), QStringLiteral("--network-test"), kBase});
  EXPECT_EQ(plan.networkBase, QUrl(kBase));
  EXPECT_TRUE(plan.tlsFixture);
}

}  // namespace
