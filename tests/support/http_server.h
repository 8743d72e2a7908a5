#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace tazmel::test {

using TestHttpHeaders = std::vector<std::pair<std::string, std::string>>;

// A canned reply; Content-Length and "Connection: close" are added.
struct TestHttpResponse {
  TestHttpResponse() = default;
  TestHttpResponse(int code, std::string type, std::string text, TestHttpHeaders extra = {})
      : status(code), content_type(std::move(type)), body(std::move(text)), headers(std::move(extra)) {}

  int status = 200;
  std::string content_type = "text/html";
  std::string body;
  TestHttpHeaders headers;  // extra headers, sent as given
};

// One accepted request as a handler sees it. Every connection carries one
// request and is closed after the reply.
class TestHttpConnection {
 public:
  const std::string& Method() const { return method_; }
  // The request target as sent: "/path?query", or the whole address when a
  // client talks to the server as its proxy ("http://host:port/path").
  const std::string& Target() const { return target_; }
  // The target's path and query; for an absolute-form target the part from
  // the first "/" after the host.
  const std::string& Path() const { return path_; }
  const std::string& Version() const { return version_; }
  // First header of that name, ignoring ASCII case.
  std::optional<std::string> Header(std::string_view name) const;
  const TestHttpHeaders& Headers() const { return headers_; }
  // The request body when the request gave a Content-Length.
  const std::string& Body() const { return body_; }

  // Sends the status line and headers, adding "Connection: close" when the
  // headers lack a Connection header. False once the client is gone or the
  // server stops.
  bool WriteHead(int status, const TestHttpHeaders& headers);
  // Sends bytes as they are; before WriteHead they may form a head of the
  // handler's own making (an "ICY 200 OK" line, a broken reply).
  bool Write(std::string_view bytes);
  bool Stopping() const;
  // Sleeps, waking at once when the server stops.
  void SleepFor(std::chrono::milliseconds duration);

 private:
  friend class TestHttpServer;
  TestHttpConnection(class TestHttpServer* server, int fd) : server_(server), fd_(fd) {}

  class TestHttpServer* server_;
  int fd_;
  bool wrote_ = false;
  std::string method_;
  std::string target_;
  std::string path_;
  std::string version_;
  TestHttpHeaders headers_;
  std::string body_;
};

// A real HTTP server on 127.0.0.1 at a port the system picks, with a thread
// per connection. Unknown paths answer 404. The destructor stops promptly,
// even while handlers stream without end: it shuts the sockets down, which
// fails their writes, and wakes their sleeps.
class TestHttpServer {
 public:
  using Handler = std::function<void(TestHttpConnection&)>;

  TestHttpServer();
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  uint16_t Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by the path.
  std::string Url(std::string_view path) const;

  // Routes match the whole target first, then the path of an absolute-form
  // target, both exactly (query included); a route "/path?" then takes that
  // path with any query. A later route replaces an
  // earlier one for the same path.
  void Serve(std::string path, TestHttpResponse response);
  void ServeHandler(std::string path, Handler handler);
  // A live station at `path`: `body` again and again, one copy every half
  // second, as `content_type`; `body` must outlive the server.
  void ServeLoop(std::string path, const std::string& body, std::string content_type = "audio/mpeg");

  // Requests whose target or path equals `path`.
  int RequestCount(std::string_view path) const;
  // Every request target in arrival order.
  std::vector<std::string> RequestTargets() const;

  // Shuts everything down and waits for the threads; the destructor calls it.
  void Stop();

 private:
  friend class TestHttpConnection;
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
    int fd = -1;
  };

  void AcceptLoop();
  void ServeConnection(Worker* worker);
  void Dispatch(TestHttpConnection& connection);
  void ReapFinished();  // joins finished connection threads; needs mutex_
  bool SendAll(int fd, std::string_view bytes) const;

  int listen_fd_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::map<std::string, Handler, std::less<>> routes_;
  std::vector<std::pair<std::string, std::string>> requests_;  // target, path
  std::list<Worker> workers_;
  std::thread acceptor_;
};

// A loopback port with nothing listening on it, for "connection refused".
uint16_t UnusedLoopbackPort();

}  // namespace tazmel::test
