// Start-up time and memory of the player on a private virtual X server:
// from just before the process starts to the first paint of the main
// window's face, and the resident memory 1.5 s later. A bare Qt Widgets
// window measured the same way shows how much of it Qt alone takes.
//
// Figures are reported, never judged: the program fails only when a
// measurement could not be taken at all.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono;
namespace fs = std::filesystem;

constexpr int kStarts = 10;
constexpr auto kPaintLimit = seconds(20);
constexpr auto kSettle = milliseconds(1500);
constexpr auto kExitLimit = seconds(10);
constexpr auto kDisplayLimit = seconds(10);
constexpr double kStartupGoalMs = 150;
constexpr double kRssGoalMb = 50;

// Set by SIGINT/SIGTERM so every wait gives up and the destructors clean up.
volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

// ---- scoped resources ---------------------------------------------------------

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "tazmel-startbench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool Ok() const { return !path_.empty(); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

struct Launch {
  std::vector<std::string> argv;
  std::map<std::string, std::string> env;  // added to, or replacing, ours
  fs::path log;                            // stderr, and stdout when not piped
  bool pipe_stdout = false;
  int keep_fd = -1;  // passed on to the child as it is
};

// A started process; killed and reaped when it goes out of scope.
class Child {
 public:
  Child() = default;
  ~Child() { Kill(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // False when the process could not be started.
  bool Start(const Launch& launch) {
    int fds[2] = {-1, -1};
    if (launch.pipe_stdout && pipe2(fds, O_CLOEXEC) != 0) return false;
    const int log = open(launch.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) {
      if (fds[0] >= 0) close(fds[0]), close(fds[1]);
      return false;
    }
    std::vector<std::string> args = launch.argv;
    std::vector<char*> argp;
    for (std::string& arg : args) argp.push_back(arg.data());
    argp.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      // Never outlive the benchmark, even when it is killed.
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      dup2(fds[1] >= 0 ? fds[1] : log, 1);
      dup2(log, 2);
      if (launch.keep_fd >= 0) fcntl(launch.keep_fd, F_SETFD, 0);
      for (const auto& [name, value] : launch.env) setenv(name.c_str(), value.c_str(), 1);
      execvp(argp[0], argp.data());
      _exit(127);
    }
    close(log);
    if (fds[1] >= 0) close(fds[1]);
    if (pid_ < 0) {
      if (fds[0] >= 0) close(fds[0]);
      return false;
    }
    out_ = fds[0];
    return true;
  }

  pid_t pid() const { return pid_; }

  // Reads stdout until a line holds `marker`; false at the limit, at the end
  // of the output or on an interrupt.
  bool WaitForLine(const std::string& marker, milliseconds limit) {
    const auto deadline = steady_clock::now() + limit;
    for (;;) {
      for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        const bool found = pending_.compare(0, end, marker) == 0;
        pending_.erase(0, end + 1);
        if (found) return true;
      }
      if (!ReadUntil(deadline)) return false;
    }
  }

  // Keeps reading stdout for `span`, so the child never blocks on the pipe.
  void Drain(milliseconds span) {
    const auto deadline = steady_clock::now() + span;
    while (steady_clock::now() < deadline && !g_interrupted) {
      if (!ReadUntil(deadline)) std::this_thread::sleep_until(std::min(deadline, steady_clock::now() + 10ms));
    }
  }

  // The wait status once the process ended within `limit`.
  std::optional<int> WaitExit(milliseconds limit) {
    const auto deadline = steady_clock::now() + limit;
    for (;;) {
      int status = 0;
      const pid_t got = waitpid(pid_, &status, WNOHANG);
      if (got == pid_) {
        pid_ = -1;
        return status;
      }
      if (got < 0 && errno != EINTR) return std::nullopt;
      if (steady_clock::now() >= deadline || g_interrupted) return std::nullopt;
      Drain(20ms);
    }
  }

