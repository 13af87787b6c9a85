#include "pages/updates_view.h"

#include <gtest/gtest.h>

#include "kit/kivo_action_button.h"
#include "model/browser_model.h"
#include "network/test_http_server.h"
#include "pages/pages_test_support.h"
#include "platform/event_wait.h"

namespace {

class UpdatesViewTest : public testing::Test {
protected:
  void SetUp() override {
    preferences = PagesTest::preferences(QStringLiteral("pages-updates-test"));
    model = std::make_unique<BrowserModel>(preferences);
  }
  void TearDown() override { preferences->storage()->removeAll(); }
  UpdateChecker::Settings settings() const {
    UpdateChecker::Settings made;
    made.base = server.url(QString());
    made.currentVersion = QStringLiteral("0.8.0");
    return made;
  }
  void serve(const std::string& version) {
    const std::string body = R"({"packages":{"linux":{"version":")" + version + R"(","file":"Kivo-)" + version +
                             R"(.zip","bytes":1234,"sha256":")" + std::string(64, 'c') + "\"}}}";
    server.route("/releases.json", TestHttpServer::answer(200, "application/json", QByteArray::fromStdString(body)));
  }
  // Runs the event loop until the check has ended; the bound is for a check
  // that never ends, far beyond what a slow machine needs.
  static bool finish(UpdatesView& view) {
    return runEventsUntil([&] { return !view.checker().checking(); }, std::chrono::seconds(60));
  }

  TestHttpServer server;
  std::shared_ptr<BrowserPreferences> preferences;
  std::unique_ptr<BrowserModel> model;
};

TEST_F(UpdatesViewTest, StartsWithTheInvitationAndNoDownloadButton) {
  UpdatesView view(model.get(), settings());
  EXPECT_EQ(view.titleText(), QStringLiteral("Kivo ") + UpdateChecker::currentVersion());
  EXPECT_EQ(view.statusText(),
            QStringLiteral("Yeni sürümleri kontrol etmek için düğmeye bas. Kontrol otomatik yapılmaz."));
  EXPECT_EQ(view.checkButton()->text(), QStringLiteral("Güncellemeleri kontrol et"));
  EXPECT_TRUE(view.checkButton()->isEnabled());
  EXPECT_TRUE(view.downloadButton()->isHidden());
  EXPECT_EQ(view.footerText(), QStringLiteral("Kontrol, ") + UpdateChecker::downloadBase().host() +
                                   QStringLiteral(" adresine bağlanır. Paket imzası ve otomatik güncelleme henüz yok."));
}

TEST_F(UpdatesViewTest, CheckingDisablesTheButtonAndANewerReleaseOffersItsDownload) {
  UpdatesView view(model.get(), settings());
  serve("0.10.0");
  view.checkButton()->click();
  EXPECT_EQ(view.checkButton()->text(), QStringLiteral("Kontrol ediliyor…"));
  EXPECT_FALSE(view.checkButton()->isEnabled());
  EXPECT_EQ(view.checkButton()->cursor().shape(), Qt::ArrowCursor);
  ASSERT_TRUE(finish(view));
  EXPECT_TRUE(view.checkButton()->isEnabled());
  EXPECT_FALSE(view.downloadButton()->isHidden());
  EXPECT_EQ(view.downloadButton()->text(), QStringLiteral("0.10.0 sürümünü indir…"));
  EXPECT_TRUE(view.statusText().startsWith(QStringLiteral("Kivo 0.10.0 hazır.")));
  // A later check hides the offer while it runs and when nothing is newer.
  serve("0.8.0");
  view.checkButton()->click();
  EXPECT_TRUE(view.downloadButton()->isHidden());
  ASSERT_TRUE(finish(view));
  EXPECT_TRUE(view.downloadButton()->isHidden());
  EXPECT_EQ(view.statusText(), QStringLiteral("Kivo 0.8.0 güncel. Otomatik kurulum yapılmaz."));
}

TEST_F(UpdatesViewTest, AFailedCheckShowsTheReasonAndNoDownload) {
  UpdatesView view(model.get(), settings());
  server.route("/releases.json", TestHttpServer::answer(200, "application/json", "{}"));
  view.checkButton()->click();
  ASSERT_TRUE(finish(view));
  EXPECT_TRUE(view.statusText().startsWith(QStringLiteral("Güncellemeler kontrol edilemedi: ")));
  EXPECT_TRUE(view.downloadButton()->isHidden());
}

}  // namespace
