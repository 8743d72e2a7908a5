#include "support/x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <vector>

namespace tazmel::test {

std::optional<std::string> StartXvfb(std::optional<ChildProcess>& server, const std::filesystem::path& log, int first,
                                     int last) {
  using namespace std::chrono_literals;
  for (int number = first; number <= last; ++number) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    ChildOptions options;
    options.log = log;
    options.keep_fd = fds[1];
    const std::string display = ":" + std::to_string(number);
    server.emplace(std::vector<std::string>{"Xvfb", display, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                            "800x600x24", "-nolisten", "tcp", "-noreset"},
                   EnvironmentWith({}), options);
    close(fds[1]);
    std::string reported;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (reported.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[16];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      reported.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (reported.find('\n') != std::string::npos) return display;
    server.reset();  // taken: try the next one
  }
  return std::nullopt;
}

}  // namespace tazmel::test
