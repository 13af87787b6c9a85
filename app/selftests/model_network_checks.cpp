#include "selftests/model_network_checks.h"

#include <QUrl>

#include <chrono>
#include <functional>
#include <stdexcept>

#include "loading/document_cache.h"
#include "model/browser_model.h"
#include "profile/browsing_profile.h"
#include "profile/history_store.h"
#include "selftests/main_thread.h"
#include "selftests/smoke_failure.h"

namespace {

using namespace std::chrono_literals;

// The address text a tab records for `url`.
QString absolute(const QUrl& url) {
  return QString::fromUtf8(url.toEncoded());
}

// A pointer to a profile that someone else owns.
std::shared_ptr<BrowsingProfile> borrowed(BrowsingProfile& profile) {
  return std::shared_ptr<BrowsingProfile>(std::shared_ptr<BrowsingProfile>(), &profile);
}

}  // namespace

ModelNetworkHold runModelNetworkChecks(const ProfileSuiteFrame& frame, BrowsingProfile& normal,
                                       const QString& historyFile) {
  ModelNetworkHold hold;
  hold.model = MainThread::make<BrowserModel>(nullptr, std::make_shared<DocumentCache>(), std::nullopt, borrowed(normal));
  BrowserModel& model = *hold.model;
  const QString page = absolute(frame.fixture(QStringLiteral("page")));
  const QString next = absolute(frame.fixture(QStringLiteral("next")));
  const QString slow = absolute(frame.fixture(QStringLiteral("slow")));
  const auto visits = [&] { return MainThread::call([&] { return normal.history().entries().size(); }); };
  const auto address = [&] { return MainThread::call([&] { return model.current().address(); }); };

  // A remote page: redirected, rendered by the own engine, and recorded.
  MainThread::call([&] { model.navigate(absolute(frame.fixture(QStringLiteral("redirect")))); });
  untilHolds(QStringLiteral("remote page paints in own engine"), [&] { return model.currentDocument().has_value(); },
             frame.patience);
  const bool finalPage = MainThread::call([&] {
    const std::optional<PageDocument> document = model.currentDocument();
    return document && document->title == QLatin1String("Network fixture") && model.current().address() == page;
  });
  frame.check(finalPage, QStringLiteral("own engine renders final response"));
  frame.check(visits() == 1, QStringLiteral("normal visit enters history"));
  // The visit is saved on the store's worker; a restart reads what it wrote.
  MainThread::call([&] { normal.history().flush(); });
  hold.reopenedHistory = MainThread::make<HistoryStore>(historyFile);
  frame.check(MainThread::call([&] { return hold.reopenedHistory->entries().size(); }) == 1,
              QStringLiteral("history survives store restart"));

  // A relative link, a refused local file and a re-layout.
  MainThread::call([&] { model.followLink(QStringLiteral("/next")); });
  untilHolds(QStringLiteral("relative link loads"),
             [&] { return model.currentDocument().has_value() && model.current().address() == next; }, frame.patience);
  frame.check(visits() == 2 && MainThread::call([&] { return model.canGoBack(); }),
              QStringLiteral("relative link navigation and history"));
  MainThread::call([&] { model.followLink(QStringLiteral("file:///etc/hosts")); });
  frame.check(address() == next, QStringLiteral("remote page cannot open local file"));
  MainThread::call([&] { model.setViewportWidth(700.0); });
  untilHolds(
      QStringLiteral("remote resize"),
      [&] {
        const std::optional<PageDocument> document = model.currentDocument();
        return document && document->width == 700;
      },
      frame.patience);
  frame.check(visits() == 2, QStringLiteral("resize does not duplicate history"));

  // A history clear while the page loads keeps the visit out.
  MainThread::call([&] {
    model.navigate(slow);
    model.clearHistory();
  });
  untilHolds(QStringLiteral("clear while loading"), [&] { return model.currentDocument().has_value(); }, frame.patience);
  frame.check(visits() == 0, QStringLiteral("cleared history cannot reappear from pending load"));

  // A newer navigation wins over a slower one.
  MainThread::call([&] {
    model.navigate(slow);
    model.navigate(QStringLiteral("kivo://home"));
  });
  MainThread::pause(600ms);
  const bool home = MainThread::call(
      [&] { return model.current().address() == QLatin1String("kivo://home") && !model.currentDocument(); });
  frame.check(home, QStringLiteral("cancelled navigation cannot overwrite newer page"));
  return hold;
}

PageShower modelPageShower(std::vector<std::shared_ptr<BrowserModel>>& models, const Patience& patience) {
  return [&models, patience](BrowsingProfile& profile, const QUrl& address) {
    const auto model =
        MainThread::make<BrowserModel>(nullptr, std::make_shared<DocumentCache>(), std::nullopt, borrowed(profile));
    models.push_back(model);
    MainThread::call([&] { model->navigate(absolute(address)); });
    std::optional<QString> failure;
    const bool ended = MainThread::waitUntil(
        [&] {
          const BrowserTab tab = model->current();
          if (const PageContent::Message* message = tab.content.messageValue()) failure = message->detail;
          return failure || model->currentDocument();
        },
        patience.bound);
    if (failure) throw std::runtime_error(failure->toStdString());
    if (!ended) throw SmokeFailure(QStringLiteral("private page"));
  };
}
