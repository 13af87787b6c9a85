#include "network/http_session.h"

#include <curl/curl.h>

#include <array>
#include <ctime>
#include <exception>
#include <mutex>
#include <string>

#include "network/network_error.h"
#include "platform/check.h"
#include "platform/file_descriptor.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kIdleHandleLimit = 8;

void initializeLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { KIVO_CHECK(curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK); });
}

NetworkError errorFor(CURLcode code, const char* detail) {
  using Kind = NetworkError::Kind;
  Kind kind = Kind::other;
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      kind = Kind::timedOut;
      break;
    case CURLE_COULDNT_RESOLVE_HOST:
      kind = Kind::cannotFindHost;
      break;
    case CURLE_COULDNT_CONNECT:
      kind = Kind::cannotConnect;
      break;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
      kind = Kind::connectionLost;
      break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      kind = Kind::serverCertificateUntrusted;
      break;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
      kind = Kind::secureConnectionFailed;
      break;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_UNSUPPORTED_PROTOCOL:
      kind = Kind::badServerResponse;
      break;
    default:
      break;
  }
  return NetworkError(kind, (detail && *detail) ? detail : curl_easy_strerror(code), static_cast<int>(code));
}

// Opens every connection close-on-exec, so that a child process started
// while a connection is kept alive (the renderer) never inherits it.
curl_socket_t openSocket(void*, curlsocktype, curl_sockaddr* address) {
  return FileDescriptor::socket(address->family, address->socktype, address->protocol).release();
}

QString hostKey(const QUrl& url) {
  return url.scheme() + QStringLiteral("://") + url.host() + QLatin1Char(':') +
         QString::number(url.port(url.scheme() == QLatin1String("https") ? 443 : 80));
}

NetworkError headTooLarge() {
  return NetworkError(NetworkError::Kind::headTooLarge);
}

// True when the transfer library itself refused the head for its size: a
// single header line beyond its own line limit fails the transfer as if
// memory had run out, and a whole head beyond its total limit as a receive
// error that says so.
bool libraryRefusedHead(int code, const std::string& detail) {
  if (code == CURLE_OUT_OF_MEMORY) return true;
  return code == CURLE_RECV_ERROR && detail.find("Too large response headers") != std::string::npos;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t';
}

QByteArray lowerAscii(QByteArrayView text) {
  QByteArray out = text.toByteArray();
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

QByteArray trimmed(QByteArrayView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isSpace(text[begin])) ++begin;
  while (end > begin && isSpace(text[end - 1])) --end;
  return text.sliced(begin, end - begin).toByteArray();
}

// "HTTP/1.1 200 OK" or "HTTP/2 200": the three-digit status, 0 when malformed.
int statusOf(QByteArrayView line) {
  const qsizetype space = line.indexOf(' ');
  if (space < 0 || line.size() < space + 4) return 0;
  int status = 0;
  for (qsizetype i = space + 1; i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    status = status * 10 + (line[i] - '0');
  }
  if (line.size() > space + 4 && line[space + 4] != ' ') return 0;
  return status;
}

}  // namespace

// The session's libcurl share and the locks libcurl asks for around it.
struct HttpSession::Share {
  CURLSH* handle = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;

  static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<Share*>(user)->locks[static_cast<std::size_t>(data)].lock();
  }
  static void unlock(CURL*, curl_lock_data data, void* user) {
    static_cast<Share*>(user)->locks[static_cast<std::size_t>(data)].unlock();
  }
};

// One request and its answer on one easy handle: the callbacks' state.
class HttpSession::Hop {
public:
  // `keepLimit` bounds the copy of the body kept for the cache; 0 keeps none.
  Hop(const HttpRequest& request, HttpSink& sink, std::stop_token stop, std::stop_token closing, qint64 keepLimit)
      : m_request(request),
        m_sink(sink),
        m_stop(std::move(stop)),
        m_closing(std::move(closing)),
        m_keep(keepLimit > 0),
        m_keepLimit(keepLimit) {}

  HttpHead head;
  std::optional<QUrl> redirect;
  bool headComplete = false;
  bool sinkStopped = false;
  bool keep() const { return m_keep; }
  const QByteArray& kept() const { return m_kept; }
  std::exception_ptr failure;

  bool stopRequested() const { return m_stop.stop_requested() || m_closing.stop_requested(); }