  void Kill() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    if (out_ >= 0) close(out_);
    out_ = -1;
  }

 private:
  // Reads what arrives before `deadline`; false when nothing can come.
  bool ReadUntil(steady_clock::time_point deadline) {
    if (out_ < 0 || g_interrupted) return false;
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    char buffer[4096];
    const ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) {
      close(out_);
      out_ = -1;
      return false;
    }
    pending_.append(buffer, static_cast<size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string pending_;
};

// The last lines of a log, indented, for a failure report; the log itself
// goes with the temporary folder.
std::string LogTail(const fs::path& log) {
  constexpr size_t kLines = 8;
  std::ifstream in(log);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
    if (lines.size() > kLines) lines.erase(lines.begin());
  }
  std::string text;
  for (const std::string& line : lines) text += "    | " + line + "\n";
  return text.empty() ? "    | (nothing)\n" : text;
}

// A private Xvfb. It picks a free display number itself and writes it to
// -displayfd once it accepts connections, which also tells it is ready.
class VirtualDisplay {
 public:
  // The failure, or nothing when the server answers.
  std::optional<std::string> Start(const fs::path& log) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return "pipe: " + std::string(std::strerror(errno));
    Launch launch{
        {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"},
        {},
        log};
    launch.keep_fd = fds[1];
    const bool started = server_.Start(launch);
    close(fds[1]);
    if (!started) {
      close(fds[0]);
      return "could not start Xvfb (scripts/setup.sh bench installs it)";
    }
    std::string number;
    const auto deadline = steady_clock::now() + kDisplayLimit;
    while (number.find('\n') == std::string::npos && steady_clock::now() < deadline && !g_interrupted) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[32];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos) return "Xvfb did not report a display:\n" + LogTail(log);
    name_ = ":" + number.substr(0, number.find('\n'));
    return std::nullopt;
  }

  const std::string& name() const { return name_; }

 private:
  Child server_;
  std::string name_;
};

// ---- one start --------------------------------------------------------------

struct Sample {
  double startup_ms = 0;
  double rss_mb = 0, anon_mb = 0, file_mb = 0, shmem_mb = 0, pss_mb = 0;
};

struct Outcome {
  std::optional<Sample> sample;
  std::string failure;  // set when sample is not
};

// The value of a "Key:   1234 kB" line of a /proc file, in MB.
double ProcMegabytes(const fs::path& file, const std::string& key) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + ":", 0) == 0) return std::strtod(line.c_str() + key.size() + 1, nullptr) / 1024.0;
  }
  return 0;
}

std::string DescribeStatus(int status) {
  if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return std::string("signal ") + strsignal(WTERMSIG(status));
  return "status " + std::to_string(status);
}

// `clean_exit`: the program handles SIGTERM and must end with code 0.
Outcome MeasureOneStart(const Launch& launch, bool clean_exit) {
  Child child;
  const auto before = steady_clock::now();
  if (!child.Start(launch)) return {std::nullopt, "could not start " + launch.argv[0]};
  if (!child.WaitForLine("first-paint", kPaintLimit)) {
    return {std::nullopt, g_interrupted ? "interrupted" : "no first paint within 20 s"};
  }
  Sample s;
  s.startup_ms = duration<double, std::milli>(steady_clock::now() - before).count();
  child.Drain(kSettle);
  const fs::path proc = "/proc/" + std::to_string(child.pid());
  s.rss_mb = ProcMegabytes(proc / "status", "VmRSS");
  s.anon_mb = ProcMegabytes(proc / "status", "RssAnon");
  s.file_mb = ProcMegabytes(proc / "status", "RssFile");
  s.shmem_mb = ProcMegabytes(proc / "status", "RssShmem");
  s.pss_mb = ProcMegabytes(proc / "smaps_rollup", "Pss");
  if (s.rss_mb <= 0) return {std::nullopt, "ended before its memory was read"};
  kill(child.pid(), SIGTERM);
  const std::optional<int> status = child.WaitExit(kExitLimit);
  if (!status) return {std::nullopt, g_interrupted ? "interrupted" : "did not end within 10 s of SIGTERM (killed)"};
  const bool ended_by_term = WIFSIGNALED(*status) && WTERMSIG(*status) == SIGTERM;
  const bool ok = clean_exit ? WIFEXITED(*status) && WEXITSTATUS(*status) == 0
                             : ended_by_term || (WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
  if (!ok) return {std::nullopt, "ended with " + DescribeStatus(*status) + " after SIGTERM"};
  return {s, ""};
}

// ---- figures ----------------------------------------------------------------

struct Spread {
  double min = 0, median = 0, max = 0;
};

Spread SpreadOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {values.front(), median, values.back()};
}

