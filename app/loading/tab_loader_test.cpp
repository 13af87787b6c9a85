#include "loading/tab_loader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include "base/bridge_error.h"
#include "network/network_error.h"
#include "platform/temporary_folder.h"
#include "support/test_names.h"

namespace {

// A loader whose fetch, preparation and render write what they do into one
// list, so a case sees which steps ran and in what order. The fetched page's
// text decides its fate: "fail" fails the render, "bare" fails the
// preparation.
class TabLoaderTest : public testing::Test {
protected:
  TabLoader::Outcome run(const TabLoader::Request& request) {
    const TabLoader loader(
        m_cache,
        [this](const QUrl& url, bool, std::stop_token) {
          m_steps.append(QStringLiteral("fetch"));
          return m_page(url);
        },
        [this](const QByteArray& source, const QUrl&, bool, std::stop_token) {
          m_steps.append(QStringLiteral("prepare"));
          if (source == "bare") throw BridgeError(QStringLiteral("Alt kaynak sayısı geçersiz."));
          WebResourcePack pack;
          pack.source = source;
          return pack;
        });
    return loader.run(request, m_stop.get_token(), [this](const NetworkResponse& response) {
      m_steps.append(QStringLiteral("responded ") + TabLoader::addressText(response.url));
    });
  }

  static NetworkResponse response(const char* url, std::optional<QByteArray> body) {
    NetworkResponse answer;
    answer.url = QUrl(QString::fromUtf8(url));
    answer.status = 200;
    answer.source = std::move(body);
    return answer;
  }

  static TabLoader::Request web(const char* url) {
    TabLoader::Request request;
    request.url = QUrl(QString::fromUtf8(url));
    request.width = 800;
    return request;
  }

