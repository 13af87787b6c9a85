// The application's only HTTP and HTTPS client and the home of its one URL
// policy. A transport owns two memory-only sessions: the page session (pages
// and downloads; it sends the user agent and keeps cookies) and the resource
// session (stylesheets and images; no user agent, no cookies). Each has its
// own HTTP cache.
//
// Thread-safe: every operation may be called from any thread at the same
// time; each blocks the calling thread until its transfer ends, so call them
// from worker threads, never from the main thread. A request stops early when
// its stop token asks, with NetworkError::cancellation().
//
// Every answer, of a page, a subresource or a download, is refused with
// BridgeError when its address is not allowed, its status is not 2xx, its
// Content-Length fields name different lengths, or its head is too large.
//
// Limits: a page body of at most 1 MiB, declared or counted, and 1 MiB of
// UTF-8 after decoding; a subresource body of at most the caller's limit,
// within the caller's time limit (and the resource session's 6 s idle and
// 8 s whole-transfer limits); a download of at most 4 GiB. Pages and
// downloads wait at most 30 s for data; a page's whole transfer lasts at
// most 600 s, a download's as long as data keeps coming. At
// most 16 redirects, 4 page-session transfers per host. Caches: 16 MiB for
// pages, 8 MiB for subresources.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include "support/kivo_version.h"

class HttpSession;
class HttpSink;
struct HttpHead;
struct HttpRequest;

// The result of one page fetch.
struct NetworkResponse {
  QUrl url;                           // the final address, after redirects
  qint64 status = 0;                  // always 200 to 299
  QString mime;                       // lower case; "application/octet-stream" when none was named
  qint64 byteCount = 0;               // raw body bytes read; 0 for a download
  double elapsed = 0;                 // seconds from the start to the classification or decoding
  std::optional<QByteArray> source;   // the page as UTF-8; absent for a download
  QString suggestedFilename;          // sanitised; "indirme" when the answer suggests none

  // True when the answer is to be offered as a download rather than shown.
  bool isDownload() const { return !source.has_value(); }
};

class NetworkTransport {
public:
  // Receives (bytes received so far, declared length or -1); called on the
  // downloading thread, which waits for it.
  using Progress = std::function<void(qint64 received, qint64 expected)>;

  static constexpr qint64 documentLimit = 1'048'576;
  static constexpr qint64 downloadLimit = 4'294'967'296;
  static constexpr const char* userAgent = "Kivo/" KIVO_VERSION " (Linux)";

  // Subresource kinds, as the renderer's manifest numbers them.
  static constexpr qint64 kStylesheet = 1;
  static constexpr qint64 kImage = 2;

  // The time limits of the two sessions' transfers: the longest wait for a
  // connection or more data (downloads included), and the whole transfer
  // (pages and subresources only).
  struct Timing {
    std::chrono::milliseconds pageIdle{30'000};
    std::chrono::milliseconds pageWhole{600'000};
    std::chrono::milliseconds resourceIdle{6'000};
    std::chrono::milliseconds resourceWhole{8'000};
  };

  // A transport with the application's time limits.
  NetworkTransport();
  // A transport with other time limits (tests).
  explicit NetworkTransport(const Timing& timing);
  // Closes both sessions. No operation may still be running.
  ~NetworkTransport();

  NetworkTransport(const NetworkTransport&) = delete;
  NetworkTransport& operator=(const NetworkTransport&) = delete;

  // Empties the HTTP caches of both sessions.
  void clearCache();
  // Removes every cookie of the page session.
  void clearCookies();
  // Stops the transfers of both sessions; every later request fails with
  // NetworkError (invalidated).
  void close();

  // Fetches one page. `bypass` skips and refreshes the HTTP cache (hard
  // reload); `allowJSON` lets "application/json" count as a page. Throws
  // BridgeError with the policy, status, size and charset refusals, and
  // NetworkError for failures of the network.
  NetworkResponse page(const QUrl& url, bool bypass = false, bool allowJSON = false, std::stop_token stop = {});

  // Fetches the body of one stylesheet (kind 1) or image (kind 2) without
  // cookies, at most `limit` bytes within `timeout` seconds. Throws
  // BridgeError for the budget, policy, status, MIME, size and time
  // refusals, NetworkError for failures of the network.
  QByteArray resource(const QUrl& url, qint64 kind, qint64 limit, double timeout, bool bypass,
                      std::stop_token stop = {});

  // Streams the body at `url` into a new 0600 file at `destination`
  // (replacing a file there, never following a symbolic link), hashing it
  // with SHA-256, and verifies the expected lower-case hex digest and length
  // when given. Returns the final address. Throws BridgeError for the policy,
  // status, size, file-creation and verification refusals, SystemError for
  // writing and flushing, NetworkError for the network and cancellation. On
  // failure the file stays for the caller to remove.
  QUrl download(const QUrl& url, const QString& destination, const std::optional<QString>& expectedSHA256,
                const std::optional<qint64>& expectedBytes, const Progress& progress, std::stop_token stop = {});

  // The URL policy of the whole application: http or https in any case, a
  // non-empty host, and no user name or password.
  static bool isAllowed(const QUrl& url);

  // The redirect policy of every transfer: a redirect is followed only to an
  // allowed address, and never from https to http.
  static bool followsRedirect(const QUrl& from, const QUrl& to);

  // A file name made safe: slashes, backslashes, colons and control or format
  // characters become "_", white space is trimmed; an empty name or one that
  // begins with "." becomes "indirme"; at most 180 characters and 255 bytes.
  static QString safeFilename(const QString& name);

private:
  HttpRequest request(const QUrl& url, bool bypass) const;
  // Runs one exchange of `session`; an answer whose head is too large fails
  // with its own BridgeError.
  static void exchange(HttpSession& session, const HttpRequest& request, HttpSink& sink, std::stop_token stop);
  static void checked(const HttpHead& head);

  class PageSink;
  class ResourceSink;
  class DownloadSink;

  const Timing m_timing;
  std::unique_ptr<HttpSession> m_session;
  std::unique_ptr<HttpSession> m_resourceSession;
};
