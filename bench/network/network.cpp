// Times the application's network road against the fixture server whose base
// URL is the one argument (tools/fixture-server/fixture_server.py start):
// 1. a small page through NetworkTransport::page against the same request
//    made with bare libcurl on one reused handle, against a budget of 1 ms
//    more per request (medians of 200 requests each);
// 2. the resources page: fetching it, preparing its envelope (manifest run and
//    subresource fetches) and rendering it through the document cache, each
//    stage's median of 10 runs.
// Prints its figures; the exit status says only whether it could run.
#include <curl/curl.h>

#include <QGuiApplication>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <vector>

#include "loading/document_cache.h"
#include "loading/web_resources.h"
#include "network/network_transport.h"
#include "platform/display_platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double millisecondsOf(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::size_t discard(char*, std::size_t size, std::size_t count, void*) {
  return size * count;
}

QUrl fixture(const QUrl& base, const QString& path) {
  QUrl url = base;
  QString basePath = url.path();
  if (!basePath.endsWith(QLatin1Char('/'))) basePath += QLatin1Char('/');
  url.setPath(basePath + path);
  return url;
}

void smallPage(const QUrl& base) {
  constexpr int kRuns = 200;
  const QByteArray address = fixture(base, QStringLiteral("page")).toEncoded();
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, address.constData());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &discard);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  std::vector<double> bare;
  for (int i = 0; i < kRuns; ++i) {
    bare.push_back(millisecondsOf([&] {
      if (curl_easy_perform(easy) != CURLE_OK) throw std::runtime_error("bare libcurl request failed");
    }));
  }
  curl_easy_cleanup(easy);
  NetworkTransport transport;
  std::vector<double> ours;
  const QUrl url = fixture(base, QStringLiteral("page"));
  for (int i = 0; i < kRuns; ++i) ours.push_back(millisecondsOf([&] { transport.page(url); }));
  const double difference = median(ours) - median(bare);
  std::printf("small page: libcurl %.3f ms, NetworkTransport %.3f ms, overhead %.3f ms (budget 1 ms: %s)\n", median(bare),
              median(ours), difference, difference <= 1.0 ? "met" : "MISSED");
}

void resourcesPage(const QUrl& base) {
  constexpr int kRuns = 10;
  NetworkTransport transport;
  DocumentCache cache;
  std::vector<double> fetch, prepare, render;
  const QUrl url = fixture(base, QStringLiteral("resources"));
  for (int i = 0; i < kRuns; ++i) {
    NetworkResponse response;
    WebResourcePack pack;
    fetch.push_back(millisecondsOf([&] { response = transport.page(url, true); }));
    if (!response.source) throw std::runtime_error("the resources page came back as a download");
    prepare.push_back(millisecondsOf([&] { pack = WebResources::prepare(*response.source, response.url, transport, true); }));
    render.push_back(millisecondsOf([&] { cache.load(pack.source, response.url.toString(), 400, true); }));
  }
  std::printf("resources page: fetch %.3f ms, prepare %.3f ms, render %.3f ms (medians of %d)\n", median(fetch),
              median(prepare), median(render), kRuns);
}

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayPlatform::prepare("kivo-bench-network", DisplayPlatform::Need::DisplayOrOffscreen)) return 1;
  QGuiApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  const QUrl base = arguments.size() == 2 ? QUrl(arguments[1]) : QUrl();
  if (!NetworkTransport::isAllowed(base)) {
    std::fputs("usage: kivo-bench-network BASE-URL (the fixture server's base URL)\n", stderr);
    return 2;
  }
  try {
    smallPage(base);
    resourcesPage(base);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kivo-bench-network: %s\n", error.what());
    return 1;
  }
  return 0;
}