template <typename Field>
Spread SpreadOf(const std::vector<Sample>& samples, Field field, size_t from = 0) {
  std::vector<double> values;
  for (size_t i = from; i < samples.size(); ++i) values.push_back(samples[i].*field);
  return SpreadOf(values);
}

struct Series {
  std::vector<Sample> samples;  // in start order
  bool first_ok = false;        // whether samples[0] is the first start
  int failures = 0;
};

Series Run(const char* title, const Launch& launch, bool clean_exit) {
  std::printf("%s: %d starts\n", title, kStarts);
  std::fflush(stdout);
  Series series;
  for (int i = 0; i < kStarts && !g_interrupted; ++i) {
    const Outcome outcome = MeasureOneStart(launch, clean_exit);
    if (outcome.sample) {
      if (i == 0) series.first_ok = true;
      series.samples.push_back(*outcome.sample);
    } else if (!g_interrupted) {
      ++series.failures;
      std::printf("  start %d failed: %s; its output ends:\n%s", i + 1, outcome.failure.c_str(),
                  LogTail(launch.log).c_str());
    }
  }
  return series;
}

// `player`: the player's series, with its goals and its cold first start.
void PrintSeries(const Series& s, bool player) {
  const Spread t = SpreadOf(s.samples, &Sample::startup_ms);
  const Spread rss = SpreadOf(s.samples, &Sample::rss_mb);
  const Spread anon = SpreadOf(s.samples, &Sample::anon_mb);
  const Spread file = SpreadOf(s.samples, &Sample::file_mb);
  const Spread shmem = SpreadOf(s.samples, &Sample::shmem_mb);
  const Spread pss = SpreadOf(s.samples, &Sample::pss_mb);
  std::printf("  %zu of %d starts measured\n", s.samples.size(), kStarts);
  if (s.samples.empty()) return;
  if (player && s.first_ok) {
    const Sample& first = s.samples.front();
    std::printf("  first start (cold: no settings yet)  %7.1f ms   RSS %6.1f MB (anon %.1f, file %.1f)\n",
                first.startup_ms, first.rss_mb, first.anon_mb, first.file_mb);
  }
  std::printf("  start-up to first paint: median %.1f ms", t.median);
  if (player) std::printf(" (goal %.0f ms, ratio %.2f)", kStartupGoalMs, t.median / kStartupGoalMs);
  std::printf("   min %.1f  max %.1f", t.min, t.max);
  if (player && s.first_ok && s.samples.size() > 1) {
    std::printf("   later starts only: median %.1f", SpreadOf(s.samples, &Sample::startup_ms, 1).median);
  }
  std::printf("\n  RSS after start-up: median %.1f MB", rss.median);
  if (player) std::printf(" (goal %.0f MB, ratio %.2f)", kRssGoalMb, rss.median / kRssGoalMb);
  std::printf("   min %.1f  max %.1f\n", rss.min, rss.max);
  std::printf("    of which anon %.1f MB, file %.1f MB, shmem %.1f MB (medians); Pss %.1f MB\n", anon.median,
              file.median, shmem.median, pss.median);
}

double Ratio(double a, double b) { return b > 0 ? a / b : 0; }

// ---- the program folder --------------------------------------------------------

