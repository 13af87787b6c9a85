#include "selftests/model_network_checks.h"

#include <QDir>

#include <gtest/gtest.h>

#include "model/browser_model.h"
#include "platform/temporary_folder.h"
#include "profile/browsing_profile.h"
#include "profile/history_store.h"
#include "selftests/smoke_failure.h"

namespace {

// The checks need the fixture server's pages (a redirect, a slow page); they
// run when KIVO_FIXTURE_BASE names a running fixture server.
TEST(ModelNetworkChecks, PassInOrderAgainstTheFixtureServer) {
  if (!qEnvironmentVariableIsSet("KIVO_FIXTURE_BASE")) GTEST_SKIP() << "KIVO_FIXTURE_BASE is not set";
  QString base = qEnvironmentVariable("KIVO_FIXTURE_BASE");
  if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
  TemporaryFolder folder(QStringLiteral("kivo-network-tests-"));
  QStringList passes;
  ProfileSuiteFrame frame;
  frame.fixture = [base](const QString& path) { return QUrl(base + path); };
  frame.check = [&passes](bool condition, const QString& name) {
    if (!condition) throw SmokeFailure(name);
    passes.append(name);
  };
  frame.folder = folder.path();
  // Waits that only a fault makes run out.
  frame.patience = Patience{std::chrono::seconds(60)};
  BrowsingProfile normal(false, folder.filePath(QStringLiteral("normal")));
  BrowsingProfile privateProfile(true, folder.filePath(QStringLiteral("private")));
  const ModelNetworkHold hold =
      runModelNetworkChecks(frame, normal, folder.filePath(QStringLiteral("normal/history.json")));
  EXPECT_EQ(passes.size(), 8);
  std::vector<std::shared_ptr<BrowserModel>> models;
  runPrivateProfileChecks(frame, normal, privateProfile, modelPageShower(models, frame.patience));
  EXPECT_EQ(passes.size(), 10);
  ASSERT_EQ(models.size(), 1u);
  EXPECT_TRUE(models[0]->isPrivate());
}

}  // namespace
