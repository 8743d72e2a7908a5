#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace tazmel::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

std::string_view NameOf(std::string_view variable) { return variable.substr(0, variable.find('=')); }

// The value of `name` in an environment list, if it is there.
const std::string* Lookup(const std::vector<std::string>& env, std::string_view name) {
  for (const std::string& variable : env) {
    if (NameOf(variable) == name && variable.size() > name.size()) return &variable;
  }
  return nullptr;
}

int OpenLog(const std::filesystem::path& log) {
  return log.empty() ? -1 : open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

}  // namespace

std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes,
                                         const std::vector<std::string>& removed) {
  std::vector<std::string> env;
  for (char** variable = environ; variable != nullptr && *variable != nullptr; ++variable) {
    const std::string_view name = NameOf(*variable);
    if (changes.count(std::string(name)) > 0) continue;
    bool drop = false;
    for (const std::string& gone : removed) drop = drop || gone == name;
    if (!drop) env.emplace_back(*variable);
  }
  for (const auto& [name, value] : changes) env.push_back(name + "=" + value);
  return env;
}

std::string FindProgram(const std::string& name, std::string_view search_path) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return name;
  while (true) {
    const size_t colon = search_path.find(':');
    std::string_view folder = search_path.substr(0, colon);
    // An empty entry is the current folder, as the shell has it.
    if (folder.empty()) folder = ".";
    const std::string candidate = std::string(folder) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string_view::npos) return {};
    search_path.remove_prefix(colon + 1);
  }
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env, bool capture) {
  ChildOptions options;
  options.capture = capture;
  Start(argv, env, options);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                           const ChildOptions& options) {
  Start(argv, env, options);
}

ChildProcess::~ChildProcess() { Kill(); }

void ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         const ChildOptions& options) {
  if (argv.empty()) return;
  // Everything the child needs is prepared here: between fork and exec only
  // async-signal-safe calls are allowed, and the caller may run threads.
  const std::string* path = Lookup(env, "PATH");
  const char* own_path = getenv("PATH");
  const std::string program = FindProgram(
      argv[0], path ? std::string_view(*path).substr(5) : std::string_view(own_path ? own_path : "/usr/bin:/bin"));
  if (program.empty()) return;
  std::vector<std::string> args = argv, vars = env;
  std::vector<char*> argp, envp;
  for (std::string& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  for (std::string& e : vars) envp.push_back(e.data());
  envp.push_back(nullptr);

  int out[2] = {-1, -1};
  if (options.capture && pipe2(out, O_CLOEXEC) != 0) return;
  const int log = OpenLog(options.log);
  // Closed by a successful exec; the child writes its errno here otherwise.
  int failed[2] = {-1, -1};
  if (pipe2(failed, O_CLOEXEC) != 0) failed[0] = failed[1] = -1;
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have died before the line above took effect.
    if (getppid() != parent) _exit(127);
    const int stdout_to = out[1] >= 0 ? out[1] : log;
    const int stderr_to = log >= 0 ? log : out[1];
    if (stdout_to >= 0) dup2(stdout_to, 1);
    if (stderr_to >= 0) dup2(stderr_to, 2);
    if (options.keep_fd >= 0) fcntl(options.keep_fd, F_SETFD, 0);
    signal(SIGPIPE, SIG_DFL);
    execve(program.c_str(), argp.data(), envp.data());
    const int error = errno;
    if (failed[1] >= 0) (void)!write(failed[1], &error, sizeof error);
    _exit(127);
  }
  if (out[1] >= 0) close(out[1]);
  if (log >= 0) close(log);
  if (failed[1] >= 0) close(failed[1]);
  if (pid < 0) {
    if (out[0] >= 0) close(out[0]);
    if (failed[0] >= 0) close(failed[0]);
    return;
  }
  pid_ = pid;
  out_ = out[0];
  if (failed[0] >= 0) {
    int error = 0;
    ssize_t n;
    do {
      n = read(failed[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    close(failed[0]);
    if (n > 0) Kill();  // exec failed: nothing was started
  }
}

void ChildProcess::Signal(int signal) const {
  if (pid_ > 0) kill(pid_, signal);
}

void ChildProcess::Kill() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
  }
  if (out_ >= 0) close(out_);
  out_ = -1;
}

int ChildProcess::WaitExit(milliseconds limit) {
  if (pid_ <= 0) return -1;
  const auto deadline = steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t got = waitpid(pid_, &status, WNOHANG);
    if (got == pid_) break;
    if (got < 0 && errno != EINTR) return -1;
    if (steady_clock::now() > deadline) return -1;
    ReadOutput(milliseconds(20));
  }
  pid_ = -1;
  while (ReadOutput(milliseconds(0))) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool ChildProcess::WaitForOutput(std::string_view text, milliseconds limit) {
  const auto deadline = steady_clock::now() + limit;
  while (output_.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
    if (left.count() <= 0 || !ReadOutput(left)) return output_.find(text) != std::string::npos;
  }
  return true;
}

bool ChildProcess::ReadFor(milliseconds span) {
  const auto deadline = steady_clock::now() + span;
  for (;;) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - steady_clock::now());
    if (left.count() <= 0) return true;
    if (out_ < 0) {
      std::this_thread::sleep_for(left);
      return true;
    }
    pollfd p{out_, POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) return false;
    if (ready > 0) ReadOutput(milliseconds(0));
  }
}

bool ChildProcess::ReadOutput(milliseconds wait) {
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

}  // namespace tazmel::test
