#include "support/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "core/text_utils.h"

namespace tazmel::test {
namespace {

constexpr std::size_t kMaxHeadBytes = 64 * 1024;
constexpr std::size_t kMaxBodyBytes = 1024 * 1024;

std::string_view ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 206:
      return "Partial Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 307:
      return "Temporary Redirect";
    case 308:
      return "Permanent Redirect";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 407:
      return "Proxy Authentication Required";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

// "http://host:port/a?b" -> "/a?b"; an origin-form target stays as it is.
std::string PathOfTarget(const std::string& target) {
  const std::size_t scheme = target.find("://");
  if (target.starts_with('/') || scheme == std::string::npos) return target;
  const std::size_t slash = target.find('/', scheme + 3);
  return slash == std::string::npos ? std::string("/") : target.substr(slash);
}

sockaddr_in LoopbackAddress(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

uint16_t BoundPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof(address);
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

}  // namespace

std::optional<std::string> TestHttpConnection::Header(std::string_view name) const {
  for (const auto& [key, value] : headers_) {
    if (EqualsNoCase(key, name)) return value;
  }
  return std::nullopt;
}

bool TestHttpConnection::WriteHead(int status, const TestHttpHeaders& headers) {
  std::string head = "HTTP/1.1 " + std::to_string(status) + " " + std::string(ReasonPhrase(status)) + "\r\n";
  bool has_connection = false;
  for (const auto& [key, value] : headers) {
    head += key + ": " + value + "\r\n";
    has_connection = has_connection || EqualsNoCase(key, "Connection");
  }
  if (!has_connection) head += "Connection: close\r\n";
  head += "\r\n";
  return Write(head);
}

bool TestHttpConnection::Write(std::string_view bytes) {
  wrote_ = true;
  return !Stopping() && server_->SendAll(fd_, bytes);
}

bool TestHttpConnection::Stopping() const { return server_->stopping_.load(); }

void TestHttpConnection::SleepFor(std::chrono::milliseconds duration) {
  std::unique_lock lock(server_->mutex_);
  server_->wake_.wait_for(lock, duration, [this] { return server_->stopping_.load(); });
}

TestHttpServer::TestHttpServer() {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) throw std::runtime_error("socket failed");
  const int one = 1;
  ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  const sockaddr_in address = LoopbackAddress(0);
  if (::bind(listen_fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listen_fd_, 64) != 0) {
    ::close(listen_fd_);
    throw std::runtime_error("bind/listen on 127.0.0.1 failed");
  }
  port_ = BoundPort(listen_fd_);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() { Stop(); }

void TestHttpServer::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_.exchange(true)) return;
    // Shutting a socket down wakes a thread blocked on it; the worker still
    // owns and closes the descriptor, so it cannot be reused under us.
    ::shutdown(listen_fd_, SHUT_RDWR);
    for (Worker& worker : workers_) {
      if (worker.fd >= 0) ::shutdown(worker.fd, SHUT_RDWR);
    }
  }
  wake_.notify_all();
  if (acceptor_.joinable()) acceptor_.join();
  ::close(listen_fd_);
  // No new worker can start once the acceptor has ended.
  for (Worker& worker : workers_) {
    if (worker.thread.joinable()) worker.thread.join();
  }
  workers_.clear();
}

std::string TestHttpServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void TestHttpServer::Serve(std::string path, TestHttpResponse response) {
  ServeHandler(std::move(path), [response = std::move(response)](TestHttpConnection& connection) {
    TestHttpHeaders headers = response.headers;
    if (!response.content_type.empty()) headers.emplace_back("Content-Type", response.content_type);
    headers.emplace_back("Content-Length", std::to_string(response.body.size()));
    if (connection.WriteHead(response.status, headers) && connection.Method() != "HEAD") {
      connection.Write(response.body);
    }
  });
}

void TestHttpServer::ServeHandler(std::string path, Handler handler) {
  std::lock_guard lock(mutex_);
  routes_[std::move(path)] = std::move(handler);
}

void TestHttpServer::ServeLoop(std::string path, const std::string& body, std::string content_type) {
  ServeHandler(std::move(path), [&body, content_type = std::move(content_type)](TestHttpConnection& connection) {
    if (!connection.WriteHead(200, {{"Content-Type", content_type}})) return;
    while (connection.Write(body)) connection.SleepFor(std::chrono::milliseconds(500));
  });
}