  static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    return static_cast<Hop*>(user)->header(QByteArrayView(data, static_cast<qsizetype>(size * count)));
  }

  static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    return static_cast<Hop*>(user)->body(data, size * count);
  }

  static int onProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    return static_cast<Hop*>(user)->progress(received) ? 0 : 1;
  }

  // Starts the idle clock: the transfer begins now.
  void begin() { m_lastData = Clock::now(); }

  // True when the request waited longer than its idle time for a
  // connection or more data.
  bool stalled = false;

private:
  // Whether the transfer goes on: not when it is stopped, nor when no data
  // has come for the idle time. Any byte, of the head or the body, counts.
  bool progress(curl_off_t received) {
    const auto now = Clock::now();
    if (received != m_received) {
      m_received = received;
      m_lastData = now;
    }
    if (stopRequested()) return false;
    if (now - m_lastData >= m_request.idleTimeout) {
      stalled = true;
      return false;
    }
    return true;
  }

  std::size_t header(QByteArrayView line) {
    const auto length = static_cast<std::size_t>(line.size());
    m_lastData = Clock::now();
    try {
      // Trailers of a chunked body come after the head and are ignored.
      if (headComplete) return length;
      m_headBytes += line.size();
      if (m_headBytes > HttpHead::kByteLimit) throw headTooLarge();
      while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r')) line.chop(1);
      if (line.startsWith("HTTP/")) {
        head.fields.clear();
        head.status = statusOf(line);
        if (head.status == 0) throw NetworkError(NetworkError::Kind::badServerResponse);
        return length;
      }
      if (line.isEmpty()) return headEnded() ? length : 0;
      if (isSpace(line.front()) && !head.fields.isEmpty()) {
        head.fields.back().second += ' ' + trimmed(line);
        return length;
      }
      const qsizetype colon = line.indexOf(':');
      if (colon <= 0) return length;
      if (head.fields.size() >= HttpHead::kFieldLimit) throw headTooLarge();
      head.fields.append({lowerAscii(trimmed(line.first(colon))), trimmed(line.sliced(colon + 1))});
      return length;
    } catch (...) {
      failure = std::current_exception();
      return 0;
    }
  }

  // The blank line after the header fields: an interim answer waits for the
  // real one, a followed redirect ends this hop, anything else goes to the sink.
  bool headEnded() {
    if (head.status >= 100 && head.status < 200) {
      head.status = 0;
      head.fields.clear();
      return true;
    }
    if (head.status == 0) throw NetworkError(NetworkError::Kind::badServerResponse);
    // The transfer library refuses a length that is no number, but takes one
    // too large to hold as "read to the end"; both are refused alike.
    if (head.hasOversizedLength()) throw errorFor(CURLE_WEIRD_SERVER_REPLY, "Invalid Content-Length: value");
    headComplete = true;
    if (const std::optional<QUrl> target = head.redirectTarget()) {
      if (m_request.followRedirect && m_request.followRedirect(head.url, *target)) {
        redirect = target;
        return false;
      }
    }
    if (!m_sink.head(head)) {
      sinkStopped = true;
      return false;
    }
    return true;
  }

  std::size_t body(const char* data, std::size_t size) {
    try {
      if (stopRequested() || !headComplete || redirect || sinkStopped) return 0;
      m_sink.body(data, size);
      if (m_keep) {
        if (m_kept.size() + static_cast<qint64>(size) > m_keepLimit) {
          m_keep = false;
          m_kept.clear();
        } else {
          m_kept.append(data, static_cast<qsizetype>(size));
        }
      }
      return size;
    } catch (...) {
      failure = std::current_exception();
      return 0;
    }
  }

  const HttpRequest& m_request;
  HttpSink& m_sink;
  std::stop_token m_stop;
  std::stop_token m_closing;
  bool m_keep;
  qint64 m_keepLimit;
  QByteArray m_kept;
  qint64 m_headBytes = 0;
  curl_off_t m_received = 0;
  Clock::time_point m_lastData;
};

