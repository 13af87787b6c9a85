#include "loading/tab_loader.h"

#include <utility>

#include "base/bridge_error.h"
#include "loading/web_resources.h"

namespace {

// The transport behind `network`, or the failure of a load without one.
std::shared_ptr<NetworkTransport> transportOf(const std::weak_ptr<NetworkTransport>& network) {
  std::shared_ptr<NetworkTransport> transport = network.lock();
  if (!transport) throw BridgeError(QStringLiteral("Geçersiz ağ yanıtı."));
  return transport;
}

}  // namespace

TabLoader::Fetch TabLoader::fetchOn(std::weak_ptr<NetworkTransport> network) {
  return [network = std::move(network)](const QUrl& url, bool bypass, std::stop_token stop) {
    return transportOf(network)->page(url, bypass, false, stop);
  };
}

TabLoader::Prepare TabLoader::prepareOn(std::weak_ptr<NetworkTransport> network) {
  return [network = std::move(network)](const QByteArray& source, const QUrl& address, bool bypass,
                                        std::stop_token stop) {
    return WebResources::prepare(source, address, *transportOf(network), bypass, stop);
  };
}

QString TabLoader::addressText(const QUrl& url) {
  return QString::fromUtf8(url.toEncoded());
}

TabLoader::TabLoader(std::shared_ptr<DocumentCache> cache, Fetch fetch, Prepare prepare)
    : m_cache(std::move(cache)), m_fetch(std::move(fetch)), m_prepare(std::move(prepare)) {}

TabLoader::Outcome TabLoader::run(const Request& request, std::stop_token stop, const Responded& responded) const {
  return request.local ? runLocal(request) : runRemote(request, std::move(stop), responded);
}

TabLoader::Outcome TabLoader::runLocal(const Request& request) const {
  Outcome outcome;
  try {
    outcome.load = m_cache->load(request.url, request.width, request.bypass);
  } catch (...) {
    outcome.failure = std::current_exception();
  }
  return outcome;
}

TabLoader::Outcome TabLoader::runRemote(const Request& request, std::stop_token stop,
                                        const Responded& responded) const {
  Outcome outcome;
  // The renderer comes up, sandbox and all, while the page is fetched. The
  // render takes it over; a load that ends before ends it on this thread.
  std::unique_ptr<EngineBridge::StartedRenderer> renderer = m_cache->startRender(request.width);
  try {
    // The kept response, or a fetch.
    if (request.keptResponse && request.keptResponse->source) {
      outcome.response = request.keptResponse;
    } else {
      outcome.response = m_fetch(request.url, request.bypass, stop);
    }
    const NetworkResponse& response = *outcome.response;
    // An answer without a page, or a load stopped meanwhile, ends here.
    if (response.isDownload() || stop.stop_requested()) return outcome;
    responded(response);
    // The subresources, then the render under the final address.
    outcome.resources = request.keptResources ? *request.keptResources
                                              : m_prepare(*response.source, response.url, request.bypass, stop);
    outcome.load = m_cache->load(outcome.resources->source, addressText(response.url), request.width, request.bypass,
                                 std::move(renderer));
  } catch (...) {
    outcome.failure = std::current_exception();
  }
  return outcome;
}
