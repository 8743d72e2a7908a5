#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace tazmel::test {
namespace {

using namespace std::chrono_literals;

const std::string kPath = "PATH=/usr/bin:/bin";

// A program that cannot run is reported as not started, rather than as a
// process that ends at once: callers wait for output from started ones.
TEST(ChildProcessTest, StartedOnlyWhenTheProgramRuns) {
  std::string empty = (std::filesystem::temp_directory_path() / "tazmel-child-XXXXXX").string();
  ASSERT_NE(mkdtemp(empty.data()), nullptr);
  const std::string plain = empty + "/plain";
  std::ofstream(plain) << "#!/bin/sh\nexit 3\n";
  struct Case {
    const char* name;
    std::vector<std::string> argv;
    std::vector<std::string> env;
    bool started;
  };
  const Case cases[] = {
      {"absolute path", {"/bin/sh", "-c", "exit 3"}, {}, true},
      {"found along the PATH of its environment", {"sh", "-c", "exit 3"}, {kPath}, true},
      {"not along that PATH", {"sh", "-c", "exit 3"}, {"PATH=" + empty}, false},
      {"no such file", {"/nonexistent/tazmel-no-program"}, {kPath}, false},
      {"not executable", {plain}, {kPath}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChildProcess child(c.argv, c.env);
    EXPECT_EQ(child.Started(), c.started);
    if (c.started) {
      EXPECT_EQ(child.WaitExit(10s), 3);
    }
  }
  std::filesystem::remove_all(empty);
}

// A descriptor is handed over only when asked for; every other one of ours
// stays closed in the child (Xvfb writes its display number to the one it
// is given).
TEST(ChildProcessTest, KeepsOnlyTheGivenDescriptor) {
  for (const bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "kept" : "not kept");
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    ChildOptions options;
    options.capture = true;
    if (keep) options.keep_fd = fds[1];
    const std::string write = "echo ready >&" + std::to_string(fds[1]) + " && echo wrote";
    ChildProcess child({"sh", "-c", write}, {kPath}, options);
    close(fds[1]);
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.WaitExit(10s) == 0, keep);
    char buffer[16] = {};
    const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
    close(fds[0]);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(std::max<ssize_t>(n, 0))), keep ? "ready\n" : "");
    EXPECT_EQ(child.Output().find("wrote") != std::string::npos, keep);
  }
}

// stdout to the pipe and stderr to the log when both are asked for.
TEST(ChildProcessTest, SplitsOutputAndLog) {
  const std::filesystem::path log =
      std::filesystem::temp_directory_path() / ("tazmel-child-log-" + std::to_string(getpid()));
  std::filesystem::remove(log);
  ChildOptions options;
  options.capture = true;
  options.log = log;
  ChildProcess child({"sh", "-c", "echo out; echo err >&2"}, {kPath}, options);
  ASSERT_EQ(child.WaitExit(10s), 0);
  EXPECT_EQ(child.Output(), "out\n");
  std::ifstream in(log);
  const std::string logged((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(logged, "err\n");
  std::filesystem::remove(log);
}

bool Gone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  if (text.empty()) return true;
  const size_t paren = text.rfind(')');
  return paren != std::string::npos && paren + 2 < text.size() && text[paren + 2] == 'Z';
}

// A benchmark or test killed outright (no destructor runs) takes its
// players with it instead of leaving them playing.
TEST(ChildProcessTest, EndsWhenItsStarterIsKilled) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t starter = fork();
  ASSERT_GE(starter, 0);
  if (starter == 0) {
    close(fds[0]);
    ChildProcess sleeper({"sleep", "60"}, {kPath});
    const pid_t pid = sleeper.pid();
    if (write(fds[1], &pid, sizeof pid) != sizeof pid) _exit(1);
    pause();
    _exit(0);
  }
  close(fds[1]);
  pid_t sleeper = -1;
  ASSERT_EQ(read(fds[0], &sleeper, sizeof sleeper), static_cast<ssize_t>(sizeof sleeper));
  close(fds[0]);
  ASSERT_GT(sleeper, 0);
  EXPECT_FALSE(Gone(sleeper));
  kill(starter, SIGKILL);
  waitpid(starter, nullptr, 0);
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!Gone(sleeper) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(Gone(sleeper));
  if (!Gone(sleeper)) kill(sleeper, SIGKILL);
}

// Our environment with some variables set anew and some left out.
TEST(EnvironmentWithTest, ReplacesAddsAndRemoves) {
  setenv("TAZMEL_ENV_KEEP", "kept", 1);
  setenv("TAZMEL_ENV_CHANGE", "old", 1);
  setenv("TAZMEL_ENV_DROP", "dropped", 1);
  const std::vector<std::string> env =
      EnvironmentWith({{"TAZMEL_ENV_CHANGE", "new"}, {"TAZMEL_ENV_ADD", "added"}}, {"TAZMEL_ENV_DROP"});
  const auto count = [&](const std::string& variable) { return std::count(env.begin(), env.end(), variable); };
  EXPECT_EQ(count("TAZMEL_ENV_KEEP=kept"), 1);
  EXPECT_EQ(count("TAZMEL_ENV_CHANGE=new"), 1);
  EXPECT_EQ(count("TAZMEL_ENV_CHANGE=old"), 0);
  EXPECT_EQ(count("TAZMEL_ENV_ADD=added"), 1);
  EXPECT_EQ(count("TAZMEL_ENV_DROP=dropped"), 0);
  unsetenv("TAZMEL_ENV_KEEP");
  unsetenv("TAZMEL_ENV_CHANGE");
  unsetenv("TAZMEL_ENV_DROP");
}

}  // namespace
}  // namespace tazmel::test
