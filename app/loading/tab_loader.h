// The road of one page load, from its address to its document, run in one
// go on the calling thread: a worker, never the main thread, since it blocks
// while it fetches and renders.
//
// A local file is rendered through the document cache. A web page first has
// its renderer started (so that the process's start and sandbox are off the
// road), then gets its response (the kept one when it has a body, otherwise a
// fetch), its subresources (the kept ones, otherwise a preparation) and its
// render through the cache on that renderer, under the final address after
// redirects. The loader knows no tabs: whoever starts it keeps the
// generations and applies the outcome.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include "loading/document_cache.h"
#include "loading/subresource_records.h"
#include "network/network_transport.h"

class TabLoader {
public:
  // Fetches a page (blocking).
  using Fetch = std::function<NetworkResponse(const QUrl& url, bool bypass, std::stop_token stop)>;
  // Prepares a page's subresources (blocking).
  using Prepare =
      std::function<WebResourcePack(const QByteArray& source, const QUrl& address, bool bypass, std::stop_token stop)>;
  // Told a web page's response before the page is prepared.
  using Responded = std::function<void(const NetworkResponse& response)>;

  struct Request {
    QUrl url;            // a file URL, or an http(s) address
    bool local = false;  // true: `url` names a local file
    double width = 0;    // the viewport width to lay the document out at
    bool bypass = false;  // true: past the document cache and the network cache
    // A re-layout's kept response and subresources (web pages only).
    std::optional<NetworkResponse> keptResponse;
    std::optional<WebResourcePack> keptResources;
  };

  // How a load ended: with a document, with a failure, or (web pages only)
  // with a response and neither, when the response has no body (a download)
  // or the load was stopped once it arrived.
  struct Outcome {
    std::optional<NetworkResponse> response;  // the web page's response, once it arrived
    std::optional<WebResourcePack> resources;  // the subresources the page was rendered with
    std::optional<DocumentLoad> load;          // the document
    std::exception_ptr failure;                // what ended the load without a document
  };

  // The fetch and the preparation on `network`; both throw BridgeError
  // "Geçersiz ağ yanıtı." once the transport is gone.
  static Fetch fetchOn(std::weak_ptr<NetworkTransport> network);
  static Prepare prepareOn(std::weak_ptr<NetworkTransport> network);

  // The text of a fetched page's address, as the cache identity, the history
  // and the console name it: the encoded URL.
  static QString addressText(const QUrl& url);

  TabLoader(std::shared_ptr<DocumentCache> cache, Fetch fetch, Prepare prepare);

  // Runs the load; never throws. `responded` hears a web page's response
  // when the page goes on to be prepared: it has a body and `stop` was not
  // requested once it arrived. A stop requested later ends the preparation
  // early; the render itself is not interrupted.
  Outcome run(const Request& request, std::stop_token stop, const Responded& responded) const;

private:
  Outcome runLocal(const Request& request) const;
  Outcome runRemote(const Request& request, std::stop_token stop, const Responded& responded) const;

  std::shared_ptr<DocumentCache> m_cache;
  Fetch m_fetch;
  Prepare m_prepare;
};