int TestHttpServer::RequestCount(std::string_view path) const {
  std::lock_guard lock(mutex_);
  int count = 0;
  for (const auto& [target, target_path] : requests_) {
    if (target == path || target_path == path) ++count;
  }
  return count;
}

std::vector<std::string> TestHttpServer::RequestTargets() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> targets;
  for (const auto& request : requests_) targets.push_back(request.first);
  return targets;
}

void TestHttpServer::AcceptLoop() {
  while (!stopping_) {
    pollfd poll_fd{listen_fd_, POLLIN, 0};
    // The time-out only backs up the shutdown that normally wakes us.
    if (::poll(&poll_fd, 1, 100) <= 0) continue;
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    if (stopping_) {
      ::close(fd);
      break;
    }
    ReapFinished();
    Worker& worker = workers_.emplace_back();
    worker.fd = fd;
    worker.thread = std::thread([this, &worker] { ServeConnection(&worker); });
  }
}

void TestHttpServer::ReapFinished() {
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (it->done) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
}

bool TestHttpServer::SendAll(int fd, std::string_view bytes) const {
  while (!bytes.empty()) {
    // MSG_NOSIGNAL: a client that hung up must fail the write, not raise
    // SIGPIPE in the test process.
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void TestHttpServer::ServeConnection(Worker* worker) {
  const int fd = worker->fd;
  TestHttpConnection connection(this, fd);
  std::string data;
  std::size_t head_end = std::string::npos;
  char buffer[4096];
  while (head_end == std::string::npos && data.size() < kMaxHeadBytes) {
    const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    data.append(buffer, static_cast<std::size_t>(got));
    head_end = data.find("\r\n\r\n");
  }

  if (head_end != std::string::npos) {
    std::string_view head(data.data(), head_end);
    bool first = true;
    std::size_t content_length = 0;
    ForEachLine(head, [&](std::string_view line) {
      if (first) {
        first = false;
        std::string rest(line);
        connection.method_ = CutFirst(rest, " ");
        connection.target_ = CutFirst(rest, " ");
        connection.version_ = rest;
        connection.path_ = PathOfTarget(connection.target_);
        return;
      }
      const std::size_t colon = line.find(':');
      if (colon == std::string_view::npos) return;
      std::string name(TrimBlanks(line.substr(0, colon)));
      std::string value(TrimBlanks(line.substr(colon + 1)));
      if (EqualsNoCase(name, "Content-Length")) {
        content_length = static_cast<std::size_t>(std::max(0, ParseInteger(value).value_or(0)));
      }
      connection.headers_.emplace_back(std::move(name), std::move(value));
    });

    std::string body = data.substr(head_end + 4);
    content_length = std::min(content_length, kMaxBodyBytes);
    while (body.size() < content_length) {
      const ssize_t got = ::recv(fd, buffer, sizeof(buffer), 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      body.append(buffer, static_cast<std::size_t>(got));
    }
    body.resize(std::min(body.size(), content_length));
    connection.body_ = std::move(body);

    {
      std::lock_guard lock(mutex_);
      requests_.emplace_back(connection.target_, connection.path_);
    }
    Dispatch(connection);
  }

  std::lock_guard lock(mutex_);
  ::close(fd);
  worker->fd = -1;
  worker->done = true;
}

void TestHttpServer::Dispatch(TestHttpConnection& connection) {
  Handler handler;
  {
    std::lock_guard lock(mutex_);
    auto it = routes_.find(connection.Target());
    if (it == routes_.end()) it = routes_.find(connection.Path());
    if (it == routes_.end()) {
      const std::string& path = connection.Path();
      it = routes_.find(path.substr(0, path.find('?')) + "?");
    }
    if (it != routes_.end()) handler = it->second;
  }
  if (!handler) {
    const std::string body = "Not Found";
    if (connection.WriteHead(404, {{"Content-Type", "text/plain"}, {"Content-Length", std::to_string(body.size())}})) {
      connection.Write(body);
    }
    return;
  }
  try {
    handler(connection);
  } catch (...) {
    // A failing handler must not end the test process; the client sees a
    // server error, or a cut reply when the head has gone out already.
    if (!connection.wrote_) connection.WriteHead(500, {{"Content-Length", "0"}});
  }
}

uint16_t UnusedLoopbackPort() {
  // A port the system just handed out and that nothing listens on once the
  // socket is closed; another program grabbing it at once is unlikely.
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  const sockaddr_in address = LoopbackAddress(0);
  uint16_t port = 0;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) port = BoundPort(fd);
  ::close(fd);
  return port;
}

}  // namespace tazmel::test