HttpSession::HttpSession(const Configuration& configuration)
    : m_configuration(configuration), m_cache(configuration.cacheCapacity), m_share(std::make_unique<Share>()) {
  initializeLibrary();
  m_share->handle = curl_share_init();
  KIVO_CHECK(m_share->handle != nullptr);
  curl_share_setopt(m_share->handle, CURLSHOPT_LOCKFUNC, &Share::lock);
  curl_share_setopt(m_share->handle, CURLSHOPT_UNLOCKFUNC, &Share::unlock);
  curl_share_setopt(m_share->handle, CURLSHOPT_USERDATA, m_share.get());
  curl_share_setopt(m_share->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  curl_share_setopt(m_share->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  if (m_configuration.cookies) curl_share_setopt(m_share->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
}

HttpSession::~HttpSession() {
  close();
  curl_share_cleanup(m_share->handle);
}

void HttpSession::close() {
  std::vector<Handle> handles;
  {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    handles.swap(m_idleHandles);
  }
  m_closing.request_stop();
  m_hostFreed.notify_all();
  for (const Handle& handle : handles) cleanup(handle);
}

void HttpSession::check(std::stop_token stop) const {
  if (m_closing.stop_requested()) throw NetworkError(NetworkError::Kind::invalidated);
  if (stop.stop_requested()) throw NetworkError::cancellation();
}

HttpSession::Handle HttpSession::takeHandle() {
  {
    std::lock_guard lock(m_mutex);
    if (!m_idleHandles.empty()) {
      const Handle handle = m_idleHandles.back();
      m_idleHandles.pop_back();
      return handle;
    }
  }
  Handle handle{curl_easy_init(), curl_multi_init()};
  KIVO_CHECK(handle.easy != nullptr && handle.multi != nullptr);
  return handle;
}

void HttpSession::returnHandle(Handle handle) {
  auto* easy = static_cast<CURL*>(handle.easy);
  // Reset does not free the list of cookie sources, so it is emptied first;
  // with the share still attached the shared cookies stay.
  if (m_configuration.cookies) curl_easy_setopt(easy, CURLOPT_COOKIEFILE, static_cast<char*>(nullptr));
  // Reset drops every option and callback; the connections stay with the
  // multi handle.
  curl_easy_reset(easy);
  {
    std::lock_guard lock(m_mutex);
    if (!m_closed && m_idleHandles.size() < kIdleHandleLimit) {
      m_idleHandles.push_back(handle);
      return;
    }
  }
  cleanup(handle);
}

void HttpSession::cleanup(Handle handle) {
  curl_easy_cleanup(static_cast<CURL*>(handle.easy));
  curl_multi_cleanup(static_cast<CURLM*>(handle.multi));
}

void HttpSession::enterHost(const QString& host, std::stop_token stop) {
  std::unique_lock lock(m_mutex);
  while (m_hostTransfers[host] >= m_configuration.connectionsPerHost) {
    lock.unlock();
    check(stop);
    lock.lock();
    m_hostFreed.wait_for(lock, 20ms);
  }
  ++m_hostTransfers[host];
}

void HttpSession::leaveHost(const QString& host) {
  {
    std::lock_guard lock(m_mutex);
    if (--m_hostTransfers[host] <= 0) m_hostTransfers.erase(host);
  }
  m_hostFreed.notify_all();
}

void HttpSession::clearCookies() {
  if (!m_configuration.cookies) return;
  const Handle handle = takeHandle();
  CURL* easy = static_cast<CURL*>(handle.easy);
  curl_easy_setopt(easy, CURLOPT_SHARE, m_share->handle);
  curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
  returnHandle(handle);
}

int HttpSession::run(Handle handle, Hop& hop, std::stop_token stop) {
  auto* easy = static_cast<CURL*>(handle.easy);
  auto* multi = static_cast<CURLM*>(handle.multi);
  hop.begin();
  KIVO_CHECK(curl_multi_add_handle(multi, easy) == CURLM_OK);
  // A stop or a close wakes the wait below at once.
  const auto wake = [multi] { curl_multi_wakeup(multi); };
  const std::stop_callback onStop(stop, wake);
  const std::stop_callback onClose(m_closing.get_token(), wake);
  CURLcode code = CURLE_OK;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      code = CURLE_OUT_OF_MEMORY;
      break;
    }
    if (running == 0) {
      int queued = 0;
      const CURLMsg* message = curl_multi_info_read(multi, &queued);
      code = (message && message->msg == CURLMSG_DONE) ? message->data.result : CURLE_RECV_ERROR;
      break;
    }
    if (hop.stopRequested()) {
      code = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
  }
  curl_multi_remove_handle(multi, easy);
  return code;
}

HttpSession::Outcome HttpSession::perform(const HttpRequest& request, const QUrl& url, Hop& hop,
                                          std::chrono::milliseconds remaining, std::stop_token stop) {
  const QString host = hostKey(url);
  enterHost(host, stop);
  const Handle handle = takeHandle();
  CURL* easy = static_cast<CURL*>(handle.easy);
  Outcome outcome;
  char errorText[CURL_ERROR_SIZE] = {0};
  const QByteArray encoded = url.toEncoded();
  // Only GET over http and https, redirects left to the caller, no signals.
  curl_easy_setopt(easy, CURLOPT_URL, encoded.constData());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_SHARE, m_share->handle);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &openSocket);
  // The hop's callbacks see the head, the body and every chance to stop.
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Hop::onHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &hop);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Hop::onBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &hop);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Hop::onProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &hop);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  // Time limits: the rest of the whole exchange and the connection; the hop
  // itself ends a transfer that idles.
  auto connect = request.idleTimeout;
  if (request.deadline != Clock::time_point::max()) {
    connect = std::min(connect, remaining);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<qint64>(remaining.count(), 1)));
  }
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max<qint64>(connect.count(), 1)));
  // The session's identity and cookies, and the request's own headers.
  if (!m_configuration.userAgent.isEmpty()) curl_easy_setopt(easy, CURLOPT_USERAGENT, m_configuration.userAgent.constData());
  if (m_configuration.cookies) curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
  if (request.decodeContent) curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
  curl_slist* headers = nullptr;
  if (!request.accept.isEmpty()) headers = curl_slist_append(headers, ("Accept: " + request.accept).constData());
  if (request.bypass) headers = curl_slist_append(headers, "Cache-Control: no-cache");
  if (headers) curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  outcome.startedSystem = std::time(nullptr);
  outcome.code = run(handle, hop, stop);
  outcome.detail = errorText;
  curl_slist_free_all(headers);
  returnHandle(handle);
  leaveHost(host);
  return outcome;
}

