// A scripted HTTP/1.1 server on 127.0.0.1 for the unit tests of the network,
// the loading, the profile, the pages and the self-tests: each path answers
// with raw bytes written by its handler, so tests can play a hostile server
// (lying lengths, endless heads, stalls) or a plain one (answer()). One
// connection per request; every request is recorded.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QUrl>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/file_descriptor.h"

class TestHttpServer {
public:
  struct Request {
    QByteArray path;
    QList<std::pair<QByteArray, QByteArray>> headers;  // names lower-cased
    std::optional<QByteArray> header(const QByteArray& name) const {
      for (const auto& [key, value] : headers) {
        if (key == name) return value;
      }
      return std::nullopt;
    }
  };
  using Handler = std::function<void(TestHttpServer& server, int fd, const Request& request)>;

  TestHttpServer() {
    m_listener.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(m_listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listener.get(), 64);
    socklen_t length = sizeof address;
    ::getsockname(m_listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    // The loop keeps its own copy of the number: the destructor closes the
    // listener to end it.
    m_acceptor = std::thread([this, listener = m_listener.get()] { acceptLoop(listener); });
  }

  ~TestHttpServer() {
    m_stopping = true;
    ::shutdown(m_listener.get(), SHUT_RDWR);
    m_listener.reset();
    m_acceptor.join();
    {
      std::lock_guard lock(m_mutex);
      for (int fd : m_open) ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& worker : m_workers) worker.join();
  }

  void route(const QByteArray& path, Handler handler) {
    std::lock_guard lock(m_mutex);
    m_routes.insert(path, std::move(handler));
  }

  // A handler that answers with one complete response.
  static Handler answer(int status, const QByteArray& contentType, const QByteArray& body,
                        const QList<QByteArray>& extraHeaders = {}) {
    return [=](TestHttpServer&, int fd, const Request&) { send(fd, response(status, contentType, body, extraHeaders)); };
  }

  static QByteArray response(int status, const QByteArray& contentType, const QByteArray& body,
                             const QList<QByteArray>& extraHeaders = {}) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\nConnection: close\r\n";
    if (!contentType.isEmpty()) out += "Content-Type: " + contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    for (const QByteArray& header : extraHeaders) out += header + "\r\n";
    out += "\r\n";
    out += body;
    return out;
  }

  static bool send(int fd, QByteArrayView bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(fd, bytes.data() + sent, static_cast<std::size_t>(bytes.size() - sent), MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += n;
    }
    return true;
  }

  // Sleeps up to `duration`, ending early when the server shuts down.
  void pause(std::chrono::milliseconds duration) {
    const auto end = std::chrono::steady_clock::now() + duration;
    while (!m_stopping && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  bool stopping() const { return m_stopping; }

  // Sends nothing more and waits, however long it takes, until the client
  // closes the connection (or the server shuts down).
  void holdUntilClosed(int fd) {
    pollfd closed{fd, POLLIN, 0};
    char byte = 0;
    while (!m_stopping) {
      if (::poll(&closed, 1, 50) > 0 && ::recv(fd, &byte, 1, 0) <= 0) return;
    }
  }

  QUrl url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(path));
  }

  QList<Request> requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
  }

  qsizetype requestCount(const QByteArray& path) const {
    std::lock_guard lock(m_mutex);
    qsizetype count = 0;
    for (const Request& request : m_requests) count += request.path == path ? 1 : 0;
    return count;
  }

private:
  void acceptLoop(int listener) {
    while (!m_stopping) {
      const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) {
        if (m_stopping) return;
        continue;
      }
      std::lock_guard lock(m_mutex);
      m_open.push_back(fd);
      m_workers.emplace_back([this, fd] { serve(fd); });
    }
  }

  void serve(int fd) {
    FileDescriptor connection(fd);
    QByteArray head;
    char buffer[4096];
    while (!head.contains("\r\n\r\n") && head.size() < 65536) {
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      head.append(buffer, n);
    }
    Request request;
    const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
    if (!lines.isEmpty()) {
      const QList<QByteArray> parts = lines.front().trimmed().split(' ');
      if (parts.size() >= 2) request.path = parts[1];
      for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0) request.headers.append({lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed()});
      }
    }
    Handler handler;
    {
      std::lock_guard lock(m_mutex);
      m_requests.append(request);
      const QByteArray path = request.path.left(request.path.indexOf('?') < 0 ? request.path.size() : request.path.indexOf('?'));
      handler = m_routes.value(path);
    }
    if (handler) {
      handler(*this, fd, request);
    } else {
      send(fd, response(404, "text/plain", "missing"));
    }
    ::shutdown(fd, SHUT_WR);
    // Drain what the client still sends, so the close does not reset the answer.
    while (::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
    }
    // Closed under the lock, so the destructor never shuts down a number
    // that a new descriptor has taken meanwhile.
    std::lock_guard lock(m_mutex);
    std::erase(m_open, fd);
    connection.reset();
  }

  FileDescriptor m_listener;
  int m_port = 0;
  std::atomic<bool> m_stopping{false};
  std::thread m_acceptor;
  mutable std::mutex m_mutex;
  QMap<QByteArray, Handler> m_routes;
  QList<Request> m_requests;
  std::vector<int> m_open;
  std::vector<std::thread> m_workers;
};
