// Start-up time and memory of the player on a private virtual X server:
// from just before the process starts to the first paint of the main
// window's face, and the resident memory 1.5 s later. A bare Qt Widgets
// window measured the same way shows how much of it Qt alone takes.
//
// Figures are reported, never judged: the program fails only when a
// measurement could not be taken at all.
#include <signal.h>
#include <sys/wait.h>

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

#include "bench_support.h"
#include "support/child_process.h"

namespace {

using namespace std::chrono;
namespace fs = std::filesystem;
using tazmel::bench::LogTail;
using tazmel::bench::PrepareProgramFolder;
using tazmel::test::ChildProcess;

constexpr int kStarts = 10;
constexpr auto kPaintLimit = seconds(20);
constexpr auto kSettle = milliseconds(1500);
constexpr auto kExitLimit = seconds(10);
constexpr double kStartupGoalMs = 150;
constexpr double kRssGoalMb = 50;

// Set by SIGINT/SIGTERM so every wait gives up and the destructors clean up.
volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

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

// A program to start, with what it gets on top of our environment.
struct Launch {
  std::vector<std::string> argv;
  std::map<std::string, std::string> env;  // added to, or replacing, ours
  fs::path log;                            // stderr; stdout goes to a pipe
};

std::string DescribeExit(int code) {
  if (code > 128) return std::string("signal ") + strsignal(code - 128);
  return "exit code " + std::to_string(code);
}

// `clean_exit`: the program handles SIGTERM and must end with code 0.
Outcome MeasureOneStart(const Launch& launch, bool clean_exit) {
  tazmel::test::ChildOptions options;
  options.capture = true;
  options.log = launch.log;
  const auto before = steady_clock::now();
  ChildProcess child(launch.argv, tazmel::test::EnvironmentWith(launch.env), options);
  if (!child.Started()) return {std::nullopt, "could not start " + launch.argv[0]};
  if (!child.WaitForOutput("first-paint\n", kPaintLimit)) {
    return {std::nullopt, g_interrupted ? "interrupted" : "no first paint within 20 s"};
  }
  Sample s;
  s.startup_ms = duration<double, std::milli>(steady_clock::now() - before).count();
  child.ReadFor(kSettle);
  if (g_interrupted) return {std::nullopt, "interrupted"};
  const fs::path proc = "/proc/" + std::to_string(child.pid());
  s.rss_mb = ProcMegabytes(proc / "status", "VmRSS");
  s.anon_mb = ProcMegabytes(proc / "status", "RssAnon");
  s.file_mb = ProcMegabytes(proc / "status", "RssFile");
  s.shmem_mb = ProcMegabytes(proc / "status", "RssShmem");
  s.pss_mb = ProcMegabytes(proc / "smaps_rollup", "Pss");
  if (s.rss_mb <= 0) return {std::nullopt, "ended before its memory was read"};
  child.Signal(SIGTERM);
  const int code = child.WaitExit(kExitLimit);
  if (code < 0) return {std::nullopt, g_interrupted ? "interrupted" : "did not end within 10 s of SIGTERM (killed)"};
  const bool ok = clean_exit ? code == 0 : code == 0 || code == 128 + SIGTERM;
  if (!ok) return {std::nullopt, "ended with " + DescribeExit(code) + " after SIGTERM"};
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

}  // namespace

int main() {
  signal(SIGPIPE, SIG_IGN);
  struct sigaction on_interrupt {};
  on_interrupt.sa_handler = OnInterrupt;
  sigaction(SIGINT, &on_interrupt, nullptr);
  sigaction(SIGTERM, &on_interrupt, nullptr);

  const tazmel::bench::ScratchDir temp("tazmel-startbench");
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

  tazmel::bench::VirtualDisplay display;
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

  Launch ours{{player.string()}, common, temp.path() / "tazmel.log"};
  ours.env["TAZMEL_HOME"] = home.string();
  ours.env["TAZMEL_REPORT_PAINT"] = "1";
  const Series tazmel = Run("tazmel", ours, true);

  const Launch hello{{TAZMEL_QT_HELLO}, common, temp.path() / "hello.log"};
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