// A fresh copy of what the build stages next to the executable, without the
// build tree's own User.ini, so the first start is a real first start.
std::optional<std::string> PrepareProgramFolder(const fs::path& staged, const fs::path& to) {
  std::error_code error;
  fs::create_directories(to, error);
  for (const char* item : {"Tazmel.ini", "Language", "Skins", "sound", "data"}) {
    const fs::path from = staged / item;
    if (!fs::exists(from)) return "missing " + from.string() + " (build the default target first)";
    fs::copy(from, to / item, fs::copy_options::recursive, error);
    if (error) return "copying " + from.string() + ": " + error.message();
  }
  return std::nullopt;
}

}  // namespace

int main() {
  signal(SIGPIPE, SIG_IGN);
  struct sigaction on_interrupt {};
  on_interrupt.sa_handler = OnInterrupt;
  sigaction(SIGINT, &on_interrupt, nullptr);
  sigaction(SIGTERM, &on_interrupt, nullptr);

  TempDir temp;
  if (!temp.Ok()) {
    std::fprintf(stderr, "bench_startup: no temporary folder\n");
    return 1;
  }
  const fs::path player = TAZMEL_EXE;
  const fs::path home = temp.path() / "program";
  if (auto failure = PrepareProgramFolder(player.parent_path(), home)) {
    std::fprintf(stderr, "bench_startup: %s\n", failure->c_str());
    return 1;
  }
  fs::create_directories(temp.path() / "config");
  // Qt wants a private runtime folder; without one it warns and uses a
  // shared one under /tmp.
  const fs::path runtime = temp.path() / "runtime";
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all);

  VirtualDisplay display;
  if (auto failure = display.Start(temp.path() / "xvfb.log")) {
    std::fprintf(stderr, "bench_startup: %s\n", failure->c_str());
    return 1;
  }
  // Other work on the machine slows every start; the load tells how much to
  // trust the figures.
  std::ifstream loadavg("/proc/loadavg");
  std::string load1, load5;
  loadavg >> load1 >> load5;
  std::printf("private X server %s, 1280x800x24; load average %s (1 min), %s (5 min), %u cores\n",
              display.name().c_str(), load1.c_str(), load5.c_str(), std::thread::hardware_concurrency());

  // A session manager or a Wayland socket of the caller's desktop must not
  // take part.
  unsetenv("SESSION_MANAGER");
  unsetenv("WAYLAND_DISPLAY");
  const std::map<std::string, std::string> common = {{"DISPLAY", display.name()},
                                                     {"QT_QPA_PLATFORM", "xcb"},
                                                     {"XDG_CONFIG_HOME", (temp.path() / "config").string()},
                                                     {"XDG_RUNTIME_DIR", runtime.string()}};

  Launch ours{{player.string()}, common, temp.path() / "tazmel.log", true};
  ours.env["TAZMEL_HOME"] = home.string();
  ours.env["TAZMEL_REPORT_PAINT"] = "1";
  const Series tazmel = Run("tazmel", ours, true);

  const Launch hello{{TAZMEL_QT_HELLO}, common, temp.path() / "hello.log", true};
  const Series baseline = Run("bare Qt Widgets window, frameless 350x136", hello, false);

  std::printf("\ntazmel\n");
  PrintSeries(tazmel, true);
  std::printf("bare Qt Widgets window\n");
  PrintSeries(baseline, false);
  if (!tazmel.samples.empty() && !baseline.samples.empty()) {
    std::printf(
        "tazmel / bare window: start-up %.2f, RSS %.2f (anon %.2f, file %.2f)\n",
        Ratio(SpreadOf(tazmel.samples, &Sample::startup_ms).median,
              SpreadOf(baseline.samples, &Sample::startup_ms).median),
        Ratio(SpreadOf(tazmel.samples, &Sample::rss_mb).median, SpreadOf(baseline.samples, &Sample::rss_mb).median),
        Ratio(SpreadOf(tazmel.samples, &Sample::anon_mb).median, SpreadOf(baseline.samples, &Sample::anon_mb).median),
        Ratio(SpreadOf(tazmel.samples, &Sample::file_mb).median, SpreadOf(baseline.samples, &Sample::file_mb).median));
  }
  if (g_interrupted) {
    std::printf("interrupted\n");
    return 1;
  }
  return tazmel.failures + baseline.failures > 0 ? 1 : 0;
}
