#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tazmel::test {

// A program the test started; killed and reaped if the test ends early, so
// no stray process keeps the test's output open.
class ChildProcess {
 public:
  // Starts `argv` with exactly the environment `env` ("NAME=value"). With
  // `capture`, its stdout and stderr go to a pipe the test reads.
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env, bool capture = false) {
    std::vector<std::string> args = argv, vars = env;
    std::vector<char*> argp, envp;
    for (std::string& a : args) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (std::string& e : vars) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int fds[2] = {-1, -1};
    if (capture && pipe2(fds, O_CLOEXEC) == 0) {
      posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
      posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    }
    if (posix_spawn(&pid_, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (fds[1] >= 0) close(fds[1]);
    out_ = fds[0];
  }
  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  void Signal(int signal) const { kill(pid_, signal); }

  // The exit status (128 + signal when killed), or -1 when the process did
  // not end within the limit. Output keeps being read meanwhile.
  int WaitExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) return -1;
      ReadOutput(std::chrono::milliseconds(20));
    }
    pid_ = -1;
    while (ReadOutput(std::chrono::milliseconds(0))) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  // Reads output until it holds `text`; false when the limit passed first.
  bool WaitForOutput(std::string_view text, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (output_.find(text) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0 || !ReadOutput(left)) return output_.find(text) != std::string::npos;
    }
    return true;
  }

  // Everything read from the captured output so far.
  const std::string& Output() const { return output_; }

 private:
  // Reads what arrives within `wait`; false at the end of the output or
  // when nothing came.
  bool ReadOutput(std::chrono::milliseconds wait) {
    if (out_ < 0) {
      std::this_thread::sleep_for(wait);
      return false;
    }
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(wait.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) {
      close(out_);
      out_ = -1;
      return false;
    }
    output_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

}  // namespace tazmel::test
