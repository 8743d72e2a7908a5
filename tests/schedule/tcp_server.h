#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <thread>

namespace tazmel::test {

// A TCP server on 127.0.0.1 at a port the system picks, one thread per
// connection running the handler. Stop (and the destructor) shuts every
// socket down, which ends the handlers' writes and waits.
class TestTcpServer {
 public:
  class Connection {
   public:
    // False once the client is gone or the server stops.
    bool Send(std::string_view bytes) {
      while (!bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
      }
      return !server_->stopping_;
    }
    bool Stopping() const { return server_->stopping_; }
    // Sleeps in short steps, waking when the server stops.
    void SleepFor(std::chrono::milliseconds span) {
      const auto until = std::chrono::steady_clock::now() + span;
      while (!Stopping() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }

   private:
    friend class TestTcpServer;
    Connection(TestTcpServer* server, int fd) : server_(server), fd_(fd) {}
    TestTcpServer* server_;
    int fd_;
  };
  using Handler = std::function<void(Connection&)>;

  explicit TestTcpServer(Handler handler) : handler_(std::move(handler)) {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listen_fd_, 16) != 0 ||
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }
  ~TestTcpServer() { Stop(); }
  TestTcpServer(const TestTcpServer&) = delete;
  TestTcpServer& operator=(const TestTcpServer&) = delete;

  std::uint16_t Port() const { return port_; }
  int Accepted() const { return accepted_; }

  void Stop() {
    if (stopping_.exchange(true)) return;
    ::shutdown(listen_fd_, SHUT_RDWR);
    acceptor_.join();
    {
      std::lock_guard lock(mutex_);
      for (Worker& worker : workers_) ::shutdown(worker.fd, SHUT_RDWR);
    }
    for (Worker& worker : workers_) worker.thread.join();
    for (Worker& worker : workers_) ::close(worker.fd);
    ::close(listen_fd_);
  }

 private:
  struct Worker {
    int fd;
    std::thread thread;
  };

  void AcceptLoop() {
    for (;;) {
      const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) return;
      if (stopping_) {
        ::close(fd);
        return;
      }
      ++accepted_;
      std::lock_guard lock(mutex_);
      Worker& worker = workers_.emplace_back();
      worker.fd = fd;
      worker.thread = std::thread([this, fd] {
        Connection connection(this, fd);
        handler_(connection);
        // The reply ends when the server closes its side.
        ::shutdown(fd, SHUT_WR);
      });
    }
  }

  Handler handler_;
  int listen_fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> accepted_{0};
  std::mutex mutex_;
  std::list<Worker> workers_;
  std::thread acceptor_;
};

}  // namespace tazmel::test
