#include "app/signal_bridge.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>

namespace tazmel {
namespace {

int g_signal_fds[2] = {-1, -1};

extern "C" void OnTerminationSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_signal_fds[0], &byte, 1);
  errno = saved;
}

}  // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signal_fds) != 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(g_signal_fds[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalBridge::Drain);

  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

SignalBridge::~SignalBridge() {
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  notifier_.reset();
  for (int& fd : g_signal_fds) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

void SignalBridge::Drain() {
  char buffer[64];
  while (::read(g_signal_fds[1], buffer, sizeof buffer) > 0) {
  }
  emit terminationRequested();
}

}  // namespace tazmel
