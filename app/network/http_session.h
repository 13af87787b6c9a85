// One memory-only HTTP session over libcurl: a share for cookies, DNS answers
// and TLS sessions, a pool of easy handles that keeps their connections alive,
// the session's HTTP cache, and the exchange that runs one GET with its own
// redirect loop on the calling thread. Every connection is opened
// close-on-exec, so child processes never inherit one.
//
// Thread-safe: any number of threads may run exchanges at once; each blocks
// its own thread. A transfer stops at once when its stop token or close() asks
// (the waiting transfer is woken at once, and the body stops before its next
// piece).
//
// Limits: at most 16 redirects per exchange; a response head of at most
// 256 KiB and 1,000 fields, and no longer lines than the transfer library
// keeps (a larger head fails with NetworkError::Kind::headTooLarge); at most `connectionsPerHost` transfers per host at
// a time; the time limits of each request (idle time and a deadline for the
// whole exchange, redirects included).
#pragma once

#include <QByteArray>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <vector>

#include "network/http_cache.h"
#include "network/http_head.h"

// What one exchange asks for.
struct HttpRequest {
  using Clock = std::chrono::steady_clock;

  QUrl url;
  bool bypass = false;         // read nothing from the cache, send "Cache-Control: no-cache"
  bool mayStore = true;        // a complete, cacheable answer may be kept
  bool decodeContent = true;   // accept compressed bodies and hand them on decoded
  QByteArray accept;           // the Accept header; empty for the library's "*/*"
  std::chrono::milliseconds idleTimeout{30'000};  // the longest wait for a connection or more data
  Clock::time_point deadline = Clock::time_point::max();  // the end of the whole exchange; max: none
  // Decides whether a redirect from the first address to the second is
  // followed; a refused redirect makes its answer the final one.
  std::function<bool(const QUrl& from, const QUrl& to)> followRedirect;
};

// Receives the final answer of an exchange. Both calls may throw: the
// transfer is then aborted and the exception leaves exchange().
class HttpSink {
public:
  virtual ~HttpSink() = default;
  // The final answer's head; return false to end the transfer without its body.
  virtual bool head(const HttpHead& head) = 0;
  // The next piece of the body, in order.
  virtual void body(const char* data, std::size_t size) = 0;
};

class HttpSession {
public:
  static constexpr int kRedirectLimit = 16;

  struct Configuration {
    QByteArray userAgent;   // sent with every request; empty: no User-Agent header
    bool cookies = false;   // keep cookies in memory and send them
    qint64 cacheCapacity = 0;
    int connectionsPerHost = 6;
  };

  explicit HttpSession(const Configuration& configuration);
  // Closes the session. Every exchange must have returned by then.
  ~HttpSession();

  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  // Runs one GET of `request.url`, following allowed redirects, and hands
  // the final answer to `sink`; a fresh cached answer is handed on without a
  // request unless the request bypasses the cache. Throws NetworkError for
  // failures of the network, time limits and cancellation, and whatever the
  // sink throws.
  void exchange(const HttpRequest& request, HttpSink& sink, std::stop_token stop);

  HttpCache& cache() { return m_cache; }

  // Forgets every cookie of the session.
  void clearCookies();

  // Stops every running transfer and refuses every later one.
  void close();

private:
  struct Share;
  class Hop;
  // An easy handle with the multi handle it runs in; the multi handle owns
  // the live connections, so the pair is pooled together.
  struct Handle {
    void* easy = nullptr;
    void* multi = nullptr;
  };

  // How one request on the wire ended.
  struct Outcome {
    int code = 0;              // the transfer library's result
    std::string detail;        // its description of a failure
    std::time_t startedSystem = 0;
  };

  // Runs the transfer of `handle` until it ends or the hop is stopped;
  // returns the transfer library's result.
  int run(Handle handle, Hop& hop, std::stop_token stop);
  Outcome perform(const HttpRequest& request, const QUrl& url, Hop& hop, std::chrono::milliseconds remaining,
                  std::stop_token stop);

  Handle takeHandle();
  void returnHandle(Handle handle);
  static void cleanup(Handle handle);
  void enterHost(const QString& host, std::stop_token stop);
  void leaveHost(const QString& host);
  void check(std::stop_token stop) const;

  const Configuration m_configuration;
  HttpCache m_cache;
  std::unique_ptr<Share> m_share;
  std::stop_source m_closing;

  std::mutex m_mutex;
  std::condition_variable m_hostFreed;
  std::vector<Handle> m_idleHandles;
  std::map<QString, int> m_hostTransfers;
  bool m_closed = false;
};
