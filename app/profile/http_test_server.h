// A tiny HTTP/1.1 server on 127.0.0.1 for the profile's tests: one thread
// accepts, each connection is answered by a handler chosen by path and then
// closed. Test code only.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_descriptor.h"

class HttpTestServer {
public:
  // Writes the whole answer to the connection; returns false to stop early.
  using Handler = std::function<void(int socket)>;

  HttpTestServer() {
    m_listener.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(m_listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    ::listen(m_listener.get(), 16);
    // The loop keeps its own copy of the number: the destructor closes the
    // listener to end it.
    m_acceptor = std::thread([this, listener = m_listener.get()] { acceptLoop(listener); });
  }

  ~HttpTestServer() {
    m_stopping = true;
    ::shutdown(m_listener.get(), SHUT_RDWR);
    m_listener.reset();
    m_acceptor.join();
    for (std::thread& worker : m_workers) worker.join();
  }

  int port() const { return m_port; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }
  // How many requests reached `path`.
  int hits(const std::string& path) {
    std::lock_guard lock(m_mutex);
    return m_hits[path];
  }
  bool stopping() const { return m_stopping; }

  void route(const std::string& path, Handler handler) {
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(handler);
  }
  // Answers `path` with a fixed status, headers and body.
  void serve(const std::string& path, int status, const std::string& type, const std::string& body,
             const std::string& extraHeaders = {}) {
    route(path, [=](int socket) {
      std::string answer = "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: " + type +
                           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders +
                           "Connection: close\r\n\r\n" + body;
      sendAll(socket, answer);
    });
  }

  static bool sendAll(int socket, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

private:
  void acceptLoop(int listener) {
    while (!m_stopping) {
      const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) return;
      m_workers.emplace_back([this, client] { answer(client); });
    }
  }

  void answer(int client) {
    FileDescriptor connection(client);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    Handler handler;
    {
      std::lock_guard lock(m_mutex);
      ++m_hits[path];
      const auto found = m_routes.find(path);
      if (found != m_routes.end()) handler = found->second;
    }
    if (handler) {
      handler(client);
    } else {
      sendAll(client, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    }
    ::shutdown(client, SHUT_RDWR);
  }

  FileDescriptor m_listener;
  int m_port = 0;
  std::atomic<bool> m_stopping{false};
  std::thread m_acceptor;
  std::vector<std::thread> m_workers;
  std::mutex m_mutex;
  std::map<std::string, Handler> m_routes;
  std::map<std::string, int> m_hits;
};
