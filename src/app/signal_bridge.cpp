#include "app/signal_bridge.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
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

  // The first signal asks for an orderly close; SA_RESETHAND makes a second
  // one end the process at once, should the close be stuck.
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  // A launcher may hand us a mask that blocks them.
  sigset_t termination;
  sigemptyset(&termination);
  sigaddset(&termination, SIGTERM);
  sigaddset(&termination, SIGINT);
  ::pthread_sigmask(SIG_UNBLOCK, &termination, nullptr);
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