void HttpSession::exchange(const HttpRequest& request, HttpSink& sink, std::stop_token stop) {
  QUrl url = request.url;
  for (int redirects = 0;; ++redirects) {
    // 1. A closed session or a cancelled caller starts nothing.
    check(stop);
    // 2. A fresh stored answer is served without a request.
    if (!request.bypass) {
      if (std::optional<HttpCache::Entry> entry = m_cache.fresh(url, Clock::now())) {
        if (sink.head(entry->head)) {
          check(stop);
          sink.body(entry->body.constData(), static_cast<std::size_t>(entry->body.size()));
        }
        return;
      }
    }
    // 3. The time left of the whole exchange bounds this hop.
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(request.deadline - Clock::now());
    if (request.deadline != Clock::time_point::max() && remaining <= 0ms) {
      throw NetworkError(NetworkError::Kind::timedOut);
    }
    // 4. Run one request.
    Hop hop(request, sink, stop, m_closing.get_token(), request.mayStore ? m_configuration.cacheCapacity / 8 : 0);
    hop.head.url = url;
    const Outcome outcome = perform(request, url, hop, remaining, stop);
    // 5. A failure of ours or of the sink.
    if (hop.failure) std::rethrow_exception(hop.failure);
    // 6. A followed redirect, within the limit.
    if (hop.redirect) {
      if (redirects >= kRedirectLimit) {
        throw NetworkError(NetworkError::Kind::tooManyRedirects);
      }
      url = *hop.redirect;
      continue;
    }
    // 7. The sink wanted no body.
    if (hop.sinkStopped) return;
    // 8. A failure of the transfer.
    if (outcome.code != CURLE_OK) {
      check(stop);
      if (outcome.code == CURLE_ABORTED_BY_CALLBACK) {
        if (hop.stalled) {
          throw NetworkError(NetworkError::Kind::stalled,
                             "No data arrived for " + std::to_string(request.idleTimeout.count()) + " milliseconds");
        }
        throw NetworkError::cancellation();
      }
      if (!hop.headComplete && libraryRefusedHead(outcome.code, outcome.detail)) throw headTooLarge();
      throw errorFor(static_cast<CURLcode>(outcome.code), outcome.detail.c_str());
    }
    if (!hop.headComplete) throw NetworkError(NetworkError::Kind::badServerResponse);
    // 9. The complete answer refreshes the cache.
    if (hop.keep()) {
      m_cache.store(url, hop.head, hop.kept(), Clock::now(), outcome.startedSystem);
    } else if (request.mayStore) {
      m_cache.remove(url);
    }
    return;
  }
}
