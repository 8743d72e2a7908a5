#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel::test {

// Where a child's output goes, and what else it gets.
struct ChildOptions {
  // stdout goes to a pipe the caller reads (Output, WaitForOutput).
  bool capture = false;
  // stderr, and stdout when not captured, are appended to this file; left
  // empty, stderr goes wherever stdout goes (the pipe, or the caller's).
  std::filesystem::path log;
  // A descriptor of the caller's that the child keeps under its number,
  // such as the write end of a pipe for Xvfb's -displayfd.
  int keep_fd = -1;
};

// The caller's environment with `changes` set (added, or replacing a
// variable of the same name) and `removed` left out, as "NAME=value".
std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes,
                                         const std::vector<std::string>& removed = {});

// The file a program name runs: a name with a slash as it is, otherwise the
// first executable of that name along `search_path` (PATH's form). Empty
// when none is found.
std::string FindProgram(const std::string& name, std::string_view search_path);

// A program the test or benchmark started; killed and reaped when this goes
// out of scope, and killed by the system as well when the thread that
// started it dies, so no stray process keeps the output open or plays on.
class ChildProcess {
 public:
  // Starts `argv` with exactly the environment `env` ("NAME=value"). A
  // program name without a slash is looked up along the PATH of `env`, or
  // of the caller when `env` has none. With `capture`, its stdout and
  // stderr go to a pipe the caller reads.
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env, bool capture = false);
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env, const ChildOptions& options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // False when the program could not be run at all (not found, not
  // executable, no process).
  bool Started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  void Signal(int signal) const;
  // Ends the process at once and reaps it.
  void Kill();

  // The exit status (128 + signal when killed), or -1 when the process did
  // not end within the limit. Output keeps being read meanwhile.
  int WaitExit(std::chrono::milliseconds limit);

  // Reads output until it holds `text`; false when the limit passed first
  // or the output ended without it.
  bool WaitForOutput(std::string_view text, std::chrono::milliseconds limit);

  // Keeps reading output for `span`, so a chatty child never blocks on a
  // full pipe. False when a signal cut the wait short.
  bool ReadFor(std::chrono::milliseconds span);

  // Everything read from the captured output so far.
  const std::string& Output() const { return output_; }
  // Forgets what was read, for long runs whose output is not needed.
  void ClearOutput() { output_.clear(); }

 private:
  void Start(const std::vector<std::string>& argv, const std::vector<std::string>& env, const ChildOptions& options);
  // Reads what arrives within `wait`; false at the end of the output, when
  // nothing came, or when a signal interrupted the wait.
  bool ReadOutput(std::chrono::milliseconds wait);

  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

}  // namespace tazmel::test