  std::shared_ptr<DocumentCache> m_cache =
      std::make_shared<DocumentCache>(16, 33'554'432, [this](const QByteArray& source, double width) {
        m_steps.append(QStringLiteral("render"));
        if (source == "fail") throw BridgeError(QStringLiteral("Motor bu belgeyi işleyemedi."));
        PageDocument document;
        document.version = 2;
        document.title = QString::fromUtf8(source);
        document.width = width;
        return document;
      });
  std::function<NetworkResponse(const QUrl&)> m_page;
  std::stop_source m_stop;
  QStringList m_steps;
};

struct RoadCase {
  const char* name;
  // The fetched page's text; none for a download.
  std::optional<QByteArray> body;
  bool stopDuringFetch;
  const char* steps;
  bool response;
  bool document;
  bool failure;
};

class TabLoaderRoad : public TabLoaderTest, public testing::WithParamInterface<RoadCase> {};

TEST_P(TabLoaderRoad, EndsWhereThePageLeavesIt) {
  const RoadCase& c = GetParam();
  m_page = [&](const QUrl&) {
    if (c.stopDuringFetch) m_stop.request_stop();
    return response("http://a.b/page", c.body);
  };
  const TabLoader::Outcome outcome = run(web("http://a.b/redirect"));
  EXPECT_EQ(m_steps.join(QLatin1String(", ")), QString::fromUtf8(c.steps));
  EXPECT_EQ(outcome.response.has_value(), c.response);
  EXPECT_EQ(outcome.load.has_value(), c.document);
  EXPECT_EQ(outcome.failure != nullptr, c.failure);
  if (c.document) {
    EXPECT_EQ(outcome.load->document.width, 800);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TabLoaderRoad,
    testing::Values(
        RoadCase{"a page", QByteArray("Sayfa"), false, "fetch, responded http://a.b/page, prepare, render", true, true,
                 false},
        RoadCase{"a download", std::nullopt, false, "fetch", true, false, false},
        RoadCase{"stopped during the fetch", QByteArray("Sayfa"), true, "fetch", true, false, false},
        RoadCase{"the preparation fails", QByteArray("bare"), false, "fetch, responded http://a.b/page, prepare",
                 true, false, true},
        RoadCase{"the render fails", QByteArray("fail"), false,
                 "fetch, responded http://a.b/page, prepare, render", true, false, true}),
    [](const testing::TestParamInfo<RoadCase>& info) { return kivo_testing::name_from_text(info.param.name); });

TEST_F(TabLoaderTest, AFailedFetchEndsWithoutAResponse) {
  m_page = [](const QUrl&) -> NetworkResponse { throw NetworkError(NetworkError::Kind::cannotConnect, "refused", 7); };
  const TabLoader::Outcome outcome = run(web("https://a.b/"));
  EXPECT_EQ(m_steps, QStringList{QStringLiteral("fetch")});
  EXPECT_FALSE(outcome.response || outcome.load);
  EXPECT_EQ(userMessage(outcome.failure), QStringLiteral("Sunucuya bağlanılamadı."));
}

TEST_F(TabLoaderTest, ARelayoutRendersFromTheKeptResponseAndResources) {
  TabLoader::Request request = web("http://a.b/page");
  request.keptResponse = response("http://a.b/page", QByteArray("Eski"));
  request.keptResources = WebResourcePack();
  request.keptResources->source = "Eski";
  const TabLoader::Outcome outcome = run(request);
  EXPECT_EQ(m_steps, (QStringList{QStringLiteral("responded http://a.b/page"), QStringLiteral("render")}));
  ASSERT_TRUE(outcome.load);
  EXPECT_EQ(outcome.load->document.title, QStringLiteral("Eski"));

  // A kept response without a body is fetched again.
  request.keptResponse->source.reset();
  request.keptResources.reset();
  m_steps.clear();
  m_page = [](const QUrl&) { return response("http://a.b/page", QByteArray("Yeni")); };
  EXPECT_EQ(run(request).load->document.title, QStringLiteral("Yeni"));
  EXPECT_EQ(m_steps.first(), QStringLiteral("fetch"));
}

TEST_F(TabLoaderTest, PagesReachedThroughRedirectsShareTheFinalAddressInTheCache) {
  m_page = [](const QUrl&) { return response("http://a.b/final", QByteArray("Sayfa")); };
  EXPECT_FALSE(run(web("http://a.b/one")).load->cacheHit);
  EXPECT_TRUE(run(web("http://a.b/two")).load->cacheHit);
  m_page = [](const QUrl&) { return response("http://a.b/other", QByteArray("Sayfa")); };
  EXPECT_FALSE(run(web("http://a.b/one")).load->cacheHit);
}

TEST_F(TabLoaderTest, ALocalFileIsRenderedWithoutTheNetwork) {
  const TemporaryFolder folder(QStringLiteral("kivo-tab-loader-"));
  const QString path = folder.filePath(QStringLiteral("a.html"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("Yerel");
  file.close();
  TabLoader::Request request;
  request.url = QUrl::fromLocalFile(path);
  request.local = true;
  request.width = 640;
  const TabLoader::Outcome outcome = run(request);
  EXPECT_EQ(m_steps, QStringList{QStringLiteral("render")});
  EXPECT_FALSE(outcome.response);
  ASSERT_TRUE(outcome.load);
  EXPECT_EQ(outcome.load->document.title, QStringLiteral("Yerel"));
}

TEST_F(TabLoaderTest, AGoneTransportFailsTheFetchAndThePreparation) {
  const std::weak_ptr<NetworkTransport> gone;
  const auto message = [](const std::function<void()>& call) {
    try {
      call();
    } catch (const BridgeError& error) {
      return error.message();
    }
    return QString();
  };
  EXPECT_EQ(message([&] { TabLoader::fetchOn(gone)(QUrl(QStringLiteral("https://a.b/")), false, {}); }),
            QStringLiteral("Geçersiz ağ yanıtı."));
  EXPECT_EQ(message([&] { TabLoader::prepareOn(gone)("x", QUrl(QStringLiteral("https://a.b/")), false, {}); }),
            QStringLiteral("Geçersiz ağ yanıtı."));
}

}  // namespace
